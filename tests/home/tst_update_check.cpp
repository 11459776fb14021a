#include "app/QuilloraDlg.h"
#include "home/HomeDlg.h"
#include "home/NetworkModule.h"
#include "home/UpdateCheck.h"
#include "platform/PrivateTemp.h"
#include "support/GuiTestSupport.h"
#include "support/ModuleTestSupport.h"
#include "ui/LinkStatic.h"
#include "ui/TranslucentLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

using namespace testsupport;

// A small HTTP server on 127.0.0.1 that answers every request with one fixed reply, at
// once, after a delay in milliseconds, or (delay -1) never.
class DescriptorServer : public QObject
{
public:
    DescriptorServer(int status, QByteArray body, int answerAfterMs = 0)
        : m_status(status)
        , m_body(std::move(body))
        , m_answerAfterMs(answerAfterMs)
    {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_connections;
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    m_request += socket->readAll();
                    if (m_answerAfterMs < 0 || !m_request.contains("\r\n\r\n"))
                        return;
                    QTimer::singleShot(m_answerAfterMs, socket, [this, socket] {
                        const QByteArray reason = m_status == 200 ? "OK" : "Not Found";
                        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + ' ' + reason + "\r\nContent-Type: text/plain\r\nContent-Length: "
                                      + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n");
                        socket->write(m_body);
                        socket->disconnectFromHost();
                    });
                });
            }
        });
    }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()) + "/update/quillora.ini"; }
    int connections() const { return m_connections; }

private:
    QTcpServer m_server;
    int m_status;
    QByteArray m_body;
    int m_answerAfterMs;
    QByteArray m_request;
    int m_connections = 0;
};

class TestUpdateCheck : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;
    std::unique_ptr<CHomeDlg> m_home;
    QList<QUrl> m_opened;

    void openHome(const QByteArray &descriptorUrl)
    {
        // The home window starts a check when it opens; it must find nothing to fetch.
        qputenv("QUILLORA_UPDATE_URL", "");
        m_data = std::make_unique<DataFolder>();
        m_data->addUser(QStringLiteral("ann"));
        m_data->addList(QStringLiteral("list"), 10);
        m_home = std::make_unique<CHomeDlg>();
        QVERIFY(m_home->Initialise());
        QVERIFY(!m_home->updateCheck()->isRunning());
        m_home->show();
        MessageBox::takeShown();
        // Short limits keep the time-out case quick.
        m_home->updateCheck()->setTimeouts(500, 1500);
        qputenv("QUILLORA_UPDATE_URL", descriptorUrl);
    }

    // The threads of this process: a check over leaves none of its own behind, so
    // nothing of it is still ending when the program exits.
    static int threadCount() { return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size()); }

    static QByteArray descriptor(const QByteArray &version, const QByteArray &url = "https://example.org/download")
    {
        QByteArray text = "[other]\r\nversion=9.99\r\n\r\n[info]\r\nversion=" + version + "\r\n";
        if (!url.isNull())
            text += "url=" + url + "\r\n";
        return text;
    }

