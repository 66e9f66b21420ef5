// Shutdown with the privilege it needs, and the user-interface language.
#include "OrvCtl.h"

extern "C" {

OVC_API BOOL OVC_CALL OvcExitWindows(UINT flags) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return FALSE;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    BOOL ok = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              GetLastError() == ERROR_SUCCESS; // AdjustTokenPrivileges succeeds without assigning
    DWORD error = GetLastError();
    CloseHandle(token);
    if (!ok) {
        SetLastError(error);
        return FALSE;
    }
    return ExitWindowsEx(flags,
                         SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_MINOR_OTHER | SHTDN_REASON_FLAG_PLANNED);
}

OVC_API LANGID OVC_CALL OvcGetLangId(void) {
    return GetUserDefaultUILanguage();
}

} // extern "C"
