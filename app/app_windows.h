// The windows of the desktop application and the steps of its run, for the process entry and the
// in-process tests.
#pragma once

#include <windows.h>

// Start of the process before any window: remembers the instance, loads the icon, takes the
// single-instance mutex, selects the settings file, creates the default save folder and sets the
// log tag. False when another instance of the session holds the mutex (nothing else is done then).
bool StartApplication(HINSTANCE instance);
// Registers "CDx2Dormex" and creates the hidden main window (with the settings dialog, the
// mailslot, the icon and the timers). Null on failure.
HWND CreateMainWindow();
// GetMessage loop offering each message to the application's dialogs; returns the quit code.
int RunMessageLoop();
// Releases the single-instance mutex.
void EndApplication();

// The notification icon of the main window: fills the record for icon id 1 and calls
// Shell_NotifyIconA with message (NIM_ADD, NIM_DELETE, ...). Icon and tip may be null.
BOOL TrayIconNotify(HICON icon, DWORD message, const char* tip);

// Settings dialog 101, modeless, inside parent.
HWND CreateSettingsDialog(HWND parent);

// Countdown dialog 103, modeless and without owner; initValue: forced flag in the high 16 bits,
// seconds in the low 16 bits. It remembers itself as the warning dialog; the caller shows it.
HWND CreateWarningDialog(DWORD initValue);
// Destroys every countdown dialog of the process.
void CloseWarningDialogs();
