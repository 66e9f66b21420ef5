// The settings file: its place, the defaults in both languages, round trips, damaged files and
// the settings mutex. Uses the real settings file of the Wine prefix.
#include "OrvDl2SubFuncs.h"
#include "OrvCtl.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

using dormex_test::ReadFileBytes;
using dormex_test::WriteFileBytes;

namespace {

std::string ExpectedFolder() {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return std::string(windows, 2) + "\\Orvane\\Dormex\\";
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetIniFilePath(nullptr, 0);
        file_ = ExpectedFolder() + "Dormex.ini";
        DeleteFileA(file_.c_str());
        mutex_ = CreateMutexA(nullptr, FALSE, "OrvDx2MuteIniFile");
        ASSERT_NE(nullptr, mutex_);
    }
    void TearDown() override {
        CloseHandle(mutex_);
        DeleteFileA(file_.c_str());
    }
    SetInfo Load() {
        SetInfo info;
        memset(&info, 0xA5, sizeof info); // nothing of a previous content may survive
        EXPECT_NE(0, LoadSetInfo(&info, mutex_));
        return info;
    }

    std::string file_;
    HANDLE mutex_ = nullptr;
};

TEST_F(SettingsTest, FolderLiesOnTheWindowsDrive) {
    char buffer[MAX_PATH];
    memset(buffer, 'X', sizeof buffer);
    SetIniFilePath(buffer, sizeof buffer);
    EXPECT_EQ(ExpectedFolder(), buffer);
    DWORD attributes = GetFileAttributesA(buffer);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    char small[16];
    memset(small, 'X', sizeof small);
    SetIniFilePath(small, 10);
    EXPECT_EQ(ExpectedFolder().substr(0, 9), small);
    EXPECT_EQ('X', small[10]);
    char untouched[4] = "abc";
    SetIniFilePath(untouched, 0);
    EXPECT_STREQ("abc", untouched);

    SetInfo info = Load();
    EXPECT_STREQ((ExpectedFolder() + "SaveAtShutdown").c_str(), info.SaveDir);
    SaveSetInfo(&info, mutex_);
    EXPECT_TRUE(dormex_test::FileExists(file_)) << "the settings file is the one selected";
}

struct AppExpectation {
    UINT32 fValid, fTrySaveAs, fMultDoc;
    const char* AppStr;
    const char* SaveAsStr;
    const char* SavStr;
};

#define JA_SAVE_AS "\x96\xBC\x91\x4F\x82\xF0\x95\x74\x82\xAF\x82\xC4\x95\xDB\x91\xB6"
#define JA_NOTEPAD "\x83\x81\x83\x82\x92\xA0"
#define JA_HIDEMARU "\x8F\x47\x8A\xDB"

const AppExpectation kJapaneseApps[10] = {
    {1, 1, 1, "Microsoft Excel -", JA_SAVE_AS, "Microsoft Office Excel"},
    {1, 1, 0, "- Microsoft Word", JA_SAVE_AS, "Microsoft Office Word"},
    {1, 1, 1, "- " JA_NOTEPAD, JA_SAVE_AS, JA_NOTEPAD},
    {1, 1, 1, JA_HIDEMARU, JA_SAVE_AS, JA_HIDEMARU "\x83\x47\x83\x66\x83\x42\x83\x5E"},
};
const AppExpectation kOtherApps[10] = {
    {1, 1, 1, "Microsoft Excel -", "Save As", "Microsoft Office Excel"},
    {1, 1, 0, "- Microsoft Word", "Save As", "Microsoft Office Word"},
};

void ExpectDefaults(const SetInfo& info) {
    EXPECT_EQ(1u, info.fSchedShutdown);
    const UINT32 slots[4][4] = {{0, 20, 0, 0}, {0, 21, 0, 0}, {0, 22, 0, 0}, {1, 23, 50, 0}};
    for (int n = 0; n < 4; ++n) {
        EXPECT_EQ(slots[n][0], info.sdt[n].fValid) << n;
        EXPECT_EQ(slots[n][1], info.sdt[n].hour) << n;
        EXPECT_EQ(slots[n][2], info.sdt[n].minute) << n;
        EXPECT_EQ(slots[n][3], info.sdt[n].fForced) << n;
    }
    EXPECT_EQ(3u, info.interval);
    for (int d = 0; d < 7; ++d)
        EXPECT_EQ(1u, info.WeekDay[d]) << d;
    EXPECT_EQ(0u, info.fSound60 | info.fSound30 | info.fSound10 | info.fSound03);
    EXPECT_EQ(80u, info.SoundVolume);
    EXPECT_EQ(0u, info.SoundDevIx);
    EXPECT_STREQ("", info.SoundDevName);
    EXPECT_EQ(5u, info.PCResumeTime);
    EXPECT_EQ(0u, info.fNoSleep | info.fNoDspOff | info.fSaveDoc);
    EXPECT_STREQ((ExpectedFolder() + "SaveAtShutdown").c_str(), info.SaveDir);

    bool japanese = OvcGetLangId() == 1041;
    EXPECT_EQ(japanese, dormex_test::ExpectedLanguage() == 1041)
        << "the test runs in the language it expects";
    const AppExpectation* apps = japanese ? kJapaneseApps : kOtherApps;
    for (int n = 0; n < 10; ++n) {
        const SaveAppEntry& app = info.Api[n];
        const AppExpectation& e = apps[n];
        EXPECT_EQ(e.fValid, app.fValid) << n;
        EXPECT_EQ(e.fTrySaveAs, app.fTrySaveAs) << n;
        EXPECT_EQ(e.fMultDoc, app.fMultDoc) << n;
        EXPECT_STREQ(e.AppStr ? e.AppStr : "", app.AppStr) << n;
        EXPECT_STREQ(e.SaveAsStr ? e.SaveAsStr : "", app.SaveAsStr) << n;
        EXPECT_STREQ(e.SavStr ? e.SavStr : "", app.SavStr) << n;
    }
}

