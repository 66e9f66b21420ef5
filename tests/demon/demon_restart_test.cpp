// A real minute: the application closed by the user comes back at the watchdog's next check.
#include "child_process.h"
#include "mailslot_catcher.h"
#include "process_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

using dormex_test::BinDir;
using dormex_test::kAppFileName;
using dormex_test::kDemonFileName;
using dormex_test::WaitFor;

namespace {

TEST(DemonRestartTest, ClosedApplicationIsStartedAgainWithinAMinute) {
    dormex_test::LogCatcher log;
    ASSERT_TRUE(log.Ok());
    dormex_test::ChildProcess demon;
    ASSERT_TRUE(demon.Start(BinDir() + kDemonFileName, ""));
    ASSERT_TRUE(WaitFor([] { return FindWindowA("CDx2Dormex", nullptr) != nullptr; }, 10000));
    DWORD closed = GetTickCount();
    dormex_test::EndProcessesNamed(kAppFileName);
    ASSERT_EQ(nullptr, FindWindowA("CDx2Dormex", nullptr));

    EXPECT_TRUE(WaitFor([] { return FindWindowA("CDx2Dormex", nullptr) != nullptr; }, 75000));
    DWORD waited = GetTickCount() - closed;
    EXPECT_LT(waited, 65000u);
    EXPECT_EQ(2u, log.CountContaining(std::string("DEM: Start ") + kAppFileName + "."));

    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    EXPECT_TRUE(demon.WaitExit(5000));
    WaitFor([] { return dormex_test::ProcessIdsNamed(kAppFileName).empty(); }, 5000);
    CloseHandle(uninstall);
    demon.End();
    dormex_test::EndProcessesNamed(kAppFileName);
}

} // namespace
