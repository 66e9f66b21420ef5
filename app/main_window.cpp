// The hidden main window "CDx2Dormex": start-up and end of the process, the mailslot poll and its
// commands, the notification icon, keep-awake ticks, session changes and the uninstall watch.
#include "OrvCtl.h"
#include "app_state.h"
#include "app_windows.h"
#include "power_requests.h"
#include "preservation.h"

#include <shellapi.h>
#include <wtsapi32.h>

#include <string.h>

#include <initializer_list>

HINSTANCE g_instance = nullptr;
HICON g_appIcon = nullptr;
HANDLE g_iniMutex = nullptr;
SetInfo g_settings;
SetInfo g_savedSettings;
char g_settingsFolder[MAX_PATH];
char g_defaultSaveFolder[MAX_PATH];
HWND g_mainWindow = nullptr;
HWND g_settingsDialog = nullptr;
HWND g_warningDialog = nullptr;

namespace {

HANDLE g_dupAppMutex = nullptr;
UINT_PTR g_mainWindowMap[OVC_MMP_WORK_WORDS];

// ---- Commands from the service ----------------------------------------------------------------

void OpenWarning(HWND, MailCommand command) {
    HWND dialog = CreateWarningDialog(MailCommandParams(command));
    if (!dialog)
        return;
    OvcMoveWindowToCenterOfMonitor(dialog);
    ShowWindow(dialog, SW_SHOW);
}

void ShutdownNormally(HWND, MailCommand) {
    LogOut("Normal Shutdown is executed!");
    Sleep(10);
    OvcExitWindows(EWX_SHUTDOWN);
}

// Runs inside this poll's timer handler; the poll keeps running in the progress dialog's modal loop
// and stays the only reader of the mailslot, so every command of the run reaches its code.
void SaveDocuments(HWND mainWindow, MailCommand) {
    PreservationSaveDocsCommand(g_settings.SaveDir, mainWindow, g_settings.Api);
}

void AbortSaving(HWND, MailCommand) {
    PreservationAbortCommand();
}

using CommandHandler = void (*)(HWND mainWindow, MailCommand command);
struct CommandRoute {
    BYTE cmd;
    CommandHandler handler;
};

// What the main window does on each command code; every other code is consumed without effect.
const CommandRoute kCommandRoutes[] = {
    {CMD_WARNING, OpenWarning},
    {CMD_SHUTDOWN, ShutdownNormally},
    {CMD_SAVE_DOCS, SaveDocuments},
    {CMD_SAVE_ABORT, AbortSaving},
};

void ActOnCommand(HWND mainWindow, MailCommand command) {
    for (const CommandRoute& route : kCommandRoutes) {
        if (route.cmd == command.cmd) {
            route.handler(mainWindow, command);
            return;
        }
    }
}

// ---- Timers -----------------------------------------------------------------------------------

void PollMailslot(HWND mainWindow) {
    MailCommand command;
    if (MyMailSlotRecv(&command))
        ActOnCommand(mainWindow, command);
}

void WatchUninstall(HWND mainWindow) {
    HANDLE uninstall = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kUninstallMutex);
    if (!uninstall)
        return;
    CloseHandle(uninstall);
    DestroyWindow(mainWindow);
}

LRESULT OVC_CALL OnTimer(HWND window, UINT, WPARAM timerId, LPARAM) {
    switch (timerId) {
    case TIMER_POLL_MAIL:
        PollMailslot(window);
        break;
    case TIMER_WATCH_UNINSTALL:
        WatchUninstall(window);
        break;
    case TIMER_NO_SLEEP:
        RequestExecutionState(ES_SYSTEM_REQUIRED);
        break;
    case TIMER_NO_DSP_OFF:
        RequestExecutionState(ES_DISPLAY_REQUIRED);
        break;
    default:
        break;
    }
    return 0;
}

// ---- Session changes --------------------------------------------------------------------------

struct SessionEvent {
    WPARAM code;
    const char* logText;
    void (*action)();
};

void TakeMailslot() {
    MyMailSlotCreate(MAILSLOT_APP);
}

