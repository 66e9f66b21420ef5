// The service shell's parts that run without the service control manager: the answers to each
// control, the gate that pauses and stops the supervisor between passes, and the wake-up time.
#include <gtest/gtest.h>

#include <stdio.h>

#include <atomic>

#include "service_control.h"
#include "supervisor.h"
#include "supervisor_gate.h"
#include "test_support.h"

using dormex_test::WaitFor;

namespace {

const DWORD kAll = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;
const StatusReport kNone = {false, 0, 0, 0};

StatusReport R(DWORD state, DWORD accepted, DWORD hint) {
    return StatusReport{true, state, accepted, hint};
}

std::string Describe(const StatusReport& report) {
    if (!report.send)
        return "none";
    char text[64];
    snprintf(text, sizeof text, "state %lu accepted %lu hint %lu", report.state, report.controlsAccepted,
             report.waitHint);
    return text;
}

} // namespace

TEST(ServiceControl, EachControlLogsReportsAndActsAsTheTableSays) {
    struct Case {
        ShellFlags before;
        DWORD control;
        const char* log;
        StatusReport pending;
        SupervisorAction action;
        StatusReport final;
        ShellFlags after;
    } cases[] = {
        // During the start: INTERROGATE repeats START_PENDING with no controls accepted.
        {{0, 0, SERVICE_START_PENDING},
         SERVICE_CONTROL_INTERROGATE,
         "Dispatched SERVICE_CONTROL_INTERROGATE",
         kNone,
         SupervisorAction::None,
         R(SERVICE_START_PENDING, 0, 0),
         {0, 0, SERVICE_START_PENDING}},
        {{1, 0, SERVICE_RUNNING},
         SERVICE_CONTROL_INTERROGATE,
         "Dispatched SERVICE_CONTROL_INTERROGATE",
         kNone,
         SupervisorAction::None,
         R(SERVICE_RUNNING, kAll, 0),
         {1, 0, SERVICE_RUNNING}},
        {{1, 0, SERVICE_RUNNING},
         SERVICE_CONTROL_PAUSE,
         "Dispatched SERVICE_CONTROL_PAUSE",
         R(SERVICE_PAUSE_PENDING, kAll, 1000),
         SupervisorAction::Park,
         R(SERVICE_PAUSED, kAll, 0),
         {1, 1, SERVICE_PAUSED}},
        // A second PAUSE changes nothing.
        {{1, 1, SERVICE_PAUSED},
         SERVICE_CONTROL_PAUSE,
         "Dispatched SERVICE_CONTROL_PAUSE",
         kNone,
         SupervisorAction::None,
         R(SERVICE_PAUSED, kAll, 0),
         {1, 1, SERVICE_PAUSED}},
        {{0, 0, SERVICE_START_PENDING},
         SERVICE_CONTROL_PAUSE,
         "Dispatched SERVICE_CONTROL_PAUSE",
         kNone,
         SupervisorAction::None,
         R(SERVICE_START_PENDING, 0, 0),
         {0, 0, SERVICE_START_PENDING}},
        {{1, 1, SERVICE_PAUSED},
         SERVICE_CONTROL_CONTINUE,
         "Dispatched SERVICE_CONTROL_CONTINUE",
         R(SERVICE_CONTINUE_PENDING, kAll, 1000),
         SupervisorAction::Release,
         R(SERVICE_RUNNING, kAll, 0),
         {1, 0, SERVICE_RUNNING}},
        // CONTINUE without a pause resumes nothing.
        {{1, 0, SERVICE_RUNNING},
         SERVICE_CONTROL_CONTINUE,
         "Dispatched SERVICE_CONTROL_CONTINUE",
         kNone,
         SupervisorAction::None,
         R(SERVICE_RUNNING, kAll, 0),
         {1, 0, SERVICE_RUNNING}},
        {{1, 0, SERVICE_RUNNING},
         SERVICE_CONTROL_STOP,
         "Dispatched SERVICE_CONTROL_STOP",
         R(SERVICE_STOP_PENDING, kAll, 5000),
         SupervisorAction::Stop,
         kNone,
         {0, 0, SERVICE_STOP_PENDING}},
        {{1, 1, SERVICE_PAUSED},
         SERVICE_CONTROL_STOP,
         "Dispatched SERVICE_CONTROL_STOP",
         R(SERVICE_STOP_PENDING, kAll, 5000),
         SupervisorAction::Stop,
         kNone,
         {0, 1, SERVICE_STOP_PENDING}},
        {{0, 0, SERVICE_START_PENDING},
         SERVICE_CONTROL_STOP,
         "Dispatched SERVICE_CONTROL_STOP",
         R(SERVICE_STOP_PENDING, kAll, 5000),
         SupervisorAction::Stop,
         kNone,
         {0, 0, SERVICE_STOP_PENDING}},
        // SHUTDOWN: one log line, no report, no state change.
        {{1, 0, SERVICE_RUNNING},
         SERVICE_CONTROL_SHUTDOWN,
         "Dispatched SERVICE_CONTROL_SHUTDOWN",
         kNone,
         SupervisorAction::None,
         kNone,
         {1, 0, SERVICE_RUNNING}},
        {{0, 0, SERVICE_START_PENDING},
         SERVICE_CONTROL_SHUTDOWN,
         "Dispatched SERVICE_CONTROL_SHUTDOWN",
         kNone,
         SupervisorAction::None,
         kNone,
         {0, 0, SERVICE_START_PENDING}},
        {{1, 0, SERVICE_RUNNING},
         128,
         "Dispatched Others...",
         kNone,
         SupervisorAction::None,
         R(SERVICE_RUNNING, kAll, 0),
         {1, 0, SERVICE_RUNNING}},
        {{1, 1, SERVICE_PAUSED},
         255,
         "Dispatched Others...",
         kNone,
         SupervisorAction::None,
         R(SERVICE_PAUSED, kAll, 0),
         {1, 1, SERVICE_PAUSED}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("control " + std::to_string(c.control) + " in state " +
                     std::to_string(c.before.CurrentState));
        ShellFlags flags = c.before;
        ControlOutcome outcome = DecideControl(&flags, c.control);
        EXPECT_STREQ(c.log, outcome.logText);
        EXPECT_EQ(Describe(c.pending), Describe(outcome.pendingReport));
        EXPECT_EQ(static_cast<int>(c.action), static_cast<int>(outcome.action));
        EXPECT_EQ(Describe(c.final), Describe(outcome.finalReport));
        EXPECT_EQ(c.after.fRunning, flags.fRunning);
        EXPECT_EQ(c.after.fPaused, flags.fPaused);
        EXPECT_EQ(c.after.CurrentState, flags.CurrentState);
    }
}

// A supervisor stand-in: each pass holds a lock for a while, as a pass inside LoadSetInfo or a
// log write would.
class GateTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gate.Create());
        lock = CreateMutexA(nullptr, FALSE, nullptr);
        ASSERT_NE(nullptr, lock);
        thread = CreateThread(nullptr, 0, Loop, this, 0, nullptr);
        ASSERT_NE(nullptr, thread);
    }
    void TearDown() override {
        gate.RequestStop();
        if (thread) {
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
            CloseHandle(thread);
        }
        if (lock)
            CloseHandle(lock);
    }
    static DWORD WINAPI Loop(void* self) {
        GateTest* test = static_cast<GateTest*>(self);
        do {
            WaitForSingleObject(test->lock, INFINITE);
            test->inPass = true;
            Sleep(test->passMs);
            ++test->passes;
            test->inPass = false;
            ReleaseMutex(test->lock);
        } while (test->gate.BetweenPasses(test->betweenMs));
        return 0;
    }
    bool LockFree() {
        if (WaitForSingleObject(lock, 0) != WAIT_OBJECT_0)
            return false;
        ReleaseMutex(lock);
        return true;
    }

    SupervisorGate gate;
    HANDLE lock = nullptr;
    HANDLE thread = nullptr;
    std::atomic<bool> inPass{false};
    std::atomic<int> passes{0};
    DWORD passMs = 100;
    DWORD betweenMs = 20;
};

