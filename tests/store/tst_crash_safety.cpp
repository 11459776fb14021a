#include "platform/ProfileFile.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/PageCodec.h"
#include "store/Store.h"
#include "support/IndependentCrypto.h"
#include "wordlists/WordListStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>

// A child process (this program started with --child) works on an encrypted file
// and is killed with SIGKILL at a chosen write to the database file: in the middle
// of a large transaction (cache spills) or of its commit, or in the middle of a
// re-key. The parent then inspects the hot journal and reopens the file. Other
// children meet a real full disk: a file-size limit just above the files' sizes.

namespace {

constexpr char kKey[] = "k7m;3qTz";
constexpr char kNewKey[] = "another phrase";
constexpr int kBaseRows = 6000;

long long g_killAt = -1;
long long g_writes = 0;

void countWrite(long long, int)
{
    if (g_killAt >= 0 && g_writes == g_killAt)
        std::raise(SIGKILL);
    ++g_writes;
}

// Child with a file-size limit (RLIMIT_FSIZE) just above the size of the file it
// writes, and SIGXFSZ ignored so that the write fails instead of the process.
// "import" stores a large word list, "profile" writes a long value to config.ini;
// prints the failure it met.
int runFullDiskChild(const char *mode, const QString &dir)
{
    const QString target = dir + QString::fromLatin1(std::strcmp(mode, "import") == 0 ? "/data.db" : "/config.ini");
    const rlim_t limit = static_cast<rlim_t>(QFileInfo(target).size()) + 4096;
    const rlimit lim = {limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0)
        return 2;
    std::signal(SIGXFSZ, SIG_IGN);
    if (std::strcmp(mode, "import") == 0) {
        try {
            CppSQLite3Connection db;
            store::openStore(db, target);
            wordlists::importFile(db, dir + QStringLiteral("/big.txt"));
        } catch (const CppSQLite3Exception &e) {
            std::printf("%s\n", e.errorMessage());
            return 1;
        }
        return 0;
    }
    if (!ProfileFile(target).writeString("login", "LastUser", QByteArray(3 * 4096, 'x'))) {
        std::printf("not written\n");
        return 1;
    }
    return 0;
}

// Child: prints the number of writes it made when it was not killed.
int runChild(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    const char *mode = argv[2];
    const char *path = argv[3];
    if (std::strcmp(argv[4], "full") == 0)
        return runFullDiskChild(mode, QString::fromLocal8Bit(path));
    g_killAt = std::atoll(argv[4]);
    try {
        CppSQLite3Connection db;
        db.open(path, kKey);
        db.queryInt("SELECT count(*) FROM t;");
        pagecodec::setMainWriteObserver(countWrite);
        if (std::strcmp(mode, "update") == 0) {
            // A small cache makes the engine write pages to the file long before the commit.
            db.execute("PRAGMA cache_size = 16; BEGIN TRANSACTION;");
            for (int i = 0; i < kBaseRows; i += 40) {
                const QByteArray sql = sqlFormat("UPDATE t SET body = upper(body) || '+', n = n + 1 WHERE id BETWEEN %d AND %d;", i, i + 39);
                db.execute(sql.constData());
            }
            db.execute("INSERT INTO t (body, n) SELECT body, n FROM t WHERE id < 2000; COMMIT TRANSACTION;");
        } else {
            db.changeKey(kNewKey);
        }
    } catch (const CppSQLite3Exception &e) {
        std::fprintf(stderr, "%s\n", e.errorMessage());
        return 1;
    }
    std::printf("%lld\n", g_writes);
    return 0;
}

QByteArray fingerprint(CppSQLite3Connection &db)
{
    CppSQLite3Cursor c = db.query("SELECT count(*), total(n), group_concat(body, '|') FROM (SELECT * FROM t ORDER BY id);");
    return QByteArray(c.value(0)) + ':' + c.value(1) + ':'
        + QCryptographicHash::hash(c.value(2), QCryptographicHash::Sha1).toHex();
}

quint32 be32(const QByteArray &data, qsizetype at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData() + at);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

struct JournalCheck
{
    int records = 0;
    int pageOneImages = 0;
};

// Walks the rollback journal's segments: every page image must be the encrypted page
// (it decrypts with the file's key stream) and its checksum must be the one of the
// encrypted bytes.
JournalCheck inspectJournal(const QByteArray &journal, const QByteArray &phrase)
{
    JournalCheck result;
    static const QByteArray magic = QByteArray::fromHex("d9d505f920a163d7");
    if (journal.size() < 28 || !journal.startsWith(magic))
        return result;
    const quint32 sectorSize = be32(journal, 20);
    const quint32 pageSize = be32(journal, 24);
    const QByteArray stream = independent::pageStream(phrase, 1024);
    qsizetype header = 0;
    while (header + 28 <= journal.size() && journal.mid(header, 8) == magic) {
        quint32 nRec = be32(journal, header + 8);
        const quint32 cksumInit = be32(journal, header + 12);
        qsizetype off = header + sectorSize;
        if (nRec == 0 || nRec == 0xFFFFFFFFu) // not yet synced: as much as the file holds
            nRec = static_cast<quint32>((journal.size() - off) / (pageSize + 8));
        for (quint32 r = 0; r < nRec && off + pageSize + 8 <= journal.size(); ++r) {
            const quint32 pgno = be32(journal, off);
            const QByteArray image = journal.mid(off + 4, pageSize);
            quint32 sum = cksumInit;
            for (int i = int(pageSize) - 200; i > 0; i -= 200)
                sum += static_cast<unsigned char>(image[i]);
            if (be32(journal, off + 4 + pageSize) != sum)
                return result; // torn record: the engine stops playback here too
            const QByteArray plain = independent::xorWith(image, stream);
            if (pgno == 1) {
                if (!plain.startsWith(QByteArray("SQLite format 3\0", 16)) || image.startsWith("SQLite"))
                    return result;
                ++result.pageOneImages;
            }
            ++result.records;
            off += pageSize + 8;
        }
        header = ((off + sectorSize - 1) / sectorSize) * sectorSize;
    }
    return result;
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_before;

    QByteArray native() const { return QFile::encodeName(m_path); }

    void makeBase()
    {
        QFile::remove(m_path);
        CppSQLite3Connection db;
        store::openStore(db, m_path);
        db.execute("BEGIN; CREATE TABLE t (id INTEGER PRIMARY KEY, body TEXT, n INTEGER);");
        for (int i = 0; i < kBaseRows; ++i) {
            const QByteArray sql = sqlFormat("INSERT INTO t VALUES (%d, 'row %d %s', %d);", i, i, "lorem ipsum dolor sit amet consectetur", i % 17);
            db.execute(sql.constData());
        }
        db.execute("COMMIT;");
        m_before = fingerprint(db);
    }

    // Runs the child; returns its stdout, and whether it was killed.
    QByteArray runChild(const char *mode, long long killAt, bool *killed)
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), QString::fromLatin1(mode), m_path, QString::number(killAt)});
        if (!child.waitForFinished(120000))
            return {};
        *killed = child.exitStatus() == QProcess::CrashExit;
        return child.readAllStandardOutput().trimmed();
    }

    void verifyRecovered(const char *key)
    {
        CppSQLite3Connection db;
        db.open(native().constData(), key);
        QCOMPARE(fingerprint(db), m_before); // the hot journal was rolled back
        QCOMPARE(QString::fromUtf8(db.query("PRAGMA integrity_check;").value(0)), QStringLiteral("ok"));
        db.close();
        QVERIFY(!QFile::exists(m_path + QStringLiteral("-journal")) || QFileInfo(m_path + QStringLiteral("-journal")).size() == 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_path = m_dir.filePath(QStringLiteral("data.db"));
    }

    void killedTransactionRollsBack_data()
    {
        QTest::addColumn<double>("at"); // share of the transaction's writes done when killed
        QTest::newRow("first write") << 0.0;
        QTest::newRow("early spill") << 0.05;
        QTest::newRow("middle") << 0.5;
        QTest::newRow("late") << 0.9;
        QTest::newRow("during commit") << 0.995;
    }
    void killedTransactionRollsBack()
    {
        QFETCH(double, at);
        makeBase();
        bool killed = true;
        const long long total = runChild("update", -1, &killed).toLongLong();
        QVERIFY(!killed);
        QVERIFY2(total > 50, "the transaction should spill many pages before its commit");

        makeBase();
        const long long killAt = static_cast<long long>(at * double(total - 1));
        runChild("update", killAt, &killed);
        QVERIFY(killed);
        const QByteArray journal = [&] {
            QFile f(m_path + QStringLiteral("-journal"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY2(journal.size() > 0, "a hot journal is left behind");
        const JournalCheck check = inspectJournal(journal, kKey);
        QVERIFY2(check.records > 0, "journal records hold encrypted images with checksums over the cipher");
        QCOMPARE(check.pageOneImages, 1);
        QVERIFY(!journal.contains("lorem ipsum")); // nothing plain in the journal
        verifyRecovered(kKey);
    }

    // A full disk: the import fails with the engine's "disk full", data.db opens sound
    // without any of the list; a config.ini write fails and leaves the old file whole.
    void fullDiskLosesNothing_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("message");
        QTest::newRow("word-list import") << QStringLiteral("import") << QStringLiteral("SQLITE_FULL[13]: database or disk is full");
        QTest::newRow("config.ini write") << QStringLiteral("profile") << QStringLiteral("not written");
    }
    void fullDiskLosesNothing()
    {
        QFETCH(QString, mode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString db = dir.filePath(QStringLiteral("data.db"));
        const QString config = dir.filePath(QStringLiteral("config.ini"));
        QByteArray before;
        {
            CppSQLite3Connection conn;
            store::openStore(conn, db);
            conn.execute("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, 'kept'); INSERT INTO words_tbl VALUES (NULL, 1, 'kept', 'x', '');");
            before = QByteArray::number(conn.queryInt("SELECT count(*) FROM words_tbl;"));
        }
        QVERIFY(ProfileFile(config).writeString("login", "LastUser", "someone"));
        {
            QFile list(dir.filePath(QStringLiteral("big.txt")));
            QVERIFY(list.open(QIODevice::WriteOnly));
            for (int i = 0; i < 20000; ++i)
                list.write(sqlFormat("bigword%d [bɪg]\nadj. 大的，巨大的 %d\n\n", i, i));
        }
        const auto bytesOf = [](const QString &path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray configBefore = bytesOf(config);
        const QStringList filesBefore = QDir(dir.path()).entryList(QDir::Files);

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode, dir.path(), QStringLiteral("full")});
        QVERIFY(child.waitForFinished(120000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit); // SIGXFSZ did not end it
        QCOMPARE(child.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(child.readAllStandardOutput().trimmed()), message);

        CppSQLite3Connection conn;
        conn.open(QFile::encodeName(db).constData(), kKey);
        QCOMPARE(QString::fromUtf8(conn.query("PRAGMA integrity_check;").value(0)), QStringLiteral("ok"));
        QCOMPARE(QByteArray::number(conn.queryInt("SELECT count(*) FROM words_tbl;")), before);
        QCOMPARE(conn.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl WHERE name = 'big';"), 0);
        conn.close();
        QCOMPARE(bytesOf(config), configBefore);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), filesBefore); // no journal or temporary file left
    }

    void killedRekeyLeavesOldFile_data()
    {
        QTest::addColumn<double>("at");
        QTest::newRow("start") << 0.0;
        QTest::newRow("middle") << 0.5;
        QTest::newRow("near the end") << 0.97;
    }
    void killedRekeyLeavesOldFile()
    {
        QFETCH(double, at);
        makeBase();
        bool killed = true;
        const long long total = runChild("rekey", -1, &killed).toLongLong();
        QVERIFY(!killed);
        QVERIFY(total > 10);
        {
            CppSQLite3Connection db; // the complete re-key worked
            db.open(native().constData(), kNewKey);
            QCOMPARE(fingerprint(db), m_before);
        }
        makeBase();
        runChild("rekey", static_cast<long long>(at * double(total - 1)), &killed);
        QVERIFY(killed);
        verifyRecovered(kKey);
    }
};

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QCoreApplication app(argc, argv);
    TestCrashSafety test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crash_safety.moc"
