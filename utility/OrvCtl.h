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

#ifdef __cplusplus
}
#endif
