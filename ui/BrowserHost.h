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

// The profile every embedded page uses: it serves res://<anything>/<NAME> from
// ":/HTML/<NAME>.html" and gives every page window.external. Made on first use, so
// that nothing of the web engine starts before a page is shown.
QWebEngineProfile *browserProfile();
QWebChannel *browserChannel();
CExternal *theExternal();

// Whether the profile above has been made yet.
bool browserHostStarted();

// A view on that profile: no context menu, no scroll bars, no border.
QWebEngineView *createBrowserView(QWidget *parent = nullptr);

// Shows the address in a modal dialog holding such a view; the dialog's result.
int showHtmlDialog(QWidget *parent, const QUrl &url, const QSize &size, const QString &title);

// The script given to every page; exposed for tests.
QString externalBridgeScript();
