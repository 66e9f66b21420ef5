// Resource ids of the log viewer.
#pragma once

#define IDD_LOGVIEW 101
#define IDI_DORMEX 102
#define IDC_TERMINAL 1001
