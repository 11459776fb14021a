#pragma once

#include "ui/BrowserModule.h"

#include <QSize>
#include <QString>
#include <QUrl>

class CExternal;
class QWidget;

// What the web engine needs before the QApplication is created: shared OpenGL
// contexts, and pages drawn without OpenGL. The web engine would otherwise make an
// OpenGL context as the application starts, which loads a whole GL driver (tens of
// MB, and a slower start) long before the first page is wanted; the program's few
// pages draw as well in software, also on machines without a GPU. Touches nothing of
// the web engine itself: that is a module loaded with the first view.
void prepareBrowserHost();

// The object every page reaches as window.external.
CExternal *theExternal();

// Whether the browser module has been loaded and its profile made.
bool browserHostStarted();

// A view (a QWebEngineView) on the profile every embedded page uses: it serves
// res://<anything>/<NAME> from ":/HTML/<NAME>.html" and gives every page
// window.external. No context menu, no border, and no scroll bars unless asked. The
// first call loads the browser module; without it (a broken installation) the result
// is a plain widget that says so, and nothing else fails.
QWidget *createBrowserView(QWidget *parent = nullptr, bool scrollBars = false);
void browserLoad(QWidget *view, const QUrl &url);
void browserSetHtml(QWidget *view, const QString &html, const QUrl &base);

// Shows the address in an application-modal dialog holding such a view; the
// dialog's result. The dialog has no parent, so it stays usable while the caller
// disables its own windows around it.
int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options = {});

// An HTML document as UTF-8 with its declared character set saying so: documents
// that declare another set (the templates say gb2312) are decoded as they declare
// unless they are already UTF-8. Exposed for tests.
QByteArray htmlAsUtf8(const QByteArray &document);

// The script given to every page (complete once the browser module is loaded);
// exposed for tests.
QString externalBridgeScript();
