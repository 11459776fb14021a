#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "study/Speech.h"
#include "support/GuiTestSupport.h"
#include "ui/NavList.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/SkinEdit.h"
#include "ui/StatusLabel.h"
#include "ui/TranslucentButton.h"
#include "users/AboutPage.h"
#include "users/AccountPage.h"
#include "users/LoginDlg.h"
#include "users/PasswordScramble.h"
#include "users/ReminderPage.h"
#include "users/SettingsDlg.h"
#include "users/SpeechPage.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QSemaphore>
#include <QScopeGuard>

using namespace testsupport;

class TestSettingsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<CHomeDlg> m_home;

    // A user as the new-user dialog makes one (reminders off, first voice, ask on
    // close), with a chosen list of 30 words, and the home window open.
    void openHome()
    {
        qputenv("QUILLORA_UPDATE_URL", "");
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("ann"));
        m_data->addList(QStringLiteral("list"), 30);
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        m_home->show();
        MessageBox::takeShown();
    }
    std::unique_ptr<CSettingsDlg> dialog(int page = 0)
    {
        return std::make_unique<CSettingsDlg>(page, m_home->mainWindow());
    }
    static void choose(QWidget *page, int id, int index)
    {
        control<CSkinComboBox>(page, id)->setCurrentIndex(index);
    }
    static int stored(const char *column)
    {
        return theDatabase.queryInt(sqlFormat("SELECT %s FROM UserInfo_tbl WHERE uid = %d;", column, theUser.uid).constData());
    }
    static QString storedPassword()
    {
        CppSQLite3Cursor row = theDatabase.query(sqlFormat("SELECT password FROM UserInfo_tbl WHERE uid = %d;", theUser.uid).constData());
        return ansi::toUnicode(row.stringValue(0));
    }
    static int dayListSize() { return theDatabase.queryInt("SELECT COUNT(*) FROM DayList_tbl;"); }

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void cleanup()
    {
        m_home.reset();
        m_data.reset();
    }

    void newUserOpensAndOkStoresExit()
    {
        openHome();
        auto dlg = dialog();
        QCOMPARE(dlg->windowTitle(), QStringLiteral("设置"));
        auto *nav = control<CNavList>(dlg.get(), CSettingsDlg::IDC_NAV);
        QStringList items;
        for (int i = 0; i < nav->count(); ++i)
            items << nav->itemText(i);
        QCOMPARE(items, (QStringList{QStringLiteral("提醒设置"), QStringLiteral("朗读设置"), QStringLiteral("操作习惯"),
                                      QStringLiteral("用户账户"), QStringLiteral("关于")}));
        QCOMPARE(dlg->page(0)->geometry(), QRect(130, 11, 250, 239));
        QWidget *reminder = dlg->page(CSettingsDlg::PageReminder);
        QVERIFY(control<CSkinButton>(reminder, CReminderPage::IDC_OFF)->GetCheck());
        QVERIFY(!control<CSkinComboBox>(reminder, CReminderPage::IDC_BEGIN)->isEnabled());
        // The voices are listed when their page is first shown.
        QWidget *speech = dlg->page(CSettingsDlg::PageSpeech);
        QCOMPARE(control<CSkinComboBox>(speech, CSpeechPage::IDC_VOICE)->count(), 0);
        dlg->SetPage(CSettingsDlg::PageSpeech);
        dlg->show();
        QVERIFY(!control<CSkinButton>(speech, CSpeechPage::IDC_OFF)->GetCheck());
        QCOMPARE(control<CSkinComboBox>(speech, CSpeechPage::IDC_VOICE)->currentIndex(), 0);
        QVERIFY(control<CSkinButton>(dlg->page(CSettingsDlg::PageHabit), 1084)->GetCheck());
        QCOMPARE(control<QLineEdit>(dlg->page(CSettingsDlg::PageAccount), CAccountPage::IDC_PASSWORD)->text(), QStringLiteral("pw"));

        // The test button speaks with the page's choice and gives the stored voice back.
        auto *volume = control<QSlider>(speech, CSpeechPage::IDC_VOLUME);
        QCOMPARE(volume->maximum(), 100);
        QCOMPARE(volume->tickInterval(), 10);
        QCOMPARE(control<QSlider>(speech, CSpeechPage::IDC_RATE)->maximum(), 10);
        volume->setValue(100);
        QList<std::pair<QString, double>> spoken;
        Speech::setObserver([&](const QString &text, const QString &, double volume, double) { spoken.append({text, volume}); });
        theUser.TTSspeaker = -1; // spoken all the same: the page is about to turn speech on
        click(speech, CSpeechPage::IDC_TEST);
        Speech::setObserver({});
        QCOMPARE(theUser.TTSspeaker, -1);
        const QString sample = control<QLabel>(speech, CSpeechPage::IDC_SAMPLE)->text();
        QVERIFY(!sample.isEmpty());
        QCOMPARE(spoken, (QList<std::pair<QString, double>>{{sample, 1.0}}));
        QCOMPARE(m_home->mainWindow()->speech()->currentVolume(), Speech::engineVolume(theUser.TTSvolume));

        click(dlg.get(), CSettingsDlg::IDOK);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(stored("CloseExit"), 1);
        QCOMPARE(theUser.CloseExit, 1);
        QCOMPARE(stored("NotifyBegin"), -1);
        QCOMPARE(stored("TTSspeaker"), 0);
        QCOMPARE(stored("TTSvolume"), theUser.TTSvolume);
    }

    void reminderValidation_data()
    {
        QTest::addColumn<int>("begin");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("interval"); // item index, -1 none
        QTest::addColumn<QString>("typed"); // typed into the start list instead
        QTest::addColumn<QString>("message"); // empty: saved
        const QString invalid = QStringLiteral("提醒时段设置不合法");
        const QString incomplete = QStringLiteral("请将提醒设置设置完整");
        QTest::newRow("8 to 8") << 8 << 8 << 3 << QString() << invalid;
        QTest::newRow("9 to 8") << 9 << 8 << 3 << QString() << invalid;
        QTest::newRow("8 to 9") << 8 << 9 << 3 << QString() << QString();
        QTest::newRow("no interval") << 8 << 9 << -1 << QString() << incomplete;
        QTest::newRow("no end") << 8 << -1 << 0 << QString() << incomplete;
        QTest::newRow("typed, not selected") << 8 << 9 << 0 << QStringLiteral("7") << incomplete;
    }
    void reminderValidation()
    {
        QFETCH(int, begin);
        QFETCH(int, end);
        QFETCH(int, interval);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        openHome();
        auto dlg = dialog(CSettingsDlg::PageAccount);
        QWidget *page = dlg->page(CSettingsDlg::PageReminder);
        click(page, CReminderPage::IDC_OFF);
        QVERIFY(control<CSkinComboBox>(page, CReminderPage::IDC_BEGIN)->isEnabled());
        choose(page, CReminderPage::IDC_BEGIN, begin);
        choose(page, CReminderPage::IDC_END, end);
        choose(page, CReminderPage::IDC_INTERVAL, interval);
        if (!typed.isEmpty())
            control<CSkinComboBox>(page, CReminderPage::IDC_BEGIN)->lineEdit()->setText(typed);
        click(dlg.get(), CSettingsDlg::IDC_APPLY);
        auto *status = control<CStatusLabel>(dlg.get(), CSettingsDlg::IDC_STATUS);
        if (message.isEmpty()) {
            QVERIFY(status->isHidden());
            QCOMPARE(stored("NotifyBegin"), begin);
            QCOMPARE(stored("NotifyEnd"), end);
            QCOMPARE(stored("NotifyInterval"), 15);
            QCOMPARE(theUser.NotifyInterval, 15);
            QCOMPARE(dlg->currentPage(), int(CSettingsDlg::PageAccount));
            return;
        }
        QCOMPARE(status->kind(), int(CStatusLabel::Error));
        QCOMPARE(status->text(), message);
        QVERIFY(!status->isHidden());
        for (int id : {CSettingsDlg::IDC_LINKS, CSettingsDlg::IDC_HOMEPAGE, CSettingsDlg::IDC_HELP})
            QVERIFY(control<QWidget>(dlg.get(), id)->isHidden());
        QCOMPARE(dlg->currentPage(), int(CSettingsDlg::PageReminder));
        QCOMPARE(control<CNavList>(dlg.get(), CSettingsDlg::IDC_NAV)->GetCurSel(), 0);
        QCOMPARE(stored("NotifyBegin"), -1);
        QCOMPARE(stored("CloseExit"), -1); // nothing saved
        // OK stays open too.
        click(dlg.get(), CSettingsDlg::IDOK);
        QCOMPARE(dlg->result(), 0);
    }

    void turningOffKeepsStoredValues()
    {
        openHome();
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET NotifyBegin = 8, NotifyEnd = 20, NotifyInterval = 30, TTSvolume = 70, TTSspeed = 3 WHERE uid = %d;", theUser.uid).constData());
        DataFolder::reloadUser(theUser.uid);
        auto dlg = dialog();
        QWidget *reminder = dlg->page(CSettingsDlg::PageReminder);
        QCOMPARE(control<CSkinComboBox>(reminder, CReminderPage::IDC_INTERVAL)->currentText(), QStringLiteral("半小时"));
        choose(reminder, CReminderPage::IDC_INTERVAL, 3);
        click(reminder, CReminderPage::IDC_OFF);
        QWidget *speech = dlg->page(CSettingsDlg::PageSpeech);
        QCOMPARE(control<QSlider>(speech, CSpeechPage::IDC_VOLUME)->value(), 70);
        control<QSlider>(speech, CSpeechPage::IDC_VOLUME)->setValue(10);
        control<QSlider>(speech, CSpeechPage::IDC_RATE)->setValue(9);
        click(speech, CSpeechPage::IDC_OFF);
        QVERIFY(!control<CSkinButton>(speech, CSpeechPage::IDC_TEST)->isEnabled());
        click(dlg.get(), CSettingsDlg::IDOK);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(stored("NotifyBegin"), -1);
        QCOMPARE(stored("NotifyEnd"), -1);
        QCOMPARE(stored("NotifyInterval"), 30);
        QCOMPARE(stored("TTSspeaker"), -1);
        QCOMPARE(stored("TTSvolume"), 70);
        QCOMPARE(stored("TTSspeed"), 3);
        QCOMPARE(theUser.TTSvolume, 70);
    }

    void accountPage_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("listSize"); // daily list after saving
        QTest::addColumn<bool>("pageStartBuilding"); // a study page's build runs at OK
        QTest::newRow("password only, with apostrophes") << "20" << "it's 'x''" << QString() << QStringList() << 0 << false;
        QTest::newRow("amount changed") << "12" << "pw" << QString() << QStringList() << 12 << false;
        // The page's build took the old amount; the new one is built after it.
        QTest::newRow("amount changed during a page's build") << "12" << "pw" << QString() << QStringList() << 12 << true;
        QTest::newRow("amount 1001") << "1001" << "pw" << QStringLiteral("每日任务量超出范围") << QStringList() << 0 << false;
        QTest::newRow("amount 4") << "4" << "pw" << QStringLiteral("每日任务量超出范围") << QStringList() << 0 << false;
        QTest::newRow("not a number") << "12a" << "pw" << QStringLiteral("请键入一个整数。") << QStringList() << 0 << false;
        QTest::newRow("empty password") << "20" << "" << QStringLiteral("密码不能为空") << QStringList() << 0 << false;
    }
    void accountPage()
    {
        QFETCH(QString, amount);
        QFETCH(QString, password);
        QFETCH(QString, message);
        QFETCH(QStringList, boxes);
        QFETCH(int, listSize);
        QFETCH(bool, pageStartBuilding);
        openHome();
        auto dlg = dialog();
        QWidget *page = dlg->page(CSettingsDlg::PageAccount);
        control<QLineEdit>(page, CAccountPage::IDC_DAYNUM)->setText(amount);
        control<QLineEdit>(page, CAccountPage::IDC_PASSWORD)->setText(password);
        CQuilloraDlg *main = m_home->mainWindow();
        QSemaphore held;
        const auto unhook = qScopeGuard([] { DailyListWorker::beforeBuild = nullptr; });
        if (pageStartBuilding) {
            // Only the page's build waits, until OK has been pressed.
            DailyListWorker::beforeBuild = [&held] {
                DailyListWorker::beforeBuild = nullptr;
                held.acquire();
            };
            main->startStudyPage(CQuilloraDlg::PageMemorize);
            QVERIFY(main->isWorkerRunning());
            QTimer::singleShot(50, [&held] { held.release(); });
        }
        click(dlg.get(), CSettingsDlg::IDOK);
        QTRY_VERIFY(!main->isSliding() && !main->isWorkerRunning());
        QStringList shown = MessageBox::takeShown();
        if (pageStartBuilding) // the page speaks its first word, and a test machine may have no audio
            shown.removeAll(QStringLiteral("朗读失败！可能是音频设备没有打开！"));
        QCOMPARE(shown, boxes);
        QCOMPARE(dayListSize(), listSize);
        if (message.isEmpty()) {
            QCOMPARE(dlg->result(), int(QDialog::Accepted));
            QCOMPARE(storedPassword(), password);
            QCOMPARE(stored("DayNum"), amount.toInt());
            QCOMPARE(theUser.DayNum, amount.toInt());
            QVERIFY(m_home->mainWindow()->isEnabled());
            return;
        }
        QCOMPARE(dlg->result(), 0);
        QCOMPARE(control<CStatusLabel>(dlg.get(), CSettingsDlg::IDC_STATUS)->text(), message);
        QCOMPARE(dlg->currentPage(), int(CSettingsDlg::PageAccount));
        QCOMPARE(stored("DayNum"), 20);
        QCOMPARE(storedPassword(), QStringLiteral("pw"));
    }

    // A focused push button takes Enter; only elsewhere does Enter mean OK.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("focused"); // a control of the page, or of the dialog when page is -1
        QTest::addColumn<int>("result"); // -1: the dialog stays open
        QTest::addColumn<bool>("switchUser");
        QTest::newRow("取消") << -1 << int(CSettingsDlg::IDCANCEL) << int(QDialog::Rejected) << false;
        QTest::newRow("显示") << int(CSettingsDlg::PageAccount) << int(CAccountPage::IDC_SHOW) << -1 << false;
        QTest::newRow("测试") << int(CSettingsDlg::PageSpeech) << int(CSpeechPage::IDC_TEST) << -1 << false;
        QTest::newRow("立即切换用户") << int(CSettingsDlg::PageAccount) << int(CAccountPage::IDC_SWITCH_USER) << int(QDialog::Rejected) << true;
        QTest::newRow("an edit: OK") << int(CSettingsDlg::PageAccount) << int(CAccountPage::IDC_DAYNUM) << int(QDialog::Accepted) << false;
        QTest::newRow("确定") << -1 << int(CSettingsDlg::IDOK) << int(QDialog::Accepted) << false;
    }
    void enterPressesTheFocusedButton()
    {
        QFETCH(int, page);
        QFETCH(int, focused);
        QFETCH(int, result);
        QFETCH(bool, switchUser);
        openHome();
        auto dlg = dialog(page < 0 ? CSettingsDlg::PageAccount : page);
        click(dlg->page(CSettingsDlg::PageHabit), 1083); // typed; stored only by OK
        dlg->show();
        int spoken = 0;
        Speech::setObserver([&](const QString &, const QString &, double, double) { ++spoken; });
        QWidget *owner = page < 0 ? static_cast<QWidget *>(dlg.get()) : dlg->page(page);
        auto *target = control<QWidget>(owner, focused);
        QVERIFY(target);
        target->setFocus();
        QCOMPARE(dlg->focusWidget(), target);
        QTest::keyClick(target, Qt::Key_Return);
        Speech::setObserver({});
        QCOMPARE(spoken, focused == CSpeechPage::IDC_TEST && page == CSettingsDlg::PageSpeech ? 1 : 0);
        QCOMPARE(dlg->isVisible(), result == -1);
        if (result != -1)
            QCOMPARE(dlg->result(), result);
        QCOMPARE(dlg->switchUserRequested(), switchUser);
        QCOMPARE(stored("CloseExit"), result == QDialog::Accepted ? 0 : -1); // 1083: to the tray
        if (focused == CAccountPage::IDC_SHOW)
            QCOMPARE(control<QLineEdit>(dlg->page(page), CAccountPage::IDC_PASSWORD)->echoMode(), QLineEdit::Normal);
    }

    // config.ini remembers the last user's password for the log-in dialog; a new
    // password replaces it there, scrambled, and only where one is remembered.
    void changedPasswordIsRemembered_data()
    {
        QTest::addColumn<QString>("lastUser");
        QTest::addColumn<bool>("remembered");
        QTest::addColumn<QString>("expected"); // RememberPas afterwards, unscrambled
        QTest::newRow("the last user, remembered") << "ann" << true << "new 'pw'";
        QTest::newRow("the last user, not remembered") << "ann" << false << "";
        QTest::newRow("another last user") << "bob" << true << "pw";
    }
    void changedPasswordIsRemembered()
    {
        QFETCH(QString, lastUser);
        QFETCH(bool, remembered);
        QFETCH(QString, expected);
        openHome();
        config::writeLogin(config::kLastUser, lastUser);
        config::writeLogin(config::kRememberPas, remembered ? QString::fromLatin1(ScramblePassword("pw")) : QString());
        auto dlg = dialog(CSettingsDlg::PageAccount);
        control<QLineEdit>(dlg->page(CSettingsDlg::PageAccount), CAccountPage::IDC_PASSWORD)->setText(QStringLiteral("new 'pw'"));
        click(dlg.get(), CSettingsDlg::IDOK);
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(storedPassword(), QStringLiteral("new 'pw'"));
        const QString stored = config::readLogin(config::kRememberPas);
        QCOMPARE(ansi::toUnicode(UnscramblePassword(stored.toLatin1())), expected);
    }

    void pagesAreValidatedInOrder()
    {
        openHome();
        auto dlg = dialog(CSettingsDlg::PageAccount);
        QWidget *reminder = dlg->page(CSettingsDlg::PageReminder);
        click(reminder, CReminderPage::IDC_OFF); // on, but nothing chosen
        control<QLineEdit>(dlg->page(CSettingsDlg::PageAccount), CAccountPage::IDC_DAYNUM)->setText(QStringLiteral("1001"));
        click(dlg.get(), CSettingsDlg::IDC_APPLY);
        QCOMPARE(control<CStatusLabel>(dlg.get(), CSettingsDlg::IDC_STATUS)->text(), QStringLiteral("请将提醒设置设置完整"));
        QCOMPARE(dlg->currentPage(), int(CSettingsDlg::PageReminder));
        QVERIFY(dlg->page(CSettingsDlg::PageAccount)->isHidden());
    }

    void passwordShownAndHidden()
    {
        openHome();
        auto dlg = dialog(CSettingsDlg::PageAccount);
        QWidget *page = dlg->page(CSettingsDlg::PageAccount);
        auto *edit = control<QLineEdit>(page, CAccountPage::IDC_PASSWORD);
        auto *show = control<CSkinButton>(page, CAccountPage::IDC_SHOW);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        click(page, CAccountPage::IDC_SHOW);
        QCOMPARE(edit->echoMode(), QLineEdit::Normal);
        QCOMPARE(show->text(), QStringLiteral("隐藏"));
        click(page, CAccountPage::IDC_SHOW);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
        QCOMPARE(show->text(), QStringLiteral("显示"));
    }

    void storeFailureInOnePage()
    {
        openHome();
        theDatabase.execute("CREATE TRIGGER refuse BEFORE UPDATE OF TTSspeaker ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        auto dlg = dialog();
        click(dlg.get(), CSettingsDlg::IDOK);
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.value(0).contains(QStringLiteral("refused")), qPrintable(shown.value(0)));
        QCOMPARE(dlg->result(), int(QDialog::Accepted));
        QCOMPARE(stored("CloseExit"), 1); // the pages after it are saved
        QCOMPARE(stored("NotifyBegin"), -1);
    }

    void switchUserFromTheDialog()
    {
        openHome();
        config::writeLogin(config::kAutoLog, QStringLiteral("ann"));
        QSignalSpy quit(m_home.get(), &CHomeDlg::quitRequested);
        auto loginCancelled = std::make_shared<std::shared_ptr<bool>>();
        auto done = onModal<CSettingsDlg>([&](CSettingsDlg *dlg) {
            QCOMPARE(dlg->currentPage(), int(CSettingsDlg::PageReminder));
            click(dlg->page(CSettingsDlg::PageHabit), 1083); // typed, never saved
            *loginCancelled = onModal<CLoginDlg>([](CLoginDlg *login) { login->reject(); });
            click(dlg->page(CSettingsDlg::PageAccount), CAccountPage::IDC_SWITCH_USER);
        });
        Q_EMIT m_home->button(CHomeDlg::IDC_SETTINGS)->clicked();
        QVERIFY(*done);
        QVERIFY(*loginCancelled && **loginCancelled);
        QCOMPARE(config::readLogin(config::kAutoLog), QString());
        QCOMPARE(stored("CloseExit"), -1);
        QCOMPARE(quit.count(), 1); // the log-in was cancelled
        QVERIFY(!m_home->settingsDialog());
    }

    void trayReachesTheOpenDialog()
    {
        openHome();
        QSignalSpy quit(m_home.get(), &CHomeDlg::quitRequested);
        QAction *about = m_home->trayMenu()->actions().value(2);
        QAction *exit = m_home->trayMenu()->actions().value(4);
        int pageAfterAbout = -1;
        bool viewBeforeAbout = true;
        QString viewAfterAbout;
        auto done = onModal<CSettingsDlg>([&](CSettingsDlg *dlg) {
            auto *aboutPage = static_cast<CAboutPage *>(dlg->page(CSettingsDlg::PageAbout));
            viewBeforeAbout = aboutPage->view() != nullptr; // made when first shown
            about->trigger(); // turns the open dialog instead of opening another
            pageAfterAbout = dlg->currentPage();
            viewAfterAbout = aboutPage->view() ? QString::fromLatin1(aboutPage->view()->metaObject()->className()) : QString();
            exit->trigger(); // closes the dialog first, then ends the program
        });
        m_home->trayMenu()->actions().value(1)->trigger(); // "选项设置"
        QVERIFY(*done);
        QCOMPARE(pageAfterAbout, int(CSettingsDlg::PageAbout));
        QVERIFY(!viewBeforeAbout);
        QCOMPARE(viewAfterAbout, QStringLiteral("QWebEngineView"));
        QCOMPARE(quit.count(), 1);
        QVERIFY(!m_home->settingsDialog());
    }
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settings_dialog.moc"
