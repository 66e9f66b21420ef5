// The setup tool with Wine's service control manager: installation, uninstallation, the switches
// and the log file. The tool registers the fixed service name "Dormex_Serv"; every test starts
// and ends without it.
#include "OrvDl2SubFuncs.h"
#include "child_process.h"
#include "mailslot_catcher.h"
#include "process_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using dormex_test::BinDir;
using dormex_test::ChildProcess;
using dormex_test::ReadFileBytes;
using dormex_test::ScratchDir;
using dormex_test::WaitFor;

namespace {

const char kService[] = "Dormex_Serv";

std::string SettingsFolder() {
    char folder[MAX_PATH];
    SetIniFilePath(folder, sizeof folder);
    return folder;
}

bool ServiceExists() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_STATUS);
    if (service)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return service != nullptr;
}

DWORD ServiceState() {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status = {};
    if (service) {
        QueryServiceStatus(service, &status);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return status.dwCurrentState;
}

// Stops and deletes the service if a crashed run left it, and ends what it started.
void RemoveLeftovers() {
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
    if (service) {
        SERVICE_STATUS status;
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        WaitFor(
            [&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_STOPPED; },
            10000);
        DeleteService(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    WaitFor([] { return !ServiceExists(); }, 10000);
    for (const char* program : {"OrvDx2Demon32.exe", "OrvDx2App32.exe", "OrvDx2Serv32.exe"}) {
        WaitFor([&] { return dormex_test::ProcessIdsNamed(program).empty(); }, 3000);
        dormex_test::EndProcessesNamed(program);
    }
    CloseHandle(uninstall);
}

class SetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(log_.Ok());
        RemoveLeftovers();
        logFile_ = SettingsFolder() + "DormexSetup.log";
        logStart_ = ReadFileBytes(logFile_).size();
    }
    void TearDown() override { RemoveLeftovers(); }

    // Runs the setup tool of folder with arguments; its exit code, or -1 if it did not end.
    int RunSetup(const std::string& folder, const std::string& arguments, DWORD* elapsedMs = nullptr) {
        ChildProcess setup;
        DWORD start = GetTickCount();
        EXPECT_TRUE(setup.Start(folder + "OrvDx2Setup32.exe", arguments));
        DWORD code = 0;
        if (!setup.WaitExit(30000, &code))
            return -1;
        if (elapsedMs)
            *elapsedMs = GetTickCount() - start;
        return static_cast<int>(code);
    }
    // What the tool appended to its log file since the test began.
    std::string NewLog() const { return ReadFileBytes(logFile_).substr(logStart_); }
    bool Logged(const std::string& text) const { return NewLog().find(text) != std::string::npos; }

    dormex_test::LogCatcher log_;
    std::string logFile_;
    size_t logStart_ = 0;
};

TEST_F(SetupTest, InstallRegistersAndStartsEverythingAndUninstallRemovesIt) {
    ASSERT_EQ(0, RunSetup(BinDir(), "/Install"));

    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_QUERY_CONFIG);
    ASSERT_NE(nullptr, service) << GetLastError() << " manager " << manager << "\n" << NewLog();
    std::vector<char> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    ASSERT_TRUE(QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config->dwServiceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_AUTO_START), config->dwStartType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config->dwErrorControl);
    EXPECT_STREQ(("\"" + BinDir() + "OrvDx2Serv32.exe\"").c_str(), config->lpBinaryPathName);
    EXPECT_STREQ("Dormex service", config->lpDisplayName);
    EXPECT_STREQ("LocalSystem", config->lpServiceStartName);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);

    EXPECT_TRUE(WaitFor([] { return ServiceState() == SERVICE_RUNNING; }, 10000));
    EXPECT_TRUE(WaitFor([] { return FindWindowA("CDx2Dormex", nullptr) != nullptr; }, 10000))
        << "the watchdog starts the application";
    EXPECT_EQ(1u, dormex_test::ProcessIdsNamed("OrvDx2Demon32.exe").size());
    for (const char* line : {"SUP: ", "SUP: ========== Start  installation ===========",
                             "SUP: OpenSCManager success", "SUP: CreateService success",
                             "SUP: StartService success", "SUP: ---------- End of Installation. ----------"})
        EXPECT_TRUE(Logged(line)) << line << "\n" << NewLog();
    EXPECT_TRUE(log_.WaitForLine("SUP: CreateService success", 1000)) << "lines also go to the log mailslot";

    ASSERT_EQ(0, RunSetup(BinDir(), "/Uninstall"));
    EXPECT_TRUE(WaitFor([] { return !ServiceExists(); }, 10000));
    EXPECT_TRUE(WaitFor([] { return dormex_test::ProcessIdsNamed("OrvDx2Demon32.exe").empty(); }, 5000));
    EXPECT_TRUE(WaitFor([] { return FindWindowA("CDx2Dormex", nullptr) == nullptr; }, 5000));
    for (const char* line : {"SUP: ========== Start  Uninstallation. ========", "SUP: OpenService success",
                             "SUP: QueryServiceStatus success", "SUP: ControlService success",
                             "SUP: DeleteService success", "SUP: ---------- End of Uninstallation. --------"})
        EXPECT_TRUE(Logged(line)) << line << "\n" << NewLog();
}

