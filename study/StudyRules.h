#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class CppSQLite3Connection;
struct UserRecord;

// Study modes and the review conditions of the ordinary review mode.
namespace study {

enum Mode { LearnNew = 0, ReviewNormal = 1, ReviewHard = 2, SmartReview = 3 };

// Mode 3 draws the words the memory model finds due, then new words; its total is
// the number of words of the list studied so far.

// The view each mode draws its words from.
const char *sourceView(int mode);

// Condition fragments of every ordinary-review statement, built from the user record:
// "1" when unlimited.
QByteArray timesFragment(const UserRecord &user);
QByteArray dateFragment(const UserRecord &user);

// Number of words in the mode's source for the user's current list (mode 1 under the
// review conditions; mode 3: the words studied so far). Raises CppSQLite3Exception.
int sourceCount(CppSQLite3Connection &db, const UserRecord &user, int mode);
// Whether that source holds any word: the same condition as a count of at least one,
// without counting them all.
bool sourceHasWords(CppSQLite3Connection &db, const UserRecord &user, int mode);

struct ComboItem
{
    QString text;
    int datum; // days for the date boxes, a study count for the times boxes
    friend bool operator==(const ComboItem &, const ComboItem &) = default;
};

// The items of the four review-condition boxes, from the ages in days of the oldest
// and newest last-study dates and the study-count range of the reviewable words.
struct ReviewChoices
{
    bool reviewable = false;
    QList<ComboItem> dateFrom; // box 1062
    QList<ComboItem> dateTo;   // box 1063
    QList<ComboItem> timesFrom; // box 1067
    QList<ComboItem> timesTo;   // box 1068
};
ReviewChoices reviewChoices(int dayFrom, int dayTo, int timesFrom, int timesTo);
// Queries the ranges for the user's current list. Raises CppSQLite3Exception.
ReviewChoices queryReviewChoices(CppSQLite3Connection &db, const UserRecord &user);

} // namespace study
