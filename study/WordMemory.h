#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

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

// A studied word of the user's current list as the model sees it on a day. A word
// studied only by copying (no row) counts from its last-study date with the stability
// of one Good review and falls due the next day.
struct StudiedWord
{
    int wid = 0;
    int elapsed = 0;    // days since the last review, at least 0
    double stability = 0;
    int dueIn = 0;      // days until due; 0 or less: due on the day
};
// Merges the user's memory rows (read whole at construction) with marks given in
// increasing word order: no lookup per word. Raises CppSQLite3Exception.
class StudiedMerge
{
public:
    StudiedMerge(CppSQLite3Connection &db, int uid, const QString &day);
    // The studied word of a mark (times and last-study date), or none when it was never
    // studied or has no usable date.
    std::optional<StudiedWord> mark(int wid, int times, const char *recentMarkDate);

private:
    struct Row
    {
        int wid;
        double stability;
        std::optional<int> last, due;
    };
    double m_seeded;
    bool m_valid = false;
    int m_today = 0;
    std::vector<Row> m_rows;
    std::vector<Row>::const_iterator m_next;
};

// The studied words of the user's current list on `day` ("YYYY-MM-DD"), in word
// order; the never-studied ones go to neverStudied when given. Raises
// CppSQLite3Exception.
std::vector<StudiedWord> studiedWords(CppSQLite3Connection &db, const UserRecord &user, const QString &day,
                                      std::vector<int> *neverStudied = nullptr);

// Studied words of the user's current list due on `day`: rows due then or earlier, and
// words studied before that day without a row yet.
int dueCount(CppSQLite3Connection &db, const UserRecord &user, const QString &day);

// The figures of the statistics report's memory section.
struct Outlook
{
    int dueToday = 0;
    int dueNext[7] = {}; // due on each of the next seven days, tomorrow first
    int studied = 0;     // studied words of the current list
    double averageRecall = 0; // predicted recall today over those, 0..1

    void add(const StudiedWord &word);
};
Outlook outlook(CppSQLite3Connection &db, const UserRecord &user, const QString &today);

} // namespace memory
