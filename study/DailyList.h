#pragma once

#include <QString>

class CppSQLite3Connection;
struct UserRecord;

// The daily list (the user's rows of DayList_tbl) and the study log (logs_tbl).
namespace study {

enum class DailyListOutcome {
    Ready,          // a list is in place (new or kept): the page can start
    NothingToStudy, // the mode's source holds no word; nothing was changed
};

struct DailyListResult
{
    DailyListOutcome outcome = DailyListOutcome::Ready;
    bool built = false;          // a new list and log row were written
    bool startUpdateCheck = false; // first opening of a page today: look for a newer version
};

// Builds or keeps the daily list. With pageStart (a study page is being opened) a list
// built today (or later, if the clock went back) for this user, list and mode is kept;
// otherwise the log row is written and up to DayNum random words are drawn, in one
// transaction. Without pageStart (after the list or the daily amount changed) the list
// is rebuilt at once and today's log row starts afresh. today is "YYYY-MM-DD".
// Raises CppSQLite3Exception; a failed transaction is rolled back.
DailyListResult buildDailyList(CppSQLite3Connection &db, const UserRecord &user, bool pageStart, const QString &today);

// Marks the newest log row of the user, list and mode finished; with the error rate
// also records the share of wrongly answered words of the list, once per row.
void finishTodayLog(CppSQLite3Connection &db, const UserRecord &user, bool withErrorRate);

// Whether today's task of the current list and mode is finished; no row means no.
bool isTaskFinishedToday(CppSQLite3Connection &db, const UserRecord &user);

} // namespace study
