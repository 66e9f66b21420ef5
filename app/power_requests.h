// The application's requests to the power manager. The product always makes the calls; a test
// build watches them through the observer (Wine only remembers or ignores them).
#pragma once

#include <windows.h>

enum class PowerRequest {
    ExecutionState, // SetThreadExecutionState(argument)
    Sleep           // SetSuspendState(FALSE, FALSE, FALSE)
};
using PowerRequestObserver = void (*)(PowerRequest request, DWORD argument);
void SetPowerRequestObserver(PowerRequestObserver observer);

// Resets the system or display idle timer once (flags without ES_CONTINUOUS).
void RequestExecutionState(EXECUTION_STATE flags);
// Puts the PC to sleep now (not hibernation, not forced, wake-up events allowed).
void RequestSleep();
