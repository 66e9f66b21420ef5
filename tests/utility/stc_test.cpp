// The state-transition engine with a small machine of its own: order of the steps, exit and
// entry records, nested events, timers, the creating thread, deletion, invalid input.
#include <gtest/gtest.h>
#include "OrvCtl.h"
#include "message_pump.h"
#include "stc_recorder.h"

#include <thread>

using namespace stc_test;
using dormex_test::PumpMessagesFor;
using dormex_test::PumpMessagesUntil;
using Lines = std::vector<std::string>;

namespace {

#define ACT0(t) 0x00, t, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
#define ACT1(t, a) 0x00, t, a, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF
#define ACT2(t, a, b) 0x00, t, a, b, 0xFF, 0xFF, 0xFF, 0xFF
#define STAY 0xFF, 0xFF
#define GOTO(n) n, 0x00
#define EMPTY STAY, ACT0(0x00)

// Three states, seven events.
constexpr UINT kStates = 3;
constexpr UINT kEvents = 7;

const BYTE kEntry[kStates * 8] = {
    ACT0(0x00),         // 0
    ACT1(0x40, 10),     // 1: start timer 0, P10
    ACT2(0x00, 20, 21), // 2
};
const BYTE kExit[kStates * 8] = {
    ACT1(0x00, 30), // 0
    ACT1(0x80, 31), // 1: stop timer 0, P31
    ACT0(0x00),     // 2
};
const BYTE kTransitions[kEvents * kStates * 10] = {
    // event 0
    GOTO(1),
    ACT2(0x10, 1, 2), // state 0: start timer 1, P1, P2, go to 1
    EMPTY,            // state 1
    GOTO(0),
    ACT1(0x00, 5), // state 2: P5, go to 0
    // event 1
    EMPTY,
    STAY,
    ACT1(0x00, 3),
    EMPTY, // state 1: P3
    // event 2
    EMPTY,
    GOTO(2),
    ACT1(0x00, 4),
    EMPTY, // state 1: P4, go to 2
    // event 3: in state 2 a next state outside the table
    EMPTY,
    EMPTY,
    GOTO(7),
    ACT1(0x00, 6),
    // event 4: start timer 0
    STAY,
    ACT0(0x40),
    STAY,
    ACT0(0x40),
    STAY,
    ACT0(0x40),
    // event 5: stop timer 0
    STAY,
    ACT0(0x80),
    STAY,
    ACT0(0x80),
    STAY,
    ACT0(0x80),
    // event 6: stop every timer, six processes
    STAY,
    0x00,
    0xAA,
    40,
    41,
    42,
    43,
    44,
    45, //
    STAY,
    0x00,
    0xAA,
    40,
    41,
    42,
    43,
    44,
    45, //
    STAY,
    0x00,
    0xAA,
    40,
    41,
    42,
    43,
    44,
    45,
};

constexpr DWORD kLong = 600000; // a period that never passes during a test

// EnumThreadWindows callback: presses button param of every dialog box of the thread.
BOOL CALLBACK PressButtonOfDialog(HWND window, LPARAM button) {
    char name[32] = "";
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpA(name, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return TRUE;
}

class Machine {
  public:
    explicit Machine(UINT eventCount = kEvents)
        : handle(OvcStcCreate(kEntry, kExit, kTransitions, kStates, eventCount, &Recorder::Process,
                              &Recorder::Trace)) {}
    ~Machine() {
        if (handle)
            OvcStcDelete(handle);
    }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;
    HOVCSTC handle;
};

TEST(StcTest, StartsInStateZeroWithoutEntryActions) {
    Recorder recorder;
    Machine machine;
    ASSERT_NE(machine.handle, nullptr);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 20, 1), 1);
    PumpMessagesFor(100);
    EXPECT_TRUE(recorder.lines.empty());
    ASSERT_EQ(OvcStcExecEvent(machine.handle, 1), 1); // empty in state 0: traced, nothing else
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 1)}));
}

