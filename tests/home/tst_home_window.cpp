#include "app/QuilloraDlg.h"
#include "home/CloseActionDlg.h"
#include "home/HomeDlg.h"
#include "store/Store.h"
#include "support/GuiTestSupport.h"
#include "ui/SkinButton.h"
#include "ui/TranslucentButton.h"
#include "ui/TranslucentLabel.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>

using namespace testsupport;

class TestHomeWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<CHomeDlg> m_home;

    void openHome(int closeExit = -1)
    {
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("ann"));
        m_data->addList(QStringLiteral("list"), 30);
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET CloseExit = %d;", closeExit).constData());
        DataFolder::reloadUser(theUser.uid);
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        m_home->show();
        MessageBox::takeShown();
    }

    int storedCloseExit() { return theDatabase.queryInt("SELECT CloseExit FROM UserInfo_tbl;"); }

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void cleanup()
    {
        m_home.reset();
        m_data.reset();
    }

    void windowAndLines()
    {
        openHome();
        QCOMPARE(m_home->size(), QSize(535, 361));
        QCOMPARE(m_home->versionLine()->text(), QStringLiteral("当前版本 v1.00"));
        QCOMPARE(m_home->windowTitle(), QStringLiteral("Quillora"));
        QVERIFY(!m_home->button(CHomeDlg::IDC_MAXIMISE)->isEnabled());
        for (int id : {1002, 1003, 1004, 1047, 1012, 1007, 1008, 1009, 1010, 1011})
            QVERIFY2(m_home->button(id) && m_home->button(id)->currentSlot() >= 0, qPrintable(QString::number(id)));
        QCOMPARE(m_home->button(CHomeDlg::IDC_MEMORIZE)->size(), QSize(100, 100));
        QCOMPARE(m_home->button(CHomeDlg::IDC_CLOSE)->size(), QSize(58, 38));
        // The tray icon and its menu.
        QVERIFY(m_home->trayIcon());
        QCOMPARE(m_home->trayIcon()->toolTip(), QStringLiteral("Quillora v1.00"));
        QStringList items;
        for (QAction *a : m_home->trayMenu()->actions())
            items << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(items, (QStringList{QStringLiteral("显示主界面"), QStringLiteral("选项设置"), QStringLiteral("关于"),
                                      QStringLiteral("-"), QStringLiteral("退出")}));
        QCOMPARE(m_home->trayMenu()->defaultAction()->text(), QStringLiteral("显示主界面"));
    }

    void hoverHelp()
    {
        openHome();
        m_home->onHoverHelp(true, CHomeDlg::IDC_TEST);
        QCOMPARE(m_home->helpLine()->text(), QStringLiteral("多种方式检测你的记忆情况"));
        m_home->onHoverHelp(true, CHomeDlg::IDC_CLOSE); // title-bar buttons leave it
        QCOMPARE(m_home->helpLine()->text(), QStringLiteral("多种方式检测你的记忆情况"));
        m_home->onHoverHelp(false, CHomeDlg::IDC_CLOSE); // leaving any button empties it
        QCOMPARE(m_home->helpLine()->text(), QString());
        // Through the real button's hover signal.
        Q_EMIT m_home->button(CHomeDlg::IDC_MODE)->hoverHelp(true, CHomeDlg::IDC_MODE);
        QCOMPARE(m_home->helpLine()->text(), QStringLiteral("切换『学习/复习』模式"));
        QCOMPARE(CHomeDlg::helpText(CHomeDlg::IDC_WORDLIST), QStringLiteral("切换选择词库"));
        QCOMPARE(CHomeDlg::helpText(CHomeDlg::IDC_STATISTICS), QStringLiteral("学习情况统计"));
        QCOMPARE(CHomeDlg::helpText(CHomeDlg::IDC_MEMORIZE), QStringLiteral("拼写记忆单词"));
    }

    void askingCloseAction_data()
    {
        QTest::addColumn<int>("choice"); // 0 cancel
        QTest::addColumn<bool>("dontAsk");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("quits");
        QTest::addColumn<int>("stored");
        QTest::newRow("cancel") << 0 << true << false << false << -1;
        QTest::newRow("tray, ask again") << 1083 << false << true << false << -1;
        QTest::newRow("tray, remember") << 1083 << true << true << false << 0;
        QTest::newRow("exit, ask again") << 1084 << false << false << true << -1;
        QTest::newRow("exit, remember") << 1084 << true << false << true << 1;
    }
    void askingCloseAction()
    {
        QFETCH(int, choice);
        QFETCH(bool, dontAsk);
        QFETCH(bool, hidden);
        QFETCH(bool, quits);
        QFETCH(int, stored);
        openHome(-1);
        QSignalSpy quit(m_home.get(), &CHomeDlg::quitRequested);
        auto done = onModal<CCloseActionDlg>([&](CCloseActionDlg *dlg) {
            QVERIFY(control<CSkinButton>(dlg, 1083)->GetCheck()); // checked at opening
            if (choice == 0) {
                click(dlg, 2);
                return;
            }
            click(dlg, choice);
            if (dontAsk)
                click(dlg, 1085);
            click(dlg, 1);
        });
        m_home->onCloseButton();
        QVERIFY(*done);
        QCOMPARE(m_home->hiddenToTray(), hidden);
        QCOMPARE(quit.count(), quits ? 1 : 0);
        QCOMPARE(storedCloseExit(), stored);
        QCOMPARE(theUser.CloseExit, stored);
    }

    void rememberedCloseActions()
    {
        openHome(0);
        QSignalSpy quit(m_home.get(), &CHomeDlg::quitRequested);
        m_home->onCloseButton(); // no dialog: hides
        QVERIFY(m_home->hiddenToTray());
        m_home->ShowWindows(false);
        QVERIFY(!m_home->hiddenToTray());
        QVERIFY(m_home->isVisible());
        theUser.CloseExit = 1;
        m_home->onCloseButton();
        QCOMPARE(quit.count(), 1);
        QVERIFY(!m_home->trayIcon()->isVisible()); // removed before ending
    }

    void busyRefusals()
    {
        openHome(1);
        QSignalSpy quit(m_home.get(), &CHomeDlg::quitRequested);
        // A write lock held from a second connection keeps the daily-list worker
        // waiting for as long as the refusals are tried.
        CppSQLite3Connection other;
        other.open(m_data->path(QStringLiteral("data.db")).toUtf8().constData(), store::kDatabaseKey);
        other.execute("BEGIN IMMEDIATE;");
        m_home->mainWindow()->startStudyPage(CQuilloraDlg::PageMemorize);
        QVERIFY(m_home->mainWindow()->isWorkerRunning());
        m_home->onCloseButton();
        m_home->onTrayExit();
        QCOMPARE(MessageBox::takeShown(), (QStringList{QStringLiteral("操作进行中，请稍后"), QStringLiteral("操作进行中，请稍候")}));
        QCOMPARE(quit.count(), 0);
        QVERIFY(m_home->mainWindow()->isWorkerRunning());
        other.execute("COMMIT;");
        QTRY_VERIFY(!m_home->mainWindow()->isWorkerRunning() && !m_home->mainWindow()->isSliding());
        m_home->onTrayExit();
        QCOMPARE(quit.count(), 1);
    }

    void remindersStartOnlyWhenDue()
    {
        openHome(0);
        // Reminders off.
        m_home->ShowWindows(true);
        QVERIFY(!m_home->reminderActive());
        m_home->ShowWindows(false);
        // Reminders on, today's task unfinished.
        theUser.NotifyBegin = 0;
        theUser.NotifyEnd = 23;
        theUser.NotifyInterval = 15;
        m_home->ShowWindows(true);
        QVERIFY(m_home->reminderActive());
        QSignalSpy reminded(m_home.get(), &CHomeDlg::reminded);
        m_home->onReminderTick(QDateTime(QDate::currentDate(), QTime(10, 30, 0)));
        QCOMPARE(reminded.count(), 1);
        QCOMPARE(reminded.at(0).at(0).toString(), QStringLiteral("今天的背单词任务还没有完成哦~"));
        m_home->onReminderTick(QDateTime(QDate::currentDate(), QTime(10, 31, 0)));
        m_home->onReminderTick(QDateTime(QDate::currentDate(), QTime(10, 50, 0)));
        QCOMPARE(reminded.count(), 1);
        m_home->ShowWindows(true);
        QVERIFY(m_home->reminderActive());
        m_home->ShowWindows(false); // showing stops the timer
        QVERIFY(!m_home->reminderActive());
        // After the reminder hours the first whole minute stops the timer.
        theUser.NotifyEnd = 9;
        m_home->ShowWindows(true);
        QVERIFY(m_home->reminderActive());
        m_home->onReminderTick(QDateTime(QDate::currentDate(), QTime(10, 0, 0)));
        QVERIFY(!m_home->reminderActive());
        m_home->ShowWindows(false);
        // Today's task finished: no timer.
        theDatabase.execute(sqlFormat("INSERT INTO logs_tbl VALUES (%d, %d, date('now', 'localtime'), 0, 1, NULL);", theUser.uid, theUser.tid).constData());
        theUser.NotifyEnd = 23;
        m_home->ShowWindows(true);
        QVERIFY(!m_home->reminderActive());
        QCOMPARE(MessageBox::takeShown(), QStringList()); // no error for a missing log row either
    }

    // The real timer path, started on an odd second: a two-second timer then never
    // meets second 0, and the first tick of the new minute must remind all the same.
    // Without a notification area the window comes forward with the text.
    void reminderOnTheTimerFromAnOddSecond()
    {
        openHome(0);
        theUser.NotifyBegin = 0;
        theUser.NotifyEnd = 23;
        theUser.NotifyInterval = 15;
        QDateTime clock(QDate::currentDate(), QTime(10, 29, 57));
        QList<QTime> reads;
        m_home->setClock([&] {
            reads.append(clock.time());
            const QDateTime now = clock;
            clock = clock.addSecs(2);
            return now;
        });
        m_home->reminderTimer()->setInterval(5);
        QSignalSpy reminded(m_home.get(), &CHomeDlg::reminded);
        m_home->ShowWindows(true);
        QVERIFY(m_home->reminderActive());
        QTRY_COMPARE(reminded.count(), 1);
        QCOMPARE(reads.last(), QTime(10, 30, 1));
        QVERIFY(!CHomeDlg::trayAvailable()); // offscreen: no notification area
        QVERIFY(!m_home->hiddenToTray());
        QVERIFY(m_home->isVisible() && !m_home->isMinimized());
        QCOMPARE(m_home->helpLine()->text(), QStringLiteral("今天的背单词任务还没有完成哦~"));
        // Hidden again within the same minute: that minute does not remind twice.
        m_home->ShowWindows(true);
        QTRY_VERIFY(clock.time() > QTime(10, 31, 5));
        QCOMPARE(reminded.count(), 1);
    }

    void trayActivation_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("shows");
        QTest::newRow("double-click") << int(QSystemTrayIcon::DoubleClick) << true;
        QTest::newRow("click (status-notifier hosts)") << int(QSystemTrayIcon::Trigger) << true;
        QTest::newRow("context menu") << int(QSystemTrayIcon::Context) << false;
        QTest::newRow("middle click") << int(QSystemTrayIcon::MiddleClick) << false;
    }
    void trayActivation()
    {
        QFETCH(int, reason);
        QFETCH(bool, shows);
        openHome(0);
        m_home->ShowWindows(true);
        Q_EMIT m_home->trayIcon()->activated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(m_home->hiddenToTray(), !shows);
        QVERIFY(m_home->trayIcon()->contextMenu() == m_home->trayMenu()); // the menu stays
    }

    // Without a notification area "hide" minimises; the taskbar's restore must count
    // as showing, or the reminders go on raising a window in use.
    void restoringAMinimisedWindowShowsIt()
    {
        openHome(0);
        theUser.NotifyBegin = 0;
        theUser.NotifyEnd = 23;
        theUser.NotifyInterval = 15;
        m_home->ShowWindows(true);
        QVERIFY(m_home->isMinimized());
        QVERIFY(m_home->reminderActive());
        m_home->setWindowState(m_home->windowState() & ~Qt::WindowMinimized); // as the taskbar does
        QVERIFY(!m_home->reminderActive());
        QVERIFY(!m_home->hiddenToTray());
        QVERIFY(m_home->isVisible());
    }

    void bringForward()
    {
        openHome(0);
        m_home->ShowWindows(true);
        m_home->bringForward();
        QVERIFY(!m_home->hiddenToTray());
        QVERIFY(m_home->isVisible());
        QVERIFY(!m_home->isMinimized());
    }
};

QTEST_MAIN(TestHomeWindow)
#include "tst_home_window.moc"
