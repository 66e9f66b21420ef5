// CMD_SAVE_DOCS and CMD_SAVE_ABORT through the real application: the run is framed towards the
// service, a second request during a run is not a second run, an abort closes the run within
// about a second, and a warning sent during a run is not lost.
#include "app_driver.h"
#include "program_process.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "test_support.h"

#include <OrvDl2SubFuncs.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dormex_test;

namespace {

const std::string kStarted("\x05\x00\x00\x00", 4);
const std::string kEnded("\x06\x00\x00\x00", 4);

class SaveCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(log_.Ok()) << log_.Error();
        ASSERT_TRUE(service_.Ok()) << service_.Error();
        title_ =
            "SaveCommand-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
        // The Save-As dialog never comes and the run would wait a minute for it.
        ASSERT_TRUE(
            WriteSettingsFile("[SETINFO]\r\nApi_fValid00=1\r\nApi_fTrySaveAs00=1\r\nApi_AppStr00=" + title_ +
                              "\r\nApi_SaveAsStr00=Save As - " + title_ + "\r\nSaveDir=" + scratch_.Path() +
                              "\r\n[TIMER]\r\nTmCyc=100\r\nTmSrtSaveAs=60000\r\n"));
        ASSERT_TRUE(doc_.Start(TestProgram("docapp.exe"), "\"/title:" + title_ + "\" /nodialog"));
        ASSERT_TRUE(WaitFor([&] { return FindTopLevelOfProcess(doc_.Id(), title_ + " - DocApp") != nullptr; },
                            10000));
        ASSERT_TRUE(app_.Start());
        ASSERT_TRUE(log_.WaitForLine(kAppMailslotReady, 5000));
    }
    void TearDown() override {
        app_.End();
        RemoveSettingsFile();
    }

    // The visible progress dialog of the application, or null.
    HWND ProgressDialog() const {
        for (HWND window : ProcessWindows(app_.Id(), false))
            if (IsWindowVisible(window) && GetDlgItem(window, 1030) && GetDlgItem(window, IDCANCEL) &&
                WindowText(window).empty())
                return window;
        return nullptr;
    }

    ScratchDir scratch_;
    std::string title_;
    LogCatcher log_;
    MailslotCatcher service_{MAILSLOT_SERV};
    ChildProcess doc_;
    AppUnderTest app_;
};

TEST_F(SaveCommandTest, EveryCommandDuringARunReachesItsCodeAndAnAbortEndsTheRunWithinASecond) {
    ASSERT_TRUE(SendToApp(CMD_SAVE_DOCS, 0, 0));
    ASSERT_TRUE(service_.WaitForCount(1, 5000));
    EXPECT_EQ(kStarted, service_.Payloads()[0]);
    // The run has taken the document window up and waits for its Save-As dialog.
    ASSERT_TRUE(log_.WaitForLine("SaveAct - sts changed --> 1", 10000));
    HWND progress = ProgressDialog();
    ASSERT_TRUE(progress);

    ASSERT_TRUE(SendToApp(CMD_SAVE_DOCS, 0, 0));
    EXPECT_TRUE(
        log_.WaitForLine("SaveAct - A preservation is running already; CMD_SAVE_DOCS is ignored.", 5000));

    ASSERT_TRUE(SendToApp(CMD_WARNING, 0, 300));
    EXPECT_TRUE(WaitFor([&] { return !app_.WarningDialogs().empty(); }, 5000)) << "the warning is not lost";
    EXPECT_TRUE(IsWindow(progress));

    DWORD sent = GetTickCount();
    ASSERT_TRUE(SendToApp(CMD_SAVE_ABORT, 0, 0));
    ASSERT_TRUE(service_.WaitForCount(2, 5000));
    DWORD took = service_.Messages()[1].tick - sent;
    EXPECT_LE(took, 2000u) << "the abort closes the run within about a second";
    EXPECT_EQ(kEnded, service_.Payloads()[1]);
    EXPECT_FALSE(IsWindow(progress));
    EXPECT_TRUE(log_.WaitForLine("SaveAct - CMD_SAVE_ABORT: the preservation is closed.", 2000));
    EXPECT_TRUE(doc_.Running()) << "the document application is left as it is";

    ASSERT_TRUE(SendToApp(CMD_SAVE_ABORT, 0, 0));
    EXPECT_TRUE(log_.WaitForLine("SaveAct - No preservation is running; CMD_SAVE_ABORT is ignored.", 5000));
    EXPECT_EQ(2u, service_.Count()) << "one run, framed once; no reschedule";
    EXPECT_TRUE(app_.Running());
}

TEST_F(SaveCommandTest, ARunWithNothingToSaveIsFramedTowardsTheService) {
    doc_.End();
    ASSERT_TRUE(SendToApp(CMD_SAVE_DOCS, 0, 0));
    ASSERT_TRUE(service_.WaitForCount(2, 10000));
    EXPECT_EQ(kStarted, service_.Payloads()[0]);
    EXPECT_EQ(kEnded, service_.Payloads()[1]);
    DWORD runMs = service_.Messages()[1].tick - service_.Messages()[0].tick;
    EXPECT_GE(runMs, 1900u);
    EXPECT_LE(runMs, 4000u);
    EXPECT_TRUE(log_.WaitForLine("SaveAct - sts = 0, evt = 2", 2000));
}

} // namespace
