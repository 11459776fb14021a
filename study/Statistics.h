#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "study/WordMemory.h"

#include <optional>

class CppSQLite3Connection;
struct UserRecord;

// The statistics report: the learner's progress in the current list and mode, and how
// often the list's words were studied.
namespace study {

struct StatisticsFigures
{
    // From the user record: always there.
    QString user;
    QString modeName;
    int total = 0;

    // From the store, in this order. Gathering stops at the first failure: the figures
    // from there on stay unset and the report shows "--" for them.
    std::optional<QString> listName;
    std::optional<int> done;
    std::optional<int> daysUsed;
    std::optional<float> errorRate; // percent
    bool chartGathered = false;
    QStringList labels; // "0", "1" or "1 ~ 5" ..., ">100"
    QList<int> counts;  // words per label
    // The memory model's outlook for the studied words of the list; gathered with the
    // marks (in mode 3 its progress counts the words not due).
    std::optional<memory::Outlook> memory;

    // The store's message when gathering stopped early; empty otherwise.
    QString failure;

    // done as a percentage of total; 0 when there is no total.
    std::optional<double> progress() const;
    // "%d" of the days the rest of the list will take at this pace, or "--".
    QString daysRemaining() const;
};

QString modeName(int mode);

// Gathers the figures for the user's current list and mode. Store failures are caught
// and recorded in `failure`; nothing is raised.
StatisticsFigures gatherStatistics(CppSQLite3Connection &db, const UserRecord &user);

// The chart description as an XML island; an empty island when the chart was not
// gathered.
QString statisticsIsland(const StatisticsFigures &figures);
// The report's HTML: the template, the island, then the body with the figures.
QString statisticsDocument(const StatisticsFigures &figures, const QString &templateText);
// The memory model's section, shown after the whole report: words due today and on
// each of the next seven days, and the average predicted recall today.
QString statisticsMemorySection(const StatisticsFigures &figures);
// The template HTML_STATISTICS among the program's resources; empty when missing.
QString statisticsTemplate();

} // namespace study
