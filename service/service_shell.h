// The process-wide objects the service shell creates and the supervisor thread uses.
#pragma once

#include <windows.h>

#include "supervisor.h"
#include "supervisor_gate.h"

// The name the service is registered under.
extern const char kServiceName[];

extern HANDLE g_settingsMutex; // "OrvDx2MuteIniFile", passed to LoadSetInfo
extern HANDLE g_resumeTimer;   // "OrvDx2WaitableTimer", wakes the PC before a shutdown
extern SupervisorGate g_supervisorGate;
extern Supervisor g_supervisor;

// The supervisor: schedules, announces, warns and shuts down; returns once a stop is asked for.
DWORD WINAPI SupervisorThread(void* unused);
