#include "countdown.h"

#include "OrvCtl.h"

DWORD CountdownDeadline(const SYSTEMTIME& now, UINT seconds) {
    SYSTEMTIME end;
    OvcTimeUpdate(&now, &end, static_cast<int>(seconds));
    return OvcSysTimeToTime1970(&end);
}

CountdownTick CountdownAt(DWORD now, DWORD deadline) {
    if (now > deadline)
        return {true, 0};
    return {false, deadline - now};
}
