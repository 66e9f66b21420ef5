// State-transition engine: table-driven machines whose callbacks and timer expiries all run on
// the thread that created the machine, one at a time.
#include "OrvCtl.h"
#include "ovc_handles.h"

#include <algorithm>
#include <deque>
#include <memory>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr UINT kActionBytes = 8;
constexpr UINT kTransitionBytes = 10;
constexpr UINT kNoState = 0xFFFF;
constexpr BYTE kEndOfProcesses = 0xFF;
constexpr UINT kPostedEventMessage = WM_APP;
const char kWindowClass[] = "OvcStcTimerWindow";

struct Timer {
    bool configured = false;
    bool running = false;
    UINT periodMs = 0;
    UINT event = 0;
};

// An expiry (slot 0..3) or a posted event (slot -1) waiting for the machine to be idle.
struct Pending {
    int slot;
    UINT event;
};

struct Machine {
    HOVCSTC handle = nullptr;
    DWORD ownerThread = 0;
    HWND window = nullptr;
    const BYTE* entryTable = nullptr;
    const BYTE* exitTable = nullptr;
    const BYTE* transitionTable = nullptr;
    UINT stateCount = 0;
    UINT eventCount = 0;
    OVCSTCPROCESSPROC processProc = nullptr;
    OVCSTCTRACEPROC traceProc = nullptr;
    UINT state = 0;
    Timer timers[OVC_STC_TIMER_SLOTS];
    int busy = 0; // depth of events being handled
    std::deque<Pending> pending;
    bool deleted = false;
};

OvcHandleTable<Machine> g_machines;

UINT_PTR HandleValue(HOVCSTC handle) {
    return reinterpret_cast<UINT_PTR>(handle);
}

// Each callback wrapper returns false once a callback has deleted the machine: the caller then
// abandons the rest of its step.
bool Trace(Machine& m, UINT kind, UINT a, UINT b) {
    if (m.traceProc)
        m.traceProc(kind, a, b, m.handle);
    return !m.deleted;
}

bool RunProcess(Machine& m, UINT number) {
    m.processProc(number, m.handle, m.state);
    return !m.deleted;
}

// True when an expiry of the slot was waiting; it is dropped.
bool DropPending(Machine& m, int slot) {
    auto end = std::remove_if(m.pending.begin(), m.pending.end(),
                              [slot](const Pending& p) { return p.slot == slot; });
    bool dropped = end != m.pending.end();
    m.pending.erase(end, m.pending.end());
    return dropped;
}

bool StartTimer(Machine& m, int slot) {
    Timer& timer = m.timers[slot];
    if (!timer.configured)
        return true;
    UINT period = std::min(std::max(timer.periodMs, static_cast<UINT>(USER_TIMER_MINIMUM)),
                           static_cast<UINT>(USER_TIMER_MAXIMUM));
    // The same id again replaces the window timer, which starts its period again.
    if (!SetTimer(m.window, slot + 1, period, nullptr))
        return true;
    timer.running = true;
    DropPending(m, slot);
    return Trace(m, OVC_STC_TRACE_TIMER_START, slot, period);
}

bool StopTimer(Machine& m, int slot) {
    Timer& timer = m.timers[slot];
    bool wasPending = DropPending(m, slot);
    if (!timer.running && !wasPending)
        return true;
    if (timer.running)
        KillTimer(m.window, slot + 1);
    timer.running = false;
    return Trace(m, OVC_STC_TRACE_TIMER_STOP, slot, 0);
}

bool RunAction(Machine& m, const BYTE* action) {
    BYTE control = action[1];
    for (int slot = 0; slot < OVC_STC_TIMER_SLOTS; ++slot) {
        BYTE bits = control >> (6 - 2 * slot);
        if ((bits & 2) && !StopTimer(m, slot))
            return false;
        if ((bits & 1) && !StartTimer(m, slot))
            return false;
    }
    for (UINT i = 2; i < kActionBytes && action[i] != kEndOfProcesses; ++i) {
        if (!RunProcess(m, action[i]))
            return false;
    }
    return true;
}

void HandleEvent(Machine& m, UINT event) {
    UINT state = m.state;
    if (!Trace(m, OVC_STC_TRACE_EVENT, state, event))
        return;
    const BYTE* record =
        m.transitionTable + (static_cast<size_t>(event) * m.stateCount + state) * kTransitionBytes;
    UINT next = record[0] | record[1] << 8;
    if (!RunAction(m, record + 2))
        return;
    if (next == kNoState || next >= m.stateCount)
        return;
    if (!RunAction(m, m.exitTable + state * kActionBytes))
        return;
    m.state = next;
    if (!Trace(m, OVC_STC_TRACE_STATE, next, 0))
        return;
    RunAction(m, m.entryTable + next * kActionBytes);
}

// Handles the event now, then, once the outermost event is done, whatever came meanwhile.
void Dispatch(Machine& m, UINT event) {
    ++m.busy;
    HandleEvent(m, event);
    --m.busy;
    while (m.busy == 0 && !m.deleted && !m.pending.empty()) {
        Pending next = m.pending.front();
        m.pending.pop_front();
        ++m.busy;
        HandleEvent(m, next.event);
        --m.busy;
    }
}

