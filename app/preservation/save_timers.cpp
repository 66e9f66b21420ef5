#include "save_timers.h"

#include <OrvCtl.h>

namespace {

struct TimerKey {
    const char* key;
    UINT SaveTimers::*value;
    UINT defaultMs;
    bool isPeriod;
};

const TimerKey kTimerKeys[] = {
    {"TmCyc", &SaveTimers::cycle, 1000, true},
    {"TmInterval", &SaveTimers::interval, 3000, true},
    {"TmSrtSaveAs", &SaveTimers::saveAsStartLimit, 3000, false},
    {"TmEndSaveAs", &SaveTimers::saveAsEndLimit, 3000, false},
    {"TmClsOrRew", &SaveTimers::closeLimit, 3000, false},
    {"TmRewrite", &SaveTimers::confirmEndLimit, 3000, false},
    {"TmSaveStart", &SaveTimers::saveStartLimit, 30000, false},
    {"TmSaveEnd", &SaveTimers::saveEndLimit, 180000, false},
    {"TmClose", &SaveTimers::windowCloseLimit, 30000, false},
};

} // namespace

SaveTimers DefaultSaveTimers() {
    SaveTimers timers = {};
    for (const TimerKey& key : kTimerKeys)
        timers.*key.value = key.defaultMs;
    return timers;
}

SaveTimers BoundSaveTimers(const SaveTimers& read) {
    SaveTimers timers = read;
    for (const TimerKey& key : kTimerKeys) {
        UINT& value = timers.*key.value;
        if (key.isPeriod) {
            if (value == 0)
                value = key.defaultMs;
            if (value > SaveMaxPeriodMs)
                value = SaveMaxPeriodMs;
        } else if (value > SaveMaxLimitMs) {
            value = SaveMaxLimitMs;
        }
    }
    return timers;
}

SaveTimers LoadSaveTimers() {
    SaveTimers timers = {};
    for (const TimerKey& key : kTimerKeys)
        timers.*key.value = OvcGetProfileUIntA("TIMER", key.key, key.defaultMs);
    return BoundSaveTimers(timers);
}
