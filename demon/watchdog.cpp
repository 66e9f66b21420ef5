#include "watchdog.h"

#include "OrvCtl.h"

bool Watchdog::Pass(WatchdogWorld& world) {
    if (passCount_ >= kPassesPerCheck) {
        if (!world.AppWindowExists()) {
            world.StartApp();
            char text[64];
            OvcSnPrintFA(text, sizeof text, "Start %s.", appProgram_);
            world.Log(text);
        }
        passCount_ = 0;
    }
    bool keepRunning = !world.UninstallRequested();
    ++passCount_;
    return keepRunning;
}
