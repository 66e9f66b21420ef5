// OrvDx2Setup32: registers and starts the Dormex service and the watchdog ("/Install"), or makes
// the watchdog and the application end and removes the service ("/Uninstall", "/Rollback").
// "/ReBoot" then offers a restart through OrvDx2ReBoot32.exe. Everything is logged to
// DormexSetup.log in the settings folder and to the log mailslot; the exit code is always 0.
#include "OrvCtl.h"
#include "OrvDl2SubFuncs.h"

#include <shellapi.h>

namespace {

const char kServiceName[] = "Dormex_Serv";
const char kDisplayName[] = "Dormex service";

char g_programFolder[MAX_PATH];

struct Switches {
    bool install = false;
    bool rollback = false;
    bool uninstall = false;
    bool reboot = false;
};

// Whole arguments only, in any letter case: "/install" counts, "/Installx" does not.
Switches ParseSwitches() {
    Switches switches;
    const struct {
        const char* text;
        bool Switches::*flag;
    } table[] = {
        {"/Install", &Switches::install},
        {"/Rollback", &Switches::rollback},
        {"/Uninstall", &Switches::uninstall},
        {"/ReBoot", &Switches::reboot},
    };
    int count = 0;
    char** args = OvcParseCmdArgsA(nullptr, &count);
    if (!args)
        return switches;
    for (int i = 1; i < count; ++i) {
        for (const auto& entry : table) {
            if (lstrcmpiA(args[i], entry.text) == 0)
                switches.*entry.flag = true;
        }
    }
    OvcReleaseCmdArgs(args);
    return switches;
}

// Starts a program of our folder by its full path, with our folder as working directory.
void StartCompanion(const char* program, const char* parameters, int show) {
    char path[MAX_PATH * 2];
    OvcSnPrintFA(path, sizeof path, "%s%s", g_programFolder, program);
    ShellExecuteA(nullptr, nullptr, path, parameters, g_programFolder, show);
}

// Returns 0, or the error code of a failed OpenSCManagerA or CreateServiceA.
DWORD InstallService() {
    LogOut("");
    LogOut("========== Start  installation ===========");
    DWORD result = 0;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) {
        result = GetLastError();
        LogError("OpenSCManager", static_cast<int>(result));
    } else {
        LogOut("OpenSCManager success");
        char program[MAX_PATH];
        OvcSnPrintFA(program, sizeof program, "%s%s", g_programFolder, "OrvDx2Serv32.exe");
        char quoted[MAX_PATH + 2];
        OvcSnPrintFA(quoted, sizeof quoted, "\"%s\"", program);
        SC_HANDLE service = CreateServiceA(
            manager, kServiceName, kDisplayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
            SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, quoted, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (!service) {
            result = GetLastError();
            LogError("CreateService", static_cast<int>(result));
        } else {
            LogOut("CreateService success");
            const char* args[] = {kServiceName};
            if (StartServiceA(service, 1, args))
                LogOut("StartService success");
            else
                LogError("StartService", static_cast<int>(GetLastError()));
            StartCompanion("OrvDx2Demon32.exe", "/Install", SW_SHOW);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }
    LogOut("---------- End of Installation. ----------");
    return result;
}

// Stops the service if it runs and deletes it.
void StopAndDeleteService(SC_HANDLE service) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status)) {
        LogError("QueryServiceStatus", static_cast<int>(GetLastError()));
        return;
    }
    LogOut("QueryServiceStatus success");
    if (status.dwCurrentState != SERVICE_STOPPED) {
        if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
            LogError("ControlService", static_cast<int>(GetLastError()));
            return;
        }
        LogOut("ControlService success");
        Sleep(500);
    }
    if (DeleteService(service))
        LogOut("DeleteService success");
    else
        LogError("DeleteService", static_cast<int>(GetLastError()));
}

void UninstallService() {
    LogOut("");
    LogOut("========== Start  Uninstallation. ========");
    // The watchdog and the application end themselves within about a second of seeing it.
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    Sleep(10);
    // Only their existence matters; the handles stay open until the tool ends.
    HANDLE demon = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "OrvDx2MuteDupDemon");
    HANDLE app = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "OrvDx2MuteDupApp");
    if (demon || app) {
        for (int i = 0; i < 200; ++i)
            Sleep(10);
    }

    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (!manager) {
        LogError("OpenSCManager", static_cast<int>(GetLastError()));
    } else {
        LogOut("OpenSCManager success");
        SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_ALL_ACCESS);
        if (!service) {
            LogError("OpenService", static_cast<int>(GetLastError()));
        } else {
            LogOut("OpenService success");
            StopAndDeleteService(service);
            CloseServiceHandle(service);
        }
        CloseServiceHandle(manager);
    }
    if (uninstall)
        CloseHandle(uninstall);
    LogOut("---------- End of Uninstallation. --------");
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    SetLogSlotId("SUP"); // before the settings file is selected: LogHost comes from no file
    Switches switches = ParseSwitches();
    OvcGetAppPathA(g_programFolder, sizeof g_programFolder);
    char settingsFolder[MAX_PATH];
    SetIniFilePath(settingsFolder, sizeof settingsFolder);
    char logPath[MAX_PATH];
    OvcSnPrintFA(logPath, sizeof logPath, "%sDormexSetup.log", settingsFolder);
    OpenLogFile(logPath);

    bool offerReboot = false;
    if (switches.install) {
        offerReboot = InstallService() == 0;
    } else if (switches.uninstall || switches.rollback) {
        UninstallService();
        offerReboot = true;
    }
    CloseLogFile();
    if (switches.reboot && offerReboot)
        StartCompanion("OrvDx2ReBoot32.exe", "", SW_SHOW);
    return 0;
}
