#pragma once

#include <QSize>
#include <QString>
#include <QUrl>

class CExternal;
class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;
class QWidget;

// Registers the "res" scheme; must run before the QApplication is created.
void registerResScheme();

// What the web engine needs before the QApplication is created: the "res" scheme,
// and pages drawn without OpenGL. The web engine would otherwise make an OpenGL
// context as the application starts, which loads a whole GL driver (tens of MB, and
// a slower start) long before the first page is wanted; the program's few pages
// draw as well in software, also on machines without a GPU.
void prepareBrowserHost();

// The profile every embedded page uses: it serves res://<anything>/<NAME> from
// ":/HTML/<NAME>.html" and gives every page window.external. Made on first use, so
// that nothing of the web engine starts before a page is shown.
QWebEngineProfile *browserProfile();
QWebChannel *browserChannel();
CExternal *theExternal();

// Whether the profile above has been made yet.
bool browserHostStarted();

// A view on that profile: no context menu, no border, and no scroll bars unless asked.
QWebEngineView *createBrowserView(QWidget *parent = nullptr, bool scrollBars = false);

struct HtmlDialogOptions
{
    QString title;               // until the page gives its own
    bool scrollBars = false;     // for pages that may be taller than the dialog
    QWidget *centreOn = nullptr; // its window; the dialog stays above it
};

// Shows the address in an application-modal dialog holding such a view; the
// dialog's result. The dialog has no parent, so it stays usable while the caller
// disables its own windows around it.
int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options = {});

// An HTML document as UTF-8 with its declared character set saying so: documents
// that declare another set (the templates say gb2312) are decoded as they declare
// unless they are already UTF-8. Exposed for tests.
QByteArray htmlAsUtf8(const QByteArray &document);

// The script given to every page; exposed for tests.
QString externalBridgeScript();
