// Driving the real desktop application from a test: start it hidden as the watchdog does, find
// its windows, click and type the way a user does, end it by its handle.
#pragma once

#include "child_process.h"

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// The line the application logs once its mailslot is open: from then on its poll reads commands.
extern const char kAppMailslotReady[];

// The application of the test's width in the bin folder.
std::string AppProgram();

// The settings file of the session's machine (drive of Windows\Orvane\Dormex\Dormex.ini).
std::string SettingsFilePath();
// Removes the settings file so that a test starts from the defaults.
void RemoveSettingsFile();
// Writes the settings file with the given INI text.
bool WriteSettingsFile(const std::string& text);
// A value of the settings file as Windows' own profile function reads it ("" when absent).
std::string SettingsValue(const char* section, const char* key);

class AppUnderTest {
  public:
    // Starts the application with SW_HIDE and waits for its main window and settings dialog.
    bool Start();
    // Starts it without waiting for any window.
    bool Launch();
    DWORD Id() const { return process_.Id(); }
    bool Running() const { return process_.Running(); }
    // True and the exit code when the process ended within timeoutMs.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr) {
        return process_.WaitExit(timeoutMs, exitCode);
    }
    // Terminates the process if it still runs.
    void End() { process_.End(); }
    HWND MainWindow() const { return main_; }
    HWND Settings() const { return settings_; }

    // Clicks the icon (the callback message with a left button press) and waits until shown.
    bool ShowSettings();
    // Ends the application through the uninstall mutex (as the uninstaller does).
    bool EndByUninstallMutex(DWORD timeoutMs);

    // The application's countdown dialogs, newest first.
    std::vector<HWND> WarningDialogs() const;

  private:
    ChildProcess process_;
    HWND main_ = nullptr;
    HWND settings_ = nullptr;
};

// Waits until the application running as processId has created its main window and settings
// dialog and answers messages; both windows are given back only then.
bool WaitForAppWindows(DWORD processId, DWORD timeoutMs, HWND* mainWindow, HWND* settings);

// A user's actions on a control of another process's dialog.
void Click(HWND dialog, int id);
// Selects the number field's text and types digits into it, then moves the focus away.
void TypeNumber(HWND dialog, int id, const std::string& digits);
UINT ReadNumber(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
std::string ControlText(HWND window, int id);

// Writes one command word into the application mailslot, as the service does; false when no
// application holds it.
bool SendToApp(BYTE cmd, BYTE param1, WORD param2);

} // namespace dormex_test