TEST_F(SettingsTest, AbsentOrEmptyFileGivesTheDefaults) {
    ExpectDefaults(Load());
    ASSERT_TRUE(WriteFileBytes(file_, ""));
    ExpectDefaults(Load());
    ASSERT_TRUE(WriteFileBytes(file_, "[MAIN]\r\nLogHost=x\r\n[TIMER]\r\nTmCyc=5\r\n"));
    ExpectDefaults(Load());
}

SetInfo Filled(char fill) {
    SetInfo info;
    memset(&info, 0, sizeof info);
    UINT32* numbers[] = {&info.fSchedShutdown, &info.interval, &info.fSound60,    &info.fSound30,
                         &info.fSound10,       &info.fSound03, &info.SoundVolume, &info.SoundDevIx,
                         &info.PCResumeTime,   &info.fNoSleep, &info.fNoDspOff,   &info.fSaveDoc};
    UINT32 value = 1000;
    for (UINT32* number : numbers)
        *number = value++;
    info.interval = 0xFFFFFFFF;
    for (int n = 0; n < 4; ++n)
        info.sdt[n] = {value++, value++, value++, value++};
    for (UINT32& day : info.WeekDay)
        day = value++;
    memset(info.SoundDevName, fill, sizeof info.SoundDevName - 1);
    info.SoundDevName[0] = ' '; // blanks and quotes at the ends survive too
    info.SoundDevName[254] = '"';
    memset(info.SaveDir, fill + 1, sizeof info.SaveDir - 1);
    for (int n = 0; n < 10; ++n) {
        SaveAppEntry& app = info.Api[n];
        app.fValid = value++;
        app.fTrySaveAs = value++;
        app.fMultDoc = value++;
        memset(app.AppStr, fill + 2 + n, sizeof app.AppStr - 1);
        memset(app.SaveAsStr, 'a' + n, 100);
        strcpy(app.SavStr, "\x83\x81\x83\x82\x92\xA0 \x95\x5C");
    }
    return info;
}

TEST_F(SettingsTest, SaveThenLoadGivesTheSameRecord) {
    const SetInfo saved = Filled('k');
    EXPECT_NE(0, SaveSetInfo(&saved, mutex_));
    SetInfo loaded = Load();
    EXPECT_EQ(0, memcmp(&saved, &loaded, sizeof saved));

    // A second save over the first file, with other values, also comes back whole.
    SetInfo other = Filled('p');
    other.SoundDevName[0] = '\0';
    memset(other.SoundDevName + 1, 0, sizeof other.SoundDevName - 1);
    EXPECT_NE(0, SaveSetInfo(&other, mutex_));
    loaded = Load();
    EXPECT_EQ(0, memcmp(&other, &loaded, sizeof other));
}

TEST_F(SettingsTest, FileHoldsEveryKeyOnceInWindowsFormat) {
    SetInfo info = Load();
    info.interval = 7;
    strcpy(info.Api[9].AppStr, "Editor");
    SaveSetInfo(&info, mutex_);
    EXPECT_EQ(7u, GetPrivateProfileIntA("SETINFO", "interval", 0, file_.c_str()));
    char text[64];
    GetPrivateProfileStringA("SETINFO", "Api_AppStr09", "", text, sizeof text, file_.c_str());
    EXPECT_STREQ("Editor", text);
    char keys[8192];
    DWORD length = GetPrivateProfileStringA("SETINFO", nullptr, "", keys, sizeof keys, file_.c_str());
    int count = 0;
    for (const char* key = keys; key < keys + length && *key; key += strlen(key) + 1)
        ++count;
    EXPECT_EQ(SETINFO_KEY_COUNT, count);

    ASSERT_TRUE(WritePrivateProfileStringA("SETINFO", "sdt_hour2", "5", file_.c_str()));
    EXPECT_EQ(5u, Load().sdt[2].hour);
}

