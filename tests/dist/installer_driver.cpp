// Runs only in a throw-away Wine prefix (tools/throwaway-session-test.sh --logon --installed), one case per
// session, in this order: the silent installation, a new logon, a reinstallation into another folder, the
// silent uninstallation, an installation over a service set up by hand. Each session starts with the boot
// (services) and a logon (Run values). Environment: DORMEX_INSTALLER (the installer, a Unix path),
// DORMEX_VERSION.
#include "child_process.h"
#include "process_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace dormex_test;

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dormex";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kOtherFolder[] = "C:\\Dormex installer test";
const char* const kOurPrograms[] = {"OrvDx2Serv32.exe",   "OrvDx2App32.exe",    "OrvDx2App64.exe",
                                    "OrvDx2Demon32.exe",  "OrvDx2Demon64.exe",  "OrvDx2Setup32.exe",
                                    "OrvDx2ReBoot32.exe", "OrvDx2LogView32.exe"};

std::string Environment(const char* name) {
    const char* value = getenv(name);
    return value ? value : "";
}

// This driver is a 32-bit program: on 64-bit Windows it runs under WOW64.
bool Is64BitWindows() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

const char* MachineWidth() {
    return Is64BitWindows() ? "64" : "32";
}

std::string DefaultFolder() {
    std::string programFiles = Environment("ProgramW6432"); // set for WOW64 processes only
    if (programFiles.empty())
        programFiles = Environment("ProgramFiles");
    return programFiles + "\\Dormex";
}

std::string InstallerPath() {
    std::string path = "Z:" + Environment("DORMEX_INSTALLER");
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Opens a key of HKLM in the machine's own registry view.
LONG OpenMachineKey(const char* key, HKEY* handle) {
    REGSAM access = KEY_READ | (Is64BitWindows() ? KEY_WOW64_64KEY : 0);
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, access, handle);
}

bool MachineKeyExists(const char* key) {
    HKEY handle = nullptr;
    if (OpenMachineKey(key, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

// A text value of HKLM in the machine's own view; ERROR_FILE_NOT_FOUND when it is not there.
LONG MachineValue(const char* key, const char* name, std::string* value) {
    HKEY handle = nullptr;
    LONG result = OpenMachineKey(key, &handle);
    if (result != ERROR_SUCCESS)
        return result;
    char data[1024] = "";
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    result = RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(handle);
    if (result == ERROR_SUCCESS && type != REG_SZ)
        result = ERROR_INVALID_DATA;
    if (result == ERROR_SUCCESS)
        value->assign(data, size && !data[size - 1] ? size - 1 : size);
    return result;
}

// The full program path of a process, or an empty text.
std::string ProcessImage(DWORD id) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process)
        return "";
    char path[MAX_PATH];
    DWORD size = sizeof path;
    std::string image;
    if (QueryFullProcessImageNameA(process, 0, path, &size))
        image.assign(path, size);
    CloseHandle(process);
    return image;
}

// The program paths of every running process of ours.
std::vector<std::string> OurProcesses() {
    std::vector<std::string> images;
    for (const char* program : kOurPrograms) {
        for (DWORD id : ProcessIdsNamed(program))
            images.push_back(ProcessImage(id));
    }
    return images;
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts)
        joined += text + "; ";
    return joined;
}

// The program path of the process that owns the application's main window, or an empty text.
std::string AppWindowImage() {
    HWND window = FindWindowA("CDx2Dormex", nullptr);
    DWORD id = 0;
    if (!window || !GetWindowThreadProcessId(window, &id))
        return "";
    return ProcessImage(id);
}

struct ServiceFacts {
    DWORD openError = 0; // 0 when the service could be opened
    DWORD state = 0;
    std::string binaryPath;
};

