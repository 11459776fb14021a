#include "study/DailyList.h"

#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "study/StudyRules.h"
#include "users/UserRecord.h"

namespace study {

namespace {
// Mode 3's candidates among the user's marks of the current list: the words due on
// `day` (group 0), by lowest predicted recall first, then the never-studied words
// (group 1) in random order. Recall falls with elapsed days over stability alike for
// every word, so that ratio orders them without the curve itself. A word studied
// without a memory row (only copied) counts from its last-study date with the
// stability of one Good review and falls due the next day.
QByteArray smartCandidates(const UserRecord &user, const QByteArray &day)
{
    const QByteArray seeded = QByteArray::number(memory::firstReview(memory::Good).stability, 'g', 17);
    return sqlFormat(
        "SELECT m.uid uid, m.wid wid, (m.times <> 0) studied, "
        "CASE WHEN m.times = 0 THEN 0 ELSE max(julianday('%s') - julianday(coalesce(r.LastReview, m.RecentMarkDate)), 0) "
        "/ coalesce(r.stability, %s) END age "
        "FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
        "LEFT JOIN WordMemory_tbl r ON r.uid = m.uid AND r.wid = m.wid "
        "WHERE m.uid = %d AND w.tid = %d AND ( m.times = 0 OR "
        "( r.wid IS NULL AND m.RecentMarkDate < date('%s') ) OR r.due <= date('%s') )",
        day.constData(), seeded.constData(), user.uid, user.tid, day.constData(), day.constData());
}
} // namespace

DailyListResult buildDailyList(CppSQLite3Connection &db, const UserRecord &user, bool pageStart, const QString &today)
{
    DailyListResult result;
    const QByteArray day = sqlQuote(QStringView(today));
    const bool hasWords = user.mode == SmartReview
        ? db.queryInt(sqlFormat("SELECT EXISTS ( %s );", smartCandidates(user, day).constData()).constData()) != 0
        : sourceHasWords(db, user, user.mode);
    if (!hasWords) {
        result.outcome = DailyListOutcome::NothingToStudy;
        return result;
    }

    QByteArray logStatement;
    if (pageStart) {
        const QByteArray sql = sqlFormat("SELECT (date('%s') > date) bAnotherDay FROM logs_tbl WHERE uid = %d AND tid = %d AND mode = %d ORDER BY date desc LIMIT 1;",
                                         day.constData(), user.uid, user.tid, user.mode);
        CppSQLite3Cursor c = db.query(sql.constData());
        const int anotherDay = c.eof() ? 1 : c.intValue("bAnotherDay", 0);
        c.finalize();
        if (!anotherDay)
            return result; // today's list is kept
        logStatement = sqlFormat("INSERT INTO logs_tbl VALUES(%d, %d, date('%s'), %d, 0, NULL);", user.uid, user.tid, day.constData(), user.mode);
        result.startUpdateCheck = true;
    } else {
        logStatement = sqlFormat("INSERT OR REPLACE INTO logs_tbl VALUES(%d, %d, date('now', 'localtime'), %d, 0, NULL);", user.uid, user.tid, user.mode);
    }

    QByteArray insert;
    if (user.mode == SmartReview)
        insert = sqlFormat("INSERT INTO DayList_tbl SELECT uid, wid, NULL FROM ( %s ) ORDER BY studied DESC, age DESC, random() LIMIT %d;",
                           smartCandidates(user, day).constData(), user.DayNum);
    else if (user.mode == ReviewNormal)
        insert = sqlFormat("INSERT INTO DayList_tbl SELECT DISTINCT uid, wid, NULL FROM ReviewNormal_view WHERE uid = %d AND tid = %d AND %s AND %s ORDER BY random() LIMIT %d;",
                           user.uid, user.tid, timesFragment(user).constData(), dateFragment(user).constData(), user.DayNum);
    else
        insert = sqlFormat("INSERT INTO DayList_tbl SELECT DISTINCT uid, wid, NULL FROM %s WHERE uid = %d AND tid = %d ORDER BY random() LIMIT %d;",
                           sourceView(user.mode), user.uid, user.tid, user.DayNum);

    const QByteArray script = sqlFormat("BEGIN TRANSACTION;%sDELETE FROM DayList_tbl WHERE uid = %d;%sCOMMIT TRANSACTION;",
                                        logStatement.constData(), user.uid, insert.constData());
    try {
        db.execute(script.constData());
    } catch (...) {
        store::rollbackIfOpen(db);
        throw;
    }
    result.built = true;
    return result;
}

void finishTodayLog(CppSQLite3Connection &db, const UserRecord &user, bool withErrorRate)
{
    QByteArray date;
    {
        const QByteArray sql = sqlFormat("SELECT date FROM logs_tbl WHERE uid = %d AND tid = %d AND mode = %d ORDER BY date desc LIMIT 1;",
                                         user.uid, user.tid, user.mode);
        CppSQLite3Cursor c = db.query(sql.constData());
        if (!c.eof())
            date = c.stringValue("date", "");
    }
    const QByteArray d = sqlQuote(QByteArrayView(date));
    if (withErrorRate)
        db.execute(sqlFormat("UPDATE logs_tbl SET bFinish = 1, ErrorRate = ( SELECT 1.0 * sum(incorrect) / count(*) FROM DayList_tbl WHERE uid = %d ) WHERE ErrorRate IS NULL AND uid = %d AND tid = %d AND mode = %d AND date = date('%s');",
                             user.uid, user.uid, user.tid, user.mode, d.constData()).constData());
    else
        db.execute(sqlFormat("UPDATE logs_tbl SET bFinish = 1 WHERE bFinish = 0 AND uid = %d AND tid = %d AND mode = %d AND date = date('%s');",
                             user.uid, user.tid, user.mode, d.constData()).constData());
}

bool isTaskFinishedToday(CppSQLite3Connection &db, const UserRecord &user)
{
    const QByteArray sql = sqlFormat("SELECT bFinish FROM logs_tbl WHERE uid = %d AND tid = %d AND mode = %d AND date = date('now', 'localtime');",
                                     user.uid, user.tid, user.mode);
    CppSQLite3Cursor c = db.query(sql.constData());
    return !c.eof() && c.intValue(0, 0) != 0;
}

} // namespace study
