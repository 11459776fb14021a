#include "study/WordMemory.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "users/UserRecord.h"

#include <QFile>

#include <cmath>

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
// One row per studied word of the user's current list: days since its last review
// (at least 0), its stability, and days from `day` until it is due. A word studied
// without a row (only copied) counts from its last-study date with the stability of
// one Good review and falls due the next day.
QByteArray studiedWords(const UserRecord &user, const QByteArray &day)
{
    const double s = firstReview(Good).stability;
    return sqlFormat(
        "SELECT max(julianday('%s') - julianday(coalesce(r.LastReview, m.RecentMarkDate)), 0) elapsed, "
        "coalesce(r.stability, %s) stability, "
        "coalesce(julianday(r.due), julianday(m.RecentMarkDate) + 1) - julianday('%s') dueIn "
        "FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
        "LEFT JOIN WordMemory_tbl r ON r.uid = m.uid AND r.wid = m.wid "
        "WHERE m.uid = %d AND w.tid = %d AND m.times > 0",
        day.constData(), real(s).constData(), day.constData(), user.uid, user.tid);
}
} // namespace

int dueCount(CppSQLite3Connection &db, const UserRecord &user, const QString &day)
{
    const QByteArray d = sqlQuote(QStringView(day));
    return db.queryInt(sqlFormat("SELECT count(*) FROM ( %s ) WHERE dueIn <= 0;", studiedWords(user, d).constData()).constData());
}

Outlook outlook(CppSQLite3Connection &db, const UserRecord &user, const QString &today)
{
    Outlook o;
    const QByteArray d = sqlQuote(QStringView(today));
    double recall = 0;
    for (CppSQLite3Cursor c = db.query((studiedWords(user, d) + ';').constData()); !c.eof(); c.next()) {
        ++o.studied;
        recall += retrievability(c.floatValue(0, 0.0), c.floatValue(1, 0.0));
        const double dueIn = c.floatValue(2, 1e9); // no date at all: never due
        if (dueIn <= 0)
            ++o.dueToday;
        else if (dueIn <= 7)
            ++o.dueNext[int(std::lround(dueIn)) - 1];
    }
    o.averageRecall = o.studied ? recall / o.studied : 0.0;
    return o;
}

} // namespace memory
