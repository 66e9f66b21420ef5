// The application's windows run inside the test process, so that the power requests Wine only
// stubs (sleep now, the keep-awake ticks) can be watched through the application's observer.
#include <gtest/gtest.h>

#include "app_state.h"
#include "app_windows.h"
#include "mailslot_catcher.h"
#include "power_requests.h"
#include "test_support.h"

#include <vector>

using namespace dormex_test;

namespace {

struct Request {
    PowerRequest request;
    DWORD argument;
    bool operator==(const Request& other) const {
        return request == other.request && argument == other.argument;
    }
};
std::vector<Request> g_requests;

void Record(PowerRequest request, DWORD argument) {
    g_requests.push_back({request, argument});
}

// Runs the window thread's messages until condition holds.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            return condition();
        },
        timeoutMs);
}

bool Seen(Request request) {
    for (const Request& seen : g_requests) {
        if (seen == request)
            return true;
    }
    return false;
}

void Click(int id) {
    SendMessageA(GetDlgItem(g_settingsDialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(int id) {
    return SendMessageA(GetDlgItem(g_settingsDialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Whether the main window runs the timer; asking removes it, so it is started again.
bool TimerRuns(UINT_PTR timer) {
    if (!KillTimer(g_mainWindow, timer))
        return false;
    SetTimer(g_mainWindow, timer, kKeepAwakePeriodMs, nullptr);
    return true;
}

class AppInProcessTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(StartApplication(GetModuleHandleA(nullptr)));
        ASSERT_NE(nullptr, CreateMainWindow());
        SetPowerRequestObserver(Record);
    }
    static void TearDownTestSuite() {
        SetPowerRequestObserver(nullptr);
        DestroyWindow(g_mainWindow);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        EndApplication();
    }
    void SetUp() override {
        g_requests.clear();
        ASSERT_NE(nullptr, g_settingsDialog);
    }
};

TEST_F(AppInProcessTest, SleepNowAsksForSleepAtOnce) {
    Click(IDC_SLEEP_NOW);
    EXPECT_EQ((std::vector<Request>{{PowerRequest::Sleep, 0}}), g_requests);
}

TEST_F(AppInProcessTest, KeepAwakeTimersFollowTheirBoxesAtOnceEvenOnCancel) {
    const struct {
        int box;
        UINT_PTR timer;
        DWORD flags;
    } switches[] = {{IDC_NO_SLEEP, TIMER_NO_SLEEP, ES_SYSTEM_REQUIRED},
                    {IDC_NO_DSP_OFF, TIMER_NO_DSP_OFF, ES_DISPLAY_REQUIRED}};
    for (const auto& keepAwake : switches) {
        SCOPED_TRACE(keepAwake.box);
        ASSERT_FALSE(TimerRuns(keepAwake.timer));
        Click(keepAwake.box);
        EXPECT_TRUE(TimerRuns(keepAwake.timer));
        // Cancel shows the saved state again but leaves the timer running.
        Click(IDCANCEL);
        EXPECT_FALSE(IsChecked(keepAwake.box));
        EXPECT_TRUE(TimerRuns(keepAwake.timer));
        g_requests.clear();
        SendMessageA(g_mainWindow, WM_TIMER, keepAwake.timer, 0);
        EXPECT_EQ((std::vector<Request>{{PowerRequest::ExecutionState, keepAwake.flags}}), g_requests);
        // Ticked and cleared again by clicks: the timer stops.
        Click(keepAwake.box);
        Click(keepAwake.box);
        EXPECT_FALSE(TimerRuns(keepAwake.timer));
    }
}

TEST_F(AppInProcessTest, NoSleepTicksEveryThirtySeconds) {
    Click(IDC_NO_SLEEP);
    DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([] { return Seen({PowerRequest::ExecutionState, ES_SYSTEM_REQUIRED}); }, 40000));
    EXPECT_GE(GetTickCount() - start, 29000u);
    EXPECT_FALSE(Seen({PowerRequest::ExecutionState, ES_DISPLAY_REQUIRED}));
    Click(IDC_NO_SLEEP);
}

} // namespace
