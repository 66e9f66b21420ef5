// The supervisor thread and its world: the real clock, mailslots, log, settings, timer, power
// and sound of the service process.
#include <windows.h>

#include "OrvCtl.h"
#include "OrvDl2SubFuncs.h"
#include "service_shell.h"

namespace {

class ServiceWorld : public SupervisorWorld {
  public:
    void Log(const char* text) override { LogOut(text); }
    void LoadSettings(SetInfo* info) override { LoadSetInfo(info, g_settingsMutex); }
    // GetShutdownTime reads the clock itself, a moment after now.
    bool NextShutdownTime(const SetInfo& info, const SYSTEMTIME&, SYSTEMTIME* time, DWORD* forced) override {
        return GetShutdownTime(&info, time, nullptr, forced) != 0;
    }
    void SetResumeTimer(const SYSTEMTIME& localTime) override {
        FILETIME due;
        if (!ResumeDueTime(localTime, nullptr, &due)) {
            LogError("TzSpecificLocalTimeToSystemTime", static_cast<int>(GetLastError()));
            return;
        }
        LARGE_INTEGER dueTime; // positive: an absolute UTC time
        dueTime.LowPart = due.dwLowDateTime;
        dueTime.HighPart = static_cast<LONG>(due.dwHighDateTime);
        // Under Wine the call succeeds with last error 722 (no wake-up support): only its
        // result tells.
        if (!SetWaitableTimer(g_resumeTimer, &dueTime, 0, nullptr, nullptr, TRUE))
            LogError("SetWaitableTimer", static_cast<int>(GetLastError()));
    }
    bool ResumeTimerFired() override { return WaitForSingleObject(g_resumeTimer, 0) == WAIT_OBJECT_0; }
    void KeepAwake() override {
        SetThreadExecutionState(ES_DISPLAY_REQUIRED);
        SetThreadExecutionState(ES_SYSTEM_REQUIRED);
    }
    void Play(const char* path, const char* deviceName, UINT volume) override {
        PlayByDevice(path, deviceName, volume);
    }
    bool SendToApp(const MailCommand& command) override {
        return MailSlotSend(MAILSLOT_APP, &command, sizeof command) != 0;
    }
    void ShutDownSystem(UINT flags) override { OvcExitWindows(flags); }
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
};

} // namespace

DWORD WINAPI SupervisorThread(void*) {
    ServiceWorld world;
    SYSTEMTIME now;
    GetLocalTime(&now);
    SupervisorStart(&g_supervisor, now, world);
    do {
        MailCommand command;
        bool received = MyMailSlotRecv(&command) != 0;
        GetLocalTime(&now);
        SupervisorPass(&g_supervisor, now, received ? &command : nullptr, world);
    } while (g_supervisorGate.BetweenPasses(1000));
    return 0;
}
