// What the demo puts into the application's settings dialog.
#pragma once

#include <windows.h>

#include <string>

struct DemoSchedule {
    SYSTEMTIME shutdown; // whole minute
    bool forced;
    UINT warningMinutes;
    UINT resumeMinutes; // the wake-up timer fires this long before the shutdown
};

// The first whole minute at least leadSeconds after now.
SYSTEMTIME FirstMinuteAfter(const SYSTEMTIME& now, UINT leadSeconds);

// Seconds from a to b (negative when b is earlier).
LONGLONG SecondsBetween(const SYSTEMTIME& a, const SYSTEMTIME& b);

// Enters the schedule into the application's settings dialog as a user does (time row 1 only,
// every week day, the 3-minute announcement only) and checks that every control took its value;
// the dialog is left unconfirmed. False, with *problem set, when a control did not.
bool EnterSchedule(HWND settings, const DemoSchedule& schedule, std::string* problem);
