#include "home/Reminder.h"

namespace reminder {

Action tick(const QDateTime &now, int begin, int end, int interval, const std::function<bool()> &finishedToday)
{
    const int hour = now.time().hour();
    if (begin <= hour && hour <= end) {
        // Every `interval` minutes counted from begin:00, the first at begin:00; a
        // two-hour interval reminds every second hour.
        const qint64 minutes = QDateTime(now.date(), QTime(begin, 0)).secsTo(now) / 60; // whole minutes
        return interval > 0 && minutes % interval == 0 ? Action::Remind : Action::Nothing;
    }
    if (hour > end || (finishedToday && finishedToday()))
        return Action::StopTimer;
    return Action::Nothing; // before the reminder hours: keep waiting
}

} // namespace reminder
