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

    static Result run(const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcess p;
        p.start(QStringLiteral(QUILLORA_DB_PATH), args);
        p.write(input);
        p.closeWriteChannel();
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

    // One word's history per branch of the memory model, worked out by hand from the
    // published formulas and default parameters: what the program would store after
    // each answer (stability, difficulty) and the next interval in days.
    void schedule_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<QString>("expected");
        const QStringList plain{QStringLiteral("schedule")};
        QTest::newRow("first again") << plain << QByteArray("0 1\n") << "0.2120 6.4133 1\n";
        QTest::newRow("first hard") << plain << QByteArray("0 2\n") << "1.2931 5.1122 1\n";
        QTest::newRow("first good") << plain << QByteArray("0 3\n") << "2.3065 2.1181 2\n";
        QTest::newRow("first easy, difficulty floor") << plain << QByteArray("0 4\n8 4\n") << "8.2956 1.0000 8\n65.6242 1.0000 66\n";
        QTest::newRow("recall hard, good, easy") << plain << QByteArray("0 3\n3 2\n5 3\n20 4\n")
                                                  << "2.3065 2.1181 2\n9.2349 4.7529 9\n22.6747 4.7433 23\n100.3786 2.9720 100\n";
        QTest::newRow("forget") << plain << QByteArray("0 3\n10 1\n") << "2.3065 2.1181 2\n0.7592 7.3945 1\n";
        QTest::newRow("same day") << plain << QByteArray("0 3\n0 3\n0 1\n") << "2.3065 2.1181 2\n2.3065 2.1112 2\n0.7751 7.3922 1\n";
        QTest::newRow("stability floor") << plain << QByteArray("0 1\n0 1\n0 1\n0 1\n0 1\n0 1\n0 1\n0 1\n0 1\n0 1\n")
                                         << "0.2120 6.4133 1\n0.0834 8.8063 1\n0.0349 9.5929 1\n0.0154 9.8514 1\n0.0072 9.9364 1\n"
                                            "0.0035 9.9643 1\n0.0018 9.9735 1\n0.0010 9.9765 1\n0.0010 9.9775 1\n0.0010 9.9778 1\n";
        QTest::newRow("retention 0.8") << QStringList{QStringLiteral("schedule"), QStringLiteral("--retention"), QStringLiteral("0.8")}
                                       << QByteArray("0 3\n2 3\n") << "2.3065 2.1181 8\n10.9643 2.1112 36\n";
        QTest::newRow("retention 0.95") << QStringList{QStringLiteral("schedule"), QStringLiteral("--retention"), QStringLiteral("0.95")}
                                        << QByteArray("0 3\n2 3\n") << "2.3065 2.1181 1\n10.9643 2.1112 4\n";
        QTest::newRow("interval cap") << plain << QByteArray("0 4\n10000 4\n100000 4\n100000 4\n")
                                      << "8.2956 1.0000 8\n503.0417 1.0000 503\n12624.2691 1.0000 12624\n93646.8714 1.0000 36500\n";
    }
    void schedule()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, history);
        QFETCH(QString, expected);
        const Result r = run(args, history);
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, expected);
    }

    void scheduleRefusesBadInput_data()
    {
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<QString>("error");
        QTest::newRow("rating 5") << QByteArray("0 3\n2 5\n") << "quillora-db: line 2: RATING must be 1, 2, 3 or 4: 2 5\n";
        QTest::newRow("rating 0") << QByteArray("0 0\n") << "quillora-db: line 1: RATING must be 1, 2, 3 or 4: 0 0\n";
        QTest::newRow("negative days") << QByteArray("0 3\n\n-1 3\n") << "quillora-db: line 3: DAYS is negative: -1 3\n";
        QTest::newRow("words for days") << QByteArray("0 3\nthree 3\n") << "quillora-db: line 2: DAYS is not a whole number: three 3\n";
        QTest::newRow("one field") << QByteArray("3\n") << "quillora-db: line 1: expected \"DAYS RATING\": 3\n";
    }
    void scheduleRefusesBadInput()
    {
        QFETCH(QByteArray, history);
        QFETCH(QString, error);
        const Result r = run({QStringLiteral("schedule")}, history);
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.err, error);
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{QStringLiteral("frobnicate"), QStringLiteral("x.db")};
        QTest::newRow("sql without statement") << QStringList{QStringLiteral("sql"), QStringLiteral("x.db")};
        QTest::newRow("rekey without target") << QStringList{QStringLiteral("rekey"), QStringLiteral("x.db")};
        QTest::newRow("key without phrase") << QStringList{QStringLiteral("--key")};
        QTest::newRow("retention above 1") << QStringList{QStringLiteral("schedule"), QStringLiteral("--retention"), QStringLiteral("1.5")};
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
