// Records what a state-transition machine reports, one text line per callback, and checks that
// every callback runs on the thread that made the recorder (the machine's creating thread).
#pragma once

#include <windows.h>

#include "OrvCtl.h"

#include <functional>
#include <string>
#include <vector>

namespace stc_test {

inline std::string Ev(UINT state, UINT event) {
    return "event s=" + std::to_string(state) + " e=" + std::to_string(event);
}
inline std::string St(UINT state) {
    return "state " + std::to_string(state);
}
inline std::string Start(UINT slot, UINT period) {
    return "start t" + std::to_string(slot) + " " + std::to_string(period) + "ms";
}
inline std::string Stop(UINT slot) {
    return "stop t" + std::to_string(slot);
}
inline std::string P(UINT number) {
    return "P" + std::to_string(number);
}

struct Recorder {
    Recorder() { current = this; }
    ~Recorder() { current = nullptr; }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool Has(const std::string& line) const {
        for (const std::string& l : lines)
            if (l == line)
                return true;
        return false;
    }
    // Tick count at which a line was recorded first, 0 when it was not.
    ULONGLONG TickOf(const std::string& line) const {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i] == line)
                return ticks[i];
        return 0;
    }

    std::vector<std::string> lines;
    std::vector<ULONGLONG> ticks;
    std::vector<UINT_PTR> processStates; // the state argument of each process call
    std::vector<HOVCSTC> machines;       // the machine argument of each callback
    DWORD thread = GetCurrentThreadId();
    int callsOnOtherThreads = 0;
    std::function<void(UINT number)> onProcess;
    std::function<void(UINT kind, UINT a, UINT b)> onTrace;

    static void OVC_CALL Process(UINT number, HOVCSTC machine, UINT_PTR state) {
        current->Add(P(number), machine);
        current->processStates.push_back(state);
        if (current->onProcess)
            current->onProcess(number);
    }
    static int OVC_CALL Trace(UINT kind, UINT a, UINT b, HOVCSTC machine) {
        switch (kind) {
        case OVC_STC_TRACE_EVENT:
            current->Add(Ev(a, b), machine);
            break;
        case OVC_STC_TRACE_STATE:
            current->Add(St(a), machine);
            break;
        case OVC_STC_TRACE_TIMER_START:
            current->Add(Start(a, b), machine);
            break;
        case OVC_STC_TRACE_TIMER_STOP:
            current->Add(Stop(a), machine);
            break;
        default:
            current->Add("kind " + std::to_string(kind), machine);
        }
        if (current->onTrace)
            current->onTrace(kind, a, b);
        return 1;
    }

    static inline Recorder* current = nullptr;

  private:
    void Add(const std::string& line, HOVCSTC machine) {
        if (GetCurrentThreadId() != thread)
            ++callsOnOtherThreads;
        lines.push_back(line);
        ticks.push_back(GetTickCount64());
        machines.push_back(machine);
    }
};

} // namespace stc_test
