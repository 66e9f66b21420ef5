// The texts of logging, formed from given inputs.
#include "log_format.h"
#include "time_support.h"

#include <gtest/gtest.h>

#include <string>

using dormex_test::MakeTime;

namespace {

std::string Line(const char* timestamp, const char* source, const char* message) {
    char line[LOG_LINE_SIZE];
    memset(line, 'x', sizeof line);
    size_t length = FormatLogLine(timestamp, source, message, line, sizeof line);
    EXPECT_EQ(strlen(line), length);
    return line;
}

} // namespace

TEST(LogFormatTest, TheExampleLineHas58Characters) {
    SYSTEMTIME time = MakeTime(2024, 3, 5, 9, 7, 3, 45);
    char timestamp[LOG_TIMESTAMP_SIZE];
    FormatLogTimestamp(&time, timestamp, sizeof timestamp);
    char source[LOG_SOURCE_SIZE];
    FormatLogSource("OFFICE-PC", "SVC", source, sizeof source);
    std::string line = Line(timestamp, source, "-> SVM_IDLE");
    EXPECT_EQ("2024-03-05 09:07:03.045 OFFICE-PC        SVC: -> SVM_IDLE\n", line);
    EXPECT_EQ(58u, line.size());
}

TEST(LogFormatTest, Timestamps) {
    struct Case {
        SYSTEMTIME time;
        const char* expected;
    } cases[] = {
        {MakeTime(2024, 12, 31, 23, 59, 59, 999), "2024-12-31 23:59:59.999"},
        {MakeTime(1999, 1, 1, 0, 0, 0, 0), "1999-01-01 00:00:00.000"},
        {MakeTime(987, 2, 3, 4, 5, 6, 7), " 987-02-03 04:05:06.007"}, // year in a field of 4
    };
    for (const Case& c : cases) {
        char timestamp[LOG_TIMESTAMP_SIZE] = "sentinel";
        FormatLogTimestamp(&c.time, timestamp, sizeof timestamp);
        EXPECT_STREQ(c.expected, timestamp);
    }
}

TEST(LogFormatTest, SourceFieldPadsTheComputerNameTo16AndNeverCutsIt) {
    struct Case {
        const char* computer;
        const char* tag;
        const char* expected;
    } cases[] = {
        {"OFFICE-PC", "APP", "OFFICE-PC        APP"},
        {"", "DEM", "                 DEM"},
        {"EXACTLY-SIXTEEN!", "SUP", "EXACTLY-SIXTEEN! SUP"},
        {"A-VERY-LONG-COMPUTER-NAME", "SVC", "A-VERY-LONG-COMPUTER-NAME SVC"},
        {"PC", "", "PC               "},
    };
    for (const Case& c : cases) {
        char source[LOG_SOURCE_SIZE];
        FormatLogSource(c.computer, c.tag, source, sizeof source);
        EXPECT_STREQ(c.expected, source);
    }
}

TEST(LogFormatTest, ALongLineIsCutTo1023CharactersWithoutItsLineFeed) {
    std::string message(2000, 'm');
    std::string line = Line("T", "S", message.c_str());
    ASSERT_EQ(1023u, line.size());
    EXPECT_EQ("T S: ", line.substr(0, 5));
    EXPECT_EQ('m', line.back());

    std::string fits(1023 - 6, 'm'); // "T S: " + message + "\n" is exactly 1023
    line = Line("T", "S", fits.c_str());
    ASSERT_EQ(1023u, line.size());
    EXPECT_EQ('\n', line.back());
    line = Line("T", "S", (fits + "m").c_str());
    ASSERT_EQ(1023u, line.size());
    EXPECT_EQ('m', line.back());
}

TEST(LogFormatTest, NullPartsFormAsEmpty) {
    EXPECT_EQ("T : \n", Line("T", "", nullptr));
    EXPECT_EQ(" : \n", Line(nullptr, nullptr, nullptr));
}

TEST(LogFormatTest, MailslotPathIsLocalOrOnTheLogHost) {
    struct Case {
        const char* host;
        const char* expected;
    } cases[] = {
        {"", "\\\\.\\mailslot\\OrvDormex\\log"},
        {nullptr, "\\\\.\\mailslot\\OrvDormex\\log"},
        {"LOGSERVER", "\\\\LOGSERVER\\mailslot\\OrvDormex\\log"},
        {"*", "\\\\*\\mailslot\\OrvDormex\\log"},
    };
    for (const Case& c : cases) {
        char path[LOG_SLOT_PATH_SIZE];
        FormatLogSlotPath(c.host, path, sizeof path);
        EXPECT_STREQ(c.expected, path);
    }
    std::string longHost(LOG_HOST_SIZE - 1, 'h');
    char path[LOG_SLOT_PATH_SIZE];
    FormatLogSlotPath(longHost.c_str(), path, sizeof path);
    EXPECT_EQ("\\\\" + longHost + "\\mailslot\\OrvDormex\\log", std::string(path));
}

TEST(LogFormatTest, ErrorTextsWithAndWithoutSystemText) {
    struct Case {
        const char* systemText;
        const char* expected;
    } cases[] = {
        {nullptr, "Error detect in  CreateMailslot, err = 183"},
        {"Cannot create a file when that file already exists.\r\n",
         "Error detect in  CreateMailslot, err = 183 ( Cannot create a file when that file already exists.\r "
         ")"},
        {"first\r\nsecond\r\n", "Error detect in  CreateMailslot, err = 183 ( first\r )"},
        {"no line end", "Error detect in  CreateMailslot, err = 183 ( no line end )"},
        {"", "Error detect in  CreateMailslot, err = 183 (  )"},
    };
    for (const Case& c : cases) {
        char text[LOG_LINE_SIZE] = "sentinel";
        FormatLogError(" CreateMailslot", 183, c.systemText, text, sizeof text);
        EXPECT_STREQ(c.expected, text);
    }
    char text[LOG_LINE_SIZE];
    FormatLogError("Op", -5, nullptr, text, sizeof text);
    EXPECT_STREQ("Error detect in Op, err = -5", text);
    std::string longText(3000, 't');
    FormatLogError("Op", 1, longText.c_str(), text, sizeof text);
    EXPECT_EQ(1023u, strlen(text));
}
