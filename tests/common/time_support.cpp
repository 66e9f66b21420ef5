#include "time_support.h"

#include "OrvCtl.h"

namespace dormex_test {

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    SYSTEMTIME time = {static_cast<WORD>(year),   static_cast<WORD>(month), 0,
                       static_cast<WORD>(day),    static_cast<WORD>(hour),  static_cast<WORD>(minute),
                       static_cast<WORD>(second), static_cast<WORD>(ms)};
    FILETIME file;
    if (SystemTimeToFileTime(&time, &file))
        FileTimeToSystemTime(&file, &time); // sets the day of week
    return time;
}

bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute;
}

SYSTEMTIME WholeMinuteAhead(int leadSeconds) {
    SYSTEMTIME now, time;
    GetLocalTime(&now);
    OvcTimeUpdate(&now, &time, leadSeconds + 60 - now.wSecond);
    time.wSecond = 0;
    time.wMilliseconds = 0;
    return time;
}

} // namespace dormex_test
