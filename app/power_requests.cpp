#include "power_requests.h"

#include <powrprof.h>

namespace {
PowerRequestObserver g_observer = nullptr;

void Notify(PowerRequest request, DWORD argument) {
    if (g_observer)
        g_observer(request, argument);
}
} // namespace

void SetPowerRequestObserver(PowerRequestObserver observer) {
    g_observer = observer;
}

void RequestExecutionState(EXECUTION_STATE flags) {
    SetThreadExecutionState(flags);
    Notify(PowerRequest::ExecutionState, flags);
}

void RequestSleep() {
    SetSuspendState(FALSE, FALSE, FALSE);
    Notify(PowerRequest::Sleep, 0);
}
