// Logging through the log mailslot and the log file, under Wine, with the test holding the log
// mailslot as the log viewer would.
#include "OrvDl2SubFuncs.h"
#include "OrvCtl.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using dormex_test::ChildProcess;
using dormex_test::LogCatcher;

namespace {

const DWORD kTimeoutMs = 5000;

std::string ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD length = sizeof name;
    EXPECT_TRUE(GetComputerNameA(name, &length));
    return std::string(name, length);
}

// What follows the timestamp and its blank in a line of this process.
std::string SourceAndMessage(const std::string& tag, const std::string& message) {
    std::string computer = ComputerName();
    if (computer.size() < 16)
        computer.resize(16, ' ');
    return computer + " " + tag + ": " + message;
}

std::string NowTimestamp() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[64];
    snprintf(text, sizeof text, "%4d-%02d-%02d %02d:%02d:%02d.%03d", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    return text;
}

// The system's text for a code, or an empty text when it has none.
std::string SystemText(DWORD code) {
    char* text = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                      FORMAT_MESSAGE_ALLOCATE_BUFFER,
                                  nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string result = length ? std::string(text, length) : std::string();
    if (text)
        LocalFree(text);
    return result;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string Peer() {
    return dormex_test::TestProgram("mailslot_peer.exe");
}

} // namespace

TEST(LoggingTest, TheExampleLineIsOneMessageOfItsCharactersAndANul) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("SVC");
    std::string before = NowTimestamp();
    EXPECT_EQ(0, LogOut("-> SVM_IDLE")); // no log file: 0
    std::string after = NowTimestamp();
    ASSERT_TRUE(catcher.WaitForCount(1, kTimeoutMs));

    std::string message = catcher.Messages()[0].bytes;
    std::string expected = SourceAndMessage("SVC", "-> SVM_IDLE") + "\n";
    ASSERT_EQ(23 + 1 + expected.size() + 1, message.size());
    if (ComputerName().size() <= 16) {
        EXPECT_EQ(59u, message.size());
    }
    EXPECT_EQ('\0', message.back());
    EXPECT_EQ(' ' + expected, message.substr(23, message.size() - 24));
    std::string timestamp = message.substr(0, 23); // fixed width: compares as text
    EXPECT_LE(before, timestamp);
    EXPECT_GE(after, timestamp);
    EXPECT_EQ(1u, catcher.Count());
}

TEST(LoggingTest, LogPrintFFormatsAndCutsTheMessage) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("APP");
    LogPrintF("n=%d %s 0x%02X", 5, "text", 0xab);
    std::string longMessage(2000, 'a');
    LogPrintF("%s", longMessage.c_str());
    ASSERT_TRUE(catcher.WaitForCount(2, kTimeoutMs));

    std::vector<dormex_test::CaughtMessage> messages = catcher.Messages();
    EXPECT_TRUE(EndsWith(messages[0].bytes, SourceAndMessage("APP", "n=5 text 0xAB") + "\n" + '\0'));
    // The line is cut to 1023 characters: no line feed, then the NUL.
    std::string cut = messages[1].bytes;
    ASSERT_EQ(1024u, cut.size());
    EXPECT_EQ('a', cut[1022]);
    EXPECT_EQ('\0', cut[1023]);
    EXPECT_NE(std::string::npos, cut.find(SourceAndMessage("APP", "aaaa")));
}

TEST(LoggingTest, LogErrorWithAndWithoutSystemText) {
    std::string text183 = SystemText(ERROR_ALREADY_EXISTS);
    ASSERT_FALSE(text183.empty());
    const DWORD kNoText = 0x2000F00D; // a customer code: the system has no text for it
    ASSERT_TRUE(SystemText(kNoText).empty());

    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("SVC");
    LogError(" CreateMailslot", ERROR_ALREADY_EXISTS);
    LogError("Unknown", static_cast<int>(kNoText));
    ASSERT_TRUE(catcher.WaitForCount(2, kTimeoutMs));

    std::vector<std::string> lines = catcher.Lines();
    std::string firstLine = text183.substr(0, text183.find('\n')); // keeps its carriage return
    EXPECT_TRUE(EndsWith(lines[0], SourceAndMessage("SVC", "Error detect in  CreateMailslot, err = 183 ( " +
                                                               firstLine + " )\n")))
        << lines[0];
    EXPECT_TRUE(EndsWith(lines[1], SourceAndMessage("SVC", "Error detect in Unknown, err = 536932365\n")))
        << lines[1];
}

