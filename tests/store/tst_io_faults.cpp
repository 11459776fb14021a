#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/PageCodec.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "users/UserRecord.h"
#include "wordlists/ImportWordList.h"
#include "wordlists/WordListStore.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

// Every read, write, sync and truncate of the store's files fails in turn (N = 1, 2,
// 3 ... until an operation runs without meeting its fault). After each failure the
// caller has the engine's error, the connection works, the reopened file is sound and
// holds the state before the operation or the state after it, never a mix.

using pagecodec::FileOp;

namespace {

constexpr char kKey[] = "k7m;3qTz";
constexpr char kNewKey[] = "another phrase";
constexpr char kToday[] = "2026-03-02";
constexpr int kImportWords = 2000;
constexpr int kStudyTid = 1;  // user 1's list: 150 words, 50 of them studied
constexpr int kOtherTid = 2;  // user 2's list, the one deleted: 400 words
constexpr int kDayNum = 100;  // = the unstudied words of list 1, so the daily list is known
constexpr int kMemoriseWid = 77; // unstudied, in list 1

enum class Op { Import, DailyList, Memorise, TestAnswer, DeleteList, Rekey };

struct Fault
{
    FileOp op;
    int code;
};

UserRecord userOf(CppSQLite3Connection &db, int uid)
{
    UserRecord user;
    CppSQLite3Cursor row = db.query(sqlFormat("SELECT * FROM UserInfo_tbl WHERE uid = %d;", uid).constData());
    user.fill(row);
    return user;
}

// Every row of every table, in an order that survives VACUUM's renumbering.
QByteArray stateOf(CppSQLite3Connection &db)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const char *table : {"SoftInfo_tbl", "ThesaurusInfo_tbl", "UserInfo_tbl", "words_tbl", "WordsMarkInfo_tbl",
                              "DayList_tbl", "logs_tbl"}) {
        int columns = db.query(sqlFormat("SELECT * FROM %s LIMIT 0;", table).constData()).columnCount();
        QByteArray order;
        for (int i = 1; i <= columns; ++i)
            order += (i > 1 ? "," : "") + QByteArray::number(i);
        for (CppSQLite3Cursor c = db.query(sqlFormat("SELECT * FROM %s ORDER BY %s;", table, order.constData()).constData());
             !c.eof(); c.next()) {
            for (int i = 0; i < columns; ++i)
                hash.addData(c.isNull(i) ? QByteArrayView("\x01|") : QByteArrayView(QByteArray(c.value(i)) + '|'));
            hash.addData("\n");
        }
        hash.addData(table);
    }
    return hash.result().toHex();
}

QString integrity(CppSQLite3Connection &db)
{
    return QString::fromUtf8(db.query("PRAGMA integrity_check;").value(0));
}

} // namespace

class TestIoFaults : public QObject
{
    Q_OBJECT

    // Thousands of commits: on a memory file system where there is one, so that the
    // syncs (counted all the same) do not wait for a disk.
    QTemporaryDir m_dir{QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm/quillora-faults-XXXXXX")
                                                                           : QDir::tempPath() + QStringLiteral("/quillora-faults-XXXXXX")};
    QString m_path;
    QString m_listFile;
    QByteArray m_template; // the encrypted store every run starts from
    QByteArray m_before;
    long long m_pointsTried = 0;

    QByteArray native() const { return QFile::encodeName(m_path); }

