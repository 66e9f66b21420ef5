// The settings record as a table of keys: one place that names every key, its field and its
// default, in the order the file is read and written.
#pragma once

#include "OrvDl2SubFuncs.h"

#include <vector>

struct SettingField {
    char key[32];
    UINT32* number; // the field when it is a number, else null
    char* text;     // the field when it is a text, else null
    int capacity;   // of text, NUL included
};

// All 97 fields of the record, in file order.
std::vector<SettingField> SettingFields(SetInfo* info);

// The record as an empty settings file gives it: defaults for the language (1041 = Japanese),
// SaveDir = settingsFolder + "SaveAtShutdown".
void DefaultSetInfo(SetInfo* info, LANGID language, const char* settingsFolder);
