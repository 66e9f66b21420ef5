// The supervisor's world in virtual time: a clock that only moves when the test or a sleep moves
// it, an application that may be present or absent, and a record of everything done.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "supervisor.h"
#include "time_support.h"

namespace dormex_test {

std::string FormatTime(const SYSTEMTIME& time);

// Every day on, slot 0 at hour:minute (normal), warning 3 minutes, wake-up 5 minutes ahead, every
// announcement on, device "Out: default" at volume 80.
SetInfo ScheduleSettings(UINT32 hour, UINT32 minute);

struct SentCommand {
    SYSTEMTIME at;
    MailCommand command;
};

struct Played {
    SYSTEMTIME at;
    std::string path;
    std::string device;
    UINT volume;
};

class VirtualWorld : public SupervisorWorld {
  public:
    explicit VirtualWorld(const SYSTEMTIME& start);

    const SYSTEMTIME& Now() const { return now_; }
    void Advance(DWORD milliseconds);
    void SetNow(const SYSTEMTIME& now);

    void Log(const char* text) override;
    void LoadSettings(SetInfo* info) override { *info = settings; }
    bool NextShutdownTime(const SetInfo& info, const SYSTEMTIME& now, SYSTEMTIME* time,
                          DWORD* forced) override;
    void SetResumeTimer(const SYSTEMTIME& localTime) override;
    bool ResumeTimerFired() override;
    void KeepAwake() override { keepAwake.push_back(now_); }
    void Play(const char* path, const char* deviceName, UINT volume) override;
    bool SendToApp(const MailCommand& command) override;
    void ShutDownSystem(UINT flags) override;
    void Sleep(DWORD milliseconds) override { Advance(milliseconds); }

    // Log lines from index on, joined with "|".
    std::string LogSince(size_t index) const;

    SetInfo settings = {}; // what LoadSettings gives
    bool appPresent = true;
    std::vector<std::string> log;
    std::vector<SentCommand> sent;
    std::vector<Played> played;
    std::vector<UINT> shutdowns;
    std::vector<SYSTEMTIME> keepAwake;
    bool timerArmed = false;
    SYSTEMTIME timerDue = {};

  private:
    SYSTEMTIME now_;
};

// A supervisor in a virtual world, started at a given time.
class VirtualSupervisor {
  public:
    VirtualSupervisor(const SYSTEMTIME& start, const SetInfo& settings, bool appPresent = true);
    // One pass with its closing one-second sleep.
    void Pass(const MailCommand* command = nullptr);
    void Pass(BYTE cmd);
    // Passes until the virtual clock reaches the time.
    void RunUntil(const SYSTEMTIME& end);

    VirtualWorld world;
    Supervisor supervisor;
};

} // namespace dormex_test
