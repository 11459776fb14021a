#include "ui/BrowserHost.h"
#include "ui/External.h"

#include <QApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QtTest>

namespace {

// Runs a script in the page and waits for its result; an invalid variant means the
// script raised (or never answered).
QVariant evaluate(QWebEnginePage *page, const QString &script)
{
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        return QVariant();
    return result;
}

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
    void lazyStart()
    {
        // The application is up, yet nothing of the web engine has been made.
        QVERIFY(!browserHostStarted());
        QWebEngineView *view = createBrowserView();
        QVERIFY(browserHostStarted());
        QCOMPARE(view->page()->profile(), browserProfile());
        QVERIFY(browserProfile()->isOffTheRecord());
        QCOMPARE(view->contextMenuPolicy(), Qt::NoContextMenu);
        QVERIFY(!view->page()->settings()->testAttribute(QWebEngineSettings::ShowScrollBars));
        QVERIFY(externalBridgeScript().contains(QStringLiteral("QWebChannel")));
        delete view;
    }

    void resPageCallsExternal()
    {
        QWebEngineView *view = createBrowserView();
        view->resize(300, 200);
        view->show();
        const int before = theExternal()->showDlgCalls();
        bool ok = false;
        QVERIFY(load(view, QUrl(QStringLiteral("res://quillora/tst_bridge")), &ok));
        QVERIFY(ok);
        QCOMPARE(evaluate(view->page(), QStringLiteral("document.getElementById('probe').textContent")).toString(),
                 QStringLiteral("served"));
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
        QWebEngineView *view = createBrowserView();
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
        QWebEngineView *view = createBrowserView();
        bool ok = true;
        QVERIFY(load(view, QUrl(QStringLiteral("res://quillora/NO_SUCH_PAGE")), &ok));
        QVERIFY(!ok);
        delete view;
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
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    registerResScheme();
    QApplication app(argc, argv);
    TestBrowser test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
