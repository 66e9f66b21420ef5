// The real application under Wine, driven as the system and the user drive it: the watchdog's
// start, the icon's callback, clicks and typing in the settings, the service's commands in the
// application mailslot, its answers in the service mailslot and its log lines.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "program_process.h"
#include "mailslot_catcher.h"
#include "test_support.h"

using namespace dormex_test;

namespace {

const char kServMailslot[] = "\\\\.\\mailslot\\OrvDx2\\Serv";
const std::string kReload("\x07\x00\x00\x00", 4);
const std::string kReschedule("\x08\x00\x00\x00", 4);

class AppWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveSettingsFile();
        ASSERT_TRUE(log_.Ok()) << log_.Error();
        ASSERT_TRUE(service_.Ok()) << service_.Error();
    }
    void TearDown() override {
        if (app_.Running()) {
            EXPECT_TRUE(app_.EndByUninstallMutex(5000));
        }
        app_.End();
        RemoveSettingsFile();
    }

    // Starts the application and waits for its mailslot poll to be running.
    void StartApp() {
        ASSERT_TRUE(app_.Start());
        ASSERT_TRUE(log_.WaitForLine(kAppMailslotReady, 5000));
    }

    // Opens a countdown and waits until it is on screen.
    HWND OpenWarning(BYTE forced, WORD seconds) {
        size_t before = app_.WarningDialogs().size();
        EXPECT_TRUE(SendToApp(1, forced, seconds));
        EXPECT_TRUE(WaitFor([&] { return app_.WarningDialogs().size() == before + 1; }, 5000));
        std::vector<HWND> dialogs = app_.WarningDialogs();
        return dialogs.empty() ? nullptr : dialogs.front();
    }

    LogCatcher log_;
    MailslotCatcher service_{kServMailslot};
    AppUnderTest app_;
};

TEST_F(AppWindowTest, SecondInstanceExitsWithZeroBeforeAnyWindow) {
    StartApp();
    AppUnderTest second;
    ASSERT_TRUE(second.Launch());
    bool sawWindow = false;
    DWORD exitCode = 0xdeadbeef;
    ASSERT_TRUE(WaitFor(
        [&] {
            sawWindow = sawWindow || !ProcessWindows(second.Id(), false).empty();
            return second.WaitExit(0, &exitCode);
        },
        10000));
    EXPECT_EQ(0u, exitCode);
    EXPECT_FALSE(sawWindow);
    EXPECT_TRUE(app_.Running());
    EXPECT_EQ(app_.MainWindow(), FindWindowA("CDx2Dormex", nullptr));
    EXPECT_TRUE(IsWindow(app_.Settings()));
}

