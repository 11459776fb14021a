#include "app/QuilloraApp.h"

#include "home/HomeDlg.h"
#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/OwnerOnly.h"
#include "platform/SingleInstance.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Fonts.h"
#include "users/Config.h"
#include "users/LoginDlg.h"
#include "users/NewUserDlg.h"
#include "users/UserRecord.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLoggingCategory>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcStartup, "quillora.startup", QtWarningMsg)

namespace {
// Also files made before by a version that left them readable to all, or by hand.
// SQLite gives a journal the permissions of its database.
void protectDataFiles()
{
    const QByteArray journal = QByteArray(store::kDatabaseFile) + "-journal";
    for (const char *file : {store::kDatabaseFile, journal.constData(), config::kFileName})
        if (!restrictToOwner(QString::fromLatin1(file)))
            qCWarning(lcStartup, "could not make %s private to its owner", file);
}
} // namespace

CQuilloraApp::CQuilloraApp(const QString &dataDir, QObject *parent)
    : QObject(parent)
    , m_dataDir(dataDir.isEmpty() ? defaultDataDir() : QDir(dataDir).absolutePath())
{
}

CQuilloraApp::~CQuilloraApp()
{
    shutDown();
}

QString CQuilloraApp::defaultDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

int CQuilloraApp::run()
{
    if (!startUp()) {
        shutDown();
        return 0;
    }
    const int code = QApplication::exec();
    shutDown();
    return code;
}

bool CQuilloraApp::startUp()
{
    if (!QDir().mkpath(m_dataDir)) {
        MessageBox::warning(nullptr, QStringLiteral("无法创建数据文件夹：%1").arg(QDir::toNativeSeparators(m_dataDir)));
        return false;
    }
    if (!restrictToOwner(m_dataDir))
        qCWarning(lcStartup, "could not make the data folder private to its owner");

    // One instance per data folder: a second start brings the first forward and ends.
    m_instance = new SingleInstance(m_dataDir, this);
    if (!m_instance->claim()) {
        const bool delivered = m_instance->activateRunning();
        qCInfo(lcStartup, "another instance runs in this data folder; asked it to come forward: %s", delivered ? "yes" : "no");
        return false;
    }

    // data.db and config.ini are named relative to the data folder from here on.
    QDir::setCurrent(m_dataDir);
    config::initialise(QStringLiteral("."));

    try {
        store::openStore(theDatabase, QString::fromLatin1(store::kDatabaseFile));
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(nullptr, e);
    }
    protectDataFiles();

    bool usersExist = true;
    try {
        usersExist = theDatabase.queryInt("SELECT count(*) FROM UserInfo_tbl;") > 0;
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(nullptr, e);
    }
    if (!usersExist) {
        CNewUserDlg newUser(nullptr);
        if (newUser.exec() != QDialog::Accepted)
            return false;
    }

    if (!logIn())
        return false;

    try {
        theDatabase.execute(store::tempObjectsScript().constData());
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(nullptr, e);
    }

    const QString family = loadPhoneticFont();
    if (family.isEmpty())
        MessageBox::warning(nullptr, QStringLiteral("音标字体加载失败！"));

    m_home = new CHomeDlg;
    connect(m_instance, &SingleInstance::activationRequested, m_home.data(), [home = m_home] {
        qCInfo(lcStartup, "brought forward by a second start");
        if (home)
            home->bringForward();
    });
    // The end of the home window's run is the end of the program.
    connect(m_home.data(), &CHomeDlg::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!m_home->Initialise())
        return false;
    m_home->show();
    qCInfo(lcStartup, "home window shown");
    return true;
}

bool CQuilloraApp::logIn()
{
    const QString autoLog = config::readLogin(config::kAutoLog);
    if (!autoLog.isEmpty()) {
        try {
            const QByteArray sql = sqlFormat("SELECT * FROM UserInfo_tbl WHERE username = '%s';", sqlQuote(QStringView(autoLog)).constData());
            CppSQLite3Cursor row = theDatabase.query(sql.constData());
            if (!row.eof()) {
                theUser.fill(row);
                return true;
            }
            row.finalize();
            MessageBox::warning(nullptr, QStringLiteral("程序配置错误！自动登录设置成了不存在的用户，\n程序将转到登录窗口！"));
            config::writeLogin(config::kAutoLog, QString());
        } catch (const CppSQLite3Exception &e) {
            // Nobody is logged in: ask instead of going on without a user.
            MessageBox::storeError(nullptr, e);
        }
    }
    CLoginDlg login(nullptr);
    return login.exec() == QDialog::Accepted;
}

void CQuilloraApp::shutDown()
{
    // In the order the program took them: the windows, the private font, the store.
    delete m_home;
    QFontDatabase::removeAllApplicationFonts();
    theDatabase.close();
}
