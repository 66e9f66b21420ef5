// The viewer's drain on a private mailslot: exact bytes, empty messages, no memory, the tick limit.
#include "log_drain.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Collected {
    std::vector<std::string> messages;
    int allocations = 0;
    int releases = 0;
    bool failAllocation = false;
};
Collected g_collected;

void Show(void* context, const char* bytes, DWORD count) {
    static_cast<Collected*>(context)->messages.emplace_back(bytes, count);
}
void* Allocate(DWORD size) {
    if (g_collected.failAllocation)
        return nullptr;
    ++g_collected.allocations;
    return HeapAlloc(GetProcessHeap(), 0, size);
}
void Release(void* buffer) {
    ++g_collected.releases;
    HeapFree(GetProcessHeap(), 0, buffer);
}

class LogDrainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_collected = Collected();
        name_ = "\\\\.\\mailslot\\OrvDormexTest\\drain" + std::to_string(GetCurrentProcessId());
        slot_ = CreateMailslotA(name_.c_str(), 0, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, slot_);
    }
    void TearDown() override {
        g_collected.failAllocation = false;
        Drain(100000); // every reader drains before it closes
        CloseHandle(slot_);
    }
    void Write(const std::string& bytes) {
        HANDLE writer = CreateFileA(name_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, writer);
        DWORD written = 0xdeadbeef;
        EXPECT_TRUE(WriteFile(writer, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        EXPECT_EQ(bytes.size(), written);
        CloseHandle(writer);
    }
    LogDrainEnd Drain(int limit) {
        LogDrainTarget target = {&g_collected, Show, Allocate, Release};
        return DrainLogSlot(slot_, target, limit);
    }
    std::string name_;
    HANDLE slot_ = INVALID_HANDLE_VALUE;
};

TEST_F(LogDrainTest, ShowsEachMessageWithExactlyItsBytes) {
    std::string line("12:00:00.000 PC APP: hello\n", 27);
    Write(line + '\0');
    Write(std::string("mid\0dle\n\0", 9));
    EXPECT_EQ(kLogDrainEmpty, Drain(100));
    ASSERT_EQ(2u, g_collected.messages.size());
    EXPECT_EQ(line + '\0', g_collected.messages[0]);
    EXPECT_EQ(std::string("mid\0dle\n\0", 9), g_collected.messages[1]);
    EXPECT_EQ(g_collected.allocations, g_collected.releases);
}

TEST_F(LogDrainTest, EmptyMessageDoesNotBlockTheQueue) {
    Write("");
    Write(std::string("after\n\0", 7));
    Write("");
    EXPECT_EQ(kLogDrainEmpty, Drain(100));
    ASSERT_EQ(1u, g_collected.messages.size());
    EXPECT_EQ(std::string("after\n\0", 7), g_collected.messages[0]);
}

TEST_F(LogDrainTest, WithoutMemoryTheMessageWaitsForTheNextTick) {
    Write(std::string("kept\n\0", 6));
    g_collected.failAllocation = true;
    EXPECT_EQ(kLogDrainNoMemory, Drain(100));
    EXPECT_TRUE(g_collected.messages.empty());
    g_collected.failAllocation = false;
    EXPECT_EQ(kLogDrainEmpty, Drain(100));
    ASSERT_EQ(1u, g_collected.messages.size());
    EXPECT_EQ(std::string("kept\n\0", 6), g_collected.messages[0]);
}

TEST_F(LogDrainTest, StopsAtTheTickLimitAndGoesOnNextTick) {
    for (int i = 0; i < 5; ++i)
        Write("m" + std::to_string(i));
    EXPECT_EQ(kLogDrainLimit, Drain(3));
    EXPECT_EQ(3u, g_collected.messages.size());
    EXPECT_EQ(kLogDrainEmpty, Drain(3));
    ASSERT_EQ(5u, g_collected.messages.size());
    EXPECT_EQ("m4", g_collected.messages[4]);
}

TEST_F(LogDrainTest, LargeMessageArrivesWhole) {
    std::string big(65536, 'x');
    big[100] = '\0';
    Write(big);
    EXPECT_EQ(kLogDrainEmpty, Drain(100));
    ASSERT_EQ(1u, g_collected.messages.size());
    EXPECT_EQ(big, g_collected.messages[0]);
}

TEST(LogDrainFailureTest, ReportsAHandleThatIsNoMailslot) {
    LogDrainTarget target = {&g_collected, Show, Allocate, Release};
    EXPECT_EQ(kLogDrainInfoFailed, DrainLogSlot(INVALID_HANDLE_VALUE, target, 10));
}

} // namespace
