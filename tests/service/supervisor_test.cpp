// The shutdown supervisor in virtual time: whole schedules, pass by pass, without a clock.
#include <gtest/gtest.h>

#include "OrvCtl.h"
#include "time_support.h"
#include "virtual_world.h"

using namespace dormex_test;

namespace {

const WORD Y = 2024, M = 5, D = 14; // a Tuesday

DWORD Seconds(const SYSTEMTIME& time) {
    return OvcSysTimeToTime1970(&time);
}

std::vector<BYTE> SentCodes(const VirtualWorld& world) {
    std::vector<BYTE> codes;
    for (const SentCommand& sent : world.sent)
        codes.push_back(sent.command.cmd);
    return codes;
}

} // namespace

TEST(Supervisor, StartLoadsSettingsAndArmsTheWakeUpTimer) {
    VirtualSupervisor v(MakeTime(Y, M, D, 11, 0, 0), ScheduleSettings(12, 0));
    EXPECT_EQ(SVM_WAIT_RESUME, v.supervisor.SvmState);
    EXPECT_EQ("Load setting information.|Set resume time 2024/05/14 11:55|-> SVM_WAIT_RESUME",
              v.world.LogSince(0));
    ASSERT_TRUE(v.world.timerArmed);
    EXPECT_EQ(FormatTime(MakeTime(Y, M, D, 11, 55)), FormatTime(v.world.timerDue));
    EXPECT_EQ(Seconds(MakeTime(Y, M, D, 12, 0)), v.supervisor.ShutdownTime.seconds);
}

TEST(Supervisor, ResumeTimeZeroWakesAtTheShutdownMinuteAndWarnsOnTheNextPass) {
    SetInfo settings = ScheduleSettings(12, 0);
    settings.PCResumeTime = 0;
    VirtualSupervisor v(MakeTime(Y, M, D, 11, 50, 0, 300), settings);
    EXPECT_EQ(FormatTime(MakeTime(Y, M, D, 12, 0)), FormatTime(v.world.timerDue));
    v.RunUntil(MakeTime(Y, M, D, 11, 59, 59, 999));
    EXPECT_EQ(SVM_WAIT_RESUME, v.supervisor.SvmState);

    size_t mark = v.world.log.size();
    v.Pass(); // 12:00:00.3: the timer has fired
    EXPECT_EQ(SVM_WAIT_SHUTDOWN, v.supervisor.SvmState);
    EXPECT_EQ("Waitable timer timeout|-> SVM_WAIT_SHUTDOWN", v.world.LogSince(mark));
    EXPECT_TRUE(v.world.sent.empty());
    v.Pass();
    ASSERT_EQ(1u, v.world.sent.size());
    EXPECT_EQ(CMD_WARNING, v.world.sent[0].command.cmd);
    EXPECT_TRUE(SameMinute(MakeTime(Y, M, D, 12, 0), v.world.sent[0].at));
    EXPECT_LE(v.world.sent[0].at.wSecond, 3);
    EXPECT_EQ(SVM_WARNNING, v.supervisor.SvmState);
}

TEST(Supervisor, RescheduleAtHalfPastElevenPlaysOnlyTheAnnouncementsStillAhead) {
    VirtualSupervisor v(MakeTime(Y, M, D, 11, 0, 30), ScheduleSettings(12, 0));
    EXPECT_EQ(1, v.supervisor.announcements[0].done);
    EXPECT_EQ(0, v.supervisor.announcements[1].done);
    EXPECT_EQ(0, v.supervisor.announcements[2].done);
    EXPECT_EQ(0, v.supervisor.announcements[3].done);
    v.RunUntil(MakeTime(Y, M, D, 12, 0, 5));

    struct Expected {
        WORD hour, minute;
        const char* path;
    } expected[] = {
        {11, 30, "C:\\Dormex\\Dx2Sound30.wav"},
        {11, 50, "C:\\Dormex\\Dx2Sound10.wav"},
        {11, 57, "C:\\Dormex\\Dx2Sound03.wav"},
    };
    ASSERT_EQ(3u, v.world.played.size());
    for (size_t i = 0; i < 3; ++i) {
        const Played& played = v.world.played[i];
        EXPECT_EQ(expected[i].path, played.path);
        EXPECT_EQ(FormatTime(MakeTime(Y, M, D, expected[i].hour, expected[i].minute, 0, 0)).substr(0, 16),
                  FormatTime(played.at).substr(0, 16));
        EXPECT_LE(played.at.wSecond, 1) << "the first pass of its minute";
        EXPECT_EQ("Out: default", played.device);
        EXPECT_EQ(80u, played.volume);
    }
}