// Only the application of the session attached to the console holds the mailslot (its name
// exists once per machine), so only it receives the service's commands.
const SessionEvent kSessionEvents[] = {
    {WTS_CONSOLE_CONNECT, "WTS_CONSOLE_CONNECT", TakeMailslot},
    {WTS_CONSOLE_DISCONNECT, "WTS_CONSOLE_DISCONNECT", MyMailSlotDelete},
    {WTS_SESSION_LOCK, "WTS_SESSION_LOCK", nullptr},
    {WTS_SESSION_UNLOCK, "WTS_SESSION_UNLOCK", nullptr},
};

LRESULT OVC_CALL OnSessionChange(HWND, UINT, WPARAM code, LPARAM) {
    for (const SessionEvent& event : kSessionEvents) {
        if (event.code == code) {
            LogOut(event.logText);
            if (event.action)
                event.action();
            break;
        }
    }
    Sleep(10);
    return 0;
}

// ---- Window life ------------------------------------------------------------------------------

const char* TrayTip() {
    return OvcGetLangId() == kJapanese ? "Dormex設定" : "Dormex Setting";
}

LRESULT OVC_CALL OnCreate(HWND window, UINT, WPARAM, LPARAM) {
    g_mainWindow = window; // the settings dialog sizes the main window while it is created
    g_iniMutex = CreateMutexA(nullptr, FALSE, kIniFileMutex);
    if (!g_iniMutex)
        LogError(" CreateMutex", static_cast<int>(GetLastError()));
    LogOut("Load setting information.");
    LoadSetInfo(&g_settings, g_iniMutex);
    if (!WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION))
        LogError(" WTSRegisterSessionNotification", static_cast<int>(GetLastError()));
    MyMailSlotCreate(MAILSLOT_APP);
    if (!CreateSettingsDialog(window))
        LogError(" CreateDialogParam", static_cast<int>(GetLastError()));
    OvcLoadWndPosA(window, kWindowPosSection);
    TrayIconNotify(g_appIcon, NIM_ADD, TrayTip());
    SetTimer(window, TIMER_POLL_MAIL, kPollPeriodMs, nullptr);
    SetTimer(window, TIMER_WATCH_UNINSTALL, kPollPeriodMs, nullptr);
    return 0;
}

LRESULT OVC_CALL OnDestroy(HWND window, UINT, WPARAM, LPARAM) {
    for (UINT_PTR timer : {TIMER_POLL_MAIL, TIMER_WATCH_UNINSTALL, TIMER_NO_SLEEP, TIMER_NO_DSP_OFF})
        KillTimer(window, timer);
    OvcSaveWndPosA(window, kWindowPosSection);
    TrayIconNotify(nullptr, NIM_DELETE, nullptr);
    if (g_settingsDialog) {
        DestroyWindow(g_settingsDialog);
        g_settingsDialog = nullptr;
    }
    if (g_iniMutex) {
        CloseHandle(g_iniMutex);
        g_iniMutex = nullptr;
    }
    MyMailSlotDelete();
    WTSUnRegisterSessionNotification(window);
    LogOut("End of program.");
    Sleep(10);
    PostQuitMessage(0);
    return 0;
}

// A press of the left button on the icon shows the settings; any other notification is ignored.
LRESULT OVC_CALL OnTrayNotify(HWND window, UINT, WPARAM iconId, LPARAM mouseMessage) {
    if (iconId == kTrayIconId && mouseMessage == WM_LBUTTONDOWN) {
        ShowWindow(window, SW_SHOWNORMAL);
        OvcSetFocusWindow(window);
    }
    return 0;
}

LRESULT OVC_CALL OnEndSession(HWND window, UINT, WPARAM sessionEnds, LPARAM) {
    OvcSaveWndPosA(window, kWindowPosSection);
    if (sessionEnds)
        DestroyWindow(window);
    return 0;
}

