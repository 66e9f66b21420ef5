// Times as the schedule tests reason about them: whole minutes of the local clock.
#pragma once

#include <windows.h>

namespace dormex_test {

// True when both times fall into the same minute of the same day.
bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b);

// The first whole minute of the local clock at least leadSeconds (to the second) ahead of now.
SYSTEMTIME WholeMinuteAhead(int leadSeconds);

} // namespace dormex_test
