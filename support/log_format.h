// The texts of logging, formed from their inputs only (no clock, no system call), so they can be
// checked on any input.
#pragma once

#include <windows.h>

#include <stddef.h>

enum {
    LOG_LINE_SIZE = 1024, // a line (and a message) is cut to 1023 characters
    LOG_TIMESTAMP_SIZE = 64,
    LOG_SOURCE_SIZE = 64, // computer name and tag
    LOG_HOST_SIZE = 128,
    LOG_SLOT_PATH_SIZE = 256,
    LOG_COMPUTER_NAME_SIZE = 32
};

// "2024-03-05 09:07:03.045"
void FormatLogTimestamp(const SYSTEMTIME* time, char* buffer, size_t size);
// The computer name left-aligned in 16 characters (never cut), a blank, the tag.
void FormatLogSource(const char* computerName, const char* tag, char* buffer, size_t size);
// "<timestamp> <source>: <message>\n" cut to size - 1 characters; returns the length formed.
size_t FormatLogLine(const char* timestamp, const char* source, const char* message, char* buffer,
                     size_t size);
// The log mailslot on host, or the local one when host is empty.
void FormatLogSlotPath(const char* host, char* buffer, size_t size);
// The LogError message; systemText (null when the system has none) is cut at its first line feed.
void FormatLogError(const char* operation, int code, const char* systemText, char* buffer, size_t size);
