#include "ui/BrowserHost.h"

#include "platform/AnsiText.h"
#include "platform/Modules.h"
#include "ui/External.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

constexpr char kGlIntegration[] = "QT_XCB_GL_INTEGRATION";
constexpr char kLinuxAccessibility[] = "QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY";

struct BrowserHost
{
    BrowserModule *engine = nullptr;
    CExternal *external = nullptr;
};

BrowserHost &hostState()
{
    static BrowserHost h;
    return h;
}

CExternal *external()
{
    BrowserHost &h = hostState();
    if (!h.external)
        h.external = new CExternal(QCoreApplication::instance());
    return h.external;
}

QByteArray resPage(const QString &name)
{
    QFile file(QStringLiteral(":/HTML/%1.html").arg(name));
    if (name.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // The web engine ignores a charset given with the content type, so the document
    // itself must say what its bytes are.
    return htmlAsUtf8(file.readAll());
}

// Loads the module on first use; nullptr when it cannot be had (the loader says so).
BrowserModule *engine()
{
    BrowserHost &h = hostState();
    if (h.engine)
        return h.engine;
    // The engine shows its pages to a screen reader only when told so as it starts;
    // the page trees cost memory and time, so only where a screen reader listens.
    if (QAccessible::isActive() && !qEnvironmentVariableIsSet(kLinuxAccessibility))
        qputenv(kLinuxAccessibility, "1");
    auto *e = loadModule<BrowserModule>();
    if (!e)
        return nullptr;
    BrowserServices services;
    services.external = external();
    services.bridgeScript = externalBridgeScript(); // the channel script comes with the module
    services.resPage = resPage;
    e->start(services);
    h.engine = e;
    return e;
}

// Qt's X platform says on every start, as the application makes the shared context,
// that it cannot make an OpenGL context: the integration turned off in
// prepareBrowserHost() is why, and nothing is lost by it (the pages draw in software).
// Only that line is dropped; every other message goes where it went.
QtMessageHandler g_nextHandler = nullptr;

void dropNoGlNotice(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message == u"QXcbIntegration: Cannot create platform OpenGL context, neither GLX nor EGL are enabled")
        return;
    g_nextHandler(type, context, message);
}

// The web engine, loaded after the application object exists, needs contexts shared
// from the start, and crashes on its first page without. Linked in, it set this itself
// as the program was loaded; so does this file now, for every program that can show a
// page, whether or not it calls prepareBrowserHost().
const bool kSharedContexts = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

} // namespace

void prepareBrowserHost()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Without a GL integration the context the web engine asks for fails at once.
    if (!qEnvironmentVariableIsSet(kGlIntegration)) {
        qputenv(kGlIntegration, "none");
        g_nextHandler = qInstallMessageHandler(dropNoGlNotice);
        // Read once, when the application makes the context; programs started
        // later (a web browser opening a link) keep their OpenGL.
        qAddPreRoutine([] {
            QMetaObject::invokeMethod(QCoreApplication::instance(), [] { qunsetenv(kGlIntegration); }, Qt::QueuedConnection);
        });
    }
}

QString externalBridgeScript()
{
    QFile channelJs(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    channelJs.open(QIODevice::ReadOnly);
    // window.external answers at once: calls made before the channel is up are queued
    // and replayed when it is. The channel script is kept private to this closure.
    return QStringLiteral(R"JS((function() {
%1
var target = null;
var queue = [];
function call(name, args) {
    if (target) target[name].apply(target, args);
    else queue.push([name, args]);
}
var external = { ShowDlg: function() { call('ShowDlg', []); } };
try {
    Object.defineProperty(window, 'external', { value: external, configurable: true, writable: true });
} catch (e) {
    window.external = external;
}
function flush() {
    var pending = queue;
    queue = [];
    pending.forEach(function(c) { target[c[0]].apply(target, c[1]); });
}
// Frames get no channel transport of their own; a same-origin frame uses its parent's.
function fromParent() {
    try {
        var p = window.parent !== window ? window.parent.external : null;
        if (p && p !== external && typeof p.ShowDlg === 'function') {
            target = p;
            flush();
            return true;
        }
    } catch (e) {
    }
    return false;
}
var attempts = 0;
function connect() {
    if (fromParent())
        return;
    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
        if (++attempts < 500) setTimeout(connect, 10);
        return;
    }
    new QWebChannel(qt.webChannelTransport, function(channel) {
        target = channel.objects.external;
        flush();
    });
}
connect();
})();
)JS")
        .arg(QString::fromUtf8(channelJs.readAll()));
}

bool browserHostStarted()
{
    return hostState().engine != nullptr;
}

CExternal *theExternal()
{
    return external();
}

QWidget *createBrowserView(QWidget *parent, bool scrollBars)
{
    if (BrowserModule *e = engine())
        return e->createView(parent, scrollBars);
    auto *missing = new QLabel(QStringLiteral("网页组件不可用"), parent);
    missing->setAlignment(Qt::AlignCenter);
    return missing;
}

// A view made without the module is the placeholder: nothing to load, and nothing to
// try or report again.
void browserLoad(QWidget *view, const QUrl &url)
{
    if (BrowserModule *e = hostState().engine; e && view)
        e->load(view, url);
}

void browserSetHtml(QWidget *view, const QString &html, const QUrl &base)
{
    if (BrowserModule *e = hostState().engine; e && view)
        e->setHtml(view, html, base);
}

int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options)
{
    if (BrowserModule *e = engine())
        return e->showHtmlDialog(url, size, options);
    return 0;
}

QByteArray htmlAsUtf8(const QByteArray &document)
{
    // Browsers look for the declaration in the first 1024 bytes.
    static const QRegularExpression declared(QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?([A-Za-z0-9_.:-]+))"),
                                             QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(document.left(1024));
    const QRegularExpressionMatch m = declared.match(head);
    if (!m.hasMatch())
        return document;
    const QString charset = m.captured(1).toLower();
    if (charset == u"utf-8" || charset == u"utf8")
        return document;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(document);
    if (utf8.hasError()) {
        if (charset.startsWith(u"gb"))
            text = ansi::toUnicode(document);
        else if (auto decoder = QStringDecoder(charset.toLatin1().constData()); decoder.isValid())
            text = decoder(document);
        else
            return document; // a set we cannot read: leave it to the browser
    }
    const QRegularExpressionMatch inText = declared.match(text);
    if (inText.hasMatch())
        text.replace(inText.capturedStart(1), inText.capturedLength(1), QStringLiteral("utf-8"));
    return text.toUtf8();
}
