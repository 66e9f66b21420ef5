#include "save_text.h"

#include <OrvCtl.h>

#include <limits.h>
#include <string.h>

bool TitleContains(const char* title, const char* part) {
    return strstr(title, part) != nullptr;
}

void CleanSaveName(char* name, UINT codePage) {
    static const char kUnsafe[] = "<>|*?\\/";
    for (char* p = name; *p; ++p) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(*p))) {
            if (!p[1])
                break;
            ++p; // the trail byte belongs to the character, whatever its value
            continue;
        }
        if (strchr(kUnsafe, *p))
            *p = '@';
    }
}

void FormatSaveStamp(const SYSTEMTIME& time, char* stamp, int size) {
    OvcSnPrintFA(stamp, size, "%04d%02d%02d_%02d%02d%02d_", time.wYear, time.wMonth, time.wDay, time.wHour,
                 time.wMinute, time.wSecond);
}

bool BuildSavePath(const char* folder, const SYSTEMTIME& time, const char* cleanedName, char* path,
                   int size) {
    char stamp[SaveStampSize];
    FormatSaveStamp(time, stamp, sizeof stamp);
    char built[SavePathSize * 2];
    if (strlen(folder) >= sizeof built)
        return false;
    strcpy(built, folder);
    if (!OvcPathCatA(built, stamp, sizeof built))
        return false;
    size_t length = strlen(built);
    if (length + strlen(cleanedName) >= static_cast<size_t>(size))
        return false;
    strcpy(built + length, cleanedName);
    strcpy(path, built);
    return true;
}

size_t FolderLength(const char* path) {
    size_t folder = 0;
    for (size_t i = 0; path[i]; ++i) {
        if (IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(path[i])) && path[i + 1]) {
            ++i;
            continue;
        }
        if (path[i] == '\\')
            folder = i + 1;
    }
    return folder;
}

bool WaitLimitPassed(UINT* elapsedMs, UINT cycleMs, UINT limitMs) {
    *elapsedMs = (*elapsedMs > UINT_MAX - cycleMs) ? UINT_MAX : *elapsedMs + cycleMs;
    return *elapsedMs > limitMs;
}
