#include "store/CppSQLite3.h"
#include "store/PageCodec.h"
#include "store/Store.h"
#include "platform/SqlText.h"
#include "support/IndependentCrypto.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <cstring>
#include <functional>

namespace {

constexpr char kKey[] = "k7m;3qTz";
const QByteArray kHeader("SQLite format 3\0", 16);

QString raised(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const CppSQLite3Exception &e) {
        return QString::fromUtf8(e.errorMessage());
    }
    return {};
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

QByteArray digest(const QString &path)
{
    return QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha256);
}

// A plain database made with the engine's defaults (4096-byte pages), holding rows
// whose content the tests compare after re-keying.
void makePlainDatabase(const QString &path, int rows)
{
    CppSQLite3Connection db;
    db.open(QFile::encodeName(path).constData());
    db.execute("BEGIN; CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, data BLOB); CREATE INDEX t_name ON t(name);");
    for (int i = 0; i < rows; ++i) {
        const QByteArray sql = sqlFormat("INSERT INTO t VALUES (%d, 'name %d', randomblob(%d));", i, i * 7, 50 + i % 300);
        db.execute(sql.constData());
    }
    db.execute("COMMIT;");
}

// Content fingerprint independent of page layout.
QByteArray contentOf(CppSQLite3Connection &db)
{
    CppSQLite3Cursor c = db.query("SELECT count(*), total(id), group_concat(hex(substr(data, 1, 4)) || name, ',') FROM (SELECT * FROM t ORDER BY id);");
    return QByteArray(c.value(0)) + '|' + c.value(1) + '|' + QCryptographicHash::hash(c.value(2), QCryptographicHash::Md5).toHex();
}

QString integrity(CppSQLite3Connection &db)
{
    CppSQLite3Cursor c = db.query("PRAGMA integrity_check;");
    return QString::fromUtf8(c.value(0));
}

// A connection made with the engine's own calls, as a program that links the codec but
// not the access layer makes it.
struct RawConnection
{
    sqlite3 *db = nullptr;
    explicit RawConnection(const QByteArray &name, const char *vfs = nullptr)
    {
        sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_URI, vfs);
    }
    ~RawConnection() { sqlite3_close(db); }
    int exec(const char *sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
    int scalar(const char *sql)
    {
        sqlite3_stmt *stmt = nullptr;
        int value = -1;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
            value = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
        return value;
    }
    int cacheBytes()
    {
        int used = 0, highest = 0;
        sqlite3_db_status(db, SQLITE_DBSTATUS_CACHE_USED, &used, &highest, 0);
        return used;
    }
};

// Fills a table of 1024-byte pages with about three times the default page cache and
// reads it whole, so that the cache ends full.
void fillAndScan(RawConnection &c)
{
    QCOMPARE(c.exec("PRAGMA page_size = 1024; CREATE TABLE big (v BLOB);"), SQLITE_OK);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(c.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) "
                        "INSERT INTO big SELECT randomblob(900) FROM n;"), SQLITE_OK);
    QCOMPARE(c.exec("SELECT count(*) FROM big WHERE length(v) = 900;"), SQLITE_OK);
}

// The content of every file this process holds open in dir, unlinked ones included
// (the engine removes its temporary files as soon as it opens them).
QList<QByteArray> openFilesIn(const QString &dir)
{
    QList<QByteArray> contents;
    const QString canonical = QFileInfo(dir).canonicalFilePath();
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files)) {
        if (!fd.symLinkTarget().startsWith(canonical + u'/'))
            continue;
        QFile f(fd.filePath());
        if (f.open(QIODevice::ReadOnly))
            contents << f.readAll();
    }
    return contents;
}

} // namespace

class TestPageCodec : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file(const QString &name) const { return m_dir.filePath(name); }
    static QByteArray native(const QString &path) { return QFile::encodeName(path); }

