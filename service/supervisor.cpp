#include "supervisor.h"

#include <limits.h>
#include <stdio.h>
#include <string.h>

#include "OrvCtl.h"

const char* const kAnnouncementFiles[ANNOUNCEMENT_COUNT] = {"Dx2Sound60.wav", "Dx2Sound30.wav",
                                                            "Dx2Sound10.wav", "Dx2Sound03.wav"};

namespace {

const int kAnnouncementOffsets[ANNOUNCEMENT_COUNT] = {3600, 1800, 600, 180};
const DWORD kLateSeconds = 61;         // a due minute in which no pass ran is skipped after this
const int kShutdownWaitSeconds = 1200; // how long the system gets to go down
const UINT32 kKeepAwakePasses = 40;
const UINT kExitShutdown = 1;       // EWX_SHUTDOWN
const UINT kExitForcedShutdown = 5; // EWX_SHUTDOWN | EWX_FORCE

UINT32 AnnouncementSwitch(const SetInfo& info, int index) {
    const UINT32 switches[ANNOUNCEMENT_COUNT] = {info.fSound60, info.fSound30, info.fSound10, info.fSound03};
    return switches[index];
}

// Minutes from the settings as seconds; absurd values are held at the largest offset
// OvcTimeUpdate takes instead of wrapping round into the past.
int MinutesToSeconds(UINT32 minutes) {
    unsigned long long seconds = minutes * 60ULL;
    return seconds > INT_MAX ? INT_MAX : (int)seconds;
}

// The seconds of warning in the command words: interval x 60, cut to 16 bits.
WORD WarningSeconds(const SetInfo& info) {
    return (WORD)(info.interval * 60u);
}

SvmTime AddSeconds(const SYSTEMTIME& time, int seconds) {
    SYSTEMTIME result;
    OvcTimeUpdate(&time, &result, seconds);
    return MakeSvmTime(result);
}

bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute;
}

void KeepAwakeEvery40thPass(const Supervisor& supervisor, SupervisorWorld& world) {
    if (supervisor.PassCount % kKeepAwakePasses == 0)
        world.KeepAwake();
}

void Enter(Supervisor* supervisor, UINT32 state, const char* text, SupervisorWorld& world) {
    supervisor->SvmState = state;
    world.Log(text);
}

void LoadAndReschedule(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    world.Log("Load setting information.");
    world.LoadSettings(&supervisor->setInfo);
    Reschedule(supervisor, now, world);
}

void HandleCommand(Supervisor* supervisor, const SYSTEMTIME& now, const MailCommand& command,
                   SupervisorWorld& world) {
    switch (command.cmd) {
    case CMD_RELOAD:
        LoadAndReschedule(supervisor, now, world);
        break;
    case CMD_RESCHEDULE:
        Reschedule(supervisor, now, world);
        break;
    case CMD_SAVE_STARTED:
        if (supervisor->SvmState == SVM_WAIT_SAVE_START)
            Enter(supervisor, SVM_WAIT_SAVE_END, "-> SVM_WAIT_SAVE_END", world);
        break;
    case CMD_SAVE_ENDED:
        if (supervisor->SvmState == SVM_WAIT_SAVE_END) {
            ExecuteShutdown(supervisor, now, world);
            Enter(supervisor, SVM_SHUTDOWN, "-> SVM_SHUTDOWN", world);
        }
        break;
    default:
        break;
    }
}

// The shutdown minute in SVM_WAIT_SHUTDOWN: warn through the application, or shut down at once
// when there is no warning or the application cannot be reached.
void StartWarningOrShutdown(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    const SetInfo& info = supervisor->setInfo;
    if (info.interval != 0) {
        supervisor->WarningEndTime = AddSeconds(now, MinutesToSeconds(info.interval));
        MailCommand warning =
            MakeMailCommand(CMD_WARNING, LOBYTE(supervisor->fShutdownForced), WarningSeconds(info));
        if (world.SendToApp(warning)) {
            Enter(supervisor, SVM_WARNNING, "-> SVM_WARNNING", world);
            return;
        }
    }
    ExecuteShutdown(supervisor, now, world);
    Enter(supervisor, SVM_SHUTDOWN, "-> SVM_SHUTDOWN", world);
}

