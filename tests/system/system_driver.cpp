// The whole system in a throw-away Wine prefix (tools/throwaway-session-test.sh): installed by the
// setup tool, given a schedule and told to reload as the settings dialog does it, warned about in
// the shutdown minute and shut down normally when the warning ends. The test holds the log
// mailslot and follows each process's lines on the way.
#include <gtest/gtest.h>

#include <stdio.h>

#include "app_driver.h"
#include "program_process.h"
#include "child_process.h"
#include "endsession_witness.h"
#include "mailslot_catcher.h"
#include "process_list.h"
#include "resource.h"
#include "service_harness.h"
#include "test_support.h"
#include "time_support.h"

using namespace dormex_test;

namespace {

const char kServiceName[] = "Dormex_Serv";

// A line of one program's log tag ("SVC", "APP", "DEM", "SUP") with exactly this text.
std::string LineOf(const char* tag, const char* text) {
    return std::string(tag) + ": " + text + "\n";
}

DWORD ServiceState() {
    DWORD state = 0;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager)
        return 0;
    if (SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS)) {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status))
            state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

class WholeSystem : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(log_.Ok()) << log_.Error();
        // A bystander with a window: the normal shutdown must reach every such program.
        ASSERT_TRUE(witness_.Start());
    }

    void TearDown() override {
        if (HasFailure()) {
            for (const std::string& line : log_.Lines())
                printf("log: %s", line.c_str());
        }
        // The session is thrown away after the test; the setup tool still removes what it made.
        ChildProcess setup;
        if (setup.Start(BinDir() + "OrvDx2Setup32.exe", "/Uninstall"))
            setup.WaitExit(30000);
    }

    bool WaitForLine(const char* tag, const char* text, DWORD timeoutMs) {
        return log_.WaitForLine(LineOf(tag, text), timeoutMs);
    }

    size_t CountLines(const char* tag, const char* text) { return log_.CountContaining(LineOf(tag, text)); }

    LogCatcher log_;
    EndSessionWitness witness_;
};

TEST_F(WholeSystem, InstalledDormexWarnsInTheShutdownMinuteAndShutsDownWhenTheWarningEnds) {
    // Installation: the service runs, the watchdog starts the application.
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(BinDir() + "OrvDx2Setup32.exe", "/Install"));
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(setup.WaitExit(60000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(WaitForLine("SUP", "CreateService success", 1000));
    EXPECT_TRUE(WaitFor([] { return ServiceState() == SERVICE_RUNNING; }, 20000)) << ServiceState();
    ASSERT_TRUE(WaitForLine("SVC", "Load setting information.", 20000));
    EXPECT_FALSE(ProcessIdsNamed("OrvDx2Demon32.exe").empty());
    std::vector<DWORD> apps;
    ASSERT_TRUE(WaitFor([&] { return !(apps = ProcessIdsNamed("OrvDx2App32.exe")).empty(); }, 30000));
    ASSERT_EQ(1u, apps.size());
    DWORD appId = apps[0];
    HWND mainWindow = nullptr, settings = nullptr;
    ASSERT_TRUE(WaitForAppWindows(appId, 20000, &mainWindow, &settings));
    ASSERT_TRUE(WaitForLine("APP", kAppMailslotReady, 10000));
    HANDLE app = OpenProcess(SYNCHRONIZE, FALSE, appId);
    ASSERT_NE(nullptr, app) << GetLastError();

    // A schedule in the settings file, and the reload command the settings dialog sends.
    SettingsFile file;
    // A slot counts only when it is more than a minute ahead as the service reloads.
    SYSTEMTIME shutdown = WholeMinuteAhead(70);
    ASSERT_TRUE(file.Save(OneNormalShutdownEveryDay(file, shutdown)));
    size_t loadsBefore = CountLines("SVC", "Load setting information.");
    ASSERT_TRUE(SendToService(CMD_RELOAD));
    EXPECT_TRUE(WaitFor([&] { return CountLines("SVC", "Load setting information.") > loadsBefore; }, 10000));
    EXPECT_TRUE(WaitForLine("SVC", "-> SVM_WAIT_SHUTDOWN", 10000))
        << "the resume time (5 minutes ahead) has passed";

    // The shutdown minute: the service warns, the countdown appears in the application.
    HWND countdown = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (HWND window : ProcessWindows(appId, false)) {
                if (GetDlgItem(window, IDC_WARN_STOP) && IsWindowVisible(window))
                    countdown = window;
            }
            return countdown != nullptr;
        },
        150000));
    SYSTEMTIME warnedAt;
    GetLocalTime(&warnedAt);
    EXPECT_TRUE(SameMinute(shutdown, warnedAt));
    EXPECT_TRUE(WaitForLine("SVC", "-> SVM_WARNNING", 5000));
    EXPECT_NE(0, GetWindowLongA(countdown, GWL_EXSTYLE) & WS_EX_TOPMOST);
    UINT secondsLeft = ReadNumber(countdown, IDC_WARN_SECONDS);
    EXPECT_GE(60u, secondsLeft);
    EXPECT_LT(40u, secondsLeft);

    // The warning ends: the service asks the application, which shuts the session down normally.
    ASSERT_TRUE(WaitForLine("SVC", "-> SVM_SHUTDOWN", 90000));
    EXPECT_TRUE(WaitForLine("APP", "Normal Shutdown is executed!", 10000));
    EXPECT_EQ(0u, CountLines("SVC", "Normal Shutdown is executed!")) << "the application shuts down";
    EXPECT_TRUE(WaitFor([&] { return witness_.SawSessionEnd(); }, 30000)) << witness_.Record();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(app, 30000));
    EXPECT_TRUE(WaitForLine("APP", "End of program.", 5000));
    CloseHandle(app);
}

} // namespace
