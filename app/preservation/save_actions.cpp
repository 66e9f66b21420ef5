// The process functions PF-0 to PF-15 of a preservation run: they find the configured
// applications' windows, drive their Save-As and save-changes dialogs with posted messages, watch
// the saved file and the window, and report what they see to the state machine as events.
// The Japanese log texts are code page 932 (this library is compiled with -fexec-charset=CP932).
#include "save_run.h"
#include "save_tables.h"
#include "save_windows.h"

#include <shlwapi.h>
#include <string.h>

SaveRunState SaveRun;

namespace {

// A target that does not answer WM_GETTEXT or WM_GETDLGCODE within this time is not waited on.
const UINT kQueryTimeoutMs = 2000;

struct PfLogText {
    const char* japanese;
    const char* english;
};

const PfLogText kPfLog[] = {
    {"SaveAct - PF-0: アプリウインド検索", "SaveAct - PF-0: Search the application window."},
    {"SaveAct - PF-1: 名前を付けて保存操作(ALT+F, A)", "SaveAct - PF-1: Operate the 'SaveAs'. (ALT+F, A)"},
    {"SaveAct - PF-2: 名前を付けて保存の開始チェック", "SaveAct - PF-2: Starting check of the 'SaveAs'."},
    {"SaveAct - PF-3: 名前を付けて保存の応答", "SaveAct - PF-3: Reply of 'SaveAs'."},
    {"SaveAct - PF-4: 名前を付けて保存の終了チェック", "SaveAct - PF-4: End check of the 'SaveAs'."},
    {"SaveAct - PF-5: アプリウインドクローズ操作", "SaveAct - PF-5: Close application window."},
    {"SaveAct - PF-6: 名前を付けて保存の開始／ウインド消滅チェック",
     "SaveAct - PF-6: Starting check the 'Save AS' / Close check the Application window."},
    {"SaveAct - PF-7: 上書き確認の開始／ウインド消滅チェック",
     "SaveAct - PF-7: Starting check the over-write / Close check the Application window."},
    {"SaveAct - PF-8: 上書き確認の応答", "SaveAct - PF-8: Reply of over-write(Click 'YES')"},
    {"SaveAct - PF-9: 上書き確認の終了チェック", "SaveAct - PF-9: End check the over-write."},
    {"SaveAct - PF-10: ファイル保存開始チェック", "SaveAct - PF-10: Staring check the file-save."},
    {"SaveAct - PF-11: ファイル保存終了チェック", "SaveAct - PF-11: End check the file-save."},
    {"SaveAct - PF-12: ＡＰＰウインドクローズチェック(hwnd=%p)",
     "SaveAct - PF-12: Close check the application window.(hwnd=%p)"},
    {"SaveAct - PF-13: アプリを操作対象から外す",
     "SaveAct - PF-13: An application is removed from operational object."},
    {"SaveAct - PF-14: タイマカウンタ クリアー", "SaveAct - PF-14: Clear timer counter"},
};

void LogPf(int number) {
    SaveLog(kPfLog[number].japanese, kPfLog[number].english);
}

void Raise(UINT event) {
    OvcStcExecEvent(SaveRun.SaveStc, event);
}

// Adds a cycle to the time spent in the current waiting state; true (and event 13 raised) once
// the state's limit has passed.
bool LimitPassed(UINT limitMs) {
    if (!WaitLimitPassed(&SaveRun.ElapsedMs, SaveRun.Timers.cycle, limitMs))
        return false;
    Raise(SAE_CANCEL);
    return true;
}

// Messages to other applications are posted, never sent, so a hung application cannot stop the
// run; a message to a window that has gone is lost, which the next check of the state sees.
void PostAndPause(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageA(window, message, wParam, lParam);
    Sleep(10);
}

bool TitleChangedForMultiDoc() {
    if (!SaveRun.CurApp->fMultDoc)
        return false;
    char title[SaveTitleSize];
    ReadWindowTitle(SaveRun.TargetWnd, title);
    return title[0] && strcmp(title, SaveRun.TargetTitle) != 0;
}

// The checks PF-6 and PF-7 share: the window has gone (event 7), or a multi-document window shows
// another document (event 8). True when one of the two events was raised.
bool RaisedWindowEnd() {
    if (!IsWindow(SaveRun.TargetWnd)) {
        Raise(SAE_APP_GONE);
        return true;
    }
    if (TitleChangedForMultiDoc()) {
        Raise(SAE_TITLE_CHANGED);
        return true;
    }
    return false;
}

bool SameDoneNode(HWND window, DoneNode* node) {
    return OvcAvlGetNodeByKey(SaveRun.DoneTree, reinterpret_cast<UINT_PTR>(window), node, sizeof *node) ==
           static_cast<int>(sizeof *node);
}

void StoreDoneNode(HWND window, const DoneNode& node) {
    OvcAvlRepNode(SaveRun.DoneTree, reinterpret_cast<UINT_PTR>(window), &node, sizeof node);
}

UINT FoundEvent(const SaveAppEntry& app) {
    return app.fTrySaveAs ? SAE_FOUND_SAVEAS : SAE_FOUND_CLOSE;
}

// Takes the window up for app when this run allows it; returns the event to raise, or
// SAE_COUNT when the window is passed over.
UINT TakeUp(HWND window, SaveAppEntry* app) {
    DoneNode node;
    if (!SameDoneNode(window, &node)) {
        node = {1, static_cast<INT32>(app->fMultDoc), 1};
        if (!OvcAvlInsNode(SaveRun.DoneTree, reinterpret_cast<UINT_PTR>(window), &node, sizeof node))
            return SAE_COUNT; // never work a window the run could not remember
        SaveRun.CurApp = app;
        return FoundEvent(*app);
    }
    if (!node.fActive || !app->fMultDoc)
        return SAE_COUNT;
    SaveRun.CurApp = app;
    ++node.Count;
    UINT event = FoundEvent(*app);
    if (node.Count > SaveMaxTakeUps) {
        node.fActive = 0;
        event = SAE_COUNT;
    }
    StoreDoneNode(window, node);
    return event;
}

// PF-1
void RequestSaveAs() {
    LogPf(1);
    SaveRun.RibbonWnd = FindRibbonWindow(SaveRun.TargetWnd);
    if (SaveRun.RibbonWnd) {
        const LPARAM point = MAKELPARAM(30, 30);
        PostAndPause(SaveRun.RibbonWnd, WM_LBUTTONDOWN, MK_LBUTTON, point);
        PostAndPause(SaveRun.RibbonWnd, WM_LBUTTONUP, MK_LBUTTON, point);
        PostAndPause(SaveRun.RibbonWnd, WM_KEYDOWN, 'A', 1);
        PostAndPause(SaveRun.RibbonWnd, WM_KEYUP, 'A', 1);
    } else {
        PostAndPause(SaveRun.TargetWnd, WM_SYSKEYDOWN, 'F', 0x20000001);
        PostAndPause(SaveRun.TargetWnd, WM_SYSKEYUP, 'F', static_cast<LPARAM>(0xE0000001u));
        PostAndPause(SaveRun.TargetWnd, WM_CHAR, 'A', 1);
    }
}

// PF-2
void CheckSaveAsStart() {
    LogPf(2);
    if (LimitPassed(SaveRun.Timers.saveAsStartLimit))
        return;
    SaveRun.SaveAsDlg = FindOwnedWindow(SaveRun.TargetWnd, SaveRun.CurApp->SaveAsStr);
    if (SaveRun.SaveAsDlg)
        Raise(SAE_SAVEAS_SHOWN);
}

// The focus window when it is a text field inside the Save-As dialog, else null.
HWND SaveAsNameField() {
    HWND focus = OvcGetFocusWindow();
    if (!focus)
        return nullptr;
    HWND ancestor = GetParent(focus);
    while (ancestor && ancestor != SaveRun.SaveAsDlg)
        ancestor = GetParent(ancestor);
    if (!ancestor)
        return nullptr;
    // Typing the path into a button or list would save the document elsewhere when OK is pressed.
    DWORD_PTR code = 0;
    if (!SendMessageTimeoutA(focus, WM_GETDLGCODE, 0, 0, SMTO_ABORTIFHUNG, kQueryTimeoutMs, &code) ||
        !(code & DLGC_HASSETSEL)) {
        SaveLog("SaveAct - PF-3: フォーカスが入力欄ではないため入力しません",
                "SaveAct - PF-3: The focused control is not an edit box; nothing is typed.");
        return nullptr;
    }
    return focus;
}

// PF-3
void AnswerSaveAs() {
    LogPf(3);
    Sleep(100);
    HWND field = SaveAsNameField();
    if (!field)
        return;
    char name[SavePathSize] = "";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(field, WM_GETTEXT, sizeof name, reinterpret_cast<LPARAM>(name), SMTO_ABORTIFHUNG,
                             kQueryTimeoutMs, &copied))
        name[0] = '\0';
    name[sizeof name - 1] = '\0';
    LogPrintF("SaveAct - File name = %s.", name);
    CleanSaveName(name, CP_ACP);
    SYSTEMTIME now;
    GetLocalTime(&now);
    char path[SavePathSize];
    if (!BuildSavePath(SaveRun.SaveFolder, now, name, path, sizeof path)) {
        // A cut path would save under a name nobody watches for; the state's limit gives up.
        LogPrintF(SaveLogInJapanese()
                      ? "SaveAct - PF-3: 保存先のパスが%dバイトに収まらないため入力しません"
                      : "SaveAct - PF-3: The save path does not fit in %d bytes; nothing is typed.",
                  SavePathSize);
        return;
    }
    strcpy(SaveRun.SaveFile, path);
    OvcSnPrintFA(SaveRun.SaveFileMask, sizeof SaveRun.SaveFileMask, "%s.*", path);
    PostAndPause(field, WM_CHAR, 1, 1); // control-A: select all
    for (const char* p = path; *p; ++p)
        PostAndPause(field, WM_CHAR, static_cast<BYTE>(*p), 1);
    Sleep(1000);
    PostMessageA(SaveRun.SaveAsDlg, WM_COMMAND, IDOK, 0);
}