TEST_F(GateTest, ParkWaitsForThePassToEndAndHoldsNoLock) {
    ASSERT_TRUE(WaitFor([&] { return inPass.load(); }, 2000));
    ASSERT_TRUE(gate.Park(3000));
    EXPECT_FALSE(inPass.load());
    EXPECT_TRUE(LockFree()) << "parked while holding the pass's lock";
    int parkedAt = passes;
    EXPECT_FALSE(WaitFor([&] { return passes != parkedAt; }, 500)) << "a pass ran while parked";
    gate.Release();
    EXPECT_TRUE(WaitFor([&] { return passes > parkedAt + 1; }, 2000));
}

TEST_F(GateTest, StopEndsAParkedSupervisor) {
    ASSERT_TRUE(gate.Park(3000));
    int parkedAt = passes;
    gate.RequestStop();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 2000));
    EXPECT_EQ(parkedAt, passes.load());
    EXPECT_TRUE(gate.StopRequested());
}

TEST_F(GateTest, StopEndsTheWaitBetweenPassesAtOnce) {
    betweenMs = 60000;
    ASSERT_TRUE(WaitFor([&] { return passes >= 1; }, 2000));
    DWORD start = GetTickCount();
    gate.RequestStop();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 2000));
    EXPECT_LT(GetTickCount() - start, 1000u);
}

