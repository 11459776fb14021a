#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "support/GuiTestSupport.h"
#include "platform/FileDialog.h"
#include "study/StatisticsPage.h"
#include "study/TestPage.h"
#include "ui/TranslucentButton.h"
#include "users/LoginDlg.h"
#include "wordlists/ThesaurusDlg.h"

#include <QKeyEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

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
        theDatabase.execute(store::tempObjectsScript().constData()); // as start-up makes them
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
        QTest::newRow("smart review") << 3 << QStringLiteral("今天没有到期的单词，也没有新单词了！");
    }
    void nothingToStudyHidesThePage()
    {
        QFETCH(int, mode);
        QFETCH(QString, text);
        openHome(5);
        // Mode 3: every word studied today, so none is new and none is due yet.
        theDatabase.execute(mode == 0   ? "UPDATE WordsMarkInfo_tbl SET times = 1;"
                            : mode == 3 ? "UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now', 'localtime');"
                                        : "UPDATE WordsMarkInfo_tbl SET times = 0, hard = 0;");
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

    // The window is disabled while a page slides in, and a disabled window takes no
    // focus: the page must take the keyboard once the slide is over.
    void pagesTakeTheKeyboardOnceInPlace()
    {
        openHome(6);
        m_home->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_home.get()));
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        CStudyPage *memorise = main()->page(CQuilloraDlg::PageMemorize);
        auto *edit = control<QLineEdit>(memorise, 1001);
        QCOMPARE(QApplication::focusWidget(), edit);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("lis"));
        QCOMPARE(edit->text(), QStringLiteral("lis"));
        // In place, the page shows its frame: grey, and a lighter grey just inside.
        const QImage framed = memorise->grab().toImage();
        QCOMPARE(framed.pixelColor(0, 0), QColor(0xA8, 0xA8, 0xA8));
        QCOMPARE(framed.pixelColor(framed.width() - 1, 40), QColor(0xA8, 0xA8, 0xA8));
        QCOMPARE(framed.pixelColor(1, 1), QColor(0xF4, 0xF4, 0xF4));
        QCOMPARE(framed.pixelColor(2, 2), QColor(Qt::white));

        main()->closePage();
        QTRY_VERIFY(!main()->isSliding());
        QVERIFY(!memorise->isVisible());
        QCOMPARE(QApplication::focusWidget(), m_home->button(CHomeDlg::IDC_MEMORIZE)); // not left on the hidden page

        auto *test = qobject_cast<CTestPage *>(main()->page(CQuilloraDlg::PageTest));
        test->setKindSource([] { return int(CTestPage::ChooseExplanation); });
        main()->startStudyPage(CQuilloraDlg::PageTest);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        QCOMPARE(QApplication::focusWidget(), test);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1);
        QVERIFY(control<QAbstractButton>(test, 1031)->isChecked()); // A
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // Right or wrong, the first answer is recorded.
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE times > 0;"), 1);
    }

    // Without a mouse: Tab between the home buttons (the first study button has the
    // keyboard when the window appears), Enter opens a page, Tab reaches its back
    // button, Enter goes back, and the keyboard is on the button that opened it.
    void homeByKeyboard()
    {
        openHome(6);
        m_home->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_home.get()));
        QWidget *memorise = m_home->button(CHomeDlg::IDC_MEMORIZE);
        QCOMPARE(QApplication::focusWidget(), memorise);
        const QList<int> forward = {CHomeDlg::IDC_TEST, CHomeDlg::IDC_MODE, CHomeDlg::IDC_WORDLIST, CHomeDlg::IDC_STATISTICS,
                                    CHomeDlg::IDC_HOMEPAGE, CHomeDlg::IDC_SETTINGS, CHomeDlg::IDC_HIDE, CHomeDlg::IDC_CLOSE};
        for (int id : forward) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), m_home->button(id));
        }
        for (qsizetype i = forward.size() - 2; i >= -1; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget(), i >= 0 ? m_home->button(forward[i]) : memorise);
        }
        // The focus mark is drawn into the window's picture.
        const QImage marked = m_home->composeImage();
        memorise->clearFocus();
        QVERIFY(m_home->composeImage() != marked);
        memorise->setFocus();

        QTest::keyClick(memorise, Qt::Key_Return);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        CStudyPage *page = main()->page(CQuilloraDlg::PageMemorize);
        QVERIFY(page->isVisible());
        QWidget *back = control<QWidget>(page, 1049);
        for (int i = 0; i < 12 && QApplication::focusWidget() != back; ++i) {
            QVERIFY2(!qobject_cast<CTranslucentButton *>(QApplication::focusWidget())
                         || m_home->button(CHomeDlg::IDC_SETTINGS) == QApplication::focusWidget()
                         || m_home->button(CHomeDlg::IDC_HIDE) == QApplication::focusWidget()
                         || m_home->button(CHomeDlg::IDC_CLOSE) == QApplication::focusWidget()
                         || m_home->button(CHomeDlg::IDC_HOMEPAGE) == QApplication::focusWidget(),
                     "Tab reached a home button beneath the page");
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget(), back);
        QTest::keyClick(back, Qt::Key_Escape); // never closes a page
        QVERIFY(page->isVisible() && !main()->isSliding());
        QTest::keyClick(back, Qt::Key_Return);
        QTRY_VERIFY(!main()->isSliding());
        QVERIFY(!page->isVisible());
        QCOMPARE(QApplication::focusWidget(), memorise);
    }

    // Another user logs in while a page is open: it closes as "返回" would, and a list
    // still being built for the first user no longer starts it.
    void switchingUserReturnsHome_data()
    {
        QTest::addColumn<bool>("duringTheSlide");
        QTest::newRow("page in place") << false;
        QTest::newRow("list still being built") << true;
    }
    void switchingUserReturnsHome()
    {
        QFETCH(bool, duringTheSlide);
        openHome(8);
        const int ann = theUser.uid;
        const int bob = m_data->addUser(QStringLiteral("bob"));
        m_data->addList(QStringLiteral("bobs"), 9);
        m_data->reloadUser(ann);
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        if (!duringTheSlide)
            QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        auto loggedIn = onModal<CLoginDlg>([](CLoginDlg *login) {
            control<QLineEdit>(login, CLoginDlg::IdUserName)->setText(QStringLiteral("bob"));
            control<QLineEdit>(login, CLoginDlg::IdPassword)->setText(QStringLiteral("pw"));
            click(login, CLoginDlg::IdLogin);
        });
        m_home->SwitchUser();
        QVERIFY(*loggedIn);
        QCOMPARE(theUser.uid, bob);
        QCOMPARE(main()->pageIndex(), int(CQuilloraDlg::PageNone));
        QVERIFY(!main()->currentPage());
        QVERIFY(!main()->page(CQuilloraDlg::PageMemorize)->isVisible());
        QVERIFY(main()->isEnabled());
        // The keys do not go back to the hidden page's edit with the home window.
        QWidget *focus = m_home->focusWidget();
        QVERIFY(!focus || !main()->page(CQuilloraDlg::PageMemorize)->isAncestorOf(focus));
        QTest::qWait(50);
        QVERIFY(!main()->isSliding());
        // Nothing was started or finished for bob, and ann's marks are as typed: none.
        QCOMPARE(theDatabase.queryInt(sqlFormat("SELECT count(*) FROM logs_tbl WHERE uid = %d;", bob).constData()), 0);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM logs_tbl WHERE bFinish = 1;"), 0);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE times > 0;"), 0);
        // Bob's own page starts on his own list.
        main()->startStudyPage(CQuilloraDlg::PageMemorize);
        QTRY_VERIFY(!main()->isSliding() && !main()->isWorkerRunning());
        QCOMPARE(control<QLabel>(main()->page(CQuilloraDlg::PageMemorize), 1039)->text(), QStringLiteral("1 / 9"));
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
