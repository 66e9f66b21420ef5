// Text rules of a preservation run that need no window or file: title matching, the cleaning of
// proposed file names, the saved file's path, and the waiting limits.
#pragma once

#include <windows.h>

// Capacities of the run's texts.
constexpr int SaveTitleSize = 256;
constexpr int SavePathSize = 260;
constexpr int SaveMaskSize = 264;
constexpr int SaveStampSize = 32;

// True when title contains part as a byte sequence (case-sensitive); an empty part is contained in
// every title.
bool TitleContains(const char* title, const char* part);

// Makes a proposed name usable as a file name, in place: each of < > | * ? \ / becomes '@'. A
// double-byte character of codePage is passed over whole, so a trail byte 0x5C or 0x7C stays; a
// lead byte at the very end (a cut character) is left as it is. Colon and double quote stay.
void CleanSaveName(char* name, UINT codePage);

// "YYYYMMDD_hhmmss_" of time into stamp (size bytes, at least 17 for the whole stamp).
void FormatSaveStamp(const SYSTEMTIME& time, char* stamp, int size);

// folder, a backslash, the time stamp and cleanedName, with nothing between stamp and name, into
// path (size bytes). Returns false and leaves path untouched when the whole path would not fit:
// a cut path would save under another name than the one watched for.
bool BuildSavePath(const char* folder, const SYSTEMTIME& time, const char* cleanedName, char* path, int size);

// Length of path's folder part, up to and including its last backslash, passing over double-byte
// characters of the ANSI code page (a trail byte 0x5C is no separator); 0 when it has none.
size_t FolderLength(const char* path);

// Adds cycleMs to *elapsedMs (saturating) and tells whether the sum is now above limitMs.
bool WaitLimitPassed(UINT* elapsedMs, UINT cycleMs, UINT limitMs);
