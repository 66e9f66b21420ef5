// The text rules of a preservation run: name cleaning, the saved file's path, title matching, the
// waiting limits, the [TIMER] section and the trace names. This file is compiled as code page 932
// so that its Japanese literals are the bytes the program writes.
#include "save_run.h"
#include "save_text.h"
#include "save_timers.h"
#include "test_support.h"
#include "time_support.h"

#include <gtest/gtest.h>

#include <string>

using dormex_test::MakeTime;

namespace {

struct CleanCase {
    const char* name;
    UINT codePage;
    const char* expected;
};

// 表 is 95 5C and ポ is 83 7C in code page 932; ｱ (B1) is a single byte there.
const CleanCase kCleanCases[] = {
    {"report.txt", 932, "report.txt"},
    {"a<b>c|d*e?f\\g/h", 932, "a@b@c@d@e@f@g@h"},
    {"*.xlsx", 932, "@.xlsx"},
    {"C:\"quoted\".txt", 932, "C:\"quoted\".txt"},
    {"\x95\x5C.txt", 932, "\x95\x5C.txt"},
    {"\x83\x7C|\x95\x5C\\x", 932, "\x83\x7C@\x95\x5C@x"},
    {"\xB1\\\xB1|", 932, "\xB1@\xB1@"},
    {"end\x95", 932, "end\x95"},
    {"", 932, ""},
    // The same bytes in code page 1252 are two characters each: the 0x5C and 0x7C are cleaned.
    {"\x95\x5C.txt", 1252, "\x95@.txt"},
    {"\x83\x7C", 1252, "\x83@"},
};

TEST(SaveNameTest, CleansUnsafeBytesAndKeepsDoubleByteCharactersWhole) {
    for (const CleanCase& c : kCleanCases) {
        std::string name = c.name;
        CleanSaveName(&name[0], c.codePage);
        EXPECT_EQ(c.expected, name) << "name \"" << c.name << "\" in code page " << c.codePage;
    }
}

TEST(SaveNameTest, CleansByTheAnsiCodePageOfTheSession) {
    std::string name = "\x95\x5C|";
    CleanSaveName(&name[0], CP_ACP);
    if (dormex_test::ExpectedLanguage() == 1041) {
        ASSERT_EQ(932u, GetACP());
        EXPECT_EQ("\x95\x5C@", name);
    } else {
        ASSERT_EQ(1252u, GetACP());
        EXPECT_EQ("\x95@@", name);
    }
}

TEST(SavePathTest, StampsTheNameInTheFolder) {
    const SYSTEMTIME time = MakeTime(2024, 3, 5, 9, 7, 3);
    char stamp[SaveStampSize];
    FormatSaveStamp(time, stamp, sizeof stamp);
    EXPECT_STREQ("20240305_090703_", stamp);

    struct {
        const char* folder;
        const char* name;
        const char* expected;
    } cases[] = {
        {"C:\\Save", "Doc.txt", "C:\\Save\\20240305_090703_Doc.txt"},
        {"C:\\Save\\", "Doc.txt", "C:\\Save\\20240305_090703_Doc.txt"},
        {"C:", "a", "C:\\20240305_090703_a"},
        {"C:\\Save", "", "C:\\Save\\20240305_090703_"},
    };
    for (const auto& c : cases) {
        char path[SavePathSize] = "sentinel";
        EXPECT_TRUE(BuildSavePath(c.folder, time, c.name, path, sizeof path));
        EXPECT_STREQ(c.expected, path);
    }
}

TEST(SavePathTest, APathThatWouldNotFitIsNeverCut) {
    const SYSTEMTIME time = MakeTime(2024, 12, 31, 23, 59, 59);
    const std::string folder = "C:\\" + std::string(200, 'f'); // 203 bytes, +1 separator +16 stamp
    const std::string fits(259 - 220, 'n');                    // 259 bytes in all
    char path[SavePathSize] = "sentinel";
    ASSERT_TRUE(BuildSavePath(folder.c_str(), time, fits.c_str(), path, sizeof path));
    EXPECT_EQ(259u, strlen(path));
    EXPECT_EQ(folder + "\\20241231_235959_" + fits, path);

    const std::string tooLong = fits + "x";
    strcpy(path, "sentinel");
    EXPECT_FALSE(BuildSavePath(folder.c_str(), time, tooLong.c_str(), path, sizeof path));
    EXPECT_STREQ("sentinel", path);

    const std::string hugeFolder = "C:\\" + std::string(600, 'f');
    EXPECT_FALSE(BuildSavePath(hugeFolder.c_str(), time, "a", path, sizeof path));
    EXPECT_STREQ("sentinel", path);
}

TEST(SavePathTest, FolderLengthPassesOverDoubleByteCharacters) {
    struct {
        const char* path;
        size_t expected;
    } cases[] = {
        {"C:\\Save\\a.txt", 8},
        {"a.txt", 0},
        {"\\\\host\\share\\x", 13},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FolderLength(c.path)) << c.path;
    if (GetACP() == 932) {
        EXPECT_EQ(3u, FolderLength("C:\\\x95\x5Cx")); // 表x: the 0x5C is part of 表
    } else {
        EXPECT_EQ(5u, FolderLength("C:\\\x95\x5Cx"));
    }
}

TEST(TitleMatchTest, ContainsIsAByteSequenceTest) {
    struct {
        const char* title;
        const char* part;
        bool expected;
    } cases[] = {
        {"Book1 - Excel", "Excel", true},
        {"Book1 - Excel", "excel", false},
        {"Book1 - Excel", "", true},
        {"", "", true},
        {"", "x", false},
        {"名前を付けて保存", "付けて", true},
        {"Exce", "Excel", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, TitleContains(c.title, c.part)) << c.title << " / " << c.part;
}

TEST(WaitLimitTest, AddsACycleAndComparesStrictly) {
    UINT elapsed = 0;
    EXPECT_FALSE(WaitLimitPassed(&elapsed, 1000, 3000));
    EXPECT_FALSE(WaitLimitPassed(&elapsed, 1000, 3000));
    EXPECT_FALSE(WaitLimitPassed(&elapsed, 1000, 3000));
    EXPECT_EQ(3000u, elapsed);
    EXPECT_TRUE(WaitLimitPassed(&elapsed, 1000, 3000));

    elapsed = 0;
    EXPECT_TRUE(WaitLimitPassed(&elapsed, 10, 0)); // a limit of 0 gives up at the first check

    elapsed = UINT_MAX - 5;
    EXPECT_FALSE(WaitLimitPassed(&elapsed, 1000, UINT_MAX));
    EXPECT_EQ(UINT_MAX, elapsed); // saturates, never wraps back below the limit
    EXPECT_TRUE(WaitLimitPassed(&elapsed, 1000, UINT_MAX - 1));
}

TEST(SaveTimersTest, BoundsEveryValueSoThatARunEnds) {
    const SaveTimers defaults = DefaultSaveTimers();
    EXPECT_EQ(1000u, defaults.cycle);
    EXPECT_EQ(3000u, defaults.interval);
    EXPECT_EQ(180000u, defaults.saveEndLimit);

    SaveTimers read = {0, 0, 0, 5, UINT_MAX, 3600001, 3600000, 30000, 1};
    SaveTimers bound = BoundSaveTimers(read);
    EXPECT_EQ(1000u, bound.cycle);
    EXPECT_EQ(3000u, bound.interval);
    EXPECT_EQ(0u, bound.saveAsStartLimit);
    EXPECT_EQ(5u, bound.saveAsEndLimit);
    EXPECT_EQ(SaveMaxLimitMs, bound.closeLimit);
    EXPECT_EQ(SaveMaxLimitMs, bound.confirmEndLimit);
    EXPECT_EQ(3600000u, bound.saveStartLimit);
    EXPECT_EQ(30000u, bound.saveEndLimit);
    EXPECT_EQ(1u, bound.windowCloseLimit);

    read = defaults;
    read.cycle = UINT_MAX;
    read.interval = 60001;
    bound = BoundSaveTimers(read);
    EXPECT_EQ(SaveMaxPeriodMs, bound.cycle);
    EXPECT_EQ(SaveMaxPeriodMs, bound.interval);
}

TEST(SaveTimersTest, ReadsSectionTimerWithDefaults) {
    dormex_test::ScratchDir scratch;
    const std::string ini = scratch.File("Dormex.ini");
    ASSERT_TRUE(dormex_test::WriteFileBytes(ini, "[TIMER]\r\nTmCyc=500\r\nTmSaveEnd=junk\r\nTmClose=0\r\n"
                                                 "TmInterval=4294967295\r\n"));
    OvcSetProfilePathA(ini.c_str());
    SaveTimers timers = LoadSaveTimers();
    OvcSetProfilePathA(nullptr);
    EXPECT_EQ(500u, timers.cycle);
    EXPECT_EQ(SaveMaxPeriodMs, timers.interval);
    EXPECT_EQ(180000u, timers.saveEndLimit); // unreadable: default
    EXPECT_EQ(0u, timers.windowCloseLimit);
    EXPECT_EQ(3000u, timers.saveAsStartLimit); // missing: default
    EXPECT_EQ(30000u, timers.saveStartLimit);
}

std::string Padded(const char* name) {
    std::string text = name;
    text.resize(SaveStateNameBytes, ' ');
    return text;
}

TEST(TraceNameTest, StateNamesArePaddedTo45BytesInCodePage932) {
    const char* const expected[] = {
        "  0: アイドル状態",
        "  1: 名前を付けて保存の開始待ち",
        "  2: 名前を付けて保存応答待ちｲﾝﾀﾊﾞﾙ",
        "  3: 名前を付けて保存の終了待ち",
        "  4: 上書き確認の開始/ｱﾌﾟﾘ・ｳｲﾝﾄﾞ消滅待ち",
        "  5: 上書き確認の応答待ちｲﾝﾀﾊﾞﾙ",
        "  6: 上書き確認の終了待ち",
        "  7: 名前を付けて保存の開始/ｱﾌﾟﾘｳｲﾝﾄﾞ消滅待ち",
        "  8: 保存開始待ち",
        "  9: 保存終了待ち",
        " 10: アプリウインドクローズ待ち",
        " 11: アプリウインドクローズ後のインタバル",
    };
    for (UINT s = 0; s < 12; ++s) {
        ASSERT_LE(strlen(expected[s]), 45u);
        EXPECT_EQ(Padded(expected[s]), SaveStateTraceName(s)) << "state " << s;
        EXPECT_EQ(45u, strlen(SaveStateTraceName(s)));
    }
    EXPECT_STREQ("?", SaveStateTraceName(12));
    // ア is 83 41 in code page 932.
    EXPECT_EQ(0, memcmp(SaveStateTraceName(0), "  0: \x83\x41", 7));
}

TEST(TraceNameTest, EventNamesAreNotPadded) {
    const char* const expected[] = {
        " 0: アプリウインドが見つかった（→名前を付けて保存操作）",
        " 1: アプリウインドが見つかった（→アプリ終了操作）",
        " 2: アプリウインド無し",
        " 3: 名前を付けて保存の出現",
        " 4: 名前を付けて保存の消滅",
        " 5: 上書き保存確認の出現",
        " 6: 上書き保存確認の消滅",
        " 7: アプリ・ウインド消滅",
        " 8: アプリ・ウインドタイトル変化(MULTI）",
        " 9: 保存開始（書き込みファイルが見つかった）",
        "10: 保存終了（書き込みファイルをオープン可）",
        "11: 監視周期",
        "12: インタバル・タイマ",
        "13: 当該アプリの保存操作キャンセル",
    };
    for (UINT e = 0; e < 14; ++e)
        EXPECT_STREQ(expected[e], SaveEventTraceName(e)) << "event " << e;
    EXPECT_STREQ("?", SaveEventTraceName(14));
}

} // namespace