ServiceFacts QueryService() {
    ServiceFacts facts;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) {
        facts.openError = GetLastError();
        return facts;
    }
    SetLastError(0xdeadbeef);
    SC_HANDLE service = OpenServiceA(manager, "Dormex_Serv", SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    if (!service) {
        facts.openError = GetLastError();
    } else {
        SERVICE_STATUS status;
        if (QueryServiceStatus(service, &status))
            facts.state = status.dwCurrentState;
        union {
            QUERY_SERVICE_CONFIGA config;
            char bytes[8192];
        } buffer;
        DWORD needed = 0;
        if (QueryServiceConfigA(service, &buffer.config, sizeof buffer, &needed))
            facts.binaryPath = buffer.config.lpBinaryPathName;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return facts;
}

// Runs the installer with arguments and expects it to succeed.
void RunInstaller(const std::string& arguments) {
    std::string installer = InstallerPath();
    ASSERT_TRUE(FileExists(installer)) << installer << " is missing: make dist builds it";
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(installer, arguments)) << GetLastError();
    DWORD code = 0xdeadbeef;
    ASSERT_TRUE(setup.WaitExit(120000, &code));
    EXPECT_EQ(0u, code);
}

// What an installation into folder must have done once the installer has ended.
void ExpectInstalledIn(const std::string& folder) {
    ServiceFacts service;
    EXPECT_TRUE(WaitFor(
        [&] {
            service = QueryService();
            return service.state == SERVICE_RUNNING;
        },
        20000))
        << "open error " << service.openError << ", state " << service.state;
    EXPECT_TRUE(SamePath("\"" + folder + "\\OrvDx2Serv32.exe\"", service.binaryPath)) << service.binaryPath;

    std::string image;
    EXPECT_TRUE(WaitFor(
        [&] {
            image = AppWindowImage();
            return SamePath(image, folder + "\\OrvDx2App32.exe") ||
                   SamePath(image, folder + "\\OrvDx2App64.exe");
        },
        30000))
        << "the application's window belongs to \"" << image << "\"";

    std::string run;
    EXPECT_EQ(ERROR_SUCCESS, MachineValue(kRunKey, "Dormex", &run));
    EXPECT_TRUE(SamePath("\"" + folder + "\\OrvDx2Demon" + MachineWidth() + ".exe\"", run)) << run;

    const struct {
        const char* name;
        std::string expected;
    } entries[] = {
        {"DisplayName", "Dormex"},
        {"DisplayVersion", Environment("DORMEX_VERSION")},
        {"InstallLocation", folder},
        {"UninstallString", "\"" + folder + "\\Uninstall.exe\""},
        {"QuietUninstallString", "\"" + folder + "\\Uninstall.exe\" /S"},
    };
    for (const auto& entry : entries) {
        std::string value = "(none)";
        EXPECT_EQ(ERROR_SUCCESS, MachineValue(kUninstallKey, entry.name, &value)) << entry.name;
        EXPECT_TRUE(SamePath(entry.expected, value)) << entry.name << ": " << value;
    }

    EXPECT_TRUE(FileExists(folder + "\\OrvDx2LogView32.exe"));
    EXPECT_TRUE(FileExists(folder + "\\Dx2Sound99.wav"));
    EXPECT_TRUE(FileExists(folder + "\\README.txt"));
    EXPECT_EQ(Is64BitWindows(), FileExists(folder + "\\OrvDx2App64.exe"));
    EXPECT_EQ(Is64BitWindows(), FileExists(folder + "\\OrvDl2SubFuncs64.dll"));
}

// The processes of an installation replaced by another one have ended.
void ExpectProcessesOnlyFrom(const std::string& folder) {
    std::vector<std::string> running;
    EXPECT_TRUE(WaitFor(
        [&] {
            running = OurProcesses();
            for (const std::string& path : running) {
                if (!SamePath(path.substr(0, folder.size() + 1), folder + "\\"))
                    return false;
            }
            return true;
        },
        10000))
        << Joined(running);
}

TEST(InstallerTest, SilentInstall) {
    ASSERT_FALSE(FolderExists(DefaultFolder()));
    ASSERT_NO_FATAL_FAILURE(RunInstaller("/S"));
    ExpectInstalledIn(DefaultFolder());
}

