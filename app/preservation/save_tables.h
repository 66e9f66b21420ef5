// The preservation state machine: its states, events and the three constant tables handed to
// the utility library's state-transition engine (OvcStcCreate).
#pragma once

#include <windows.h>

enum SaveState : UINT {
    SAS_IDLE = 0,
    SAS_WAIT_SAVEAS_START = 1,
    SAS_SAVEAS_INTERVAL = 2,
    SAS_WAIT_SAVEAS_END = 3,
    SAS_WAIT_CONFIRM_OR_CLOSE = 4,
    SAS_CONFIRM_INTERVAL = 5,
    SAS_WAIT_CONFIRM_END = 6,
    SAS_WAIT_SAVEAS_OR_CLOSE = 7,
    SAS_WAIT_SAVE_START = 8,
    SAS_WAIT_SAVE_END = 9,
    SAS_WAIT_APP_CLOSE = 10,
    SAS_CLOSE_INTERVAL = 11,
    SAS_COUNT = 12
};

enum SaveEvent : UINT {
    SAE_FOUND_SAVEAS = 0,
    SAE_FOUND_CLOSE = 1,
    SAE_NO_APP = 2,
    SAE_SAVEAS_SHOWN = 3,
    SAE_SAVEAS_GONE = 4,
    SAE_CONFIRM_SHOWN = 5,
    SAE_CONFIRM_GONE = 6,
    SAE_APP_GONE = 7,
    SAE_TITLE_CHANGED = 8,
    SAE_SAVE_STARTED = 9,
    SAE_SAVE_ENDED = 10,
    SAE_CYCLE = 11,
    SAE_INTERVAL = 12,
    SAE_CANCEL = 13,
    SAE_COUNT = 14
};

// Process numbers in the tables: 0 to 14 are PF-0 to PF-14; PF-15 ends the run.
constexpr UINT SaveProcessEndOfRun = 15;

constexpr UINT SaveActionBytes = 8;
constexpr UINT SaveTransitionBytes = 10;

// One action record per state, applied on entering it.
extern const BYTE SaveEntryTable[SAS_COUNT * SaveActionBytes];
// One action record per state, applied on leaving it (all empty).
extern const BYTE SaveExitTable[SAS_COUNT * SaveActionBytes];
// Event-major: the record of event e in state s is number e * SAS_COUNT + s.
extern const BYTE SaveTransitionTable[SAE_COUNT * SAS_COUNT * SaveTransitionBytes];
