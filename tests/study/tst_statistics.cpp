#include "study/StatisticsPage.h"
#include "support/GuiTestSupport.h"
#include "support/WebTestSupport.h"
#include "ui/BrowserHost.h"

#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace testsupport;
using namespace Qt::StringLiterals;

class TestStatistics : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;

    // A user "ann" on a list of `words` words ("list").
    void prepare(int words, const QString &user = QStringLiteral("ann"), const QString &list = QStringLiteral("list"))
    {
        m_data = freshStore(std::move(m_data), words, user, list);
    }

    // Loads the page's report and waits until the browser has it.
    static bool buildAndLoad(CStatisticsPage &page)
    {
        page.BuildStatisticsReport();
        QSignalSpy finished(testsupport::webView(page.browser()), &QWebEngineView::loadFinished);
        return finished.wait(60000) && finished.first().first().toBool();
    }

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void cleanup() { m_data.reset(); }

    void reportInTheBrowser()
    {
        const QString user = QStringLiteral("𠮷·明");
        const QString list = QStringLiteral("四级·𠮷<词>");
        prepare(20, user, list);
        runForUser({QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = CASE WHEN wid <= 5 THEN 2 WHEN wid = 6 THEN 7 ELSE 12 END WHERE wid <= 7;"),
             QStringLiteral("INSERT INTO logs_tbl VALUES({uid}, {tid}, date('now', 'localtime', '-2 day'), 0, 1, 0.25);")});

        CStatisticsPage page;
        page.resize(490, 276);
        page.show();
        QVERIFY(!page.browser()); // the web engine waits for the first report
        QVERIFY(buildAndLoad(page));
        QCOMPARE(page.browser()->objectName(), QStringLiteral("1077"));
        QWebEnginePage *web = testsupport::webView(page.browser())->page();

        const QStringList expected = {user, list, QStringLiteral("学习新单词"), QStringLiteral("7 / 20"), QStringLiteral("35.00%"),
                                      QStringLiteral("2天"), QStringLiteral("3天"), QStringLiteral("25.00%")};
        const QString figures = QStringLiteral("Array.from(document.querySelectorAll('#TextInfo .content')).map(e => e.textContent)");
        QCOMPARE(evaluate(web, figures).toStringList(), expected);
        // M = 12: 0, 1 ~ 5, 6 ~ 10, 11 ~ 15.
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo svg path.slice').length")).toInt(), 4);
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo table.legend tr').length")).toInt(), 4);
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelector('#PieInfo table.legend tr:nth-child(2)').textContent")).toString(),
                 QStringLiteral("1 ~ 5 次5 个"));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo svg path.slice')[1].querySelector('title').textContent")).toString(),
                 QStringLiteral("学习次数: 1 ~ 5 (次)\n单词数: 5 (个)\n百分比: 25.00%"));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelector('#PieInfo h2').textContent")).toString(), QStringLiteral("单词学习次数统计"));
        // Nothing of the chart spills out of its box, nor the box out of the page.
        const QString contained = QStringLiteral(
            "(function() { var box = document.getElementById('PieInfo').getBoundingClientRect();"
            " if (box.bottom > window.innerHeight || box.right > window.innerWidth) return false;"
            " return Array.from(document.querySelectorAll('#PieInfo svg, #PieInfo tr')).every(function(e) {"
            " var r = e.getBoundingClientRect(); return r.left >= box.left && r.right <= box.right && r.bottom <= box.bottom; }); })()");
        QVERIFY(evaluate(web, contained).toBool());

        // The same report as bytes in the code page it declares.
        QSignalSpy finished(testsupport::webView(page.browser()), &QWebEngineView::loadFinished);
        web->setContent(ansi::fromUnicode(page.report()), QStringLiteral("text/html"), QUrl(QStringLiteral("res://quillora/HTML_STATISTICS")));
        QVERIFY(finished.wait(60000));
        QCOMPARE(evaluate(web, figures).toStringList(), expected);

        // The most buckets there can be, still inside the box.
        runForUser({QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = wid * 7;")});
        QVERIFY(buildAndLoad(page));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo table.legend tr').length")).toInt(), 12);
        QVERIFY(evaluate(web, contained).toBool());

        // Nothing studied: one slice of everything, drawn as a whole disc.
        runForUser({QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = 0;")});
        QVERIFY(buildAndLoad(page));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo svg path.slice').length")).toInt(), 1);
        const int width = evaluate(web, QStringLiteral("Math.round(document.querySelector('#PieInfo svg path.slice').getBBox().width)")).toInt();
        const int size = evaluate(web, QStringLiteral("document.querySelector('#PieInfo svg').getAttribute('width')")).toInt();
        QVERIFY2(size > 60 && width >= size - 6, qPrintable(QStringLiteral("%1 in %2").arg(width).arg(size)));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelector('#PieInfo svg path.slice title').textContent")).toString(),
                 QStringLiteral("学习次数: 0 (次)\n单词数: 20 (个)\n百分比: 100.00%"));

        // A store failure: the box shows the store's text; the page shows what there is.
        runForUser({QStringLiteral("DROP TABLE WordsMarkInfo_tbl;")});
        QVERIFY(buildAndLoad(page));
        const QStringList boxes = MessageBox::takeShown();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes.first().contains(QStringLiteral("WordsMarkInfo_tbl")));
        QCOMPARE(evaluate(web, figures).toStringList().value(3), QStringLiteral("-- / 20"));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelector('#PieInfo h2').textContent")).toString(),
                 QStringLiteral("XML Source MYCHART is empty or not valid!"));
        QCOMPARE(evaluate(web, QStringLiteral("document.querySelectorAll('#PieInfo svg').length")).toInt(), 0);
    }
};

int main(int argc, char **argv)
{
    // The web engine is prepared as the program prepares it, before the application exists.
    prepareBrowserHost();
    QApplication app(argc, argv);
    TestStatistics test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_statistics.moc"