TEST(Supervisor, AnnouncementsSwitchedOffArePlayedNever) {
    SetInfo settings = ScheduleSettings(12, 0);
    settings.fSound30 = settings.fSound03 = 0;
    VirtualSupervisor v(MakeTime(Y, M, D, 10, 0, 0), settings);
    v.RunUntil(MakeTime(Y, M, D, 12, 0, 0));
    ASSERT_EQ(2u, v.world.played.size());
    EXPECT_EQ("C:\\Dormex\\Dx2Sound60.wav", v.world.played[0].path);
    EXPECT_EQ("C:\\Dormex\\Dx2Sound10.wav", v.world.played[1].path);
}

TEST(Supervisor, NoWarningIntervalShutsDownInTheFirstPassOfTheMinute) {
    for (DWORD forced : {0u, 1u}) {
        SetInfo settings = ScheduleSettings(12, 0);
        settings.interval = 0;
        settings.sdt[0].fForced = forced;
        VirtualSupervisor v(MakeTime(Y, M, D, 11, 58, 0, 400), settings);
        v.RunUntil(MakeTime(Y, M, D, 11, 59, 59, 999));
        size_t mark = v.world.log.size();
        v.Pass();
        EXPECT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
        if (forced) {
            EXPECT_EQ("Just time is it now !!|Forced Shutdown is executed!|-> SVM_SHUTDOWN",
                      v.world.LogSince(mark));
            EXPECT_EQ(std::vector<UINT>{5}, v.world.shutdowns);
            EXPECT_TRUE(v.world.sent.empty());
        } else {
            EXPECT_EQ("Just time is it now !!|-> SVM_SHUTDOWN", v.world.LogSince(mark));
            EXPECT_TRUE(v.world.shutdowns.empty()) << "the application shuts down";
            ASSERT_EQ(1u, v.world.sent.size());
            EXPECT_EQ(MailCommandToWord(MakeMailCommand(CMD_SHUTDOWN, 0, 0)),
                      MailCommandToWord(v.world.sent[0].command));
        }
    }
}

TEST(Supervisor, WarningEndsInTheFirstPassOfItsMinuteAboutOneSecondEarly) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0));
    v.RunUntil(MakeTime(Y, M, D, 21, 59, 59, 600));
    v.world.SetNow(MakeTime(Y, M, D, 22, 0, 1, 300)); // the last pass took longer
    v.RunUntil(MakeTime(Y, M, D, 22, 0, 2));
    ASSERT_EQ(1u, v.world.sent.size());
    EXPECT_EQ("2024-05-14 22:00:01.300", FormatTime(v.world.sent[0].at));
    EXPECT_EQ(MailCommandToWord(MakeMailCommand(CMD_WARNING, 0, 180)),
              MailCommandToWord(v.world.sent[0].command));
    EXPECT_EQ(Seconds(MakeTime(Y, M, D, 22, 3, 1)), v.supervisor.WarningEndTime.seconds);

    v.RunUntil(MakeTime(Y, M, D, 22, 3, 5));
    ASSERT_EQ(2u, v.world.sent.size());
    EXPECT_EQ("2024-05-14 22:03:00.300", FormatTime(v.world.sent[1].at));
    EXPECT_EQ(MailCommandToWord(MakeMailCommand(CMD_SHUTDOWN, 0, 180)),
              MailCommandToWord(v.world.sent[1].command));
    EXPECT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
    EXPECT_EQ(Seconds(MakeTime(Y, M, D, 22, 23, 0)), v.supervisor.ShutdownWaitEnd.seconds);
}

