// Bounded formatting, path joining, the program folder and command-line splitting.
#include "OrvCtl.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

TEST(SnPrintFTest, AlwaysTerminatedAndReportsWhatItWrote) {
    const struct {
        int size;
        const char* expected;
        int result;
    } cases[] = {{1, "", 0}, {2, "1", 1}, {5, "1234", 4}, {6, "12345", 5}, {7, "12345", 5}};
    for (const auto& c : cases) {
        char buffer[16];
        memset(buffer, 'X', sizeof buffer);
        EXPECT_EQ(c.result, OvcSnPrintFA(buffer, c.size, "%d", 12345)) << c.size;
        EXPECT_STREQ(c.expected, buffer) << c.size;
        EXPECT_EQ('X', buffer[c.size]) << c.size;
    }
    char buffer[4] = "abc";
    EXPECT_EQ(-1, OvcSnPrintFA(buffer, 0, "%d", 1));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(-1, OvcSnPrintFA(nullptr, 10, "%d", 1));
    char wide[64];
    EXPECT_EQ(12, OvcSnPrintFA(wide, sizeof wide, "%04d/%02d %s", 2024, 3, "text"));
    EXPECT_STREQ("2024/03 text", wide + 0) << wide;
}

TEST(PathCatTest, JoinsWithOneBackslash) {
    const struct {
        const char* path;
        const char* part;
        int size;
        int result;
        const char* expected;
    } cases[] = {
        {"C:", "Orvane\\", 260, 1, "C:\\Orvane\\"},
        {"C:\\Orvane\\", "Dormex\\", 260, 1, "C:\\Orvane\\Dormex\\"},
        {"C:\\dir", "file.wav", 260, 1, "C:\\dir\\file.wav"},
        {"C:\\dir\\", "\\file", 260, 1, "C:\\dir\\file"},
        {"C:\\dir", "\\file", 260, 1, "C:\\dir\\file"},
        {"C:/dir/", "file", 260, 1, "C:/dir/file"},
        {"", "file", 260, 1, "file"},
        {"", "\\file", 260, 1, "\\file"},
        {"C:\\dir", "", 260, 1, "C:\\dir\\"},
        {"abc", "def", 8, 1, "abc\\def"}, // exactly fits: 7 characters and the NUL
        {"abc", "def", 7, 0, "abc"},      // one byte short: unchanged
        {"abc\\", "def", 8, 1, "abc\\def"},
        {"abcdefgh", "x", 8, 0, "abcdefgh"}, // path not terminated within size
    };
    for (const auto& c : cases) {
        char buffer[300];
        strcpy(buffer, c.path);
        EXPECT_EQ(c.result, OvcPathCatA(buffer, c.part, c.size)) << c.path << " + " << c.part;
        EXPECT_STREQ(c.expected, buffer) << c.path << " + " << c.part;
    }
}

// In code page 932 a trailing 0x5C may be the second byte of a character, not a separator.
TEST(PathCatTest, DoubleByteTrailBackslashIsNotASeparator) {
    char buffer[32] = "C:\\\x95\x5C"; // C:\ and the character for "table"
    ASSERT_EQ(1, OvcPathCatA(buffer, "x", sizeof buffer));
    if (GetACP() == 932)
        EXPECT_STREQ("C:\\\x95\x5C\\x", buffer);
    else
        EXPECT_STREQ("C:\\\x95\x5Cx", buffer); // single-byte code page: 0x5C is a backslash
}

TEST(AppPathTest, IsTheProgramFolder) {
    char expected[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, expected, sizeof expected);
    std::string folder(expected, length);
    folder.resize(folder.find_last_of('\\') + 1);
    char buffer[MAX_PATH];
    EXPECT_EQ(static_cast<int>(folder.size()), OvcGetAppPathA(buffer, sizeof buffer));
    EXPECT_EQ(folder, buffer);
    char small[4] = "abc";
    EXPECT_EQ(0, OvcGetAppPathA(small, sizeof small));
    EXPECT_STREQ("abc", small);
    EXPECT_EQ(static_cast<int>(folder.size()), OvcGetAppPathA(buffer, static_cast<int>(folder.size()) + 1));
    EXPECT_EQ(0, OvcGetAppPathA(buffer, static_cast<int>(folder.size())));
}

std::vector<std::string> ParseOurs(const char* line) {
    int count = -1;
    char** args = OvcParseCmdArgsA(line, &count);
    std::vector<std::string> result;
    if (!args)
        return result;
    for (int i = 0; i < count; ++i)
        result.push_back(args[i]);
    EXPECT_EQ(nullptr, args[count]);
    OvcReleaseCmdArgs(args);
    return result;
}

std::vector<std::string> ParseWindows(const char* line) {
    int wideLength = MultiByteToWideChar(CP_ACP, 0, line, -1, nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, line, -1, &wide[0], wideLength);
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(wide.c_str(), &count);
    std::vector<std::string> result;
    for (int i = 0; i < count; ++i) {
        char buffer[1024];
        WideCharToMultiByte(CP_ACP, 0, args[i], -1, buffer, sizeof buffer, nullptr, nullptr);
        result.push_back(buffer);
    }
    LocalFree(args);
    return result;
}

TEST(ParseCmdArgsTest, SplitsAsCommandLineToArgvW) {
    const char* lines[] = {
        "prog",
        "prog a b c",
        "\"C:\\Program Files\\Dormex\\OrvDx2Setup32.exe\" /Install /ReBoot",
        "prog \"a b\" c",
        "prog a\\\\\\\"b",
        "prog \"a\\\\\" b",
        "prog a\\b\\c\\",
        "prog \\\\\\\\\"a b\"",
        "prog a\"\"b",
        "prog \"\"\"a\"\"\"",
        "prog \"\"",
        "prog \"\"\"\"",
        "prog \"\"\"\"\"\"",
        "prog \"a\"\"b\" c",
        "prog   spaced\t\ttabs  ",
        "\"prog",
        "\"a b\"c d",
        "prog \"unterminated arg",
        "prog /Install/Uninstall",
        "prog \x95\x5C\"a b\" \x95\x5C",
    };
    for (const char* line : lines)
        EXPECT_EQ(ParseWindows(line), ParseOurs(line)) << "command line: " << line;
}

TEST(ParseCmdArgsTest, EmptyLineGivesTheProgramAndNullGivesOurOwnLine) {
    std::vector<std::string> empty = ParseOurs("");
    ASSERT_EQ(1u, empty.size());
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, sizeof module);
    EXPECT_EQ(module, empty[0]);
    EXPECT_EQ(ParseOurs(GetCommandLineA()), ParseOurs(nullptr));
    OvcReleaseCmdArgs(nullptr); // harmless
}

} // namespace
