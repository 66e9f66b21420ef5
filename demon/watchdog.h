// The watchdog's decisions, one pass at a time; the world outside comes in through WatchdogWorld so
// the rhythm of the checks can be tested without waiting a minute.
#pragma once

#include <windows.h>

class WatchdogWorld {
  public:
    virtual ~WatchdogWorld() = default;
    virtual bool AppWindowExists() = 0;
    virtual void StartApp() = 0;
    virtual bool UninstallRequested() = 0;
    virtual void Log(const char* text) = 0;
};

// The application is looked for in the first pass and then every 60th pass (a pass a second).
class Watchdog {
  public:
    static constexpr DWORD kPassesPerCheck = 60;

    // appProgram: the file name logged when the application is started ("OrvDx2App32.exe").
    explicit Watchdog(const char* appProgram) : appProgram_(appProgram) {}

    // One pass; false once an uninstallation asks the watchdog to end.
    bool Pass(WatchdogWorld& world);

  private:
    const char* appProgram_;
    DWORD passCount_ = 0xFFFFFFFF; // so the very first pass checks
};
