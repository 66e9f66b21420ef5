// The settings file: where it lies, and loading and saving the record under the settings mutex.
#include "OrvDl2SubFuncs.h"
#include "settings_fields.h"

#include "OrvCtl.h"

#include <string>

namespace {

const char kSection[] = "SETINFO";

// The settings folder with its final backslash; empty until SetIniFilePath has run.
char g_settingsFolder[MAX_PATH];

// Waits for the mutex if there is one; a null or invalid handle lets the caller go on unguarded.
void AcquireSettings(HANDLE mutex) {
    if (mutex)
        WaitForSingleObject(mutex, INFINITE);
}

int ReleaseSettings(HANDLE mutex) {
    return mutex && ReleaseMutex(mutex) ? 1 : 0;
}

} // namespace

extern "C" {

SUB_API void SUB_CALL SetIniFilePath(char* buffer, int size) {
    char folder[MAX_PATH] = "";
    UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder)
        folder[0] = '\0';
    if (folder[0] && folder[1] == ':')
        folder[2] = '\0'; // the drive only, e.g. "C:"
    OvcPathCatA(folder, "Orvane\\", sizeof folder);
    CreateDirectoryA(folder, nullptr);
    OvcPathCatA(folder, "Dormex\\", sizeof folder);
    CreateDirectoryA(folder, nullptr);
    lstrcpynA(g_settingsFolder, folder, sizeof g_settingsFolder);

    char file[MAX_PATH];
    OvcSnPrintFA(file, sizeof file, "%sDormex.ini", folder);
    OvcSetProfilePathA(file);

    if (buffer && size > 0)
        lstrcpynA(buffer, folder, size);
}

SUB_API int SUB_CALL LoadSetInfo(SetInfo* info, HANDLE mutex) {
    if (!info)
        return 0;
    SetInfo defaults;
    DefaultSetInfo(&defaults, OvcGetLangId(), g_settingsFolder);
    memset(info, 0, sizeof *info); // texts compare byte for byte: no stale bytes after the NUL
    std::vector<SettingField> fields = SettingFields(info);
    std::vector<SettingField> defaultFields = SettingFields(&defaults);

    AcquireSettings(mutex);
    OvcBeginProfileBatch(); // one read of the file for all keys
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].number)
            *fields[i].number = OvcGetProfileUIntA(kSection, fields[i].key, *defaultFields[i].number);
        else
            OvcGetProfileStrA(kSection, fields[i].key, defaultFields[i].text, fields[i].text,
                              fields[i].capacity);
    }
    OvcEndProfileBatch();
    return ReleaseSettings(mutex);
}

SUB_API int SUB_CALL SaveSetInfo(const SetInfo* info, HANDLE mutex) {
    if (!info)
        return 0;
    SetInfo copy = *info;
    std::vector<SettingField> fields = SettingFields(&copy);

    AcquireSettings(mutex);
    OvcBeginProfileBatch(); // one replacement of the file for all keys
    for (const SettingField& field : fields) {
        if (field.number) {
            OvcPutProfileUIntA(kSection, field.key, *field.number);
        } else {
            std::string text(field.text, strnlen(field.text, static_cast<size_t>(field.capacity - 1)));
            OvcPutProfileStrA(kSection, field.key, text.c_str());
        }
    }
    OvcEndProfileBatch();
    return ReleaseSettings(mutex);
}

} // extern "C"
