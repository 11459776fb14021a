#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {
QString raised(const std::function<void()> &fn)
{
    try {
        fn();
    } catch (const CppSQLite3Exception &e) {
        return QString::fromUtf8(e.errorMessage());
    }
    return {};
}

QStringList names(CppSQLite3Connection &db, const char *type)
{
    QStringList out;
    const QByteArray sql = sqlFormat("SELECT name FROM sqlite_master WHERE type = '%s' AND name NOT LIKE 'sqlite_%%' ORDER BY name;", type);
    for (CppSQLite3Cursor c = db.query(sql.constData()); !c.eof(); c.next())
        out << QString::fromUtf8(c.value(0));
    return out;
}

QByteArray newUser(const char *name, int dayNum, int type = 0)
{
    return sqlFormat("INSERT INTO UserInfo_tbl VALUES(NULL, %d, '%s', '%s', -1, %d, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);",
                     type, sqlQuote(QByteArrayView(name)).constData(), "pw", dayNum);
}
} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CppSQLite3Connection m_db;

private Q_SLOTS:
    void init()
    {
        static int n = 0;
        m_db.close();
        const QString path = m_dir.filePath(QStringLiteral("data%1.db").arg(++n));
        if (QTest::currentDataTag() && qstrcmp(QTest::currentDataTag(), "zero-length file") == 0) {
            // A first start that ended between creating the file and running the script.
            QFile empty(path);
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        store::openStore(m_db, path);
    }

    void newFileHoldsExactlyTheSchema_data()
    {
        // What init finds at the path before it opens the store: both are made from
        // the schema script.
        QTest::addColumn<int>("bytesBefore");
        QTest::newRow("no file") << -1;
        QTest::newRow("zero-length file") << 0;
    }
    void newFileHoldsExactlyTheSchema()
    {
        QCOMPARE(names(m_db, "table"),
                 (QStringList{QStringLiteral("DayList_tbl"), QStringLiteral("SoftInfo_tbl"), QStringLiteral("ThesaurusInfo_tbl"),
                              QStringLiteral("UserInfo_tbl"), QStringLiteral("WordMemory_tbl"), QStringLiteral("WordsMarkInfo_tbl"),
                              QStringLiteral("logs_tbl"), QStringLiteral("words_tbl")}));
        QCOMPARE(names(m_db, "index"), QStringList{QStringLiteral("w_index")});
        QCOMPARE(names(m_db, "view"),
                 (QStringList{QStringLiteral("DayList_view"), QStringLiteral("ReviewHard_view"),
                              QStringLiteral("ReviewNormal_view"), QStringLiteral("unmark_view")}));
        QCOMPARE(names(m_db, "trigger"), (QStringList{QStringLiteral("ChgTid_trig"), QStringLiteral("DelUserMemory_trig")}));
        CppSQLite3Cursor soft = m_db.query("SELECT name, version FROM SoftInfo_tbl;");
        QCOMPARE(QString::fromUtf8(soft.value(0)), QStringLiteral("Quillora"));
        QCOMPARE(QString::fromUtf8(soft.value(1)), QStringLiteral("1.0.0.0"));
        soft.next();
        QVERIFY(soft.eof());
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM UserInfo_tbl;"), 0);
        QCOMPARE(m_db.queryInt("PRAGMA foreign_keys;"), 0); // declared, not enforced
    }

    // A store from before the memory model: its first opening adds the table and
    // starts every studied word as reviewed Good once on its last-study date; later
    // openings seed nothing again. Deleting the user removes the rows.
    void olderStoreGainsTheMemoryTable()
    {
        const QString path = m_dir.filePath(QStringLiteral("older.db"));
        m_db.close();
        store::openStore(m_db, path);
        m_db.execute("DROP TRIGGER DelUserMemory_trig; DROP TABLE WordMemory_tbl;");
        m_db.execute(newUser("ann", 20).constData());
        m_db.execute(newUser("bob", 20).constData());
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'one');");
        for (int i = 1; i <= 4; ++i)
            m_db.execute(sqlFormat("INSERT INTO words_tbl VALUES (%d, 1, 'w%d', 'x', 'y');", i, i).constData());
        m_db.execute("UPDATE UserInfo_tbl SET tid = 1;"
                     "UPDATE WordsMarkInfo_tbl SET times = 3, RecentMarkDate = '2026-03-30' WHERE wid = 2;"
                     "UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = '2026-12-31' WHERE uid = 2 AND wid = 4;");
        m_db.close();

        store::openStore(m_db, path);
        QStringList rows;
        for (CppSQLite3Cursor c = m_db.query("SELECT uid, wid, stability, round(difficulty, 4), LastReview, due, reps, lapses FROM WordMemory_tbl ORDER BY uid, wid;"); !c.eof(); c.next()) {
            QStringList row;
            for (int i = 0; i < 8; ++i)
                row << QString::fromUtf8(c.value(i));
            rows << row.join(u' ');
        }
        QCOMPARE(rows, (QStringList{QStringLiteral("1 2 2.3065 2.1181 2026-03-30 2026-04-01 1 0"),
                                    QStringLiteral("2 2 2.3065 2.1181 2026-03-30 2026-04-01 1 0"),
                                    QStringLiteral("2 4 2.3065 2.1181 2026-12-31 2027-01-02 1 0")}));

        m_db.execute("DELETE FROM WordMemory_tbl WHERE uid = 1;");
        m_db.close();
        store::openStore(m_db, path);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordMemory_tbl;"), 2); // seeded once only

        m_db.execute("DELETE FROM UserInfo_tbl WHERE uid = 2;");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordMemory_tbl;"), 0);
    }

    void userColumnsInOrder()
    {
        QStringList columns;
        for (CppSQLite3Cursor c = m_db.query("SELECT name FROM pragma_table_info('UserInfo_tbl') ORDER BY cid;"); !c.eof(); c.next())
            columns << QString::fromUtf8(c.value(0));
        QCOMPARE(columns.join(u' '),
                 QStringLiteral("uid type username password tid DayNum mode count DateFrom DateTo TimesFrom TimesTo CloseExit "
                                "MemorHardMode MemorAutoNext TestAutoAddHard TestAutoNext NotifyBegin NotifyEnd NotifyInterval "
                                "TTSspeaker TTSvolume TTSspeed"));
    }

    void dailyAmountConstraint_data()
    {
        QTest::addColumn<int>("dayNum");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("4") << 4 << false;
        QTest::newRow("5") << 5 << true;
        QTest::newRow("1000") << 1000 << true;
        QTest::newRow("1001") << 1001 << false;
    }
    void dailyAmountConstraint()
    {
        QFETCH(int, dayNum);
        QFETCH(bool, accepted);
        const QString message = raised([&] { m_db.execute(newUser("u", dayNum).constData()); });
        if (accepted)
            QCOMPARE(message, QString());
        else
            QCOMPARE(message, QStringLiteral("SQLITE_CONSTRAINT[19]: CHECK constraint failed: chk_DayNum"));
    }

    void choosingAListSeedsProgressRows()
    {
        m_db.execute(newUser("ann", 20).constData());
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'one'); INSERT INTO ThesaurusInfo_tbl VALUES (2, 'two');");
        for (int i = 0; i < 12; ++i)
            m_db.execute(sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, 'w%d', 'x', 'y');", i < 8 ? 1 : 2, i).constData());

        m_db.execute("UPDATE UserInfo_tbl SET tid = 1, count = 8 WHERE uid = 1;");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE uid = 1 AND tid = 1 AND times = 0 AND hard = 0 AND RecentMarkDate IS NULL;"), 8);
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 3, RecentMarkDate = '2026-01-02', hard = 1 WHERE wid = 2;");

        m_db.execute("UPDATE UserInfo_tbl SET tid = 2 WHERE uid = 1;");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE uid = 1;"), 12);
        // Back to the first list: the progress reached there is kept.
        m_db.execute("UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1;");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl WHERE uid = 1;"), 12);
        QCOMPARE(m_db.queryInt("SELECT times FROM WordsMarkInfo_tbl WHERE uid = 1 AND wid = 2;"), 3);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM unmark_view WHERE uid = 1 AND tid = 1;"), 7);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ReviewNormal_view WHERE uid = 1 AND tid = 1;"), 1);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ReviewHard_view WHERE uid = 1 AND tid = 1;"), 1);

        // A word added after the choice has no row until the list is chosen again.
        m_db.execute("INSERT INTO words_tbl VALUES (NULL, 1, 'late', 'x', 'y');");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.name = 'late';"), 0);
        m_db.execute("UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1;"); // same value still fires the trigger
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE w.name = 'late';"), 1);
    }

    void dayListView()
    {
        m_db.execute(newUser("bob", 20).constData());
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'one'); INSERT INTO words_tbl VALUES (10, 1, 'apple', 'n. 苹果', 'ˈæpl');"
                     "INSERT INTO DayList_tbl VALUES (1, 10, NULL);");
        CppSQLite3Cursor c = m_db.query("SELECT uid, wid, name, interp, phonetic FROM DayList_view;");
        QCOMPARE(c.intValue("wid"), 10);
        QCOMPARE(QString::fromUtf8(c.value("name")), QStringLiteral("apple"));
    }

    void narrowTextRoundTripsByteForByte()
    {
        // GBK bytes (as written on a Chinese system) and GB18030 four-byte sequences
        // (IPA) go in and come back unchanged.
        const QByteArray gbk = QByteArray::fromHex("b1b3b5a5b4ca20c6bbb9fb");           // 背单词 苹果
        const QByteArray ipa = ansi::fromUnicode(u"əˈbændən ʃʒθðŋ ɔːɑːʌɪʊ");
        QVERIFY(ipa.size() > 20);
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'l');");
        m_db.execute(("INSERT INTO words_tbl VALUES (NULL, 1, 'w', '" + sqlQuote(QByteArrayView(gbk)) + "', '"
                      + sqlQuote(QByteArrayView(ipa)) + "');").constData());
        CppSQLite3Cursor c = m_db.query("SELECT interp, phonetic, length(CAST(interp AS BLOB)) FROM words_tbl;");
        QCOMPARE(QByteArray(c.value(0)), gbk);
        QCOMPARE(QByteArray(c.value(1)), ipa);
        QCOMPARE(c.intValue(2), gbk.size());
        QCOMPARE(ansi::toUnicode(c.value(0)), QStringLiteral("背单词 苹果"));
        QCOMPARE(ansi::toUnicode(c.value(1)), QStringLiteral("əˈbændən ʃʒθðŋ ɔːɑːʌɪʊ"));
    }

    void failedScriptIsRolledBack()
    {
        const QString message = raised([&] {
            m_db.execute("BEGIN TRANSACTION; INSERT INTO ThesaurusInfo_tbl VALUES (5, 'x'); INSERT INTO nowhere VALUES (1); COMMIT TRANSACTION;");
        });
        QCOMPARE(message, QStringLiteral("SQLITE_ERROR[1]: no such table: nowhere"));
        store::rollbackIfOpen(m_db);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl;"), 0);
        m_db.execute("BEGIN TRANSACTION; COMMIT TRANSACTION;"); // no transaction left open
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