TEST(StcTest, StepsRunInOrderWithExitAndEntryRecords) {
    struct Step {
        UINT event;
        Lines expected;
    };
    const Step steps[] = {
        {0, {Ev(0, 0), Start(1, kLong), P(1), P(2), P(30), St(1), Start(0, kLong), P(10)}},
        {0, {Ev(1, 0)}}, // empty record
        {1, {Ev(1, 1), P(3)}},
        {2, {Ev(1, 2), P(4), Stop(0), P(31), St(2), P(20), P(21)}},
        {3, {Ev(2, 3), P(6)}}, // next state 7 lies outside the table: no change
        {6, {Ev(2, 6), Stop(1), P(40), P(41), P(42), P(43), P(44), P(45)}},
        {0, {Ev(2, 0), P(5), St(0)}},
    };
    Recorder recorder;
    Machine machine;
    ASSERT_NE(machine.handle, nullptr);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kLong, 5), 1);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 1, kLong, 5), 1);
    for (const Step& step : steps) {
        recorder.lines.clear();
        ASSERT_EQ(OvcStcExecEvent(machine.handle, step.event), 1);
        EXPECT_EQ(recorder.lines, step.expected) << "event " << step.event;
    }
    EXPECT_EQ(recorder.callsOnOtherThreads, 0);
    for (HOVCSTC reported : recorder.machines)
        EXPECT_EQ(reported, machine.handle);
}

TEST(StcTest, ProcessesGetTheCurrentState) {
    Recorder recorder;
    Machine machine;
    OvcStcExecEvent(machine.handle, 0); // P1, P2 and P30 in state 0, P10 in state 1
    OvcStcExecEvent(machine.handle, 2); // P4 and P31 in state 1, P20 and P21 in state 2
    EXPECT_EQ(recorder.processStates, std::vector<UINT_PTR>({0, 0, 0, 1, 1, 1, 2, 2}));
}

TEST(StcTest, NestedEventIsHandledInsideTheCall) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kLong, 5), 1);
    OvcStcExecEvent(machine.handle, 0);
    recorder.onProcess = [&](UINT number) {
        if (number == 3) {
            EXPECT_EQ(OvcStcExecEvent(machine.handle, 2), 1);
        }
        recorder.lines.push_back("after P" + std::to_string(number));
    };
    recorder.lines.clear();
    ASSERT_EQ(OvcStcExecEvent(machine.handle, 1), 1);
    EXPECT_EQ(recorder.lines, Lines({Ev(1, 1), P(3), Ev(1, 2), P(4), "after P4", Stop(0), P(31), "after P31",
                                     St(2), P(20), "after P20", P(21), "after P21", "after P3"}));
    recorder.lines.clear();
    OvcStcExecEvent(machine.handle, 5);
    EXPECT_EQ(recorder.lines, Lines({Ev(2, 5)}));
}

TEST(StcTest, TimerExpiryHandlesItsEventInTheStateCurrentAtExpiry) {
    Recorder recorder;
    Machine machine;
    // Timer 1 is started by event 0 in state 0, which moves on to state 1: its expiry (event 2)
    // is empty in state 0 and leads to state 2 from state 1.
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 1, 50, 2), 1);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kLong, 5), 1);
    OvcStcExecEvent(machine.handle, 0);
    ASSERT_TRUE(PumpMessagesUntil([&] { return recorder.Has(St(2)); }, 3000));
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 0), Start(1, 50), P(1), P(2), P(30), St(1), Start(0, kLong), P(10),
                                     Ev(1, 2), P(4), Stop(0), P(31), St(2), P(20), P(21)}));
    // One expiry per start.
    size_t count = recorder.lines.size();
    PumpMessagesFor(200);
    EXPECT_EQ(recorder.lines.size(), count);
    EXPECT_EQ(recorder.callsOnOtherThreads, 0);
}