// The session was ended and a new one started: the service starts with it, and the logon starts
// the watchdog of the machine's width, which starts the application of that width.
TEST(InstallerTest, NewLogonStartsWatchdogAndApp) {
    std::string folder = DefaultFolder();
    std::string watchdog = folder + "\\OrvDx2Demon" + MachineWidth() + ".exe";
    std::string app = folder + "\\OrvDx2App" + MachineWidth() + ".exe";
    std::string image;
    EXPECT_TRUE(WaitFor(
        [&] {
            image = AppWindowImage();
            return SamePath(image, app);
        },
        30000))
        << "the application's window belongs to \"" << image << "\"";
    std::vector<std::string> running = OurProcesses();
    EXPECT_EQ(3u, running.size()) << Joined(running); // the service, the watchdog, the application
    bool watchdogRuns = false;
    for (const std::string& path : running)
        watchdogRuns = watchdogRuns || SamePath(path, watchdog);
    EXPECT_TRUE(watchdogRuns) << Joined(running);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), QueryService().state);
}

// Installing over a running installation removes it first: its processes end, its folder goes,
// and everything then runs from the new folder.
TEST(InstallerTest, ReinstallIntoAnotherFolder) {
    ASSERT_TRUE(WaitFor([] { return !AppWindowImage().empty(); }, 30000))
        << "the installation of the earlier cases runs";
    ASSERT_NO_FATAL_FAILURE(RunInstaller(std::string("/S /D=") + kOtherFolder));
    EXPECT_FALSE(FolderExists(DefaultFolder()));
    ExpectInstalledIn(kOtherFolder);
    ExpectProcessesOnlyFrom(kOtherFolder);
}

// The command that Apps and Features and deployment tools run. The uninstaller copies itself to the
// temporary folder and returns at once; its copy removes the program folder last.
TEST(InstallerTest, SilentUninstall) {
    std::string command;
    ASSERT_EQ(ERROR_SUCCESS, MachineValue(kUninstallKey, "QuietUninstallString", &command));
    ASSERT_EQ('"', command[0]) << command;
    size_t end = command.find('"', 1);
    ASSERT_NE(std::string::npos, end) << command;
    std::string uninstaller = command.substr(1, end - 1);
    std::string folder = uninstaller.substr(0, uninstaller.find_last_of('\\'));
    ChildProcess process;
    ASSERT_TRUE(process.Start(uninstaller, command.substr(end + 2))) << GetLastError();
    DWORD code = 0xdeadbeef;
    EXPECT_TRUE(process.WaitExit(60000, &code));
    EXPECT_EQ(0u, code);

    EXPECT_TRUE(WaitFor([&] { return !FolderExists(folder); }, 60000)) << folder;
    std::vector<std::string> running;
    EXPECT_TRUE(WaitFor(
        [&] {
            running = OurProcesses();
            return running.empty();
        },
        10000))
        << Joined(running);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), QueryService().openError);
    std::string value;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, MachineValue(kRunKey, "Dormex", &value)) << value;
    EXPECT_FALSE(MachineKeyExists(kUninstallKey));
    // The settings folder stays, with the setup log of the removal.
    char windows[MAX_PATH];
    ASSERT_NE(0u, GetWindowsDirectoryA(windows, sizeof windows));
    std::string log = ReadFileBytes(std::string(windows, 2) + "\\Orvane\\Dormex\\DormexSetup.log");
    EXPECT_NE(std::string::npos, log.find("DeleteService success")) << log;
}

// Dormex set up by hand with the setup tool of another folder (here the build's): the installer
// removes that service and its processes and installs its own.
TEST(InstallerTest, InstallReplacesAServiceSetUpByHand) {
    ASSERT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), QueryService().openError);
    ChildProcess setup;
    ASSERT_TRUE(setup.Start(BinDir() + "OrvDx2Setup32.exe", "/Install")) << GetLastError();
    ASSERT_TRUE(setup.WaitExit(30000));
    ASSERT_TRUE(WaitFor([] { return !AppWindowImage().empty(); }, 30000)) << "the hand installation runs";

    ASSERT_NO_FATAL_FAILURE(RunInstaller("/S"));
    ExpectInstalledIn(DefaultFolder());
    ExpectProcessesOnlyFrom(DefaultFolder());
}

} // namespace
