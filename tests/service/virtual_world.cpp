#include "virtual_world.h"

#include <stdio.h>

#include "OrvCtl.h"
#include "schedule.h"

namespace dormex_test {

namespace {

ULONGLONG ToTicks(const SYSTEMTIME& time) {
    FILETIME file;
    SystemTimeToFileTime(&time, &file);
    return (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
}

SYSTEMTIME FromTicks(ULONGLONG ticks) {
    FILETIME file = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME time;
    FileTimeToSystemTime(&file, &time);
    return time;
}

} // namespace

std::string FormatTime(const SYSTEMTIME& time) {
    char text[64];
    snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", time.wYear, time.wMonth, time.wDay,
             time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

SetInfo ScheduleSettings(UINT32 hour, UINT32 minute) {
    SetInfo info = {};
    info.fSchedShutdown = 1;
    info.sdt[0] = ShutdownSlot{1, hour, minute, 0};
    info.interval = 3;
    for (UINT32& day : info.WeekDay)
        day = 1;
    info.fSound60 = info.fSound30 = info.fSound10 = info.fSound03 = 1;
    info.SoundVolume = 80;
    snprintf(info.SoundDevName, sizeof info.SoundDevName, "Out: default");
    info.PCResumeTime = 5;
    return info;
}

VirtualWorld::VirtualWorld(const SYSTEMTIME& start) : now_(start) {}

void VirtualWorld::Advance(DWORD milliseconds) {
    now_ = FromTicks(ToTicks(now_) + milliseconds * 10000ULL);
}

void VirtualWorld::SetNow(const SYSTEMTIME& now) {
    now_ = now;
}

void VirtualWorld::Log(const char* text) {
    log.push_back(text);
}

bool VirtualWorld::NextShutdownTime(const SetInfo& info, const SYSTEMTIME& now, SYSTEMTIME* time,
                                    DWORD* forced) {
    return ComputeShutdownTime(&info, &now, time, nullptr, forced) != 0;
}

void VirtualWorld::SetResumeTimer(const SYSTEMTIME& localTime) {
    timerArmed = true;
    timerDue = localTime;
}

bool VirtualWorld::ResumeTimerFired() {
    if (!timerArmed || ToTicks(now_) < ToTicks(timerDue))
        return false;
    timerArmed = false; // an auto-reset timer
    return true;
}

void VirtualWorld::Play(const char* path, const char* deviceName, UINT volume) {
    played.push_back(Played{now_, path, deviceName, volume});
}

bool VirtualWorld::SendToApp(const MailCommand& command) {
    if (!appPresent)
        return false;
    sent.push_back(SentCommand{now_, command});
    return true;
}

void VirtualWorld::ShutDownSystem(UINT flags) {
    shutdowns.push_back(flags);
}

std::string VirtualWorld::LogSince(size_t index) const {
    std::string joined;
    for (size_t i = index; i < log.size(); ++i)
        joined += (i > index ? "|" : "") + log[i];
    return joined;
}

VirtualSupervisor::VirtualSupervisor(const SYSTEMTIME& start, const SetInfo& settings, bool appPresent)
    : world(start) {
    world.settings = settings;
    world.appPresent = appPresent;
    SupervisorInit(&supervisor, "C:\\Dormex\\");
    SupervisorStart(&supervisor, world.Now(), world);
}

void VirtualSupervisor::Pass(const MailCommand* command) {
    SupervisorPass(&supervisor, world.Now(), command, world);
    world.Advance(1000);
}

void VirtualSupervisor::Pass(BYTE cmd) {
    MailCommand command = MakeMailCommand(cmd, 0, 0);
    Pass(&command);
}

void VirtualSupervisor::RunUntil(const SYSTEMTIME& end) {
    while (ToTicks(world.Now()) < ToTicks(end))
        Pass();
}

} // namespace dormex_test
