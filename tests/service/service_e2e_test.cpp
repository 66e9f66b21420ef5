// One scheduled normal shutdown with a one-minute warning, end to end with the real service and
// real time: the test holds the application's mailslot, so the service never shuts down itself.
#include <gtest/gtest.h>

#include "OrvCtl.h"
#include "mailslot_catcher.h"
#include "service_harness.h"
#include "test_support.h"
#include "time_support.h"

using namespace dormex_test;

TEST(ServiceEndToEnd, WarnsInTheShutdownMinuteAndAsksTheApplicationToShutDown) {
    MailslotCatcher app(MAILSLOT_APP);
    ASSERT_TRUE(app.Ok()) << "the application's mailslot must be ours, or the service shuts down: "
                          << app.Error();
    LogCatcher log;
    ASSERT_TRUE(log.Ok()) << log.Error();
    SettingsFile settings;
    // A little more than the service's 60 s, for its start.
    SYSTEMTIME shutdown = WholeMinuteAhead(70);
    ASSERT_TRUE(settings.Save(OneNormalShutdownEveryDay(settings, shutdown)));

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
