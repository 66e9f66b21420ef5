// Section [TIMER] of the settings file: the two timer periods and the waiting limits of a
// preservation run, in milliseconds, read once per run.
#pragma once

#include <windows.h>

struct SaveTimers {
    UINT cycle;            // "TmCyc": period of timer 0 and the time added at every check
    UINT interval;         // "TmInterval": period of timer 1
    UINT saveAsStartLimit; // "TmSrtSaveAs": state 1
    UINT saveAsEndLimit;   // "TmEndSaveAs": state 3
    UINT closeLimit;       // "TmClsOrRew": states 4 and 7
    UINT confirmEndLimit;  // "TmRewrite": state 6
    UINT saveStartLimit;   // "TmSaveStart": state 8
    UINT saveEndLimit;     // "TmSaveEnd": state 9
    UINT windowCloseLimit; // "TmClose": state 10
};

// Every run must end, whatever the file holds:
// - a period of 0 (TmCyc, TmInterval) takes its default: a cycle of 0 would never bring a wait
//   nearer its limit; periods above SaveMaxPeriodMs are taken as SaveMaxPeriodMs;
// - a limit of 0 gives the state up at its first check; limits above SaveMaxLimitMs are taken as
//   SaveMaxLimitMs, so one window is never waited on for more than about an hour per state.
constexpr UINT SaveMaxPeriodMs = 60000;
constexpr UINT SaveMaxLimitMs = 3600000;

SaveTimers DefaultSaveTimers();
// Applies the rules above to values as read.
SaveTimers BoundSaveTimers(const SaveTimers& read);
// Reads section "TIMER" of the process's settings file (a missing or unreadable key takes its
// default) and bounds the values.
SaveTimers LoadSaveTimers();
