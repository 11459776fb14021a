#include "app/QuilloraApp.h"
#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "platform/FileDialog.h"
#include "support/DataFolderSupport.h"
#include "support/GuiTestSupport.h"
#include "ui/TranslucentButton.h"
#include "users/LoginDlg.h"
#include "users/NewUserDlg.h"
#include "users/SettingsDlg.h"
#include "wordlists/ThesaurusDlg.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QThread>

#include <cctype>

using namespace testsupport;

namespace {
// Permissions as the owner, the group and others see them.
QFile::Permissions permissions(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}
constexpr QFile::Permissions kOwnerFile = QFile::ReadOwner | QFile::WriteOwner;
constexpr QFile::Permissions kOwnerFolder = kOwnerFile | QFile::ExeOwner;

QByteArray mappedFiles()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) ? maps.readAll() : QByteArray();
}

// The kilobytes of font files resident in the process (FreeType maps the faces it reads).
qint64 residentFontKb()
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return -1;
    qint64 total = 0;
    bool font = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        if (std::isxdigit(uchar(line[0])) && !std::isupper(uchar(line[0]))) { // a mapping's first line
            const QByteArray path = line.mid(line.indexOf('/')).trimmed().toLower();
            font = line.contains('/') && (path.endsWith(".ttf") || path.endsWith(".ttc") || path.endsWith(".otf") || path.endsWith(".otc"));
        } else if (font && line.startsWith("Rss:")) {
            total += line.mid(4).simplified().split(' ').value(0).toLongLong();
        }
    }
    return total;
}

// An X server of the test's own (Xvfb), as the program meets one on a desktop: the
// offscreen platform of the other tests shows nothing of what the X platform prints.
class PrivateXServer
{
public:
    PrivateXServer()
    {
        for (int n = 200 + int(QCoreApplication::applicationPid() % 500), tries = 0; tries < 20; ++n, ++tries) {
            const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
            if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_server.start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                                                    QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            if (!m_server.waitForStarted(5000))
                return;
            for (int wait = 0; wait < 500 && m_server.state() == QProcess::Running && !QFile::exists(socket); ++wait)
                QThread::msleep(20);
            if (m_server.state() == QProcess::Running && QFile::exists(socket)) {
                m_display = QStringLiteral(":%1").arg(n);
                return;
            }
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }
    ~PrivateXServer()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString display() const { return m_display; }

private:
    QProcess m_server;
    QString m_display;
};
} // namespace

// The real start-up, in this process: first start in an empty folder, registration,
// log-in, the home window, word lists imported in both encodings, chosen and deleted.
class TestStartupEndToEnd : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;

    QString writeList(const QString &name, const QByteArray &data)
    {
        const QString path = m_files.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(data);
        return path;
    }

    static void fill(QWidget *dlg, int id, const QString &text)
    {
        auto *edit = control<QLineEdit>(dlg, id);
        QVERIFY2(edit, qPrintable(QString::number(id)));
        edit->setFocus();
        edit->setText(text);
    }

    static void chooseList(CThesaurusDlg *dlg, const QString &itemText)
    {
        auto *lists = control<QComboBox>(dlg, CThesaurusDlg::IDC_LISTS);
        const int index = lists->findText(itemText);
        QVERIFY2(index >= 0, qPrintable(itemText));
        lists->setCurrentIndex(index);
    }

