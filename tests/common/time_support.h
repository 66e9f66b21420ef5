// Times as the schedule tests reason about them: whole minutes of the local clock.
#pragma once

#include <windows.h>

namespace dormex_test {

// A local time with its day of week filled in (ms: milliseconds).
SYSTEMTIME MakeTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0);

// True when both times fall into the same minute of the same day.
bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b);

// The first whole minute of the local clock at least leadSeconds (to the second) ahead of now.
SYSTEMTIME WholeMinuteAhead(int leadSeconds);

} // namespace dormex_test