TEST(LoggingTest, LogHostSendsLinesAwayAndANullTagKeepsTheTag) {
    dormex_test::ScratchDir scratch;
    std::string ini = scratch.File("Dormex.ini");
    ASSERT_TRUE(dormex_test::WriteFileBytes(ini, "[MAIN]\r\nLogHost=NOSUCHHOST\r\n"));
    // Wine has no remote mailslots: the host's log mailslot cannot be opened.
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileA("\\\\NOSUCHHOST\\mailslot\\OrvDormex\\log", GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    OvcSetProfilePathA(ini.c_str());
    SetLogSlotId("APP");
    LogOut("sent to the log host");

    // Without LogHost, a null tag re-reads the path and keeps "APP".
    ASSERT_TRUE(dormex_test::WriteFileBytes(ini, "[MAIN]\r\n"));
    SetLogSlotId(nullptr);
    OvcSetProfilePathA("");
    LogOut("back on this machine"); // written after the first line: that one has had its chance
    std::string line;
    ASSERT_TRUE(catcher.WaitForLine("back on this machine", kTimeoutMs, &line));
    EXPECT_TRUE(EndsWith(line, SourceAndMessage("APP", "back on this machine\n")));
    EXPECT_EQ(0u, catcher.CountContaining("sent to the log host"));
    EXPECT_EQ(1u, catcher.Count());
}

TEST(LoggingTest, WithoutViewerOrFileNothingIsWrittenAndLogOutReturnsPromptly) {
    SetLogSlotId("APP");
    SetLastError(0xdeadbeef);
    ASSERT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(dormex_test::kLogMailslot, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    DWORD start = GetTickCount();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(0, LogOut("nobody listens"));
    EXPECT_LT(GetTickCount() - start, 400u) << "a line costs 10 ms only when a viewer holds the mailslot";
}

TEST(LoggingTest, LinesBeforeSetLogSlotIdGoToNoMailslot) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    ChildProcess untagged, tagged;
    DWORD code = 99;
    ASSERT_TRUE(untagged.Start(Peer(), "log - 3 untagged"));
    ASSERT_TRUE(untagged.WaitExit(kTimeoutMs, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(tagged.Start(Peer(), "log DEM 1 tagged"));
    std::string line;
    ASSERT_TRUE(catcher.WaitForLine("tagged 0", kTimeoutMs, &line));
    EXPECT_TRUE(EndsWith(line, SourceAndMessage("DEM", "tagged 0\n")));
    EXPECT_EQ(0u, catcher.CountContaining("untagged"));
}

TEST(LoggingTest, LinesOfTwoProcessesWritingAtOnceAllArriveWhole) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    const int kLines = 40;
    ChildProcess first, second;
    ASSERT_TRUE(first.Start(Peer(), "log APP 40 alpha"));
    ASSERT_TRUE(second.Start(Peer(), "log SVC 40 beta"));
    DWORD firstCode = 99, secondCode = 99;
    ASSERT_TRUE(first.WaitExit(30000, &firstCode));
    ASSERT_TRUE(second.WaitExit(30000, &secondCode));
    EXPECT_TRUE(catcher.WaitForCount(2 * kLines, kTimeoutMs));

    std::vector<std::string> lines = catcher.Lines();
    int nextAlpha = 0, nextBeta = 0;
    for (const std::string& line : lines) {
        if (EndsWith(line, SourceAndMessage("APP", "alpha " + std::to_string(nextAlpha) + "\n")))
            ++nextAlpha;
        else if (EndsWith(line, SourceAndMessage("SVC", "beta " + std::to_string(nextBeta) + "\n")))
            ++nextBeta;
        else
            ADD_FAILURE() << "unexpected or out of order: " << line;
    }
    EXPECT_EQ(kLines, nextAlpha);
    EXPECT_EQ(kLines, nextBeta);
}

TEST(LoggingTest, TheLogFileGetsTheLinesAsText) {
    dormex_test::ScratchDir scratch;
    std::string path = scratch.File("DormexSetup.log");
    SetLogSlotId("SUP");
    FILE* file = OpenLogFile(path.c_str());
    ASSERT_NE(nullptr, file);
    // Others may read and write the file while it is the log file.
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, other);
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);

    std::string first = SourceAndMessage("SUP", "first");
    EXPECT_EQ(static_cast<int>(23 + 1 + first.size() + 1), LogOut("first"));
    LogPrintF("second %d", 2);
    // A failed open returns null and keeps the log file.
    EXPECT_EQ(nullptr, OpenLogFile(scratch.File("missing\\x.log").c_str()));
    LogOut("third");
    EXPECT_EQ(0, CloseLogFile());

    std::string bytes = dormex_test::ReadFileBytes(path);
    std::vector<std::string> lines;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find("\r\n", start);
        ASSERT_NE(std::string::npos, end) << "every line ends with CR LF";
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    ASSERT_EQ(4u, lines.size()) << bytes;
    EXPECT_EQ(' ' + first, lines[0].substr(23));
    EXPECT_EQ(' ' + SourceAndMessage("SUP", "second 2"), lines[1].substr(23));
    EXPECT_EQ(' ' + SourceAndMessage("SUP", "third"), lines[2].substr(23));
    EXPECT_EQ("", lines[3]); // CloseLogFile's empty line

    // Without a file: 0, and nothing is written.
    EXPECT_EQ(0, CloseLogFile());
    LogOut("not in the file");
    EXPECT_EQ(bytes, dormex_test::ReadFileBytes(path));

    // A new open appends.
    ASSERT_NE(nullptr, OpenLogFile(path.c_str()));
    LogOut("appended");
    EXPECT_EQ(0, CloseLogFile());
    std::string appended = dormex_test::ReadFileBytes(path);
    EXPECT_EQ(bytes, appended.substr(0, bytes.size()));
    EXPECT_TRUE(EndsWith(appended, SourceAndMessage("SUP", "appended") + "\r\n\r\n"));
}
