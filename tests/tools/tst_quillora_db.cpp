#include "store/CppSQLite3.h"
#include "support/IndependentCrypto.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

QByteArray digestOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

QByteArray headOf(const QString &path, int n = 1024)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.read(n) : QByteArray();
}

const QByteArray kHeader("SQLite format 3\0", 16);
} // namespace

class TestQuilloraDb : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static Result run(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(QUILLORA_DB_PATH), args);
        p.waitForFinished(60000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

private Q_SLOTS:
    void initCreatesTheProgramsStore()
    {
        const QString db = file("init.db");
        const Result r = run({QStringLiteral("init"), db});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(independent::xorWith(headOf(db), independent::pageStream("k7m;3qTz")).startsWith(kHeader));
        QCOMPARE(run({QStringLiteral("check"), db}).out, QStringLiteral("ok\n"));
        const Result again = run({QStringLiteral("init"), db});
        QCOMPARE(again.exitCode, 1);
        QCOMPARE(again.err, QStringLiteral("quillora-db: %1: file exists\n").arg(db));
    }

    void sqlPrintsRows()
    {
        const QString db = file("sql.db");
        run({QStringLiteral("init"), db});
        QCOMPARE(run({QStringLiteral("sql"), db, QStringLiteral("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, '四级词汇');")}).exitCode, 0);
        const Result r = run({QStringLiteral("sql"), db,
                              QStringLiteral("SELECT tid, name, NULL, 'x''y' FROM ThesaurusInfo_tbl WHERE name = '四级词汇'; SELECT count(*) FROM UserInfo_tbl")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("1\t四级词汇\t\tx'y\n0\n"));
        const Result bad = run({QStringLiteral("sql"), db, QStringLiteral("SELECT * FROM nowhere")});
        QCOMPARE(bad.exitCode, 1);
        QCOMPARE(bad.err, QStringLiteral("quillora-db: %1: SQLITE_ERROR[1]: no such table: nowhere\n").arg(db));
    }

    void failuresLeaveFilesAsTheyWere_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("wrong key") << QStringLiteral("wrongkey");
        QTest::newRow("damaged") << QStringLiteral("damaged");
        QTest::newRow("plain file read with the key") << QStringLiteral("plain");
    }
    void failuresLeaveFilesAsTheyWere()
    {
        QFETCH(QString, kind);
        const QString db = file("fail.db");
        QFile::remove(db);
        QStringList keyArgs;
        if (kind == QStringLiteral("plain")) {
            run({QStringLiteral("--key"), QString(), QStringLiteral("init"), db});
            QVERIFY(headOf(db).startsWith(kHeader));
        } else {
            run({QStringLiteral("init"), db});
        }
        if (kind == QStringLiteral("wrongkey"))
            keyArgs = {QStringLiteral("--key"), QStringLiteral("not the key")};
        if (kind == QStringLiteral("damaged")) {
            QFile f(db);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(0);
            f.write(QByteArray(64, 'Z'));
        }
        const QByteArray before = digestOf(db);
        for (const QStringList &command : {QStringList{QStringLiteral("check"), db},
                                           QStringList{QStringLiteral("sql"), db, QStringLiteral("DELETE FROM SoftInfo_tbl")},
                                           QStringList{QStringLiteral("rekey"), db, QStringLiteral("--plain")},
                                           QStringList{QStringLiteral("rekey"), db, QStringLiteral("--to"), QStringLiteral("x")}}) {
            const Result r = run(keyArgs + command);
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.startsWith(QStringLiteral("quillora-db: %1: ").arg(db)) && r.err.count(u'\n') == 1, qPrintable(r.err));
            QCOMPARE(digestOf(db), before);
        }
    }

    void missingFileIsNotCreated()
    {
        const QString db = file("missing.db");
        const Result r = run({QStringLiteral("check"), db});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err, QStringLiteral("quillora-db: %1: no such file\n").arg(db));
        QVERIFY(!QFile::exists(db));
    }

    void rekeyBothWays()
    {
        const QString db = file("rekey.db");
        run({QStringLiteral("init"), db});
        run({QStringLiteral("sql"), db, QStringLiteral("INSERT INTO ThesaurusInfo_tbl VALUES (7, 'kept');")});
        QCOMPARE(run({QStringLiteral("rekey"), db, QStringLiteral("--plain")}).exitCode, 0);
        QVERIFY(headOf(db).startsWith(kHeader));
        QCOMPARE(run({QStringLiteral("--key"), QString(), QStringLiteral("sql"), db, QStringLiteral("SELECT name FROM ThesaurusInfo_tbl")}).out,
                 QStringLiteral("kept\n"));
        QCOMPARE(run({QStringLiteral("--key"), QString(), QStringLiteral("rekey"), db, QStringLiteral("--to"), QStringLiteral("fresh")}).exitCode, 0);
        QVERIFY(independent::xorWith(headOf(db), independent::pageStream("fresh")).startsWith(kHeader));
        QCOMPARE(run({QStringLiteral("--key"), QStringLiteral("fresh"), QStringLiteral("sql"), db, QStringLiteral("SELECT tid FROM ThesaurusInfo_tbl")}).out,
                 QStringLiteral("7\n"));
        QCOMPARE(run({QStringLiteral("sql"), db, QStringLiteral("SELECT 1")}).exitCode, 1); // the old key no longer opens it
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate"), QStringLiteral("x.db")};
        QTest::newRow("sql without statement") << QStringList{QStringLiteral("sql"), QStringLiteral("x.db")};
        QTest::newRow("rekey without target") << QStringList{QStringLiteral("rekey"), QStringLiteral("x.db")};
        QTest::newRow("key without phrase") << QStringList{QStringLiteral("--key")};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const Result r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.err.contains(QStringLiteral("usage: quillora-db")));
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestQuilloraDb)
#include "tst_quillora_db.moc"
