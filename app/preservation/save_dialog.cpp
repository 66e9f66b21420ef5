// The preservation run and its progress dialog. The Japanese texts are code page 932.
#include "preservation.h"
#include "resource.h"
#include "save_run.h"
#include "save_tables.h"

namespace {

enum : UINT_PTR { TIMER_SAVE_START = 1 };
const UINT kSaveStartDelayMs = 2000;

bool runActive = false;

void SendToService(BYTE command) {
    MailCommand word = MakeMailCommand(command, 0, 0);
    MailSlotSend(MAILSLOT_SERV, &word, sizeof word);
}

LRESULT OVC_CALL OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM) {
    SaveRun.ProgressDlg = dialog;
    OvcMoveWindowToCenterOfMonitor(dialog);
    OvcSetDlgItemStrA(dialog, IDC_SAVING_TEXT,
                      SaveLogInJapanese() ? "ドキュメントの保存中です" : "Saving documents now");
    SetTimer(dialog, TIMER_SAVE_START, kSaveStartDelayMs, nullptr);
    return 1;
}

LRESULT OVC_CALL OnTimer(HWND dialog, UINT, WPARAM timer, LPARAM) {
    if (timer == TIMER_SAVE_START) {
        KillTimer(dialog, TIMER_SAVE_START);
        SearchAppWindow(); // from here on the state machine runs by itself
    }
    return 1;
}

LRESULT OVC_CALL OnOk(HWND dialog, UINT, WPARAM, LPARAM) {
    EndDialog(dialog, IDCANCEL);
    return 1;
}

LRESULT OVC_CALL OnCancel(HWND dialog, UINT, WPARAM, LPARAM) {
    SendToService(CMD_RESCHEDULE);
    Sleep(10);
    EndDialog(dialog, IDCANCEL);
    return 1;
}

const OvcMmpEntry kProgressMap[] = {
    OVC_MMP_ON_MESSAGE(WM_INITDIALOG, OnInitDialog),
    OVC_MMP_ON_MESSAGE(WM_TIMER, OnTimer),
    OVC_MMP_ON_COMMAND(IDOK, OnOk),
    OVC_MMP_ON_COMMAND(IDCANCEL, OnCancel),
    OVC_MMP_TABLE_END,
};
UINT_PTR progressMapWork[OVC_MMP_WORK_WORDS];

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kProgressMap, progressMapWork);
    return OvcMmpDlgMsgHandle(progressMapWork, dialog, message, wParam, lParam);
}

} // namespace

void RunPreservation(const char* saveFolder, HWND parent, SaveAppEntry* apps) {
    if (runActive || !apps)
        return;
    runActive = true;
    SaveRun = SaveRunState();
    lstrcpynA(SaveRun.SaveFolder, saveFolder ? saveFolder : "", sizeof SaveRun.SaveFolder);
    SaveRun.Apps = apps;
    SaveRun.Timers = LoadSaveTimers();
    SaveRun.SaveStc = OvcStcCreate(SaveEntryTable, SaveExitTable, SaveTransitionTable, SAS_COUNT, SAE_COUNT,
                                   ProcessCallback, TraceCallback);
    if (SaveRun.SaveStc) {
        OvcStcSetTimerInfo(SaveRun.SaveStc, 0, SaveRun.Timers.cycle, SAE_CYCLE);
        OvcStcSetTimerInfo(SaveRun.SaveStc, 1, SaveRun.Timers.interval, SAE_INTERVAL);
        SaveRun.DoneTree = OvcAvlCreate(0, 0, 0);
        if (SaveRun.DoneTree) {
            DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAVING), parent,
                            ProgressDialogProc, 0);
            SaveRun.ProgressDlg = nullptr;
        }
        OvcStcDelete(SaveRun.SaveStc);
        SaveRun.SaveStc = nullptr;
    }
    if (SaveRun.DoneTree) {
        OvcAvlDelete(SaveRun.DoneTree);
        SaveRun.DoneTree = nullptr;
    }
    runActive = false;
}

bool PreservationRunning() {
    return runActive;
}

HWND PreservationProgressDialog() {
    return SaveRun.ProgressDlg;
}

void PreservationSaveDocsCommand(const char* saveFolder, HWND mainWindow, SaveAppEntry* apps) {
    if (runActive) {
        SaveLog("SaveAct - ドキュメントの保存中のため CMD_SAVE_DOCS を無視します",
                "SaveAct - A preservation is running already; CMD_SAVE_DOCS is ignored.");
        return;
    }
    SendToService(CMD_SAVE_STARTED);
    RunPreservation(saveFolder, mainWindow, apps);
    SendToService(CMD_SAVE_ENDED);
}

void PreservationAbortCommand() {
    if (!SaveRun.ProgressDlg) {
        SaveLog("SaveAct - ドキュメントの保存中ではないため CMD_SAVE_ABORT を無視します",
                "SaveAct - No preservation is running; CMD_SAVE_ABORT is ignored.");
        return;
    }
    SaveLog("SaveAct - CMD_SAVE_ABORT: ドキュメントの保存を中止します",
            "SaveAct - CMD_SAVE_ABORT: the preservation is closed.");
    PostMessageA(SaveRun.ProgressDlg, WM_COMMAND, IDOK, 0);
}