private Q_SLOTS:
    void initTestCase()
    {
        setUpApplication();
        MessageBox::setTestMode(true);
    }

    void firstStartToDeletion()
    {
        QTemporaryDir top;
        // A folder the program makes itself, as on a first start.
        const QDir dataDir(top.filePath(QStringLiteral("Quillora")));
        const QString utf8 = writeList(QStringLiteral("基础.txt"),
                                       QStringLiteral("apple [ˈæpl]\nn. 苹果\n\nwater [ˈwɔːtə]\nn. 水\n\nbook [bʊk]\nn. 书\n").toUtf8());
        const QString gbk = writeList(QStringLiteral("GBK词库.txt"),
                                      ansi::fromUnicode(u"abandon [əˈbændən]\nv. 放弃；抛弃\n\nit's [ɪts]\n它是\n"));
        const QString third = writeList(QStringLiteral("third.txt"), "x1\ny\n\nx2\ny\n");

        // Registration (an administrator whose name has an apostrophe and Chinese).
        const QString name = QStringLiteral("张'三");
        auto registered = onModal<CNewUserDlg>([&](CNewUserDlg *dlg) {
            fill(dlg, CNewUserDlg::IdUserName, name);
            fill(dlg, CNewUserDlg::IdPassword, QStringLiteral("pa'ss"));
            fill(dlg, CNewUserDlg::IdConfirm, QStringLiteral("pa'ss"));
            fill(dlg, CNewUserDlg::IdDayNum, QStringLiteral("20"));
            click(dlg, CNewUserDlg::IdAdministrator);
            click(dlg, CNewUserDlg::IdOk);
        });
        auto loggedIn = onModal<CLoginDlg>([&](CLoginDlg *dlg) {
            QCOMPARE(control<QLineEdit>(dlg, CLoginDlg::IdUserName)->text(), QString());
            fill(dlg, CLoginDlg::IdUserName, name);
            fill(dlg, CLoginDlg::IdPassword, QStringLiteral("pa'ss"));
            click(dlg, CLoginDlg::IdLogin);
        });
        // No word list at all: the import from the free folder, then the choice.
        FileDialog::setNextFileName(utf8);
        auto chosen = onModal<CThesaurusDlg>([&](CThesaurusDlg *dlg) {
            chooseList(dlg, QStringLiteral("基础 (3个)"));
            click(dlg, CThesaurusDlg::IDOK);
        });

        CQuilloraApp app(dataDir.path());
        QVERIFY(app.startUp());
        QVERIFY(*registered && *loggedIn && *chosen);
        QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.value(0), QStringLiteral("检测到您的单词词库为空，请添加！\n说明：\n如果您是第一次使用本软件，请找到本软件目录下\n的“赠送词库”文件夹添加词库"));
        QCOMPARE(shown.value(1), QStringLiteral("尚未选择任何词库，请选择！"));

        // The files of the first start.
        QVERIFY(QFile::exists(dataDir.filePath(QStringLiteral("config.ini"))));
        QFile db(dataDir.filePath(QStringLiteral("data.db")));
        QVERIFY(db.open(QIODevice::ReadOnly));
        QVERIFY(!db.read(16).startsWith("SQLite format 3")); // encrypted
        QCOMPARE(config::readLogin(config::kLastUser), name); // as typed
        // Only their owner may read them, config.ini also after it was rewritten.
        QCOMPARE(permissions(dataDir.path()), kOwnerFolder);
        QCOMPARE(permissions(dataDir.filePath(QStringLiteral("data.db"))), kOwnerFile);
        QCOMPARE(permissions(dataDir.filePath(QStringLiteral("config.ini"))), kOwnerFile);

        CHomeDlg *home = app.homeWindow();
        QVERIFY(home && home->isVisible());
        QCOMPARE(home->size(), QSize(535, 361));
        // Waiting at the home window, nothing that only pages, speech and the update
        // check need is mapped.
        const QList<const char *> webEngine{"libQt6WebEngineCore", "libQt6WebChannel", "libQt6Quick.", "libQt6Qml."};
        const auto checkUnmapped = [](const QList<const char *> &libraries) {
            const QByteArray maps = mappedFiles();
            QVERIFY(maps.contains("libQt6Widgets"));
            for (const char *library : libraries)
                QVERIFY2(!maps.contains(library), library);
        };
        checkUnmapped(webEngine + QList<const char *>{"libQt6TextToSpeech", "libQt6Network"});
        QVERIFY(residentFontKb() > 0); // the home window's text was laid out
        // Nor once the settings were opened and closed (to change the day's amount,
        // say): what was loaded would stay for the rest of the day.
        auto settingsClosed = onModal<CSettingsDlg>([](CSettingsDlg *dlg) { dlg->reject(); });
        Q_EMIT home->button(CHomeDlg::IDC_SETTINGS)->clicked();
        QVERIFY(*settingsClosed);
        checkUnmapped(webEngine + QList<const char *>{"libQt6TextToSpeech"});
        // Nor the pages of the faces the dialog's text was read from (megabytes of a CJK
        // face's outlines): new text reads them from the file again.
        QCOMPARE(residentFontKb(), 0);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(theUser.username, name);
        QCOMPARE(theUser.type, 1);
        QCOMPARE(theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl WHERE uid = %d;", theUser.uid).constData()), 3);

        // A GBK list imported from the word-list dialog and chosen: the trigger seeds rows.
        FileDialog::setNextFileName(gbk);
        auto second = onModal<CThesaurusDlg>([&](CThesaurusDlg *dlg) {
            click(dlg, CThesaurusDlg::IDC_IMPORT);
            QCOMPARE(MessageBox::takeShown(), QStringList());
            chooseList(dlg, QStringLiteral("GBK词库 (2个)"));
            click(dlg, CThesaurusDlg::IDOK);
        });
        home->mainWindow()->runWordListDialog();
        QVERIFY(*second);
        QCOMPARE(theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl WHERE uid = %d;", theUser.uid).constData()), 5);
        CppSQLite3Cursor word = theDatabase.query("SELECT name, phonetic, interp FROM words_tbl WHERE name = 'abandon';");
        QCOMPARE(ansi::toUnicode(word.value(1)), QStringLiteral("əˈbændən"));
        QCOMPARE(ansi::toUnicode(word.value(2)), QStringLiteral("v. 放弃；抛弃"));
        word.finalize();
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM DayList_tbl;"), 2); // rebuilt for the new list

        // As administrator, delete a third list.
        FileDialog::setNextFileName(third);
        auto deleted = onModal<CThesaurusDlg>([&](CThesaurusDlg *dlg) {
            click(dlg, CThesaurusDlg::IDC_IMPORT);
            QVERIFY(control<QWidget>(dlg, CThesaurusDlg::IDC_DELETE)->isVisible());
            chooseList(dlg, QStringLiteral("third (2个)"));
            click(dlg, CThesaurusDlg::IDC_DELETE);
            QCOMPARE(control<QComboBox>(dlg, CThesaurusDlg::IDC_LISTS)->count(), 2);
            click(dlg, CThesaurusDlg::IDCANCEL);
        });
        home->mainWindow()->runWordListDialog();
        QVERIFY(*deleted);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl WHERE name = 'third';"), 0);
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM words_tbl WHERE name IN ('x1', 'x2');"), 0);

        app.shutDown();
        QVERIFY(!theDatabase.isOpen());
    }

    // The built program, started as on a desktop by a learner logged in automatically:
    // nothing reaches the terminal on the way to the home window and while it waits there.
    void normalStartPrintsNothing()
    {
        QTemporaryDir dataDir;
        QTemporaryDir runtimeDir;
        testsupport::prepareAutoLogin(dataDir.path());
        const PrivateXServer x;
        QVERIFY2(!x.display().isEmpty(), "Xvfb did not start");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), x.display());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("QT_XCB_GL_INTEGRATION"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir.path());
        env.insert(QStringLiteral("QUILLORA_UPDATE_URL"), QString());
        // Only the start-up's own progress lines are asked for, each with its category,
        // so anything else the run prints stands out.
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quillora.startup.info=true"));
        env.insert(QStringLiteral("QT_MESSAGE_PATTERN"), QStringLiteral("%{category}: %{message}"));
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QStringLiteral(QUILLORA_PATH), {QStringLiteral("--data-dir"), dataDir.path()});
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += program.readAll()).contains("home window shown"), 30000);
        QTest::qWait(2000); // a moment at the home window
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        output += program.readAll();
        QStringList printed;
        for (const QByteArray &line : output.split('\n'))
            if (!line.isEmpty() && !line.startsWith("quillora.startup: "))
                printed << QString::fromLocal8Bit(line);
        QVERIFY2(printed.isEmpty(), qPrintable(printed.join(u'\n')));
    }

    void cancellingTheFirstDialogEnds()
    {
        QTemporaryDir dataDir;
        onModal<CNewUserDlg>([](CNewUserDlg *dlg) { dlg->reject(); });
        CQuilloraApp app(dataDir.path());
        QVERIFY(!app.startUp());
        QVERIFY(!app.homeWindow());
        // Both files stay.
        QVERIFY(QFile::exists(dataDir.filePath(QStringLiteral("config.ini"))));
        QCOMPARE(QFileInfo(dataDir.filePath(QStringLiteral("config.ini"))).size(), 0);
        QVERIFY(QFileInfo(dataDir.filePath(QStringLiteral("data.db"))).size() > 0);
        app.shutDown();
        CppSQLite3Connection db;
        store::openStore(db, dataDir.filePath(QStringLiteral("data.db")));
        QCOMPARE(db.queryInt("SELECT count(*) FROM SoftInfo_tbl;"), 1);
        QCOMPARE(db.queryInt("SELECT count(*) FROM UserInfo_tbl;"), 0);
    }

    void autoLogOfAMissingUser()
    {
        QTemporaryDir dataDir;
        {
            QDir::setCurrent(dataDir.path());
            CppSQLite3Connection db;
            store::openStore(db, dataDir.filePath(QStringLiteral("data.db")));
            db.execute("INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'real', 'pw', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
            config::initialise(dataDir.path());
            config::writeLogin(config::kAutoLog, QStringLiteral("gone"));
        }
        auto login = onModal<CLoginDlg>([](CLoginDlg *dlg) { dlg->reject(); });
        CQuilloraApp app(dataDir.path());
        QVERIFY(!app.startUp());
        QVERIFY(*login);
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("程序配置错误！自动登录设置成了不存在的用户，\n程序将转到登录窗口！")});
        QCOMPARE(config::readLogin(config::kAutoLog), QString());
    }

    void autoLogWithAnApostrophe()
    {
        QTemporaryDir dataDir;
        {
            QDir::setCurrent(dataDir.path());
            CppSQLite3Connection db;
            store::openStore(db, dataDir.filePath(QStringLiteral("data.db")));
            db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'l'); INSERT INTO words_tbl VALUES (NULL, 1, 'w', 'x', 'y');");
            db.execute("INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'o''neil', 'pw', 1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
            config::initialise(dataDir.path());
            config::writeLogin(config::kAutoLog, QStringLiteral("o'neil"));
        }
        // Files left readable to all are made private at start.
        QFile::setPermissions(dataDir.path(), kOwnerFolder | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        for (const char *file : {"data.db", "config.ini"})
            QFile::setPermissions(dataDir.filePath(QString::fromLatin1(file)), kOwnerFile | QFile::ReadGroup | QFile::WriteOther);
        CQuilloraApp app(dataDir.path());
        QVERIFY(app.startUp()); // no dialog at all
        QCOMPARE(permissions(dataDir.path()), kOwnerFolder);
        QCOMPARE(permissions(dataDir.filePath(QStringLiteral("data.db"))), kOwnerFile);
        QCOMPARE(permissions(dataDir.filePath(QStringLiteral("config.ini"))), kOwnerFile);
        // The journal of a transaction is as private as the store.
        theDatabase.execute("BEGIN TRANSACTION; DELETE FROM words_tbl;");
        QCOMPARE(permissions(dataDir.filePath(QStringLiteral("data.db-journal"))), kOwnerFile);
        theDatabase.execute("ROLLBACK TRANSACTION;");
        QCOMPARE(theUser.username, QStringLiteral("o'neil"));
        QCOMPARE(MessageBox::takeShown(), QStringList());
        // The per-run temporary objects exist.
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM temp.sqlite_master WHERE name LIKE 'tmp_NoOrder%';"), 2);
        app.shutDown();
    }

    void foreignDataFileIsReported()
    {
        QTemporaryDir dataDir;
        {
            CppSQLite3Connection plain; // an ordinary SQLite file, not ours
            plain.open(QFile::encodeName(dataDir.filePath(QStringLiteral("data.db"))).constData());
            plain.execute("CREATE TABLE mine (x); INSERT INTO mine VALUES (42);");
        }
        QFile before(dataDir.filePath(QStringLiteral("data.db")));
        before.open(QIODevice::ReadOnly);
        const QByteArray bytes = before.readAll();
        before.close();
        auto login = onModal<CLoginDlg>([](CLoginDlg *dlg) { dlg->reject(); });
        CQuilloraApp app(dataDir.path());
        QVERIFY(!app.startUp());
        QVERIFY(*login);
        QCOMPARE(MessageBox::takeShown().value(0), QStringLiteral("UNKNOWN_ERROR[26]: file is not a database"));
        app.shutDown();
        QFile after(dataDir.filePath(QStringLiteral("data.db")));
        after.open(QIODevice::ReadOnly);
        QCOMPARE(after.readAll(), bytes); // nothing stored is lost
    }

    void garbageRememberedPassword()
    {
        QTemporaryDir dataDir;
        {
            QDir::setCurrent(dataDir.path());
            CppSQLite3Connection db;
            store::openStore(db, dataDir.filePath(QStringLiteral("data.db")));
            db.execute("INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'ann', 'pw', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
            QFile ini(dataDir.filePath(QStringLiteral("config.ini")));
            ini.open(QIODevice::WriteOnly);
            ini.write("[login]\nLastUser=ann\nRememberPas=\x01\xff\xfe garbage \x80zz!!\n");
        }
        QString password = QStringLiteral("unset");
        auto login = onModal<CLoginDlg>([&](CLoginDlg *dlg) {
            password = control<QLineEdit>(dlg, CLoginDlg::IdPassword)->text();
            dlg->reject();
        });
        CQuilloraApp app(dataDir.path());
        QVERIFY(!app.startUp());
        QVERIFY(*login);
        QCOMPARE(password, QString()); // garbage unscrambles to nothing
    }
};

QTEST_MAIN(TestStartupEndToEnd)
#include "tst_startup_e2e.moc"
