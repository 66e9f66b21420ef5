// Calendar arithmetic on SYSTEMTIME fields, without time zones.
#include "OrvCtl.h"

namespace {

// Days from 1970-01-01 to the given proleptic Gregorian date; month may lie outside 1..12.
long long DaysFromCivil(long long year, long long month, long long day) {
    year += (month - 1) / 12;
    month = (month - 1) % 12 + 1;
    if (month < 1) {
        month += 12;
        --year;
    }
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yoe = year - era * 400;
    long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long days, long long* year, unsigned* month, unsigned* day) {
    days += 719468;
    long long era = (days >= 0 ? days : days - 146096) / 146097;
    long long doe = days - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    *day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    *month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    *year = yoe + era * 400 + (*month <= 2);
}

long long FloorDiv(long long a, long long b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

long long SecondsOf(const SYSTEMTIME& t) {
    return DaysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400 + t.wHour * 3600LL + t.wMinute * 60LL + t.wSecond;
}

} // namespace

extern "C" {

OVC_API DWORD OVC_CALL OvcSysTimeToTime1970(const SYSTEMTIME* time) {
    if (!time)
        return 0;
    return static_cast<DWORD>(SecondsOf(*time));
}

OVC_API void OVC_CALL OvcTimeUpdate(const SYSTEMTIME* source, SYSTEMTIME* destination, int seconds) {
    if (!source || !destination)
        return;
    long long milliseconds = (SecondsOf(*source) + seconds) * 1000 + source->wMilliseconds;
    long long total = FloorDiv(milliseconds, 1000);
    long long days = FloorDiv(total, 86400);
    long long inDay = total - days * 86400;
    long long year;
    unsigned month, day;
    CivilFromDays(days, &year, &month, &day);
    SYSTEMTIME result;
    result.wYear = static_cast<WORD>(year);
    result.wMonth = static_cast<WORD>(month);
    result.wDay = static_cast<WORD>(day);
    result.wHour = static_cast<WORD>(inDay / 3600);
    result.wMinute = static_cast<WORD>(inDay / 60 % 60);
    result.wSecond = static_cast<WORD>(inDay % 60);
    result.wMilliseconds = static_cast<WORD>(milliseconds - total * 1000);
    result.wDayOfWeek = static_cast<WORD>(((days + 4) % 7 + 7) % 7); // 1970-01-01 was a Thursday
    *destination = result;
}

} // extern "C"
