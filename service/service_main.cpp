// OrvDx2Serv32: the shutdown service. The process entry dispatches ServiceMain, which creates
// what the supervisor needs, reports to the service control manager, runs the supervisor thread
// and waits for STOP; ServiceCtrlHandler answers the controls.
#include <windows.h>

#include "OrvCtl.h"
#include "OrvDl2SubFuncs.h"
#include "service_control.h"
#include "service_shell.h"

const char kServiceName[] = "Dormex_Serv";

HANDLE g_settingsMutex = nullptr;
HANDLE g_resumeTimer = nullptr;
SupervisorGate g_supervisorGate;
Supervisor g_supervisor;

namespace {

// How long the shell waits for the supervisor to reach a safe point.
const DWORD kParkTimeoutMs = 3000;
const DWORD kStopTimeoutMs = 3000;

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopEvent = nullptr;
HANDLE g_workerThread = nullptr;

// The control handler (dispatcher thread) and ServiceMain both report; the lock keeps the flags,
// the checkpoint and each report together.
CRITICAL_SECTION g_statusLock;
ShellFlags g_flags = {0, 0, SERVICE_START_PENDING};
DWORD g_checkPoint = 0;
// Set by a STOP that may arrive while the start is still in progress.
volatile LONG g_stopRequested = 0;

bool IsPendingState(DWORD state) {
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
           state == SERVICE_PAUSE_PENDING || state == SERVICE_CONTINUE_PENDING;
}

// Sends one report; the caller holds g_statusLock. The checkpoint grows over consecutive pending
// reports and is 0 otherwise.
BOOL SendReportLocked(const StatusReport& report, DWORD exitCode) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = report.state;
    status.dwControlsAccepted = report.controlsAccepted;
    status.dwWin32ExitCode = exitCode;
    status.dwServiceSpecificExitCode = 0;
    g_checkPoint = IsPendingState(report.state) ? g_checkPoint + 1 : 0;
    status.dwCheckPoint = g_checkPoint;
    status.dwWaitHint = report.waitHint;
    return SetServiceStatus(g_statusHandle, &status);
}

BOOL SendReport(const StatusReport& report, DWORD exitCode) {
    EnterCriticalSection(&g_statusLock);
    BOOL sent = SendReportLocked(report, exitCode);
    LeaveCriticalSection(&g_statusLock);
    return sent;
}

// The numbered reports of the start; each records the state it reports.
bool SendStatusToSCM(int step) {
    static const StatusReport kStartReports[] = {
        {true, SERVICE_START_PENDING, 0, 5000},
        {true, SERVICE_START_PENDING, 0, 1000},
        {true, SERVICE_START_PENDING, 0, 5000},
        {true, SERVICE_RUNNING, kServiceControlsAccepted, 0},
    };
    const StatusReport& report = kStartReports[step - 1];
    EnterCriticalSection(&g_statusLock);
    g_flags.CurrentState = report.state;
    BOOL sent = SendReportLocked(report, NO_ERROR);
    LeaveCriticalSection(&g_statusLock);
    return sent != FALSE;
}

// Keeps the error code of a failed step (before logging can change it), then logs
// "<name> success" or "<name> failure". Returns ok.
bool Step(bool ok, const char* name, DWORD* error) {
    if (!ok)
        *error = GetLastError();
    char text[128];
    OvcSnPrintFA(text, sizeof text, "%s %s", name, ok ? "success" : "failure");
    LogOut(text);
    return ok;
}

void CloseAndClear(HANDLE* handle) {
    if (*handle) {
        CloseHandle(*handle);
        *handle = nullptr;
    }
}

// Waits for the supervisor to end. The objects it uses may be closed only when it has: a
// supervisor that did not end in time keeps them until the process exits.
bool StopSupervisor() {
    if (!g_workerThread)
        return true;
    g_supervisorGate.RequestStop();
    if (WaitForSingleObject(g_workerThread, kStopTimeoutMs) == WAIT_OBJECT_0)
        return true;
    LogOut("SupervisorThread did not stop in time");
    return false;
}

void CloseServiceObjects() {
    if (!StopSupervisor())
        return;
    CloseAndClear(&g_workerThread);
    CloseAndClear(&g_settingsMutex);
    CloseAndClear(&g_resumeTimer);
    MyMailSlotDelete();
}

// Ends a start that failed: the SCM learns the error code of the failed call.
void TerminateService(DWORD error) {
    CloseAndClear(&g_stopEvent);
    if (g_statusHandle) {
        SendReport(StatusReport{true, SERVICE_STOPPED, kServiceControlsAccepted, 0}, error);
        g_statusHandle = nullptr;
    }
    CloseServiceObjects();
}

