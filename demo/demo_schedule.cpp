#include "demo_schedule.h"

#include "app_driver.h"

#include <stdio.h>

using dormex_test::Click;
using dormex_test::IsChecked;
using dormex_test::ReadNumber;
using dormex_test::TypeNumber;

namespace {

// Controls of the settings dialog.
const int kScheduleSwitch = 1034;
const int kSlotValid[4] = {1002, 1003, 1004, 1005};
const int kSlotHour0 = 1006;
const int kSlotMinute0 = 1010;
const int kSlotForced0 = 1022;
const int kInterval = 1014;
const int kFirstWeekDay = 1035; // Sunday .. Saturday: 1035 .. 1041
const int kSound60 = 1044, kSound30 = 1045, kSound10 = 1046, kSound03 = 1047;
const int kResumeTime = 1019;

const ULONGLONG kTicksPerSecond = 10000000;

ULONGLONG Ticks(const SYSTEMTIME& time) {
    FILETIME file = {};
    SystemTimeToFileTime(&time, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

// Sets a check box by clicking it when it is not as wanted, as a user does.
bool SetCheck(HWND dialog, int id, bool checked) {
    if (IsChecked(dialog, id) != checked)
        Click(dialog, id);
    return IsChecked(dialog, id) == checked;
}

bool SetNumber(HWND dialog, int id, UINT value) {
    char digits[16];
    snprintf(digits, sizeof digits, "%u", value);
    TypeNumber(dialog, id, digits);
    return ReadNumber(dialog, id) == value;
}

} // namespace

SYSTEMTIME FirstMinuteAfter(const SYSTEMTIME& now, UINT leadSeconds) {
    const ULONGLONG minute = 60 * kTicksPerSecond;
    ULONGLONG ticks = Ticks(now) + leadSeconds * kTicksPerSecond;
    ticks = (ticks + minute - 1) / minute * minute;
    FILETIME file = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME result = now;
    FileTimeToSystemTime(&file, &result);
    return result;
}

LONGLONG SecondsBetween(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return (static_cast<LONGLONG>(Ticks(b)) - static_cast<LONGLONG>(Ticks(a))) /
           static_cast<LONGLONG>(kTicksPerSecond);
}

bool EnterSchedule(HWND settings, const DemoSchedule& schedule, std::string* problem) {
    struct Check {
        int id;
        bool checked;
        const char* what;
    };
    const Check checks[] = {
        {kScheduleSwitch, true, "Schedule shutdown"},
        {kSlotValid[0], true, "time row 1"},
        {kSlotValid[1], false, "time row 2"},
        {kSlotValid[2], false, "time row 3"},
        {kSlotValid[3], false, "time row 4"},
        {kSlotForced0, schedule.forced, "Forced shutdown of row 1"},
        {kSound60, false, "60 min. announcement"},
        {kSound30, false, "30 min. announcement"},
        {kSound10, false, "10 min. announcement"},
        {kSound03, true, "3 min. announcement"},
    };
    for (const Check& check : checks) {
        if (!SetCheck(settings, check.id, check.checked)) {
            *problem = std::string("the check box \"") + check.what + "\" did not take its state";
            return false;
        }
    }
    for (int day = 0; day < 7; ++day) {
        if (!SetCheck(settings, kFirstWeekDay + day, true)) {
            *problem = "a week-day check box did not take its state";
            return false;
        }
    }
    struct Number {
        int id;
        UINT value;
        const char* what;
    };
    const Number numbers[] = {
        {kSlotHour0, schedule.shutdown.wHour, "hour of row 1"},
        {kSlotMinute0, schedule.shutdown.wMinute, "minute of row 1"},
        {kInterval, schedule.warningMinutes, "Interval time"},
        {kResumeTime, schedule.resumeMinutes, "Required time for resuming the PC"},
    };
    for (const Number& number : numbers) {
        if (!SetNumber(settings, number.id, number.value)) {
            *problem =
                std::string("the field \"") + number.what + "\" did not take " + std::to_string(number.value);
            return false;
        }
    }
    return true;
}
