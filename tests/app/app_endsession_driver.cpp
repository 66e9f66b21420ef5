// Runs only in a throw-away Wine prefix (tools/throwaway-session-test.sh): the actions that really
// shut down or restart the session. A recorder window of another program must receive Wine's
// end-session messages, and the application must end through its own end-session handling.
// The prefix has no audio driver, so the settings dialog also meets an empty device list here.
#include <gtest/gtest.h>

#include "app_driver.h"
#include "child_process.h"
#include "endsession_witness.h"
#include "mailslot_catcher.h"
#include "test_support.h"

using namespace dormex_test;

namespace {

class AppEndSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        RemoveSettingsFile();
        ASSERT_TRUE(log_.Ok());
        ASSERT_TRUE(witness_.Start());
        ASSERT_TRUE(app_.Start());
        ASSERT_TRUE(log_.WaitForLine(kAppMailslotReady, 5000));
    }

    // Wine's end-session round reached the recorder, and the application ended through it.
    void ExpectSessionEnded() {
        EXPECT_TRUE(WaitFor([&] { return witness_.SawSessionEnd(); }, 20000)) << witness_.Record();
        EXPECT_TRUE(app_.WaitExit(20000));
        EXPECT_TRUE(log_.WaitForLine("End of program.", 5000));
        EXPECT_NE("", SettingsValue("MAIN", "WndPosLeft"));
    }

    LogCatcher log_;
    EndSessionWitness witness_;
    AppUnderTest app_;
};

TEST_F(AppEndSessionTest, EmptyDeviceListThenShutdownNow) {
    HWND settings = app_.Settings();
    EXPECT_EQ(0, SendMessageA(GetDlgItem(settings, 1126), CB_GETCOUNT, 0, 0));
    ASSERT_TRUE(app_.ShowSettings());
    Click(settings, 1056); // nothing to play on
    Click(settings, IDOK); // nothing changed: the stored device is kept
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(app_.MainWindow()); }, 3000));
    EXPECT_FALSE(FileExists(SettingsFilePath()));
    EXPECT_TRUE(app_.Running());
    ASSERT_TRUE(app_.ShowSettings());
    PostMessageA(settings, WM_COMMAND, MAKEWPARAM(1031, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(settings, 1031)));
    ExpectSessionEnded();
}

TEST_F(AppEndSessionTest, RebootNow) {
    HWND settings = app_.Settings();
    PostMessageA(settings, WM_COMMAND, MAKEWPARAM(1033, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(settings, 1033)));
    ExpectSessionEnded();
}

TEST_F(AppEndSessionTest, ShutdownCommandFromTheService) {
    ASSERT_TRUE(SendToApp(4, 0x12, 180)); // the parameters do not matter
    EXPECT_TRUE(log_.WaitForLine("Normal Shutdown is executed!", 5000));
    ExpectSessionEnded();
}

} // namespace
