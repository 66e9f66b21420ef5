// The next shutdown time, computed standing at chosen moments.
#include "OrvDl2SubFuncs.h"
#include "OrvCtl.h"
#include "../../support/schedule.h"
#include "time_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

SYSTEMTIME At(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
    SYSTEMTIME t = dormex_test::MakeTime(year, month, day, hour, minute, second, ms);
    t.wDayOfWeek = 77; // the computation must not rely on it
    return t;
}

struct Slot {
    int hour, minute, forced;
};

// Days as a string of seven flags from Sunday: "1111111" is every day.
SetInfo Schedule(const char* days, std::initializer_list<Slot> slots) {
    SetInfo info = {};
    info.fSchedShutdown = 1;
    for (int d = 0; d < 7; ++d)
        info.WeekDay[d] = days[d] == '1';
    int n = 0;
    for (const Slot& s : slots) {
        info.sdt[n].fValid = s.hour >= 0;
        info.sdt[n].hour = static_cast<UINT32>(s.hour);
        info.sdt[n].minute = static_cast<UINT32>(s.minute);
        info.sdt[n].fForced = static_cast<UINT32>(s.forced);
        ++n;
    }
    return info;
}

const Slot kUnused = {-1, 0, 0};

struct Case {
    const char* name;
    SetInfo info;
    SYSTEMTIME now;
    int found;
    SYSTEMTIME expected; // seconds and milliseconds 0
    int dayOfWeek;
    DWORD forced;
};

