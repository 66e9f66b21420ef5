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
