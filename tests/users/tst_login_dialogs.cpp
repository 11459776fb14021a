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
const QString kCorrect = QStringLiteral("正确");

CSkinEdit *edit(QWidget *dlg, int id) { return control<CSkinEdit>(dlg, id); }
CSkinButton *button(QWidget *dlg, int id) { return control<CSkinButton>(dlg, id); }
CStatusLabel *status(QWidget *dlg, int id) { return control<CStatusLabel>(dlg, id); }
void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, 4)); }
void click(QWidget *dlg, int id) { click(button(dlg, id)); }

// Types as a user would: keys for ASCII, a committed input-method string for the rest.
void typeInto(QLineEdit *box, const QString &text)
{
    box->clear();
    if (text.toLatin1() == ansi::fromUnicode(text)) {
        QTest::keyClicks(box, text);
    } else {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(box, &commit);
    }
}

bool showActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

QByteArray configBytes()
{
    QFile f(config::path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void addUser(const QString &name, const QString &password, int type = 0)
{
    theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl (type, username, password, tid, DayNum, count, TTSvolume) "
                                  "VALUES (%d, '%s', '%s', 3, 321, 7, 55);",
                                  type, sqlQuote(name).constData(), sqlQuote(password).constData())
                            .constData());
}

int userCount() { return theDatabase.queryInt("SELECT count(*) FROM UserInfo_tbl;"); }

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

void fillLogin(QWidget *dlg, const QString &name, const QString &password, bool remember = false, bool autoLog = false)
{
    typeInto(edit(dlg, CLoginDlg::IdUserName), name);
    typeInto(edit(dlg, CLoginDlg::IdPassword), password);
    button(dlg, CLoginDlg::IdRememberPassword)->SetCheck(remember);
    button(dlg, CLoginDlg::IdAutoLog)->SetCheck(autoLog);
}

void fillNewUser(QWidget *dlg, const QString &name, const QString &password, const QString &amount, int radioId)
{
    typeInto(edit(dlg, CNewUserDlg::IdUserName), name);
    typeInto(edit(dlg, CNewUserDlg::IdPassword), password);
    typeInto(edit(dlg, CNewUserDlg::IdConfirm), password);
    typeInto(edit(dlg, CNewUserDlg::IdDayNum), amount);
    if (radioId)
        click(dlg, radioId);
}

} // namespace

