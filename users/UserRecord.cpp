#include "users/UserRecord.h"

#include "platform/AnsiText.h"
#include "store/CppSQLite3.h"

UserRecord theUser;

void UserRecord::fill(CppSQLite3Cursor &row)
{
    UserRecord r;
    r.uid = row.intValue("uid", 0);
    r.type = row.intValue("type", 0);
    r.tid = row.intValue("tid", 0);
    r.mode = row.intValue("mode", 0);
    r.count = row.intValue("count", 0);
    r.TimesFrom = row.intValue("TimesFrom", 0);
    r.TimesTo = row.intValue("TimesTo", 0);
    r.DayNum = row.intValue("DayNum", 0);
    r.CloseExit = row.intValue("CloseExit", 0);
    r.MemorHardMode = row.intValue("MemorHardMode", 0);
    r.MemorAutoNext = row.intValue("MemorAutoNext", 0);
    r.TestAutoAddHard = row.intValue("TestAutoAddHard", 0);
    r.TestAutoNext = row.intValue("TestAutoNext", 0);
    r.NotifyBegin = row.intValue("NotifyBegin", 0);
    r.NotifyEnd = row.intValue("NotifyEnd", 0);
    r.NotifyInterval = row.intValue("NotifyInterval", 0);
    r.TTSspeaker = row.intValue("TTSspeaker", 0);
    r.TTSvolume = row.intValue("TTSvolume", 0);
    r.TTSspeed = row.intValue("TTSspeed", 0);
    r.username = ansi::toUnicode(row.stringValue("username", ""));
    r.DateFrom = ansi::toUnicode(row.stringValue("DateFrom", ""));
    r.DateTo = ansi::toUnicode(row.stringValue("DateTo", ""));
    *this = r; // all or nothing: a missing column leaves the record as it was
}
