// Emptying the log mailslot into the view.
#pragma once

#include <windows.h>

// Where the drain puts what it reads, and where its message buffers come from.
struct LogDrainTarget {
    void* context;
    // Called with exactly the bytes of one message as read.
    void (*show)(void* context, const char* bytes, DWORD count);
    // A buffer of size bytes, or null when there is no memory.
    void* (*allocate)(DWORD size);
    void (*release)(void* buffer);
};

enum LogDrainEnd {
    kLogDrainEmpty,     // no message is waiting
    kLogDrainNoMemory,  // the next message stays queued for the next tick
    kLogDrainLimit,     // maxMessages were handled; the rest waits for the next tick
    kLogDrainInfoFailed // GetMailslotInfo failed
};

// Reads and shows the waiting messages of slot, at most maxMessages of them, so that a flood
// cannot keep the window from painting and answering. A zero-length message is consumed and shows
// nothing (left at the head it would block the queue for good). A failed read shows nothing.
LogDrainEnd DrainLogSlot(HANDLE slot, const LogDrainTarget& target, int maxMessages);