void WINAPI ServiceCtrlHandler(DWORD control) {
    EnterCriticalSection(&g_statusLock);
    ControlOutcome outcome = DecideControl(&g_flags, control);
    LogOut(outcome.logText);
    if (outcome.pendingReport.send)
        SendReportLocked(outcome.pendingReport, NO_ERROR);
    switch (outcome.action) {
    case SupervisorAction::Stop:
        g_supervisorGate.RequestStop();
        InterlockedExchange(&g_stopRequested, 1);
        if (g_stopEvent)
            SetEvent(g_stopEvent);
        break;
    case SupervisorAction::Park:
        g_supervisorGate.Park(kParkTimeoutMs);
        break;
    case SupervisorAction::Release:
        g_supervisorGate.Release();
        break;
    case SupervisorAction::None:
        break;
    }
    if (outcome.finalReport.send)
        SendReportLocked(outcome.finalReport, NO_ERROR);
    LeaveCriticalSection(&g_statusLock);
}

bool InitService() {
    g_workerThread = CreateThread(nullptr, 0, SupervisorThread, nullptr, 0, nullptr);
    if (!g_workerThread)
        return false;
    EnterCriticalSection(&g_statusLock);
    g_flags.fRunning = 1;
    LeaveCriticalSection(&g_statusLock);
    return true;
}

// The stop event is published before the flag of an early STOP is read, and the handler sets the
// flag before it reads the event: one of the two sees the other.
void CreatedStopEvent(HANDLE event) {
    InterlockedExchangePointer(&g_stopEvent, event);
    if (InterlockedCompareExchange(&g_stopRequested, 0, 0))
        SetEvent(event);
}

// The start up to the RUNNING report; false with the failed call's error code.
bool StartUp(DWORD* error) {
    // Registered before anything can fail, so that every failed start reaches the SCM.
    g_statusHandle = RegisterServiceCtrlHandlerA(kServiceName, ServiceCtrlHandler);
    if (!Step(g_statusHandle != nullptr, "RegisterServiceCtrlHandler", error))
        return false;
    if (!MyMailSlotCreate(MAILSLOT_SERV)) { // the library logs the failure
        *error = GetLastError();
        return false;
    }
    g_settingsMutex = CreateMutexA(nullptr, FALSE, "OrvDx2MuteIniFile");
    if (!Step(g_settingsMutex != nullptr, "CreateMutex", error))
        return false;
    g_resumeTimer = CreateWaitableTimerA(nullptr, FALSE, "OrvDx2WaitableTimer");
    if (!Step(g_resumeTimer != nullptr, "CreateWaitableTimer", error))
        return false;
    LogOut("ServiceMain Start ...");
    if (!Step(SendStatusToSCM(1), "SendStatusToSCM(1)", error))
        return false;
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!Step(stopEvent != nullptr, "CreateEvent", error))
        return false;
    CreatedStopEvent(stopEvent);
    // After a STOP during the start: no supervisor, no further start report, straight to the stop.
    if (InterlockedCompareExchange(&g_stopRequested, 0, 0))
        return true;
    return Step(SendStatusToSCM(2), "SendStatusToSCM(2)", error) &&
           Step(SendStatusToSCM(3), "SendStatusToSCM(3)", error) &&
           Step(g_supervisorGate.Create() && InitService(), "InitService", error) &&
           Step(SendStatusToSCM(4), "SendStatusToSCM(4)", error);
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    DWORD error = NO_ERROR;
    if (!StartUp(&error)) {
        TerminateService(error);
        return;
    }
    WaitForSingleObject(g_stopEvent, INFINITE);

    LogOut("ServiceMain Terminated ...");
    CloseAndClear(&g_stopEvent);
    CloseServiceObjects();
    SendReport(StatusReport{true, SERVICE_STOPPED, kServiceControlsAccepted, 0}, NO_ERROR);
    g_statusHandle = nullptr;
    Sleep(10);
}

// The text of the system for an error code, up to its first line feed.
void ShowRegistrationFailure(DWORD error) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (text) {
        for (char* c = text; *c; ++c)
            if (*c == '\n') {
                *c = '\0';
                break;
            }
    }
    char message[1024];
    OvcSnPrintFA(message, sizeof message, "Service registration falure. err = %d (%s)",
                 static_cast<int>(error), text ? text : "");
    if (text)
        LocalFree(text);
    MessageBoxA(nullptr, message, "Dormex2", MB_ICONERROR);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitializeCriticalSection(&g_statusLock);
    SetIniFilePath(nullptr, 0);
    SetLogSlotId("SVC");
    char programFolder[MAX_PATH];
    if (!OvcGetAppPathA(programFolder, sizeof programFolder))
        programFolder[0] = '\0';
    SupervisorInit(&g_supervisor, programFolder);

    char name[sizeof kServiceName];
    memcpy(name, kServiceName, sizeof name);
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherA(table))
        return 0;
    DWORD error = GetLastError();
    ShowRegistrationFailure(error);
    return static_cast<int>(error);
}
