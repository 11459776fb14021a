#include "study/StudyRules.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "users/UserRecord.h"

namespace study {

const char *sourceView(int mode)
{
    switch (mode) {
    case ReviewNormal: return "ReviewNormal_view";
    case ReviewHard: return "ReviewHard_view";
    default: return "unmark_view";
    }
}

QByteArray timesFragment(const UserRecord &user)
{
    if (user.TimesFrom == -1)
        return QByteArray("1");
    return sqlFormat("times BETWEEN %d AND %d", user.TimesFrom, user.TimesTo);
}

QByteArray dateFragment(const UserRecord &user)
{
    if (user.DateFrom.isEmpty())
        return QByteArray("1");
    return sqlFormat("RecentMarkDate BETWEEN date('%s') AND date('%s')", sqlQuote(QStringView(user.DateFrom)).constData(),
                     sqlQuote(QStringView(user.DateTo)).constData());
}

int sourceCount(CppSQLite3Connection &db, const UserRecord &user, int mode)
{
    if (mode == ReviewNormal) {
        const QByteArray sql = sqlFormat("SELECT count(*) FROM ReviewNormal_view WHERE uid = %d AND tid = %d AND %s AND %s;", user.uid,
                                         user.tid, timesFragment(user).constData(), dateFragment(user).constData());
        return db.queryInt(sql.constData());
    }
    if (mode == SmartReview)
        return db.queryInt(sqlFormat("SELECT count(*) FROM ReviewNormal_view WHERE uid = %d AND tid = %d;", user.uid, user.tid).constData());
    const QByteArray sql = sqlFormat("SELECT count(*) FROM %s WHERE uid = %d AND tid = %d;", sourceView(mode), user.uid, user.tid);
    return db.queryInt(sql.constData());
}

bool sourceHasWords(CppSQLite3Connection &db, const UserRecord &user, int mode)
{
    const QByteArray conditions = mode == ReviewNormal
        ? sqlFormat(" AND %s AND %s", timesFragment(user).constData(), dateFragment(user).constData())
        : QByteArray();
    const QByteArray sql = sqlFormat("SELECT EXISTS ( SELECT * FROM %s WHERE uid = %d AND tid = %d%s );", sourceView(mode), user.uid,
                                     user.tid, conditions.constData());
    return db.queryInt(sql.constData()) != 0;
}

ReviewChoices reviewChoices(int dayFrom, int dayTo, int timesFrom, int timesTo)
{
    ReviewChoices c;
    if (dayFrom == 0)
        return c; // nothing reviewable, or everything last studied today
    const int oldestWeek = (dayFrom + 6) / 7;
    int w = dayTo / 7;
    if (w == 0) {
        c.dateTo.append({QStringLiteral("(当前日期)"), 0});
        w = 1;
    }
    for (; w <= oldestWeek; ++w) {
        const ComboItem item{QStringLiteral("%1周前").arg(w), 7 * w};
        c.dateFrom.append(item);
        c.dateTo.append(item);
    }
    for (int n = timesFrom; n <= timesTo; ++n) {
        const ComboItem item{QString::number(n), n};
        c.timesFrom.append(item);
        c.timesTo.append(item);
    }
    c.reviewable = true;
    return c;
}

ReviewChoices queryReviewChoices(CppSQLite3Connection &db, const UserRecord &user)
{
    const QByteArray sql = sqlFormat(
        "SELECT (julianday(date('now', 'localtime')) - julianday(min(RecentMarkDate))) DayFrom, \t\t"
        "(julianday(date('now', 'localtime')) - julianday(max(RecentMarkDate))) DayTo, \t\t"
        "min(times) TimesFrom,        max(times) TimesTo FROM ReviewNormal_view WHERE uid = %d AND tid = %d;",
        user.uid, user.tid);
    CppSQLite3Cursor c = db.query(sql.constData());
    if (c.eof())
        return {};
    return reviewChoices(c.intValue("DayFrom", 0), c.intValue("DayTo", 0), c.intValue("TimesFrom", 0), c.intValue("TimesTo", 0));
}

} // namespace study