const OvcMmpEntry kMainWindowMessages[] = {
    OVC_MMP_ON_MESSAGE(WM_CREATE, OnCreate),
    OVC_MMP_ON_MESSAGE(WM_DESTROY, OnDestroy),
    OVC_MMP_ON_MESSAGE(WM_TRAY_NOTIFY, OnTrayNotify),
    OVC_MMP_ON_MESSAGE(WM_ENDSESSION, OnEndSession),
    OVC_MMP_ON_MESSAGE(WM_WTSSESSION_CHANGE, OnSessionChange),
    OVC_MMP_ON_MESSAGE(WM_TIMER, OnTimer),
    OVC_MMP_TABLE_END,
};

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kMainWindowMessages, g_mainWindowMap);
    return OvcMmpWndMsgHandle(g_mainWindowMap, window, message, wParam, lParam);
}

} // namespace

void SendToService(BYTE cmd) {
    MailCommand command = MakeMailCommand(cmd, 0, 0);
    MailSlotSend(MAILSLOT_SERV, &command, sizeof command);
}

static_assert(sizeof(NOTIFYICONDATAA) == (sizeof(void*) == 8 ? 528 : 508),
              "the full icon record of the build");

BOOL TrayIconNotify(HICON icon, DWORD message, const char* tip) {
    NOTIFYICONDATAA data;
    memset(&data, 0, sizeof data);
    data.cbSize = sizeof data; // 508 bytes in the 32-bit build, 528 in the 64-bit build
    data.hWnd = g_mainWindow;
    data.uID = kTrayIconId;
    data.uCallbackMessage = WM_TRAY_NOTIFY;
    data.uFlags = NIF_MESSAGE;
    if (icon) {
        data.hIcon = icon;
        data.uFlags |= NIF_ICON;
    }
    if (tip) {
        strncpy(data.szTip, tip, 127);
        data.szTip[127] = '\0';
        data.uFlags |= NIF_TIP;
    }
    return Shell_NotifyIconA(message, &data);
}

bool StartApplication(HINSTANCE instance) {
    g_instance = instance;
    g_appIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_DORMEX));
    HANDLE running = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, kDupAppMutex);
    if (running) {
        CloseHandle(running);
        return false;
    }
    g_dupAppMutex = CreateMutexA(nullptr, FALSE, kDupAppMutex);
    // Two instances started at the same moment both find no mutex; the later creation opens the
    // earlier one's, and that instance ends as well.
    if (g_dupAppMutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(g_dupAppMutex);
        g_dupAppMutex = nullptr;
        return false;
    }
    SetIniFilePath(g_settingsFolder, sizeof g_settingsFolder);
    strcpy(g_defaultSaveFolder, g_settingsFolder);
    OvcPathCatA(g_defaultSaveFolder, "SaveAtShutdown", sizeof g_defaultSaveFolder);
    CreateDirectoryA(g_defaultSaveFolder, nullptr); // it usually exists already
    SetLogSlotId("APP");
    return true;
}

HWND CreateMainWindow() {
    WNDCLASSEXA windowClass;
    memset(&windowClass, 0, sizeof windowClass);
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_NOCLOSE;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = g_instance;
    windowClass.hIcon = g_appIcon;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kMainWindowClass;
    if (!RegisterClassExA(&windowClass)) {
        LogError(" RegisterClassEx", static_cast<int>(GetLastError()));
        return nullptr;
    }
    // No system menu, so no close button: the application ends only with the session or on
    // uninstallation.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kMainWindowClass, "Dormex",
                                  WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 10, 10, 0, 0, nullptr,
                                  nullptr, g_instance, nullptr);
    if (!window)
        LogError(" CreateWindowEx", static_cast<int>(GetLastError()));
    return window;
}

int RunMessageLoop() {
    MSG message;
    for (;;) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return 0;
        bool handled = false;
        for (HWND dialog : {g_settingsDialog, PreservationProgressDialog(), g_warningDialog}) {
            if (dialog && IsDialogMessageA(dialog, &message)) {
                handled = true;
                break;
            }
        }
        if (!handled) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void EndApplication() {
    if (g_dupAppMutex) {
        CloseHandle(g_dupAppMutex);
        g_dupAppMutex = nullptr;
    }
}
