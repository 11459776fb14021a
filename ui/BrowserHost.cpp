#include "ui/BrowserHost.h"

#include "platform/AnsiText.h"
#include "ui/External.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QShortcut>
#include <QStringDecoder>
#include <QWindow>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

namespace {

const QByteArray kResScheme = QByteArrayLiteral("res");
constexpr char kGlIntegration[] = "QT_XCB_GL_INTEGRATION";

// Serves the program's HTML resources; the last path segment names the resource.
class ResSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QString name = job->requestUrl().path().section(QLatin1Char('/'), -1);
        QFile file(QStringLiteral(":/HTML/%1.html").arg(name));
        if (name.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto *buffer = new QBuffer(job);
        // The web engine ignores a charset given with the content type, so the
        // document itself must say what its bytes are.
        buffer->setData(htmlAsUtf8(file.readAll()));
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html"), buffer);
    }
};

struct BrowserHost
{
    QWebEngineProfile *profile = nullptr;
    QWebChannel *channel = nullptr;
    CExternal *external = nullptr;
};

BrowserHost &hostState()
{
    static BrowserHost h;
    return h;
}

BrowserHost &host()
{
    BrowserHost &h = hostState();
    if (!h.profile) {
        // Before the first view: the web engine chose OpenGL as the application started.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QObject *owner = QCoreApplication::instance();
        h.external = new CExternal(owner);
        h.channel = new QWebChannel(owner);
        h.channel->registerObject(QStringLiteral("external"), h.external);
        h.profile = new QWebEngineProfile(owner); // off the record: pages keep nothing on disk
        h.profile->installUrlSchemeHandler(kResScheme, new ResSchemeHandler(h.profile));

        QWebEngineScript script;
        script.setName(QStringLiteral("quillora-external"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(true);
        script.setSourceCode(externalBridgeScript());
        h.profile->scripts()->insert(script);
    }
    return h;
}

} // namespace

void registerResScheme()
{
    if (QWebEngineUrlScheme::schemeByName(kResScheme).name() == kResScheme)
        return;
    QWebEngineUrlScheme scheme(kResScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme
                    | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

void prepareBrowserHost()
{
    registerResScheme();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Without a GL integration the context the web engine asks for fails at once.
    if (!qEnvironmentVariableIsSet(kGlIntegration)) {
        qputenv(kGlIntegration, "none");
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
    return hostState().profile != nullptr;
}

QWebEngineProfile *browserProfile()
{
    return host().profile;
}

QWebChannel *browserChannel()
{
    return host().channel;
}

CExternal *theExternal()
{
    return host().external;
}

QWebEngineView *createBrowserView(QWidget *parent, bool scrollBars)
{
    QWebEngineProfile *profile = browserProfile(); // before the view's first window
    auto *view = new QWebEngineView(parent);
    auto *page = new QWebEnginePage(profile, view);
    page->setWebChannel(browserChannel());
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, scrollBars);
    view->setPage(page);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    return view;
}

int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options)
{
    QDialog dialog;
    dialog.setWindowTitle(options.title);
    dialog.setWindowModality(Qt::ApplicationModal);
    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    QWebEngineView *view = createBrowserView(&dialog, options.scrollBars);
    layout->addWidget(view);
    QObject::connect(view, &QWebEngineView::titleChanged, &dialog, [&dialog](const QString &title) {
        if (!title.isEmpty())
            dialog.setWindowTitle(title);
    });
    // The view takes the keys, so the dialog's own Escape handling would never see it.
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), &dialog);
    QObject::connect(close, &QShortcut::activated, &dialog, &QDialog::reject);
    dialog.resize(size);
    if (options.centreOn) {
        QWidget *owner = options.centreOn->window();
        QRect frame(QPoint(), size);
        frame.moveCenter(owner->frameGeometry().center());
        dialog.move(frame.topLeft());
        dialog.winId();
        if (dialog.windowHandle() && owner->windowHandle())
            dialog.windowHandle()->setTransientParent(owner->windowHandle());
    }
    view->load(url);
    return dialog.exec();
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