TEST_F(AppWindowTest, UninstallMutexEndsItWithinASecondSavingThePosition) {
    StartApp();
    ASSERT_TRUE(app_.ShowSettings());
    ASSERT_TRUE(SetWindowPos(app_.MainWindow(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    ASSERT_NE(nullptr, uninstall);
    DWORD start = GetTickCount();
    DWORD exitCode = 0xdeadbeef;
    bool ended = app_.WaitExit(3000, &exitCode);
    DWORD took = GetTickCount() - start;
    CloseHandle(uninstall);
    ASSERT_TRUE(ended);
    EXPECT_LT(took, 1600u);
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(log_.WaitForLine("End of program.", 2000));
    EXPECT_EQ("200", SettingsValue("MAIN", "WndPosLeft"));
    EXPECT_EQ("150", SettingsValue("MAIN", "WndPosTop"));
    EXPECT_EQ(nullptr, FindWindowA("CDx2Dormex", nullptr));
}

TEST_F(AppWindowTest, OnlyALeftPressOnTheIconShowsTheSettings) {
    StartApp();
    HWND main = app_.MainWindow();
    EXPECT_FALSE(IsWindowVisible(main));
    const LPARAM ignored[] = {WM_RBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDBLCLK};
    for (LPARAM notification : ignored) {
        SendMessageA(main, WM_USER + 100, 1, notification);
        EXPECT_FALSE(IsWindowVisible(main)) << notification;
    }
    SendMessageA(main, WM_USER + 100, 2, WM_LBUTTONDOWN); // not our icon id
    EXPECT_FALSE(IsWindowVisible(main));
    ASSERT_TRUE(app_.ShowSettings());
    // The main window's client area holds the dialog exactly.
    RECT client, dialog;
    GetClientRect(main, &client);
    GetWindowRect(app_.Settings(), &dialog);
    EXPECT_EQ(dialog.right - dialog.left, client.right);
    EXPECT_EQ(dialog.bottom - dialog.top, client.bottom);
}

TEST_F(AppWindowTest, OkWithoutChangesWritesAndSendsNothing) {
    // Stored as the dialog shows them: the device list's first device is selected.
    ASSERT_TRUE(WriteSettingsFile("[SETINFO]\r\nSoundDevIx=0\r\nSoundDevName=Out: default\r\n"));
    std::string before = ReadFileBytes(SettingsFilePath());
    StartApp();
    HWND warning = OpenWarning(0, 600);
    ASSERT_TRUE(app_.ShowSettings());
    Click(app_.Settings(), IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(app_.MainWindow()); }, 2000));
    EXPECT_EQ(before, ReadFileBytes(SettingsFilePath()));
    EXPECT_TRUE(IsWindow(warning));
    // A change afterwards is the first and only thing the service hears of.
    ASSERT_TRUE(app_.ShowSettings());
    Click(app_.Settings(), 1035);
    Click(app_.Settings(), IDOK);
    ASSERT_TRUE(service_.WaitForCount(1, 3000));
    EXPECT_EQ(std::vector<std::string>{kReload}, service_.Payloads());
    EXPECT_EQ(1u, log_.CountContaining("Save setting information."));
}

TEST_F(AppWindowTest, OkAfterAnyChangeSavesClosesTheCountdownsAndSendsOneReload) {
    struct Change {
        const char* name;
        void (*make)(HWND settings);
        const char* key;
        const char* stored;
    };
    const Change changes[] = {
        {"week day", [](HWND s) { Click(s, 1035); }, "WeekDay0", "0"},
        {"hour typed", [](HWND s) { TypeNumber(s, 1009, "7"); }, "sdt_hour3", "7"},
        {"interval typed", [](HWND s) { TypeNumber(s, 1014, "15"); }, "interval", "15"},
        {"No Sleep", [](HWND s) { Click(s, 1143); }, "fNoSleep", "1"},
        {"schedule off", [](HWND s) { Click(s, 1034); }, "fSchedShutdown", "0"},
    };
    StartApp();
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        service_.Clear();
        OpenWarning(0, 600);
        OpenWarning(1, 300);
        ASSERT_EQ(2u, app_.WarningDialogs().size());
        ASSERT_TRUE(app_.ShowSettings());
        change.make(app_.Settings());
        Click(app_.Settings(), IDOK);
        ASSERT_TRUE(service_.WaitForCount(1, 3000));
        EXPECT_EQ(change.stored, SettingsValue("SETINFO", change.key));
        EXPECT_TRUE(app_.WarningDialogs().empty());
        EXPECT_FALSE(IsWindowVisible(app_.MainWindow()));
        // The same OK again has nothing new to say.
        ASSERT_TRUE(app_.ShowSettings());
        Click(app_.Settings(), IDOK);
        EXPECT_FALSE(service_.WaitForCount(2, 1500));
        EXPECT_EQ(std::vector<std::string>{kReload}, service_.Payloads());
    }
}

