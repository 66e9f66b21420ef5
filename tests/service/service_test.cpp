// The real service under the service control manager of the test session: start, controls,
// stop, failed starts, bad input. The settings keep the schedule off, so the service never shuts
// the session down.
#include <gtest/gtest.h>

#include <algorithm>

#include "OrvCtl.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "program_process.h"
#include "service_harness.h"
#include "test_support.h"

using namespace dormex_test;

namespace {

const DWORD kAll = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;

class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(log.Ok()) << log.Error();
        ASSERT_TRUE(service.Ok()) << GetLastError();
        ASSERT_TRUE(settings.Save(IdleSettings(settings)));
    }
    std::vector<std::string> Lines() const { return ServiceLines(log.Lines()); }
    size_t Count(const std::string& text) const {
        std::vector<std::string> lines = Lines();
        return std::count(lines.begin(), lines.end(), text);
    }
    bool WaitForCount(const std::string& text, size_t count, DWORD timeoutMs = 5000) const {
        return WaitFor([&] { return Count(text) >= count; }, timeoutMs);
    }
    void StartRunning() {
        ASSERT_TRUE(service.Start()) << GetLastError();
        SERVICE_STATUS status;
        ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000, &status)) << status.dwCurrentState;
        EXPECT_EQ(kAll, status.dwControlsAccepted);
        ASSERT_TRUE(WaitForCount("-> SVM_IDLE", 1));
    }
    // Sends a control and checks the status ControlService gives back.
    void ExpectControl(DWORD control, DWORD state, const char* logText) {
        size_t before = Count(logText);
        SERVICE_STATUS status = {};
        SetLastError(0xdeadbeef);
        ASSERT_TRUE(service.Control(control, &status)) << control << ": " << GetLastError();
        EXPECT_EQ(state, status.dwCurrentState) << control;
        EXPECT_EQ(kAll, status.dwControlsAccepted) << control;
        EXPECT_TRUE(WaitForCount(logText, before + 1)) << logText;
    }

    LogCatcher log;
    SettingsFile settings;
    TestService service;
};

} // namespace

TEST_F(ServiceTest, StartsControlsAndStops) {
    StartRunning();
    EXPECT_TRUE(InOrder(Lines(),
                        {"RegisterServiceCtrlHandler success",
                         "My mail slot(\\\\.\\mailslot\\OrvDx2\\Serv) creation success",
                         "CreateMutex success", "CreateWaitableTimer success", "ServiceMain Start ...",
                         "SendStatusToSCM(1) success", "CreateEvent success", "SendStatusToSCM(2) success",
                         "SendStatusToSCM(3) success", "InitService success", "SendStatusToSCM(4) success"}));
    EXPECT_TRUE(InOrder(Lines(), {"Load setting information.", "No shutdown time.", "-> SVM_IDLE"}));

    ExpectControl(SERVICE_CONTROL_INTERROGATE, SERVICE_RUNNING, "Dispatched SERVICE_CONTROL_INTERROGATE");
    ExpectControl(128, SERVICE_RUNNING, "Dispatched Others...");
    ExpectControl(SERVICE_CONTROL_CONTINUE, SERVICE_RUNNING, "Dispatched SERVICE_CONTROL_CONTINUE");

    ExpectControl(SERVICE_CONTROL_PAUSE, SERVICE_PAUSED, "Dispatched SERVICE_CONTROL_PAUSE");
    EXPECT_EQ(static_cast<DWORD>(SERVICE_PAUSED), service.Query().dwCurrentState);
    ExpectControl(SERVICE_CONTROL_PAUSE, SERVICE_PAUSED, "Dispatched SERVICE_CONTROL_PAUSE");
    ExpectControl(SERVICE_CONTROL_INTERROGATE, SERVICE_PAUSED, "Dispatched SERVICE_CONTROL_INTERROGATE");

    // Parked: a command waits in the mailslot until CONTINUE.
    ASSERT_TRUE(SendToService(CMD_RESCHEDULE));
    EXPECT_FALSE(WaitForCount("No shutdown time.", 2, 2500)) << "the supervisor ran while paused";
    ExpectControl(SERVICE_CONTROL_CONTINUE, SERVICE_RUNNING, "Dispatched SERVICE_CONTROL_CONTINUE");
    EXPECT_TRUE(WaitForCount("No shutdown time.", 2));

    SERVICE_STATUS status = {};
    ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), status.dwCurrentState);
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000, &status));
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), status.dwWin32ExitCode);
    EXPECT_TRUE(InOrder(Lines(), {"Dispatched SERVICE_CONTROL_STOP", "ServiceMain Terminated ...",
                                  "My mail slot is closed."}));
    // The mailslot name is free again.
    MailslotCatcher serv(MAILSLOT_SERV);
    EXPECT_TRUE(serv.Ok()) << serv.Error();
}

TEST_F(ServiceTest, StopWhilePaused) {
    StartRunning();
    ExpectControl(SERVICE_CONTROL_PAUSE, SERVICE_PAUSED, "Dispatched SERVICE_CONTROL_PAUSE");
    SERVICE_STATUS status = {};
    ASSERT_TRUE(service.Control(SERVICE_CONTROL_STOP, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), status.dwCurrentState);
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000, &status));
    EXPECT_EQ(static_cast<DWORD>(NO_ERROR), status.dwWin32ExitCode);
    EXPECT_TRUE(InOrder(Lines(), {"ServiceMain Terminated ...", "My mail slot is closed."}));
    EXPECT_EQ(0u, Count("SupervisorThread did not stop in time"));
}