TEST(StcTest, RestartingATimerStartsItsPeriodAgain) {
    constexpr DWORD kPeriod = 800; // wide enough that a busy machine still restarts it in time
    constexpr DWORD kSlack = 30;   // timer granularity
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kPeriod, 3), 1); // event 3: empty in state 0
    ULONGLONG started = GetTickCount64();
    OvcStcExecEvent(machine.handle, 4);
    PumpMessagesFor(kPeriod / 4);
    ASSERT_FALSE(recorder.Has(Ev(0, 3)));
    ULONGLONG restarted = GetTickCount64();
    OvcStcExecEvent(machine.handle, 4);
    ASSERT_TRUE(PumpMessagesUntil([&] { return recorder.Has(Ev(0, 3)); }, 5000));
    ULONGLONG fired = recorder.TickOf(Ev(0, 3));
    EXPECT_GE(fired - restarted + kSlack, kPeriod);
    EXPECT_GE(fired - started + kSlack, kPeriod + kPeriod / 4);
    PumpMessagesFor(kPeriod / 2); // no second expiry
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 4), Start(0, kPeriod), Ev(0, 4), Start(0, kPeriod), Ev(0, 3)}));
}

TEST(StcTest, StoppingATimerCancelsItsExpiry) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 50, 3), 1);
    OvcStcExecEvent(machine.handle, 4);
    OvcStcExecEvent(machine.handle, 5);
    OvcStcExecEvent(machine.handle, 5); // not running: nothing to report
    PumpMessagesFor(300);
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 4), Start(0, 50), Ev(0, 5), Stop(0), Ev(0, 5)}));
}

TEST(StcTest, PeriodZeroMeansTheShortestTimer) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 0, 3), 1);
    OvcStcExecEvent(machine.handle, 4);
    ASSERT_TRUE(PumpMessagesUntil([&] { return recorder.Has(Ev(0, 3)); }, 2000));
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 4), Start(0, USER_TIMER_MINIMUM), Ev(0, 3)}));
}

TEST(StcTest, SlotWithoutTimerInformationIsNotStarted) {
    Recorder recorder;
    Machine machine;
    OvcStcExecEvent(machine.handle, 4);
    OvcStcExecEvent(machine.handle, 6);
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 4), Ev(0, 6), P(40), P(41), P(42), P(43), P(44), P(45)}));
}

TEST(StcTest, NewTimerInformationAppliesFromTheNextStart) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kLong, 3), 1);
    OvcStcExecEvent(machine.handle, 4);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 40, 1), 1);
    PumpMessagesFor(200);
    EXPECT_FALSE(recorder.Has(Ev(0, 3)));
    OvcStcExecEvent(machine.handle, 4);
    ASSERT_TRUE(PumpMessagesUntil([&] { return recorder.Has(Ev(0, 1)); }, 2000));
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 4), Start(0, kLong), Ev(0, 4), Start(0, 40), Ev(0, 1)}));
}

// A callback that pumps messages (as a modal dialog would) never sees a timer expiry overlap it:
// the expiry is handled once the step in progress is done.
TEST(StcTest, ExpiryDuringACallbackWaitsUntilTheStepIsDone) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 1, 20, 5), 1);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, kLong, 5), 1);
    recorder.onProcess = [&](UINT number) {
        if (number == 1)
            PumpMessagesFor(300);
    };
    OvcStcExecEvent(machine.handle, 0);
    EXPECT_EQ(recorder.lines, Lines({Ev(0, 0), Start(1, 20), P(1), P(2), P(30), St(1), Start(0, kLong), P(10),
                                     Ev(1, 5), Stop(0)}));
}

