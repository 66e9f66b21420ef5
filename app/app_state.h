// Process-wide state of the desktop application: one instance per process, all of it owned by
// the window thread.
#pragma once

#include <windows.h>

#include "OrvDl2SubFuncs.h"

// Timers of the main window.
enum : UINT_PTR {
    TIMER_POLL_MAIL = 1,       // read one command from the application mailslot
    TIMER_WATCH_UNINSTALL = 2, // end when the uninstaller's mutex exists
    TIMER_NO_SLEEP = 3,        // keep the system awake
    TIMER_NO_DSP_OFF = 4       // keep the display on
};
constexpr UINT kPollPeriodMs = 1000;
constexpr UINT kKeepAwakePeriodMs = 30000;

// Callback message of the notification icon.
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 100;
constexpr UINT kTrayIconId = 1;

constexpr char kMainWindowClass[] = "CDx2Dormex";
constexpr char kWindowPosSection[] = "MAIN";
constexpr char kDupAppMutex[] = "OrvDx2MuteDupApp";
constexpr char kIniFileMutex[] = "OrvDx2MuteIniFile";
constexpr char kUninstallMutex[] = "OrvDx2MuteUninstall";

constexpr LANGID kJapanese = 1041;

// Resources of the application.
#include "resources/resource.h"

extern HINSTANCE g_instance;
extern HICON g_appIcon;
extern HANDLE g_iniMutex;
extern SetInfo g_settings;      // the process's settings record
extern SetInfo g_savedSettings; // the settings as last loaded into the dialog or saved
extern char g_settingsFolder[MAX_PATH];
extern char g_defaultSaveFolder[MAX_PATH];
extern HWND g_mainWindow;
extern HWND g_settingsDialog; // dialog 101 inside the main window; null when absent
extern HWND g_warningDialog;  // the newest countdown dialog 103; null when none is open

// Sends a command without parameters to the service's mailslot; a missing service is ignored.
void SendToService(BYTE cmd);
