#include "platform/PrivateTemp.h"
#include "platform/SingleInstance.h"
#include "support/DataFolderSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondClaimFailsAndActivatesTheFirst_data()
    {
        QTest::addColumn<int>("runtimeFolderLength");
        QTest::newRow("usual runtime folder") << 0;
        // The socket's path would not fit in a socket address (108 bytes).
        QTest::newRow("long runtime folder") << 150;
    }
    void secondClaimFailsAndActivatesTheFirst()
    {
        QFETCH(int, runtimeFolderLength);
        QTemporaryDir runtimeBase;
        const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
        const QByteArray previousRuntime = qgetenv("XDG_RUNTIME_DIR");
        const auto restore = qScopeGuard([hadRuntime, previousRuntime] {
            if (hadRuntime)
                qputenv("XDG_RUNTIME_DIR", previousRuntime);
            else
                qunsetenv("XDG_RUNTIME_DIR");
        });
        if (runtimeFolderLength) {
            QString runtime = runtimeBase.path() + u'/';
            runtime += QString(runtimeFolderLength - runtime.size(), u'r');
            QVERIFY(QDir().mkpath(runtime));
            QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
        QTemporaryDir dir;
        SingleInstance first(dir.path());
        QVERIFY(first.claim());
        QVERIFY(first.listening());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        SingleInstance second(dir.path());
        QVERIFY(!second.claim());
        QVERIFY(second.activateRunning());
        QTRY_COMPARE(activated.count(), 1);
        // Another data folder is another program.
        QTemporaryDir other;
        SingleInstance third(other.path());
        QVERIFY(third.claim());
        QVERIFY(third.serverName() != first.serverName());
        QSignalSpy thirdActivated(&third, &SingleInstance::activationRequested);
        SingleInstance fourth(other.path());
        QVERIFY(fourth.activateRunning());
        QTRY_COMPARE(thirdActivated.count(), 1);
        QCOMPARE(activated.count(), 1);
    }

    // The first reads a later start's line as it comes, between other events: a start
    // that has sent part of it and waits does not hold the interface thread.
    void activationArrivingInPiecesIsHeard()
    {
        QTemporaryDir dir;
        SingleInstance first(dir.path());
        QVERIFY(first.claim());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        SingleInstance second(dir.path());
        const int fd = second.connectToRunning(2000);
        QVERIFY(fd >= 0);
        QCOMPARE(::send(fd, "acti", 4, MSG_NOSIGNAL), ssize_t(4));
        // The rest is sent from this thread's event loop, which the first shares.
        QTimer::singleShot(100, this, [fd] {
            ::send(fd, "vate\n", 5, MSG_NOSIGNAL);
            ::close(fd);
        });
        QTRY_COMPARE(activated.count(), 1);
    }

    // A first that does not take connections (its backlog full) makes a later start
    // give up after its time, not wait for ever.
    void fullBacklogDoesNotBlockALaterStart()
    {
        QTemporaryDir dir;
        SingleInstance first(dir.path());
        QVERIFY(first.claim());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        SingleInstance second(dir.path());
        QList<int> waiting;
        for (int fd; waiting.size() < 200 && (fd = second.connectToRunning(0)) >= 0;)
            waiting << fd;
        QVERIFY(waiting.size() < 200);
        QVERIFY(!second.activateRunning(200));
        for (int fd : std::as_const(waiting))
            ::close(fd);
        QCoreApplication::processEvents();
        QVERIFY(second.activateRunning());
        QTRY_COMPARE(activated.count(), 1);
    }

    void crashLeftoversDoNotBlock()
    {
        QTemporaryDir dir;
        // A lock file of a process that no longer runs, and its socket: bound, then
        // closed without being removed, as a crash leaves it.
        QProcess dead;
        dead.start(QStringLiteral("true"));
        dead.waitForFinished();
        const qint64 deadPid = dead.processId() ? dead.processId() : 999999;
        QFile lock(dir.filePath(QStringLiteral("Quillora.lock")));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        lock.write(QByteArray::number(deadPid) + "\nquillora\n" + host + '\n');
        lock.close();
        const QByteArray socketPath = QFile::encodeName(privatetemp::filePath(SingleInstance(dir.path()).serverName()));
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        QVERIFY(socketPath.size() > 0 && socketPath.size() < qsizetype(sizeof address.sun_path));
        std::memcpy(address.sun_path, socketPath.constData(), size_t(socketPath.size()));
        const int leftover = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::bind(leftover, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(::listen(leftover, 1), 0);
        ::close(leftover);
        QVERIFY(QFileInfo(QFile::decodeName(socketPath)).exists());
        SingleInstance again(dir.path());
        QVERIFY(again.claim());
        QVERIFY(again.listening());
        QSignalSpy activated(&again, &SingleInstance::activationRequested);
        SingleInstance later(dir.path());
        QVERIFY(later.activateRunning());
        QTRY_COMPARE(activated.count(), 1);
    }

    // Two real processes: the second ends at once and the first comes forward.
    void secondProcessExitsAtOnce()
    {
        QTemporaryDir dir;
        testsupport::prepareAutoLogin(dir.path());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("quillora.startup.info=true"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const QStringList args{QStringLiteral("--data-dir"), dir.path()};

        QProcess first;
        first.setProcessEnvironment(env);
        first.setProcessChannelMode(QProcess::MergedChannels);
        first.start(QStringLiteral(QUILLORA_PATH), args);
        QByteArray firstOutput;
        QTRY_VERIFY_WITH_TIMEOUT((firstOutput += first.readAll()).contains("home window shown"), 30000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer timer;
        timer.start();
        second.start(QStringLiteral(QUILLORA_PATH), args);
        QVERIFY(second.waitForFinished(15000));
        qInfo("second start ended after %lld ms", timer.elapsed());
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAll().contains("asked it to come forward: yes"));
        QTRY_VERIFY_WITH_TIMEOUT((firstOutput += first.readAll()).contains("brought forward by a second start"), 10000);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        first.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_single_instance.moc"
