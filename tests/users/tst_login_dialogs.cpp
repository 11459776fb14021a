#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/StatusLabel.h"
#include "users/Config.h"
#include "users/LoginDlg.h"
#include "users/NewUserDlg.h"
#include "users/PasswordScramble.h"
#include "users/UserRecord.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kFillIn = QStringLiteral("     请把信息填写正确！    ");
const QString kChooseType = QStringLiteral("请选择账户类型！");
const QString kEnterInteger = QStringLiteral("请键入一个整数。");

CSkinEdit *edit(QWidget *dlg, int id) { return control<CSkinEdit>(dlg, id); }
CSkinButton *button(QWidget *dlg, int id) { return control<CSkinButton>(dlg, id); }
CStatusLabel *status(QWidget *dlg, int id) { return control<CStatusLabel>(dlg, id); }

// Types as a user would: keys for Latin text, a committed input-method string for the rest.
void typeInto(QLineEdit *box, const QString &text)
{
    box->clear();
    bool latin = true;
    for (QChar c : text)
        latin = latin && c.unicode() >= 0x20 && c.unicode() < 0x7f;
    if (latin) {
        QTest::keyClicks(box, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(box, &commit);
    }
}

// Puts the focus into `from`, then clicks into `to`, so `from` loses it as on a real move.
void leave(QWidget *from, QWidget *to)
{
    from->setFocus(Qt::MouseFocusReason);
    QTest::mouseClick(to, Qt::LeftButton);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void addUser(const QString &name, const QString &password, int type = 0, int dayNum = 20)
{
    theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, mode, count, "
                                  "CloseExit, TTSvolume, TTSspeed) VALUES (%d, '%s', '%s', 3, %d, 1, 7, 1, 55, 4);",
                                  type, sqlQuote(name).constData(), sqlQuote(password).constData(), dayNum)
                            .constData());
}

int userCount()
{
    return theDatabase.queryInt("SELECT count(*) FROM UserInfo_tbl;");
}

// Every column of the user's row in table order, NULL written as "NULL".
QStringList rowOf(const QString &name)
{
    CppSQLite3Cursor row = theDatabase.query(
        sqlFormat("SELECT * FROM UserInfo_tbl WHERE username = '%s';", sqlQuote(name).constData()).constData());
    QStringList values;
    for (int i = 0; !row.eof() && i < row.columnCount(); ++i)
        values << (row.isNull(i) ? QStringLiteral("NULL") : ansi::toUnicode(row.value(i)));
    return values;
}

bool showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace

class TestLoginDialogs : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString configPath() const { return m_dir->filePath(QStringLiteral("config.ini")); }

    // Fills and submits a new-user dialog that is already shown.
    static void fillNewUser(QWidget *dlg, const QString &name, const QString &password, const QString &amount,
                            int radioId)
    {
        typeInto(edit(dlg, CNewUserDlg::IdUserName), name);
        typeInto(edit(dlg, CNewUserDlg::IdPassword), password);
        typeInto(edit(dlg, CNewUserDlg::IdConfirm), password);
        typeInto(edit(dlg, CNewUserDlg::IdDayNum), amount);
        if (radioId)
            QTest::mouseClick(button(dlg, radioId), Qt::LeftButton, {}, QPoint(4, 4));
    }

