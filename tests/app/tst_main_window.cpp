#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "support/GuiTestSupport.h"
#include "platform/FileDialog.h"
#include "study/StatisticsPage.h"
#include "wordlists/ThesaurusDlg.h"

#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>

using namespace testsupport;

class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<CHomeDlg> m_home;

    CQuilloraDlg *main() const { return m_home->mainWindow(); }

    // A logged-in user with a chosen list of `words` words; the home window shown.
    void openHome(int words = 30)
    {
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("ann"));
        m_data->addList(QStringLiteral("list"), words);
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        m_home->show();
        MessageBox::takeShown();
    }

    // Steps a running slide to its end by hand; returns the page's left edge per tick.
    QList<int> stepSlide()
    {
        QList<int> lefts;
        for (int i = 0; i < 200 && main()->isSliding(); ++i) {
            main()->slideTick();
            if (main()->currentPage() && main()->isSliding())
                lefts << main()->currentPage()->x();
        }
        return lefts;
    }

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void cleanup()
    {
        m_home.reset();
        m_data.reset();
    }

    void slideArithmetic()
    {
        openHome();
        main()->showStatistics();
        // The report is built before the page moves.
        auto *statistics = qobject_cast<CStatisticsPage *>(main()->page(CQuilloraDlg::PageStatistics));
        QVERIFY(statistics && statistics->report().contains(QStringLiteral("0 / 30")));
        QVERIFY(!main()->isEnabled()); // disabled while sliding
        QVERIFY(!main()->isWorkerRunning());
        const QList<int> opening = stepSlide();
        // Steps of 14, 21, 28, ... pixels from the content's right edge.
        QVERIFY(opening.size() >= 3);
        QCOMPARE(opening[0], CQuilloraDlg::kContentRight - 14);
        QCOMPARE(opening[1], opening[0] - 21);
        QCOMPARE(opening[2], opening[1] - 28);
        QVERIFY(main()->isEnabled());
        QCOMPARE(main()->currentPage()->geometry(), CQuilloraDlg::contentRect());
        QVERIFY(main()->currentPage()->inPlace());
        QVERIFY(!main()->isWorkerRunning()); // the statistics page starts no worker

        main()->closePage();
        QList<int> closing;
        int ticks = 0;
        while (main()->isSliding() && ticks < 50) {
            main()->slideTick();
            ++ticks;
            if (main()->isSliding())
                closing << main()->currentPage()->x();
        }
        QCOMPARE(ticks, 7); // 27, 47, 67, ... pixels per tick
        QCOMPARE(closing.value(0), CQuilloraDlg::kContentLeft + 27);
        QCOMPARE(closing.value(1), CQuilloraDlg::kContentLeft + 27 + 47);
        QVERIFY(!main()->currentPage()->isVisible());
        QCOMPARE(main()->pageIndex(), int(CQuilloraDlg::PageNone));
        QVERIFY(main()->isEnabled());
    }

    void memorisePageStartsOnTheDailyList()
    {
        openHome(12);
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        QVERIFY(main()->isEnabled());
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM DayList_tbl;"), 12);
        auto *progress = control<QLabel>(main()->page(CQuilloraDlg::PageMemorize), 1039);
        QVERIFY(progress);
        QCOMPARE(progress->text(), QStringLiteral("1 / 12"));
        QVERIFY(MessageBox::takeShown().filter(QStringLiteral("所有单词")).isEmpty());
    }

    void nothingToStudyHidesThePage_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("learn") << 0 << QStringLiteral("所有单词已经学完，请切换到复习模式！");
        QTest::newRow("review") << 1 << QStringLiteral("所有单词已经复习完！");
        QTest::newRow("hard words") << 2 << QStringLiteral("难词本已经复习完，目前为空！");
    }
    void nothingToStudyHidesThePage()
    {
        QFETCH(int, mode);
        QFETCH(QString, text);
        openHome(5);
        theDatabase.execute(mode == 0 ? "UPDATE WordsMarkInfo_tbl SET times = 1;" : "UPDATE WordsMarkInfo_tbl SET times = 0, hard = 0;");
        theUser.mode = mode;
        theUser.TimesFrom = -1;
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!main()->isWorkerRunning());
        QTRY_COMPARE(MessageBox::shown(), QStringList{text});
        QVERIFY(!main()->page(CQuilloraDlg::PageMemorize)->isVisible());
        QVERIFY(!main()->isSliding());
        QVERIFY(main()->isEnabled()); // enabled again although the slide was cut short
        QCOMPARE(main()->pageIndex(), int(CQuilloraDlg::PageNone));
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl;"), 0);
    }

    void workerFailureIsShownAndThePageStarts()
    {
        openHome(10);
        theDatabase.execute("CREATE TRIGGER broken BEFORE INSERT ON DayList_tbl BEGIN SELECT RAISE(ABORT, 'broken list'); END;");
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("SQLITE_CONSTRAINT[19]: broken list")});
        // Rolled back: no log row, and the page runs on what is stored (nothing).
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl;"), 0);
        auto *progress = control<QLabel>(main()->page(CQuilloraDlg::PageMemorize), 1039);
        QCOMPARE(progress->text(), QStringLiteral("0 / 0"));
        QVERIFY(main()->isEnabled());
        theDatabase.execute("BEGIN; COMMIT;"); // no transaction left open
    }

    void studyPageRefusedWhileBusy()
    {
        openHome(50);
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        main()->startStudyPage(CQuilloraDlg::PageTest); // during the slide
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("操作进行中，请稍候")});
        QCOMPARE(main()->pageIndex(), int(CQuilloraDlg::PageMemorize));
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
    }

    void enterAndEscapeDoNotClose()
    {
        openHome();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(main(), Qt::Key(key));
            main()->OnOK();
            main()->OnCancel();
        }
        QVERIFY(m_home->isVisible());
        QVERIFY(main()->isVisible());
    }

    void startOfDayChecks_data()
    {
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<QString>("notice");
        QTest::newRow("no list chosen") << false << QStringLiteral("尚未选择任何词库，请选择！");
        QTest::newRow("list deleted") << true << QStringLiteral("您正在使用的词库已经被管理员删除\n请重新选择！");
    }
    void startOfDayChecks()
    {
        QFETCH(bool, deleted);
        QFETCH(QString, notice);
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("bob"));
        const int tid = m_data->addList(QStringLiteral("one"), 3, deleted);
        m_data->addList(QStringLiteral("two"), 4, false);
        if (deleted)
            theDatabase.execute(sqlFormat("DELETE FROM ThesaurusInfo_tbl WHERE tid = %d;", tid).constData());
        // Cancelling the word-list dialog ends the program.
        onModal<CThesaurusDlg>([](CThesaurusDlg *dlg) { dlg->reject(); });
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(!m_home->Initialise());
        QCOMPARE(MessageBox::takeShown(), QStringList{notice});

        // Choosing a list goes on.
        onModal<CThesaurusDlg>([](CThesaurusDlg *dlg) {
            auto *lists = control<QComboBox>(dlg, CThesaurusDlg::IDC_LISTS);
            lists->setCurrentIndex(lists->findText(QStringLiteral("two (4个)")));
            click(dlg, CThesaurusDlg::IDOK);
        });
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        QCOMPARE(theUser.count, 4);
        QCOMPARE(theDatabase.queryInt(sqlFormat("SELECT tid FROM UserInfo_tbl WHERE uid = %d;", theUser.uid).constData()), theUser.tid);
    }

    void emptyStoreAsksForAnImport()
    {
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("cy"));
        FileDialog::setNextFileName(QString()); // the user cancels the file dialog
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(!m_home->Initialise()); // nothing to study without a list: the program ends
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.value(0), QStringLiteral("检测到您的单词词库为空，请添加！\n说明：\n如果您是第一次使用本软件，请找到本软件目录下\n的“赠送词库”文件夹添加词库"));
    }

    void wordListChangeRebuildsTheList()
    {
        openHome(40);
        const int other = m_data->addList(QStringLiteral("other"), 25, false);
        onModal<CThesaurusDlg>([](CThesaurusDlg *dlg) {
            auto *lists = control<QComboBox>(dlg, CThesaurusDlg::IDC_LISTS);
            lists->setCurrentIndex(lists->findText(QStringLiteral("other (25个)")));
            click(dlg, CThesaurusDlg::IDOK);
        });
        main()->runWordListDialog();
        QVERIFY(!main()->isWorkerRunning());
        QVERIFY(main()->isEnabled());
        QCOMPARE(theUser.tid, other);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM DayList_tbl d JOIN words_tbl w ON d.wid = w.wid WHERE w.tid = (SELECT max(tid) FROM ThesaurusInfo_tbl);"), 20);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl WHERE bFinish = 0;"), 1);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
