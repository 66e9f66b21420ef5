#include "mailslot_catcher.h"
#include "test_support.h"

namespace dormex_test {

const char kLogMailslot[] = "\\\\.\\mailslot\\OrvDormex\\log";

MailslotCatcher::MailslotCatcher(const std::string& name) : name_(name) {
    InitializeCriticalSection(&lock_);
    mailslot_ = CreateMailslotA(name.c_str(), 0, 0, nullptr);
    if (mailslot_ == INVALID_HANDLE_VALUE) {
        error_ = GetLastError();
        return;
    }
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_)
        thread_ = CreateThread(nullptr, 0, DrainThread, this, 0, nullptr);
    if (!thread_) {
        error_ = GetLastError();
        CloseHandle(mailslot_);
        mailslot_ = INVALID_HANDLE_VALUE;
    }
}

MailslotCatcher::~MailslotCatcher() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_)
        CloseHandle(stop_);
    if (mailslot_ != INVALID_HANDLE_VALUE)
        CloseHandle(mailslot_);
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI MailslotCatcher::DrainThread(void* self) {
    static_cast<MailslotCatcher*>(self)->Drain();
    return 0;
}

void MailslotCatcher::Drain() {
    while (WaitForSingleObject(stop_, 2) == WAIT_TIMEOUT)
        ReadQueued();
    ReadQueued();
}

// Reads every message queued now. A message is read with the size the mailslot reports (Wine
// truncates a read into a smaller buffer); a zero-length one needs a non-zero buffer to go away.
void MailslotCatcher::ReadQueued() {
    for (;;) {
        DWORD nextSize = MAILSLOT_NO_MESSAGE;
        if (!GetMailslotInfo(mailslot_, nullptr, &nextSize, nullptr, nullptr) ||
            nextSize == MAILSLOT_NO_MESSAGE)
            return;
        std::string bytes(nextSize ? nextSize : 1, '\0');
        DWORD read = 0;
        ReadFile(mailslot_, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(nextSize ? read : 0);
        CaughtMessage message = {bytes, GetTickCount()};
        EnterCriticalSection(&lock_);
        messages_.push_back(message);
        LeaveCriticalSection(&lock_);
    }
}

bool WriteMailslotMessage(const char* name, const std::string& bytes) {
    HANDLE slot = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (slot == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(slot, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    DWORD error = GetLastError();
    CloseHandle(slot);
    SetLastError(error);
    return ok && written == bytes.size();
}

std::vector<CaughtMessage> MailslotCatcher::Messages() const {
    EnterCriticalSection(&lock_);
    std::vector<CaughtMessage> copy = messages_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::vector<std::string> MailslotCatcher::Payloads() const {
    std::vector<std::string> payloads;
    for (const CaughtMessage& message : Messages())
        payloads.push_back(message.bytes);
    return payloads;
}

size_t MailslotCatcher::Count() const {
    return Messages().size();
}

bool MailslotCatcher::WaitForCount(size_t count, DWORD timeoutMs) const {
    return WaitFor([&] { return Count() >= count; }, timeoutMs);
}

void MailslotCatcher::Clear() {
    EnterCriticalSection(&lock_);
    messages_.clear();
    LeaveCriticalSection(&lock_);
}

std::vector<std::string> LogCatcher::Lines() const {
    std::vector<std::string> lines;
    for (const CaughtMessage& message : Messages())
        lines.push_back(message.bytes.substr(0, message.bytes.find('\0')));
    return lines;
}

size_t LogCatcher::CountContaining(const std::string& text) const {
    size_t count = 0;
    for (const std::string& line : Lines())
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

bool LogCatcher::WaitForLine(const std::string& text, DWORD timeoutMs, std::string* found) const {
    return WaitFor(
        [&] {
            for (const std::string& line : Lines()) {
                if (line.find(text) != std::string::npos) {
                    if (found)
                        *found = line;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
}

} // namespace dormex_test
