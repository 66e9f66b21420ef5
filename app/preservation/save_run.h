// The state of the one preservation run of the process, and the functions the state machine
// calls back. Everything here runs on the application's main thread.
#pragma once

#include <windows.h>

#include <OrvCtl.h>
#include <OrvDl2SubFuncs.h>

#include "save_text.h"
#include "save_timers.h"

// A window taken up in this run: the node of DoneTree, keyed by the window handle.
struct DoneNode {
    INT32 fActive;  // 1: may be taken up again; 0: passed over for the rest of the run
    INT32 fMultDoc; // the entry's fMultDoc when the node was made
    INT32 Count;    // how many times PF-0 has taken the window up
};

// A multi-document window is taken up at most this many times in one run.
constexpr INT32 SaveMaxTakeUps = 20;

struct SaveRunState {
    char SaveFolder[SavePathSize];
    SaveAppEntry* Apps; // SETINFO_APP_COUNT entries, read in place
    SaveAppEntry* CurApp;
    HWND TargetWnd;
    char TargetTitle[SaveTitleSize];
    HWND SaveAsDlg;
    HWND ConfirmDlg;
    HWND RibbonWnd;
    UINT ElapsedMs;
    char SaveFile[SavePathSize];
    char SaveFileMask[SaveMaskSize];
    HOVCAVL DoneTree;
    HOVCSTC SaveStc;
    HWND ProgressDlg;
    SaveTimers Timers;
};

extern SaveRunState SaveRun;

// PF-0: looks for the next window to work and raises event 0, 1 or 2.
void SearchAppWindow();

// Runs PF-0 to PF-14 by number; any other number is PF-15, the end of the run.
void OVC_CALL ProcessCallback(UINT number, HOVCSTC machine, UINT_PTR state);
// Writes one trace line per step: Japanese trace names under a Japanese user interface, numbers
// otherwise.
int OVC_CALL TraceCallback(UINT kind, UINT a, UINT b, HOVCSTC machine);

// The trace name of a state, padded with blanks to SaveStateNameBytes bytes (code page 932), and
// of an event; "?" for a number outside the tables.
constexpr int SaveStateNameBytes = 45;
const char* SaveStateTraceName(UINT state);
const char* SaveEventTraceName(UINT event);

// The preservation engine's log texts follow the user-interface language.
bool SaveLogInJapanese();
void SaveLog(const char* japanese, const char* english);
