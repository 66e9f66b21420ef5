// The process's own mailslot and sending command words to another process's mailslot.
#include "OrvDl2SubFuncs.h"

#include <new>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

// The process's own mailslot; created, deleted and read from one thread at a time.
HANDLE g_mailslot = INVALID_HANDLE_VALUE;

// Zero-length messages skipped in one receive at most; the next poll goes on with the rest.
const int kMaxEmptyMessagesPerRecv = 16;

// A zero-length message at the head would otherwise be seen as "no message" for ever and block
// every later command. Reading it with a non-zero buffer removes it (Windows reads 0 bytes; Wine
// fails with ERROR_BROKEN_PIPE and drops it).
void DropEmptyMessage(HANDLE mailslot) {
    BYTE scratch[1];
    DWORD read = 0;
    ReadFile(mailslot, scratch, sizeof scratch, &read, nullptr);
}

// The mailslot's log texts are formed in 256 bytes.
void LogShort(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));
void LogShort(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    LogOut(text);
}

} // namespace

extern "C" {

SUB_API int SUB_CALL MyMailSlotCreate(const char* name) {
    MyMailSlotDelete(); // one mailslot per process: a new creation replaces the one held
    if (!name)
        name = "";

    // A null DACL: processes of every account and session may open the mailslot to write.
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &descriptor, FALSE};
    HANDLE mailslot = INVALID_HANDLE_VALUE;
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
        mailslot = CreateMailslotA(name, 0, 0, &attributes);

    if (mailslot == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        LogError(" CreateMailslot", static_cast<int>(error));
        LogShort("My mail slot(%s) creation failure", name);
        SetLastError(error); // the caller may report the failure with its own code
        return 0;
    }
    g_mailslot = mailslot;
    LogShort("My mail slot(%s) creation success", name);
    return 1;
}

SUB_API void SUB_CALL MyMailSlotDelete(void) {
    if (g_mailslot == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(g_mailslot);
    g_mailslot = INVALID_HANDLE_VALUE;
    LogOut("My mail slot is closed.");
    Sleep(10);
}

SUB_API int SUB_CALL MyMailSlotRecv(MailCommand* command) {
    if (g_mailslot == INVALID_HANDLE_VALUE || !command)
        return 0;
    DWORD nextSize = MAILSLOT_NO_MESSAGE;
    for (int skipped = 0;; ++skipped) {
        DWORD count = 0;
        if (!GetMailslotInfo(g_mailslot, nullptr, &nextSize, &count, nullptr) ||
            nextSize == MAILSLOT_NO_MESSAGE)
            return 0;
        if (nextSize != 0)
            break;
        if (skipped == kMaxEmptyMessagesPerRecv)
            return 0;
        DropEmptyMessage(g_mailslot);
    }

    BYTE* message = new (std::nothrow) BYTE[nextSize];
    if (!message)
        return 0;
    DWORD read = 0;
    BOOL ok = ReadFile(g_mailslot, message, nextSize, &read, nullptr);
    if (!ok || read < sizeof(MailCommand)) {
        delete[] message; // consumed and dropped
        return 0;
    }
    memcpy(command, message, sizeof(MailCommand)); // bytes beyond the word are dropped
    delete[] message;
    LogShort("Received Command cmd=0x%02X, Param=%d, %d", command->cmd, command->param1, command->param2);
    return 1;
}

SUB_API int SUB_CALL MailSlotSend(const char* name, const void* data, DWORD length) {
    if (!name || !name[0] || (!data && length))
        return 0;
    // Read and write sharing: every writer must share writing for a second one to open the mailslot
    // while the first holds it, or one of two commands sent at the same moment would be lost.
    HANDLE slot = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (slot == INVALID_HANDLE_VALUE)
        return 0; // nobody holds the mailslot
    DWORD written = 0;
    if (!WriteFile(slot, data, length, &written, nullptr))
        LogError(" WriteFile", static_cast<int>(GetLastError())); // the mailslot exists: still 1
    Sleep(10);                                                    // spaces consecutive messages
    CloseHandle(slot);
    return 1;
}

} // extern "C"
