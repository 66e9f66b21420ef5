#include "log_format.h"

#include <stdio.h>
#include <string.h>

namespace {

const char* TextOrEmpty(const char* text) {
    return text ? text : "";
}

} // namespace

void FormatLogTimestamp(const SYSTEMTIME* time, char* buffer, size_t size) {
    snprintf(buffer, size, "%4d-%02d-%02d %02d:%02d:%02d.%03d", time->wYear, time->wMonth, time->wDay,
             time->wHour, time->wMinute, time->wSecond, time->wMilliseconds);
}

void FormatLogSource(const char* computerName, const char* tag, char* buffer, size_t size) {
    snprintf(buffer, size, "%-16s %s", TextOrEmpty(computerName), TextOrEmpty(tag));
}

size_t FormatLogLine(const char* timestamp, const char* source, const char* message, char* buffer,
                     size_t size) {
    snprintf(buffer, size, "%s %s: %s\n", TextOrEmpty(timestamp), TextOrEmpty(source), TextOrEmpty(message));
    return strlen(buffer);
}

void FormatLogSlotPath(const char* host, char* buffer, size_t size) {
    if (host && host[0])
        snprintf(buffer, size, "\\\\%s\\mailslot\\OrvDormex\\log", host);
    else
        snprintf(buffer, size, "\\\\.\\mailslot\\OrvDormex\\log");
}

void FormatLogError(const char* operation, int code, const char* systemText, char* buffer, size_t size) {
    if (!systemText) {
        snprintf(buffer, size, "Error detect in %s, err = %d", TextOrEmpty(operation), code);
        return;
    }
    // The first line of the text; a carriage return before its line feed stays.
    int firstLine = static_cast<int>(strcspn(systemText, "\n"));
    snprintf(buffer, size, "Error detect in %s, err = %d ( %.*s )", TextOrEmpty(operation), code, firstLine,
             systemText);
}
