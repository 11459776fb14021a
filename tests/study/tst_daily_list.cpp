#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "study/StudyRules.h"
#include "study/WordMemory.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using study::ComboItem;

class TestDailyList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CppSQLite3Connection m_db;
    UserRecord m_user;

    QString today() const { return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")); }

    // A user with a list of n words chosen (progress rows seeded by the trigger).
    void setUp(int words, int dayNum = 20)
    {
        m_db.execute(sqlFormat("INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'u', 'p', -1, %d, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);", dayNum).constData());
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'list'); BEGIN;");
        for (int i = 1; i <= words; ++i)
            m_db.execute(sqlFormat("INSERT INTO words_tbl VALUES (%d, 1, 'w%d', 'x', 'y');", i, i).constData());
        m_db.execute("COMMIT; UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1;");
        CppSQLite3Cursor c = m_db.query("SELECT * FROM UserInfo_tbl WHERE uid = 1;");
        m_user.fill(c);
    }

    QSet<int> dayList()
    {
        QSet<int> out;
        for (CppSQLite3Cursor c = m_db.query("SELECT wid FROM DayList_tbl WHERE uid = 1;"); !c.eof(); c.next())
            out.insert(c.intValue(0));
        return out;
    }

    QString logRows()
    {
        QStringList rows;
        for (CppSQLite3Cursor c = m_db.query("SELECT uid, tid, date, mode, bFinish, ifnull(ErrorRate, 'NULL') FROM logs_tbl ORDER BY date, mode;"); !c.eof(); c.next())
            rows << QStringList{QString::fromUtf8(c.value(0)), QString::fromUtf8(c.value(1)), QString::fromUtf8(c.value(2)),
                                QString::fromUtf8(c.value(3)), QString::fromUtf8(c.value(4)), QString::fromUtf8(c.value(5))}
                        .join(u',');
        return rows.join(u';');
    }