private Q_SLOTS:
    void independentCryptoMatchesPublishedVectors()
    {
        QCOMPARE(independent::sha1("abc").toHex(), QByteArray("a9993e364706816aba3e25717850c26c9cd0d89d"));
        QCOMPARE(independent::sha1("").toHex(), QByteArray("da39a3ee5e6b4b0d3255bfef95601890afd80709"));
        QCOMPARE(independent::xorWith("Plaintext", independent::rc4Stream("Key", 9)).toHex(),
                 QByteArray("bbf316e8d940af0ad3"));
        QCOMPARE(independent::xorWith("Attack at dawn", independent::rc4Stream("Secret", 14)).toHex(),
                 QByteArray("45a01f645fc35b383552544b9bf5"));
    }

    void programFileDecryptsPageByPage()
    {
        const QString path = file(QStringLiteral("created/data.db"));
        QDir().mkpath(file(QStringLiteral("created")));
        {
            CppSQLite3Connection db;
            store::openStore(db, path);
            db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, 'list');");
        }
        const QByteArray cipher = readAll(path);
        QVERIFY(cipher.size() >= 2 * 1024);
        QCOMPARE(cipher.size() % 1024, 0);
        QVERIFY(!cipher.startsWith(kHeader));

        const QByteArray stream = independent::pageStream(kKey);
        const QByteArray plain = independent::xorWith(cipher, stream);
        QVERIFY(plain.startsWith(kHeader));
        QCOMPARE(static_cast<unsigned char>(plain[16]), 0x04); // page size 1024, big-endian
        QCOMPARE(static_cast<unsigned char>(plain[17]), 0x00);
        // Every page decrypted on its own with the stream from byte 0 is a valid page:
        // the engine accepts the decrypted copy as a sound plain database.
        const QString copy = file(QStringLiteral("created/decrypted.db"));
        writeAll(copy, plain);
        CppSQLite3Connection check;
        check.open(native(copy).constData());
        QCOMPARE(integrity(check), QStringLiteral("ok"));
        QCOMPARE(QString::fromUtf8(check.query("SELECT name FROM SoftInfo_tbl;").value(0)), QStringLiteral("Quillora"));
        QCOMPARE(check.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl WHERE name = 'list';"), 1);
    }

    void equalPlainPagesGiveEqualCipherPages()
    {
        const QString path = file(QStringLiteral("equal.db"));
        {
            CppSQLite3Connection db;
            db.open(native(path).constData(), "pass phrase");
            // Freed overflow pages are zeroed: many byte-identical plain pages.
            db.execute("PRAGMA secure_delete = 1; CREATE TABLE b (x); INSERT INTO b VALUES (zeroblob(30000));"
                       "INSERT INTO b VALUES (1); DELETE FROM b WHERE x <> 1;");
        }
        const QByteArray cipher = readAll(path);
        const QByteArray plain = independent::xorWith(cipher, independent::pageStream("pass phrase"));
        QVERIFY(plain.startsWith(kHeader));
        int identicalPairs = 0;
        const int pages = cipher.size() / 1024;
        for (int i = 0; i < pages; ++i) {
            for (int j = i + 1; j < pages; ++j) {
                if (plain.mid(i * 1024, 1024) != plain.mid(j * 1024, 1024))
                    continue;
                ++identicalPairs;
                QCOMPARE(cipher.mid(i * 1024, 1024), cipher.mid(j * 1024, 1024));
                QVERIFY(cipher.mid(i * 1024, 1024) != plain.mid(i * 1024, 1024));
            }
        }
        QVERIFY2(identicalPairs >= 10, qPrintable(QString::number(identicalPairs)));
    }

    void openingWithoutOrWithWrongKeyFailsAtFirstStatement_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("no key") << QByteArray();
        QTest::newRow("wrong key") << QByteArray("k7m;3qTZ");
    }
    void openingWithoutOrWithWrongKeyFailsAtFirstStatement()
    {
        QFETCH(QByteArray, key);
        const QString path = file(QStringLiteral("locked.db"));
        if (!QFile::exists(path)) {
            CppSQLite3Connection db;
            store::openStore(db, path);
        }
        const QByteArray before = digest(path);
        CppSQLite3Connection db;
        db.open(native(path).constData(), key.constData()); // opening reads nothing
        QCOMPARE(raised([&] { db.queryInt("SELECT count(*) FROM UserInfo_tbl;"); }),
                 QStringLiteral("UNKNOWN_ERROR[26]: file is not a database"));
        db.close();
        QCOMPARE(digest(path), before);
    }

    void emptyKeyLeavesPlainFilePlain()
    {
        const QString path = file(QStringLiteral("plain-empty-key.db"));
        makePlainDatabase(path, 10);
        CppSQLite3Connection db;
        db.open(native(path).constData(), "");
        QVERIFY(!pagecodec::isEncrypted(db.handle()));
        db.execute("INSERT INTO t VALUES (1000, 'more', x'00');");
        QCOMPARE(db.queryInt("SELECT count(*) FROM t;"), 11);
        db.close();
        QVERIFY(readAll(path).startsWith(kHeader));
    }

    void rekeyBothWaysKeepsAllData()
    {
        const QString path = file(QStringLiteral("rekey.db"));
        makePlainDatabase(path, 3000);
        QByteArray expected;
        {
            CppSQLite3Connection db;
            db.open(native(path).constData());
            expected = contentOf(db);
            QCOMPARE(db.queryInt("PRAGMA page_size;"), 4096);
            db.changeKey("first phrase");
            QCOMPARE(contentOf(db), expected);
            QVERIFY(pagecodec::isEncrypted(db.handle()));
        }
        // Plain to encrypted: nothing readable left, 1024-byte pages under the key.
        QByteArray raw = readAll(path);
        QVERIFY(!raw.startsWith(kHeader));
        QVERIFY(!raw.contains("name 2093"));
        QVERIFY(independent::xorWith(raw.left(1024), independent::pageStream("first phrase")).startsWith(kHeader));
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
        {
            CppSQLite3Connection noKey;
            noKey.open(native(path).constData());
            QVERIFY(raised([&] { noKey.queryInt("SELECT count(*) FROM t;"); }).startsWith(QStringLiteral("UNKNOWN_ERROR[26]")));
        }
        {
            CppSQLite3Connection db;
            db.open(native(path).constData(), "first phrase");
            QCOMPARE(db.queryInt("PRAGMA page_size;"), 1024);
            QCOMPARE(contentOf(db), expected);
            QCOMPARE(integrity(db), QStringLiteral("ok"));
            // Encrypted to encrypted under another phrase.
            db.changeKey("second phrase");
            QCOMPARE(contentOf(db), expected);
        }
        raw = readAll(path);
        QVERIFY(independent::xorWith(raw.left(1024), independent::pageStream("second phrase")).startsWith(kHeader));
        {
            CppSQLite3Connection old;
            old.open(native(path).constData(), "first phrase");
            QVERIFY(!raised([&] { old.queryInt("SELECT count(*) FROM t;"); }).isEmpty());
        }
        {
            CppSQLite3Connection db;
            db.open(native(path).constData(), "second phrase");
            QCOMPARE(contentOf(db), expected);
            // Encrypted to plain: an ordinary SQLite file again.
            db.changeKey("");
            QVERIFY(!pagecodec::isEncrypted(db.handle()));
            QCOMPARE(contentOf(db), expected);
        }
        QVERIFY(readAll(path).startsWith(kHeader));
        CppSQLite3Connection plain;
        plain.open(native(path).constData());
        QCOMPARE(contentOf(plain), expected);
        QCOMPARE(integrity(plain), QStringLiteral("ok"));
    }

    void rekeyOfEmptyFileEncryptsEverythingWrittenLater()
    {
        const QString path = file(QStringLiteral("fresh.db"));
        CppSQLite3Connection db;
        db.open(native(path).constData());
        db.changeKey(kKey);
        QCOMPARE(QFileInfo(path).size(), 0);
        db.execute("CREATE TABLE x (v); INSERT INTO x VALUES ('secret words');");
        db.close();
        const QByteArray raw = readAll(path);
        QVERIFY(!raw.contains("secret words"));
        QVERIFY(independent::xorWith(raw, independent::pageStream(kKey)).contains("secret words"));
    }

    void attachKeyRules()
    {
        const QString mainPath = file(QStringLiteral("attach-main.db"));
        CppSQLite3Connection db;
        db.open(native(mainPath).constData(), kKey);
        db.execute("CREATE TABLE m (v);");

        const auto attach = [&](const QString &name, const char *clause) {
            const QByteArray sql = "ATTACH DATABASE '" + native(file(name)) + "' AS a " + clause + ";";
            return raised([&] { db.execute(sql.constData()); });
        };
        QCOMPARE(attach(QStringLiteral("a-int.db"), "KEY 5"), QStringLiteral("SQLITE_ERROR[1]: Invalid key value"));
        QCOMPARE(attach(QStringLiteral("a-float.db"), "KEY 2.5"), QStringLiteral("SQLITE_ERROR[1]: Invalid key value"));
        QCOMPARE(db.queryInt("SELECT count(*) FROM pragma_database_list WHERE name <> 'temp';"), 1);

        struct Case {
            const char *fileName;
            const char *clause;
            QByteArray phrase; // expected key of the attached file; empty = plain
        };
        const Case cases[] = {
            {"a-text.db", "KEY 'other phrase'", "other phrase"},
            {"a-blob.db", "KEY x'6f74686572'", "other"},
            {"a-none.db", "", kKey},   // no clause: the main database's key
            {"a-null.db", "KEY NULL", kKey},
            {"a-empty.db", "KEY ''", kKey},
        };
        for (const Case &c : cases) {
            const QString name = QString::fromLatin1(c.fileName);
            QCOMPARE(attach(name, c.clause), QString());
            db.execute("CREATE TABLE a.x (v); INSERT INTO a.x VALUES ('attached text');");
            db.execute("DETACH DATABASE a;");
            const QByteArray raw = readAll(file(name));
            QVERIFY2(!raw.contains("attached text"), c.fileName);
            QVERIFY2(independent::xorWith(raw, independent::pageStream(c.phrase)).startsWith(kHeader), c.fileName);
        }

        // A plain main database attaches plain files when no key is given.
        CppSQLite3Connection plainMain;
        plainMain.open(native(file(QStringLiteral("attach-plain-main.db"))).constData());
        const QByteArray sql = "ATTACH '" + native(file(QStringLiteral("a-plain.db"))) + "' AS p; CREATE TABLE p.y (v);";
        plainMain.execute(sql.constData());
        plainMain.close();
        QVERIFY(readAll(file(QStringLiteral("a-plain.db"))).startsWith(kHeader));
    }

    void pragmaKeyInstallsTheCodec()
    {
        const QString path = file(QStringLiteral("pragma-key.db"));
        {
            CppSQLite3Connection db;
            store::openStore(db, path);
        }
        CppSQLite3Connection db;
        db.open(native(path).constData());
        db.execute("PRAGMA key = 'k7m;3qTz';");
        QCOMPARE(db.queryInt("SELECT count(*) FROM SoftInfo_tbl;"), 1);
    }

    void walIsRefusedOnEncryptedFiles()
    {
        CppSQLite3Connection enc;
        enc.open(native(file(QStringLiteral("wal-enc.db"))).constData(), kKey);
        enc.execute("CREATE TABLE t (v);");
        QCOMPARE(raised([&] { enc.execute("PRAGMA journal_mode = WAL;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: WAL is not supported on an encrypted database"));
        QCOMPARE(QString::fromUtf8(enc.query("PRAGMA journal_mode;").value(0)), QStringLiteral("delete"));
        QCOMPARE(enc.queryInt("PRAGMA temp_store;"), 2); // no plain temporary files
        QCOMPARE(raised([&] { enc.execute("PRAGMA page_size = 4096;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: encrypted databases keep 1024-byte pages"));

        CppSQLite3Connection plain;
        plain.open(native(file(QStringLiteral("wal-plain.db"))).constData());
        QCOMPARE(QString::fromUtf8(plain.query("PRAGMA journal_mode = WAL;").value(0)), QStringLiteral("wal"));
    }

    // A plain file in WAL mode: encrypted through a rollback journal, with no plain
    // -wal file left beside it and 1024-byte pages.
    void rekeyOfWalFileLeavesRollbackJournal()
    {
        const QString path = file(QStringLiteral("wal-rekey.db"));
        QByteArray expected;
        {
            CppSQLite3Connection db;
            db.open(native(path).constData());
            QCOMPARE(QString::fromUtf8(db.query("PRAGMA journal_mode = WAL;").value(0)), QStringLiteral("wal"));
            db.execute("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, data BLOB);");
            for (int i = 0; i < 300; ++i)
                db.execute(sqlFormat("INSERT INTO t VALUES (%d, 'wal row %d', randomblob(40));", i, i).constData());
            expected = contentOf(db);
            db.changeKey(kKey);
            QCOMPARE(QString::fromUtf8(db.query("PRAGMA journal_mode;").value(0)), QStringLiteral("delete"));
            QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
            QCOMPARE(contentOf(db), expected);
        }
        const QByteArray raw = readAll(path);
        QVERIFY(!raw.contains("wal row"));
        QCOMPARE(independent::xorWith(raw.left(18), independent::pageStream(kKey)), kHeader + QByteArray::fromHex("0400"));
        CppSQLite3Connection db;
        db.open(native(path).constData(), kKey);
        QCOMPARE(contentOf(db), expected);
        QCOMPARE(integrity(db), QStringLiteral("ok"));
    }

    // PRAGMA key on a new file gives what the key call gives: 1024-byte pages and
    // temporary storage in memory.
    void pragmaKeyOnNewFileMatchesKeyCall_data()
    {
        QTest::addColumn<QByteArray>("statement");
        QTest::newRow("key call") << QByteArray();
        QTest::newRow("PRAGMA key =") << QByteArray("PRAGMA key = 'k7m;3qTz';");
        QTest::newRow("PRAGMA main.key()") << QByteArray("PRAGMA main.key('k7m;3qTz');");
    }
    void pragmaKeyOnNewFileMatchesKeyCall()
    {
        QFETCH(QByteArray, statement);
        const QString path = file(QStringLiteral("new-%1.db").arg(QString::fromLatin1(QTest::currentDataTag()).remove(u' ')));
        {
            CppSQLite3Connection db;
            if (statement.isEmpty()) {
                db.open(native(path).constData(), kKey);
            } else {
                db.open(native(path).constData());
                db.execute(statement.constData());
            }
            QVERIFY(pagecodec::isEncrypted(db.handle()));
            QCOMPARE(db.queryInt("PRAGMA temp_store;"), 2);
            db.execute("CREATE TABLE x (v); INSERT INTO x VALUES ('new file text');");
            QCOMPARE(db.queryInt("PRAGMA page_size;"), 1024);
        }
        const QByteArray raw = readAll(path);
        QCOMPARE(raw.size() % 1024, 0);
        QVERIFY(!raw.contains("new file text"));
        QCOMPARE(independent::xorWith(raw.left(18), independent::pageStream(kKey)), kHeader + QByteArray::fromHex("0400"));
    }

    // Temporary storage is memory whenever a key is in use, also when temporary tables
    // exist before an encrypted file is attached; an encrypted connection keeps it so.
    void temporaryStorageStaysInMemory()
    {
        CppSQLite3Connection db;
        db.open(native(file(QStringLiteral("temp-main.db"))).constData());
        db.execute(store::tempObjectsScript().constData());
        db.execute("INSERT INTO tmp_NoOrder_DayList_tbl VALUES (7);");
        const QByteArray attach = "ATTACH '" + native(file(QStringLiteral("temp-attached.db"))) + "' AS a KEY 'p';";
        db.execute(attach.constData());
        QCOMPARE(db.queryInt("PRAGMA temp_store;"), 2);
        QCOMPARE(db.queryInt("SELECT wid FROM tmp_NoOrder_DayList_tbl;"), 7);

        // A connection whose temporary tables were put on disk cannot take a key.
        CppSQLite3Connection onDisk;
        onDisk.open(native(file(QStringLiteral("temp-disk.db"))).constData());
        onDisk.execute("PRAGMA temp_store = 1; CREATE TEMP TABLE scratch (v);");
        const QByteArray attach2 = "ATTACH '" + native(file(QStringLiteral("temp-attached2.db"))) + "' AS a KEY 'p';";
        QCOMPARE(raised([&] { onDisk.execute(attach2.constData()); }),
                 QStringLiteral("SQLITE_ERROR[1]: temporary tables are stored on disk: set the key before creating them"));
        QCOMPARE(onDisk.queryInt("SELECT count(*) FROM pragma_database_list WHERE name = 'a';"), 0);

        CppSQLite3Connection enc;
        enc.open(native(file(QStringLiteral("temp-enc.db"))).constData(), kKey);
        QCOMPARE(raised([&] { enc.execute("PRAGMA temp_store = FILE;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: encrypted databases keep temporary storage in memory"));
        QCOMPARE(enc.queryInt("PRAGMA temp_store;"), 2);
    }

    // PRAGMA key = '' would leave the rest of the session writing plain pages into an
    // encrypted file.
    void emptyPragmaKeyKeepsTheKey()
    {
        const QString path = file(QStringLiteral("keep-key.db"));
        CppSQLite3Connection db;
        db.open(native(path).constData(), kKey);
        db.execute("CREATE TABLE x (v);");
        QCOMPARE(raised([&] { db.execute("PRAGMA key = '';"); }),
                 QStringLiteral("SQLITE_ERROR[1]: the key of an open encrypted database cannot be removed; re-key it instead"));
        QVERIFY(pagecodec::isEncrypted(db.handle()));
        db.execute("INSERT INTO x VALUES ('still secret');");
        db.close();
        QVERIFY(!readAll(path).contains("still secret"));
    }

    // Re-keying amid an open transaction or a running statement is refused and leaves the
    // file as it was.
    void rekeyAmidWorkIsRefused_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        const QString inTransaction = QStringLiteral("SQLITE_ERROR[1]: cannot change the key inside a transaction");
        QTest::newRow("open transaction") << QStringLiteral("transaction") << inTransaction;
        QTest::newRow("open transaction on a new file") << QStringLiteral("new file") << inTransaction;
        QTest::newRow("running statement") << QStringLiteral("statement")
                                           << QStringLiteral("SQLITE_ERROR[1]: cannot change the key while a statement is running");
    }
    void rekeyAmidWorkIsRefused()
    {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        const QString path = file(QStringLiteral("amid-%1.db").arg(situation).remove(u' '));
        const bool newFile = situation == QStringLiteral("new file");
        if (!newFile) {
            CppSQLite3Connection db;
            db.open(native(path).constData(), kKey);
            db.execute("CREATE TABLE x (v); INSERT INTO x VALUES (1); INSERT INTO x VALUES (2);");
        }
        const QByteArray before = digest(path);
        {
            CppSQLite3Connection db;
            db.open(native(path).constData(), newFile ? nullptr : kKey);
            CppSQLite3Cursor running;
            if (situation == QStringLiteral("statement"))
                running = db.query("SELECT v FROM x;");
            else
                db.execute(newFile ? "BEGIN; CREATE TABLE x (v);" : "BEGIN; INSERT INTO x VALUES (3);");
            QCOMPARE(raised([&] { db.changeKey("other phrase"); }), message);
            QCOMPARE(digest(path), before);
            running.finalize();
            store::rollbackIfOpen(db);
            QCOMPARE(pagecodec::isEncrypted(db.handle()), !newFile);
        }
        QCOMPARE(digest(path), before);
        if (!newFile) {
            CppSQLite3Connection db;
            db.open(native(path).constData(), kKey);
            QCOMPARE(db.queryInt("SELECT count(*) FROM x;"), 2);
        }
    }

    // Setting the key must not leave the connection a smaller page cache than a plain
    // one: many small transactions then read the same pages again and again.
    void keyedConnectionCachesAsManyPagesAsPlain_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("key call on a new file") << QStringLiteral("key");
        QTest::newRow("key call after a temporary table") << QStringLiteral("temp first");
        QTest::newRow("re-key of a new file") << QStringLiteral("rekey");
        QTest::newRow("re-key of a plain file with 4096-byte pages") << QStringLiteral("rekey plain");
    }
    void keyedConnectionCachesAsManyPagesAsPlain()
    {
        QFETCH(QString, how);
        const QString tag = QString::fromLatin1(QTest::currentDataTag()).remove(u' ');
        RawConnection plain(native(file(QStringLiteral("cache-plain-%1.db").arg(tag))));
        fillAndScan(plain);

        RawConnection keyed(native(file(QStringLiteral("cache-keyed-%1.db").arg(tag))));
        if (how == QStringLiteral("temp first"))
            QCOMPARE(keyed.exec("PRAGMA temp_store = MEMORY; CREATE TEMP TABLE scratch (v);"), SQLITE_OK);
        if (how == QStringLiteral("rekey plain"))
            QCOMPARE(keyed.exec("CREATE TABLE seed (v); INSERT INTO seed VALUES (1);"), SQLITE_OK);
        const int rc = how.startsWith(QStringLiteral("rekey")) ? sqlite3_rekey(keyed.db, kKey, int(strlen(kKey)))
                                                               : sqlite3_key(keyed.db, kKey, int(strlen(kKey)));
        QCOMPARE(rc, SQLITE_OK);
        fillAndScan(keyed);
        QVERIFY(pagecodec::isEncrypted(keyed.db));
        QVERIFY2(keyed.cacheBytes() >= plain.cacheBytes() * 9 / 10,
                 qPrintable(QStringLiteral("keyed %1 bytes, plain %2").arg(keyed.cacheBytes()).arg(plain.cacheBytes())));
    }

    // A key for a file the codec's layer does not own (opened with another file system)
    // would leave the file plain: refused with the reason. In-memory databases never
    // reach a disk, so a key is accepted there and changes nothing.
    void keyForFileOutsideTheLayer_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("result");
        QTest::newRow("key call") << QStringLiteral("outside.db") << QStringLiteral("key") << int(SQLITE_ERROR);
        QTest::newRow("re-key call") << QStringLiteral("outside.db") << QStringLiteral("rekey") << int(SQLITE_ERROR);
        QTest::newRow("PRAGMA key, access layer") << QStringLiteral("outside.db") << QStringLiteral("pragma") << int(SQLITE_ERROR);
        QTest::newRow("key call, in memory") << QStringLiteral(":memory:") << QStringLiteral("key") << int(SQLITE_OK);
        QTest::newRow("re-key call, in memory") << QStringLiteral(":memory:") << QStringLiteral("rekey") << int(SQLITE_OK);
    }
    void keyForFileOutsideTheLayer()
    {
        QFETCH(QString, name);
        QFETCH(QString, call);
        QFETCH(int, result);
        const bool inMemory = name.startsWith(u':');
        const QString path = inMemory ? name : file(call + name);
        const QByteArray uri = inMemory ? native(path) : "file:" + native(path) + "?vfs=unix";
        const QString refusal = QStringLiteral("the database file is not opened through the page codec's file layer "
                                               "(register it before opening): it would stay plain");
        if (call == QStringLiteral("pragma")) {
            CppSQLite3Connection db;
            db.open(uri.constData());
            QCOMPARE(raised([&] { db.execute("PRAGMA key = 'k7m;3qTz';"); }), QStringLiteral("SQLITE_ERROR[1]: ") + refusal);
            db.execute("CREATE TABLE x (v);");
        } else {
            RawConnection c(uri);
            const int rc = call == QStringLiteral("key") ? sqlite3_key(c.db, kKey, int(strlen(kKey)))
                                                         : sqlite3_rekey(c.db, kKey, int(strlen(kKey)));
            QCOMPARE(rc, result);
            if (result != SQLITE_OK)
                QCOMPARE(QString::fromUtf8(pagecodec::errorText(c.db)), refusal);
            QCOMPARE(c.exec("CREATE TABLE x (v); INSERT INTO x VALUES (1);"), SQLITE_OK);
            QVERIFY(!pagecodec::isEncrypted(c.db));
        }
        if (!inMemory)
            QVERIFY(readAll(path).startsWith(kHeader)); // plain, as the caller was told
    }

    // PRAGMA key on a connection made outside the access layer leaves the engine's
    // temporary storage as it was (files by default), and a private temporary database
    // ("") takes no key at all: their files hold data of this process's databases and
    // must not reach the disk plain.
    void temporaryFilesAreNotPlain_data()
    {
        QTest::addColumn<bool>("privateDatabase");
        QTest::newRow("temporary table of a file keyed by PRAGMA key") << false;
        QTest::newRow("private temporary database") << true;
    }
    void temporaryFilesAreNotPlain()
    {
        QFETCH(bool, privateDatabase);
        const QByteArray fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                                "INSERT INTO words SELECT 'secret word ' || i || printf('%.300c', '.') FROM n;";
        const QString path = file(QStringLiteral("tempfiles.db"));
        if (!privateDatabase) {
            CppSQLite3Connection db;
            db.open(native(path).constData(), kKey);
            db.execute("CREATE TABLE words (w TEXT);");
            db.execute(fill.constData());
        }
        QTemporaryDir tempDir(file(QStringLiteral("tmp-XXXXXX")));
        char *previous = sqlite3_temp_directory;
        sqlite3_temp_directory = sqlite3_mprintf("%s", native(tempDir.path()).constData());
        const auto restore = qScopeGuard([previous] {
            sqlite3_free(sqlite3_temp_directory);
            sqlite3_temp_directory = previous;
        });
        RawConnection c(privateDatabase ? QByteArray() : native(path));
        if (privateDatabase) {
            QCOMPARE(sqlite3_key(c.db, kKey, int(strlen(kKey))), SQLITE_OK);
            QCOMPARE(c.exec("PRAGMA cache_size = 5; CREATE TABLE words (w TEXT);"), SQLITE_OK);
            QCOMPARE(c.exec(fill.constData()), SQLITE_OK);
        } else {
            QCOMPARE(c.exec("PRAGMA temp_store = FILE; PRAGMA key = 'k7m;3qTz';"), SQLITE_OK);
            QCOMPARE(c.exec("PRAGMA temp.cache_size = 5; CREATE TEMP TABLE scratch AS SELECT * FROM words;"), SQLITE_OK);
        }
        qsizetype written = 0;
        for (const QByteArray &content : openFilesIn(tempDir.path())) {
            written += content.size();
            QVERIFY(!content.contains("secret word"));
        }
        QVERIFY2(written > 0, "no temporary file was written: the check saw nothing");
        QCOMPARE(c.scalar(privateDatabase ? "SELECT count(*) FROM words WHERE w LIKE 'secret word %';"
                                          : "SELECT count(*) FROM scratch WHERE w LIKE 'secret word %';"),
                 2000);
        QCOMPARE(c.scalar("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok';"), 1);
    }

    // Temporary files are read back by this process only, so each gets its own key
    // stream: equal contents do not show as equal files, and a page whose content is
    // known (zeros) does not decrypt another file.
    void temporaryFilesDoNotShareAKeyStream()
    {
        char *previous = sqlite3_temp_directory;
        const auto restore = qScopeGuard([previous] {
            sqlite3_free(sqlite3_temp_directory);
            sqlite3_temp_directory = previous;
        });
        const auto tempFileOf = [&](RawConnection &c, const QTemporaryDir &dir, const char *fill) {
            sqlite3_free(sqlite3_temp_directory);
            sqlite3_temp_directory = sqlite3_mprintf("%s", native(dir.path()).constData());
            // A private temporary database spills to its file once its cache is full.
            [&] { QCOMPARE(c.exec(fill), SQLITE_OK); }();
            const QList<QByteArray> files = openFilesIn(dir.path());
            return files.size() == 1 ? files.first() : QByteArray();
        };
        const char zeros[] = "PRAGMA cache_size = 5; CREATE TABLE z (v BLOB);"
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8) "
                             "INSERT INTO z SELECT zeroblob(20000) FROM n;";
        const char secrets[] = "PRAGMA cache_size = 5; CREATE TABLE w (t TEXT);"
                               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                               "INSERT INTO w SELECT 'secret word ' || i || printf('%.300c', '.') FROM n;";
        QTemporaryDir firstDir(file(QStringLiteral("tmp-XXXXXX")));
        QTemporaryDir secondDir(file(QStringLiteral("tmp-XXXXXX")));
        QTemporaryDir thirdDir(file(QStringLiteral("tmp-XXXXXX")));
        RawConnection first(QByteArray{});
        RawConnection second(QByteArray{});
        RawConnection third(QByteArray{});
        const QByteArray a = tempFileOf(first, firstDir, zeros);
        const QByteArray b = tempFileOf(second, secondDir, zeros);
        const QByteArray secret = tempFileOf(third, thirdDir, secrets);
        QVERIFY(a.size() >= 100 * 1024);
        QCOMPARE(b.size(), a.size());
        QVERIFY(secret.size() >= 100 * 1024);
        for (qsizetype off = 0; off < a.size(); off += 1024)
            QVERIFY2(a.mid(off, 1024) != b.mid(off, 1024), qPrintable(QString::number(off)));
        // Most pages of the first file are overflow pages of zeros: taken as a known
        // page, none of them may turn the other file's pages into its text.
        for (qsizetype known = 0; known < a.size(); known += 1024) {
            const QByteArray pad = a.mid(known, 1024);
            for (qsizetype off = 0; off < secret.size(); off += 1024)
                QVERIFY(!independent::xorWith(secret.mid(off, 1024), pad).contains("secret word"));
        }
        QCOMPARE(first.scalar("SELECT count(*) FROM z WHERE v = zeroblob(20000);"), 8);
        QCOMPARE(third.scalar("SELECT count(*) FROM w WHERE t LIKE 'secret word %';"), 2000);

        // No key from the kernel: the statement that needs a temporary file fails and
        // nothing reaches the disk, rather than pages under a guessable key.
        pagecodec::failRandomDraws(true);
        const auto drawAgain = qScopeGuard([] { pagecodec::failRandomDraws(false); });
        QTemporaryDir refusedDir(file(QStringLiteral("tmp-XXXXXX")));
        sqlite3_free(sqlite3_temp_directory);
        sqlite3_temp_directory = sqlite3_mprintf("%s", native(refusedDir.path()).constData());
        RawConnection refused(QByteArray{});
        QCOMPARE(refused.exec(secrets), SQLITE_CANTOPEN);
        QVERIFY(openFilesIn(refusedDir.path()).isEmpty());
        QVERIFY(QDir(refusedDir.path()).isEmpty());
    }

    void temporaryObjectsWork()
    {
        const QString path = file(QStringLiteral("temp.db"));
        CppSQLite3Connection db;
        store::openStore(db, path);
        db.execute(store::tempObjectsScript().constData());
        db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'l'); INSERT INTO words_tbl VALUES (NULL, 1, 'temporary', 'x', 'y');"
                   "INSERT INTO tmp_NoOrder_DayList_tbl SELECT wid FROM words_tbl;");
        QCOMPARE(QString::fromUtf8(db.query("SELECT name FROM tmp_NoOrder_DayList_view;").value(0)), QStringLiteral("temporary"));
        QCOMPARE(db.queryInt("SELECT count(*) FROM temp.sqlite_master WHERE type IN ('table', 'view');"), 2);
        QCOMPARE(db.queryInt("SELECT count(*) FROM main.sqlite_master WHERE name LIKE 'tmp%';"), 0);
    }

    // Files that are not ours, or damaged: the engine's text is raised and nothing is
    // overwritten.
    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("random bytes") << QStringLiteral("random");
        QTest::newRow("truncated") << QStringLiteral("truncated");
        QTest::newRow("plain SQLite file") << QStringLiteral("plain");
        QTest::newRow("empty pages") << QStringLiteral("zeros");
    }
    void badFiles()
    {
        QFETCH(QString, kind);
        const QString path = file(QStringLiteral("bad-%1.db").arg(kind));
        if (kind == QStringLiteral("random")) {
            QByteArray bytes(8192, '\0');
            QRandomGenerator gen(1234);
            for (char &c : bytes)
                c = static_cast<char>(gen.bounded(256));
            writeAll(path, bytes);
        } else if (kind == QStringLiteral("truncated")) {
            {
                CppSQLite3Connection db;
                store::openStore(db, path);
            }
            QFile f(path);
            QVERIFY(f.resize(1500));
        } else if (kind == QStringLiteral("plain")) {
            makePlainDatabase(path, 5);
        } else {
            writeAll(path, QByteArray(4096, '\0'));
        }
        const QByteArray before = digest(path);
        CppSQLite3Connection db;
        const QString message = raised([&] {
            store::openStore(db, path);
            db.queryInt("SELECT count(*) FROM UserInfo_tbl;");
            db.execute("INSERT INTO UserInfo_tbl (username) VALUES ('x');");
        });
        QVERIFY2(message.startsWith(QStringLiteral("UNKNOWN_ERROR[26]: file is not a database"))
                     || message.startsWith(QStringLiteral("SQLITE_CORRUPT[11]: database disk image is malformed"))
                     || message.startsWith(QStringLiteral("SQLITE_ERROR[1]: no such table")),
                 qPrintable(message));
        db.close();
        QCOMPARE(digest(path), before);
    }
};

QTEST_GUILESS_MAIN(TestPageCodec)
#include "tst_page_codec.moc"