TEST_F(AppWindowTest, CancelRestoresTheControlsAndTheirEnabling) {
    StartApp();
    HWND s = app_.Settings();
    ASSERT_TRUE(app_.ShowSettings());
    TypeNumber(s, 1009, "5");
    TypeNumber(s, 1020, "33");
    Click(s, 1036);
    Click(s, 1022);
    Click(s, 1034); // schedule off: everything inside the frame greyed
    ASSERT_FALSE(IsEnabled(s, 1009));
    Click(s, IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(app_.MainWindow()); }, 2000));
    EXPECT_EQ(23u, ReadNumber(s, 1009));
    EXPECT_EQ(80u, ReadNumber(s, 1020));
    EXPECT_TRUE(IsChecked(s, 1036));
    EXPECT_FALSE(IsChecked(s, 1022));
    EXPECT_TRUE(IsChecked(s, 1034));
    EXPECT_TRUE(IsEnabled(s, 1009));
    EXPECT_TRUE(IsEnabled(s, 1014));
    EXPECT_FALSE(IsEnabled(s, 1006)); // row 1 is not in use
    EXPECT_FALSE(FileExists(SettingsFilePath()));
    EXPECT_FALSE(service_.WaitForCount(1, 1200));
}

TEST_F(AppWindowTest, ScheduleSwitchAndRowRules) {
    StartApp();
    HWND s = app_.Settings();
    const int rowFields[4][3] = {
        {1006, 1010, 1022}, {1007, 1011, 1023}, {1008, 1012, 1024}, {1009, 1013, 1025}};
    // Defaults: only row 4 is in use.
    for (int row = 0; row < 4; ++row) {
        for (int id : rowFields[row])
            EXPECT_EQ(row == 3, IsEnabled(s, id)) << id;
        EXPECT_TRUE(IsEnabled(s, 1002 + row));
    }
    const int scheduleControls[] = {1002, 1014, 1035, 1041, 1044, 1126, 1020, 1056, 1019, 1125, 1048};
    const int outside[] = {1034, 1143, 1144, 1031, 1032, 1033, IDOK, IDCANCEL};
    Click(s, 1034);
    for (int id : scheduleControls)
        EXPECT_FALSE(IsEnabled(s, id)) << id;
    for (int id : rowFields[3])
        EXPECT_FALSE(IsEnabled(s, id)) << id;
    for (int id : outside)
        EXPECT_TRUE(IsEnabled(s, id)) << id;
    EXPECT_EQ(23u, ReadNumber(s, 1009)); // values kept
    Click(s, 1034);
    for (int id : scheduleControls)
        EXPECT_TRUE(IsEnabled(s, id)) << id;
    for (int row = 0; row < 4; ++row) {
        for (int id : rowFields[row])
            EXPECT_EQ(row == 3, IsEnabled(s, id)) << id;
    }
    Click(s, 1003);
    for (int id : rowFields[1])
        EXPECT_TRUE(IsEnabled(s, id)) << id;
    Click(s, 1005);
    for (int id : rowFields[3])
        EXPECT_FALSE(IsEnabled(s, id)) << id;
    EXPECT_EQ(23u, ReadNumber(s, 1009));
}

TEST_F(AppWindowTest, StopButtonSendsExactlyOneReschedule) {
    StartApp();
    HWND warning = OpenWarning(0, 120);
    ASSERT_NE(nullptr, warning);
    Click(warning, 1017);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(warning); }, 2000));
    ASSERT_TRUE(service_.WaitForCount(1, 2000));
    EXPECT_FALSE(service_.WaitForCount(2, 1500));
    EXPECT_EQ(std::vector<std::string>{kReschedule}, service_.Payloads());
}

TEST_F(AppWindowTest, TwoWarningsShareTheNewerDeadlineAndRunningOutSendsNothing) {
    StartApp();
    HWND older = OpenWarning(0, 600);
    HWND newer = OpenWarning(0, 3);
    ASSERT_NE(older, newer);
    EXPECT_LE(ReadNumber(newer, 1016), 3u);
    // Both count down to the newer deadline and close about a second after showing 0.
    EXPECT_TRUE(WaitFor([&] { return ReadNumber(older, 1016) <= 3; }, 2500));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(older) && !IsWindow(newer); }, 7000));
    EXPECT_FALSE(service_.WaitForCount(1, 500));
}

TEST_F(AppWindowTest, ACountdownOfZeroSecondsShowsZeroAndCloses) {
    StartApp();
    HWND warning = OpenWarning(1, 0);
    ASSERT_NE(nullptr, warning);
    EXPECT_EQ(0u, ReadNumber(warning, 1016));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(warning); }, 3500));
}

