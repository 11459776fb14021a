#include "study/Statistics.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "study/StudyRules.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <vector>

namespace study {

namespace {

constexpr char kIslandFormat[] = "<XML ID='MYCHART'><chart style='width:160; height:80' interactive='off'><titles>%s</titles><data>%s</data></chart></XML>";
constexpr char kEmptyIsland[] = "<XML ID='MYCHART'></XML>";
constexpr char kBodyFormat[] =
    "</HEAD><BODY><h1>统计信息</h1><div id='TextInfo'><p>当前用户: <span class='content'>%s</span><br>当前词库: <span class='content'>%s</span><br>当前模式: <span class='content'>%s</span></p><p>已背量/总量: <span class='content'>%d / %d</span><br>进度: <span class='content'>%.2f%%</span><br>已用时间: <span class='content'>%d天</span><br>剩余时间: <span class='content'>%s天</span><br>平均错误率: <span class='content'>%.2f%%</span></p></div><div id='PieInfo'><SCRIPT>MakeChart('MYCHART');</SCRIPT></div></BODY></HTML>";
constexpr char kMemoryFormat[] =
    "<STYLE type='text/css'>#MemoryInfo .content { color: blue; }</STYLE>"
    "<div id='MemoryInfo' style='clear:both; padding-top:10px'><h2>记忆模型</h2><p>今天到期: <span class='content'>%d</span><br>"
    "未来7天每天到期: <span class='content'>%s</span><br>今天平均回忆概率: <span class='content'>%.2f%%</span></p></div>";
const QString kNotGathered = QStringLiteral("--");
constexpr int kChartCap = 100;

// Puts the fields, in order, where the format has its conversions (%s, %d, %.2f);
// "%%" stands for a percent sign. Each field has been formatted with its conversion
// already, or is "--" for a figure that was not gathered.
QString fillFormat(const char *format, const QStringList &fields)
{
    const QString text = QString::fromUtf8(format);
    QString out;
    out.reserve(text.size() + 256);
    qsizetype next = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%') {
            out.append(text[i]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            out.append(u'%');
            ++i;
            continue;
        }
        while (i < text.size() && !text[i].isLetter())
            ++i; // flags, width and precision
        out.append(fields.value(next++));
    }
    return out;
}

QString twoDecimals(double value)
{
    return QString::asprintf("%.2f", value);
}

template<class T>
QString numberOrDash(const std::optional<T> &value)
{
    return value ? QString::number(*value) : kNotGathered;
}

// How many of the list's words have each study count, and how many of them are in the
// mode's source: one pass over the user's marks of the list instead of one scan per
// chart bucket. The rows are counted here rather than grouped by the engine, which
// would sort them all first.
struct MarkHistogram
{
    std::vector<int> low; // words per study count, for the counts below kDense
    std::map<int, int> high; // the rest (and any negative count)
    int inSource = 0;
    int maxTimes = 0; // 0 when the user has no marks in the list

    static constexpr int kDense = 1024;

