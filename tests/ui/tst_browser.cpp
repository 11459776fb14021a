#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "support/ModuleTestSupport.h"
#include "support/WebTestSupport.h"
#include "ui/BrowserHost.h"
#include "ui/External.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>

using testsupport::evaluate;
using testsupport::webView;

namespace {

QByteArray g_glIntegrationBefore;

bool load(QWebEngineView *view, const QUrl &url, bool *ok)
{
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    view->load(url);
    if (!finished.wait(60000))
        return false;
    *ok = finished.first().first().toBool();
    return true;
}

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageBox::setTestMode(true); }

    // First, while the browser module is not loaded: one that cannot be had. The learner
    // is told once; the view says the page cannot be shown, and the next view tries again
    // (and says nothing more).
    void unavailableModule_data() { testsupport::addUnavailableModuleRows(QStringLiteral("browser")); }
    void unavailableModule()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QFETCH(QString, cause);
        testsupport::ModuleFolder modules(folder);
        const QRegularExpression logged(QStringLiteral("^browser module: "));
        QTest::ignoreMessage(QtWarningMsg, logged);
        QTest::ignoreMessage(QtWarningMsg, logged);
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<QWidget> view(createBrowserView());
            auto *label = qobject_cast<QLabel *>(view.get());
            QVERIFY(label);
            QCOMPARE(label->text(), QStringLiteral("网页组件不可用"));
        }
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(QStringLiteral("无法加载网页组件：") + reason), qPrintable(shown[0]));
        QVERIFY2(shown[0].contains(cause), qPrintable(shown[0]));
        QVERIFY(!moduleLoaded<BrowserModule>());
        QVERIFY(!browserHostStarted());
        QVERIFY(!modules.staleMapped());
    }

    void lazyStart()
    {
        // Only this process draws without OpenGL: once it runs, what it starts
        // inherits nothing of that.
        QTRY_COMPARE(qgetenv("QT_XCB_GL_INTEGRATION"), g_glIntegrationBefore);
        // The application is up, yet nothing of the web engine has been made.
        QVERIFY(!browserHostStarted());
        QWebEngineView *view = webView(createBrowserView());
        QVERIFY(view);
        QVERIFY(browserHostStarted());
        QWebEngineView *other = webView(createBrowserView());
        QCOMPARE(other->page()->profile(), view->page()->profile());
        delete other;
        QVERIFY(view->page()->profile()->isOffTheRecord());
        QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
        QVERIFY(!view->page()->settings()->testAttribute(QWebEngineSettings::ShowScrollBars));
        QVERIFY(externalBridgeScript().contains(QStringLiteral("QWebChannel")));
        delete view;
    }

    void resPageCallsExternal()
    {
        QWebEngineView *view = webView(createBrowserView());
        QVERIFY(view);
        view->resize(300, 200);
        view->show();
        const int before = theExternal()->showDlgCalls();
        bool ok = false;
        QVERIFY(load(view, QUrl(QStringLiteral("res://quillora/tst_bridge")), &ok));
        QVERIFY(ok);
        QCOMPARE(evaluate(view->page(), QStringLiteral("document.getElementById('probe').textContent")).toString(),
                 QStringLiteral("served"));
        // And drawn: its background fills the view.
        QTRY_COMPARE_WITH_TIMEOUT(view->grab().toImage().pixelColor(150, 150), QColor(0x3f, 0x98, 0xd9), 20000);
        // The page called ShowDlg while loading, before the channel was up.
        QCOMPARE(evaluate(view->page(), QStringLiteral("window.calledAtLoad")).toString(), QStringLiteral("function"));
        QTRY_VERIFY_WITH_TIMEOUT(theExternal()->showDlgCalls() == before + 1, 20000);

        const QVariant result = evaluate(view->page(), QStringLiteral("window.external.ShowDlg(); 'called'"));
        QCOMPARE(result.toString(), QStringLiteral("called")); // no exception
        QTRY_VERIFY_WITH_TIMEOUT(theExternal()->showDlgCalls() == before + 2, 20000);
        // An unknown method raises, so a wrong name does not pass silently.
        QVERIFY(!evaluate(view->page(), QStringLiteral("window.external.NoSuchThing(); 'x'")).isValid());
        delete view;
    }

    void generatedPagesToo()
    {
        QWebEngineView *view = webView(createBrowserView());
        QVERIFY(view);
        const int before = theExternal()->showDlgCalls();
        QSignalSpy finished(view, &QWebEngineView::loadFinished);
        view->setHtml(QStringLiteral("<html><body><iframe srcdoc=\"<script>window.external.ShowDlg()</script>\">"
                                     "</iframe><script>window.external.ShowDlg()</script></body></html>"));
        QVERIFY(finished.wait(60000));
        // The main page and its frame each reach the one object.
        QTRY_VERIFY_WITH_TIMEOUT(theExternal()->showDlgCalls() == before + 2, 20000);
        delete view;
    }

    void missingResource()
    {
        QWebEngineView *view = webView(createBrowserView());
        QVERIFY(view);
        bool ok = true;
        QVERIFY(load(view, QUrl(QStringLiteral("res://quillora/NO_SUCH_PAGE")), &ok));
        QVERIFY(!ok);
        delete view;
    }

    // The engine ignores a charset sent with the content type, so res:// pages are
    // served as UTF-8 that says so, whatever their file holds.
    void declaredCharset_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<bool>("redeclared");
        const QString page = QStringLiteral("<html><head><title>错误列表</title><meta %1></head><body>𠮷·学校</body></html>");
        const QString gb = QStringLiteral("http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"");
        QTest::newRow("GB18030 declared gb2312") << ansi::fromUnicode(page.arg(gb)) << true;
        QTest::newRow("UTF-8 declared gb2312") << page.arg(gb).toUtf8() << true;
        QTest::newRow("UTF-8 declared utf-8") << page.arg(QStringLiteral("charset=\"utf-8\"")).toUtf8() << false;
    }

    void declaredCharset()
    {
        QFETCH(QByteArray, document);
        QFETCH(bool, redeclared);
        const QString served = QString::fromUtf8(htmlAsUtf8(document));
        QVERIFY2(served.contains(QStringLiteral("<title>错误列表</title>")) && served.contains(QStringLiteral("𠮷·学校")),
                 qPrintable(served));
        QCOMPARE(served.contains(QStringLiteral("charset=utf-8\"")), redeclared);
    }

    void resPageReadsAsDeclared()
    {
        QWebEngineView *view = webView(createBrowserView());
        QVERIFY(view);
        bool ok = false;
        QVERIFY(load(view, QUrl(QStringLiteral("res://quillora/tst_gb")), &ok));
        QVERIFY(ok);
        QCOMPARE(evaluate(view->page(), QStringLiteral("document.getElementById('probe').textContent")).toString(),
                 QStringLiteral("错误列表 𠮷·"));
        QCOMPARE(view->title(), QStringLiteral("编码"));
        delete view;
    }

    // A page taller than its dialog can be scrolled to its end when asked for.
    void dialogScrollBars()
    {
        for (const bool scrollBars : {false, true}) {
            int gutter = -1;
            QTimer::singleShot(0, [&] {
                QTRY_VERIFY(qobject_cast<QDialog *>(QApplication::activeModalWidget()));
                auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                auto *view = dialog->findChild<QWebEngineView *>();
                QTRY_VERIFY_WITH_TIMEOUT(evaluate(view->page(), QStringLiteral("location.protocol == 'data:' && document.readyState "
                                                                                 "== 'complete' && innerHeight > 150"))
                                             .toBool(),
                                         30000);
                gutter = evaluate(view->page(), QStringLiteral("window.innerWidth - document.documentElement.clientWidth")).toInt();
                dialog->accept();
            });
            HtmlDialogOptions options;
            options.scrollBars = scrollBars;
            showHtmlDialog(QUrl(QStringLiteral("data:text/html,<div style='height:3000px'>tall</div>")), QSize(300, 230), options);
            QCOMPARE(gutter > 0, scrollBars);
        }
    }

    void modalDialog()
    {
        QString title;
        QSize size;
        QTimer::singleShot(0, [&] {
            QTRY_VERIFY(qobject_cast<QDialog *>(QApplication::activeModalWidget()));
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            title = dialog->windowTitle();
            size = dialog->size();
            QVERIFY(dialog->findChild<QWebEngineView *>());
            dialog->accept();
        });
        HtmlDialogOptions options;
        options.title = QStringLiteral("错题本");
        const int result = showHtmlDialog(QUrl(QStringLiteral("res://quillora/tst_bridge")), QSize(320, 240), options);
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(title, QStringLiteral("错题本"));
        QCOMPARE(size, QSize(320, 240));
    }
};

int main(int argc, char **argv)
{
    // The web engine needs these before the application exists.
    g_glIntegrationBefore = qgetenv("QT_XCB_GL_INTEGRATION");
    prepareBrowserHost();
    QApplication app(argc, argv);
    TestBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
