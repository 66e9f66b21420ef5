// OrvDx2LogView32: shows, live, the log lines that every Dormex process writes to the log mailslot.
#include "OrvCtl.h"
#include "log_drain.h"
#include "resource.h"

namespace {

const char kLogSlotName[] = "\\\\.\\mailslot\\OrvDormex\\log";
const UINT_PTR kDrainTimer = 1;
const UINT kDrainPeriodMs = 10;
// At 10 ms per tick this still takes 400,000 lines a second, and the window stays responsive.
const int kMaxMessagesPerTick = 4096;
const int kTitleSize = 512;

HINSTANCE g_instance;
HWND g_terminal;
HANDLE g_logSlot = INVALID_HANDLE_VALUE;
HICON g_bigIcon;
HICON g_smallIcon;
UINT_PTR g_mapWork[OVC_MMP_WORK_WORDS];

void ShowInTerminal(void*, const char* bytes, DWORD count) {
    OvcVthPutTextA(g_terminal, bytes, static_cast<int>(count));
}

void* AllocateMessage(DWORD size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void ReleaseMessage(void* buffer) {
    HeapFree(GetProcessHeap(), 0, buffer);
}

// "Dormex - Log view ( COMPUTER )".
void AddComputerNameToTitle(HWND dialog) {
    char title[kTitleSize];
    char computer[64];
    DWORD computerSize = sizeof computer;
    if (GetWindowTextA(dialog, title, sizeof title) == 0 || !GetComputerNameA(computer, &computerSize))
        return;
    char fullTitle[kTitleSize];
    if (OvcSnPrintFA(fullTitle, sizeof fullTitle, "%s ( %s )", title, computer) > 0)
        SetWindowTextA(dialog, fullTitle);
}

// The icon at both sizes the window shows, each drawn from its own image in the icon file.
void SetWindowIcons(HWND dialog) {
    g_bigIcon = static_cast<HICON>(
        LoadImageA(g_instance, MAKEINTRESOURCEA(IDI_DORMEX), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    g_smallIcon = static_cast<HICON>(LoadImageA(g_instance, MAKEINTRESOURCEA(IDI_DORMEX), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                LR_DEFAULTCOLOR));
    if (g_bigIcon)
        SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_bigIcon));
    if (g_smallIcon)
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
}

LRESULT OVC_CALL OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM) {
    g_terminal = GetDlgItem(dialog, IDC_TERMINAL);
    AddComputerNameToTitle(dialog);
    SetWindowIcons(dialog);
    g_logSlot = CreateMailslotA(kLogSlotName, 0, 0, nullptr);
    if (g_logSlot == INVALID_HANDLE_VALUE) {
        // Another viewer holds the name: this window stays empty until the user closes it.
        MessageBoxA(nullptr, "Message-slot creation failure!!", "Dormex", MB_OK | MB_ICONERROR);
        return 0;
    }
    if (!SetTimer(dialog, kDrainTimer, kDrainPeriodMs, nullptr)) {
        CloseHandle(g_logSlot);
        g_logSlot = INVALID_HANDLE_VALUE;
    }
    return 1;
}

LRESULT OVC_CALL OnDestroy(HWND dialog, UINT, WPARAM, LPARAM) {
    KillTimer(dialog, kDrainTimer);
    if (g_logSlot != INVALID_HANDLE_VALUE) {
        CloseHandle(g_logSlot);
        g_logSlot = INVALID_HANDLE_VALUE;
    }
    if (g_bigIcon)
        DestroyIcon(g_bigIcon);
    if (g_smallIcon)
        DestroyIcon(g_smallIcon);
    g_bigIcon = g_smallIcon = nullptr;
    PostQuitMessage(0);
    return 1;
}

LRESULT OVC_CALL OnSize(HWND, UINT, WPARAM, LPARAM lParam) {
    if (g_terminal)
        MoveWindow(g_terminal, 0, 0, LOWORD(lParam), HIWORD(lParam), FALSE);
    return 1;
}

LRESULT OVC_CALL OnTimer(HWND, UINT, WPARAM timer, LPARAM) {
    if (timer != kDrainTimer || g_logSlot == INVALID_HANDLE_VALUE)
        return 1;
    // Without memory for a message it stays queued and the next tick tries again.
    LogDrainTarget target = {nullptr, ShowInTerminal, AllocateMessage, ReleaseMessage};
    DrainLogSlot(g_logSlot, target, kMaxMessagesPerTick);
    return 1;
}

LRESULT OVC_CALL OnCancel(HWND dialog, UINT, WPARAM, LPARAM) {
    DestroyWindow(dialog);
    return 1;
}

const OvcMmpEntry kDialogMap[] = {
    OVC_MMP_ON_MESSAGE(WM_INITDIALOG, OnInitDialog),
    OVC_MMP_ON_MESSAGE(WM_DESTROY, OnDestroy),
    OVC_MMP_ON_MESSAGE(WM_SIZE, OnSize),
    OVC_MMP_ON_MESSAGE(WM_TIMER, OnTimer),
    OVC_MMP_ON_COMMAND(IDCANCEL, OnCancel),
    OVC_MMP_TABLE_END,
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kDialogMap, g_mapWork);
    return OvcMmpDlgMsgHandle(g_mapWork, dialog, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_instance = instance;
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_LOGVIEW), nullptr, DialogProc, 0);
    if (!dialog)
        return 1;
    ShowWindow(dialog, SW_SHOW);
    SetWindowPos(dialog, nullptr, 50, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    MSG message;
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
        if (got == -1)
            return 1;
        if (!IsDialogMessageA(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
