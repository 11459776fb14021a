#include "study/WordMemory.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

namespace memory {

namespace {
// Doubles as SQL literals: the C library's printf would follow the locale's decimal
// mark, which the program sets from the environment.
QByteArray real(double value)
{
    return QByteArray::number(value, 'g', 17);
}

QByteArray tableScript()
{
    QFile file(QStringLiteral(":/SQL/word_memory.sql"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ansi::fromUnicode(QString::fromUtf8(file.readAll()));
}
} // namespace

void ensureTable(CppSQLite3Connection &db)
{
    if (db.queryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'WordMemory_tbl';") != 0)
        return;
    const QByteArray create = tableScript();
    if (create.isEmpty())
        return;
    // Words studied before the model existed start as if reviewed Good once on the day
    // they were last studied.
    const State seeded = firstReview(Good);
    const QByteArray seed = sqlFormat(
        "INSERT INTO WordMemory_tbl (uid, wid, stability, difficulty, LastReview, due, reps, lapses) "
        "SELECT uid, wid, %s, %s, day, date(day, '+%d day'), 1, 0 FROM "
        "( SELECT uid, wid, coalesce(date(RecentMarkDate), date('now', 'localtime')) day FROM WordsMarkInfo_tbl WHERE times > 0 );",
        real(seeded.stability).constData(), real(seeded.difficulty).constData(), interval(seeded.stability));
    try {
        db.execute(("BEGIN TRANSACTION;" + create + seed + "COMMIT TRANSACTION;").constData());
    } catch (...) {
        store::rollbackIfOpen(db);
        throw;
    }
}

QByteArray gradeStatement(CppSQLite3Connection &db, int uid, int wid, int rating)
{
    State next;
    int reps = 1;
    int lapses = 0;
    {
        CppSQLite3Cursor c = db.query(
            sqlFormat("SELECT stability, difficulty, julianday(date('now', 'localtime')) - julianday(LastReview), reps, lapses "
                      "FROM WordMemory_tbl WHERE uid = %d AND wid = %d;",
                      uid, wid)
                .constData());
        if (c.eof()) {
            next = firstReview(rating);
        } else {
            const double elapsed = c.floatValue(2, 0.0);
            if (elapsed == 0.0)
                return {}; // graded today already
            // A clock set back (last review after today) counts as the same day.
            const int days = elapsed > 0 && std::isfinite(elapsed) ? int(std::lround(elapsed)) : 0;
            next = review({c.floatValue(0), c.floatValue(1)}, days, rating);
            reps = c.intValue(3) + 1;
            lapses = c.intValue(4) + (rating == Again ? 1 : 0);
        }
    }
    return sqlFormat("INSERT OR REPLACE INTO WordMemory_tbl (uid, wid, stability, difficulty, LastReview, due, reps, lapses) "
                     "VALUES (%d, %d, %s, %s, date('now', 'localtime'), date('now', 'localtime', '+%d day'), %d, %d);",
                     uid, wid, real(next.stability).constData(), real(next.difficulty).constData(), interval(next.stability),
                     reps, lapses);
}

namespace {
// The day number of a "YYYY-MM-DD" date, or nullopt when the text is not one. Read here
// rather than by the engine: the list-wide passes below meet a date per word, and only
// differences of day numbers are used.
std::optional<int> dayNumber(const char *text)
{
    if (!text || std::strlen(text) < 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    auto digits = [&](int from, int n) {
        int v = 0;
        for (int i = from; i < from + n; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            v = v * 10 + (text[i] - '0');
        }
        return v;
    };
    const int y = digits(0, 4);
    const QDate date(y, digits(5, 2), digits(8, 2));
    if (y < 0 || !date.isValid())
        return std::nullopt;
    return int(date.toJulianDay());
}
} // namespace

StudiedMerge::StudiedMerge(CppSQLite3Connection &db, int uid, const QString &day)
    : m_seeded(firstReview(Good).stability)
{
    const std::optional<int> today = dayNumber(ansi::fromUnicode(day).constData());
    m_valid = today.has_value();
    m_today = today.value_or(0);
    if (!m_valid)
        return;
    // In word order: the table is kept in its key's order.
    CppSQLite3Cursor c = db.query(
        sqlFormat("SELECT wid, stability, LastReview, due FROM WordMemory_tbl WHERE uid = %d ORDER BY wid;", uid).constData());
    for (; !c.eof(); c.next())
        m_rows.push_back({c.intValue(0), c.floatValue(1, m_seeded), dayNumber(c.value(2)), dayNumber(c.value(3))});
    m_next = m_rows.cbegin();
}

std::optional<StudiedWord> StudiedMerge::mark(int wid, int times, const char *recentMarkDate)
{
    if (!m_valid || times <= 0)
        return std::nullopt;
    while (m_next != m_rows.cend() && m_next->wid < wid)
        ++m_next;
    StudiedWord w;
    w.wid = wid;
    std::optional<int> last, due;
    if (m_next != m_rows.cend() && m_next->wid == wid) {
        w.stability = m_next->stability;
        last = m_next->last;
        due = m_next->due;
    } else {
        // Studied only by copying: from its last-study date, due the day after.
        w.stability = m_seeded;
        last = dayNumber(recentMarkDate);
        if (last)
            due = *last + 1;
    }
    if (!last || !due)
        return std::nullopt; // no usable date: never due, no recall to predict
    // A clock set back (a review after today) counts as the same day.
    w.elapsed = std::max(m_today - *last, 0);
    w.dueIn = *due - m_today;
    return w;
}

void Outlook::add(const StudiedWord &w)
{
    averageRecall = (averageRecall * studied + retrievability(w.elapsed, w.stability)) / (studied + 1);
    ++studied;
    if (w.dueIn <= 0)
        ++dueToday;
    else if (w.dueIn <= 7)
        ++dueNext[w.dueIn - 1];
}

std::vector<StudiedWord> studiedWords(CppSQLite3Connection &db, const UserRecord &user, const QString &day,
                                      std::vector<int> *neverStudied)
{
    StudiedMerge merge(db, user.uid, day);
    CppSQLite3Cursor marks = db.query(sqlFormat("SELECT m.wid, m.times, m.RecentMarkDate FROM WordsMarkInfo_tbl m JOIN words_tbl w "
                                                "ON m.wid = w.wid WHERE m.uid = %d AND w.tid = %d ORDER BY m.wid;",
                                                user.uid, user.tid)
                                          .constData());
    std::vector<StudiedWord> out;
    for (; !marks.eof(); marks.next()) {
        const int wid = marks.intValue(0);
        const int times = marks.intValue(1);
        if (times <= 0 && neverStudied)
            neverStudied->push_back(wid);
        if (const std::optional<StudiedWord> w = merge.mark(wid, times, marks.value(2)))
            out.push_back(*w);
    }
    return out;
}

int dueCount(CppSQLite3Connection &db, const UserRecord &user, const QString &day)
{
    const std::vector<StudiedWord> words = studiedWords(db, user, day);
    return int(std::count_if(words.begin(), words.end(), [](const StudiedWord &w) { return w.dueIn <= 0; }));
}

Outlook outlook(CppSQLite3Connection &db, const UserRecord &user, const QString &today)
{
    Outlook o;
    for (const StudiedWord &w : studiedWords(db, user, today))
        o.add(w);
    return o;
}

} // namespace memory