    void add(int times)
    {
        if (times >= 0 && times < kDense) {
            if (size_t(times) >= low.size())
                low.resize(size_t(times) + 1);
            ++low[size_t(times)];
        } else {
            ++high[times];
        }
    }
    int wordsBetween(int from, int to) const
    {
        int n = 0;
        for (int t = std::max(from, 0); t <= to && size_t(t) < low.size(); ++t)
            n += low[size_t(t)];
        for (auto it = high.lower_bound(from); it != high.end() && it->first <= to; ++it)
            n += it->second;
        return n;
    }
};

// The same pass merges the marks with the memory model's rows for its outlook.
MarkHistogram markHistogram(CppSQLite3Connection &db, const UserRecord &user, const QString &today, memory::Outlook &outlook)
{
    QByteArray inSource;
    switch (user.mode) {
    case LearnNew: inSource = "times <> 0"; break; // studied at least once
    case ReviewNormal:
        inSource = sqlFormat("times <> 0 AND %s AND %s", timesFragment(user).constData(), dateFragment(user).constData());
        break;
    case ReviewHard: inSource = "hard = 1"; break;
    default: inSource = "0"; break;
    }
    const QByteArray sql = sqlFormat("SELECT m.times, %s, m.wid, m.RecentMarkDate FROM WordsMarkInfo_tbl m JOIN words_tbl w ON m.wid = w.wid "
                                     "WHERE m.uid = %d AND w.tid = %d ORDER BY m.wid;",
                                     inSource.constData(), user.uid, user.tid);
    memory::StudiedMerge merge(db, user.uid, today);
    MarkHistogram h;
    bool any = false;
    for (CppSQLite3Cursor c = db.query(sql.constData()); !c.eof(); c.next()) {
        const int times = c.intValue(0);
        if (const std::optional<memory::StudiedWord> w = merge.mark(c.intValue(2), times, c.value(3)))
            outlook.add(*w);
        h.add(times);
        h.inSource += c.intValue(1, 0);
        h.maxTimes = any ? std::max(h.maxTimes, times) : times;
        any = true;
    }
    return h;
}

int doneInMode(const MarkHistogram &h, const UserRecord &user)
{
    switch (user.mode) {
    case LearnNew: return h.inSource;
    // The words of the source that no longer qualify.
    case ReviewNormal:
    case ReviewHard: return user.count - h.inSource;
    default: return 0;
    }
}

// Buckets of study counts: 0, then widths of 1, 5 or 10 up to 100, then ">100".
void fillChart(StatisticsFigures &f, const MarkHistogram &h, CppSQLite3Connection &db, const UserRecord &user)
{
    const int m = h.maxTimes;
    if (m == 0) {
        f.labels = {QStringLiteral("0")};
        f.counts = {db.queryInt(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", user.tid).constData())};
        return;
    }
    const int width = m <= 10 ? 1 : m <= 50 ? 5 : 10;
    f.labels = {QStringLiteral("0")};
    f.counts = {h.wordsBetween(0, 0)};
    for (int g = 1; g <= std::min(m, kChartCap); g += width) {
        const int last = g + width - 1;
        f.labels.append(width == 1 ? QString::number(g) : QStringLiteral("%1 ~ %2").arg(g).arg(last));
        f.counts.append(h.wordsBetween(g, last));
    }
    if (m > kChartCap) {
        f.labels.append(QStringLiteral(">%1").arg(kChartCap));
        f.counts.append(h.wordsBetween(kChartCap + 1, std::numeric_limits<int>::max()));
    }
}

} // namespace

std::optional<double> StatisticsFigures::progress() const
{
    if (!done)
        return std::nullopt;
    return total > 0 ? *done * 100.0 / total : 0.0;
}

QString StatisticsFigures::daysRemaining() const
{
    if (!done || !daysUsed || *done == 0)
        return kNotGathered;
    // The product first, in 64 bits so that it cannot overflow; the quotient is cut
    // toward zero as in 32-bit arithmetic.
    const qint64 days = (qint64(total) - *done) * *daysUsed / *done;
    return QString::number(int(days));
}

QString modeName(int mode)
{
    switch (mode) {
    case LearnNew: return QStringLiteral("学习新单词");
    case ReviewNormal: return QStringLiteral("复习旧单词");
    case ReviewHard: return QStringLiteral("复习难词本");
    case SmartReview: return QStringLiteral("智能复习");
    default: return QString();
    }
}

StatisticsFigures gatherStatistics(CppSQLite3Connection &db, const UserRecord &user)
{
    StatisticsFigures f;
    f.user = user.username;
    f.modeName = modeName(user.mode);
    f.total = user.count;
    try {
        {
            CppSQLite3Cursor c = db.query(sqlFormat("SELECT name FROM ThesaurusInfo_tbl WHERE tid = %d;", user.tid).constData());
            f.listName = c.eof() ? QString() : ansi::toUnicode(c.stringValue(0, ""));
        }

        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        memory::Outlook outlook;
        const MarkHistogram marks = markHistogram(db, user, today, outlook);
        f.memory = outlook;
        if (user.mode == SmartReview) {
            // The studied words that are not due: the rest still wait for review.
            f.done = user.count - outlook.dueToday;
        } else {
            f.done = doneInMode(marks, user);
        }

        {
            // Whole local days since the first day logged in this mode. Both dates are
            // local: today's date in UTC would make the count one short for part of
            // every day away from UTC.
            CppSQLite3Cursor c = db.query(sqlFormat(
                "SELECT (julianday(date('now', 'localtime')) - julianday(date)) AS day FROM logs_tbl "
                "WHERE uid = %d AND tid = %d AND mode = %d ORDER BY date LIMIT 1;", user.uid, user.tid, user.mode).constData());
            const double days = c.eof() ? 0.0 : c.floatValue(0, 0.0);
            f.daysUsed = std::isfinite(days) && std::abs(days) < 1e9 ? int(std::trunc(days)) : 0;
        }

        {
            const double rate = db.query(sqlFormat("SELECT avg(ErrorRate) AS AvgRate FROM logs_tbl WHERE uid = %d AND tid = %d AND mode = %d;",
                                                   user.uid, user.tid, user.mode).constData())
                                    .floatValue(0, 0.0);
            const float percent = float(rate) * 100.0f;
            f.errorRate = std::isfinite(percent) ? percent : 0.0f;
        }

        fillChart(f, marks, db, user);
        f.chartGathered = true;
    } catch (const CppSQLite3Exception &e) {
        f.failure = ansi::toUnicode(e.errorMessage());
        if (!f.chartGathered) {
            f.labels.clear();
            f.counts.clear();
        }
    }
    return f;
}

QString statisticsIsland(const StatisticsFigures &f)
{
    if (!f.chartGathered)
        return QString::fromLatin1(kEmptyIsland);
    QStringList counts;
    for (int n : f.counts)
        counts.append(QString::number(n));
    return fillFormat(kIslandFormat, {f.labels.join(QStringLiteral(", ")), counts.join(QStringLiteral(", "))});
}

QString statisticsDocument(const StatisticsFigures &f, const QString &templateText)
{
    const std::optional<double> progress = f.progress();
    const QStringList fields = {
        ansi::htmlEscaped(f.user),
        f.listName ? ansi::htmlEscaped(*f.listName) : kNotGathered,
        f.modeName,
        numberOrDash(f.done),
        QString::number(f.total),
        progress ? twoDecimals(*progress) : kNotGathered,
        numberOrDash(f.daysUsed),
        f.daysRemaining(),
        f.errorRate ? twoDecimals(*f.errorRate) : kNotGathered,
    };
    return templateText + statisticsIsland(f) + fillFormat(kBodyFormat, fields);
}

QString statisticsMemorySection(const StatisticsFigures &f)
{
    QString due = kNotGathered;
    QString recall = kNotGathered;
    QStringList days;
    if (f.memory) {
        due = QString::number(f.memory->dueToday);
        for (int n : f.memory->dueNext)
            days.append(QString::number(n));
        if (f.memory->studied > 0)
            recall = twoDecimals(f.memory->averageRecall * 100.0);
    }
    return fillFormat(kMemoryFormat, {due, days.isEmpty() ? kNotGathered : days.join(QStringLiteral(", ")), recall});
}

QString statisticsTemplate()
{
    QFile file(QStringLiteral(":/HTML/HTML_STATISTICS.html"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // Kept as UTF-8 in the sources; the document reaches the browser as text.
    return QString::fromUtf8(file.readAll());
}

} // namespace study
