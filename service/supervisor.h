// The shutdown supervisor's decisions: one pass is a function of the supervisor's state, the
// present local time and the command received, acting on the world only through
// SupervisorWorld, so the same code runs in the service and, in virtual time, in tests.
#pragma once

#include <windows.h>

#include "OrvDl2SubFuncs.h"

enum SupervisorStateValue : UINT32 {
    SVM_IDLE = 0,            // no shutdown time exists
    SVM_WAIT_RESUME = 1,     // waiting for the wake-up timer
    SVM_WAIT_SHUTDOWN = 2,   // the PC is kept awake until the shutdown minute
    SVM_WARNNING = 3,        // the application shows the countdown
    SVM_WAIT_SAVE_START = 4, // waiting for the application to start preserving documents
    SVM_WAIT_SAVE_END = 5,   // waiting for the preservation to end
    SVM_SHUTDOWN = 6         // the shutdown was executed; waiting for the system to go down
};

// A point in local time, as fields and as seconds since 1970 of those fields.
struct SvmTime {
    SYSTEMTIME time;
    DWORD seconds;
};

struct Announcement {
    int done; // 1 = played, passed or switched off
    SvmTime time;
    char path[MAX_PATH];
};

enum { ANNOUNCEMENT_COUNT = 4 };

// The sound files of the announcements 60, 30, 10 and 3 minutes before the shutdown.
extern const char* const kAnnouncementFiles[ANNOUNCEMENT_COUNT];

struct Supervisor {
    SetInfo setInfo;
    SvmTime ShutdownTime;
    DWORD fShutdownForced;
    SvmTime ResumeTime;
    SvmTime WarningEndTime;
    SvmTime ShutdownWaitEnd;
    DWORD SaveStartDeadline; // seconds since 1970; used in SVM_WAIT_SAVE_START
    DWORD SaveEndDeadline;   // seconds since 1970; used in SVM_WAIT_SAVE_END
    Announcement announcements[ANNOUNCEMENT_COUNT];
    UINT32 SvmState;
    UINT32 PassCount;
};

// Everything the supervisor does outside its own state.
class SupervisorWorld {
  public:
    virtual ~SupervisorWorld() = default;
    virtual void Log(const char* text) = 0;
    virtual void LoadSettings(SetInfo* info) = 0;
    // The next shutdown time more than 60 s after now; false when there is none.
    virtual bool NextShutdownTime(const SetInfo& info, const SYSTEMTIME& now, SYSTEMTIME* time,
                                  DWORD* forced) = 0;
    // Arms the wake-up timer (with system resume) for a local time.
    virtual void SetResumeTimer(const SYSTEMTIME& localTime) = 0;
    // True once when the wake-up timer has fired (it resets itself).
    virtual bool ResumeTimerFired() = 0;
    // Resets the display and system idle timers once.
    virtual void KeepAwake() = 0;
    virtual void Play(const char* path, const char* deviceName, UINT volume) = 0;
    // False when the application's mailslot could not be opened.
    virtual bool SendToApp(const MailCommand& command) = 0;
    // OvcExitWindows: 1 shuts down, 5 shuts down forcing programs to close.
    virtual void ShutDownSystem(UINT flags) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;
};

SvmTime MakeSvmTime(const SYSTEMTIME& time);

// Sets the state to its initial values (state 0, no pass) and fills the announcement paths from
// the program folder (with its final backslash or not).
void SupervisorInit(Supervisor* supervisor, const char* programFolder);
// The thread's start: loads the settings and schedules.
void SupervisorStart(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world);
// One loop pass (without its closing one-second sleep); command is null when none arrived.
void SupervisorPass(Supervisor* supervisor, const SYSTEMTIME& now, const MailCommand* command,
                    SupervisorWorld& world);
void Reschedule(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world);
void SetResumeTimer(const SvmTime& time, SupervisorWorld& world);
void CheckAnnouncements(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world);
bool IsJustTime(const SvmTime& time, const SYSTEMTIME& now, SupervisorWorld& world);
void ExecuteShutdown(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world);

// The wake-up time as an absolute UTC file time, converted with the daylight-saving rules that
// hold at that date in zone (null: the current time zone). False when the time cannot be converted.
bool ResumeDueTime(const SYSTEMTIME& localTime, const TIME_ZONE_INFORMATION* zone, FILETIME* utc);
