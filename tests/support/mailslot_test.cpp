// The process's own mailslot and the command word, under Wine, with a second process where the
// behaviour crosses processes.
#include "OrvDl2SubFuncs.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using dormex_test::ChildProcess;
using dormex_test::LogCatcher;

namespace {

const DWORD kTimeoutMs = 5000;
const MailCommand kSentinel = {0xEE, 0xEE, 0xEEEE};

std::string Peer() {
    return dormex_test::TestProgram("mailslot_peer.exe");
}

std::string Bytes(const MailCommand& command) {
    return std::string(reinterpret_cast<const char*>(&command), sizeof command);
}

bool Send(const std::string& bytes) {
    return MailSlotSend(MAILSLOT_APP, bytes.data(), static_cast<DWORD>(bytes.size())) == 1;
}

bool SendCommand(MailCommand command) {
    return Send(Bytes(command));
}

// The next command, polled for until one arrives.
bool RecvWithin(MailCommand* command, DWORD timeoutMs) {
    return dormex_test::WaitFor([&] { return MyMailSlotRecv(command) == 1; }, timeoutMs);
}

// Runs the peer to its end; its exit code, or 999 when it did not end in time.
DWORD RunPeer(const std::string& arguments) {
    ChildProcess peer;
    DWORD code = 999;
    if (!peer.Start(Peer(), arguments))
        ADD_FAILURE() << "cannot start the peer: " << GetLastError();
    else if (!peer.WaitExit(30000, &code))
        ADD_FAILURE() << "the peer did not end: " << arguments;
    return code;
}

// Holds MAILSLOT_APP as this process's own mailslot for one test.
class OwnMailslotTest : public testing::Test {
  protected:
    void SetUp() override {
        SetLogSlotId("TST");
        ASSERT_EQ(1, MyMailSlotCreate(MAILSLOT_APP));
    }
    void TearDown() override { MyMailSlotDelete(); }
};

} // namespace

TEST(CommandWordTest, WarningForcedWithThreeMinutesIsTheBytes01_01_B4_00) {
    MailCommand command = MakeMailCommand(CMD_WARNING, 1, 3 * 60);
    EXPECT_EQ(std::string("\x01\x01\xB4\x00", 4), Bytes(command));
    EXPECT_EQ(0x00B40101u, MailCommandToWord(command));
    EXPECT_EQ(65536u + 180u, MailCommandParams(command));
}

TEST(CommandWordTest, WordAndFieldsConvertBothWays) {
    struct Case {
        BYTE cmd, param1;
        WORD param2;
        UINT32 word;
    } cases[] = {
        {0, 0, 0, 0x00000000u},
        {CMD_RELOAD, 0, 0, 0x00000007u},
        {CMD_SHUTDOWN, 0, 600, 0x02580004u},
        {0xFF, 0xFF, 0xFFFF, 0xFFFFFFFFu},
        {0x12, 0x34, 0x5678, 0x56783412u},
    };
    for (const Case& c : cases) {
        MailCommand command = MakeMailCommand(c.cmd, c.param1, c.param2);
        EXPECT_EQ(c.word, MailCommandToWord(command));
        MailCommand back = MailCommandFromWord(c.word);
        EXPECT_EQ(c.cmd, back.cmd);
        EXPECT_EQ(c.param1, back.param1);
        EXPECT_EQ(c.param2, back.param2);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&c.word), 4), Bytes(command)); // little-endian
    }
}

TEST(MailslotTest, RecvBeforeAnyCreateReturnsZero) {
    EXPECT_EQ(0u, RunPeer("recv")); // result 0, word untouched
}