TEST_F(SettingsTest, MissingKeysTakeTheirDefaultsAndTheOthersAreKept) {
    ASSERT_TRUE(WriteFileBytes(file_, "[SETINFO]\r\ninterval=9\r\nWeekDay3=0\r\nApi_AppStr05=Writer\r\n"
                                      "SaveDir=D:\\Keep\r\n"));
    SetInfo info = Load();
    EXPECT_EQ(9u, info.interval);
    EXPECT_EQ(0u, info.WeekDay[3]);
    EXPECT_EQ(1u, info.WeekDay[2]);
    EXPECT_STREQ("Writer", info.Api[5].AppStr);
    EXPECT_EQ(0u, info.Api[5].fValid);
    EXPECT_STREQ("D:\\Keep", info.SaveDir);
    EXPECT_EQ(1u, info.sdt[3].fValid);
    EXPECT_EQ(50u, info.sdt[3].minute);
}

// Damaged files load without a crash; what cannot be read takes its default.
TEST_F(SettingsTest, DamagedFilesLoad) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919) & 0xFF);
    const std::string longLine(1 << 20, 'x');
    const struct {
        const char* name;
        std::string content;
        UINT32 interval;
        const char* devName;
    } cases[] = {
        {"binary", binary, 3, ""},
        {"binary then keys", binary + "\r\n[SETINFO]\r\ninterval=4\r\n", 4, ""},
        {"NUL in a value", std::string("[SETINFO]\r\nSoundDevName=ab\0cd\r\ninterval=6\r\n", 43), 6, "ab"},
        {"very long line", "[SETINFO]\r\n" + longLine + "\r\ninterval=8\r\n", 8, ""},
        {"very long value", "[SETINFO]\r\nSoundDevName=" + longLine + "\r\n", 3, nullptr},
        {"section without bracket", "[SETINFO\r\ninterval=9\r\n", 3, ""},
        {"no section", "interval=9\r\n", 3, ""},
        {"line without =", "[SETINFO]\r\ninterval\r\ninterval 9\r\n", 3, ""},
        {"not a number", "[SETINFO]\r\ninterval=three\r\n", 3, ""},
        {"negative", "[SETINFO]\r\ninterval=-1\r\n", 3, ""},
        {"out of range", "[SETINFO]\r\ninterval=4294967296\r\n", 3, ""},
        {"largest", "[SETINFO]\r\ninterval=4294967295\r\n", 4294967295u, ""},
        {"LF only", "[SETINFO]\ninterval=11\nSoundDevName=lf\n", 11, "lf"},
        {"CR only", "[SETINFO]\rinterval=11\r", 3, ""},
        {"empty key", "[SETINFO]\r\n=5\r\ninterval=12\r\n", 12, ""},
        {"duplicate key", "[SETINFO]\r\ninterval=13\r\ninterval=14\r\n", 13, ""},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteFileBytes(file_, c.content)) << c.name;
        SetInfo info = Load();
        EXPECT_EQ(c.interval, info.interval) << c.name;
        EXPECT_EQ(80u, info.SoundVolume) << c.name;
        if (c.devName)
            EXPECT_STREQ(c.devName, info.SoundDevName) << c.name;
        else
            EXPECT_EQ(std::string(255, 'x'), info.SoundDevName) << c.name << ": cut to capacity - 1";
    }
}

TEST_F(SettingsTest, LoadAndSaveHoldTheSettingsMutex) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "OrvDx2MuteIniFile");
        WaitForSingleObject(mutex, INFINITE);
        SetEvent(ready);
        WaitForSingleObject(release, INFINITE);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(ready, INFINITE);
    bool loaded = false;
    std::thread loader([&] {
        SetInfo info;
        LoadSetInfo(&info, mutex_);
        loaded = true;
    });
    Sleep(200);
    EXPECT_FALSE(loaded) << "LoadSetInfo must wait for the mutex";
    SetEvent(release);
    loader.join();
    holder.join();
    EXPECT_TRUE(loaded);
    // Released after use: another thread can take it at once.
    std::thread taker([&] {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex_, 0));
        ReleaseMutex(mutex_);
    });
    taker.join();
    CloseHandle(ready);
    CloseHandle(release);
}

TEST_F(SettingsTest, NullMutexLoadsUnguarded) {
    SetInfo info;
    EXPECT_EQ(0, LoadSetInfo(&info, nullptr)) << "no mutex was released";
    ExpectDefaults(info);
    EXPECT_EQ(0, SaveSetInfo(&info, nullptr));
    ExpectDefaults(Load());
}

} // namespace