TEST_F(SetupTest, UninstallWithoutServiceOrProgramsDoesNotWait) {
    DWORD elapsed = 0;
    ASSERT_EQ(0, RunSetup(BinDir(), "/Uninstall", &elapsed));
    EXPECT_LT(elapsed, 1500u);
    EXPECT_TRUE(Logged("SUP: Error detect in OpenService, err = 1060")) << NewLog();
    EXPECT_TRUE(Logged("SUP: ---------- End of Uninstallation. --------"));
}

TEST_F(SetupTest, InstallOverAnExistingServiceFailsAndStartsNothing) {
    ASSERT_EQ(0, RunSetup(BinDir(), "/Install"));
    ASSERT_TRUE(WaitFor([] { return FindWindowA("CDx2Dormex", nullptr) != nullptr; }, 10000));
    logStart_ = ReadFileBytes(logFile_).size();
    ASSERT_EQ(0, RunSetup(BinDir(), "/Install"));
    EXPECT_TRUE(Logged("SUP: Error detect in CreateService, err = 1073")) << NewLog();
    Sleep(1000);
    EXPECT_EQ(1u, dormex_test::ProcessIdsNamed("OrvDx2Demon32.exe").size())
        << "no second watchdog is started";
}

// The switches, read from the log file and from a stand-in reboot program that records its start.
TEST_F(SetupTest, Switches) {
    ScratchDir folder;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((BinDir() + "*").c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, find);
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            ASSERT_TRUE(
                CopyFileA((BinDir() + data.cFileName).c_str(), folder.File(data.cFileName).c_str(), FALSE));
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
    ASSERT_TRUE(CopyFileA(dormex_test::TestProgram("reboot_recorder.exe").c_str(),
                          folder.File("OrvDx2ReBoot32.exe").c_str(), FALSE));
    const std::string marker = folder.File("reboot-started.txt");

    const struct {
        const char* arguments;
        bool preinstalled;
        bool installs;
        bool uninstalls;
        bool reboots;
    } cases[] = {
        {"/INSTALL", false, true, false, false},
        {"/install /ReBoot", false, true, false, true},
        {"/Install /Uninstall", false, true, false, false},
        {"/Installx", false, false, false, false},
        {"Install", false, false, false, false},
        {"/ReBoot", false, false, false, false},
        {"/uninstall /REBOOT", false, false, true, true},
        {"/Rollback", true, false, true, false},
        {"/Rollback /ReBoot", true, false, true, true},
        {"/Install /ReBoot", true, true, false, false}, // CreateService fails: no reboot
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        if (c.preinstalled) {
            ASSERT_EQ(0, RunSetup(folder.Path(), "/Install"));
            ASSERT_TRUE(ServiceExists());
        }
        DeleteFileA(marker.c_str());
        logStart_ = ReadFileBytes(logFile_).size();
        ASSERT_EQ(0, RunSetup(folder.Path(), c.arguments));
        EXPECT_EQ(c.installs, Logged("Start  installation")) << NewLog();
        EXPECT_EQ(c.uninstalls, Logged("Start  Uninstallation.")) << NewLog();
        EXPECT_EQ(c.reboots,
                  WaitFor([&] { return dormex_test::FileExists(marker); }, c.reboots ? 5000 : 500));
        if (!c.installs && !c.uninstalls) {
            EXPECT_EQ("\r\n", NewLog()) << "only the log file's opening and closing";
        }
        RemoveLeftovers();
    }
}

} // namespace