TEST(MailslotTest, SendingToNobodyOrNoNameReturnsZero) {
    MailCommand command = MakeMailCommand(CMD_SHUTDOWN, 0, 180);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(INVALID_HANDLE_VALUE,
              CreateFileA(MAILSLOT_APP, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "nobody may hold the mailslot";
    EXPECT_EQ(0, MailSlotSend(MAILSLOT_APP, &command, sizeof command));
    EXPECT_EQ(0, MailSlotSend("", &command, sizeof command));
    EXPECT_EQ(0, MailSlotSend(nullptr, &command, sizeof command));
}

TEST(MailslotTest, CreateLogsAndDeleteTwiceClosesAndLogsOnce) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("TST");
    ASSERT_EQ(1, MyMailSlotCreate(MAILSLOT_APP));
    EXPECT_TRUE(catcher.WaitForLine(" TST: My mail slot(\\\\.\\mailslot\\OrvDx2\\App) creation success\n",
                                    kTimeoutMs));
    MailCommand command = MakeMailCommand(CMD_SAVE_DOCS, 0, 0);
    EXPECT_EQ(1, SendCommand(command));

    MyMailSlotDelete();
    MyMailSlotDelete();
    LogOut("after the deletes");
    ASSERT_TRUE(catcher.WaitForLine("after the deletes", kTimeoutMs));
    EXPECT_EQ(1u, catcher.CountContaining(" TST: My mail slot is closed.\n"));
    EXPECT_EQ(0, MailSlotSend(MAILSLOT_APP, &command, sizeof command)) << "the mailslot is gone";
    MailCommand received = kSentinel;
    EXPECT_EQ(0, MyMailSlotRecv(&received));
    EXPECT_EQ(Bytes(kSentinel), Bytes(received));
}

TEST(MailslotTest, ASecondCreatorOfAHeldNameFailsAndLogsTwoLines) {
    char* text = nullptr;
    ASSERT_NE(0u,
              FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                                 FORMAT_MESSAGE_ALLOCATE_BUFFER,
                             nullptr, ERROR_ALREADY_EXISTS, 0, reinterpret_cast<char*>(&text), 0, nullptr));
    std::string systemText(text);
    LocalFree(text);
    const std::string errorLine = "Error detect in  CreateMailslot, err = 183 ( " +
                                  systemText.substr(0, systemText.find('\n')) + " )\n";
    const std::string failureLine = "My mail slot(\\\\.\\mailslot\\OrvDx2\\App) creation failure\n";

    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("TST");
    {
        ChildProcess holder;
        ASSERT_TRUE(holder.Start(Peer(), "hold \\\\.\\mailslot\\OrvDx2\\App"));
        ASSERT_TRUE(catcher.WaitForLine(" PEER: My mail slot(\\\\.\\mailslot\\OrvDx2\\App) creation success",
                                        kTimeoutMs));
        SetLastError(0xdeadbeef);
        EXPECT_EQ(0, MyMailSlotCreate(MAILSLOT_APP));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError()) << "the creation's own code";
        ASSERT_TRUE(catcher.WaitForLine(" TST: " + failureLine, kTimeoutMs));
        std::vector<std::string> lines = catcher.Lines();
        ASSERT_EQ(3u, lines.size());
        EXPECT_NE(std::string::npos, lines[1].find(" TST: " + errorLine)) << lines[1];
        MailCommand received = kSentinel;
        EXPECT_EQ(0, MyMailSlotRecv(&received)) << "nothing is held after a failed creation";
        EXPECT_TRUE(holder.Running());
    }

    // The other way round: this process holds the name, the peer fails.
    catcher.Clear();
    ASSERT_EQ(1, MyMailSlotCreate("\\\\.\\MAILSLOT\\orvdx2\\APP")); // names compare without case
    EXPECT_EQ(0u, RunPeer("create \\\\.\\mailslot\\OrvDx2\\App"));
    EXPECT_TRUE(catcher.WaitForLine(" PEER: " + failureLine, kTimeoutMs));
    EXPECT_EQ(1u, catcher.CountContaining(" PEER: " + errorLine));
    MyMailSlotDelete();
}

TEST_F(OwnMailslotTest, MessagesOfEverySizeYieldTheirFirstFourBytesOrNothing) {
    struct Case {
        size_t size;
        int result;
    } cases[] = {{1, 0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}, {6, 1}, {424, 1}, {65536, 1}};
    for (const Case& c : cases) {
        std::string message(c.size, '\0');
        for (size_t i = 0; i < c.size; ++i)
            message[i] = static_cast<char>(0x41 + i % 26);
        ASSERT_TRUE(Send(message)) << c.size;
        MailCommand received = kSentinel;
        EXPECT_EQ(c.result, MyMailSlotRecv(&received)) << c.size;
        EXPECT_EQ(c.result ? message.substr(0, 4) : Bytes(kSentinel), Bytes(received)) << c.size;
        EXPECT_EQ(0, MyMailSlotRecv(&received)) << "the message of " << c.size << " bytes is consumed";
    }
    MailCommand received = kSentinel;
    ASSERT_TRUE(SendCommand(MakeMailCommand(CMD_RELOAD, 0, 0)));
    EXPECT_EQ(0, MyMailSlotRecv(nullptr));
    EXPECT_EQ(1, MyMailSlotRecv(&received)) << "a null word does not consume the message";
    EXPECT_EQ(CMD_RELOAD, received.cmd);
}

TEST_F(OwnMailslotTest, ShortAndLongMessagesFromAnotherProcess) {
    EXPECT_EQ(0u, RunPeer("send \\\\.\\mailslot\\OrvDx2\\App 0801 1"));
    EXPECT_EQ(0u, RunPeer("send \\\\.\\mailslot\\OrvDx2\\App 0102B40099AA 1"));
    MailCommand received = kSentinel;
    EXPECT_EQ(0, MyMailSlotRecv(&received)) << "2 bytes are dropped";
    EXPECT_EQ(Bytes(kSentinel), Bytes(received));
    ASSERT_EQ(1, MyMailSlotRecv(&received)) << "6 bytes yield their first 4";
    EXPECT_EQ(std::string("\x01\x02\xB4\x00", 4), Bytes(received));
    EXPECT_EQ(0, MyMailSlotRecv(&received));
}

