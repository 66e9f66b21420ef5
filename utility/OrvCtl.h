// OrvCtl32 / OrvCtl64: the utility and control library shared by every Dormex program.
// Plain C interface, C calling convention, undecorated export names, ANSI texts.
#pragma once

#include <windows.h>

#ifdef ORVCTL_BUILD
#define OVC_API __declspec(dllexport)
#else
#define OVC_API __declspec(dllimport)
#endif
#define OVC_CALL __cdecl

#ifdef __cplusplus
extern "C" {
#endif

// ---- Profile (INI file) ----------------------------------------------------------------------
// The process selects one file; before that, gets return their default and puts write nothing.
// Numbers are stored as unsigned decimal text; a value that is not a whole number in 0..4294967295
// (junk, a sign, a fraction, hex, out of range) reads as the default. Texts that begin or end with
// blanks or quote characters are written in double quotes, which Windows' own profile functions
// strip again when reading. Every put replaces the whole file atomically (written beside it,
// flushed, renamed over it). Between OvcBeginProfileBatch and OvcEndProfileBatch the file is read
// once, gets and puts work on the copy in memory, and the end writes it back once if a put
// changed it; batches nest and belong to the calling thread.

OVC_API void OVC_CALL OvcSetProfilePathA(const char* path);
OVC_API UINT OVC_CALL OvcGetProfileUIntA(const char* section, const char* key, UINT defaultValue);
// Copies the value (or the default) cut to size - 1 characters; returns the length copied.
OVC_API int OVC_CALL OvcGetProfileStrA(const char* section, const char* key, const char* defaultValue,
                                       char* buffer, int size);
// Return 1 when the file was written, 0 otherwise (no file selected, or the write failed).
OVC_API int OVC_CALL OvcPutProfileUIntA(const char* section, const char* key, UINT value);
OVC_API int OVC_CALL OvcPutProfileStrA(const char* section, const char* key, const char* value);
OVC_API void OVC_CALL OvcBeginProfileBatch(void);
// Returns 1 when nothing needed writing or the write succeeded, 0 when it failed.
OVC_API int OVC_CALL OvcEndProfileBatch(void);

// ---- Text ------------------------------------------------------------------------------------
// Bounded printf: always terminated when size > 0; returns the length written (cut), -1 on error.
OVC_API int OVC_CALL OvcSnPrintFA(char* buffer, int size, const char* format, ...);
// Appends part to path in place, with one backslash between them (also after a bare "C:").
// Returns 1, or 0 and leaves path unchanged when the result would not fit in size bytes.
OVC_API int OVC_CALL OvcPathCatA(char* path, const char* part, int size);
// The running program's folder with its final backslash; returns its length, 0 on failure.
OVC_API int OVC_CALL OvcGetAppPathA(char* buffer, int size);
// Splits a command line (null: the process's own) by the Windows rules; entry 0 is the program.
// Returns null on failure; release the result with OvcReleaseCmdArgs.
OVC_API char** OVC_CALL OvcParseCmdArgsA(const char* commandLine, int* count);
OVC_API void OVC_CALL OvcReleaseCmdArgs(char** args);

// ---- Time ------------------------------------------------------------------------------------
// Seconds since 1970-01-01 00:00:00 of the fields as they stand (no time-zone conversion).
OVC_API DWORD OVC_CALL OvcSysTimeToTime1970(const SYSTEMTIME* time);
// destination = source + seconds (may be negative), every field and the weekday normalised.
// source and destination may be the same record.
OVC_API void OVC_CALL OvcTimeUpdate(const SYSTEMTIME* source, SYSTEMTIME* destination, int seconds);

// ---- System ----------------------------------------------------------------------------------
// ExitWindowsEx with the shutdown privilege taken first: 1 shut down, 2 restart, 5 forced shut down.
OVC_API BOOL OVC_CALL OvcExitWindows(UINT flags);
// The user-interface language; 1041 is Japanese.
OVC_API LANGID OVC_CALL OvcGetLangId(void);

// ---- State-transition engine -----------------------------------------------------------------
// A machine of stateCount states driven by three constant tables that the caller keeps alive
// (they are read in place):
// - action record, 8 bytes: byte 0 is 0; byte 1 is the timer control, two bits per timer slot
//   from the top (bit 7 stop timer 0, bit 6 start timer 0, bit 5 stop timer 1, ... bit 0 start
//   timer 3); bytes 2-7 hold up to six process numbers, run in order, ended by 0xFF;
// - entry table and exit table: one action record per state, in state order;
// - transition table: 10-byte records, next state (16-bit little-endian, 0xFFFF: none) followed
//   by an action record; the record of event e in state s is number e * stateCount + s.
// The machine starts in state 0 with every timer stopped and runs no entry record at creation.
// An event e in state s runs: trace 1 (s, e); the timer control and processes of record (e, s);
// then, when it names a next state n: the exit record of s, the change to n, trace 2 (n), the
// entry record of n. A next state outside the table counts as none.
// Every callback and timer expiry runs on the thread that created the machine, one at a time:
// timers are window timers of a hidden window of that thread, so the thread must dispatch
// messages (any modal loop does). An expiry, or an event posted from another thread, that comes
// while a callback pumps messages is handled when the machine is idle again.

DECLARE_HANDLE(HOVCSTC);

// Runs process number; state is the machine's state at the call.
typedef void(OVC_CALL* OVCSTCPROCESSPROC)(UINT number, HOVCSTC machine, UINT_PTR state);
// Reports a step (OVC_STC_TRACE_*); the result is ignored.
typedef int(OVC_CALL* OVCSTCTRACEPROC)(UINT kind, UINT a, UINT b, HOVCSTC machine);

enum {
    OVC_STC_TRACE_EVENT = 1,       // an event is handled: a = current state, b = event
    OVC_STC_TRACE_STATE = 2,       // the state changed: a = new state, b = 0
    OVC_STC_TRACE_TIMER_START = 3, // a = timer slot, b = period in ms as armed
    OVC_STC_TRACE_TIMER_STOP = 4 // a running (or expired, not yet handled) timer was stopped: a = slot, b = 0
};
enum { OVC_STC_TIMER_SLOTS = 4 };

// eventCount: the number of events the transition table holds; events from eventCount on are
// refused. 0 states no count: the caller then vouches that every event it raises lies in the
// table. traceProc may be null. Returns null on failure (null table or process callback,
// stateCount 0 or above 0xFFFF: ERROR_INVALID_PARAMETER).
OVC_API HOVCSTC OVC_CALL OvcStcCreate(const BYTE* entryTable, const BYTE* exitTable,
                                      const BYTE* transitionTable, UINT stateCount, UINT eventCount,
                                      OVCSTCPROCESSPROC processProc, OVCSTCTRACEPROC traceProc);
// Timer slot 0..3: a start arms one expiry after periodMs (a running timer starts its period
// again), a stop cancels it; the expiry handles event as OvcStcExecEvent would. A period of 0
// means the shortest the system allows (USER_TIMER_MINIMUM); a new period applies from the
// next start. A slot never given its information is not started. Creating thread only.
OVC_API int OVC_CALL OvcStcSetTimerInfo(HOVCSTC machine, UINT slot, UINT periodMs, UINT event);
// On the creating thread the event is handled at once, also from inside a callback (nested).
// From another thread it is posted to the creating thread and handled there. Returns 1, or 0
// (ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER for an event outside the table).
OVC_API int OVC_CALL OvcStcExecEvent(HOVCSTC machine, UINT event);
// Stops every timer and frees the machine; from then on no callback runs and no timer fires.
// Called from inside a callback, the rest of the step being handled (and of every step it is
// nested in) is abandoned when that callback returns. Creating thread only (else
// ERROR_ACCESS_DENIED).
OVC_API int OVC_CALL OvcStcDelete(HOVCSTC machine);

// ---- Integer-keyed tree ----------------------------------------------------------------------
// A balanced (AVL) tree of nodes keyed by an unsigned pointer-sized integer (a handle's value);
// each node holds a copy of the caller's bytes, of any size up to INT_MAX. A tree may be used
// from several threads.

DECLARE_HANDLE(HOVCAVL);

// The three arguments are reserved and must be 0. Returns null on failure.
OVC_API HOVCAVL OVC_CALL OvcAvlCreate(UINT_PTR reserved1, UINT_PTR reserved2, UINT_PTR reserved3);
// Adds a node with a copy of size bytes. Returns 1, or 0 when the key is present already
// (ERROR_ALREADY_EXISTS) or on failure.
OVC_API int OVC_CALL OvcAvlInsNode(HOVCAVL tree, UINT_PTR key, const void* data, UINT size);
// Replaces the bytes of an existing node (the size may change). Returns 1, or 0 when the key
// is absent (ERROR_NOT_FOUND) or on failure; a failure leaves the node as it was.
OVC_API int OVC_CALL OvcAvlRepNode(HOVCAVL tree, UINT_PTR key, const void* data, UINT size);
// Returns -1 when the key is absent (ERROR_NOT_FOUND) or on failure; otherwise the stored size,
// after copying the node into buffer when it fits in size bytes. A smaller buffer is left
// untouched (ERROR_INSUFFICIENT_BUFFER): compare the result with size.
OVC_API int OVC_CALL OvcAvlGetNodeByKey(HOVCAVL tree, UINT_PTR key, void* buffer, UINT size);
// Frees the tree and its nodes. Returns 1, or 0 for an unknown tree.
OVC_API int OVC_CALL OvcAvlDelete(HOVCAVL tree);

// ---- Message maps ----------------------------------------------------------------------------
// A window or dialog procedure is a dispatch through a table of entries ended by kind 0. Kind 1
// matches the message; kind 2 matches WM_COMMAND from control (or menu item) id, the low word of
// wParam. The first matching entry in table order wins. Window handlers' results are returned as
// the window procedure's result; a dialog handler returns TRUE when it handled the message.
typedef LRESULT(OVC_CALL* OvcMmpHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
typedef struct OvcMmpEntry {
    UINT kind;
    UINT message;
    UINT_PTR id;
    OvcMmpHandler handler;
    UINT_PTR reserved; // 0
} OvcMmpEntry;
#define OVC_MMP_END 0
#define OVC_MMP_MESSAGE 1
#define OVC_MMP_COMMAND 2
#define OVC_MMP_ON_MESSAGE(message, handler) {OVC_MMP_MESSAGE, (message), 0, (handler), 0}
#define OVC_MMP_ON_COMMAND(id, handler) {OVC_MMP_COMMAND, WM_COMMAND, (id), (handler), 0}
#define OVC_MMP_TABLE_END {OVC_MMP_END, 0, 0, 0, 0}
// The work area a table is dispatched through: zeroed before OvcMmpInitTbl, kept (with the table)
// for as long as the window or dialog uses it.
#define OVC_MMP_WORK_WORDS 5
// Binds table to work and indexes it for dispatch. Only the first call on a work area does
// anything, so a procedure may call it on every message. Returns 1, or 0 for a null argument.
OVC_API int OVC_CALL OvcMmpInitTbl(const OvcMmpEntry* table, UINT_PTR* work);
// The matching handler's result, else DefWindowProcA's (also for a work area never initialised).
OVC_API LRESULT OVC_CALL OvcMmpWndMsgHandle(UINT_PTR* work, HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
// The matching handler's result, else FALSE (the dialog manager's default handling).
OVC_API INT_PTR OVC_CALL OvcMmpDlgMsgHandle(UINT_PTR* work, HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam);

// ---- Terminal control "OvcCtrlVT100" ---------------------------------------------------------
// A scrolling, read-only terminal view for live logs. Its window text at creation is its property
// text, "P: PN=Terminal, LF=14, VW=512": PN names the setting (informational), LF is the line pitch
// in pixels (font cell height, 8..64, default 14), VW the number of finished lines kept (16..100000,
// default 512; older lines are dropped). Bytes are ANSI text in the system code page: LF ends a
// line, CR and NUL are ignored, TAB moves to the next multiple of 8 columns, ESC sequences
// (CSI included) are dropped, other control bytes and broken double-byte characters show as '?',
// and a line longer than 2048 bytes wraps. With style OVCVTS_FOLLOW the view keeps the newest line
// in sight unless the user has scrolled back. The user selects lines with the mouse (Shift extends)
// and copies them with Ctrl+C or the context menu. WM_GETTEXT gives the kept lines joined by CRLF,
// WM_SETTEXT replaces them.
#define OVC_VT100_CLASS "OvcCtrlVT100"
#define OVCVTS_FOLLOW 0x0004
// Number of lines finished since creation (low 32 bits); works across processes.
#define OVCVTM_GETLINECOUNT (WM_USER + 0x100)
// Appends count bytes (count -1: up to the terminating NUL) to a terminal control of the calling
// process, from the control's thread or another thread of the process. Returns 1, or 0 with the
// last error set (ERROR_INVALID_WINDOW_HANDLE, ERROR_INVALID_PARAMETER).
OVC_API int OVC_CALL OvcVthPutTextA(HWND control, const char* bytes, int count);
// ---- Dialog controls -------------------------------------------------------------------------
// Every function takes the dialog (any parent window) and a control id. A missing control makes
// the function fail with GetDlgItem's last error and leaves every output untouched.

// 1 when the button is checked, 0 when it is clear or indeterminate, or when it does not exist.
OVC_API UINT OVC_CALL OvcGetDlgItemChk(HWND dialog, int id);
// Checks (checked != 0) or clears the button without a notification to the dialog; 1 or 0.
OVC_API BOOL OVC_CALL OvcSetDlgItemChk(HWND dialog, int id, UINT checked);
// Copies the control's text cut to size - 1 bytes (never inside a double-byte character) and
// returns the length copied; -1 on failure (no control, or size < 1).
OVC_API int OVC_CALL OvcGetDlgItemStrA(HWND dialog, int id, char* buffer, int size);
OVC_API BOOL OVC_CALL OvcSetDlgItemStrA(HWND dialog, int id, const char* text);
// The control's text as a whole unsigned decimal number (blanks around it allowed). When it is
// not one, returns 0 and *ok (may be null) says FALSE.
OVC_API UINT OVC_CALL OvcGetDlgItemUInt(HWND dialog, int id, BOOL* ok);
OVC_API BOOL OVC_CALL OvcSetDlgItemUInt(HWND dialog, int id, UINT value);
// Adds text to a combo box at position (-1: appended, or in sort order for a sorted list);
// returns the index of the new item, -1 on failure.
OVC_API int OVC_CALL OvcSetDlgItemCboAddA(HWND dialog, int id, const char* text, int position);
// Selects item index; -1 clears the selection. An index beyond the list fails and keeps the
// selection as it was.
OVC_API BOOL OVC_CALL OvcSetDlgItemCboIx(HWND dialog, int id, int index);
// The selected index, -1 when nothing is selected or the control does not exist.
OVC_API int OVC_CALL OvcGetDlgItemCboIx(HWND dialog, int id);
// Copies the text of item index like OvcGetDlgItemStrA; -1 when the item does not exist.
OVC_API int OVC_CALL OvcGetDlgItemCboItemA(HWND dialog, int id, int index, char* buffer, int size);
OVC_API BOOL OVC_CALL OvcEnableDlgItem(HWND dialog, int id, BOOL enable);
// Enables or disables, by position, every control of the dialog whose rectangle lies wholly inside
// the group box's rectangle (edges may touch; one pixel is allowed for the rounding of dialog
// units), hidden ones and nested group boxes included, and then sets the group box itself to
// enableGroupBox. Controls outside are untouched. Keyboard focus on a control being disabled moves
// to the next tab stop. Returns the number of enclosed controls switched, -1 when the group box
// does not exist.
OVC_API int OVC_CALL OvcEnableDlgGroup(HWND dialog, int groupBoxId, BOOL enableInside, BOOL enableGroupBox);

// ---- Windows ---------------------------------------------------------------------------------
// Moves the window, keeping its size, to the centre of the work area of the monitor it is on
// (the nearest one); a window larger than the work area keeps its top-left corner inside it.
OVC_API BOOL OVC_CALL OvcMoveWindowToCenterOfMonitor(HWND window);
// Restores a minimised window, brings its top-level window to the foreground and gives window the
// keyboard focus, also when the foreground belongs to another thread or process. TRUE when the
// window is in the foreground with the focus on it (or on its child, as a dialog passes it on).
OVC_API BOOL OVC_CALL OvcSetFocusWindow(HWND window);
// The window with the keyboard focus in the foreground thread, whichever thread that is; 0 if none.
OVC_API HWND OVC_CALL OvcGetFocusWindow(void);
// Keep a window's position in the selected profile file, section as given, keys "WndPosLeft",
// "WndPosTop", "WndPosRight", "WndPosBottom" (signed screen coordinates of the normal, restored
// rectangle, also for a minimised or maximised window) and "WndPosMaximized" (0/1).
// Loading moves the window onto the monitor nearest to the saved rectangle, inside its work area.
// Only a resizable window (WS_THICKFRAME) takes the saved size; others keep the size their content
// gave them. A hidden window stays hidden; a visible one is maximised again if it was.
// Both return 1 on success; load returns 0 and leaves the window alone when no valid position is
// stored.
OVC_API BOOL OVC_CALL OvcSaveWndPosA(HWND window, const char* section);
OVC_API BOOL OVC_CALL OvcLoadWndPosA(HWND window, const char* section);

// ---- Numeric input control "OvcCtrlInpVal" ---------------------------------------------------
// Window class (global) for an unsigned number field, for dialog templates, e.g.
//     CONTROL "I: L=0, R=23", 1006, "OvcCtrlInpVal", WS_TABSTOP | 0x60, 33, 79, 36, 14
// The creation text sets the range and is never shown: "I:" then "L=lowest" and "R=highest",
// separated by commas, in any order, blanks anywhere between the parts, letters in either case.
// A missing L is 0, a missing R is 4294967295; L > R is taken as the range R..L. Any other text
// (no "I:", an unknown or repeated key, a value that is not an unsigned number) gives the whole
// range 0..4294967295. The value starts at the lowest value.
// The field takes digits only (typed or pasted; pasted text may have blanks around it), no more
// digits than the highest value has. Up/Down arrows, the mouse wheel and the spin buttons step by
// one, Page Up/Page Down by ten, and stop at the ends.
// WM_SETTEXT on the control (SetDlgItemInt, OvcSetDlgItemUInt) takes a decimal number, clamped
// into the range (a negative one gives the lowest value), and fails for any other text.
// WM_GETTEXT (GetDlgItemInt, OvcGetDlgItemUInt) always gives a number within the range: while the
// user is typing, a value beyond an end reads as that end and an empty field reads as the value
// it had before; when the focus leaves the field, the field is set to what it reads.
// The parent gets WM_COMMAND (id, EN_CHANGE, control) whenever the value read changes.
// Disabling the control (EnableWindow) disables and greys its field and spin buttons.
#define OVC_INPVAL_CLASS "OvcCtrlInpVal"
#define OVC_IVS_EDIT 0x20 // the number can be typed; without it the field is read-only
#define OVC_IVS_SPIN 0x40 // spin buttons at the right

#ifdef __cplusplus
}
#endif