TEST_F(GateTest, ParkThatTimesOutStillParksAtTheNextSafePoint) {
    passMs = 600;
    ASSERT_TRUE(WaitFor([&] { return inPass.load(); }, 2000));
    EXPECT_FALSE(gate.Park(50));
    EXPECT_TRUE(WaitFor([&] { return !inPass.load() && LockFree(); }, 2000));
    int parkedAt = passes;
    EXPECT_FALSE(WaitFor([&] { return passes != parkedAt; }, 800));
    // Pause and continue quickly, again and again: the last park holds.
    for (int i = 0; i < 20; ++i) {
        gate.Release();
        gate.Park(0);
    }
    EXPECT_TRUE(gate.Park(3000));
    parkedAt = passes;
    EXPECT_FALSE(WaitFor([&] { return passes != parkedAt; }, 800));
}

// Central European time: UTC+1, and UTC+2 from the last Sunday of March 02:00 to the last Sunday
// of October 03:00.
TIME_ZONE_INFORMATION CentralEurope() {
    TIME_ZONE_INFORMATION zone = {};
    zone.Bias = -60;
    zone.StandardDate = SYSTEMTIME{0, 10, 0, 5, 3, 0, 0, 0};
    zone.StandardBias = 0;
    zone.DaylightDate = SYSTEMTIME{0, 3, 0, 5, 2, 0, 0, 0};
    zone.DaylightBias = -60;
    return zone;
}

TEST(ResumeDueTime, UsesTheDaylightSavingRulesOfTheWakeUpDate) {
    TIME_ZONE_INFORMATION zone = CentralEurope();
    struct Case {
        SYSTEMTIME local;
        SYSTEMTIME utc;
    } cases[] = {
        {{2024, 3, 6, 30, 23, 55, 0, 0}, {2024, 3, 6, 30, 22, 55, 0, 0}}, // the evening before spring
        {{2024, 3, 0, 31, 23, 55, 0, 0}, {2024, 3, 0, 31, 21, 55, 0, 0}}, // the evening after
        {{2024, 10, 6, 26, 23, 55, 0, 0}, {2024, 10, 6, 26, 21, 55, 0, 0}},
        {{2024, 10, 0, 27, 23, 55, 0, 0}, {2024, 10, 0, 27, 22, 55, 0, 0}},
        {{2024, 12, 2, 31, 23, 30, 0, 0}, {2024, 12, 2, 31, 22, 30, 0, 0}},
    };
    for (const Case& c : cases) {
        FILETIME due = {0xdeadbeef, 0xdeadbeef};
        ASSERT_TRUE(ResumeDueTime(c.local, &zone, &due));
        FILETIME expected;
        ASSERT_TRUE(SystemTimeToFileTime(&c.utc, &expected));
        EXPECT_EQ(expected.dwLowDateTime, due.dwLowDateTime) << c.local.wMonth << "/" << c.local.wDay;
        EXPECT_EQ(expected.dwHighDateTime, due.dwHighDateTime) << c.local.wMonth << "/" << c.local.wDay;
    }
}

TEST(ResumeDueTime, InvalidTimeLeavesTheOutputUntouched) {
    TIME_ZONE_INFORMATION zone = CentralEurope();
    SYSTEMTIME invalid = {2024, 13, 0, 40, 25, 0, 0, 0};
    FILETIME due = {0xdeadbeef, 0xdeadbeef};
    EXPECT_FALSE(ResumeDueTime(invalid, &zone, &due));
    EXPECT_EQ(0xdeadbeefu, due.dwLowDateTime);
    EXPECT_EQ(0xdeadbeefu, due.dwHighDateTime);
}

TEST(ResumeDueTime, CurrentTimeZoneConvertsToo) {
    SYSTEMTIME local = {2030, 7, 0, 15, 12, 0, 0, 0};
    FILETIME due = {};
    ASSERT_TRUE(ResumeDueTime(local, nullptr, &due));
    SYSTEMTIME utc;
    ASSERT_TRUE(FileTimeToSystemTime(&due, &utc));
    EXPECT_EQ(2030, utc.wYear);
    EXPECT_LE(abs(utc.wDay * 24 + utc.wHour - (15 * 24 + 12)), 14) << "a time zone is at most 14 hours off";
}
