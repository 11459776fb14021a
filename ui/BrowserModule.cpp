// The browser module: everything that needs Qt WebEngine, Quick and WebChannel. The
// program loads it with the first page it shows (ui/BrowserHost.cpp), so that until
// then none of those libraries is mapped.

#include "ui/BrowserModule.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDialog>
#include <QQuickWindow>
#include <QShortcut>
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
#include <QWindow>

namespace {

const QByteArray kResScheme = QByteArrayLiteral("res");

// Serves the program's HTML resources; the last path segment names the resource.
class ResSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    ResSchemeHandler(std::function<QByteArray(const QString &)> pages, QObject *parent)
        : QWebEngineUrlSchemeHandler(parent)
        , m_pages(std::move(pages))
    {
    }

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        const QString name = job->requestUrl().path().section(QLatin1Char('/'), -1);
        const QByteArray page = m_pages ? m_pages(name) : QByteArray();
        if (page.isEmpty()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto *buffer = new QBuffer(job);
        buffer->setData(page);
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html"), buffer);
    }

private:
    std::function<QByteArray(const QString &)> m_pages;
};

// The web engine reads the registered schemes when it starts, that is when the first
// profile is made, not when the application is; so this can wait until here.
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

QWebEngineView *webView(QWidget *view)
{
    return qobject_cast<QWebEngineView *>(view);
}

} // namespace

class WebEngineBrowserModule : public QObject, public BrowserModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuilloraBrowserModule_iid)
    Q_INTERFACES(BrowserModule)

public:
    void start(const BrowserServices &services) override
    {
        if (m_profile)
            return;
        registerResScheme();
        // Before the first view: the web engine would choose OpenGL otherwise.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        QObject *owner = QCoreApplication::instance();
        m_channel = new QWebChannel(owner);
        m_channel->registerObject(QStringLiteral("external"), services.external);
        m_profile = new QWebEngineProfile(owner); // off the record: pages keep nothing on disk
        m_profile->installUrlSchemeHandler(kResScheme, new ResSchemeHandler(services.resPage, m_profile));

        QWebEngineScript script;
        script.setName(QStringLiteral("quillora-external"));
        script.setInjectionPoint(QWebEngineScript::DocumentCreation);
        script.setWorldId(QWebEngineScript::MainWorld);
        script.setRunsOnSubFrames(true);
        script.setSourceCode(services.bridgeScript);
        m_profile->scripts()->insert(script);
    }

    QWidget *createView(QWidget *parent, bool scrollBars) override
    {
        auto *view = new QWebEngineView(parent);
        auto *page = new QWebEnginePage(m_profile, view);
        page->setWebChannel(m_channel);
        page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, scrollBars);
        view->setPage(page);
        view->setContextMenuPolicy(Qt::NoContextMenu);
        return view;
    }

    void load(QWidget *view, const QUrl &url) override
    {
        if (QWebEngineView *v = webView(view))
            v->load(url);
    }

    void setHtml(QWidget *view, const QString &html, const QUrl &base) override
    {
        if (QWebEngineView *v = webView(view))
            v->setHtml(html, base);
    }

    int showHtmlDialog(const QUrl &url, const QSize &size, const HtmlDialogOptions &options) override
    {
        QDialog dialog;
        dialog.setWindowTitle(options.title);
        dialog.setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(&dialog);
        layout->setContentsMargins(0, 0, 0, 0);
        QWebEngineView *view = webView(createView(&dialog, options.scrollBars));
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

private:
    QWebEngineProfile *m_profile = nullptr;
    QWebChannel *m_channel = nullptr;
};

#include "BrowserModule.moc"
