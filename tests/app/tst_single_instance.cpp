#include "platform/SingleInstance.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "users/Config.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondClaimFailsAndActivatesTheFirst()
    {
        QTemporaryDir dir;
        SingleInstance first(dir.path());
        QVERIFY(first.claim());
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
    }

    void crashLeftoversDoNotBlock()
    {
        QTemporaryDir dir;
        // A lock file of a process that no longer runs, and a dead socket name.
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
        SingleInstance again(dir.path());
        QVERIFY(again.claim());
        QSignalSpy activated(&again, &SingleInstance::activationRequested);
        SingleInstance later(dir.path());
        QVERIFY(later.activateRunning());
        QTRY_COMPARE(activated.count(), 1);
    }

    // Two real processes: the second ends at once and the first comes forward.
    void secondProcessExitsAtOnce()
    {
        QTemporaryDir dir;
        {
            QDir::setCurrent(dir.path());
            CppSQLite3Connection db;
            store::openStore(db, dir.filePath(QStringLiteral("data.db")));
            db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'l'); INSERT INTO words_tbl VALUES (NULL, 1, 'w', 'x', 'y');"
                       "INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'ann', 'pw', 1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
            config::initialise(dir.path());
            config::writeLogin(config::kAutoLog, QStringLiteral("ann"));
        }
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