TEST(Supervisor, ApplicationAbsentTheServiceShutsDownNormallyItself) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0), false);
    v.RunUntil(MakeTime(Y, M, D, 21, 59, 59, 999));
    size_t mark = v.world.log.size();
    v.Pass();
    EXPECT_EQ("Just time is it now !!|Normal Shutdown is executed!|-> SVM_SHUTDOWN", v.world.LogSince(mark));
    EXPECT_EQ(std::vector<UINT>{1}, v.world.shutdowns);
    EXPECT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
}

TEST(Supervisor, ShutdownRefusedReschedulesAfterTwentyMinutes) {
    SetInfo settings = ScheduleSettings(22, 0);
    settings.sdt[0].fForced = 1;
    settings.interval = 0;
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), settings);
    v.RunUntil(MakeTime(Y, M, D, 22, 0, 1));
    ASSERT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
    v.RunUntil(MakeTime(Y, M, D, 22, 20, 0, 400));
    EXPECT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
    size_t mark = v.world.log.size();
    v.RunUntil(MakeTime(Y, M, D, 22, 20, 2));
    EXPECT_EQ("Re-schedule, if waiting shutdown timeout.|Set resume time 2024/05/15 21:55|-> SVM_WAIT_RESUME",
              v.world.LogSince(mark));
}

TEST(Supervisor, RescheduleDuringTheWarningTakesTheNextDay) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0));
    v.RunUntil(MakeTime(Y, M, D, 22, 0, 30));
    ASSERT_EQ(SVM_WARNNING, v.supervisor.SvmState);
    size_t mark = v.world.log.size();
    v.Pass(CMD_RESCHEDULE);
    EXPECT_EQ("Set resume time 2024/05/15 21:55|-> SVM_WAIT_RESUME", v.world.LogSince(mark));
    v.RunUntil(MakeTime(Y, M, D, 22, 10, 0));
    EXPECT_EQ(std::vector<BYTE>{CMD_WARNING}, SentCodes(v.world)) << "no shutdown after the reschedule";
    EXPECT_TRUE(v.world.shutdowns.empty());
}

TEST(Supervisor, ReloadDuringTheWarningLeavesItWithTheNewSchedule) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0));
    v.RunUntil(MakeTime(Y, M, D, 22, 1, 0));
    ASSERT_EQ(SVM_WARNNING, v.supervisor.SvmState);
    v.world.settings = ScheduleSettings(23, 30);
    size_t mark = v.world.log.size();
    v.Pass(CMD_RELOAD);
    EXPECT_EQ("Load setting information.|Set resume time 2024/05/14 23:25|-> SVM_WAIT_RESUME",
              v.world.LogSince(mark));
    EXPECT_EQ(Seconds(MakeTime(Y, M, D, 23, 30)), v.supervisor.ShutdownTime.seconds);
    v.RunUntil(MakeTime(Y, M, D, 22, 10, 0));
    EXPECT_EQ(std::vector<BYTE>{CMD_WARNING}, SentCodes(v.world));
}

TEST(Supervisor, PausedAcrossTheShutdownMinuteSkipsTheShutdown) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0));
    v.RunUntil(MakeTime(Y, M, D, 21, 59, 50));
    v.world.SetNow(MakeTime(Y, M, D, 22, 2, 0)); // no pass ran in 22:00 and 22:01
    size_t mark = v.world.log.size();
    v.Pass();
    EXPECT_EQ("Re-schedule, if shutdown time has passed.|Set resume time 2024/05/15 21:55|-> SVM_WAIT_RESUME",
              v.world.LogSince(mark));
    v.RunUntil(MakeTime(Y, M, D, 22, 5, 0));
    EXPECT_TRUE(v.world.sent.empty());
    EXPECT_TRUE(v.world.shutdowns.empty());
}