// Stopping a timer whose expiry is waiting for the step in progress cancels that expiry too.
TEST(StcTest, StopCancelsAnExpiryWaitingForTheStep) {
    Recorder recorder;
    Machine machine;
    // Event 3 would run P6 in state 2, where the step below leads.
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 20, 3), 1);
    OvcStcExecEvent(machine.handle, 0); // state 1, timer 0 started; no message is dispatched yet
    recorder.lines.clear();
    recorder.onProcess = [&](UINT number) {
        if (number == 4)
            PumpMessagesFor(200); // timer 0 expires here; the exit record of state 1 stops it
    };
    OvcStcExecEvent(machine.handle, 2);
    PumpMessagesFor(150);
    EXPECT_EQ(recorder.lines, Lines({Ev(1, 2), P(4), Stop(0), P(31), St(2), P(20), P(21)}));
}

// The timers run on the creating thread's message loop, so a modal loop there delivers them.
TEST(StcTest, ModalLoopOfTheThreadDeliversTimers) {
    Recorder recorder;
    Machine machine;
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 0, 100, 1), 1);
    OvcStcExecEvent(machine.handle, 0); // state 1; entry starts timer 0, whose expiry runs P3
    DWORD thread = GetCurrentThreadId();
    auto closeBox = [thread](WPARAM button) { EnumThreadWindows(thread, PressButtonOfDialog, button); };
    recorder.onProcess = [&](UINT number) {
        if (number == 3)
            closeBox(IDOK);
    };
    // Should the timer never come, a guard closes the box with Cancel after a while.
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(done, nullptr);
    std::thread guard([&] {
        if (WaitForSingleObject(done, 10000) == WAIT_TIMEOUT)
            closeBox(IDCANCEL);
    });
    int answer = MessageBoxA(nullptr, "timer test", "StcTest", MB_OKCANCEL);
    SetEvent(done);
    guard.join();
    CloseHandle(done);
    EXPECT_EQ(answer, IDOK);
    EXPECT_TRUE(recorder.Has(Ev(1, 1)));
    EXPECT_EQ(recorder.callsOnOtherThreads, 0);
}

TEST(StcTest, EventFromAnotherThreadIsHandledOnTheCreatingThread) {
    Recorder recorder;
    Machine machine;
    int result = 0;
    std::thread other([&] { result = OvcStcExecEvent(machine.handle, 0); });
    other.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(recorder.lines.empty());
    ASSERT_TRUE(PumpMessagesUntil([&] { return recorder.Has(P(10)); }, 2000));
    EXPECT_EQ(recorder.lines.front(), Ev(0, 0));
    EXPECT_EQ(recorder.callsOnOtherThreads, 0);
}

