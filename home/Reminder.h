#pragma once

#include <QDateTime>

#include <functional>

// The reminder the tray icon gives while the day's task is unfinished: checked every
// two seconds while the windows are hidden, acting at most once a minute.
namespace reminder {

enum class Action { Nothing, Remind, StopTimer };

// The minute of `now` for the reminder hours begin..end and the interval in minutes.
// finishedToday is asked only outside the reminder hours.
Action tick(const QDateTime &now, int begin, int end, int interval, const std::function<bool()> &finishedToday);

// Lets through the first tick of each new minute. A two-second timer started on an odd
// second never ticks at second 0, so "second 0" cannot be the test. The minute in which
// the timer starts is not new: it was under way before the timer ran.
class MinuteGate
{
public:
    void start(const QDateTime &now) { m_minute = minuteOf(now); }
    bool pass(const QDateTime &now)
    {
        const qint64 minute = minuteOf(now);
        if (minute == m_minute)
            return false;
        m_minute = minute;
        return true;
    }

private:
    static qint64 minuteOf(const QDateTime &t) { return t.toSecsSinceEpoch() / 60; }
    qint64 m_minute = -1;
};

} // namespace reminder
