// The document preservation engine of the desktop application: a run saves the documents open in
// the configured applications under time-stamped names in the preservation folder, behind a
// small modal progress dialog (resource IDD_SAVING of the running program).
#pragma once

#include <windows.h>

#include <OrvDl2SubFuncs.h>

// Works through the ten entries of apps (read in place while the run goes on) and returns when the
// run has ended: no window left, CMD_SAVE_ABORT (PreservationAbortCommand) or Cancel (which asks
// the service to reschedule). The [TIMER] section of the process's settings file sets the timers.
// One run at a time: a call while a run is on returns at once.
void RunPreservation(const char* saveFolder, HWND parent, SaveAppEntry* apps);

// True from the start of a run until it has been torn down.
bool PreservationRunning();
// The progress dialog while it is on screen, else null (for the message loop's IsDialogMessageA).
HWND PreservationProgressDialog();

// The main window's answers to the commands of its mailslot, which it reads alone:
// CMD_SAVE_DOCS sends CMD_SAVE_STARTED to the service, runs, and sends CMD_SAVE_ENDED; during a run
// the request is already being served, so it is logged and neither framed nor run again.
void PreservationSaveDocsCommand(const char* saveFolder, HWND mainWindow, SaveAppEntry* apps);
// CMD_SAVE_ABORT closes the running preservation; without one it is logged and has no effect.
void PreservationAbortCommand();
