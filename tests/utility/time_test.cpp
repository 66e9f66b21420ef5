// Seconds since 1970 and calendar arithmetic, checked against fixed dates and against Windows'
// own FILETIME conversion.
#include "OrvCtl.h"
#include "time_support.h"

#include <gtest/gtest.h>

#include <random>

namespace {

SYSTEMTIME Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0) {
    SYSTEMTIME t = dormex_test::MakeTime(year, month, day, hour, minute, second, ms);
    t.wDayOfWeek = 99; // never read
    return t;
}

// Windows' own reading of a SYSTEMTIME, as seconds since 1970.
long long WindowsSeconds(const SYSTEMTIME& t) {
    FILETIME ft;
    EXPECT_TRUE(SystemTimeToFileTime(&t, &ft));
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(value.QuadPart / 10000000ULL) - 11644473600LL;
}

TEST(Time1970Test, FixedDates) {
    const struct {
        SYSTEMTIME time;
        DWORD seconds;
    } cases[] = {
        {Make(1970, 1, 1), 0},
        {Make(1970, 1, 1, 0, 0, 1, 999), 1},
        {Make(2000, 1, 1), 946684800},
        {Make(2024, 2, 29, 12, 34, 56), 1709210096},
        {Make(2024, 3, 5, 9, 7, 3, 45), 1709629623},
        {Make(2038, 1, 19, 3, 14, 8), 2147483648u},
        {Make(2106, 2, 7, 6, 28, 15), 4294967295u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.seconds, OvcSysTimeToTime1970(&c.time)) << c.time.wYear << "-" << c.time.wMonth;
    EXPECT_EQ(0u, OvcSysTimeToTime1970(nullptr));
}

TEST(Time1970Test, AgreesWithFileTimeOnManyDates) {
    std::mt19937 random(1234);
    for (int i = 0; i < 20000; ++i) {
        SYSTEMTIME t = Make(1970 + static_cast<int>(random() % 136), 1 + static_cast<int>(random() % 12),
                            1 + static_cast<int>(random() % 28), static_cast<int>(random() % 24),
                            static_cast<int>(random() % 60), static_cast<int>(random() % 60));
        long long expected = WindowsSeconds(t);
        if (expected > 0xFFFFFFFFLL)
            continue;
        ASSERT_EQ(static_cast<DWORD>(expected), OvcSysTimeToTime1970(&t)) << t.wYear << "-" << t.wMonth;
    }
}

struct UpdateCase {
    SYSTEMTIME source;
    int seconds;
    SYSTEMTIME expected;
    int dayOfWeek;
};

TEST(TimeUpdateTest, NormalisesEveryFieldAndTheWeekday) {
    const UpdateCase cases[] = {
        {Make(2024, 2, 28, 23, 59, 59), 1, Make(2024, 2, 29), 4},                // leap day
        {Make(2023, 2, 28, 23, 59, 59), 1, Make(2023, 3, 1), 3},                 // no leap day
        {Make(1900, 2, 28, 12), 86400, Make(1900, 3, 1, 12), 4},                 // century, not leap
        {Make(2000, 2, 28, 12), 86400, Make(2000, 2, 29, 12), 2},                // 400 years, leap
        {Make(2024, 12, 31, 23, 59, 30), 60, Make(2025, 1, 1, 0, 0, 30), 3},     // year end
        {Make(2025, 1, 1), -1, Make(2024, 12, 31, 23, 59, 59), 2},               // backwards
        {Make(2024, 3, 1), -86400, Make(2024, 2, 29), 4},                        // back into a leap day
        {Make(2024, 3, 31, 10), -31 * 86400, Make(2024, 2, 29, 10), 4},          // month lengths
        {Make(2024, 1, 31, 10), 31 * 86400, Make(2024, 3, 2, 10), 6},            //
        {Make(2024, 1, 1, 99, 500), 0, Make(2024, 1, 5, 11, 20), 5},             // hour 99, minute 500
        {Make(2024, 1, 1, 0, 0, 0, 999), 0, Make(2024, 1, 1, 0, 0, 0, 999), 1},  // milliseconds kept
        {Make(2024, 1, 1, 0, 0, 0, 1500), 0, Make(2024, 1, 1, 0, 0, 1, 500), 1}, // and normalised
        {Make(2026, 12, 12, 23, 59, 30), 60, Make(2026, 12, 13, 0, 0, 30), 0},   // Saturday -> Sunday
        {Make(2024, 6, 15), 6 * 86400, Make(2024, 6, 21), 5},                    //
        {Make(2024, 6, 15), 2147483647, Make(2092, 7, 3, 3, 14, 7), 4},          // the largest step
        {Make(2024, 6, 15), -2147483647 - 1, Make(1956, 5, 27, 20, 45, 52), 0},  // and back
    };
    for (const UpdateCase& c : cases) {
        SYSTEMTIME result;
        memset(&result, 0xCC, sizeof result);
        OvcTimeUpdate(&c.source, &result, c.seconds);
        SYSTEMTIME expected = c.expected;
        expected.wDayOfWeek = static_cast<WORD>(c.dayOfWeek);
        EXPECT_EQ(0, memcmp(&expected, &result, sizeof result))
            << c.source.wYear << "-" << c.source.wMonth << "-" << c.source.wDay << " + " << c.seconds
            << " gave " << result.wYear << "-" << result.wMonth << "-" << result.wDay << " " << result.wHour
            << ":" << result.wMinute << ":" << result.wSecond << "." << result.wMilliseconds << " dow "
            << result.wDayOfWeek;
    }
}

TEST(TimeUpdateTest, SourceMayBeTheDestination) {
    SYSTEMTIME t = Make(2024, 12, 31, 23, 0);
    OvcTimeUpdate(&t, &t, 3600);
    EXPECT_EQ(2025, t.wYear);
    EXPECT_EQ(1, t.wMonth);
    EXPECT_EQ(1, t.wDay);
    EXPECT_EQ(0, t.wHour);
    EXPECT_EQ(3, t.wDayOfWeek);
}

TEST(TimeUpdateTest, AgreesWithFileTimeOnManySteps) {
    std::mt19937 random(99);
    for (int i = 0; i < 20000; ++i) {
        SYSTEMTIME t = Make(1980 + static_cast<int>(random() % 100), 1 + static_cast<int>(random() % 12),
                            1 + static_cast<int>(random() % 28), static_cast<int>(random() % 24),
                            static_cast<int>(random() % 60), static_cast<int>(random() % 60),
                            static_cast<int>(random() % 1000));
        int step = static_cast<int>(random() % 200000000) - 100000000;
        SYSTEMTIME ours;
        OvcTimeUpdate(&t, &ours, step);

        FILETIME ft;
        ASSERT_TRUE(SystemTimeToFileTime(&t, &ft));
        ULARGE_INTEGER value;
        value.LowPart = ft.dwLowDateTime;
        value.HighPart = ft.dwHighDateTime;
        value.QuadPart += static_cast<ULONGLONG>(static_cast<long long>(step) * 10000000LL);
        ft.dwLowDateTime = value.LowPart;
        ft.dwHighDateTime = value.HighPart;
        SYSTEMTIME theirs;
        ASSERT_TRUE(FileTimeToSystemTime(&ft, &theirs));
        ASSERT_EQ(0, memcmp(&theirs, &ours, sizeof ours)) << "step " << step << " from " << t.wYear;
    }
}

} // namespace