private Q_SLOTS:
    void initTestCase()
    {
        setUpApplication();
        CLinkStatic::setOpener([this](const QUrl &url) {
            m_opened.append(url);
            return true;
        });
    }
    void cleanup()
    {
        m_home.reset();
        m_data.reset();
        m_opened.clear();
        qunsetenv("QUILLORA_UPDATE_URL");
    }

    // First, while no network module is loaded: one that cannot be had. The learner did
    // not ask for the check, so it only reaches the log; nothing is fetched.
    void unavailableModule_data() { testsupport::addUnavailableModuleRows(QStringLiteral("network")); }
    void unavailableModule()
    {
        QFETCH(QString, folder);
        testsupport::ModuleFolder modules(folder);
        DescriptorServer server(200, descriptor("2.00"));
        openHome(server.url());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^network module: ")));
        m_home->StartUpdateCheck();
        QVERIFY(!m_home->updateCheck()->isRunning());
        QCOMPARE(MessageBox::takeShown(), QStringList());
        QVERIFY(!moduleLoaded<NetworkModule>());
        QVERIFY(!modules.staleMapped());
        QTest::qWait(100);
        QCOMPARE(server.connections(), 0);
    }

    void check_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("answerAfterMs"); // -1: never
        QTest::addColumn<QByteArray>("ownVersion"); // empty: the program's own
        QTest::addColumn<bool>("notice");
        QTest::addColumn<QString>("target");
        const QString download = QStringLiteral("https://example.org/download");
        QTest::newRow("same version") << 200 << descriptor("1.00") << 0 << QByteArray() << false << QString();
        QTest::newRow("1.0") << 200 << descriptor("1.0") << 0 << QByteArray() << true << download;
        QTest::newRow("1.01") << 200 << descriptor("1.01") << 0 << QByteArray() << true << download;
        QTest::newRow("older 0.99") << 200 << descriptor("0.99") << 0 << QByteArray() << true << download;
        QTest::newRow("long version cut to 15") << 200 << descriptor("1.0000000000000999") << 0 << QByteArray("1.0000000000000") << false << QString();
        QTest::newRow("long version, differs within 15") << 200 << descriptor("1.0000000000001999") << 0 << QByteArray("1.0000000000000") << true << download;
        QTest::newRow("no version") << 200 << QByteArray("[info]\r\nurl=https://example.org/\r\n") << 0 << QByteArray() << false << QString();
        QTest::newRow("no url") << 200 << descriptor("2.00", QByteArray()) << 0 << QByteArray() << true << QString();
        QTest::newRow("file url") << 200 << descriptor("2.00", "file:///etc/passwd") << 0 << QByteArray() << true << QString();
        QTest::newRow("javascript url") << 200 << descriptor("2.00", "javascript:alert(1)") << 0 << QByteArray() << true << QString();
        QTest::newRow("404") << 404 << descriptor("2.00") << 0 << QByteArray() << false << QString();
        // The connect limit (500 ms here) ends with the request sent; the whole check
        // may take until the overall one (1500 ms).
        QTest::newRow("answers after the connect limit") << 200 << descriptor("2.00") << 1000 << QByteArray() << true << download;
        QTest::newRow("never answers") << 200 << descriptor("2.00") << -1 << QByteArray() << false << QString();
        QTest::newRow("10 MB body") << 200 << (descriptor("2.00") + QByteArray(10 * 1024 * 1024, 'x')) << 0 << QByteArray() << false << QString();
        QTest::newRow("binary body") << 200 << (descriptor("2.00") + QByteArray("\0\x01\x02", 3)) << 0 << QByteArray() << false << QString();
    }
    void check()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, answerAfterMs);
        QFETCH(QByteArray, ownVersion);
        QFETCH(bool, notice);
        QFETCH(QString, target);
        DescriptorServer server(status, body, answerAfterMs);
        openHome(server.url());
        const int threads = threadCount();
        UpdateCheck *check = m_home->updateCheck();
        if (!ownVersion.isEmpty())
            check->setOwnVersion(ownVersion);
        QSignalSpy finished(check, &UpdateCheck::finished);
        m_home->StartUpdateCheck();
        QVERIFY(check->isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 8000);
        QCOMPARE(server.connections(), 1);
        QTRY_COMPARE(threadCount(), threads);

        CLinkStatic *link = m_home->mainWindow()->updateLink();
        QCOMPARE(link->isVisibleTo(m_home.get()), notice);
        QCOMPARE(m_home->versionLine()->isVisibleTo(m_home.get()), !notice);
        if (!notice)
            return;
        QCOMPARE(link->target(), target);
        QCOMPARE(link->currentColor(), QColor(0, 0, 255));
        QVERIFY(link->font().underline());
        // Clicking opens only a web address; anything else only marks the link.
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(m_opened, target.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(target)});
        QVERIFY(link->isVisited());
        QCOMPARE(MessageBox::takeShown(), QStringList());
        // The copy lies in a folder only this user can enter.
        const QFileInfo copy(privatetemp::filePath(QStringLiteral("quillora.ini")));
        QVERIFY(copy.exists());
        QCOMPARE(QFileInfo(copy.path()).permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                 QFile::Permissions());
    }

    void oneCheckAtATime()
    {
        DescriptorServer server(200, descriptor("2.00"), -1);
        openHome(server.url());
        const int threads = threadCount();
        QVERIFY(m_home->updateCheck()->start(QUrl(QString::fromLatin1(server.url()))));
        m_home->StartUpdateCheck(); // the first still waits: nothing new starts
        QVERIFY(!m_home->updateCheck()->start(QUrl(QString::fromLatin1(server.url()))));
        QTRY_COMPARE(server.connections(), 1);
        QTest::qWait(200);
        QCOMPARE(server.connections(), 1);
        // Ending the program while the check waits is quiet.
        m_home.reset();
        QTRY_COMPARE(threadCount(), threads);
    }

    void noAddressNoCheck_data()
    {
        QTest::addColumn<QByteArray>("address");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("file") << QByteArray("file:///tmp/quillora.ini");
        QTest::newRow("no host") << QByteArray("http:///update/quillora.ini");
    }
    void noAddressNoCheck()
    {
        QFETCH(QByteArray, address);
        openHome(address);
        m_home->StartUpdateCheck();
        QVERIFY(!m_home->updateCheck()->isRunning());
    }
};

QTEST_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