TEST_F(AppWindowTest, SessionChangesMoveTheMailslotAndLog) {
    StartApp();
    HWND main = app_.MainWindow();
    PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 1);
    EXPECT_TRUE(log_.WaitForLine("WTS_SESSION_LOCK", 3000));
    PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 1);
    EXPECT_TRUE(log_.WaitForLine("WTS_SESSION_UNLOCK", 3000));
    PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_CONSOLE_DISCONNECT, 1);
    EXPECT_TRUE(log_.WaitForLine("My mail slot is closed.", 3000));
    EXPECT_EQ(1u, log_.CountContaining("WTS_CONSOLE_DISCONNECT"));
    EXPECT_FALSE(SendToApp(1, 0, 60));                               // lost while disconnected
    PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, 1); // any other code: nothing
    PostMessageA(main, WM_WTSSESSION_CHANGE, WTS_CONSOLE_CONNECT, 1);
    EXPECT_TRUE(log_.WaitForLine("WTS_CONSOLE_CONNECT", 3000));
    EXPECT_TRUE(WaitFor([&] { return log_.CountContaining("creation success") == 2; }, 3000));
    EXPECT_NE(nullptr, OpenWarning(0, 60));
    EXPECT_TRUE(app_.Running());
}

TEST_F(AppWindowTest, EndSessionSavesThePositionAndEndsOnlyWhenTheSessionEnds) {
    StartApp();
    HWND main = app_.MainWindow();
    ASSERT_TRUE(SetWindowPos(main, nullptr, 123, 77, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    SendMessageA(main, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ("123", SettingsValue("MAIN", "WndPosLeft"));
    EXPECT_TRUE(app_.Running());
    EXPECT_EQ(0u, log_.CountContaining("End of program."));
    ASSERT_TRUE(SetWindowPos(main, nullptr, 140, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    PostMessageA(main, WM_ENDSESSION, TRUE, 0);
    DWORD exitCode = 0xdeadbeef;
    EXPECT_TRUE(app_.WaitExit(5000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(log_.WaitForLine("End of program.", 2000));
    EXPECT_EQ("140", SettingsValue("MAIN", "WndPosLeft"));
}

TEST_F(AppWindowTest, UnknownCommandCodesAreConsumedWithoutEffect) {
    StartApp();
    const BYTE codes[] = {0, 3, 5, 6, 7, 8, 9, 200};
    for (BYTE code : codes)
        ASSERT_TRUE(SendToApp(code, 1, 180));
    ASSERT_TRUE(SendToApp(1, 0, 60));
    // One word per second: the warning comes after every other word was taken.
    EXPECT_TRUE(WaitFor([&] { return app_.WarningDialogs().size() == 1; }, 15000));
    EXPECT_EQ(9u, log_.CountContaining("Received Command"));
    EXPECT_TRUE(app_.Running());
    EXPECT_EQ(0u, service_.Count());
    EXPECT_EQ(0u, log_.CountContaining("Shutdown"));
}

TEST_F(AppWindowTest, SettingsBeyondTheDialogsRangesShowInRangeAndOkStoresThem) {
    ASSERT_TRUE(WriteSettingsFile("[SETINFO]\r\nsdt_hour3=99\r\nsdt_minute3=75\r\nSoundVolume=500\r\n"
                                  "interval=0\r\nPCResumeTime=0\r\nSoundDevIx=40\r\nSoundDevName=Gone\r\n"));
    StartApp();
    HWND s = app_.Settings();
    EXPECT_EQ(23u, ReadNumber(s, 1009));
    EXPECT_EQ(59u, ReadNumber(s, 1013));
    EXPECT_EQ(100u, ReadNumber(s, 1020));
    EXPECT_EQ(2u, ReadNumber(s, 1014));
    EXPECT_EQ(1u, ReadNumber(s, 1019));
    HWND devices = GetDlgItem(s, 1126);
    ASSERT_GE(SendMessageA(devices, CB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(0, SendMessageA(devices, CB_GETCURSEL, 0, 0));
    std::string first = ControlText(s, 1126);
    EXPECT_NE("", first);
    ASSERT_TRUE(app_.ShowSettings());
    Click(s, IDOK);
    ASSERT_TRUE(service_.WaitForCount(1, 3000));
    EXPECT_EQ(std::vector<std::string>{kReload}, service_.Payloads());
    EXPECT_EQ("23", SettingsValue("SETINFO", "sdt_hour3"));
    EXPECT_EQ("59", SettingsValue("SETINFO", "sdt_minute3"));
    EXPECT_EQ("100", SettingsValue("SETINFO", "SoundVolume"));
    EXPECT_EQ("2", SettingsValue("SETINFO", "interval"));
    EXPECT_EQ("1", SettingsValue("SETINFO", "PCResumeTime"));
    EXPECT_EQ("0", SettingsValue("SETINFO", "SoundDevIx"));
    EXPECT_EQ(first, SettingsValue("SETINFO", "SoundDevName"));
}

TEST_F(AppWindowTest, AShorterDeviceNameLeavesNoStaleBytesBehind) {
    // The stored name is longer than the device's: after OK the record matches its saved copy, so
    // a second OK is no change.
    ASSERT_TRUE(WriteSettingsFile("[SETINFO]\r\nSoundDevIx=0\r\nSoundDevName=A very long device name that "
                                  "is gone\r\n"));
    StartApp();
    ASSERT_TRUE(app_.ShowSettings());
    Click(app_.Settings(), IDOK);
    ASSERT_TRUE(service_.WaitForCount(1, 3000));
    ASSERT_TRUE(app_.ShowSettings());
    Click(app_.Settings(), IDOK);
    EXPECT_FALSE(service_.WaitForCount(2, 1500));
    EXPECT_EQ(1u, log_.CountContaining("Save setting information."));
}

TEST_F(AppWindowTest, APositionOnAMonitorThatIsGoneComesBackOnScreen) {
    ASSERT_TRUE(WriteSettingsFile("[MAIN]\r\nWndPosLeft=5000\r\nWndPosTop=4000\r\nWndPosRight=5300\r\n"
                                  "WndPosBottom=4500\r\nWndPosMaximized=0\r\n"));
    StartApp();
    ASSERT_TRUE(app_.ShowSettings());
    RECT window;
    ASSERT_TRUE(GetWindowRect(app_.MainWindow(), &window));
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_GE(window.left, screen.left);
    EXPECT_GE(window.top, screen.top);
    EXPECT_LE(window.right, screen.right);
    EXPECT_LE(window.bottom, screen.bottom);
}

TEST_F(AppWindowTest, PlayTestPlaysOnTheShownDeviceAtTheShownVolume) {
    const char* capture = getenv("DORMEX_SOUND_CAPTURE");
    if (!capture)
        GTEST_SKIP() << "no sound capture in this session";
    std::string capturePath = std::string("Z:") + capture;
    StartApp();
    HWND s = app_.Settings();
    ASSERT_TRUE(app_.ShowSettings());
    auto playAndCapture = [&](const char* volume) {
        DeleteFileA(capturePath.c_str());
        TypeNumber(s, 1020, volume);
        Click(s, 1056);
        std::string last;
        // Playing ends when the file stops growing.
        WaitFor(
            [&] {
                std::string now = ReadFileBytes(capturePath);
                bool settled = now.size() > 8192 && now.size() == last.size();
                last = now;
                if (!settled)
                    Sleep(200);
                return settled;
            },
            15000);
        return last;
    };
    auto silent = [](const std::string& bytes) {
        for (char byte : bytes) {
            if (byte != 0 && static_cast<unsigned char>(byte) != 0x80)
                return false;
        }
        return true;
    };
    std::string loud = playAndCapture("100");
    ASSERT_GT(loud.size(), 8192u);
    EXPECT_FALSE(silent(loud));
    std::string quiet = playAndCapture("0");
    ASSERT_GT(quiet.size(), 8192u);
    EXPECT_TRUE(silent(quiet));
}

} // namespace
