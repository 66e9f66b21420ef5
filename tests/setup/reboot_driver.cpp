// Runs only in a throw-away Wine prefix (tools/throwaway-session-test.sh): the reboot program
// asks, and restarts Windows only on "Yes". A recorder window of another program tells whether
// Wine's end-session round took place.
#include "child_process.h"
#include "endsession_witness.h"
#include "program_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace dormex_test;

namespace {

class RebootProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(witness_.Start());
        ASSERT_TRUE(reboot_.Start(BinDir() + "OrvDx2ReBoot32.exe", ""));
        box_ = WaitForProcessWindow(reboot_.Id(), "#32770", "Dormex", 10000);
        ASSERT_NE(nullptr, box_) << "the reboot program asks";
    }

    EndSessionWitness witness_;
    ChildProcess reboot_;
    HWND box_ = nullptr;
};

TEST_F(RebootProgramTest, NoLeavesWindowsRunning) {
    std::string text = MessageBoxText(box_);
    EXPECT_NE(std::string::npos, text.find("Dormex has been removed.")) << text;
    EXPECT_NE(std::string::npos, text.find("Restart the computer now?")) << text;
    PostMessageA(box_, WM_COMMAND, IDNO, 0);
    DWORD code = 0xDEADBEEF;
    EXPECT_TRUE(reboot_.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(WaitFor([&] { return witness_.SawQuery(); }, 3000)) << witness_.Record();
    EXPECT_TRUE(witness_.Running());
}

TEST_F(RebootProgramTest, YesRestartsWindows) {
    PostMessageA(box_, WM_COMMAND, IDYES, 0);
    EXPECT_TRUE(WaitFor([&] { return witness_.SawSessionEnd(); }, 20000)) << witness_.Record();
}

// With the service registered the program says Dormex was installed.
TEST(RebootProgramInstalledTest, SaysInstalledWhileTheServiceExists) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager);
    std::string path = "\"" + BinDir() + "OrvDx2Serv32.exe\"";
    SC_HANDLE service = CreateServiceA(manager, "Dormex_Serv", "Dormex service", SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, service) << GetLastError();
    ChildProcess reboot;
    ASSERT_TRUE(reboot.Start(BinDir() + "OrvDx2ReBoot32.exe", ""));
    HWND box = WaitForProcessWindow(reboot.Id(), "#32770", "Dormex", 10000);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(std::string::npos, MessageBoxText(box).find("Dormex has been installed."))
        << MessageBoxText(box);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    EXPECT_TRUE(reboot.WaitExit(5000));
    DeleteService(service);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

} // namespace
