// The countdown's arithmetic, on local times given by the caller (seconds since 1970 of the local
// calendar time).
#pragma once

#include <windows.h>

// The creation parameter of the countdown dialog: forced flag in the high half, seconds in the low.
constexpr bool CountdownIsForced(DWORD initValue) {
    return (initValue >> 16) != 0;
}
constexpr UINT CountdownSeconds(DWORD initValue) {
    return initValue & 0xFFFF;
}

// The local time at which a countdown of seconds started at now ends.
DWORD CountdownDeadline(const SYSTEMTIME& now, UINT seconds);

// What a tick at now does: closes the dialog once the deadline has passed, otherwise shows the
// seconds left (from the initial number down to 0).
struct CountdownTick {
    bool close;
    UINT secondsLeft;
};
CountdownTick CountdownAt(DWORD now, DWORD deadline);
