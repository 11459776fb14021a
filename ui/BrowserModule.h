#pragma once

// What the program asks of the browser module browser.so (ui/BrowserModule.cpp, loaded
// on first use by ui/BrowserHost.cpp). Only Qt Core and Widgets types cross it, so the
// program itself is not linked against the web engine.

#include "platform/Modules.h"
#include "ui/BrowserModuleId.h" // generated: the id stamped with the build and this header

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QtPlugin>

#include <functional>

class QObject;
class QWidget;

struct HtmlDialogOptions
{
    QString title;               // until the page gives its own
    bool scrollBars = false;     // for pages that may be taller than the dialog
    QWidget *centreOn = nullptr; // its window; the dialog stays above it
};

// What the module takes from the program when it starts.
struct BrowserServices
{
    QObject *external = nullptr;                            // window.external of every page
    QString bridgeScript;                                   // run in every page before its own scripts
    std::function<QByteArray(const QString &name)> resPage; // res://<anything>/NAME; empty: not found
};

class BrowserModule
{
public:
    static constexpr ModuleInfo kModule{"browser", u"网页组件", true};

    virtual ~BrowserModule() = default;

    // Once, before the first view: registers the res scheme and makes the profile.
    virtual void start(const BrowserServices &services) = 0;
    // A view (a QWebEngineView) on that profile: no context menu, no border, and no
    // scroll bars unless asked.
    virtual QWidget *createView(QWidget *parent, bool scrollBars) = 0;
    virtual void load(QWidget *view, const QUrl &url) = 0;
    virtual void setHtml(QWidget *view, const QString &html, const QUrl &base) = 0;
    virtual int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options) = 0;
};

Q_DECLARE_INTERFACE(BrowserModule, QuilloraBrowserModule_iid)
