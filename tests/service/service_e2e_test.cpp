// One scheduled normal shutdown with a one-minute warning, end to end with the real service and
// real time: the test holds the application's mailslot, so the service never shuts down itself.
#include <gtest/gtest.h>

#include "OrvCtl.h"
#include "mailslot_catcher.h"
#include "service_harness.h"
#include "test_support.h"

using namespace dormex_test;

namespace {

bool SameMinute(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute;
}

// The first whole minute more than 70 s ahead (a little more than the service's 60 s, for its
// start).
SYSTEMTIME ShutdownMinute() {
    SYSTEMTIME now, time;
    GetLocalTime(&now);
    OvcTimeUpdate(&now, &time, 70);
    if (time.wSecond != 0 || time.wMilliseconds != 0)
        OvcTimeUpdate(&time, &time, 60 - time.wSecond);
    time.wSecond = 0;
    time.wMilliseconds = 0;
    return time;
}

} // namespace

TEST(ServiceEndToEnd, WarnsInTheShutdownMinuteAndAsksTheApplicationToShutDown) {
    MailslotCatcher app(MAILSLOT_APP);
    ASSERT_TRUE(app.Ok()) << "the application's mailslot must be ours, or the service shuts down: "
                          << app.Error();
    LogCatcher log;
    ASSERT_TRUE(log.Ok()) << log.Error();
    SettingsFile settings;
    SetInfo info = settings.Defaults();
    SYSTEMTIME shutdown = ShutdownMinute();
    for (ShutdownSlot& slot : info.sdt)
        slot.fValid = 0;
    info.sdt[0] = ShutdownSlot{1, shutdown.wHour, shutdown.wMinute, 0};
    for (UINT32& day : info.WeekDay)
        day = 1;
    info.interval = 1;
    ASSERT_TRUE(settings.Save(info));

    TestService service;
    ASSERT_TRUE(service.Ok()) << GetLastError();
    ASSERT_TRUE(service.Start()) << GetLastError();
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
    ASSERT_TRUE(log.WaitForLine("-> SVM_WAIT_SHUTDOWN", 10000))
        << "the resume time (5 minutes ahead) has passed";

    ASSERT_TRUE(app.WaitForCount(1, 150000));
    SYSTEMTIME warnedAt;
    GetLocalTime(&warnedAt);
    std::vector<CaughtMessage> messages = app.Messages();
    ASSERT_EQ(4u, messages[0].bytes.size());
    EXPECT_EQ(std::string("\x01\x00\x3C\x00", 4), messages[0].bytes) << "CMD_WARNING, normal, 60 s";
    EXPECT_TRUE(SameMinute(shutdown, warnedAt));

    SYSTEMTIME warningEnd;
    OvcTimeUpdate(&warnedAt, &warningEnd, 60);
    ASSERT_TRUE(app.WaitForCount(2, 90000));
    SYSTEMTIME shutdownAt;
    GetLocalTime(&shutdownAt);
    messages = app.Messages();
    EXPECT_EQ(std::string("\x04\x00\x3C\x00", 4), messages[1].bytes) << "CMD_SHUTDOWN";
    EXPECT_TRUE(SameMinute(warningEnd, shutdownAt));
    EXPECT_TRUE(log.WaitForLine("-> SVM_SHUTDOWN", 5000));
    EXPECT_EQ(0u, log.CountContaining("Normal Shutdown is executed!"));
    EXPECT_TRUE(service.Stop());
}
