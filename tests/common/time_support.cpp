#include "time_support.h"

#include "OrvCtl.h"

namespace dormex_test {

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
