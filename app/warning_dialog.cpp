// Countdown dialog 103: the seconds left before a scheduled shutdown, whether it is forced, and a
// button that stops it.
#include "OrvCtl.h"
#include "app_state.h"
#include "app_windows.h"
#include "countdown.h"

namespace {

constexpr UINT_PTR TIMER_COUNTDOWN = 1;

// Shared by every open countdown: a newer warning moves the end of the older ones too.
DWORD g_deadline = 0;
UINT_PTR g_warningDialogMap[OVC_MMP_WORK_WORDS];

DWORD LocalNow1970() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return OvcSysTimeToTime1970(&now);
}

const char* CountdownText(bool forced, bool japanese) {
    if (forced)
        return japanese ? "秒後に強制シャットダウンします" : "seconds after, forced shuttdown PC";
    return japanese ? "秒後にシャットダウンします" : "seconds after, shuttdown PC";
}

LRESULT OVC_CALL OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM initValue) {
    g_warningDialog = dialog;
    DWORD value = static_cast<DWORD>(initValue);
    bool japanese = OvcGetLangId() == kJapanese;
    OvcSetDlgItemStrA(dialog, IDC_WARN_TEXT, CountdownText(CountdownIsForced(value), japanese));
    OvcSetDlgItemStrA(dialog, IDC_WARN_STOP, japanese ? "シャットダウン中止 " : "Shutdown Stop");
    UINT seconds = CountdownSeconds(value);
    OvcSetDlgItemUInt(dialog, IDC_WARN_SECONDS, seconds);
    SYSTEMTIME now;
    GetLocalTime(&now);
    g_deadline = CountdownDeadline(now, seconds);
    SetTimer(dialog, TIMER_COUNTDOWN, 1000, nullptr);
    return 1;
}

LRESULT OVC_CALL OnDestroy(HWND dialog, UINT, WPARAM, LPARAM) {
    // An older countdown closing leaves the newer one remembered.
    if (g_warningDialog == dialog)
        g_warningDialog = nullptr;
    KillTimer(dialog, TIMER_COUNTDOWN);
    return 1;
}

LRESULT OVC_CALL OnTimer(HWND dialog, UINT, WPARAM, LPARAM) {
    CountdownTick tick = CountdownAt(LocalNow1970(), g_deadline);
    if (tick.close)
        DestroyWindow(dialog);
    else
        OvcSetDlgItemUInt(dialog, IDC_WARN_SECONDS, tick.secondsLeft);
    return 1;
}

LRESULT OVC_CALL OnStop(HWND dialog, UINT, WPARAM, LPARAM) {
    SendToService(CMD_RESCHEDULE);
    Sleep(10);
    DestroyWindow(dialog);
    return 1;
}

const OvcMmpEntry kWarningDialogMessages[] = {
    OVC_MMP_ON_MESSAGE(WM_INITDIALOG, OnInitDialog),
    OVC_MMP_ON_MESSAGE(WM_DESTROY, OnDestroy),
    OVC_MMP_ON_MESSAGE(WM_TIMER, OnTimer),
    OVC_MMP_ON_COMMAND(IDC_WARN_STOP, OnStop),
    OVC_MMP_TABLE_END,
};

INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kWarningDialogMessages, g_warningDialogMap);
    return OvcMmpDlgMsgHandle(g_warningDialogMap, dialog, message, wParam, lParam);
}

BOOL CALLBACK CloseIfWarning(HWND window, LPARAM) {
    if (reinterpret_cast<DLGPROC>(GetWindowLongPtrA(window, DWLP_DLGPROC)) == WarningDialogProc)
        DestroyWindow(window);
    return TRUE;
}

} // namespace

HWND CreateWarningDialog(DWORD initValue) {
    HWND dialog = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_WARNING), nullptr, WarningDialogProc,
                                     static_cast<LPARAM>(initValue));
    if (!dialog)
        LogError(" CreateDialogParam", static_cast<int>(GetLastError()));
    return dialog;
}

void CloseWarningDialogs() {
    EnumThreadWindows(GetCurrentThreadId(), CloseIfWarning, 0);
}
