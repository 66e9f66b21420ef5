// Emptying the log mailslot into the view.
#include "log_drain.h"

LogDrainEnd DrainLogSlot(HANDLE slot, const LogDrainTarget& target, int maxMessages) {
    for (int handled = 0; handled < maxMessages; ++handled) {
        DWORD nextSize = 0;
        DWORD waiting = 0;
        if (!GetMailslotInfo(slot, nullptr, &nextSize, &waiting, nullptr))
            return kLogDrainInfoFailed;
        if (nextSize == MAILSLOT_NO_MESSAGE)
            return kLogDrainEmpty;
        DWORD read = 0;
        if (nextSize == 0) {
            // Wine reports an empty message with a count of 0 and only a non-empty buffer
            // consumes it (the read then fails); Windows reads it as 0 bytes. Either way it is gone,
            // so the result does not matter.
            char scratch[1];
            ReadFile(slot, scratch, sizeof scratch, &read, nullptr);
            continue;
        }
        void* buffer = target.allocate(nextSize);
        if (!buffer)
            return kLogDrainNoMemory;
        if (ReadFile(slot, buffer, nextSize, &read, nullptr))
            target.show(target.context, static_cast<const char*>(buffer), read);
        target.release(buffer);
    }
    return kLogDrainLimit;
}