private Q_SLOTS:
    void initTestCase()
    {
        installFontSubstitutions();
        QApplication::setFont(interfaceFont());
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        store::openStore(theDatabase, m_dir->filePath(QStringLiteral("data.db")));
        config::initialise(m_dir->path());
        MessageBox::setTestMode(true);
        theUser = UserRecord{};
    }

    void cleanup()
    {
        theDatabase.close();
        m_dir.reset();
    }

    void loginOpensWithRememberedValues_data()
    {
        QTest::addColumn<QString>("lastUser");
        QTest::addColumn<QString>("remembered"); // plain password to store scrambled
        QTest::addColumn<QString>("autoLog");
        QTest::newRow("empty config") << QString() << QString() << QString();
        QTest::newRow("name only") << "alice" << QString() << QString();
        QTest::newRow("remembered password") << "alice" << "s3cret" << QString();
        QTest::newRow("automatic log-in set") << "bob" << "12345678" << "bob";
        QTest::newRow("apostrophe and chinese") << "o'neil" << "张'三" << "o'neil";
    }
    void loginOpensWithRememberedValues()
    {
        QFETCH(QString, lastUser);
        QFETCH(QString, remembered);
        QFETCH(QString, autoLog);
        if (!lastUser.isEmpty())
            config::writeLogin(config::kLastUser, lastUser);
        if (!remembered.isEmpty())
            config::writeLogin(config::kRememberPas,
                               QString::fromLatin1(ScramblePassword(ansi::fromUnicode(remembered))));
        if (!autoLog.isEmpty())
            config::writeLogin(config::kAutoLog, autoLog);

        CLoginDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("用户登录"));
        QCOMPARE(edit(&dlg, CLoginDlg::IdUserName)->text(), lastUser);
        QCOMPARE(edit(&dlg, CLoginDlg::IdPassword)->text(), remembered);
        QCOMPARE(edit(&dlg, CLoginDlg::IdPassword)->echoMode(), QLineEdit::Password);
        QCOMPARE(button(&dlg, CLoginDlg::IdRememberPassword)->GetCheck(), !remembered.isEmpty());
        QVERIFY(!button(&dlg, CLoginDlg::IdAutoLog)->GetCheck());
        QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->kind(), int(CStatusLabel::None));
        QVERIFY(!dlg.loggedIn());
    }

    void loginSucceeds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("autoLog");
        QTest::addColumn<int>("digits");
        QTest::newRow("nothing ticked") << "alice" << "pw" << false << false << 0;
        QTest::newRow("remember 8 bytes") << "alice" << "12345678" << true << false << 16;
        QTest::newRow("remember 9 bytes") << "alice" << "123456789" << true << false << 32;
        QTest::newRow("automatic") << "alice" << "pw" << false << true << 0;
        QTest::newRow("apostrophes") << "o'neil" << "it's''" << true << true << 16;
        QTest::newRow("chinese") << "张三丰" << "密码一二三" << true << true << 32;
    }
    void loginSucceeds()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, remember);
        QFETCH(bool, autoLog);
        QFETCH(int, digits);
        addUser(QStringLiteral("someone"), password);
        addUser(name, password, 1, 321);
        const int uid = theDatabase.queryInt("SELECT max(uid) FROM UserInfo_tbl;");

        CLoginDlg dlg;
        int result = -1;
        QTimer::singleShot(0, &dlg, [&] {
            typeInto(edit(&dlg, CLoginDlg::IdUserName), name);
            typeInto(edit(&dlg, CLoginDlg::IdPassword), password);
            if (remember)
                QTest::mouseClick(button(&dlg, CLoginDlg::IdRememberPassword), Qt::LeftButton, {}, QPoint(4, 4));
            if (autoLog)
                QTest::mouseClick(button(&dlg, CLoginDlg::IdAutoLog), Qt::LeftButton, {}, QPoint(4, 4));
            // Enter in the password box logs in like the button.
            QTest::keyClick(edit(&dlg, CLoginDlg::IdPassword), Qt::Key_Return);
        });
        QTimer::singleShot(5000, &dlg, &QDialog::reject);
        result = dlg.exec();

        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(dlg.loggedIn());
        QVERIFY(MessageBox::takeShown().isEmpty());
        QCOMPARE(theUser.uid, uid);
        QCOMPARE(theUser.username, name);
        QCOMPARE(theUser.type, 1);
        QCOMPARE(theUser.DayNum, 321);
        QCOMPARE(theUser.tid, 3);
        QCOMPARE(theUser.count, 7);
        QCOMPARE(theUser.TTSvolume, 55);
        QCOMPARE(theUser.TimesFrom, 0); // NULL
        QCOMPARE(theUser.DateFrom, QString());

        QCOMPARE(config::readLogin(config::kLastUser), name);
        const QString stored = config::readLogin(config::kRememberPas);
        QCOMPARE(stored.size(), digits);
        if (remember)
            QCOMPARE(ansi::toUnicode(UnscramblePassword(stored.toLatin1())), password);
        QCOMPARE(config::readLogin(config::kAutoLog), autoLog ? name : QString());
        if (name.contains(QLatin1Char('\'')))
            QVERIFY(!fileBytes(configPath()).contains("''neil"));
        // The name kept for the automatic log-in finds the row once quoted.
        if (autoLog)
            QCOMPARE(rowOf(config::readLogin(config::kAutoLog)).value(0), QString::number(uid));
    }

    void loginRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("wrong password") << "alice" << "secreT";
        QTest::newRow("password prefix") << "alice" << "secre";
        QTest::newRow("name case") << "Alice" << "secret";
        QTest::newRow("unknown user") << "carol" << "secret";
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("quote injection") << "alice' --" << "x' OR '1'='1";
    }
    void loginRefused()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        config::writeLogin(config::kLastUser, QStringLiteral("bob"));
        config::writeLogin(config::kAutoLog, QString());
        const QByteArray before = fileBytes(configPath());

        CLoginDlg dlg;
        QVERIFY(showActive(dlg));
        typeInto(edit(&dlg, CLoginDlg::IdUserName), name);
        typeInto(edit(&dlg, CLoginDlg::IdPassword), password);
        button(&dlg, CLoginDlg::IdRememberPassword)->SetCheck(true);
        button(&dlg, CLoginDlg::IdAutoLog)->SetCheck(true);
        QTest::mouseClick(button(&dlg, CLoginDlg::IdLogin), Qt::LeftButton);

        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.loggedIn());
        QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->kind(), int(CStatusLabel::Error));
        QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->text(), QStringLiteral("用户名或密码错误"));
        QCOMPARE(theUser.uid, 0);
        QCOMPARE(fileBytes(configPath()), before);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void rememberedKeysSurviveLaterLogins()
    {
        addUser(QStringLiteral("alice"), QStringLiteral("apw"));
        addUser(QStringLiteral("bob"), QStringLiteral("bpw"));
        const auto logIn = [](const QString &name, const QString &password, bool remember, bool autoLog) {
            CLoginDlg dlg;
            typeInto(edit(&dlg, CLoginDlg::IdUserName), name);
            typeInto(edit(&dlg, CLoginDlg::IdPassword), password);
            button(&dlg, CLoginDlg::IdRememberPassword)->SetCheck(remember);
            button(&dlg, CLoginDlg::IdAutoLog)->SetCheck(autoLog);
            QTest::mouseClick(button(&dlg, CLoginDlg::IdLogin), Qt::LeftButton);
            return dlg.result() == QDialog::Accepted;
        };
        QVERIFY(logIn(QStringLiteral("alice"), QStringLiteral("apw"), true, true));
        const QString alicePassword = config::readLogin(config::kRememberPas);
        QVERIFY(logIn(QStringLiteral("bob"), QStringLiteral("bpw"), false, false));
        QCOMPARE(config::readLogin(config::kLastUser), QStringLiteral("bob"));
        QCOMPARE(config::readLogin(config::kRememberPas), alicePassword);
        QCOMPARE(config::readLogin(config::kAutoLog), QStringLiteral("alice"));

        CLoginDlg next;
        QCOMPARE(edit(&next, CLoginDlg::IdUserName)->text(), QStringLiteral("bob"));
        QCOMPARE(edit(&next, CLoginDlg::IdPassword)->text(), QStringLiteral("apw"));
        QVERIFY(button(&next, CLoginDlg::IdRememberPassword)->GetCheck());
        QVERIFY(!button(&next, CLoginDlg::IdAutoLog)->GetCheck());
    }

    void loginStoreFailureStaysOpen_data()
    {
        QTest::addColumn<QByteArray>("breakage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("table dropped") << QByteArray("DROP TABLE UserInfo_tbl;") << "no such table";
        QTest::newRow("store closed") << QByteArray() << "not open";
    }
    void loginStoreFailureStaysOpen()
    {
        QFETCH(QByteArray, breakage);
        QFETCH(QString, expected);
        addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        const QByteArray before = fileBytes(configPath());
        theUser.uid = 99;
        CLoginDlg dlg;
        QVERIFY(showActive(dlg));
        typeInto(edit(&dlg, CLoginDlg::IdUserName), QStringLiteral("alice"));
        typeInto(edit(&dlg, CLoginDlg::IdPassword), QStringLiteral("secret"));
        button(&dlg, CLoginDlg::IdRememberPassword)->SetCheck(true);
        if (breakage.isEmpty())
            theDatabase.close();
        else
            theDatabase.execute(breakage.constData());
        QTest::mouseClick(button(&dlg, CLoginDlg::IdLogin), Qt::LeftButton);

        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(expected, Qt::CaseInsensitive), qPrintable(shown.first()));
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.loggedIn());
        QCOMPARE(theUser.uid, 99);
        QCOMPARE(fileBytes(configPath()), before);
    }

    void registerButtonRunsNewUserDialog()
    {
        CLoginDlg login;
        bool hiddenMeanwhile = false;
        bool shownAgain = false;
        QTimer::singleShot(0, &login, [&] {
            QTimer::singleShot(0, &login, [&] {
                auto *newUser = login.findChild<CNewUserDlg *>();
                if (!newUser)
                    return;
                hiddenMeanwhile = !login.isVisible() && newUser->isVisible();
                fillNewUser(newUser, QStringLiteral("新人"), QStringLiteral("pw'1"), QStringLiteral("30"),
                            CNewUserDlg::IdOrdinary);
                QTest::mouseClick(button(newUser, CNewUserDlg::IdOk), Qt::LeftButton);
            });
            QTest::mouseClick(button(&login, CLoginDlg::IdRegister), Qt::LeftButton);
            shownAgain = login.isVisible();
            // The new account still logs in through this dialog.
            typeInto(edit(&login, CLoginDlg::IdUserName), QStringLiteral("新人"));
            typeInto(edit(&login, CLoginDlg::IdPassword), QStringLiteral("pw'1"));
            QTest::mouseClick(button(&login, CLoginDlg::IdLogin), Qt::LeftButton);
        });
        QTimer::singleShot(5000, &login, &QDialog::reject);
        QCOMPARE(login.exec(), int(QDialog::Accepted));
        QVERIFY(hiddenMeanwhile);
        QVERIFY(shownAgain);
        QCOMPARE(theUser.username, QStringLiteral("新人"));
        QCOMPARE(theUser.DayNum, 30);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void loginCancelled()
    {
        addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        CLoginDlg dlg;
        QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
        QTimer::singleShot(5000, &dlg, &QDialog::accept);
        QCOMPARE(dlg.exec(), int(QDialog::Rejected));
        QVERIFY(!dlg.loggedIn());
        QCOMPARE(theUser.uid, 0);
    }

    void administratorRadio_data()
    {
        QTest::addColumn<QList<int>>("existingTypes");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no account") << QList<int>{} << true;
        QTest::newRow("ordinary accounts") << QList<int>{0, 0} << true;
        QTest::newRow("administrator exists") << QList<int>{0, 1} << false;
    }
    void administratorRadio()
    {
        QFETCH(QList<int>, existingTypes);
        QFETCH(bool, enabled);
        for (int i = 0; i < existingTypes.size(); ++i)
            addUser(QStringLiteral("u%1").arg(i), QStringLiteral("pw"), existingTypes[i]);
        CNewUserDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("新建用户"));
        QCOMPARE(button(&dlg, CNewUserDlg::IdAdministrator)->isEnabled(), enabled);
        QVERIFY(button(&dlg, CNewUserDlg::IdOrdinary)->isEnabled());
        QVERIFY(!button(&dlg, CNewUserDlg::IdOrdinary)->GetCheck());
        QVERIFY(!button(&dlg, CNewUserDlg::IdAdministrator)->GetCheck());
        for (int id : {1015, 1016, 1017, 1018})
            QCOMPARE(status(&dlg, id)->kind(), int(CStatusLabel::None));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void administratorQueryFailureLeavesRadioEnabled()
    {
        addUser(QStringLiteral("admin"), QStringLiteral("pw"), 1);
        theDatabase.close();
        CNewUserDlg dlg;
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(button(&dlg, CNewUserDlg::IdAdministrator)->isEnabled());
    }

    void firstAccountsDecideAdministratorChoice()
    {
        const auto create = [](const QString &name, int radioId) {
            CNewUserDlg dlg;
            const bool adminOffered = button(&dlg, CNewUserDlg::IdAdministrator)->isEnabled();
            fillNewUser(&dlg, name, QStringLiteral("pw"), QStringLiteral("20"), radioId);
            QTest::mouseClick(button(&dlg, CNewUserDlg::IdOk), Qt::LeftButton);
            return adminOffered && dlg.result() == QDialog::Accepted;
        };
        QVERIFY(create(QStringLiteral("first"), CNewUserDlg::IdOrdinary));
        QVERIFY(create(QStringLiteral("second"), CNewUserDlg::IdAdministrator));
        CNewUserDlg later;
        QVERIFY(!button(&later, CNewUserDlg::IdAdministrator)->isEnabled());
        // A click on the disabled radio chooses nothing.
        QTest::mouseClick(button(&later, CNewUserDlg::IdAdministrator), Qt::LeftButton, {}, QPoint(4, 4));
        QVERIFY(!button(&later, CNewUserDlg::IdAdministrator)->GetCheck());
    }

    void checksOnLeavingABox_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("password"); // what box 1014 holds meanwhile
        QTest::addColumn<int>("label");
        QTest::addColumn<QString>("verdict"); // empty: correct

        const QString pw = QStringLiteral("pw");
        QTest::newRow("name ok") << 1013 << "alice" << pw << 1015 << QString();
        QTest::newRow("name empty") << 1013 << "" << pw << 1015 << "长度范围1~10";
        QTest::newRow("name 10 bytes") << 1013 << "abcdefghij" << pw << 1015 << QString();
        QTest::newRow("name 11 bytes") << 1013 << "abcdefghijk" << pw << 1015 << "长度范围1~10";
        QTest::newRow("name 5 chinese") << 1013 << "一二三四五" << pw << 1015 << QString();
        QTest::newRow("name 6 chinese") << 1013 << "一二三四五六" << pw << 1015 << "长度范围1~10";
        QTest::newRow("name taken") << 1013 << "taken" << pw << 1015 << "此用户已存在";
        QTest::newRow("name taken, apostrophe") << 1013 << "o'neil" << pw << 1015 << "此用户已存在";
        QTest::newRow("name differs in case") << 1013 << "Taken" << pw << 1015 << QString();
        QTest::newRow("password empty") << 1014 << "" << pw << 1016 << "长度范围1~15";
        QTest::newRow("password 15 bytes") << 1014 << "abcdefghijklmno" << pw << 1016 << QString();
        QTest::newRow("password 16 bytes") << 1014 << "abcdefghijklmnop" << pw << 1016 << "长度范围1~15";
        QTest::newRow("password 15 bytes chinese") << 1014 << "一二三四五六七x" << pw << 1016 << QString();
        QTest::newRow("password 16 bytes chinese") << 1014 << "一二三四五六七八" << pw << 1016 << "长度范围1~15";
        QTest::newRow("confirmation equal") << 1003 << "p'w" << "p'w" << 1017 << QString();
        QTest::newRow("confirmation differs") << 1003 << "pW" << pw << 1017 << "两次输入不一致";
        QTest::newRow("confirmation longer") << 1003 << "pw " << pw << 1017 << "两次输入不一致";
        QTest::newRow("amount 4") << 1004 << "4" << pw << 1018 << "请输入5~1000的数";
        QTest::newRow("amount 5") << 1004 << "5" << pw << 1018 << QString();
        QTest::newRow("amount 1000") << 1004 << "1000" << pw << 1018 << QString();
        QTest::newRow("amount 1001") << 1004 << "1001" << pw << 1018 << "请输入5~1000的数";
        QTest::newRow("amount negative") << 1004 << "-20" << pw << 1018 << "请输入5~1000的数";
        QTest::newRow("amount empty") << 1004 << "" << pw << 1018 << "请输入5~1000的数";
    }
    void checksOnLeavingABox()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QString, password);
        QFETCH(int, label);
        QFETCH(QString, verdict);
        addUser(QStringLiteral("taken"), QStringLiteral("pw"));
        addUser(QStringLiteral("o'neil"), QStringLiteral("pw"));

        CNewUserDlg dlg;
        // Start on a button, so that only the box under test is ever left.
        button(&dlg, CNewUserDlg::IdCancel)->setFocus();
        QVERIFY(showActive(dlg));
        edit(&dlg, CNewUserDlg::IdPassword)->setText(password);
        CSkinEdit *tested = edit(&dlg, box);
        tested->setFocus(Qt::MouseFocusReason);
        typeInto(tested, text);
        QCOMPARE(tested->text(), text);
        CSkinEdit *elsewhere = edit(&dlg, box == 1013 ? 1004 : 1013);
        leave(tested, elsewhere);
        QVERIFY(elsewhere->hasFocus());

        QCOMPARE(status(&dlg, label)->kind(), int(verdict.isEmpty() ? CStatusLabel::Correct : CStatusLabel::Error));
        QCOMPARE(status(&dlg, label)->text(), verdict.isEmpty() ? QStringLiteral("正确") : verdict);
        for (int other : {1015, 1016, 1017, 1018})
            if (other != label)
                QCOMPARE(status(&dlg, other)->kind(), int(CStatusLabel::None));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void checksTakeCurrentValues()
    {
        CNewUserDlg dlg;
        QVERIFY(showActive(dlg));
        CSkinEdit *password = edit(&dlg, CNewUserDlg::IdPassword);
        CSkinEdit *confirm = edit(&dlg, CNewUserDlg::IdConfirm);
        QTest::mouseClick(password, Qt::LeftButton);
        typeInto(password, QStringLiteral("abc"));
        QTest::mouseClick(confirm, Qt::LeftButton);
        typeInto(confirm, QStringLiteral("abc"));
        QTest::mouseClick(password, Qt::LeftButton);
        QCOMPARE(status(&dlg, 1017)->text(), QStringLiteral("正确"));
        typeInto(password, QStringLiteral("abcd"));
        QTest::mouseClick(confirm, Qt::LeftButton);
        QCOMPARE(status(&dlg, 1017)->text(), QStringLiteral("正确")); // judged only when left
        QTest::mouseClick(password, Qt::LeftButton);
        QCOMPARE(status(&dlg, 1017)->text(), QStringLiteral("两次输入不一致"));

        // Switching to another window does not leave the box; coming back and moving on does.
        typeInto(password, QString());
        QWidget other;
        QVERIFY(showActive(other));
        QCOMPARE(status(&dlg, 1016)->text(), QStringLiteral("正确"));
        QVERIFY(showActive(dlg));
        QVERIFY(password->hasFocus());
        QTest::mouseClick(confirm, Qt::LeftButton);
        QCOMPARE(status(&dlg, 1016)->text(), QStringLiteral("长度范围1~15"));
    }

    void nonIntegerAmountKeepsPreviousValue()
    {
        CNewUserDlg dlg;
        QVERIFY(showActive(dlg));
        fillNewUser(&dlg, QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("50"), CNewUserDlg::IdOrdinary);
        CSkinEdit *amount = edit(&dlg, CNewUserDlg::IdDayNum);
        CSkinEdit *name = edit(&dlg, CNewUserDlg::IdUserName);
        QTest::mouseClick(amount, Qt::LeftButton);
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(status(&dlg, 1018)->text(), QStringLiteral("正确"));
        QVERIFY(MessageBox::takeShown().isEmpty());

        QTest::mouseClick(amount, Qt::LeftButton);
        typeInto(amount, QStringLiteral("5O"));
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QCOMPARE(status(&dlg, 1018)->kind(), int(CStatusLabel::Correct)); // 50 still in use
        // Every check takes every box, so leaving the name asks again.
        QTest::mouseClick(edit(&dlg, CNewUserDlg::IdPassword), Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QCOMPARE(status(&dlg, 1015)->text(), QStringLiteral("正确"));

        QTest::mouseClick(amount, Qt::LeftButton);
        typeInto(amount, QStringLiteral("4"));
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::mouseClick(amount, Qt::LeftButton);
        typeInto(amount, QStringLiteral("x"));
        MessageBox::takeShown();
        QTest::mouseClick(name, Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QCOMPARE(status(&dlg, 1018)->text(), QStringLiteral("请输入5~1000的数")); // 4 still in use

        // OK (Enter) with such a box creates nothing and hands the box back to the user.
        QTest::mouseClick(amount, Qt::LeftButton);
        typeInto(amount, QStringLiteral("60 days"));
        MessageBox::takeShown();
        QTest::keyClick(amount, Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QVERIFY(dlg.isVisible());
        QVERIFY(amount->hasFocus());
        QCOMPARE(amount->selectedText(), QStringLiteral("60 days"));
        QCOMPARE(userCount(), 0);

        typeInto(amount, QStringLiteral(" 60 "));
        QTest::keyClick(amount, Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(rowOf(QStringLiteral("amy")).value(5), QStringLiteral("60"));
    }

    void okRefusesIncompleteInput_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("radio");
        QTest::addColumn<QString>("message");
        QTest::newRow("no type chosen") << "amy" << "pw" << "pw" << "20" << 0 << kChooseType;
        QTest::newRow("name too long") << "一二三四五六" << "pw" << "pw" << "20" << 1006 << kFillIn;
        QTest::newRow("name taken") << "taken" << "pw" << "pw" << "20" << 1006 << kFillIn;
        QTest::newRow("password too long") << "amy" << "0123456789abcdef" << "0123456789abcdef" << "20" << 1006
                                           << kFillIn;
        QTest::newRow("confirmation differs") << "amy" << "pw" << "pW" << "20" << 1006 << kFillIn;
        QTest::newRow("amount 4") << "amy" << "pw" << "pw" << "4" << 1019 << kFillIn;
        QTest::newRow("amount 1001") << "amy" << "pw" << "pw" << "1001" << 1019 << kFillIn;
        QTest::newRow("invalid and no type") << "" << "pw" << "pw" << "20" << 0 << kFillIn;
    }
    void okRefusesIncompleteInput()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, amount);
        QFETCH(int, radio);
        QFETCH(QString, message);
        addUser(QStringLiteral("taken"), QStringLiteral("pw"));

        CNewUserDlg dlg;
        QVERIFY(showActive(dlg));
        fillNewUser(&dlg, name, password, amount, radio);
        typeInto(edit(&dlg, CNewUserDlg::IdConfirm), confirm);
        QTest::mouseClick(button(&dlg, CNewUserDlg::IdOk), Qt::LeftButton);
        QCOMPARE(MessageBox::takeShown(), QStringList{message});
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(userCount(), 1);
    }

    void createsAccount_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("radio");
        QTest::addColumn<QString>("type");
        QTest::newRow("ordinary") << "amy" << "pw" << "5" << 1006 << "0";
        QTest::newRow("administrator") << "root" << "abcdefghijklmno" << "1000" << 1019 << "1";
        QTest::newRow("apostrophes") << "o'neil" << "it''s" << "20" << 1006 << "0";
        QTest::newRow("chinese") << "一二三四五" << "密码" << "100" << 1019 << "1";
    }
    void createsAccount()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, amount);
        QFETCH(int, radio);
        QFETCH(QString, type);
        CNewUserDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            fillNewUser(&dlg, name, password, amount, radio);
            QTest::mouseClick(button(&dlg, CNewUserDlg::IdOk), Qt::LeftButton);
        });
        QTimer::singleShot(5000, &dlg, &QDialog::reject);
        QCOMPARE(dlg.exec(), int(QDialog::Accepted));
        QVERIFY(MessageBox::takeShown().isEmpty());

        QStringList row = rowOf(name);
        QCOMPARE(row.size(), 23);
        QVERIFY(row.first().toInt() > 0);
        row.removeFirst();
        const QStringList expected = QStringList{type, name, password}
                                     + QString::fromLatin1("-1 %1 0 -1 NULL NULL NULL NULL -1 0 0 0 0 -1 -1 0 0 40 1")
                                           .arg(amount)
                                           .split(QLatin1Char(' '));
        QCOMPARE(row, expected);

        CLoginDlg login;
        typeInto(edit(&login, CLoginDlg::IdUserName), name);
        typeInto(edit(&login, CLoginDlg::IdPassword), password);
        QTest::mouseClick(button(&login, CLoginDlg::IdLogin), Qt::LeftButton);
        QVERIFY(login.loggedIn());
        QCOMPARE(theUser.CloseExit, -1);
        QCOMPARE(theUser.TTSvolume, 40);
    }

    void insertFailureStaysOpen_data()
    {
        QTest::addColumn<bool>("closeStore");
        QTest::addColumn<int>("messages");
        QTest::newRow("insert refused") << false << 1;
        QTest::newRow("store closed") << true << 2; // the existence query fails first
    }
    void insertFailureStaysOpen()
    {
        QFETCH(bool, closeStore);
        QFETCH(int, messages);
        theDatabase.execute("CREATE TRIGGER refuse BEFORE INSERT ON UserInfo_tbl "
                            "BEGIN SELECT RAISE(ABORT, 'store refused the row'); END;");
        CNewUserDlg dlg;
        QVERIFY(showActive(dlg));
        fillNewUser(&dlg, QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("20"), CNewUserDlg::IdOrdinary);
        if (closeStore)
            theDatabase.close();
        QTest::mouseClick(button(&dlg, CNewUserDlg::IdOk), Qt::LeftButton);

        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), messages);
        QVERIFY2(shown.last().contains(QLatin1String(closeStore ? "not open" : "store refused the row")), qPrintable(shown.last()));
        QVERIFY(dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        if (!closeStore)
            QCOMPARE(userCount(), 0);
    }

    void layoutShowsWholeTexts_data()
    {
        QTest::addColumn<bool>("login");
        QTest::newRow("log-in dialog") << true;
        QTest::newRow("new-user dialog") << false;
    }
    void layoutShowsWholeTexts()
    {
        QFETCH(bool, login);
        std::unique_ptr<QDialog> dlg;
        if (login)
            dlg = std::make_unique<CLoginDlg>();
        else
            dlg = std::make_unique<CNewUserDlg>();
        QVERIFY(showActive(*dlg));
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize()); // not resizable
        QCOMPARE(dlg->palette().color(QPalette::Window), QColor(Qt::white));

        const auto labels = dlg->findChildren<QLabel *>();
        QVERIFY(labels.size() >= (login ? 4 : 6));
        for (QLabel *label : labels) {
            if (label->text().isEmpty())
                continue;
            const QSize need = label->fontMetrics().size(Qt::TextSingleLine, label->text());
            QVERIFY2(label->width() >= need.width() && label->height() >= need.height(), qPrintable(label->text()));
        }
        for (CSkinButton *b : dlg->findChildren<CSkinButton *>()) {
            const int text = b->fontMetrics().horizontalAdvance(b->text());
            const int frame = b->kind() == CSkinButton::Push ? 8 : b->frames().value(0).width() + 2;
            QVERIFY2(b->width() >= text + frame && b->height() >= b->fontMetrics().height(), qPrintable(b->text()));
        }
        // Room for the longest verdict next to its icon.
        const QString longest = login ? QStringLiteral("用户名或密码错误") : QStringLiteral("请输入5~1000的数");
        for (CStatusLabel *s : dlg->findChildren<CStatusLabel *>())
            QVERIFY(s->width() >= (login ? 20 : 16) + 3 + s->fontMetrics().horizontalAdvance(longest));
        // No two controls overlap.
        QList<QWidget *> parts;
        for (QWidget *w : dlg->findChildren<QWidget *>())
            if (w->isVisible() && !qobject_cast<QGroupBox *>(w) && w->parentWidget()
                && (w->parentWidget() == dlg.get() || qobject_cast<QGroupBox *>(w->parentWidget())))
                parts << w;
        for (int i = 0; i < parts.size(); ++i)
            for (int j = i + 1; j < parts.size(); ++j)
                if (parts[i]->parentWidget() == parts[j]->parentWidget())
                    QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                             qPrintable(parts[i]->objectName() + QLatin1Char('/') + parts[j]->objectName()));

        const QString shots = qEnvironmentVariable("QUILLORA_SCREENSHOT_DIR");
        const QString name = login ? QStringLiteral("login") : QStringLiteral("newuser");
        if (!shots.isEmpty())
            dlg->grab().save(QDir(shots).filePath(name + QStringLiteral(".png")));

        // The widest verdicts shown everywhere at once leave the layout as it was.
        const QSize before = dlg->size();
        int kind = CStatusLabel::Correct;
        for (CStatusLabel *s : dlg->findChildren<CStatusLabel *>())
            s->SetStatus(kind++ % 3, longest);
        QCoreApplication::processEvents();
        QCOMPARE(dlg->size(), before);
        if (!shots.isEmpty())
            dlg->grab().save(QDir(shots).filePath(name + QStringLiteral("-verdicts.png")));
    }
};

QTEST_MAIN(TestLoginDialogs)
#include "tst_login_dialogs.moc"
