// Keys and defaults of section SETINFO. Built with -fexec-charset=CP932: the Japanese defaults
// are code page 932 texts.
#include "settings_fields.h"

#include "OrvCtl.h"

#include <cstring>

namespace {

constexpr LANGID kJapanese = 1041;

const ShutdownSlot kDefaultSlots[SETINFO_SLOT_COUNT] = {
    {0, 20, 0, 0},
    {0, 21, 0, 0},
    {0, 22, 0, 0},
    {1, 23, 50, 0},
};

struct AppDefault {
    UINT32 fValid, fTrySaveAs, fMultDoc;
    const char* AppStr;
    const char* SaveAsStr;
    const char* SavStr;
};

const AppDefault kJapaneseApps[] = {
    {1, 1, 1, "Microsoft Excel -", "名前を付けて保存", "Microsoft Office Excel"},
    {1, 1, 0, "- Microsoft Word", "名前を付けて保存", "Microsoft Office Word"},
    {1, 1, 1, "- メモ帳", "名前を付けて保存", "メモ帳"},
    {1, 1, 1, "秀丸", "名前を付けて保存", "秀丸エディタ"},
};

const AppDefault kOtherApps[] = {
    {1, 1, 1, "Microsoft Excel -", "Save As", "Microsoft Office Excel"},
    {1, 1, 0, "- Microsoft Word", "Save As", "Microsoft Office Word"},
};

void CopyText(char* field, int capacity, const char* text) {
    strncpy(field, text, static_cast<size_t>(capacity - 1));
    field[capacity - 1] = '\0';
}

// Key names are formats with at most one index: "sdt_hour%d", "Api_AppStr%02d", "interval".
void AddNumber(std::vector<SettingField>& fields, const char* keyFormat, int index, UINT32* number) {
    SettingField field = {};
    OvcSnPrintFA(field.key, sizeof field.key, keyFormat, index);
    field.number = number;
    fields.push_back(field);
}

void AddText(std::vector<SettingField>& fields, const char* keyFormat, int index, char* text, int capacity) {
    SettingField field = {};
    OvcSnPrintFA(field.key, sizeof field.key, keyFormat, index);
    field.text = text;
    field.capacity = capacity;
    fields.push_back(field);
}

} // namespace

std::vector<SettingField> SettingFields(SetInfo* info) {
    std::vector<SettingField> fields;
    fields.reserve(SETINFO_KEY_COUNT);
    AddNumber(fields, "fSchedShutdown", 0, &info->fSchedShutdown);
    for (int n = 0; n < SETINFO_SLOT_COUNT; ++n) {
        ShutdownSlot& slot = info->sdt[n];
        AddNumber(fields, "sdt_fValid%d", n, &slot.fValid);
        AddNumber(fields, "sdt_hour%d", n, &slot.hour);
        AddNumber(fields, "sdt_minute%d", n, &slot.minute);
        AddNumber(fields, "sdt_fForced%d", n, &slot.fForced);
    }
    AddNumber(fields, "interval", 0, &info->interval);
    for (int d = 0; d < 7; ++d)
        AddNumber(fields, "WeekDay%d", d, &info->WeekDay[d]);
    AddNumber(fields, "fSound60", 0, &info->fSound60);
    AddNumber(fields, "fSound30", 0, &info->fSound30);
    AddNumber(fields, "fSound10", 0, &info->fSound10);
    AddNumber(fields, "fSound03", 0, &info->fSound03);
    AddNumber(fields, "SoundVolume", 0, &info->SoundVolume);
    AddNumber(fields, "SoundDevIx", 0, &info->SoundDevIx);
    AddText(fields, "SoundDevName", 0, info->SoundDevName, SETINFO_TEXT_SIZE);
    AddNumber(fields, "PCResumeTime", 0, &info->PCResumeTime);
    AddNumber(fields, "fNoSleep", 0, &info->fNoSleep);
    AddNumber(fields, "fNoDspOff", 0, &info->fNoDspOff);
    AddNumber(fields, "fSaveDoc", 0, &info->fSaveDoc);
    AddText(fields, "SaveDir", 0, info->SaveDir, SETINFO_PATH_SIZE);
    for (int n = 0; n < SETINFO_APP_COUNT; ++n) {
        SaveAppEntry& app = info->Api[n];
        AddNumber(fields, "Api_fValid%02d", n, &app.fValid);
        AddNumber(fields, "Api_fTrySaveAs%02d", n, &app.fTrySaveAs);
        AddNumber(fields, "Api_fMultDoc%02d", n, &app.fMultDoc);
        AddText(fields, "Api_AppStr%02d", n, app.AppStr, SETINFO_TEXT_SIZE);
        AddText(fields, "Api_SaveAsStr%02d", n, app.SaveAsStr, SETINFO_TEXT_SIZE);
        AddText(fields, "Api_SavStr%02d", n, app.SavStr, SETINFO_TEXT_SIZE);
    }
    return fields;
}

void DefaultSetInfo(SetInfo* info, LANGID language, const char* settingsFolder) {
    memset(info, 0, sizeof *info);
    info->fSchedShutdown = 1;
    memcpy(info->sdt, kDefaultSlots, sizeof kDefaultSlots);
    info->interval = 3;
    for (UINT32& day : info->WeekDay)
        day = 1;
    info->SoundVolume = 80;
    info->PCResumeTime = 5;
    CopyText(info->SaveDir, SETINFO_PATH_SIZE, settingsFolder);
    OvcPathCatA(info->SaveDir, "SaveAtShutdown", SETINFO_PATH_SIZE);

    bool japanese = language == kJapanese;
    const AppDefault* apps = japanese ? kJapaneseApps : kOtherApps;
    size_t count =
        japanese ? sizeof kJapaneseApps / sizeof *kJapaneseApps : sizeof kOtherApps / sizeof *kOtherApps;
    for (size_t n = 0; n < count; ++n) {
        SaveAppEntry& app = info->Api[n];
        app.fValid = apps[n].fValid;
        app.fTrySaveAs = apps[n].fTrySaveAs;
        app.fMultDoc = apps[n].fMultDoc;
        CopyText(app.AppStr, SETINFO_TEXT_SIZE, apps[n].AppStr);
        CopyText(app.SaveAsStr, SETINFO_TEXT_SIZE, apps[n].SaveAsStr);
        CopyText(app.SavStr, SETINFO_TEXT_SIZE, apps[n].SavStr);
    }
}
