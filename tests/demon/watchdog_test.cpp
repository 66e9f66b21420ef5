// The watchdog's rhythm, pass by pass, without waiting a minute.
#include "../../demon/watchdog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeWorld : WatchdogWorld {
    int pass = 0;
    bool appWindow = false;
    int uninstallFromPass = -1; // -1: never
    std::vector<int> checks, starts;
    std::vector<std::string> lines;

    bool AppWindowExists() override {
        checks.push_back(pass);
        return appWindow;
    }
    void StartApp() override { starts.push_back(pass); }
    bool UninstallRequested() override { return uninstallFromPass >= 0 && pass >= uninstallFromPass; }
    void Log(const char* text) override { lines.push_back(text); }
};

// Runs passes until the watchdog asks to end or maxPasses have run; returns the passes run.
int RunPasses(Watchdog& watchdog, FakeWorld& world, int maxPasses) {
    for (world.pass = 0; world.pass < maxPasses; ++world.pass) {
        if (!watchdog.Pass(world))
            return world.pass + 1;
    }
    return maxPasses;
}

TEST(WatchdogTest, LooksAtTheFirstPassAndThenEverySixtieth) {
    Watchdog watchdog("OrvDx2App32.exe");
    FakeWorld world;
    EXPECT_EQ(200, RunPasses(watchdog, world, 200));
    EXPECT_EQ((std::vector<int>{0, 60, 120, 180}), world.checks);
    EXPECT_EQ(world.checks, world.starts);
    EXPECT_EQ(std::vector<std::string>(4, "Start OrvDx2App32.exe."), world.lines);
}

TEST(WatchdogTest, RunningApplicationIsLeftAloneAndNothingIsLogged) {
    Watchdog watchdog("OrvDx2App64.exe");
    FakeWorld world;
    world.appWindow = true;
    RunPasses(watchdog, world, 130);
    EXPECT_EQ((std::vector<int>{0, 60, 120}), world.checks);
    EXPECT_TRUE(world.starts.empty());
    EXPECT_TRUE(world.lines.empty());
}

TEST(WatchdogTest, ClosedApplicationIsStartedAtTheNextCheck) {
    Watchdog watchdog("OrvDx2App64.exe");
    FakeWorld world;
    world.appWindow = true;
    for (world.pass = 0; world.pass < 100; ++world.pass) {
        if (world.pass == 10)
            world.appWindow = false; // the user closed it
        watchdog.Pass(world);
        if (!world.starts.empty())
            world.appWindow = true;
    }
    EXPECT_EQ(std::vector<int>{60}, world.starts);
    EXPECT_EQ(std::vector<std::string>{"Start OrvDx2App64.exe."}, world.lines);
}

TEST(WatchdogTest, UninstallEndsAfterThePassThatSeesIt) {
    const struct {
        int uninstallFromPass;
        int passes;
        std::vector<int> checks;
    } cases[] = {
        {0, 1, {0}},       // present at the start: the first pass still looks for the window
        {30, 31, {0}},     // between two checks
        {60, 61, {0, 60}}, // in a pass that checks
    };
    for (const auto& c : cases) {
        Watchdog watchdog("OrvDx2App32.exe");
        FakeWorld world;
        world.uninstallFromPass = c.uninstallFromPass;
        EXPECT_EQ(c.passes, RunPasses(watchdog, world, 1000)) << c.uninstallFromPass;
        EXPECT_EQ(c.checks, world.checks) << c.uninstallFromPass;
    }
}

} // namespace