std::string Show(const SYSTEMTIME& t) {
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d dow %d", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

TEST(ScheduleTest, NextShutdownTime) {
    // 2026-12-11 is a Friday (5); 2026-12-12 a Saturday.
    const Case cases[] = {
        {"slot later today", Schedule("1111111", {{22, 0, 0}}), At(2026, 12, 11, 21, 58, 30), 1,
         At(2026, 12, 11, 22, 0), 5, 0},
        {"less than a minute away: next day", Schedule("1111111", {{22, 0, 0}}), At(2026, 12, 11, 21, 59, 0),
         1, At(2026, 12, 12, 22, 0), 6, 0},
        {"exactly a minute and a bit", Schedule("1111111", {{22, 0, 0}}), At(2026, 12, 11, 21, 58, 59, 999),
         1, At(2026, 12, 11, 22, 0), 5, 0},
        {"whole seconds compared", Schedule("1111111", {{22, 0, 0}}), At(2026, 12, 11, 21, 59, 0, 999), 1,
         At(2026, 12, 12, 22, 0), 6, 0},
        {"only today, passed: none", Schedule("0000010", {{20, 0, 0}}), At(2026, 12, 11, 21, 0), 0, {}, 0, 0},
        {"only Friday, seen from Saturday: six days on", Schedule("0000010", {{20, 0, 0}}),
         At(2026, 12, 12, 8, 0), 1, At(2026, 12, 18, 20, 0), 5, 0},
        {"equal times: the lower slot gives the flag",
         Schedule("1111111", {kUnused, {22, 0, 0}, kUnused, {22, 0, 1}}), At(2026, 12, 11, 12, 0), 1,
         At(2026, 12, 11, 22, 0), 5, 0},
        {"forced flag copied as stored", Schedule("1111111", {{22, 0, 7}}), At(2026, 12, 11, 12, 0), 1,
         At(2026, 12, 11, 22, 0), 5, 7},
        {"Saturday 23:59:30 starts with Sunday", Schedule("1000000", {{0, 5, 0}}),
         At(2026, 12, 12, 23, 59, 30), 1, At(2026, 12, 13, 0, 5), 0, 0},
        {"year end", Schedule("0000001", {{9, 0, 1}}), At(2026, 12, 31, 10, 0), 1, At(2027, 1, 2, 9, 0), 6,
         1},
        {"leap day", Schedule("1111111", {{22, 0, 0}}), At(2028, 2, 28, 23, 0), 1, At(2028, 2, 29, 22, 0), 2,
         0},
        {"slots in any order", Schedule("1111111", {{23, 0, 1}, {21, 0, 0}, {22, 0, 1}, {21, 30, 1}}),
         At(2026, 12, 11, 20, 0), 1, At(2026, 12, 11, 21, 0), 5, 0},
        {"earliest of the day after", Schedule("1111111", {{23, 0, 1}, {6, 0, 0}, {22, 0, 1}}),
         At(2026, 12, 11, 23, 30), 1, At(2026, 12, 12, 6, 0), 6, 0},
        {"only the low 16 bits of hour and minute", Schedule("1111111", {{0x10016, 0x2001E, 0}}),
         At(2026, 12, 11, 12, 0), 1, At(2026, 12, 11, 22, 30), 5, 0},
        {"hour out of range rolls over", Schedule("0000010", {{25, 0, 0}}), At(2026, 12, 11, 12, 0), 1,
         At(2026, 12, 12, 1, 0), 6, 0},
        {"no day enabled", Schedule("0000000", {{22, 0, 0}}), At(2026, 12, 11, 12, 0), 0, {}, 0, 0},
        {"no slot in use",
         Schedule("1111111", {kUnused, kUnused, kUnused, kUnused}),
         At(2026, 12, 11, 12, 0),
         0,
         {},
         0,
         0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME time;
        memset(&time, 0xEE, sizeof time);
        DWORD seconds = 0xDEADBEEF, forced = 0xDEADBEEF;
        EXPECT_EQ(c.found, ComputeShutdownTime(&c.info, &c.now, &time, &seconds, &forced)) << c.name;
        if (!c.found) {
            EXPECT_EQ(0xEEEEu, time.wYear) << c.name << ": outputs untouched";
            EXPECT_EQ(0xDEADBEEFu, seconds) << c.name;
            EXPECT_EQ(0xDEADBEEFu, forced) << c.name;
            continue;
        }
        SYSTEMTIME expected = c.expected;
        expected.wDayOfWeek = static_cast<WORD>(c.dayOfWeek);
        EXPECT_EQ(Show(expected), Show(time)) << c.name;
        EXPECT_EQ(OvcSysTimeToTime1970(&expected), seconds) << c.name;
        EXPECT_EQ(c.forced, forced) << c.name;
    }
}

TEST(ScheduleTest, SchedulingOffLeavesTheOutputsAlone) {
    SetInfo info = Schedule("1111111", {{22, 0, 0}});
    info.fSchedShutdown = 0;
    SYSTEMTIME now = At(2026, 12, 11, 12, 0);
    SYSTEMTIME time;
    memset(&time, 0xEE, sizeof time);
    DWORD seconds = 1, forced = 2;
    EXPECT_EQ(0, ComputeShutdownTime(&info, &now, &time, &seconds, &forced));
    EXPECT_EQ(0xEEEEu, time.wHour);
    EXPECT_EQ(1u, seconds);
    EXPECT_EQ(2u, forced);
    EXPECT_EQ(0, GetShutdownTime(&info, &time, &seconds, &forced));
    EXPECT_EQ(0xEEEEu, time.wHour);
}

TEST(ScheduleTest, OptionalOutputsMayBeNull) {
    SetInfo info = Schedule("1111111", {{22, 0, 1}});
    SYSTEMTIME now = At(2026, 12, 11, 12, 0);
    SYSTEMTIME time;
    EXPECT_EQ(1, ComputeShutdownTime(&info, &now, &time, nullptr, nullptr));
    EXPECT_EQ(22, time.wHour);
}

TEST(ScheduleTest, ValidityNeedsSchedulingADayAndASlot) {
    const struct {
        UINT32 sched;
        const char* days;
        bool slot;
        int valid;
    } cases[] = {
        {1, "1111111", true, 1}, {0, "1111111", true, 0},  {1, "0000000", true, 0},
        {1, "0000001", true, 1}, {1, "1111111", false, 0}, {5, "0100000", true, 1},
    };
    for (const auto& c : cases) {
        SetInfo info = Schedule(c.days, {c.slot ? Slot{22, 0, 0} : kUnused});
        info.fSchedShutdown = c.sched;
        EXPECT_EQ(c.valid, IsValidTimeInSetInfo(&info)) << c.sched << " " << c.days << " " << c.slot;
    }
}

// The exported function stands at the present local time.
TEST(ScheduleTest, GetShutdownTimeUsesTheClock) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    SYSTEMTIME inTwoHours;
    OvcTimeUpdate(&now, &inTwoHours, 2 * 3600);
    SetInfo info = Schedule("1111111", {{inTwoHours.wHour, inTwoHours.wMinute, 1}});
    SYSTEMTIME time;
    DWORD seconds = 0, forced = 0;
    ASSERT_EQ(1, GetShutdownTime(&info, &time, &seconds, &forced));
    EXPECT_EQ(inTwoHours.wDay, time.wDay);
    EXPECT_EQ(inTwoHours.wHour, time.wHour);
    EXPECT_EQ(inTwoHours.wMinute, time.wMinute);
    EXPECT_EQ(0, time.wSecond);
    EXPECT_EQ(1u, forced);
    DWORD nowSeconds = OvcSysTimeToTime1970(&now);
    EXPECT_GT(seconds, nowSeconds + 7000);
    EXPECT_LE(seconds, nowSeconds + 7200);
}

} // namespace
