// The exported schedule functions; the clock is read here and nowhere below.
#include "OrvDl2SubFuncs.h"
#include "schedule.h"

extern "C" {

SUB_API int SUB_CALL IsValidTimeInSetInfo(const SetInfo* info) {
    if (!info || !info->fSchedShutdown)
        return 0;
    bool anyDay = false, anySlot = false;
    for (UINT32 day : info->WeekDay)
        anyDay |= day != 0;
    for (const ShutdownSlot& slot : info->sdt)
        anySlot |= slot.fValid != 0;
    return anyDay && anySlot ? 1 : 0;
}

SUB_API int SUB_CALL GetShutdownTime(const SetInfo* info, SYSTEMTIME* time, DWORD* seconds, DWORD* forced) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return ComputeShutdownTime(info, &now, time, seconds, forced);
}

} // extern "C"