TEST(Supervisor, WarningMinuteWithoutAPassReschedules) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), ScheduleSettings(22, 0));
    v.RunUntil(MakeTime(Y, M, D, 22, 1, 0));
    ASSERT_EQ(SVM_WARNNING, v.supervisor.SvmState);
    v.world.SetNow(MakeTime(Y, M, D, 22, 4, 5)); // the warning ended at 22:03:00.5
    size_t mark = v.world.log.size();
    v.Pass();
    EXPECT_EQ(
        "Re-schedule, if end of warning time has passed.|Set resume time 2024/05/15 21:55|-> SVM_WAIT_RESUME",
        v.world.LogSince(mark));
    EXPECT_EQ(std::vector<BYTE>{CMD_WARNING}, SentCodes(v.world));
}

TEST(Supervisor, NoShutdownTimeIdlesForADay) {
    SetInfo settings = ScheduleSettings(22, 0);
    settings.fSchedShutdown = 0;
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 0, 0), settings);
    v.RunUntil(MakeTime(Y, M, D + 1, 21, 0, 0));
    EXPECT_EQ(SVM_IDLE, v.supervisor.SvmState);
    EXPECT_EQ("Load setting information.|No shutdown time.|-> SVM_IDLE", v.world.LogSince(0));
    EXPECT_TRUE(v.world.played.empty());
    EXPECT_TRUE(v.world.sent.empty());
    EXPECT_FALSE(v.world.timerArmed);
    EXPECT_EQ(86400u, v.supervisor.PassCount);
    // Only a command leaves it.
    v.world.settings = ScheduleSettings(22, 0);
    v.Pass(CMD_RELOAD);
    EXPECT_EQ(SVM_WAIT_RESUME, v.supervisor.SvmState);
}

TEST(Supervisor, WarningSecondsAbove65535AreCutInTheCommandWordOnly) {
    SetInfo settings = ScheduleSettings(22, 0);
    settings.interval = 1093; // 65580 s
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), settings);
    v.RunUntil(MakeTime(Y, M, D, 22, 0, 1));
    ASSERT_EQ(1u, v.world.sent.size());
    EXPECT_EQ(44, v.world.sent[0].command.param2);
    EXPECT_EQ(Seconds(MakeTime(Y, M, D, 22, 0, 0)) + 65580, v.supervisor.WarningEndTime.seconds);
}

TEST(Supervisor, ForcedFlagTravelsInTheWarning) {
    SetInfo settings = ScheduleSettings(22, 0);
    settings.sdt[0].fForced = 1;
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 58, 0, 500), settings);
    v.RunUntil(MakeTime(Y, M, D, 22, 3, 1));
    ASSERT_EQ(1u, v.world.sent.size());
    EXPECT_EQ(0x00B40101u, MailCommandToWord(v.world.sent[0].command));
    EXPECT_EQ(std::vector<UINT>{5}, v.world.shutdowns) << "a forced shutdown is the service's own";
}

TEST(Supervisor, KeepsAwakeOnEveryFortiethPassWhileWaitingForTheShutdown) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 57, 0), ScheduleSettings(22, 0));
    ASSERT_EQ(SVM_WAIT_SHUTDOWN, v.supervisor.SvmState); // the resume time has passed
    ASSERT_EQ(1u, v.world.keepAwake.size());
    for (int i = 0; i < 80; ++i)
        v.Pass();
    ASSERT_EQ(3u, v.world.keepAwake.size());
    EXPECT_EQ("2024-05-14 21:57:39.000", FormatTime(v.world.keepAwake[1])) << "pass 40";
    EXPECT_EQ("2024-05-14 21:58:19.000", FormatTime(v.world.keepAwake[2])) << "pass 80";
}

TEST(Supervisor, SaveCommandsAreIgnoredOutsideTheSaveStates) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 57, 0), ScheduleSettings(22, 0));
    size_t mark = v.world.log.size();
    v.Pass(CMD_SAVE_STARTED);
    v.Pass(CMD_SAVE_ENDED);
    v.Pass(0x42);
    EXPECT_EQ(SVM_WAIT_SHUTDOWN, v.supervisor.SvmState);
    EXPECT_EQ("", v.world.LogSince(mark));
}