// Timer expiries and posted events reach the machine here, on its own thread. One that comes
// while a callback is pumping messages waits, so callbacks never overlap.
void Deliver(Machine& m, const Pending& what) {
    if (m.busy > 0)
        m.pending.push_back(what);
    else
        Dispatch(m, what.event);
}

LRESULT CALLBACK MachineWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER && message != kPostedEventMessage)
        return DefWindowProcA(window, message, wParam, lParam);
    std::shared_ptr<Machine> machine = g_machines.Find(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!machine)
        return 0;
    if (message == kPostedEventMessage) {
        Deliver(*machine, Pending{-1, static_cast<UINT>(wParam)});
        return 0;
    }
    int slot = static_cast<int>(wParam) - 1;
    if (slot < 0 || slot >= OVC_STC_TIMER_SLOTS || !machine->timers[slot].running)
        return 0;
    // One expiry per start.
    KillTimer(window, wParam);
    machine->timers[slot].running = false;
    Deliver(*machine, Pending{slot, machine->timers[slot].event});
    return 0;
}

class WindowClass {
  public:
    ~WindowClass() {
        if (atom_)
            UnregisterClassA(kWindowClass, Module());
    }
    // Registers the class on first use; false when that failed.
    bool Ensure() { return InitOnceExecuteOnce(&once_, Register, this, nullptr) != FALSE; }

  private:
    static HINSTANCE Module() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
    static BOOL CALLBACK Register(PINIT_ONCE, PVOID self, PVOID*) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = MachineWindowProc;
        windowClass.hInstance = Module();
        windowClass.lpszClassName = kWindowClass;
        static_cast<WindowClass*>(self)->atom_ = RegisterClassA(&windowClass);
        return static_cast<WindowClass*>(self)->atom_ != 0;
    }

    INIT_ONCE once_ = INIT_ONCE_STATIC_INIT;
    ATOM atom_ = 0;
};

WindowClass g_windowClass;

// The machine for a call that must come from its own thread, or null with the last error set.
std::shared_ptr<Machine> FindOwned(HOVCSTC handle) {
    std::shared_ptr<Machine> machine = g_machines.Find(HandleValue(handle));
    if (!machine) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (machine->ownerThread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return machine;
}

bool EventInTable(const Machine& m, UINT event) {
    return m.eventCount == 0 || event < m.eventCount;
}

} // namespace

extern "C" {

OVC_API HOVCSTC OVC_CALL OvcStcCreate(const BYTE* entryTable, const BYTE* exitTable,
                                      const BYTE* transitionTable, UINT stateCount, UINT eventCount,
                                      OVCSTCPROCESSPROC processProc, OVCSTCTRACEPROC traceProc) {
    if (!entryTable || !exitTable || !transitionTable || !processProc || stateCount == 0 ||
        stateCount > kNoState) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!g_windowClass.Ensure())
        return nullptr;
    auto machine = std::make_shared<Machine>();
    machine->ownerThread = GetCurrentThreadId();
    machine->entryTable = entryTable;
    machine->exitTable = exitTable;
    machine->transitionTable = transitionTable;
    machine->stateCount = stateCount;
    machine->eventCount = eventCount;
    machine->processProc = processProc;
    machine->traceProc = traceProc;
    machine->window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      reinterpret_cast<HINSTANCE>(&__ImageBase), nullptr);
    if (!machine->window)
        return nullptr;
    UINT_PTR handle = g_machines.Add(machine);
    machine->handle = reinterpret_cast<HOVCSTC>(handle);
    SetWindowLongPtrA(machine->window, GWLP_USERDATA, static_cast<LONG_PTR>(handle));
    return machine->handle;
}

OVC_API int OVC_CALL OvcStcSetTimerInfo(HOVCSTC handle, UINT slot, UINT periodMs, UINT event) {
    std::shared_ptr<Machine> machine = FindOwned(handle);
    if (!machine)
        return 0;
    if (slot >= OVC_STC_TIMER_SLOTS || !EventInTable(*machine, event)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Timer& timer = machine->timers[slot];
    timer.configured = true;
    timer.periodMs = periodMs;
    timer.event = event;
    return 1;
}

OVC_API int OVC_CALL OvcStcExecEvent(HOVCSTC handle, UINT event) {
    std::shared_ptr<Machine> machine = g_machines.Find(HandleValue(handle));
    if (!machine) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (!EventInTable(*machine, event)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (machine->ownerThread != GetCurrentThreadId())
        return PostMessageA(machine->window, kPostedEventMessage, event, 0) ? 1 : 0;
    Dispatch(*machine, event);
    return 1;
}

OVC_API int OVC_CALL OvcStcDelete(HOVCSTC handle) {
    std::shared_ptr<Machine> machine = FindOwned(handle);
    if (!machine)
        return 0;
    g_machines.Remove(HandleValue(handle));
    machine->deleted = true;
    machine->pending.clear();
    // Destroying the window ends its timers and drops its queued messages.
    DestroyWindow(machine->window);
    return 1;
}

} // extern "C"