private Q_SLOTS:
    void init()
    {
        static int n = 0;
        m_db.close();
        store::openStore(m_db, m_dir.filePath(QStringLiteral("d%1.db").arg(++n)));
        m_user = UserRecord();
    }

    void reviewChoicesFromAges()
    {
        // Oldest studied 20 days ago, newest 3 days ago.
        study::ReviewChoices c = study::reviewChoices(20, 3, 1, 3);
        QVERIFY(c.reviewable);
        const QList<ComboItem> weeks{{QStringLiteral("1周前"), 7}, {QStringLiteral("2周前"), 14}, {QStringLiteral("3周前"), 21}};
        QCOMPARE(c.dateFrom, weeks);
        QCOMPARE(c.dateTo, (QList<ComboItem>{{QStringLiteral("(当前日期)"), 0}} + weeks));
        QCOMPARE(c.timesFrom, (QList<ComboItem>{{QStringLiteral("1"), 1}, {QStringLiteral("2"), 2}, {QStringLiteral("3"), 3}}));
        QCOMPARE(c.timesTo, c.timesFrom);
        // Newest 9 days ago: no "today" item.
        c = study::reviewChoices(20, 9, 2, 2);
        QCOMPARE(c.dateFrom, weeks);
        QCOMPARE(c.dateTo, weeks);
        QCOMPARE(c.timesFrom, (QList<ComboItem>{{QStringLiteral("2"), 2}}));
        // Everything studied today: nothing reviewable.
        c = study::reviewChoices(0, 0, 1, 1);
        QVERIFY(!c.reviewable);
        QVERIFY(c.dateFrom.isEmpty() && c.timesFrom.isEmpty());
    }

    void fragments()
    {
        UserRecord u;
        u.TimesFrom = -1;
        QCOMPARE(study::timesFragment(u), QByteArray("1"));
        QCOMPARE(study::dateFragment(u), QByteArray("1"));
        u.TimesFrom = 2;
        u.TimesTo = 5;
        u.DateFrom = QStringLiteral("2026-11-01");
        u.DateTo = QStringLiteral("2026-12-01");
        QCOMPARE(study::timesFragment(u), QByteArray("times BETWEEN 2 AND 5"));
        QCOMPARE(study::dateFragment(u), QByteArray("RecentMarkDate BETWEEN date('2026-11-01') AND date('2026-12-01')"));
    }

    void queriedChoicesAndCounts()
    {
        setUp(10);
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 2, RecentMarkDate = date('now', 'localtime', '-20 day') WHERE wid <= 3;"
                     "UPDATE WordsMarkInfo_tbl SET times = 4, RecentMarkDate = date('now', 'localtime', '-3 day') WHERE wid = 4;"
                     "UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE wid IN (4, 5);");
        const study::ReviewChoices c = study::queryReviewChoices(m_db, m_user);
        QCOMPARE(c.dateFrom.size(), 3);
        QCOMPARE(c.dateTo.first().datum, 0);
        QCOMPARE(c.timesFrom.first().datum, 2);
        QCOMPARE(c.timesTo.last().datum, 4);
        QCOMPARE(study::sourceCount(m_db, m_user, study::LearnNew), 6);
        QCOMPARE(study::sourceCount(m_db, m_user, study::ReviewHard), 2);
        m_user.TimesFrom = -1;
        QCOMPARE(study::sourceCount(m_db, m_user, study::ReviewNormal), 4); // both unlimited: every reviewable word
        m_user.TimesFrom = 3;
        m_user.TimesTo = 9;
        QCOMPARE(study::sourceCount(m_db, m_user, study::ReviewNormal), 1);
        m_user.TimesFrom = -1;
        m_user.DateFrom = QDate::currentDate().addDays(-7).toString(QStringLiteral("yyyy-MM-dd"));
        m_user.DateTo = today();
        QCOMPARE(study::sourceCount(m_db, m_user, study::ReviewNormal), 1);
        // A window given in the wrong order selects nothing.
        std::swap(m_user.DateFrom, m_user.DateTo);
        QCOMPARE(study::sourceCount(m_db, m_user, study::ReviewNormal), 0);
    }

    void firstOpeningBuildsThenReuses()
    {
        setUp(500);
        auto r = study::buildDailyList(m_db, m_user, true, today());
        QCOMPARE(int(r.outcome), int(study::DailyListOutcome::Ready));
        QVERIFY(r.built);
        QVERIFY(r.startUpdateCheck);
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,0,0,NULL").arg(today()));
        const QSet<int> first = dayList();
        QCOMPARE(first.size(), 20);
        // Opening again the same day (memorise then test) keeps exactly those words.
        r = study::buildDailyList(m_db, m_user, true, today());
        QVERIFY(!r.built);
        QVERIFY(!r.startUpdateCheck);
        QCOMPARE(dayList(), first);
        // Random: another user's list of the same words differs (with overwhelming odds).
        study::buildDailyList(m_db, m_user, false, today());
        QVERIFY(dayList() != first);
    }

    void smallSourceGivesShortList()
    {
        setUp(7);
        study::buildDailyList(m_db, m_user, true, today());
        QCOMPARE(dayList().size(), 7);
    }

    void logDatedAfterTodayKeepsList()
    {
        setUp(50);
        m_db.execute("INSERT INTO DayList_tbl VALUES (1, 3, NULL); INSERT INTO logs_tbl VALUES (1, 1, date('now', 'localtime', '+2 day'), 0, 0, NULL);");
        const auto r = study::buildDailyList(m_db, m_user, true, today());
        QVERIFY(!r.built);
        QCOMPARE(dayList(), QSet<int>{3});
    }

    void yesterdaysListIsReplaced()
    {
        setUp(50);
        m_db.execute("INSERT INTO DayList_tbl VALUES (1, 3, 1); INSERT INTO logs_tbl VALUES (1, 1, date('now', 'localtime', '-1 day'), 0, 0, NULL);");
        const auto r = study::buildDailyList(m_db, m_user, true, today());
        QVERIFY(r.built);
        QCOMPARE(dayList().size(), 20);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM DayList_tbl WHERE incorrect IS NOT NULL;"), 0);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM logs_tbl;"), 2);
    }

    void emptySourceChangesNothing()
    {
        setUp(5);
        m_db.execute("INSERT INTO DayList_tbl VALUES (1, 2, NULL); UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now');");
        for (bool pageStart : {true, false}) {
            const auto r = study::buildDailyList(m_db, m_user, pageStart, today());
            QCOMPARE(int(r.outcome), int(study::DailyListOutcome::NothingToStudy));
        }
        QCOMPARE(dayList(), QSet<int>{2});
        QCOMPARE(logRows(), QString());
        m_user.mode = study::ReviewHard;
        QCOMPARE(int(study::buildDailyList(m_db, m_user, true, today()).outcome), int(study::DailyListOutcome::NothingToStudy));
    }

    void reviewModesDrawFromTheirSources()
    {
        setUp(40);
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now', 'localtime', '-10 day') WHERE wid <= 10;"
                     "UPDATE WordsMarkInfo_tbl SET times = 5, RecentMarkDate = date('now', 'localtime', '-10 day') WHERE wid BETWEEN 11 AND 12;"
                     "UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE wid IN (30, 31, 32);");
        m_user.mode = study::ReviewNormal;
        m_user.TimesFrom = 5;
        m_user.TimesTo = 5;
        study::buildDailyList(m_db, m_user, true, today());
        QCOMPARE(dayList(), (QSet<int>{11, 12}));
        m_user.mode = study::ReviewHard;
        study::buildDailyList(m_db, m_user, true, today());
        QCOMPARE(dayList(), (QSet<int>{30, 31, 32}));
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM logs_tbl;"), 2); // one row per mode
    }

    void rebuildResetsTodaysRow()
    {
        setUp(100);
        study::buildDailyList(m_db, m_user, true, today());
        m_db.execute("UPDATE logs_tbl SET bFinish = 1, ErrorRate = 0.5;");
        m_user.DayNum = 30;
        const auto r = study::buildDailyList(m_db, m_user, false, today());
        QVERIFY(r.built);
        QVERIFY(!r.startUpdateCheck);
        QCOMPARE(dayList().size(), 30);
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,0,0,NULL").arg(today()));
    }

    void finishingRecordsTheDay()
    {
        setUp(100);
        study::buildDailyList(m_db, m_user, true, today());
        m_db.execute("UPDATE DayList_tbl SET incorrect = 0; UPDATE DayList_tbl SET incorrect = 1 WHERE wid IN (SELECT wid FROM DayList_tbl LIMIT 3);");
        study::finishTodayLog(m_db, m_user, false);
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,0,1,NULL").arg(today()));
        QVERIFY(study::isTaskFinishedToday(m_db, m_user));
        study::finishTodayLog(m_db, m_user, true);
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,0,1,0.15").arg(today()));
        m_db.execute("UPDATE DayList_tbl SET incorrect = 1;");
        study::finishTodayLog(m_db, m_user, true); // the first rate stays
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,0,1,0.15").arg(today()));
    }

    void finishingUsesTheRowTheListWasBuiltUnder()
    {
        setUp(30);
        m_db.execute("INSERT INTO logs_tbl VALUES (1, 1, date('now', 'localtime', '-1 day'), 0, 0, NULL);"
                     "INSERT INTO logs_tbl VALUES (1, 1, date('now', 'localtime', '-2 day'), 0, 0, NULL);");
        study::finishTodayLog(m_db, m_user, false);
        QCOMPARE(m_db.queryInt("SELECT bFinish FROM logs_tbl WHERE date = date('now', 'localtime', '-1 day');"), 1);
        QCOMPARE(m_db.queryInt("SELECT bFinish FROM logs_tbl WHERE date = date('now', 'localtime', '-2 day');"), 0);
        QVERIFY(!study::isTaskFinishedToday(m_db, m_user)); // no row for today: not finished, silently
    }

    // Mode 3: the due words with the lowest predicted recall first, then new words of
    // the list at random; a word studied only by copying is due from the next day.
    void smartReviewDueFirstThenNew()
    {
        setUp(40, 5);
        m_user.mode = study::SmartReview;
        const char *memory =
            "INSERT INTO WordMemory_tbl VALUES (1, %d, %s, 5.0, date('now', 'localtime', '-%d day'), date('now', 'localtime', '%s'), 3, 0);";
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 2, RecentMarkDate = date('now', 'localtime', '-10 day') WHERE wid <= 8;"
                     "UPDATE WordsMarkInfo_tbl SET RecentMarkDate = date('now', 'localtime', '-1 day') WHERE wid = 6;"
                     "UPDATE WordsMarkInfo_tbl SET RecentMarkDate = date('now', 'localtime') WHERE wid = 7;");
        // Days since the review over stability: 10, 2, 0.5, 5 and 0.2 (word 6, copied
        // yesterday: 1 over one Good review's); word 5 is not due yet.
        m_db.execute(sqlFormat(memory, 1, "1.0", 10, "-1 day").constData());
        m_db.execute(sqlFormat(memory, 2, "5.0", 10, "-2 day").constData());
        m_db.execute(sqlFormat(memory, 3, "20.0", 10, "+0 day").constData());
        m_db.execute(sqlFormat(memory, 4, "2.0", 10, "-3 day").constData());
        m_db.execute(sqlFormat(memory, 5, "30.0", 10, "+1 day").constData());
        m_db.execute(sqlFormat(memory, 8, "50.0", 10, "+0 day").constData());
        QCOMPARE(memory::dueCount(m_db, m_user, today()), 6); // 1-4, 8 and 6

        QVERIFY(study::buildDailyList(m_db, m_user, true, today()).built);
        QCOMPARE(dayList(), (QSet<int>{1, 4, 2, 3, 6}));
        QCOMPARE(logRows(), QStringLiteral("1,1,%1,3,0,NULL").arg(today()));
        QVERIFY(!study::buildDailyList(m_db, m_user, true, today()).built); // kept for the day

        m_user.DayNum = 9;
        QSet<QSet<int>> fills;
        for (int run = 0; run < 3; ++run) {
            study::buildDailyList(m_db, m_user, false, today());
            const QSet<int> list = dayList();
            QCOMPARE(list.size(), 9);
            QVERIFY(list.contains(QSet<int>{1, 2, 3, 4, 6, 8}));
            const QSet<int> fresh = list - QSet<int>{1, 2, 3, 4, 6, 8};
            for (int wid : fresh)
                QVERIFY2(wid > 8, qPrintable(QString::number(wid))); // never studied
            fills.insert(fresh);
        }
        QVERIFY(fills.size() > 1); // at random

        // Everything studied and nothing due: nothing to study, nothing changed.
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 1, RecentMarkDate = date('now', 'localtime');"
                     "UPDATE WordMemory_tbl SET due = date('now', 'localtime', '+1 day');");
        const QSet<int> before = dayList();
        QCOMPARE(int(study::buildDailyList(m_db, m_user, false, today()).outcome), int(study::DailyListOutcome::NothingToStudy));
        QCOMPARE(dayList(), before);
        QCOMPARE(study::sourceCount(m_db, m_user, study::SmartReview), 40); // its total: the words studied
    }

    // Grading: once a day per word; a clock set back counts as the same day.
    void smartReviewGrading()
    {
        setUp(3);
        auto grade = [&](int wid, int rating) {
            const QByteArray sql = memory::gradeStatement(m_db, 1, wid, rating);
            if (!sql.isEmpty())
                m_db.execute(sql.constData());
            return !sql.isEmpty();
        };
        QVERIFY(grade(1, 3));
        QVERIFY(!grade(1, 1)); // later the same day: nothing changes
        CppSQLite3Cursor c = m_db.query("SELECT stability, LastReview = date('now', 'localtime'), due = date('now', 'localtime', '+2 day'), reps, lapses FROM WordMemory_tbl WHERE wid = 1;");
        QCOMPARE(c.floatValue(0), 2.3065);
        QCOMPARE(c.intValue(1), 1);
        QCOMPARE(c.intValue(2), 1);
        QCOMPARE(c.intValue(3), 1);
        QCOMPARE(c.intValue(4), 0);
        c.finalize();

        // Reviewed "in three days" before the clock went back: a same-day lapse, never
        // a negative interval.
        m_db.execute("INSERT INTO WordMemory_tbl VALUES (1, 2, 2.3065, 2.1181, date('now', 'localtime', '+3 day'), date('now', 'localtime', '+5 day'), 1, 0);");
        QVERIFY(grade(2, 1));
        c = m_db.query("SELECT round(stability, 4), LastReview = date('now', 'localtime'), due = date('now', 'localtime', '+1 day'), reps, lapses FROM WordMemory_tbl WHERE wid = 2;");
        QCOMPARE(c.floatValue(0), 0.7751);
        QCOMPARE(c.intValue(1), 1);
        QCOMPARE(c.intValue(2), 1);
        QCOMPARE(c.intValue(3), 2);
        QCOMPARE(c.intValue(4), 1);
    }

    void failedBuildIsRolledBack()
    {
        setUp(30);
        m_db.execute("INSERT INTO DayList_tbl VALUES (1, 3, NULL);");
        // A trigger makes the insert fail inside the transaction.
        m_db.execute("CREATE TRIGGER fail_trig BEFORE INSERT ON DayList_tbl BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        bool raised = false;
        try {
            study::buildDailyList(m_db, m_user, true, today());
        } catch (const CppSQLite3Exception &e) {
            raised = QByteArray(e.errorMessage()).contains("refused");
        }
        QVERIFY(raised);
        QCOMPARE(dayList(), QSet<int>{3});
        QCOMPARE(logRows(), QString());
        m_db.execute("BEGIN; COMMIT;");
    }
};

QTEST_GUILESS_MAIN(TestDailyList)
#include "tst_daily_list.moc"