    void restore()
    {
        QFile::remove(m_path + QStringLiteral("-journal"));
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(m_template), m_template.size());
    }

    void buildTemplate()
    {
        CppSQLite3Connection db;
        store::openStore(db, m_path);
        db.execute(sqlFormat("INSERT INTO UserInfo_tbl VALUES(NULL, 1, 'u1', 'p', -1, %d, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);"
                             "INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'u2', 'p', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);",
                             kDayNum).constData());
        db.execute("BEGIN; INSERT INTO ThesaurusInfo_tbl VALUES (1, 'study'); INSERT INTO ThesaurusInfo_tbl VALUES (2, 'other');");
        for (int i = 0; i < 550; ++i)
            db.execute(sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, 'word%d', 'n. 解释 %d', 'ph%d');", i < 150 ? kStudyTid : kOtherTid, i, i, i).constData());
        db.execute("COMMIT;");
        wordlists::chooseList(db, 1, kStudyTid);
        wordlists::chooseList(db, 2, kOtherTid);
        db.execute("UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = '2026-02-01' WHERE uid = 1 AND wid <= 50;"
                   "INSERT INTO logs_tbl VALUES (2, 2, '2026-02-01', 0, 1, 0.25);"
                   "INSERT INTO DayList_tbl SELECT 1, wid, NULL FROM words_tbl WHERE wid BETWEEN 10 AND 29;");
        m_before = stateOf(db);
        db.close();
        QFile f(m_path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        m_template = f.readAll();

        QFile list(m_listFile);
        QVERIFY(list.open(QIODevice::WriteOnly));
        for (int i = 0; i < kImportWords; ++i)
            list.write(sqlFormat("imported%d [ph'%d]\nv. 导入的词 %d\n\n", i, i, i));
    }

    void run(Op op, CppSQLite3Connection &db)
    {
        switch (op) {
        case Op::Import:
            QCOMPARE(wordlists::importFile(db, m_listFile).status, wordlists::ImportStatus::Imported);
            break;
        case Op::DailyList:
            QVERIFY(study::buildDailyList(db, userOf(db, 1), true, QString::fromLatin1(kToday)).built);
            break;
        case Op::Memorise: // as the memorise page records a word typed right
            db.execute(sqlFormat("UPDATE WordsMarkInfo_tbl SET times = times + 1, RecentMarkDate = date('%s') WHERE uid = 1 AND wid = %d; ",
                                 kToday, kMemoriseWid).constData());
            break;
        case Op::TestAnswer: // as the test page records a wrong answer with the hard-word option on
            try {
                db.execute(sqlFormat("BEGIN TRANSACTION;UPDATE WordsMarkInfo_tbl SET times = times + 1, RecentMarkDate = date('%s') WHERE uid = 1 AND wid = 12; "
                                     "UPDATE DayList_tbl SET incorrect = 1 WHERE uid = 1 AND wid = 12;UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE uid = 1 AND wid = 12;COMMIT TRANSACTION;",
                                     kToday).constData());
            } catch (const CppSQLite3Exception &) {
                store::rollbackIfOpen(db);
                throw;
            }
            break;
        case Op::DeleteList:
            wordlists::deleteList(db, kOtherTid);
            break;
        case Op::Rekey:
            db.changeKey(kNewKey);
            break;
        }
    }

    // The state the operation leaves when nothing fails.
    QByteArray stateAfter(Op op)
    {
        restore();
        CppSQLite3Connection db;
        db.open(native().constData(), kKey);
        run(op, db);
        return stateOf(db);
    }

    // Runs the operation with the fault at N = 1, 2, 3 ... until it no longer meets it.
    void faultPoints()
    {
        QFETCH(int, op);
        QFETCH(int, fileOp);
        QFETCH(int, code);
        const QByteArray after = stateAfter(Op(op));
        QVERIFY(after != m_before || Op(op) == Op::Rekey); // a re-key changes only the key

        long long n = 1;
        for (;; ++n) {
            QVERIFY2(n < 100000, "the operation never completed");
            restore();
            CppSQLite3Connection db;
            db.open(native().constData(), kKey);
            QString error;
            int errorCode = 0;
            pagecodec::injectFault(FileOp(fileOp), n, code);
            try {
                run(Op(op), db);
            } catch (const CppSQLite3Exception &e) {
                error = QString::fromUtf8(e.errorMessage());
                errorCode = e.errorCode();
            }
            const bool met = pagecodec::faultMet();
            pagecodec::injectFault(FileOp(fileOp), 0, 0);
            if (QTest::currentTestFailed())
                return;
            const QString where = QStringLiteral("fault at call %1: %2").arg(n).arg(error);
            if (!met) {
                QVERIFY2(error.isEmpty(), qPrintable(where));
                QCOMPARE(stateOf(db), after);
                break;
            }
            if (!error.isEmpty()) {
                // The engine's own code and text, as a message box shows them.
                QVERIFY2(errorCode == SQLITE_IOERR || errorCode == SQLITE_FULL, qPrintable(where));
                QCOMPARE(error, QStringLiteral("%1[%2]: %3").arg(QString::fromLatin1(CppSQLite3Exception::codeName(errorCode)))
                                    .arg(errorCode).arg(QString::fromLatin1(sqlite3_errstr(errorCode))));
            }
            // The connection goes on working, outside any transaction.
            QVERIFY2(sqlite3_get_autocommit(db.handle()), qPrintable(where));
            db.execute("UPDATE SoftInfo_tbl SET version = version;");
            db.close();

            // Reopened (a hot journal is rolled back): sound, and one of the two states.
            // A failed re-key leaves the old key; a completed one the new.
            CppSQLite3Connection reopened;
            const bool rekeyed = Op(op) == Op::Rekey && error.isEmpty();
            reopened.open(native().constData(), rekeyed ? kNewKey : kKey);
            QCOMPARE(integrity(reopened), QStringLiteral("ok"));
            const QByteArray state = stateOf(reopened);
            QVERIFY2(state == m_before || state == after, qPrintable(where));
            // A failure reported as success would lose the operation's work.
            QVERIFY2(!error.isEmpty() || state == after, qPrintable(where));
        }
        m_pointsTried += n;
        qInfo("%s: %lld fault points", QTest::currentDataTag(), n);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_path = m_dir.filePath(QStringLiteral("data.db"));
        m_listFile = m_dir.filePath(QStringLiteral("CET6.txt"));
        buildTemplate();
    }

    void everyFaultPoint_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<int>("fileOp");
        QTest::addColumn<int>("code");
        const struct {
            Op op;
            const char *name;
        } ops[] = {{Op::Import, "import of 2000 words"}, {Op::DailyList, "daily-list build"}, {Op::Memorise, "memorised word"},
                   {Op::TestAnswer, "test answer"}, {Op::DeleteList, "list deletion"}, {Op::Rekey, "re-key"}};
        const struct {
            FileOp op;
            int code;
            const char *name;
        } faults[] = {{FileOp::Read, SQLITE_IOERR_READ, "read"}, {FileOp::Write, SQLITE_IOERR_WRITE, "write"},
                      {FileOp::Write, SQLITE_FULL, "write, disk full"}, {FileOp::Sync, SQLITE_IOERR_FSYNC, "sync"},
                      {FileOp::Truncate, SQLITE_IOERR_TRUNCATE, "truncate"}};
        for (const auto &o : ops)
            for (const auto &f : faults)
                QTest::addRow("%s, %s", o.name, f.name) << int(o.op) << int(f.op) << f.code;
    }
    void everyFaultPoint()
    {
        try {
            faultPoints();
        } catch (const CppSQLite3Exception &e) {
            QFAIL(e.errorMessage());
        }
    }

    // The import run from the program's dialog shows the engine's text in a message box
    // and keeps nothing of the list.
    void importFailureIsShown()
    {
        restore();
        MessageBox::setTestMode(true);
        MessageBox::takeShown();
        theDatabase.open(native().constData(), kKey);
        FileDialog::setNextFileName(m_listFile);
        pagecodec::injectFault(FileOp::Write, 5, SQLITE_FULL);
        QVERIFY(!ImportWordList(nullptr));
        QVERIFY(pagecodec::faultMet());
        pagecodec::injectFault(FileOp::Write, 0, 0);
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("SQLITE_FULL[13]: database or disk is full")});
        QCOMPARE(theDatabase.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl WHERE name = 'CET6';"), 0);
        QCOMPARE(stateOf(theDatabase), m_before);
        theDatabase.close();
    }

    void cleanupTestCase()
    {
        qInfo("%lld fault points tried in all", m_pointsTried);
    }
};

QTEST_MAIN(TestIoFaults)
#include "tst_io_faults.moc"