TEST_F(OwnMailslotTest, TwoWaitingMessagesComeOnePerCallAndAreLogged) {
    LogCatcher catcher;
    ASSERT_TRUE(catcher.Ok()) << catcher.Error();
    SetLogSlotId("TST");
    ASSERT_TRUE(SendCommand(MakeMailCommand(CMD_WARNING, 1, 180)));
    ASSERT_TRUE(SendCommand(MakeMailCommand(CMD_RESCHEDULE, 0, 0)));
    MailCommand received = kSentinel;
    ASSERT_EQ(1, MyMailSlotRecv(&received));
    EXPECT_EQ(0x00B40101u, MailCommandToWord(received));
    ASSERT_EQ(1, MyMailSlotRecv(&received));
    EXPECT_EQ(static_cast<UINT32>(CMD_RESCHEDULE), MailCommandToWord(received));
    EXPECT_EQ(0, MyMailSlotRecv(&received));
    EXPECT_EQ(static_cast<UINT32>(CMD_RESCHEDULE), MailCommandToWord(received)) << "untouched on 0";

    ASSERT_TRUE(catcher.WaitForCount(2, kTimeoutMs));
    std::vector<std::string> lines = catcher.Lines();
    EXPECT_NE(std::string::npos, lines[0].find(" TST: Received Command cmd=0x01, Param=1, 180\n"))
        << lines[0];
    EXPECT_NE(std::string::npos, lines[1].find(" TST: Received Command cmd=0x08, Param=0, 0\n")) << lines[1];
}

TEST_F(OwnMailslotTest, AnEmptyMessageDoesNotBlockTheCommandsBehindIt) {
    MailCommand received = kSentinel;
    ASSERT_TRUE(Send(""));
    EXPECT_EQ(0, MyMailSlotRecv(&received)) << "an empty message alone is no command";
    ASSERT_TRUE(SendCommand(MakeMailCommand(CMD_SAVE_ABORT, 0, 0)));
    ASSERT_TRUE(RecvWithin(&received, kTimeoutMs));
    EXPECT_EQ(CMD_SAVE_ABORT, received.cmd);

    // Several empty messages written by another process, then a command.
    EXPECT_EQ(0u, RunPeer("send \\\\.\\mailslot\\OrvDx2\\App - 3"));
    EXPECT_EQ(0u, RunPeer("send \\\\.\\mailslot\\OrvDx2\\App 07000000 1"));
    ASSERT_TRUE(RecvWithin(&received, kTimeoutMs));
    EXPECT_EQ(CMD_RELOAD, received.cmd);
    EXPECT_EQ(0, MyMailSlotRecv(&received));
}

TEST_F(OwnMailslotTest, CommandsOfTwoProcessesSendingAtOnceAllArrive) {
    const int kEach = 40;
    ChildProcess first, second;
    ASSERT_TRUE(first.Start(Peer(), "send \\\\.\\mailslot\\OrvDx2\\App 07000000 40"));
    ASSERT_TRUE(second.Start(Peer(), "send \\\\.\\mailslot\\OrvDx2\\App 08000000 40"));
    int reloads = 0, reschedules = 0;
    dormex_test::WaitFor(
        [&] {
            MailCommand received;
            while (MyMailSlotRecv(&received)) {
                reloads += received.cmd == CMD_RELOAD;
                reschedules += received.cmd == CMD_RESCHEDULE;
            }
            return reloads + reschedules == 2 * kEach;
        },
        30000);
    DWORD firstFailures = 999, secondFailures = 999;
    EXPECT_TRUE(first.WaitExit(kTimeoutMs, &firstFailures));
    EXPECT_TRUE(second.WaitExit(kTimeoutMs, &secondFailures));
    EXPECT_EQ(0u, firstFailures);
    EXPECT_EQ(0u, secondFailures);
    EXPECT_EQ(kEach, reloads);
    EXPECT_EQ(kEach, reschedules);
}

TEST_F(OwnMailslotTest, CreatingAgainReplacesTheHeldMailslot) {
    ASSERT_EQ(1, MyMailSlotCreate(MAILSLOT_SERV));
    MailCommand command = MakeMailCommand(CMD_RELOAD, 0, 0);
    EXPECT_EQ(0, MailSlotSend(MAILSLOT_APP, &command, sizeof command)) << "the first one is closed";
    EXPECT_EQ(1, MailSlotSend(MAILSLOT_SERV, &command, sizeof command));
    MailCommand received = kSentinel;
    EXPECT_EQ(1, MyMailSlotRecv(&received));
    EXPECT_EQ(CMD_RELOAD, received.cmd);
}