// PF-4
void CheckSaveAsEnd() {
    LogPf(4);
    if (LimitPassed(SaveRun.Timers.saveAsEndLimit))
        return;
    if (!IsWindow(SaveRun.SaveAsDlg))
        Raise(SAE_SAVEAS_GONE);
}

// PF-5
void CloseAppWindow() {
    LogPf(5);
    OvcSetFocusWindow(SaveRun.TargetWnd);
    Sleep(10);
    PostMessageA(SaveRun.TargetWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// PF-6
void CheckSaveAsOrClose() {
    LogPf(6);
    if (LimitPassed(SaveRun.Timers.closeLimit))
        return;
    if (RaisedWindowEnd())
        return;
    if (!SaveRun.CurApp->SaveAsStr[0])
        return;
    SaveRun.SaveAsDlg = FindOwnedWindow(SaveRun.TargetWnd, SaveRun.CurApp->SaveAsStr);
    if (SaveRun.SaveAsDlg)
        Raise(SAE_SAVEAS_SHOWN);
}

// PF-7
void CheckConfirmOrClose() {
    LogPf(7);
    if (LimitPassed(SaveRun.Timers.closeLimit))
        return;
    SaveRun.ConfirmDlg = nullptr;
    if (RaisedWindowEnd())
        return;
    if (!SaveRun.CurApp->SavStr[0])
        return;
    SaveRun.ConfirmDlg = FindOwnedWindow(SaveRun.TargetWnd, SaveRun.CurApp->SavStr);
    if (SaveRun.ConfirmDlg)
        Raise(SAE_CONFIRM_SHOWN);
}

// PF-8
void AnswerConfirm() {
    LogPf(8);
    PostMessageA(SaveRun.ConfirmDlg, WM_COMMAND, IDYES, 0);
    Sleep(100);
    if (IsWindow(SaveRun.ConfirmDlg))
        PostMessageA(SaveRun.ConfirmDlg, WM_COMMAND, IDYES, 0);
}

// PF-9
void CheckConfirmEnd() {
    LogPf(9);
    if (LimitPassed(SaveRun.Timers.confirmEndLimit))
        return;
    if (!IsWindow(SaveRun.ConfirmDlg))
        Raise(SAE_CONFIRM_GONE);
}

// The file the application wrote for SaveFileMask (it may have added its own extension) into
// SaveFile; false when there is none yet.
bool FindWrittenFile() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(SaveRun.SaveFileMask, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    FindClose(search);
    char path[SavePathSize];
    size_t folderLength = FolderLength(SaveRun.SaveFile);
    if (folderLength + strlen(found.cFileName) >= sizeof path)
        return false;
    memcpy(path, SaveRun.SaveFile, folderLength);
    strcpy(path + folderLength, found.cFileName);
    strcpy(SaveRun.SaveFile, path);
    return true;
}

// PF-10
void CheckSaveStart() {
    LogPf(10);
    if (LimitPassed(SaveRun.Timers.saveStartLimit))
        return;
    if (PathFileExistsA(SaveRun.SaveFile) || FindWrittenFile())
        Raise(SAE_SAVE_STARTED);
}

// PF-11
void CheckSaveEnd() {
    LogPf(11);
    if (LimitPassed(SaveRun.Timers.saveEndLimit))
        return;
    // Opening without sharing fails for as long as the writer keeps the file open.
    HANDLE file = CreateFileA(SaveRun.SaveFile, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(file);
    Raise(SAE_SAVE_ENDED);
}

// PF-12
void CheckAppClose() {
    LogPrintF(SaveLogInJapanese() ? kPfLog[12].japanese : kPfLog[12].english,
              static_cast<void*>(SaveRun.TargetWnd));
    if (LimitPassed(SaveRun.Timers.windowCloseLimit))
        return;
    if (!IsWindow(SaveRun.TargetWnd))
        Raise(SAE_APP_GONE);
    else if (TitleDiffers(SaveRun.TargetWnd, SaveRun.TargetTitle))
        Raise(SAE_TITLE_CHANGED);
}

// PF-13
void PassOver() {
    LogPf(13);
    DoneNode node;
    if (!SameDoneNode(SaveRun.TargetWnd, &node))
        return;
    node.fActive = 0;
    StoreDoneNode(SaveRun.TargetWnd, node);
}

// PF-14
void ClearElapsed() {
    LogPf(14);
    SaveRun.ElapsedMs = 0;
}

void SearchAppWindowProcess() {
    SearchAppWindow();
}

// PF-15
void EndRun() {
    PostMessageA(SaveRun.ProgressDlg, WM_COMMAND, IDOK, 0);
}

void (*const kProcesses[])() = {
    SearchAppWindowProcess, RequestSaveAs,      CheckSaveAsStart,    AnswerSaveAs,  CheckSaveAsEnd,
    CloseAppWindow,         CheckSaveAsOrClose, CheckConfirmOrClose, AnswerConfirm, CheckConfirmEnd,
    CheckSaveStart,         CheckSaveEnd,       CheckAppClose,       PassOver,      ClearElapsed,
};

} // namespace

bool SaveLogInJapanese() {
    return OvcGetLangId() == 1041;
}

void SaveLog(const char* japanese, const char* english) {
    LogOut(SaveLogInJapanese() ? japanese : english);
}

// PF-0
void SearchAppWindow() {
    LogPf(0);
    for (int i = 0; i < SETINFO_APP_COUNT; ++i) {
        SaveAppEntry* app = &SaveRun.Apps[i];
        if (!app->fValid)
            continue;
        HWND window = FindAppWindow(app->AppStr);
        if (!window)
            continue;
        SaveRun.TargetWnd = window;
        LogPrintF("SaveAct - Find target application, hwnd=%p.", static_cast<void*>(window));
        OvcSetFocusWindow(window);
        Sleep(1);
        ShowWindow(window, SW_SHOWNORMAL);
        Sleep(1);
        ReadWindowTitle(window, SaveRun.TargetTitle);
        UINT event = TakeUp(window, app);
        if (event != SAE_COUNT) {
            Raise(event);
            return;
        }
    }
    Raise(SAE_NO_APP);
}

void OVC_CALL ProcessCallback(UINT number, HOVCSTC, UINT_PTR) {
    if (number < sizeof kProcesses / sizeof kProcesses[0])
        kProcesses[number]();
    else
        EndRun();
}
