#pragma once

#include <QString>

class CppSQLite3Cursor;

// The logged-in user: one process-wide record filled from the user's row of
// UserInfo_tbl at log-in. Every change of a column of that row is made to the record
// as well. The password is not held.
struct UserRecord
{
    int uid = 0;
    int type = 0;
    int tid = 0;
    int mode = 0;
    int TimesFrom = 0;
    int TimesTo = 0;
    int DayNum = 0;
    int count = 0;
    int CloseExit = 0;
    int MemorHardMode = 0;
    int MemorAutoNext = 0;
    int TestAutoAddHard = 0;
    int TestAutoNext = 0;
    int NotifyBegin = 0;
    int NotifyEnd = 0;
    int NotifyInterval = 0;
    int TTSspeaker = 0;
    int TTSvolume = 0;
    int TTSspeed = 0;
    QString username;
    QString DateFrom;
    QString DateTo;

    // Fills every field from the current row of a "SELECT * FROM UserInfo_tbl ..."
    // cursor, integers with NULL as 0 and texts with NULL as empty.
    void fill(CppSQLite3Cursor &row);
};

extern UserRecord theUser;