TEST(Supervisor, SaveStatesFollowTheirCommands) {
    VirtualSupervisor v(MakeTime(Y, M, D, 21, 57, 0), ScheduleSettings(22, 0));
    v.supervisor.SvmState = SVM_WAIT_SAVE_START;
    v.supervisor.SaveStartDeadline = Seconds(v.world.Now()) + 60;
    v.supervisor.SaveEndDeadline = Seconds(v.world.Now()) + 600;
    v.Pass(CMD_SAVE_ENDED);
    EXPECT_EQ(SVM_WAIT_SAVE_START, v.supervisor.SvmState);
    size_t mark = v.world.log.size();
    v.Pass(CMD_SAVE_STARTED);
    EXPECT_EQ(SVM_WAIT_SAVE_END, v.supervisor.SvmState);
    EXPECT_EQ("-> SVM_WAIT_SAVE_END", v.world.LogSince(mark));
    v.Pass(CMD_SAVE_STARTED);
    EXPECT_EQ(SVM_WAIT_SAVE_END, v.supervisor.SvmState);
    mark = v.world.log.size();
    v.Pass(CMD_SAVE_ENDED);
    EXPECT_EQ(SVM_SHUTDOWN, v.supervisor.SvmState);
    EXPECT_EQ("-> SVM_SHUTDOWN", v.world.LogSince(mark));
    EXPECT_EQ(std::vector<BYTE>{CMD_SHUTDOWN}, SentCodes(v.world));
}

TEST(Supervisor, SaveStatesGiveUpAfterTheirDeadlines) {
    struct Case {
        UINT32 state;
        const char* text;
    } cases[] = {
        {SVM_WAIT_SAVE_START, "Re-schedule, if data save starting timeout."},
        {SVM_WAIT_SAVE_END, "Re-schedule, if data saving timeout."},
    };
    for (const Case& c : cases) {
        VirtualSupervisor v(MakeTime(Y, M, D, 21, 0, 0), ScheduleSettings(22, 0));
        v.supervisor.SvmState = c.state;
        DWORD deadline = Seconds(v.world.Now()) + 100;
        v.supervisor.SaveStartDeadline = v.supervisor.SaveEndDeadline = deadline;
        v.RunUntil(MakeTime(Y, M, D, 21, 1, 41)); // passes up to 21:01:40, the deadline
        EXPECT_EQ(c.state, v.supervisor.SvmState);
        EXPECT_EQ(2u, v.world.keepAwake.size()) << "passes 40 and 80";
        size_t mark = v.world.log.size();
        v.Pass();
        EXPECT_EQ(std::string(c.text) + "|Set resume time 2024/05/14 21:55|-> SVM_WAIT_RESUME",
                  v.world.LogSince(mark));
        EXPECT_EQ(std::vector<BYTE>{CMD_SAVE_ABORT}, SentCodes(v.world));
        EXPECT_EQ(0u, MailCommandToWord(v.world.sent[0].command) >> 8);
    }
}

TEST(Supervisor, ThreeDaysOfSchedulesWithTwoSlots) {
    SetInfo settings = ScheduleSettings(12, 0);
    settings.sdt[1] = ShutdownSlot{1, 18, 30, 1};
    settings.WeekDay[3] = 0; // no Wednesday
    VirtualSupervisor v(MakeTime(Y, M, D, 8, 0, 0), settings);
    v.RunUntil(MakeTime(Y, M, D + 3, 8, 0, 0));
    std::vector<std::string> warnings;
    for (const SentCommand& sent : v.world.sent)
        if (sent.command.cmd == CMD_WARNING)
            warnings.push_back(FormatTime(sent.at).substr(0, 16) + (sent.command.param1 ? " forced" : ""));
    std::vector<std::string> expected = {"2024-05-14 12:00", "2024-05-14 18:30 forced", "2024-05-16 12:00",
                                         "2024-05-16 18:30 forced"};
    EXPECT_EQ(expected, warnings);
    EXPECT_EQ((std::vector<UINT>{5, 5}), v.world.shutdowns);
    EXPECT_EQ(16u, v.world.played.size());
}