TEST(StcTest, OnlyTheCreatingThreadSetsTimersAndDeletes) {
    Recorder recorder;
    Machine machine;
    int timerResult = -1, deleteResult = -1;
    DWORD timerError = 0, deleteError = 0;
    std::thread other([&] {
        SetLastError(0xdeadbeef);
        timerResult = OvcStcSetTimerInfo(machine.handle, 0, 10, 1);
        timerError = GetLastError();
        SetLastError(0xdeadbeef);
        deleteResult = OvcStcDelete(machine.handle);
        deleteError = GetLastError();
    });
    other.join();
    EXPECT_EQ(timerResult, 0);
    EXPECT_EQ(timerError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(deleteResult, 0);
    EXPECT_EQ(deleteError, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OvcStcExecEvent(machine.handle, 1), 1); // still alive
}

TEST(StcTest, NothingRunsAfterDelete) {
    Recorder recorder;
    HOVCSTC machine =
        OvcStcCreate(kEntry, kExit, kTransitions, kStates, kEvents, &Recorder::Process, &Recorder::Trace);
    ASSERT_NE(machine, nullptr);
    ASSERT_EQ(OvcStcSetTimerInfo(machine, 0, 20, 1), 1);
    ASSERT_EQ(OvcStcSetTimerInfo(machine, 1, 20, 1), 1);
    OvcStcExecEvent(machine, 0);                                    // timers 0 and 1 running
    std::thread([machine] { OvcStcExecEvent(machine, 4); }).join(); // posted, not yet handled
    size_t count = recorder.lines.size();
    ASSERT_EQ(OvcStcDelete(machine), 1);
    PumpMessagesFor(300);
    EXPECT_EQ(recorder.lines.size(), count);

    SetLastError(0xdeadbeef);
    int exec = OvcStcExecEvent(machine, 1);
    DWORD execError = GetLastError();
    SetLastError(0xdeadbeef);
    int timer = OvcStcSetTimerInfo(machine, 0, 10, 1);
    DWORD timerError = GetLastError();
    SetLastError(0xdeadbeef);
    int again = OvcStcDelete(machine);
    DWORD againError = GetLastError();
    EXPECT_EQ(exec, 0);
    EXPECT_EQ(execError, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(timer, 0);
    EXPECT_EQ(timerError, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(again, 0);
    EXPECT_EQ(againError, static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(recorder.lines.size(), count);
}

// Deleting from inside a callback abandons the rest of the step, and of the steps it is nested
// in; no timer fires afterwards.
TEST(StcTest, DeleteFromInsideACallback) {
    struct Case {
        const char* where;
        bool nested;             // P1 raises event 6 (stop every timer, P40 to P45) nested
        std::string deleteAfter; // the line whose callback deletes the machine
        Lines expected;
    };
    const Case cases[] = {
        {"event trace", false, Ev(0, 0), {Ev(0, 0)}},
        {"timer start trace", false, Start(1, 20), {Ev(0, 0), Start(1, 20)}},
        {"first process of a record", false, P(1), {Ev(0, 0), Start(1, 20), P(1)}},
        {"exit record", false, P(30), {Ev(0, 0), Start(1, 20), P(1), P(2), P(30)}},
        {"state trace", false, St(1), {Ev(0, 0), Start(1, 20), P(1), P(2), P(30), St(1)}},
        {"nested step", true, P(40), {Ev(0, 0), Start(1, 20), P(1), Ev(0, 6), Stop(1), P(40)}},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        HOVCSTC machine =
            OvcStcCreate(kEntry, kExit, kTransitions, kStates, kEvents, &Recorder::Process, &Recorder::Trace);
        ASSERT_NE(machine, nullptr);
        ASSERT_EQ(OvcStcSetTimerInfo(machine, 0, 20, 1), 1);
        ASSERT_EQ(OvcStcSetTimerInfo(machine, 1, 20, 1), 1);
        int deleted = 0;
        auto deleteWhenDue = [&] {
            if (recorder.lines.back() == c.deleteAfter)
                deleted = OvcStcDelete(machine);
        };
        recorder.onTrace = [&](UINT, UINT, UINT) { deleteWhenDue(); };
        recorder.onProcess = [&](UINT number) {
            deleteWhenDue();
            if (c.nested && number == 1)
                OvcStcExecEvent(machine, 6);
        };
        OvcStcExecEvent(machine, 0);
        PumpMessagesFor(150);
        EXPECT_EQ(deleted, 1) << c.where;
        EXPECT_EQ(recorder.lines, c.expected) << c.where;
    }
}

TEST(StcTest, CreateRefusesInvalidArguments) {
    struct Case {
        const char* what;
        const BYTE* entry;
        const BYTE* exit;
        const BYTE* transitions;
        UINT states;
        OVCSTCPROCESSPROC process;
    };
    const Case cases[] = {
        {"null entry table", nullptr, kExit, kTransitions, kStates, &Recorder::Process},
        {"null exit table", kEntry, nullptr, kTransitions, kStates, &Recorder::Process},
        {"null transition table", kEntry, kExit, nullptr, kStates, &Recorder::Process},
        {"no state", kEntry, kExit, kTransitions, 0, &Recorder::Process},
        {"state 0xFFFF would be 'none'", kEntry, kExit, kTransitions, 0x10000, &Recorder::Process},
        {"no process callback", kEntry, kExit, kTransitions, kStates, nullptr},
    };
    for (const Case& c : cases) {
        SetLastError(0xdeadbeef);
        HOVCSTC machine = OvcStcCreate(c.entry, c.exit, c.transitions, c.states, kEvents, c.process, nullptr);
        EXPECT_EQ(machine, nullptr) << c.what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << c.what;
    }
}

TEST(StcTest, WorksWithoutTraceCallback) {
    Recorder recorder;
    HOVCSTC machine =
        OvcStcCreate(kEntry, kExit, kTransitions, kStates, kEvents, &Recorder::Process, nullptr);
    ASSERT_NE(machine, nullptr);
    OvcStcExecEvent(machine, 0);
    EXPECT_EQ(recorder.lines, Lines({P(1), P(2), P(30), P(10)}));
    EXPECT_EQ(OvcStcDelete(machine), 1);
}

TEST(StcTest, RefusesSlotsEventsAndHandlesOutsideTheMachine) {
    Recorder recorder;
    Machine machine;
    ASSERT_NE(machine.handle, nullptr);
    HOVCSTC bogus = reinterpret_cast<HOVCSTC>(static_cast<UINT_PTR>(0x7654321));
    struct Case {
        const char* what;
        int (*call)(HOVCSTC machine);
        HOVCSTC handle;
        DWORD error;
    };
    const Case cases[] = {
        {"slot 4", [](HOVCSTC m) { return OvcStcSetTimerInfo(m, 4, 10, 1); }, machine.handle,
         ERROR_INVALID_PARAMETER},
        {"slot -1", [](HOVCSTC m) { return OvcStcSetTimerInfo(m, UINT(-1), 10, 1); }, machine.handle,
         ERROR_INVALID_PARAMETER},
        {"timer event outside the table", [](HOVCSTC m) { return OvcStcSetTimerInfo(m, 0, 10, kEvents); },
         machine.handle, ERROR_INVALID_PARAMETER},
        {"event outside the table", [](HOVCSTC m) { return OvcStcExecEvent(m, kEvents); }, machine.handle,
         ERROR_INVALID_PARAMETER},
        {"huge event", [](HOVCSTC m) { return OvcStcExecEvent(m, 0xFFFFFFFF); }, machine.handle,
         ERROR_INVALID_PARAMETER},
        {"null machine: event", [](HOVCSTC m) { return OvcStcExecEvent(m, 0); }, nullptr,
         ERROR_INVALID_HANDLE},
        {"null machine: timer", [](HOVCSTC m) { return OvcStcSetTimerInfo(m, 0, 10, 1); }, nullptr,
         ERROR_INVALID_HANDLE},
        {"null machine: delete", [](HOVCSTC m) { return OvcStcDelete(m); }, nullptr, ERROR_INVALID_HANDLE},
        {"unknown machine: event", [](HOVCSTC m) { return OvcStcExecEvent(m, 0); }, bogus,
         ERROR_INVALID_HANDLE},
        {"unknown machine: delete", [](HOVCSTC m) { return OvcStcDelete(m); }, bogus, ERROR_INVALID_HANDLE},
    };
    for (const Case& c : cases) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(c.call(c.handle), 0) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
    EXPECT_TRUE(recorder.lines.empty());
    // The machine is unharmed.
    EXPECT_EQ(OvcStcExecEvent(machine.handle, 0), 1);
    EXPECT_EQ(recorder.lines.back(), P(10));
}

// Without an event count every event is taken as lying in the table, as the caller vouches.
TEST(StcTest, EventCountZeroLeavesEventsToTheCaller) {
    Recorder recorder;
    Machine machine(0);
    ASSERT_NE(machine.handle, nullptr);
    ASSERT_EQ(OvcStcSetTimerInfo(machine.handle, 3, 10, kEvents - 1), 1);
    EXPECT_EQ(OvcStcExecEvent(machine.handle, kEvents - 1), 1);
    EXPECT_EQ(recorder.lines.front(), Ev(0, kEvents - 1));
}

} // namespace
