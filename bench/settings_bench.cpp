// Times SaveSetInfo + LoadSetInfo round trips against the same 97 keys written and read with
// Windows' own profile functions, on the same file. Run under Wine: wine settings_bench.exe [rounds]
#include "OrvCtl.h"
#include "OrvDl2SubFuncs.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Seconds() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Two records that differ in every field, so every save really writes.
void MakeRecords(SetInfo* a, SetInfo* b) {
    LoadSetInfo(a, nullptr);
    *b = *a;
    b->fSchedShutdown ^= 1;
    for (ShutdownSlot& slot : b->sdt)
        slot = {slot.fValid ^ 1, slot.hour + 1, slot.minute + 1, slot.fForced ^ 1};
    b->interval += 1;
    for (UINT32& day : b->WeekDay)
        day ^= 1;
    b->fSound60 ^= 1, b->fSound30 ^= 1, b->fSound10 ^= 1, b->fSound03 ^= 1;
    b->SoundVolume += 1, b->SoundDevIx += 1, b->PCResumeTime += 1;
    b->fNoSleep ^= 1, b->fNoDspOff ^= 1, b->fSaveDoc ^= 1;
    strcpy(b->SoundDevName, "Speakers (High Definition Audio)");
    strcat(b->SaveDir, "2");
    for (SaveAppEntry& app : b->Api) {
        app.fValid ^= 1, app.fTrySaveAs ^= 1, app.fMultDoc ^= 1;
        strcat(app.AppStr, "x"), strcat(app.SaveAsStr, "y"), strcat(app.SavStr, "z");
    }
}

// The keys and values of section SETINFO as the file holds them after a save of info.
std::vector<std::pair<std::string, std::string>> Entries(const char* file) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::vector<char> keys(16384);
    DWORD length = GetPrivateProfileStringA("SETINFO", nullptr, "", keys.data(), keys.size(), file);
    for (const char* key = keys.data(); key < keys.data() + length && *key; key += strlen(key) + 1) {
        char value[512];
        GetPrivateProfileStringA("SETINFO", key, "", value, sizeof value, file);
        entries.emplace_back(key, value);
    }
    return entries;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? atoi(argv[1]) : 200;
    char folder[MAX_PATH];
    SetIniFilePath(folder, sizeof folder);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string file = std::string(temp) + "dormex-settings-bench.ini";
    DeleteFileA(file.c_str());
    OvcSetProfilePathA(file.c_str());

    SetInfo records[2], loaded;
    MakeRecords(&records[0], &records[1]);
    SaveSetInfo(&records[1], nullptr);
    auto entriesB = Entries(file.c_str());
    SaveSetInfo(&records[0], nullptr);
    auto entriesA = Entries(file.c_str());
    if (entriesA.size() != SETINFO_KEY_COUNT || entriesB.size() != SETINFO_KEY_COUNT) {
        printf("unexpected key count %u\n", static_cast<unsigned>(entriesA.size()));
        return 1;
    }

    double start = Seconds();
    for (int i = 0; i < rounds; ++i) {
        SaveSetInfo(&records[(i + 1) % 2], nullptr);
        LoadSetInfo(&loaded, nullptr);
    }
    double ours = (Seconds() - start) / rounds;

    start = Seconds();
    for (int i = 0; i < rounds; ++i) {
        const auto& entries = (i + 1) % 2 ? entriesB : entriesA;
        for (const auto& entry : entries)
            WritePrivateProfileStringA("SETINFO", entry.first.c_str(), entry.second.c_str(), file.c_str());
        char value[512];
        for (const auto& entry : entries)
            GetPrivateProfileStringA("SETINFO", entry.first.c_str(), "", value, sizeof value, file.c_str());
    }
    double theirs = (Seconds() - start) / rounds;
    DeleteFileA(file.c_str());

    printf("rounds: %d, %u keys each way\n", rounds, SETINFO_KEY_COUNT);
    printf("SaveSetInfo + LoadSetInfo:                 %8.3f ms per round trip\n", ours * 1000);
    printf("Windows profile functions, 97 + 97 keys:   %8.3f ms per round trip\n", theirs * 1000);
    printf("ratio (Windows / ours):                    %8.2f\n", theirs / ours);
    return 0;
}
