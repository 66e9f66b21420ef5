// What the service does on each control of the service control manager: the log text, the
// status reports and the action on the supervisor, decided from the shell's flags alone.
#pragma once

#include <windows.h>

// The flags the control handler keeps; CurrentState is the state of the last report.
struct ShellFlags {
    int fRunning; // the supervisor exists and no STOP came yet
    int fPaused;  // the supervisor is parked by PAUSE
    DWORD CurrentState;
};

enum class SupervisorAction { None, Stop, Park, Release };

struct StatusReport {
    bool send;
    DWORD state;
    DWORD controlsAccepted;
    DWORD waitHint;
};

// Carried out in this order: log, pending report, action, final report.
struct ControlOutcome {
    const char* logText;
    StatusReport pendingReport;
    SupervisorAction action;
    StatusReport finalReport;
};

// STOP | PAUSE_CONTINUE | SHUTDOWN
const DWORD kServiceControlsAccepted =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SHUTDOWN;

// Updates flags as the control requires and says what to do.
ControlOutcome DecideControl(ShellFlags* flags, DWORD control);

// The report of the state the service is in (repeats CurrentState).
StatusReport CurrentStateReport(const ShellFlags& flags);