// SVM_WAIT_SAVE_START and SVM_WAIT_SAVE_END: give up the preservation once its deadline passed.
void WaitForSave(Supervisor* supervisor, const SYSTEMTIME& now, DWORD deadline, const char* timeoutText,
                 SupervisorWorld& world) {
    KeepAwakeEvery40thPass(*supervisor, world);
    if (MakeSvmTime(now).seconds > deadline) {
        world.SendToApp(MakeMailCommand(CMD_SAVE_ABORT, 0, 0));
        world.Log(timeoutText);
        Reschedule(supervisor, now, world);
    }
}

void HandleState(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    DWORD nowSeconds = MakeSvmTime(now).seconds;
    switch (supervisor->SvmState) {
    case SVM_WAIT_RESUME:
        if (nowSeconds >= supervisor->ShutdownTime.seconds + kLateSeconds) {
            world.Log("Re-schedule, if shutdown time has passed.");
            Reschedule(supervisor, now, world);
            break;
        }
        CheckAnnouncements(supervisor, now, world);
        if (world.ResumeTimerFired()) {
            world.Sleep(500);
            world.Log("Waitable timer timeout");
            world.KeepAwake();
            Enter(supervisor, SVM_WAIT_SHUTDOWN, "-> SVM_WAIT_SHUTDOWN", world);
        }
        break;
    case SVM_WAIT_SHUTDOWN:
        KeepAwakeEvery40thPass(*supervisor, world);
        if (nowSeconds >= supervisor->ShutdownTime.seconds + kLateSeconds) {
            world.Log("Re-schedule, if shutdown time has passed.");
            Reschedule(supervisor, now, world);
            break;
        }
        CheckAnnouncements(supervisor, now, world);
        if (IsJustTime(supervisor->ShutdownTime, now, world))
            StartWarningOrShutdown(supervisor, now, world);
        break;
    case SVM_WARNNING:
        KeepAwakeEvery40thPass(*supervisor, world);
        if (nowSeconds >= supervisor->WarningEndTime.seconds + kLateSeconds) {
            world.Log("Re-schedule, if end of warning time has passed.");
            Reschedule(supervisor, now, world);
        } else if (IsJustTime(supervisor->WarningEndTime, now, world)) {
            ExecuteShutdown(supervisor, now, world);
            Enter(supervisor, SVM_SHUTDOWN, "-> SVM_SHUTDOWN", world);
        }
        break;
    case SVM_WAIT_SAVE_START:
        WaitForSave(supervisor, now, supervisor->SaveStartDeadline,
                    "Re-schedule, if data save starting timeout.", world);
        break;
    case SVM_WAIT_SAVE_END:
        WaitForSave(supervisor, now, supervisor->SaveEndDeadline, "Re-schedule, if data saving timeout.",
                    world);
        break;
    case SVM_SHUTDOWN:
        if (nowSeconds > supervisor->ShutdownWaitEnd.seconds) {
            world.Log("Re-schedule, if waiting shutdown timeout.");
            Reschedule(supervisor, now, world);
        }
        break;
    default: // SVM_IDLE: only a command leaves it
        break;
    }
}

} // namespace

SvmTime MakeSvmTime(const SYSTEMTIME& time) {
    SvmTime result;
    result.time = time;
    result.seconds = OvcSysTimeToTime1970(&time);
    return result;
}

void SupervisorInit(Supervisor* supervisor, const char* programFolder) {
    memset(supervisor, 0, sizeof *supervisor);
    for (int i = 0; i < ANNOUNCEMENT_COUNT; ++i) {
        Announcement& announcement = supervisor->announcements[i];
        OvcSnPrintFA(announcement.path, sizeof announcement.path, "%s", programFolder);
        OvcPathCatA(announcement.path, kAnnouncementFiles[i], sizeof announcement.path);
    }
}

