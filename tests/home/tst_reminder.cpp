#include "home/Reminder.h"
#include "platform/Version.h"

#include <QtTest>

using reminder::Action;

class TestReminder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ticks_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<int>("begin");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("finished");
        QTest::addColumn<int>("action");
        const int nothing = int(Action::Nothing), remind = int(Action::Remind), stop = int(Action::StopTimer);
        QTest::newRow("first at begin") << "09:00:00" << 9 << 17 << 15 << false << remind;
        QTest::newRow("every 15") << "10:45:00" << 9 << 17 << 15 << false << remind;
        QTest::newRow("between") << "10:50:00" << 9 << 17 << 15 << false << nothing;
        QTest::newRow("every 30") << "11:30:00" << 9 << 17 << 30 << false << remind;
        QTest::newRow("30 off-beat") << "11:15:00" << 9 << 17 << 30 << false << nothing;
        QTest::newRow("hourly") << "13:00:00" << 9 << 17 << 60 << false << remind;
        QTest::newRow("two-hourly on the beat") << "11:00:00" << 9 << 17 << 120 << false << remind;
        QTest::newRow("two-hourly off the beat") << "10:00:00" << 9 << 17 << 120 << false << nothing;
        QTest::newRow("inside the last hour") << "17:59:00" << 9 << 17 << 1 << false << remind;
        QTest::newRow("inside, task finished meanwhile") << "12:00:00" << 9 << 17 << 60 << true << remind;
        QTest::newRow("after the end") << "18:00:00" << 9 << 17 << 15 << false << stop;
        QTest::newRow("seconds into the minute") << "10:45:31" << 9 << 17 << 15 << false << remind;
        QTest::newRow("before the begin") << "07:00:00" << 9 << 17 << 15 << false << nothing;
        QTest::newRow("before the begin, finished") << "07:00:00" << 9 << 17 << 15 << true << stop;
        QTest::newRow("no interval") << "09:00:00" << 9 << 17 << 0 << false << nothing;
    }
    void ticks()
    {
        QFETCH(QString, time);
        QFETCH(int, begin);
        QFETCH(int, end);
        QFETCH(int, interval);
        QFETCH(bool, finished);
        QFETCH(int, action);
        int asked = 0;
        const QDateTime now(QDate(2026, 12, 8), QTime::fromString(time, QStringLiteral("hh:mm:ss")));
        const Action a = reminder::tick(now, begin, end, interval, [&] {
            ++asked;
            return finished;
        });
        QCOMPARE(int(a), action);
        const bool inside = now.time().hour() >= begin && now.time().hour() <= end;
        if (inside)
            QCOMPARE(asked, 0); // the task is not re-checked inside the window
    }

    void versionString_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("shown");
        QTest::newRow("1.0.0.0") << "1.0.0.0" << "1.00";
        QTest::newRow("1.2.3.9") << "1.2.3.9" << "1.23";
        QTest::newRow("1.2.10.0") << "1.2.10.0" << "1.210";
        QTest::newRow("unreadable") << "x" << "";
    }
    void versionString()
    {
        QFETCH(QString, file);
        QFETCH(QString, shown);
        QCOMPARE(ownVersionString(file), shown);
    }
};

QTEST_GUILESS_MAIN(TestReminder)
#include "tst_reminder.moc"
