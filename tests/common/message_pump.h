// Waiting on a thread that owns windows or window timers: its messages keep being dispatched.
#pragma once

#include <windows.h>

#include <functional>

namespace dormex_test {

// Dispatches the calling thread's messages until condition holds or timeoutMs have passed;
// returns the condition's last value.
bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// Dispatches the calling thread's messages for durationMs (for tests where time itself must pass).
void PumpMessagesFor(DWORD durationMs);

} // namespace dormex_test
