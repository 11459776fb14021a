#pragma once

#include <QByteArray>
#include <QString>

class CppSQLite3Connection;
struct UserRecord;

// The memory model's state in the store (WordMemory_tbl): one row per user and word,
// written with the answer that graded it.
namespace memory {

// Adds WordMemory_tbl to a store that lacks it, in one transaction. Only then, every
// word studied so far gets a row as if reviewed Good once on its last-study date.
// Raises CppSQLite3Exception; a failed transaction is rolled back.
void ensureTable(CppSQLite3Connection &db);

// The statement that grades the user's recall of the word today, for the caller to run
// in the transaction of the answer itself; empty when the word was graded today
// already (one grade per word and day). Reads the word's row. Raises
// CppSQLite3Exception.
QByteArray gradeStatement(CppSQLite3Connection &db, int uid, int wid, int rating);

// Studied words of the user's current list due on `day` ("YYYY-MM-DD"): rows due then
// or earlier, and words studied before that day without a row yet.
int dueCount(CppSQLite3Connection &db, const UserRecord &user, const QString &day);

// The figures of the statistics report's memory section.
struct Outlook
{
    int dueToday = 0;
    int dueNext[7] = {}; // due on each of the next seven days, tomorrow first
    int studied = 0;     // studied words of the current list
    double averageRecall = 0; // predicted recall today over those, 0..1
};
Outlook outlook(CppSQLite3Connection &db, const UserRecord &user, const QString &today);

} // namespace memory