TEST_F(ServiceTest, MailslotNameTakenStopsTheStartWithItsErrorCode) {
    MailslotCatcher taken(MAILSLOT_SERV);
    ASSERT_TRUE(taken.Ok()) << taken.Error();
    // Wine's StartService reports the start that stopped at once as ERROR_SERVICE_REQUEST_TIMEOUT.
    SetLastError(0xdeadbeef);
    if (!service.Start()) {
        EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), GetLastError());
    }
    SERVICE_STATUS status = {};
    ASSERT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000, &status)) << status.dwCurrentState;
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), status.dwWin32ExitCode);
    EXPECT_TRUE(InOrder(Lines(), {"RegisterServiceCtrlHandler success",
                                  "My mail slot(\\\\.\\mailslot\\OrvDx2\\Serv) creation failure"}));
    EXPECT_EQ(0u, Count("ServiceMain Start ..."));
}

TEST_F(ServiceTest, BadCommandWordsAreDroppedAndTheServiceGoesOn) {
    StartRunning();
    const std::string messages[] = {
        std::string("\x42\x01\x02\x03", 4),             // unknown code
        std::string("\x08\x00", 2),                     // short: dropped
        std::string(),                                  // empty
        std::string("\x99") + std::string(299, '\x07'), // long, unknown code in front
        std::string("\x05\x00\x00\x00", 4),             // CMD_SAVE_STARTED: ignored in SVM_IDLE
        std::string("\x06\x00\x00\x00", 4),             // CMD_SAVE_ENDED: ignored in SVM_IDLE
    };
    for (const std::string& message : messages)
        ASSERT_TRUE(SendToService(message));
    ASSERT_TRUE(SendToService(CMD_RESCHEDULE));
    EXPECT_TRUE(WaitForCount("-> SVM_IDLE", 2, 15000));
    EXPECT_TRUE(InOrder(
        Lines(), {"Received Command cmd=0x42, Param=1, 770", "Received Command cmd=0x99, Param=7, 1799",
                  "Received Command cmd=0x05, Param=0, 0", "Received Command cmd=0x06, Param=0, 0",
                  "Received Command cmd=0x08, Param=0, 0", "No shutdown time."}));
    EXPECT_EQ(2u, Count("-> SVM_IDLE")) << "only the reschedule changed the state";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), service.Query().dwCurrentState);
}

TEST_F(ServiceTest, AbsurdSettingsScheduleAsTheyStand) {
    SetInfo info = settings.Defaults();
    info.sdt[3] = ShutdownSlot{1, 99, 500, 1};
    info.interval = 100000;
    info.SoundVolume = 500;
    info.fSound60 = 1;
    ASSERT_TRUE(settings.Save(info));
    // Hour 99 and minute 500 lie four days ahead of every day: the same time from here.
    SYSTEMTIME shutdown;
    ASSERT_TRUE(GetShutdownTime(&info, &shutdown, nullptr, nullptr));
    SYSTEMTIME resume;
    OvcTimeUpdate(&shutdown, &resume, -5 * 60);
    char expected[64];
    snprintf(expected, sizeof expected, "Set resume time %04d/%02d/%02d %02d:%02d", resume.wYear,
             resume.wMonth, resume.wDay, resume.wHour, resume.wMinute);

    ASSERT_TRUE(service.Start()) << GetLastError();
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
    ASSERT_TRUE(WaitForCount("-> SVM_WAIT_RESUME", 1));
    EXPECT_TRUE(InOrder(Lines(), {"Load setting information.", expected, "-> SVM_WAIT_RESUME"}));
    ASSERT_TRUE(SendToService(CMD_RELOAD));
    EXPECT_TRUE(WaitForCount("-> SVM_WAIT_RESUME", 2));
    EXPECT_TRUE(service.Stop());
}

// Started by hand, the dispatcher cannot connect (Wine gives up after about 10 s).
TEST(ServiceByHand, ShowsTheRegistrationFailureAndExitsWithItsCode) {
    ChildProcess program;
    ASSERT_TRUE(program.Start(BinDir() + "OrvDx2Serv32.exe", "")) << GetLastError();
    HWND box = WaitForProcessWindow(program.Id(), "#32770", "Dormex2", 30000);
    ASSERT_NE(nullptr, box);
    std::string text = MessageBoxText(box);
    char expectedText[512] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FAILED_SERVICE_CONTROLLER_CONNECT, 0, expectedText, sizeof expectedText, nullptr);
    std::string systemText = expectedText;
    systemText = systemText.substr(0, systemText.find('\n'));
    EXPECT_EQ("Service registration falure. err = 1063 (" + systemText + ")", text);
    EXPECT_EQ(static_cast<LONG_PTR>(0), GetWindowLongPtrA(box, GWLP_HWNDPARENT)) << "no owner";

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    DWORD exitCode = 0;
    ASSERT_TRUE(program.WaitExit(10000, &exitCode));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT), exitCode);
}
