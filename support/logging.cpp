// Logging: the process's tag, log mailslot and log file, and the exported log functions. The texts
// are formed in log_format.cpp; here the clock, the computer name and the outputs.
#include "OrvDl2SubFuncs.h"
#include "log_format.h"

#include "OrvCtl.h"

#include <share.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// Set by SetLogSlotId before other threads start; only read afterwards.
char g_source[LOG_SOURCE_SIZE];
char g_slotPath[LOG_SLOT_PATH_SIZE]; // empty: no mailslot output
FILE* g_logFile;

// One message: the line and its NUL. The mailslot is opened for this line only; read and write
// sharing lets every other process open it for its own line at the same moment.
void SendLine(const char* path, const char* line, size_t length) {
    HANDLE slot = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (slot == INVALID_HANDLE_VALUE)
        return; // no viewer (or the log host cannot be reached): the line is not seen there
    DWORD written = 0;
    WriteFile(slot, line, static_cast<DWORD>(length + 1), &written, nullptr); // a lost line is not reported
    Sleep(10);                                                                // spaces consecutive lines
    CloseHandle(slot);
}

} // namespace

extern "C" {

SUB_API void SUB_CALL SetLogSlotId(const char* tag) {
    char computerName[LOG_COMPUTER_NAME_SIZE];
    DWORD length = sizeof computerName;
    if (GetComputerNameA(computerName, &length))
        computerName[sizeof computerName - 1] = '\0';
    else
        computerName[0] = '\0';
    if (tag)
        FormatLogSource(computerName, tag, g_source, sizeof g_source);

    char host[LOG_HOST_SIZE];
    OvcGetProfileStrA("MAIN", "LogHost", "", host, sizeof host);
    FormatLogSlotPath(host, g_slotPath, sizeof g_slotPath);
}

SUB_API FILE* SUB_CALL OpenLogFile(const char* path) {
    if (!path)
        return nullptr;
    FILE* file = _fsopen(path, "at", _SH_DENYNO);
    if (file)
        g_logFile = file; // the caller owns a file opened before
    return file;
}

SUB_API int SUB_CALL CloseLogFile(void) {
    if (!g_logFile)
        return 0;
    fputs("\n", g_logFile);
    int result = fclose(g_logFile);
    g_logFile = nullptr;
    return result;
}

SUB_API int SUB_CALL LogOut(const char* message) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char timestamp[LOG_TIMESTAMP_SIZE];
    FormatLogTimestamp(&now, timestamp, sizeof timestamp);
    char line[LOG_LINE_SIZE];
    size_t length = FormatLogLine(timestamp, g_source, message, line, sizeof line);

    if (g_slotPath[0])
        SendLine(g_slotPath, line, length);
    if (!g_logFile)
        return 0;
    int result = fprintf(g_logFile, "%s", line); // characters written, negative on failure
    fflush(g_logFile);                           // a line in the file survives a crash of the process
    return result;
}

SUB_API int SUB_CALL LogPrintF(const char* format, ...) {
    char message[LOG_LINE_SIZE];
    message[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        vsnprintf(message, sizeof message, format, args);
        va_end(args);
    }
    message[sizeof message - 1] = '\0';
    return LogOut(message);
}

SUB_API void SUB_CALL LogError(const char* operation, int code) {
    char* systemText = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr,
        static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&systemText), 0, nullptr);
    char message[LOG_LINE_SIZE];
    FormatLogError(operation, code, length ? systemText : nullptr, message, sizeof message);
    LogOut(message);
    if (systemText)
        LocalFree(systemText);
}

} // extern "C"
