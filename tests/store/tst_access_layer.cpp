#include "store/CppSQLite3.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <functional>
#include <string>

// Runs fn and returns the message of the CppSQLite3Exception it raises ("" if none).
static QString raised(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const CppSQLite3Exception &e) {
        return QString::fromUtf8(e.errorMessage());
    }
    return {};
}

class TestAccessLayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::string path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)).toStdString(); }

private Q_SLOTS:
    void exceptionFormat_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("ok") << 0 << "SQLITE_OK";
        QTest::newRow("error") << 1 << "SQLITE_ERROR";
        QTest::newRow("busy") << 5 << "SQLITE_BUSY";
        QTest::newRow("corrupt") << 11 << "SQLITE_CORRUPT";
        QTest::newRow("constraint") << 19 << "SQLITE_CONSTRAINT";
        QTest::newRow("range") << 25 << "SQLITE_RANGE";
        QTest::newRow("not a database has no name") << 26 << "UNKNOWN_ERROR";
        QTest::newRow("row") << 100 << "SQLITE_ROW";
        QTest::newRow("done") << 101 << "SQLITE_DONE";
        QTest::newRow("layer") << 1000 << "CPPSQLITE_ERROR";
        QTest::newRow("other") << 77 << "UNKNOWN_ERROR";
    }
    void exceptionFormat()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        CppSQLite3Exception e(code, "detail");
        QCOMPARE(e.errorCode(), code);
        QCOMPARE(QString::fromUtf8(e.errorMessage()), QStringLiteral("%1[%2]: detail").arg(name).arg(code));
        const CppSQLite3Exception copy(e);
        QCOMPARE(QString::fromUtf8(copy.errorMessage()), QString::fromUtf8(e.errorMessage()));
        QVERIFY(copy.errorMessage() != e.errorMessage()); // duplicated, not shared
        QCOMPARE(QString::fromUtf8(CppSQLite3Exception(1).errorMessage()), QStringLiteral("SQLITE_ERROR[1]: "));
        char *owned = sqlite3_mprintf("engine text");
        QCOMPARE(QString::fromUtf8(CppSQLite3Exception(1, owned, true).errorMessage()),
                 QStringLiteral("SQLITE_ERROR[1]: engine text"));
    }

    void notOpen()
    {
        CppSQLite3Connection db;
        QCOMPARE(db.busyTimeout(), 60000);
        const QString expected = QStringLiteral("CPPSQLITE_ERROR[1000]: Database not open");
        QCOMPARE(raised([&] { db.execute("SELECT 1;"); }), expected);
        QCOMPARE(raised([&] { db.query("SELECT 1;"); }), expected);
        QCOMPARE(raised([&] { db.queryInt("SELECT 1;"); }), expected);
    }

    void scalarQueries()
    {
        CppSQLite3Connection db;
        db.open(path("scalar.db").c_str());
        db.execute("CREATE TABLE t (x INTEGER, s TEXT);");
        QCOMPARE(db.queryInt("SELECT count(*) FROM t;"), 0);
        QCOMPARE(raised([&] { db.queryInt("SELECT x FROM t;"); }),
                 QStringLiteral("CPPSQLITE_ERROR[1000]: Invalid scalar query"));
        // atoi's rule on the text of column 0.
        QCOMPARE(db.queryInt("SELECT '12abc';"), 12);
        QCOMPARE(db.queryInt("SELECT '  -7 apples';"), -7);
        QCOMPARE(db.queryInt("SELECT 'abc';"), 0);
        QCOMPARE(db.queryInt("SELECT 3.9;"), 3);
        QCOMPARE(db.queryInt("SELECT NULL;"), 0);
        QCOMPARE(db.queryInt("SELECT max(x) FROM t;"), 0); // NULL over no rows
        QCOMPARE(db.queryInt("SELECT EXISTS ( SELECT * FROM t );"), 0);
    }

    void preparationFailureCarriesEngineText()
    {
        CppSQLite3Connection db;
        db.open(path("prep.db").c_str());
        QCOMPARE(raised([&] { db.query("SELECT * FROM missing_tbl;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: no such table: missing_tbl"));
        QCOMPARE(raised([&] { db.queryInt("SELECT absent_col FROM sqlite_master;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: no such column: absent_col"));
        QCOMPARE(raised([&] { db.execute("SELEC 1;"); }),
                 QStringLiteral("SQLITE_ERROR[1]: near \"SELEC\": syntax error"));
    }

    void cursorColumns()
    {
        CppSQLite3Connection db;
        db.open(path("cursor.db").c_str());
        db.execute("CREATE TABLE u (uid INTEGER, name TEXT, rate FLOAT, n INTEGER);"
                   "INSERT INTO u VALUES (7, 'ann', 0.25, NULL);");
        CppSQLite3Cursor c = db.query("SELECT uid, name, rate, n, n AS WordCnt FROM u;");
        QVERIFY(!c.eof());
        QCOMPARE(c.columnCount(), 5);
        QCOMPARE(c.intValue("uid"), 7);
        QCOMPARE(c.intValue("n", -3), -3);
        QCOMPARE(c.intValue("WordCnt", 42), 42);
        QCOMPARE(c.floatValue("rate"), 0.25);
        QCOMPARE(c.floatValue("n", 1.5), 1.5);
        QCOMPARE(QString::fromUtf8(c.stringValue("name")), QStringLiteral("ann"));
        QCOMPARE(QString::fromUtf8(c.stringValue("n", "none")), QStringLiteral("none"));
        QVERIFY(c.value("n") == nullptr);
        QCOMPARE(c.columnType(3), SQLITE_NULL);

        const QString badName = QStringLiteral("CPPSQLITE_ERROR[1000]: Invalid field name requested");
        QCOMPARE(raised([&] { c.intValue("UID"); }), badName); // case-sensitive
        QCOMPARE(raised([&] { c.intValue("missing"); }), badName);
        QCOMPARE(raised([&] { c.columnIndex(nullptr); }), badName);

        const QString badIndex = QStringLiteral("CPPSQLITE_ERROR[1000]: Invalid field index requested");
        QCOMPARE(raised([&] { c.value(-1); }), badIndex);
        QCOMPARE(raised([&] { c.value(c.columnCount()); }), badIndex);
        QCOMPARE(raised([&] { c.columnType(5); }), badIndex);

        c.next();
        QVERIFY(c.eof());
        // The engine would run the query again from its first row.
        QCOMPARE(raised([&] { c.next(); }), QStringLiteral("CPPSQLITE_ERROR[1000]: No row after the last one"));
        QVERIFY(c.eof());
        c.finalize();
        const QString noStatement = QStringLiteral("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer");
        QCOMPARE(raised([&] { c.eof(); }), noStatement);
        QCOMPARE(raised([&] { c.next(); }), noStatement);
        QCOMPARE(raised([&] { c.value(0); }), noStatement);
        QCOMPARE(raised([&] { c.intValue("uid"); }), noStatement);

        CppSQLite3Cursor empty;
        QCOMPARE(raised([&] { empty.columnCount(); }), noStatement);
    }

    void cursorHandOver()
    {
        CppSQLite3Connection db;
        db.open(path("handover.db").c_str());
        db.execute("CREATE TABLE t (x); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);");
        CppSQLite3Cursor a = db.query("SELECT x FROM t ORDER BY x;");
        CppSQLite3Cursor b = db.query("SELECT 'other';");
        b = std::move(a); // b's own statement is finalised, a's is taken over
        QCOMPARE(b.intValue(0), 1);
        QCOMPARE(raised([&] { a.eof(); }), QStringLiteral("CPPSQLITE_ERROR[1000]: Null Virtual Machine pointer"));
        b.next();
        QCOMPARE(b.intValue(0), 2);
        CppSQLite3Cursor c(std::move(b));
        QVERIFY(!c.eof());
        c.next();
        QVERIFY(c.eof());
        // Every statement was finalised once: closing the file finds none left open.
        c.finalize();
        QCOMPARE(sqlite3_next_stmt(db.handle(), nullptr), nullptr);
    }

    void multiStatementStopsAtFailure()
    {
        CppSQLite3Connection db;
        db.open(path("multi.db").c_str());
        db.execute("CREATE TABLE t (x INTEGER UNIQUE);");
        const int changed = db.execute("INSERT INTO t VALUES (1); INSERT INTO t VALUES (2); UPDATE t SET x = x + 10;");
        QCOMPARE(changed, 2); // rows changed by the last statement
        const QString message = raised([&] {
            db.execute("INSERT INTO t VALUES (3); INSERT INTO t VALUES (3); INSERT INTO t VALUES (4);");
        });
        QVERIFY2(message.startsWith(QStringLiteral("SQLITE_CONSTRAINT[19]: UNIQUE constraint failed")), qPrintable(message));
        QCOMPARE(db.queryInt("SELECT count(*) FROM t WHERE x = 3;"), 1);
        QCOMPARE(db.queryInt("SELECT count(*) FROM t WHERE x = 4;"), 0);
        QCOMPARE(db.execute("  -- only a comment\n  "), 0);

        db.execute("INSERT INTO t VALUES (99);");
        QCOMPARE(db.lastInsertRowId(), static_cast<std::int64_t>(db.queryInt("SELECT max(rowid) FROM t;")));
    }

    void busyTimeout()
    {
        CppSQLite3Connection writer;
        writer.open(path("busy.db").c_str());
        writer.execute("CREATE TABLE t (x);");
        CppSQLite3Connection reader;
        reader.open(path("busy.db").c_str());
        QCOMPARE(reader.busyTimeout(), 60000);
        QCOMPARE(reader.queryInt("SELECT count(*) FROM t;"), 0); // schema known: the lock is met by the step
        writer.execute("BEGIN EXCLUSIVE TRANSACTION; INSERT INTO t VALUES (1);");
        reader.setBusyTimeout(50);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(raised([&] { reader.queryInt("SELECT count(*) FROM t;"); }),
                 QStringLiteral("SQLITE_BUSY[5]: database is locked"));
        QVERIFY(timer.elapsed() >= 40);
        writer.execute("COMMIT;");
        QCOMPARE(reader.queryInt("SELECT count(*) FROM t;"), 1);
    }

    void openFailureRaises()
    {
        CppSQLite3Connection db;
        const QString message = raised([&] { db.open(path("no/such/folder/x.db").c_str()); });
        QVERIFY2(message.startsWith(QStringLiteral("SQLITE_CANTOPEN[14]: ")), qPrintable(message));
        QVERIFY(!db.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestAccessLayer)
#include "tst_access_layer.moc"
