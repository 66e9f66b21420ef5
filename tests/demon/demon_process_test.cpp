// The real watchdog with the real application, in the test's Wine session.
#include "OrvCtl.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "process_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

using dormex_test::BinDir;
using dormex_test::ChildProcess;
using dormex_test::EndProcessesNamed;
using dormex_test::kAppFileName;
using dormex_test::kDemonFileName;
using dormex_test::LogCatcher;
using dormex_test::WaitFor;

namespace {

bool AppWindowExists() {
    return FindWindowA("CDx2Dormex", nullptr) != nullptr;
}

class DemonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(log_.Ok()) << "log mailslot taken: " << log_.Error();
        ASSERT_FALSE(AppWindowExists()) << "an application of an earlier test still runs";
    }
    void TearDown() override {
        // What the watchdog started, the test ends: the uninstall mutex first, by id if need be.
        HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
        WaitFor([] { return !AppWindowExists(); }, 5000);
        demon_.WaitExit(5000);
        CloseHandle(uninstall);
        demon_.End();
        EndProcessesNamed(kAppFileName);
        EndProcessesNamed(kDemonFileName);
    }

    std::string StartLine() const { return std::string("DEM: Start ") + kAppFileName + "."; }

    LogCatcher log_;
    ChildProcess demon_;
};

TEST_F(DemonTest, StartsTheMissingApplicationOnce) {
    ASSERT_TRUE(demon_.Start(BinDir() + kDemonFileName, "/Install"));
    EXPECT_TRUE(log_.WaitForLine(StartLine(), 5000));
    EXPECT_TRUE(WaitFor(AppWindowExists, 10000)) << "the application's window appears";
    Sleep(1500); // a few more passes: no second start between two checks
    EXPECT_EQ(1u, log_.CountContaining(StartLine()));
    EXPECT_EQ(1u, dormex_test::ProcessIdsNamed(kAppFileName).size());
}

TEST_F(DemonTest, RunningApplicationMeansNoStartAndNoLogLine) {
    ChildProcess app;
    ASSERT_TRUE(app.Start(BinDir() + kAppFileName, ""));
    ASSERT_TRUE(WaitFor(AppWindowExists, 10000));
    log_.Clear();
    ASSERT_TRUE(demon_.Start(BinDir() + kDemonFileName, ""));
    Sleep(2000);
    EXPECT_TRUE(demon_.Running());
    EXPECT_EQ(0u, log_.CountContaining("DEM:")) << "the first check finds the window and logs nothing";
    EXPECT_EQ(1u, dormex_test::ProcessIdsNamed(kAppFileName).size());
}

TEST_F(DemonTest, SecondWatchdogEndsAtOnceWithoutALogLine) {
    ASSERT_TRUE(demon_.Start(BinDir() + kDemonFileName, ""));
    ASSERT_TRUE(log_.WaitForLine(StartLine(), 5000));
    ASSERT_TRUE(WaitFor(AppWindowExists, 10000));
    log_.Clear();
    ChildProcess second;
    ASSERT_TRUE(second.Start(BinDir() + kDemonFileName, ""));
    DWORD code = 0xDEADBEEF;
    ASSERT_TRUE(second.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(demon_.Running());
    EXPECT_EQ(0u, log_.CountContaining("DEM:"));
}

TEST_F(DemonTest, UninstallEndsTheWatchdogWithinAboutASecond) {
    ASSERT_TRUE(demon_.Start(BinDir() + kDemonFileName, ""));
    ASSERT_TRUE(WaitFor(AppWindowExists, 10000));
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    DWORD start = GetTickCount();
    DWORD code = 0xDEADBEEF;
    EXPECT_TRUE(demon_.WaitExit(3000, &code));
    EXPECT_LT(GetTickCount() - start, 2500u);
    EXPECT_EQ(0u, code);
    EXPECT_TRUE(log_.WaitForLine("DEM: End of program.", 2000));
    EXPECT_TRUE(WaitFor([] { return !AppWindowExists(); }, 3000)) << "the application ends too";
    CloseHandle(uninstall);
}

TEST_F(DemonTest, UninstallPresentAtStartStillChecksOnce) {
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    ASSERT_TRUE(demon_.Start(BinDir() + kDemonFileName, ""));
    DWORD code = 0xDEADBEEF;
    EXPECT_TRUE(demon_.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    EXPECT_EQ(1u, log_.CountContaining(StartLine())) << "the first pass looks for the window";
    EXPECT_TRUE(log_.WaitForLine("DEM: End of program.", 2000));
    // The application it started sees the same mutex and ends by itself.
    EXPECT_TRUE(WaitFor([] { return dormex_test::ProcessIdsNamed(kAppFileName).empty(); }, 5000));
    CloseHandle(uninstall);
}

} // namespace
