#pragma once

#include <QDateTime>

#include <functional>

// The reminder the tray icon gives while the day's task is unfinished: checked every
// two seconds while the windows are hidden, acting at most once a minute.
namespace reminder {

enum class Action { Nothing, Remind, StopTimer };

// One tick at `now` for the reminder hours begin..end and the interval in minutes.
// finishedToday is asked only outside the reminder hours.
Action tick(const QDateTime &now, int begin, int end, int interval, const std::function<bool()> &finishedToday);

} // namespace reminder
