// The countdown's arithmetic on given times.
#include <gtest/gtest.h>

#include "OrvCtl.h"
#include "countdown.h"

namespace {

TEST(CountdownTest, CreationParameterCarriesForcedFlagAndSeconds) {
    struct Case {
        DWORD value;
        bool forced;
        UINT seconds;
    };
    const Case cases[] = {
        {0x000000B4, false, 180},
        {0x000100B4, true, 180},
        {0x00FF0000, true, 0},
        {0x0000FFFF, false, 65535},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.forced, CountdownIsForced(c.value)) << c.value;
        EXPECT_EQ(c.seconds, CountdownSeconds(c.value)) << c.value;
    }
}

TEST(CountdownTest, ShowsTheSecondsLeftDownToZeroAndClosesAfter) {
    const DWORD deadline = 1000000;
    struct Case {
        DWORD now;
        bool close;
        UINT left;
    };
    const Case cases[] = {
        {deadline - 180, false, 180}, {deadline - 1, false, 1},   {deadline, false, 0},
        {deadline + 1, true, 0},      {deadline + 3600, true, 0},
    };
    for (const Case& c : cases) {
        CountdownTick tick = CountdownAt(c.now, deadline);
        EXPECT_EQ(c.close, tick.close) << c.now;
        if (!c.close) {
            EXPECT_EQ(c.left, tick.secondsLeft) << c.now;
        }
    }
}

TEST(CountdownTest, DeadlineCrossesMidnightAndYearEnd) {
    SYSTEMTIME now = {};
    now.wYear = 2023;
    now.wMonth = 12;
    now.wDay = 31;
    now.wHour = 23;
    now.wMinute = 59;
    now.wSecond = 30;
    SYSTEMTIME next = {};
    next.wYear = 2024;
    next.wMonth = 1;
    next.wDay = 1;
    next.wHour = 0;
    next.wMinute = 2;
    next.wSecond = 30;
    EXPECT_EQ(OvcSysTimeToTime1970(&next), CountdownDeadline(now, 180));
    EXPECT_EQ(OvcSysTimeToTime1970(&now), CountdownDeadline(now, 0));
}

} // namespace
