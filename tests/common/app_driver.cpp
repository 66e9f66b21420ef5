#include "app_driver.h"

#include "mailslot_catcher.h"
#include "program_process.h"
#include "test_support.h"

#include <string.h>

namespace dormex_test {

namespace {} // namespace

const char kAppMailslotReady[] = "My mail slot(\\\\.\\mailslot\\OrvDx2\\App) creation success";

std::string AppProgram() {
    return BinDir() + kAppFileName;
}

std::string SettingsFilePath() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, 2) + "\\Orvane\\Dormex\\Dormex.ini";
}

void RemoveSettingsFile() {
    DeleteFileA(SettingsFilePath().c_str());
}

bool WriteSettingsFile(const std::string& text) {
    std::string path = SettingsFilePath();
    CreateDirectoryA(path.substr(0, 3 + 6).c_str(), nullptr);
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    return WriteFileBytes(path, text);
}

std::string SettingsValue(const char* section, const char* key) {
    char value[512] = {};
    GetPrivateProfileStringA(section, key, "", value, sizeof value, SettingsFilePath().c_str());
    return value;
}

bool AppUnderTest::Launch() {
    return process_.Start(AppProgram(), std::string(), SW_HIDE);
}

bool AppUnderTest::Start() {
    return Launch() && WaitForAppWindows(process_.Id(), 10000, &main_, &settings_);
}

bool AppUnderTest::ShowSettings() {
    PostMessageA(main_, WM_USER + 100, 1, WM_LBUTTONDOWN);
    return WaitFor([&] { return IsWindowVisible(main_) && IsWindowVisible(settings_); }, 5000);
}

bool AppUnderTest::EndByUninstallMutex(DWORD timeoutMs) {
    HANDLE uninstall = CreateMutexA(nullptr, FALSE, "OrvDx2MuteUninstall");
    bool ended = WaitExit(timeoutMs);
    CloseHandle(uninstall);
    return ended;
}

std::vector<HWND> AppUnderTest::WarningDialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : ProcessWindows(process_.Id(), false)) {
        if (GetDlgItem(window, 1017) && IsWindowVisible(window))
            dialogs.push_back(window);
    }
    return dialogs;
}

bool WaitForAppWindows(DWORD processId, DWORD timeoutMs, HWND* mainWindow, HWND* settings) {
    HWND foundMain = nullptr, foundSettings = nullptr;
    bool found = WaitFor(
        [&] {
            for (HWND window : ProcessWindows(processId, false)) {
                char className[64] = {};
                GetClassNameA(window, className, sizeof className);
                if (strcmp(className, "CDx2Dormex") == 0) {
                    foundMain = window;
                    foundSettings = FindWindowExA(window, nullptr, "#32770", nullptr);
                    return foundSettings != nullptr;
                }
            }
            return false;
        },
        timeoutMs);
    // The window exists from the start of its creation; a sent message is answered once the
    // creation (dialog initialisation included) has got as far as the icon or the message loop.
    DWORD_PTR answer = 0;
    if (!found || !SendMessageTimeoutA(foundMain, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &answer))
        return false;
    *mainWindow = foundMain;
    *settings = foundSettings;
    return true;
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void TypeNumber(HWND dialog, int id, const std::string& digits) {
    HWND field = GetDlgItem(dialog, id);
    HWND edit = GetWindow(field, GW_CHILD);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    for (char digit : digits)
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(digit)), 0);
}

UINT ReadNumber(HWND dialog, int id) {
    BOOL ok = FALSE;
    UINT value = GetDlgItemInt(dialog, id, &ok, FALSE);
    return ok ? value : 0xFFFFFFFFu;
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool IsEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

std::string ControlText(HWND window, int id) {
    char text[512] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

bool SendToApp(BYTE cmd, BYTE param1, WORD param2) {
    const char word[4] = {static_cast<char>(cmd), static_cast<char>(param1), static_cast<char>(param2 & 0xFF),
                          static_cast<char>(param2 >> 8)};
    return WriteMailslotMessage("\\\\.\\mailslot\\OrvDx2\\App", std::string(word, sizeof word));
}

} // namespace dormex_test
