// Which enabled slot comes next: the days are scanned from the day of now + 60 s, seven days in
// all; within a day the slots in number order, the first of equal times winning.
#include "schedule.h"

#include "OrvCtl.h"

int ComputeShutdownTime(const SetInfo* info, const SYSTEMTIME* now, SYSTEMTIME* time, DWORD* seconds,
                        DWORD* forced) {
    if (!info || !now || !time || !info->fSchedShutdown)
        return 0;
    // Only a slot more than a minute ahead counts; just before midnight the scan starts tomorrow.
    SYSTEMTIME reference;
    OvcTimeUpdate(now, &reference, 60);
    DWORD referenceSeconds = OvcSysTimeToTime1970(&reference);

    int found = 0;
    DWORD best = 0xFFFFFFFF;
    WORD dayOfWeek = reference.wDayOfWeek;
    for (int offset = 0; offset < 7; ++offset, dayOfWeek = (dayOfWeek + 1) % 7) {
        if (!info->WeekDay[dayOfWeek])
            continue;
        for (const ShutdownSlot& slot : info->sdt) {
            if (!slot.fValid)
                continue;
            SYSTEMTIME candidate = reference;
            candidate.wHour = LOWORD(slot.hour);
            candidate.wMinute = LOWORD(slot.minute);
            candidate.wSecond = 0;
            candidate.wMilliseconds = 0;
            OvcTimeUpdate(&candidate, &candidate, offset * 86400);
            DWORD candidateSeconds = OvcSysTimeToTime1970(&candidate);
            if (candidateSeconds > referenceSeconds && candidateSeconds < best) {
                *time = candidate;
                best = candidateSeconds;
                if (seconds)
                    *seconds = candidateSeconds;
                if (forced)
                    *forced = slot.fForced;
                found = 1;
            }
        }
    }
    return found;
}
