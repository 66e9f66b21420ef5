// Settings dialog 101, the only content of the main window: the schedule, the announcements, the
// keep-awake switches and the immediate actions. OK saves changed settings and tells the service.
#include "OrvCtl.h"
#include "app_state.h"
#include "app_windows.h"
#include "power_requests.h"

#include <mmsystem.h>

#include <string.h>

#include <initializer_list>

namespace {

UINT_PTR g_settingsDialogMap[OVC_MMP_WORK_WORDS];

// English texts for any user-interface language but Japanese (the template holds the Japanese).
struct ControlText {
    int id;
    const char* text;
};
const ControlText kEnglishTexts[] = {
    {IDCANCEL, "Cancel"},
    {IDC_SHUTDOWN_NOW, "Shutdown now"},
    {IDC_SLEEP_NOW, "Sleep now"},
    {IDC_REBOOT_NOW, "Re-boot now"},
    {IDC_SCHEDULE, "Schedule shutdown"},
    {IDC_TIME_CAPTION, "Shutdown time ( hh:mm )"},
    {IDC_ROW_FORCED0 + 0, "Forced shutdown"},
    {IDC_ROW_FORCED0 + 1, "Forced shutdown"},
    {IDC_ROW_FORCED0 + 2, "Forced shutdown"},
    {IDC_ROW_FORCED0 + 3, "Forced shutdown"},
    {IDC_INTERVAL_CAPTION, "Interval time"},
    {IDC_INTERVAL_UNIT, "[minute]"},
    {IDC_INTERVAL_NOTE, "* Shut down execution grace time. (show warning dialog)"},
    {IDC_WEEKDAY_GROUP, "Week days"},
    {IDC_WEEKDAY0 + 0, "Sun"},
    {IDC_WEEKDAY0 + 1, "Mon"},
    {IDC_WEEKDAY0 + 2, "Tue"},
    {IDC_WEEKDAY0 + 3, "Wed"},
    {IDC_WEEKDAY0 + 4, "Thu"},
    {IDC_WEEKDAY0 + 5, "Fry"},
    {IDC_WEEKDAY0 + 6, "Sat"},
    {IDC_SOUND_GROUP, "Sound announcement"},
    {IDC_SOUND60, "60 min."},
    {IDC_SOUND30, "30 min."},
    {IDC_SOUND10, "10 min."},
    {IDC_SOUND03, "3 min."},
    {IDC_DEVICE_CAPTION, "Play device"},
    {IDC_VOLUME_CAPTION, "Volume"},
    {IDC_PLAY_TEST, "Play test"},
    {IDC_RESUME_CAPTION, "Required time for resuming the PC"},
    {IDC_RESUME_UNIT, "[minute]"},
    {IDC_NO_SLEEP, "No Sleep"},
    {IDC_NO_DSP_OFF, "No Display Off"},
};

// The flags and numbers of the record and the controls that show them (week days and time rows
// are indexed).
struct FlagField {
    int id;
    UINT32 SetInfo::*field;
};
const FlagField kFlagFields[] = {
    {IDC_SCHEDULE, &SetInfo::fSchedShutdown}, {IDC_SOUND60, &SetInfo::fSound60},
    {IDC_SOUND30, &SetInfo::fSound30},        {IDC_SOUND10, &SetInfo::fSound10},
    {IDC_SOUND03, &SetInfo::fSound03},        {IDC_NO_SLEEP, &SetInfo::fNoSleep},
    {IDC_NO_DSP_OFF, &SetInfo::fNoDspOff},
};
const FlagField kNumberFields[] = {
    {IDC_INTERVAL, &SetInfo::interval},
    {IDC_VOLUME, &SetInfo::SoundVolume},
    {IDC_RESUME, &SetInfo::PCResumeTime},
};

bool IsClick(WPARAM wParam) {
    return HIWORD(wParam) == BN_CLICKED;
}

void ApplyRule(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
}

void FillDeviceList(HWND dialog) {
    UINT devices = waveOutGetNumDevs();
    for (UINT device = 0; device < devices; ++device) {
        WAVEOUTCAPSA caps;
        if (waveOutGetDevCapsA(device, &caps, sizeof caps) == MMSYSERR_NOERROR)
            OvcSetDlgItemCboAddA(dialog, IDC_DEVICE, caps.szPname, -1);
    }
    OvcSetDlgItemCboIx(dialog, IDC_DEVICE, 0);
}

// Shows the settings in the controls. Numbers beyond a field's range show as its nearest end
// (the number fields clamp); a device index beyond the list shows the first device.
void LoadControls(HWND dialog, const SetInfo& info) {
    for (const FlagField& flag : kFlagFields)
        OvcSetDlgItemChk(dialog, flag.id, info.*flag.field);
    for (int day = 0; day < 7; ++day)
        OvcSetDlgItemChk(dialog, IDC_WEEKDAY0 + day, info.WeekDay[day]);
    for (int row = 0; row < SETINFO_SLOT_COUNT; ++row) {
        const ShutdownSlot& slot = info.sdt[row];
        OvcSetDlgItemChk(dialog, IDC_ROW_VALID0 + row, slot.fValid);
        OvcSetDlgItemUInt(dialog, IDC_ROW_HOUR0 + row, slot.hour);
        OvcSetDlgItemUInt(dialog, IDC_ROW_MINUTE0 + row, slot.minute);
        OvcSetDlgItemChk(dialog, IDC_ROW_FORCED0 + row, slot.fForced);
    }
    for (const FlagField& number : kNumberFields)
        OvcSetDlgItemUInt(dialog, number.id, info.*number.field);
    if (!OvcSetDlgItemCboIx(dialog, IDC_DEVICE, static_cast<int>(info.SoundDevIx)))
        OvcSetDlgItemCboIx(dialog, IDC_DEVICE, 0);
}

// Takes what the controls show into the settings. With an empty device list (no output device at
// the moment) the stored device is kept rather than forgotten.
void StoreControls(HWND dialog, SetInfo& info) {
    for (const FlagField& flag : kFlagFields)
        info.*flag.field = OvcGetDlgItemChk(dialog, flag.id);
    for (int day = 0; day < 7; ++day)
        info.WeekDay[day] = OvcGetDlgItemChk(dialog, IDC_WEEKDAY0 + day);
    for (int row = 0; row < SETINFO_SLOT_COUNT; ++row) {
        ShutdownSlot& slot = info.sdt[row];
        slot.fValid = OvcGetDlgItemChk(dialog, IDC_ROW_VALID0 + row);
        slot.hour = OvcGetDlgItemUInt(dialog, IDC_ROW_HOUR0 + row, nullptr);
        slot.minute = OvcGetDlgItemUInt(dialog, IDC_ROW_MINUTE0 + row, nullptr);
        slot.fForced = OvcGetDlgItemChk(dialog, IDC_ROW_FORCED0 + row);
    }
    for (const FlagField& number : kNumberFields)
        info.*number.field = OvcGetDlgItemUInt(dialog, number.id, nullptr);
    int device = OvcGetDlgItemCboIx(dialog, IDC_DEVICE);
    char name[SETINFO_TEXT_SIZE] = {};
    if (device >= 0 && OvcGetDlgItemCboItemA(dialog, IDC_DEVICE, device, name, sizeof name) >= 0) {
        info.SoundDevIx = static_cast<UINT32>(device);
        // The whole field is replaced, so that no byte of a longer former name stays behind the
        // NUL and fools the comparison with the saved copy.
        memcpy(info.SoundDevName, name, sizeof name);
    }
}

// Makes the main window's client area hold the dialog exactly.
void FitMainWindow(HWND dialog) {
    RECT rect;
    if (!GetWindowRect(dialog, &rect))
        return;
    if (!AdjustWindowRectEx(&rect, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, FALSE,
                            WS_EX_TOOLWINDOW))
        return;
    SetWindowPos(g_mainWindow, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT OVC_CALL OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM) {
    g_settingsDialog = dialog;
    if (OvcGetLangId() != kJapanese) {
        for (const ControlText& text : kEnglishTexts)
            OvcSetDlgItemStrA(dialog, text.id, text.text);
    }
    FillDeviceList(dialog);
    LoadControls(dialog, g_settings);
    for (int id : {IDC_SCHEDULE, IDC_NO_SLEEP, IDC_NO_DSP_OFF})
        ApplyRule(dialog, id);
    FitMainWindow(dialog);
    ShowWindow(dialog, SW_SHOWNORMAL);
    g_savedSettings = g_settings;
    return 1;
}

LRESULT OVC_CALL OnDestroy(HWND, UINT, WPARAM, LPARAM) {
    g_settingsDialog = nullptr;
    return 1;
}

LRESULT OVC_CALL OnShutdownNow(HWND, UINT, WPARAM wParam, LPARAM) {
    if (IsClick(wParam))
        OvcExitWindows(EWX_SHUTDOWN);
    return 1;
}

LRESULT OVC_CALL OnSleepNow(HWND, UINT, WPARAM wParam, LPARAM) {
    if (IsClick(wParam))
        RequestSleep();
    return 1;
}

LRESULT OVC_CALL OnRebootNow(HWND, UINT, WPARAM wParam, LPARAM) {
    if (IsClick(wParam))
        OvcExitWindows(EWX_REBOOT);
    return 1;
}

// Schedule switch: everything inside the schedule frame follows it; switched on, each row's
// fields then follow their row's own check box.
LRESULT OVC_CALL OnScheduleSwitch(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (!IsClick(wParam))
        return 1;
    if (OvcGetDlgItemChk(dialog, IDC_SCHEDULE)) {
        OvcEnableDlgGroup(dialog, IDC_SCHEDULE_GROUP, TRUE, TRUE);
        for (int row = 0; row < SETINFO_SLOT_COUNT; ++row)
            ApplyRule(dialog, IDC_ROW_VALID0 + row);
    } else {
        OvcEnableDlgGroup(dialog, IDC_SCHEDULE_GROUP, FALSE, FALSE);
    }
    return 1;
}

LRESULT OVC_CALL OnRowSwitch(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (!IsClick(wParam))
        return 1;
    int row = LOWORD(wParam) - IDC_ROW_VALID0;
    BOOL inUse = OvcGetDlgItemChk(dialog, IDC_ROW_VALID0 + row) != 0;
    OvcEnableDlgGroup(dialog, IDC_ROW_GROUP0 + row, inUse, inUse);
    return 1;
}

// The keep-awake timers of the main window follow their check boxes at once, before OK.
void FollowKeepAwake(HWND dialog, int id, UINT_PTR timer) {
    if (OvcGetDlgItemChk(dialog, id))
        SetTimer(g_mainWindow, timer, kKeepAwakePeriodMs, nullptr);
    else
        KillTimer(g_mainWindow, timer);
}

LRESULT OVC_CALL OnNoSleep(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (IsClick(wParam))
        FollowKeepAwake(dialog, IDC_NO_SLEEP, TIMER_NO_SLEEP);
    return 1;
}

LRESULT OVC_CALL OnNoDisplayOff(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (IsClick(wParam))
        FollowKeepAwake(dialog, IDC_NO_DSP_OFF, TIMER_NO_DSP_OFF);
    return 1;
}

// Plays the test sound with the device and volume the dialog shows now.
LRESULT OVC_CALL OnPlayTest(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (!IsClick(wParam))
        return 1;
    char device[SETINFO_TEXT_SIZE] = {};
    int index = OvcGetDlgItemCboIx(dialog, IDC_DEVICE);
    if (index >= 0)
        OvcGetDlgItemCboItemA(dialog, IDC_DEVICE, index, device, sizeof device);
    UINT volume = OvcGetDlgItemUInt(dialog, IDC_VOLUME, nullptr);
    char path[MAX_PATH] = {};
    if (!OvcGetAppPathA(path, sizeof path) || !OvcPathCatA(path, "Dx2Sound99.wav", sizeof path))
        return 1;
    PlayByDevice(path, device, volume);
    return 1;
}

// Cancel shows the settings again. The enabling follows the restored schedule switch; the
// keep-awake timers stay as the check boxes last made them.
LRESULT OVC_CALL OnCancel(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (!IsClick(wParam))
        return 1;
    LoadControls(dialog, g_settings);
    ApplyRule(dialog, IDC_SCHEDULE);
    ShowWindow(g_mainWindow, SW_HIDE);
    return 1;
}

LRESULT OVC_CALL OnOk(HWND dialog, UINT, WPARAM wParam, LPARAM) {
    if (!IsClick(wParam))
        return 1;
    StoreControls(dialog, g_settings);
    if (memcmp(&g_settings, &g_savedSettings, sizeof g_settings) != 0) {
        g_savedSettings = g_settings;
        LogOut("Save setting information.");
        SaveSetInfo(&g_settings, g_iniMutex);
        CloseWarningDialogs();
        SendToService(CMD_RELOAD);
    }
    ShowWindow(g_mainWindow, SW_HIDE);
    return 1;
}

const OvcMmpEntry kSettingsDialogMessages[] = {
    OVC_MMP_ON_MESSAGE(WM_INITDIALOG, OnInitDialog),
    OVC_MMP_ON_MESSAGE(WM_DESTROY, OnDestroy),
    OVC_MMP_ON_COMMAND(IDC_SHUTDOWN_NOW, OnShutdownNow),
    OVC_MMP_ON_COMMAND(IDC_SLEEP_NOW, OnSleepNow),
    OVC_MMP_ON_COMMAND(IDC_REBOOT_NOW, OnRebootNow),
    OVC_MMP_ON_COMMAND(IDC_SCHEDULE, OnScheduleSwitch),
    OVC_MMP_ON_COMMAND(IDC_ROW_VALID0 + 0, OnRowSwitch),
    OVC_MMP_ON_COMMAND(IDC_ROW_VALID0 + 1, OnRowSwitch),
    OVC_MMP_ON_COMMAND(IDC_ROW_VALID0 + 2, OnRowSwitch),
    OVC_MMP_ON_COMMAND(IDC_ROW_VALID0 + 3, OnRowSwitch),
    OVC_MMP_ON_COMMAND(IDC_PLAY_TEST, OnPlayTest),
    OVC_MMP_ON_COMMAND(IDC_NO_SLEEP, OnNoSleep),
    OVC_MMP_ON_COMMAND(IDC_NO_DSP_OFF, OnNoDisplayOff),
    OVC_MMP_ON_COMMAND(IDCANCEL, OnCancel),
    OVC_MMP_ON_COMMAND(IDOK, OnOk),
    OVC_MMP_TABLE_END,
};

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kSettingsDialogMessages, g_settingsDialogMap);
    return OvcMmpDlgMsgHandle(g_settingsDialogMap, dialog, message, wParam, lParam);
}

} // namespace

HWND CreateSettingsDialog(HWND parent) {
    return CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_SETTINGS), parent, SettingsDialogProc, 0);
}
