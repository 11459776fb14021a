#include "study/DailyList.h"

#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "study/StudyRules.h"
#include "study/WordMemory.h"
#include "users/UserRecord.h"

#include <QRandomGenerator>

#include <algorithm>
#include <vector>

namespace study {

namespace {
// Mode 3's words: every due word, the lowest predicted recall first, up to the amount;
// the rest filled with never-studied words of the list at random. Recall falls with
// elapsed days over stability alike for every word, so that ratio orders them without
// the curve itself; equal ones come in random order.
std::vector<int> smartReviewWords(CppSQLite3Connection &db, const UserRecord &user, const QString &today)
{
    std::vector<int> fresh;
    const std::vector<memory::StudiedWord> studied = memory::studiedWords(db, user, today, &fresh);
    struct Due
    {
        double age;
        quint32 tie;
        int wid;
    };
    // One draw from the shared generator seeds a private one: no lock per word.
    QRandomGenerator random(QRandomGenerator::global()->generate());
    std::vector<Due> due;
    for (const memory::StudiedWord &w : studied)
        if (w.dueIn <= 0)
            due.push_back({w.elapsed / std::max(w.stability, memory::kMinStability), random.generate(), w.wid});
    const size_t amount = size_t(std::max(user.DayNum, 0));
    const size_t taken = std::min(due.size(), amount);
    std::partial_sort(due.begin(), due.begin() + qsizetype(taken), due.end(),
                      [](const Due &a, const Due &b) { return a.age != b.age ? a.age > b.age : a.tie < b.tie; });
    std::vector<int> words;
    words.reserve(std::min(amount, due.size() + fresh.size()));
    for (size_t i = 0; i < taken; ++i)
        words.push_back(due[i].wid);
    if (words.size() < amount) {
        std::shuffle(fresh.begin(), fresh.end(), random);
        for (size_t i = 0; i < fresh.size() && words.size() < amount; ++i)
            words.push_back(fresh[i]);
    }
    return words;
}
} // namespace

DailyListResult buildDailyList(CppSQLite3Connection &db, const UserRecord &user, bool pageStart, const QString &today)
{
    DailyListResult result;
    const QByteArray day = sqlQuote(QStringView(today));
    std::vector<int> smartWords;
    if (user.mode == SmartReview)
        smartWords = smartReviewWords(db, user, today);
    const bool hasWords = user.mode == SmartReview ? !smartWords.empty() : sourceHasWords(db, user, user.mode);
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
    if (user.mode == SmartReview) {
        insert = "INSERT INTO DayList_tbl VALUES ";
        for (size_t i = 0; i < smartWords.size(); ++i)
            insert += sqlFormat("%s(%d, %d, NULL)", i ? ", " : "", user.uid, smartWords[i]);
        insert += ';';
    } else if (user.mode == ReviewNormal)
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
