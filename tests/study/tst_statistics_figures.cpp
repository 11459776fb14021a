#include "study/Statistics.h"
#include "study/StudyRules.h"
#include "support/GuiTestSupport.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <ctime>

using namespace testsupport;
using namespace Qt::StringLiterals;

namespace {


// The texts of the figures in the report, in the order shown.
QStringList shownFigures(const QString &html)
{
    QStringList out;
    static const QRegularExpression span(QStringLiteral("<span class='content'>(.*?)</span>"));
    for (auto it = span.globalMatch(html); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

QString islandPart(const QString &html, const QString &tag)
{
    const QRegularExpression re(QStringLiteral("<%1>(.*?)</%1>").arg(tag));
    return re.match(html).captured(1);
}

// Switches the process's time zone (POSIX form) for as long as it lives.
class TimeZone
{
public:
    explicit TimeZone(const QByteArray &tz)
        : m_old(qgetenv("TZ"))
        , m_had(qEnvironmentVariableIsSet("TZ"))
        , m_active(!tz.isEmpty())
    {
        if (m_active) {
            qputenv("TZ", tz);
            tzset();
        }
    }
    ~TimeZone()
    {
        if (!m_active)
            return;
        if (m_had)
            qputenv("TZ", m_old);
        else
            qunsetenv("TZ");
        tzset();
    }

private:
    QByteArray m_old;
    bool m_had;
    bool m_active;
};

} // namespace

class TestStatisticsFigures : public QObject
{
    Q_OBJECT

    std::unique_ptr<DataFolder> m_data;

    // A user "ann" on a list of `words` words ("list").
    void prepare(int words, const QString &user = QStringLiteral("ann"), const QString &list = QStringLiteral("list"))
    {
        m_data = freshStore(std::move(m_data), words, user, list);
    }

    // The figures as the described statements give them, one statement per bucket.
    static study::StatisticsFigures describedFigures()
    {
        const UserRecord &u = theUser;
        study::StatisticsFigures f;
        if (u.mode == study::LearnNew)
            f.done = theDatabase.queryInt(sqlFormat("SELECT count(*) FROM ReviewNormal_view WHERE uid = %d AND tid = %d; ", u.uid, u.tid).constData());
        else if (u.mode == study::ReviewNormal)
            f.done = u.count - theDatabase.queryInt(sqlFormat("SELECT count(*) FROM ReviewNormal_view WHERE uid = %d AND tid = %d AND %s AND %s;", u.uid, u.tid,
                                                             study::timesFragment(u).constData(), study::dateFragment(u).constData()).constData());
        else
            f.done = u.count - theDatabase.queryInt(sqlFormat("SELECT count(* ) FROM ReviewHard_view WHERE uid = %d AND tid = %d;", u.uid, u.tid).constData());
        const int m = theDatabase.queryInt(sqlFormat("SELECT max(times) FROM WordsMarkInfo_tbl m \t JOIN words_tbl w \t ON m.wid = w.wid \t WHERE m.uid = %d AND w.tid = %d;", u.uid, u.tid).constData());
        if (m == 0) {
            f.labels = {QStringLiteral("0")};
            f.counts = {theDatabase.queryInt(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", u.tid).constData())};
            return f;
        }
        const int w = m <= 10 ? 1 : m <= 50 ? 5 : 10;
        f.labels << QStringLiteral("0");
        f.counts << theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m \t JOIN words_tbl w \t ON m.wid = w.wid WHERE m.uid = %d AND w.tid = %d AND m.times = 0;", u.uid, u.tid).constData());
        for (int g = 1; g <= std::min(m, 100); g += w) {
            if (w == 1) {
                f.labels << QString::asprintf("%d", g);
                f.counts << theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m \t JOIN words_tbl w \t ON m.wid = w.wid WHERE m.uid = %d AND w.tid = %d AND m.times = %d;", u.uid, u.tid, g).constData());
            } else {
                f.labels << QString::asprintf("%d ~ %d", g, g + w - 1);
                f.counts << theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m \t JOIN words_tbl w \t ON m.wid = w.wid WHERE m.uid = %d AND w.tid = %d AND m.times BETWEEN %d AND %d; ", u.uid, u.tid, g, g + w - 1).constData());
            }
        }
        if (m > 100) {
            f.labels << QStringLiteral(">100");
            f.counts << theDatabase.queryInt(sqlFormat("SELECT count(*) FROM WordsMarkInfo_tbl m \t JOIN words_tbl w \t ON m.wid = w.wid WHERE m.uid = %d AND w.tid = %d AND m.times > 100;", u.uid, u.tid).constData());
        }
        return f;
    }

private Q_SLOTS:
    void initTestCase() { setUpApplication(); }
    void cleanup() { m_data.reset(); }

    void figures_data()
    {
        QTest::addColumn<int>("words");
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QByteArray>("timeZone");
        QTest::addColumn<QStringList>("shown"); // done/total onwards
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("data");

        const QString studied = QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now', 'localtime') WHERE uid = {uid} AND wid <= %1;");
        const QString logged = QStringLiteral("INSERT INTO logs_tbl VALUES({uid}, {tid}, date('now', 'localtime', '-%1 day'), {mode}, 1, %2);");
        auto log = [&](int daysAgo, int mode, const char *rate) { return logged.arg(daysAgo).arg(QLatin1String(rate)).replace(QStringLiteral("{mode}"), QString::number(mode)); };

        QTest::newRow("nothing studied") << 20 << QStringList() << QByteArray()
                                         << QStringList{u"0 / 20"_s, u"0.00%"_s, u"0天"_s, u"--天"_s, u"0.00%"_s} << u"0"_s << u"20"_s;
        QTest::newRow("no mark rows") << 20 << QStringList{u"DELETE FROM WordsMarkInfo_tbl;"_s} << QByteArray()
                                      << QStringList{u"0 / 20"_s, u"0.00%"_s, u"0天"_s, u"--天"_s, u"0.00%"_s} << u"0"_s << u"20"_s;
        QTest::newRow("done 40 of 100 in 4 days") << 100 << QStringList{studied.arg(40), log(4, 0, "0.1"), log(0, 0, "0.3"), log(2, 1, "0.9")} << QByteArray()
                                                  << QStringList{u"40 / 100"_s, u"40.00%"_s, u"4天"_s, u"6天"_s, u"20.00%"_s} << u"0, 1"_s << u"60, 40"_s;
        QTest::newRow("done 3 of 10 in 1 day") << 10 << QStringList{studied.arg(3), log(1, 0, "NULL")} << QByteArray()
                                               << QStringList{u"3 / 10"_s, u"30.00%"_s, u"1天"_s, u"2天"_s, u"0.00%"_s} << u"0, 1"_s << u"7, 3"_s;
        // An hour west of UTC, midnight of today's UTC date falls on the local day before
        // for all but one hour of every day.
        QTest::newRow("days counted in local dates") << 10 << QStringList{studied.arg(3), log(4, 0, "0.5")} << QByteArray("XYZ+1")
                                                     << QStringList{u"3 / 10"_s, u"30.00%"_s, u"4天"_s, u"9天"_s, u"50.00%"_s} << u"0, 1"_s << u"7, 3"_s;
        QTest::newRow("hard words all removed") << 10 << QStringList{studied.arg(5), u"UPDATE UserInfo_tbl SET mode = 2;"_s} << QByteArray()
                                                << QStringList{u"10 / 10"_s, u"100.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s} << u"0, 1"_s << u"5, 5"_s;
        QTest::newRow("four hard words left") << 10 << QStringList{studied.arg(5), u"UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE wid > 6;"_s, u"UPDATE UserInfo_tbl SET mode = 2;"_s, log(3, 2, "0.125")} << QByteArray()
                                              << QStringList{u"6 / 10"_s, u"60.00%"_s, u"3天"_s, u"2天"_s, u"12.50%"_s} << u"0, 1"_s << u"5, 5"_s;
        QTest::newRow("review conditions") << 10
            << QStringList{u"UPDATE WordsMarkInfo_tbl SET times = 1 + (wid - 1) / 2, RecentMarkDate = date('now', 'localtime');"_s,
                           u"UPDATE WordsMarkInfo_tbl SET RecentMarkDate = date('now', 'localtime', '-30 day') WHERE wid = 5;"_s,
                           u"UPDATE UserInfo_tbl SET mode = 1, TimesFrom = 2, TimesTo = 3, DateFrom = date('now', 'localtime', '-7 day'), DateTo = date('now', 'localtime');"_s}
            << QByteArray() << QStringList{u"7 / 10"_s, u"70.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s} << u"0, 1, 2, 3, 4, 5"_s << u"0, 2, 2, 2, 2, 2"_s;
        QTest::newRow("no total") << 10 << QStringList{studied.arg(3), u"UPDATE UserInfo_tbl SET count = 0;"_s} << QByteArray()
                                  << QStringList{u"3 / 0"_s, u"0.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s} << u"0, 1"_s << u"7, 3"_s;
        QTest::newRow("M = 3") << 5 << QStringList{u"UPDATE WordsMarkInfo_tbl SET times = wid % 4;"_s} << QByteArray()
                               << QStringList{u"4 / 5"_s, u"80.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s} << u"0, 1, 2, 3"_s << u"1, 2, 1, 1"_s;
        QTest::newRow("M = 12") << 15 << QStringList{u"UPDATE WordsMarkInfo_tbl SET times = wid WHERE wid <= 12;"_s} << QByteArray()
                                << QStringList{u"12 / 15"_s, u"80.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s} << u"0, 1 ~ 5, 6 ~ 10, 11 ~ 15"_s << u"3, 5, 5, 2"_s;
        QTest::newRow("M = 57") << 60 << QStringList{u"UPDATE WordsMarkInfo_tbl SET times = max(wid - 3, 0);"_s} << QByteArray()
                                << QStringList{u"57 / 60"_s, u"95.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s}
                                << u"0, 1 ~ 10, 11 ~ 20, 21 ~ 30, 31 ~ 40, 41 ~ 50, 51 ~ 60"_s << u"3, 10, 10, 10, 10, 10, 7"_s;
        QTest::newRow("M = 130") << 130 << QStringList{u"UPDATE WordsMarkInfo_tbl SET times = wid;"_s} << QByteArray()
                                 << QStringList{u"130 / 130"_s, u"100.00%"_s, u"0天"_s, u"0天"_s, u"0.00%"_s}
                                 << u"0, 1 ~ 10, 11 ~ 20, 21 ~ 30, 31 ~ 40, 41 ~ 50, 51 ~ 60, 61 ~ 70, 71 ~ 80, 81 ~ 90, 91 ~ 100, >100"_s
                                 << u"0, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 30"_s;
    }

    void figures()
    {
        QFETCH(int, words);
        QFETCH(QStringList, setup);
        QFETCH(QByteArray, timeZone);
        QFETCH(QStringList, shown);
        QFETCH(QString, titles);
        QFETCH(QString, data);

        prepare(words);
        const TimeZone zone(timeZone);
        runForUser(setup);
        const study::StatisticsFigures f = study::gatherStatistics(theDatabase, theUser);
        QVERIFY2(f.failure.isEmpty(), qPrintable(f.failure));
        const QString html = study::statisticsDocument(f, QString());
        QCOMPARE(shownFigures(html), QStringList({QStringLiteral("ann"), QStringLiteral("list"), study::modeName(theUser.mode)}) + shown);
        QCOMPARE(islandPart(html, QStringLiteral("titles")), titles);
        QCOMPARE(islandPart(html, QStringLiteral("data")), data);
    }

    // The memory model's section after the report: due today, due on each of the next
    // seven days, the average predicted recall today (a word reviewed its stability's
    // days ago is recalled with 90%, one reviewed today with 100%).
    void memorySection_data()
    {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QStringList>("shown"); // the report's done / total, then the section
        const QString studied = QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now', 'localtime', '-%1 day') WHERE uid = {uid} AND wid BETWEEN %2 AND %3;");
        const QString memory = QStringLiteral("INSERT INTO WordMemory_tbl SELECT uid, wid, %1, 5.0, date('now', 'localtime', '-%2 day'), date('now', 'localtime', '%3 day'), 1, 0 "
                                              "FROM WordsMarkInfo_tbl WHERE uid = {uid} AND wid BETWEEN %4 AND %5;");
        QTest::newRow("nothing studied") << QStringList() << QStringList{u"0 / 20"_s, u"0"_s, u"0, 0, 0, 0, 0, 0, 0"_s, u"--%"_s};
        QTest::newRow("reviewed today and copied today")
            << QStringList{studied.arg(0).arg(1).arg(5), memory.arg(2.3065).arg(0).arg(u"+2"_s).arg(1).arg(3)}
            << QStringList{u"5 / 20"_s, u"0"_s, u"2, 3, 0, 0, 0, 0, 0"_s, u"100.00%"_s};
        QTest::newRow("mode 3, two due at 90%")
            << QStringList{studied.arg(4).arg(1).arg(2), studied.arg(0).arg(3).arg(10), memory.arg(4).arg(4).arg(u"+0"_s).arg(1).arg(2),
                           memory.arg(30).arg(0).arg(u"+30"_s).arg(3).arg(9), memory.arg(3).arg(0).arg(u"+7"_s).arg(10).arg(10),
                           u"UPDATE UserInfo_tbl SET mode = 3, count = 10;"_s}
            << QStringList{u"8 / 10"_s, u"2"_s, u"0, 0, 0, 0, 0, 0, 1"_s, u"98.00%"_s};
    }
    void memorySection()
    {
        QFETCH(QStringList, setup);
        QFETCH(QStringList, shown);
        prepare(20);
        runForUser(setup);
        const study::StatisticsFigures f = study::gatherStatistics(theDatabase, theUser);
        QVERIFY2(f.failure.isEmpty(), qPrintable(f.failure));
        const QString report = study::statisticsDocument(f, QString());
        const QString section = study::statisticsMemorySection(f);
        QCOMPARE(QStringList{shownFigures(report).value(3)} + shownFigures(section), shown);
        QVERIFY(section.contains(QStringLiteral("<h2>记忆模型</h2>")));
    }

    // The one grouped pass gives what the statements per bucket give.
    void sameAsOneQueryPerBucket_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("maxTimes");
        for (int mode : {0, 1, 2})
            for (int maxTimes : {0, 7, 33, 100, 150})
                QTest::addRow("mode %d, up to %d", mode, maxTimes) << mode << maxTimes;
    }

    void sameAsOneQueryPerBucket()
    {
        QFETCH(int, mode);
        QFETCH(int, maxTimes);
        prepare(400);
        // A second list the user studied too, which must not count.
        const int other = m_data->addList(QStringLiteral("other"), 50, false);
        QRandomGenerator random(quint32(mode * 1000 + maxTimes));
        theDatabase.execute("BEGIN;");
        for (int wid = 1; wid <= 450; ++wid) {
            const int times = random.bounded(maxTimes + 1);
            theDatabase.execute(sqlFormat("INSERT OR REPLACE INTO WordsMarkInfo_tbl VALUES(%d, %d, date('now', 'localtime', '-%d day'), %d, %d);",
                                          theUser.uid, wid, random.bounded(40), times, int(random.bounded(3) == 0)).constData());
        }
        theDatabase.execute("COMMIT;");
        QVERIFY(other != theUser.tid);
        runForUser({QStringLiteral("UPDATE UserInfo_tbl SET mode = %1, TimesFrom = 3, TimesTo = 90, DateFrom = date('now', 'localtime', '-20 day'), DateTo = date('now', 'localtime', '-2 day');").arg(mode)});

        const study::StatisticsFigures fast = study::gatherStatistics(theDatabase, theUser);
        const study::StatisticsFigures described = describedFigures();
        QVERIFY2(fast.failure.isEmpty(), qPrintable(fast.failure));
        QCOMPARE(fast.done, described.done);
        QCOMPARE(fast.labels, described.labels);
        QCOMPARE(fast.counts, described.counts);
    }

    void failurePartWay_data()
    {
        QTest::addColumn<QString>("broken");
        QTest::addColumn<QStringList>("shown");

        QTest::newRow("list name") << u"ThesaurusInfo_tbl"_s << QStringList{u"ann"_s, u"--"_s, u"学习新单词"_s, u"-- / 20"_s, u"--%"_s, u"--天"_s, u"--天"_s, u"--%"_s};
        QTest::newRow("marks") << u"WordsMarkInfo_tbl"_s << QStringList{u"ann"_s, u"list"_s, u"学习新单词"_s, u"-- / 20"_s, u"--%"_s, u"--天"_s, u"--天"_s, u"--%"_s};
        QTest::newRow("log") << u"logs_tbl"_s << QStringList{u"ann"_s, u"list"_s, u"学习新单词"_s, u"3 / 20"_s, u"15.00%"_s, u"--天"_s, u"--天"_s, u"--%"_s};
    }

    void failurePartWay()
    {
        QFETCH(QString, broken);
        QFETCH(QStringList, shown);
        prepare(20);
        runForUser({QStringLiteral("UPDATE WordsMarkInfo_tbl SET times = 2 WHERE wid <= 3;"), QStringLiteral("DROP TABLE %1;").arg(broken)});
        const study::StatisticsFigures f = study::gatherStatistics(theDatabase, theUser);
        QVERIFY(f.failure.contains(broken));
        const QString html = study::statisticsDocument(f, QString());
        QCOMPARE(shownFigures(html), shown);
        // The chart comes last: an empty island, which the chart script reports.
        QVERIFY(html.contains(QStringLiteral("<XML ID='MYCHART'></XML>")));
    }

    // The report as the learner sees it: names outside the declared code page, the
    // figures, the pie with its legend and tool tips, whichever way the text arrives.
};

QTEST_MAIN(TestStatisticsFigures)
#include "tst_statistics_figures.moc"