class TestLoginDialogs : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;

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

    void loginOpens_data()
    {
        QTest::addColumn<QString>("lastUser");
        QTest::addColumn<QString>("remembered"); // stored scrambled
        QTest::addColumn<QString>("autoLog");
        QTest::newRow("empty config") << QString() << QString() << QString();
        QTest::newRow("name only") << "alice" << QString() << QString();
        QTest::newRow("remembered password") << "alice" << "s3cret" << QString();
        QTest::newRow("apostrophe, chinese, automatic") << "o'neil" << "张'三" << "o'neil";
    }
    void loginOpens()
    {
        QFETCH(QString, lastUser);
        QFETCH(QString, remembered);
        QFETCH(QString, autoLog);
        config::writeLogin(config::kLastUser, lastUser);
        config::writeLogin(config::kRememberPas, QString::fromLatin1(ScramblePassword(ansi::fromUnicode(remembered))));
        config::writeLogin(config::kAutoLog, autoLog);
        CLoginDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("用户登录"));
        QCOMPARE(edit(&dlg, CLoginDlg::IdUserName)->text(), lastUser);
        QCOMPARE(edit(&dlg, CLoginDlg::IdPassword)->text(), remembered);
        QCOMPARE(edit(&dlg, CLoginDlg::IdPassword)->echoMode(), QLineEdit::Password);
        QCOMPARE(button(&dlg, CLoginDlg::IdRememberPassword)->GetCheck(), !remembered.isEmpty());
        QVERIFY(!button(&dlg, CLoginDlg::IdAutoLog)->GetCheck());
        QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->kind(), int(CStatusLabel::None));
    }

    void loginAttempt_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("remember");
        QTest::addColumn<bool>("autoLog");
        QTest::addColumn<bool>("matches");
        QTest::newRow("nothing ticked") << "alice" << "secret" << false << false << true;
        QTest::newRow("remember, 8 bytes") << "bea" << "secret12" << true << false << true;
        QTest::newRow("remember, 9 bytes") << "cid" << "secret123" << true << true << true;
        QTest::newRow("apostrophes") << "o'neil" << "it's''" << true << true << true;
        QTest::newRow("chinese") << "张三丰" << "密码一二三" << true << true << true;
        QTest::newRow("wrong password") << "alice" << "secreT" << true << true << false;
        QTest::newRow("password prefix") << "alice" << "secre" << true << true << false;
        QTest::newRow("name case") << "Alice" << "secret" << true << true << false;
        QTest::newRow("empty") << QString() << QString() << true << true << false;
        QTest::newRow("quote injection") << "alice' --" << "x' OR '1'='1" << true << true << false;
    }
    void loginAttempt()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(bool, remember);
        QFETCH(bool, autoLog);
        QFETCH(bool, matches);
        addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        addUser(QStringLiteral("bea"), QStringLiteral("secret12"));
        addUser(QStringLiteral("cid"), QStringLiteral("secret123"));
        addUser(QStringLiteral("o'neil"), QStringLiteral("it's''"));
        addUser(QStringLiteral("张三丰"), QStringLiteral("密码一二三"), 1);
        config::writeLogin(config::kLastUser, QStringLiteral("bob"));
        const QByteArray before = configBytes();

        CLoginDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            fillLogin(&dlg, name, password, remember, autoLog);
            QTest::keyClick(edit(&dlg, CLoginDlg::IdPassword), Qt::Key_Return); // Enter works as the button
            if (!matches) {
                QVERIFY(dlg.isVisible());
                QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->kind(), int(CStatusLabel::Error));
                QCOMPARE(status(&dlg, CLoginDlg::IdStatus)->text(), QStringLiteral("用户名或密码错误"));
                QTest::keyClick(&dlg, Qt::Key_Escape);
            }
        });
        QTimer::singleShot(5000, &dlg, &QDialog::reject);
        QCOMPARE(dlg.exec(), int(matches ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(dlg.loggedIn(), matches);
        QVERIFY(MessageBox::takeShown().isEmpty());
        if (!matches) {
            QCOMPARE(theUser.uid, 0);
            QCOMPARE(configBytes(), before);
            return;
        }
        QCOMPARE(QString::number(theUser.uid), rowOf(name).value(0));
        QCOMPARE(theUser.username, name);
        QCOMPARE(theUser.type, name == QStringLiteral("张三丰") ? 1 : 0);
        QCOMPARE(theUser.DayNum, 321);
        QCOMPARE(theUser.count, 7);
        QCOMPARE(theUser.TTSvolume, 55);
        QCOMPARE(theUser.TimesFrom, 0); // NULL
        QCOMPARE(config::readLogin(config::kLastUser), name);
        QCOMPARE(config::readLogin(config::kAutoLog), autoLog ? name : QString());
        const QString scrambled = config::readLogin(config::kRememberPas);
        QCOMPARE(scrambled.size(), !remember ? 0 : ansi::byteLength(password) <= 8 ? 16 : 32);
        QCOMPARE(ansi::toUnicode(UnscramblePassword(scrambled.toLatin1())), remember ? password : QString());
        QVERIFY(!configBytes().contains("''neil"));
    }

    void rememberedKeysSurviveLaterLogins()
    {
        addUser(QStringLiteral("alice"), QStringLiteral("apw"));
        addUser(QStringLiteral("bob"), QStringLiteral("bpw"));
        const auto logIn = [](const QString &name, const QString &password, bool ticked) {
            CLoginDlg dlg;
            fillLogin(&dlg, name, password, ticked, ticked);
            click(&dlg, CLoginDlg::IdLogin);
            return dlg.result() == QDialog::Accepted;
        };
        QVERIFY(logIn(QStringLiteral("alice"), QStringLiteral("apw"), true));
        QVERIFY(logIn(QStringLiteral("bob"), QStringLiteral("bpw"), false));
        QCOMPARE(config::readLogin(config::kAutoLog), QStringLiteral("alice"));
        CLoginDlg next;
        QCOMPARE(edit(&next, CLoginDlg::IdUserName)->text(), QStringLiteral("bob"));
        QCOMPARE(edit(&next, CLoginDlg::IdPassword)->text(), QStringLiteral("apw"));
        QVERIFY(button(&next, CLoginDlg::IdRememberPassword)->GetCheck());
        QVERIFY(!button(&next, CLoginDlg::IdAutoLog)->GetCheck());
    }

    void storeFailureKeepsDialogOpen_data()
    {
        QTest::addColumn<bool>("login");
        QTest::addColumn<QByteArray>("breakage"); // empty: close the store
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("log-in, table dropped") << true << QByteArray("DROP TABLE UserInfo_tbl;")
                                               << QStringList{QStringLiteral("no such table")};
        QTest::newRow("log-in, store closed") << true << QByteArray() << QStringList{QStringLiteral("not open")};
        QTest::newRow("new user, insert refused")
            << false << QByteArray("CREATE TRIGGER t BEFORE INSERT ON UserInfo_tbl BEGIN SELECT RAISE(ABORT, 'refused'); END;")
            << QStringList{QStringLiteral("refused")};
        QTest::newRow("new user, store closed") // the existence query fails first and counts as free
            << false << QByteArray() << QStringList{QStringLiteral("not open"), QStringLiteral("not open")};
    }
    void storeFailureKeepsDialogOpen()
    {
        QFETCH(bool, login);
        QFETCH(QByteArray, breakage);
        QFETCH(QStringList, shown);
        addUser(QStringLiteral("alice"), QStringLiteral("secret"));
        const QByteArray before = configBytes();
        std::unique_ptr<QDialog> dlg;
        login ? dlg.reset(new CLoginDlg) : dlg.reset(new CNewUserDlg);
        QVERIFY(showActive(*dlg));
        if (login) {
            fillLogin(dlg.get(), QStringLiteral("alice"), QStringLiteral("secret"), true, true);
        } else {
            fillNewUser(dlg.get(), QStringLiteral("amy"), QStringLiteral("pw"), QStringLiteral("20"), CNewUserDlg::IdOrdinary);
        }
        breakage.isEmpty() ? theDatabase.close() : void(theDatabase.execute(breakage.constData()));
        click(dlg.get(), 1);

        const QStringList texts = MessageBox::takeShown();
        QCOMPARE(texts.size(), shown.size());
        for (int i = 0; i < texts.size(); ++i)
            QVERIFY2(texts[i].contains(shown[i]), qPrintable(texts[i]));
        QVERIFY(dlg->isVisible());
        QCOMPARE(dlg->result(), int(QDialog::Rejected));
        QCOMPARE(theUser.uid, 0);
        QCOMPARE(configBytes(), before);
        if (!login && theDatabase.isOpen())
            QCOMPARE(rowOf(QStringLiteral("amy")), QStringList());
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
                hiddenMeanwhile = newUser && newUser->isVisible() && !login.isVisible();
                fillNewUser(newUser, QStringLiteral("新人"), QStringLiteral("pw'1"), QStringLiteral("30"),
                            CNewUserDlg::IdOrdinary);
                click(newUser, CNewUserDlg::IdOk);
            });
            click(&login, CLoginDlg::IdRegister);
            shownAgain = login.isVisible();
            // Later, so that a log-in dialog whose run ended with the registration is caught.
            QTimer::singleShot(0, &login, [&] {
                fillLogin(&login, QStringLiteral("新人"), QStringLiteral("pw'1")); // a new account logs in here
                click(&login, CLoginDlg::IdLogin);
            });
        });
        QTimer::singleShot(5000, &login, &QDialog::reject);
        QCOMPARE(login.exec(), int(QDialog::Accepted));
        QVERIFY(hiddenMeanwhile);
        QVERIFY(shownAgain);
        QCOMPARE(theUser.username, QStringLiteral("新人"));
        QCOMPARE(theUser.DayNum, 30);
    }

    void administratorChoice()
    {
        const auto create = [](const QString &name, int radioId) {
            CNewUserDlg dlg;
            const bool offered = button(&dlg, CNewUserDlg::IdAdministrator)->isEnabled();
            const bool noneChosen = !button(&dlg, CNewUserDlg::IdOrdinary)->GetCheck()
                                    && !button(&dlg, CNewUserDlg::IdAdministrator)->GetCheck();
            fillNewUser(&dlg, name, QStringLiteral("pw"), QStringLiteral("20"), radioId);
            click(&dlg, CNewUserDlg::IdOk);
            return offered && noneChosen && dlg.result() == QDialog::Accepted;
        };
        QVERIFY(create(QStringLiteral("first"), CNewUserDlg::IdOrdinary));
        QVERIFY(create(QStringLiteral("second"), CNewUserDlg::IdAdministrator));
        CNewUserDlg later;
        QCOMPARE(later.windowTitle(), QStringLiteral("新建用户"));
        QVERIFY(!button(&later, CNewUserDlg::IdAdministrator)->isEnabled());
        click(&later, CNewUserDlg::IdAdministrator);
        QVERIFY(!button(&later, CNewUserDlg::IdAdministrator)->GetCheck());
        QVERIFY(MessageBox::takeShown().isEmpty());

        theDatabase.close(); // the query fails: shown, and the choice stays open
        CNewUserDlg failing;
        QCOMPARE(MessageBox::takeShown().size(), 1);
        QVERIFY(button(&failing, CNewUserDlg::IdAdministrator)->isEnabled());
    }

    void checksOnLeavingABox_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("verdict"); // label: the box's in 1015..1018 order
        const QString name = QStringLiteral("长度范围1~10"), pw = QStringLiteral("长度范围1~15");
        const QString amount = QStringLiteral("请输入5~1000的数");
        QTest::newRow("name ok") << 1013 << "alice" << kCorrect;
        QTest::newRow("name empty") << 1013 << "" << name;
        QTest::newRow("name 10 bytes") << 1013 << "abcdefghij" << kCorrect;
        QTest::newRow("name 11 bytes") << 1013 << "abcdefghijk" << name;
        QTest::newRow("name 5 chinese") << 1013 << "一二三四五" << kCorrect;
        QTest::newRow("name 6 chinese") << 1013 << "一二三四五六" << name;
        QTest::newRow("name taken") << 1013 << "o'neil" << "此用户已存在";
        QTest::newRow("name differs in case") << 1013 << "O'neil" << kCorrect;
        QTest::newRow("password empty") << 1014 << "" << pw;
        QTest::newRow("password 15 bytes") << 1014 << "一二三四五六七x" << kCorrect;
        QTest::newRow("password 16 bytes") << 1014 << "abcdefghijklmnop" << pw;
        QTest::newRow("confirmation equal") << 1003 << "p'w" << kCorrect;
        QTest::newRow("confirmation differs") << 1003 << "P'w" << "两次输入不一致";
        QTest::newRow("amount 4") << 1004 << "4" << amount;
        QTest::newRow("amount 5") << 1004 << "5" << kCorrect;
        QTest::newRow("amount 1000") << 1004 << "1000" << kCorrect;
        QTest::newRow("amount 1001") << 1004 << "1001" << amount;
        QTest::newRow("amount empty") << 1004 << "" << amount;
    }
    void checksOnLeavingABox()
    {
        QFETCH(int, box);
        QFETCH(QString, text);
        QFETCH(QString, verdict);
        addUser(QStringLiteral("o'neil"), QStringLiteral("pw"));
        CNewUserDlg dlg;
        button(&dlg, CNewUserDlg::IdCancel)->setFocus(); // so that only the box under test is left
        QVERIFY(showActive(dlg));
        edit(&dlg, CNewUserDlg::IdPassword)->setText(QStringLiteral("p'w"));
        click(edit(&dlg, box));
        typeInto(edit(&dlg, box), text);
        click(edit(&dlg, box == 1013 ? 1004 : 1013));

        const QList<int> boxes{1013, 1014, 1003, 1004};
        for (int i = 0; i < 4; ++i) {
            CStatusLabel *label = status(&dlg, 1015 + i);
            const int kind = boxes[i] != box ? CStatusLabel::None : verdict == kCorrect ? CStatusLabel::Correct : CStatusLabel::Error;
            QCOMPARE(label->kind(), kind);
            QCOMPARE(label->text(), boxes[i] == box ? verdict : QString());
        }
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void checksTakeCurrentValues()
    {
        CNewUserDlg dlg;
        QVERIFY(showActive(dlg));
        CSkinEdit *password = edit(&dlg, CNewUserDlg::IdPassword), *confirm = edit(&dlg, CNewUserDlg::IdConfirm);
        CSkinEdit *name = edit(&dlg, CNewUserDlg::IdUserName), *amount = edit(&dlg, CNewUserDlg::IdDayNum);
        fillNewUser(&dlg, QStringLiteral("amy"), QStringLiteral("abc"), QStringLiteral("50"), 0);
        click(password);
        typeInto(password, QStringLiteral("abcd"));
        click(confirm);
        click(password);
        QCOMPARE(status(&dlg, 1017)->text(), QStringLiteral("两次输入不一致"));

        // Switching windows does not leave the box; moving on after coming back does.
        typeInto(password, QString());
        QWidget other;
        QVERIFY(showActive(other));
        QVERIFY(showActive(dlg));
        QCOMPARE(status(&dlg, 1016)->text(), kCorrect);
        click(amount);
        QCOMPARE(status(&dlg, 1016)->text(), QStringLiteral("长度范围1~15"));

        // A non-integer amount is refused by every check; the amount taken last stays.
        typeInto(amount, QStringLiteral("5O"));
        click(name);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QCOMPARE(status(&dlg, 1018)->text(), kCorrect);
        click(password);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QCOMPARE(status(&dlg, 1015)->text(), kCorrect);

        // OK (here by Enter) takes no account from it and hands the box back.
        typeInto(password, QStringLiteral("abc"));
        click(&dlg, CNewUserDlg::IdOrdinary);
        MessageBox::takeShown();
        QTest::keyClick(amount, Qt::Key_Return);
        QCOMPARE(MessageBox::takeShown(), QStringList{kEnterInteger});
        QVERIFY(amount->hasFocus() && amount->selectedText() == QStringLiteral("5O"));
        typeInto(amount, QStringLiteral(" 60 "));
        QTest::keyClick(amount, Qt::Key_Return);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(rowOf(QStringLiteral("amy")).value(5), QStringLiteral("60"));
    }

    void submitNewUser_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("radio");
        QTest::addColumn<QString>("message"); // empty: the account is created
        QTest::newRow("no type chosen") << "amy" << "pw" << "pw" << "20" << 0 << kChooseType;
        QTest::newRow("invalid and no type") << "" << "pw" << "pw" << "20" << 0 << kFillIn;
        QTest::newRow("name too long") << "一二三四五六" << "pw" << "pw" << "20" << 1006 << kFillIn;
        QTest::newRow("name taken") << "taken" << "pw" << "pw" << "20" << 1006 << kFillIn;
        QTest::newRow("password too long") << "amy" << "0123456789abcdef" << "0123456789abcdef" << "20" << 1006 << kFillIn;
        QTest::newRow("confirmation differs") << "amy" << "pw" << "pW" << "20" << 1006 << kFillIn;
        QTest::newRow("amount 4") << "amy" << "pw" << "pw" << "4" << 1019 << kFillIn;
        QTest::newRow("amount 1001") << "amy" << "pw" << "pw" << "1001" << 1019 << kFillIn;
        QTest::newRow("ordinary") << "amy" << "pw" << "pw" << "5" << 1006 << QString();
        QTest::newRow("administrator") << "root" << "abcdefghijklmno" << "abcdefghijklmno" << "1000" << 1019 << QString();
        QTest::newRow("apostrophes") << "o'neil" << "it''s" << "it''s" << "20" << 1006 << QString();
        QTest::newRow("chinese") << "一二三四五" << "密码" << "密码" << "100" << 1019 << QString();
    }
    void submitNewUser()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, amount);
        QFETCH(int, radio);
        QFETCH(QString, message);
        addUser(QStringLiteral("taken"), QStringLiteral("pw"));
        CNewUserDlg dlg;
        QTimer::singleShot(0, &dlg, [&] {
            fillNewUser(&dlg, name, password, amount, radio);
            typeInto(edit(&dlg, CNewUserDlg::IdConfirm), confirm);
            click(&dlg, CNewUserDlg::IdOk);
            if (dlg.isVisible())
                dlg.reject();
        });
        QTimer::singleShot(5000, &dlg, &QDialog::reject);
        QCOMPARE(dlg.exec(), int(message.isEmpty() ? QDialog::Accepted : QDialog::Rejected));
        QCOMPARE(MessageBox::takeShown(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!message.isEmpty()) {
            QCOMPARE(userCount(), 1);
            return;
        }
        QStringList row = rowOf(name);
        QCOMPARE(row.size(), 23);
        QVERIFY(row.takeFirst().toInt() > 0);
        QCOMPARE(row, QStringList({radio == 1019 ? QStringLiteral("1") : QStringLiteral("0"), name, password})
                          + QString::fromLatin1("-1 %1 0 -1 NULL NULL NULL NULL -1 0 0 0 0 -1 -1 0 0 40 1")
                                .arg(amount)
                                .split(QLatin1Char(' ')));
        CLoginDlg login;
        fillLogin(&login, name, password);
        click(&login, CLoginDlg::IdLogin);
        QVERIFY(login.loggedIn());
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
        login ? dlg.reset(new CLoginDlg) : dlg.reset(new CNewUserDlg);
        QVERIFY(showActive(*dlg));
        QCOMPARE(dlg->minimumSize(), dlg->maximumSize());
        QCOMPARE(dlg->palette().color(QPalette::Window), QColor(Qt::white));
        for (QLabel *label : dlg->findChildren<QLabel *>()) {
            const QSize need = label->fontMetrics().size(Qt::TextSingleLine, label->text());
            QVERIFY2(label->width() >= need.width() && label->height() >= need.height(), qPrintable(label->text()));
        }
        for (CSkinButton *b : dlg->findChildren<CSkinButton *>()) {
            const int frame = b->kind() == CSkinButton::Push ? 8 : b->frames().value(0).width() + 2;
            QVERIFY2(b->width() >= b->fontMetrics().horizontalAdvance(b->text()) + frame, qPrintable(b->text()));
        }
        const QString shots = qEnvironmentVariable("QUILLORA_SCREENSHOT_DIR");
        const QString file = login ? QStringLiteral("login") : QStringLiteral("newuser");
        if (!shots.isEmpty())
            dlg->grab().save(QDir(shots).filePath(file + QStringLiteral(".png")));

        // The widest verdicts, shown everywhere at once, fit without moving anything.
        const QString longest = login ? QStringLiteral("用户名或密码错误") : QStringLiteral("请输入5~1000的数");
        const QSize before = dlg->size();
        int kind = 0;
        for (CStatusLabel *s : dlg->findChildren<CStatusLabel *>()) {
            s->SetStatus(kind++ % 3, longest);
            QVERIFY(s->width() >= (login ? 20 : 16) + 3 + s->fontMetrics().horizontalAdvance(longest));
        }
        QCoreApplication::processEvents();
        QCOMPARE(dlg->size(), before);
        if (!shots.isEmpty())
            dlg->grab().save(QDir(shots).filePath(file + QStringLiteral("-verdicts.png")));
    }
};

QTEST_MAIN(TestLoginDialogs)
#include "tst_login_dialogs.moc"
