// The schedule computation with the present time as input (the exported GetShutdownTime reads
// the clock and calls it).
#pragma once

#include "OrvDl2SubFuncs.h"

// As GetShutdownTime, standing at the local time now.
int ComputeShutdownTime(const SetInfo* info, const SYSTEMTIME* now, SYSTEMTIME* time, DWORD* seconds,
                        DWORD* forced);
