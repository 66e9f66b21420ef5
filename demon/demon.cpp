// OrvDx2Demon32 / OrvDx2Demon64: keeps the Dormex application of its width running in the user's
// session, and ends when an uninstallation begins.
#include "watchdog.h"

#include "OrvCtl.h"
#include "OrvDl2SubFuncs.h"

#include <shellapi.h>

namespace {

#ifdef _WIN64
const char kAppProgram[] = "OrvDx2App64.exe";
#else
const char kAppProgram[] = "OrvDx2App32.exe";
#endif

// A named mutex exists also when it was made by another account and we may not open it.
bool MutexExists(const char* name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
    if (mutex) {
        CloseHandle(mutex);
        return true;
    }
    return GetLastError() == ERROR_ACCESS_DENIED;
}

class Win32World : public WatchdogWorld {
  public:
    Win32World() { OvcGetAppPathA(folder_, sizeof folder_); }

    bool AppWindowExists() override { return FindWindowA("CDx2Dormex", nullptr) != nullptr; }

    // Started from our own folder, hidden: the user sees only its notification icon.
    void StartApp() override {
        char program[MAX_PATH * 2];
        OvcSnPrintFA(program, sizeof program, "%s%s", folder_, kAppProgram);
        ShellExecuteA(nullptr, nullptr, program, "", folder_, SW_HIDE);
    }

    bool UninstallRequested() override { return MutexExists("OrvDx2MuteUninstall"); }

    void Log(const char* text) override { LogOut(text); }

  private:
    char folder_[MAX_PATH] = "";
};

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Created and tested in one step, so two watchdogs started at once cannot both run.
    HANDLE single = CreateMutexA(nullptr, FALSE, "OrvDx2MuteDupDemon");
    if (!single || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (single)
            CloseHandle(single);
        return 0;
    }
    SetLogSlotId("DEM");

    Win32World world;
    Watchdog watchdog(kAppProgram);
    bool keepRunning;
    do {
        keepRunning = watchdog.Pass(world);
        Sleep(1000);
    } while (keepRunning);

    CloseHandle(single);
    LogOut("End of program.");
    Sleep(10);
    return 0;
}