void SupervisorStart(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    LoadAndReschedule(supervisor, now, world);
}

void SupervisorPass(Supervisor* supervisor, const SYSTEMTIME& now, const MailCommand* command,
                    SupervisorWorld& world) {
    ++supervisor->PassCount;
    if (command)
        HandleCommand(supervisor, now, *command, world);
    HandleState(supervisor, now, world);
}

void Reschedule(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    const SetInfo& info = supervisor->setInfo;
    DWORD nowSeconds = MakeSvmTime(now).seconds;
    SYSTEMTIME shutdownTime;
    DWORD forced = 0;
    if (!world.NextShutdownTime(info, now, &shutdownTime, &forced)) {
        world.Log("No shutdown time.");
        Enter(supervisor, SVM_IDLE, "-> SVM_IDLE", world);
        return;
    }
    supervisor->ShutdownTime = MakeSvmTime(shutdownTime);
    supervisor->fShutdownForced = forced;
    supervisor->ResumeTime = AddSeconds(shutdownTime, -MinutesToSeconds(info.PCResumeTime));
    for (int i = 0; i < ANNOUNCEMENT_COUNT; ++i) {
        Announcement& announcement = supervisor->announcements[i];
        announcement.time = AddSeconds(shutdownTime, -kAnnouncementOffsets[i]);
        announcement.done = announcement.time.seconds <= nowSeconds || !AnnouncementSwitch(info, i);
    }
    if (supervisor->ResumeTime.seconds > nowSeconds) {
        SetResumeTimer(supervisor->ResumeTime, world);
        Enter(supervisor, SVM_WAIT_RESUME, "-> SVM_WAIT_RESUME", world);
    } else {
        world.Log("The resume time has passed.");
        world.KeepAwake();
        Enter(supervisor, SVM_WAIT_SHUTDOWN, "-> SVM_WAIT_SHUTDOWN", world);
    }
}

void SetResumeTimer(const SvmTime& time, SupervisorWorld& world) {
    world.SetResumeTimer(time.time);
    char text[256];
    OvcSnPrintFA(text, sizeof text, "Set resume time %04d/%02d/%02d %02d:%02d", time.time.wYear,
                 time.time.wMonth, time.time.wDay, time.time.wHour, time.time.wMinute);
    world.Log(text);
}

void CheckAnnouncements(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    for (Announcement& announcement : supervisor->announcements) {
        if (!SameMinute(announcement.time.time, now))
            continue;
        if (!announcement.done) {
            world.Log("Sound announced.");
            announcement.done = 1;
            const SetInfo& info = supervisor->setInfo;
            world.Play(announcement.path, info.SoundDevName, info.SoundVolume);
        }
        return;
    }
}

bool IsJustTime(const SvmTime& time, const SYSTEMTIME& now, SupervisorWorld& world) {
    if (!SameMinute(time.time, now))
        return false;
    world.Log("Just time is it now !!");
    return true;
}

void ExecuteShutdown(Supervisor* supervisor, const SYSTEMTIME& now, SupervisorWorld& world) {
    supervisor->ShutdownWaitEnd = AddSeconds(now, kShutdownWaitSeconds);
    if (supervisor->fShutdownForced) {
        world.Log("Forced Shutdown is executed!");
        world.Sleep(10);
        world.ShutDownSystem(kExitForcedShutdown);
        return;
    }
    if (world.SendToApp(MakeMailCommand(CMD_SHUTDOWN, 0, WarningSeconds(supervisor->setInfo))))
        return; // the application shuts down from the user's session
    world.Log("Normal Shutdown is executed!");
    world.Sleep(10);
    world.ShutDownSystem(kExitShutdown);
}

bool ResumeDueTime(const SYSTEMTIME& localTime, const TIME_ZONE_INFORMATION* zone, FILETIME* utc) {
    SYSTEMTIME utcTime;
    FILETIME result;
    if (!TzSpecificLocalTimeToSystemTime(zone, &localTime, &utcTime) ||
        !SystemTimeToFileTime(&utcTime, &result))
        return false;
    *utc = result;
    return true;
}
