// Running the real service under the service control manager of the test session.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "OrvDl2SubFuncs.h"

namespace dormex_test {

// The name the tests register the service program under; a run that crashed may have left it.
extern const char kTestServiceName[];

// The service program registered for one test (demand start), stopped and deleted at the end.
class TestService {
  public:
    TestService();
    ~TestService();
    TestService(const TestService&) = delete;
    TestService& operator=(const TestService&) = delete;

    bool Ok() const { return service_ != nullptr; }
    bool Start();
    // ControlService; true and the status it returns when the service accepted the control.
    bool Control(DWORD control, SERVICE_STATUS* status);
    SERVICE_STATUS Query() const;
    // Polls the status until it is state.
    bool WaitForState(DWORD state, DWORD timeoutMs, SERVICE_STATUS* status = nullptr) const;
    // Stops the service if it runs and waits for SERVICE_STOPPED.
    bool Stop();

  private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

// Stops and deletes a service of that name left by an earlier run.
void RemoveService(SC_HANDLE manager, const char* name);

// Replaces the settings file for the life of the object and puts back what was there.
class SettingsFile {
  public:
    SettingsFile();
    ~SettingsFile();
    SettingsFile(const SettingsFile&) = delete;
    SettingsFile& operator=(const SettingsFile&) = delete;
    // The defaults of an absent file.
    SetInfo Defaults() const;
    bool Save(const SetInfo& info) const;

  private:
    std::string path_;
    bool existed_ = false;
    std::string original_;
};

// Settings whose schedule never fires: the service idles.
SetInfo IdleSettings(const SettingsFile& file);

// The defaults with one normal shutdown a day at minute's hour and minute, every week day, and a
// one-minute warning.
SetInfo OneNormalShutdownEveryDay(const SettingsFile& file, const SYSTEMTIME& minute);

// Writes raw bytes as one message to the service's mailslot.
bool SendToService(const std::string& bytes);
bool SendToService(BYTE cmd);

// The lines of the service (tag SVC) among the log lines, without timestamp and source.
std::vector<std::string> ServiceLines(const std::vector<std::string>& logLines);
// True when expected occur in lines in this order (other lines may lie between them).
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected);

} // namespace dormex_test
