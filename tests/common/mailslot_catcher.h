// Holding a mailslot in a test: a thread drains it continuously (a full mailslot would block its
// writers under Wine) and records every message with the tick count of its arrival.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// The log mailslot every Dormex process writes its lines to.
extern const char kLogMailslot[];

struct CaughtMessage {
    std::string bytes; // the whole message, NULs included; empty for a zero-length message
    DWORD tick;        // GetTickCount() when it was read
};

// Writes bytes as one message into the mailslot of that name, as the programs do; false, with the
// last error of the failing call, when no one holds it or the write fails.
bool WriteMailslotMessage(const char* name, const std::string& bytes);

class MailslotCatcher {
  public:
    // Creates the mailslot; Ok() tells whether that succeeded, Error() why not.
    explicit MailslotCatcher(const std::string& name);
    // Stops the thread after draining what is queued, and closes the mailslot.
    virtual ~MailslotCatcher();
    MailslotCatcher(const MailslotCatcher&) = delete;
    MailslotCatcher& operator=(const MailslotCatcher&) = delete;

    bool Ok() const { return mailslot_ != INVALID_HANDLE_VALUE; }
    DWORD Error() const { return error_; }
    const std::string& Name() const { return name_; }

    std::vector<CaughtMessage> Messages() const;
    // The bytes of each message, in the order of arrival.
    std::vector<std::string> Payloads() const;
    size_t Count() const;
    // Polls until at least count messages have arrived.
    bool WaitForCount(size_t count, DWORD timeoutMs) const;
    // Forgets what has arrived so far.
    void Clear();

  private:
    static DWORD WINAPI DrainThread(void* self);
    void Drain();
    void ReadQueued();

    std::string name_;
    HANDLE mailslot_ = INVALID_HANDLE_VALUE;
    DWORD error_ = 0;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    mutable CRITICAL_SECTION lock_;
    std::vector<CaughtMessage> messages_;
};

// The log mailslot held by the test: each message is one line with its NUL.
class LogCatcher : public MailslotCatcher {
  public:
    LogCatcher() : MailslotCatcher(kLogMailslot) {}
    // The lines as text, each up to its first NUL.
    std::vector<std::string> Lines() const;
    // How many lines contain text.
    size_t CountContaining(const std::string& text) const;
    // Polls until a line containing text arrives; returns that line in *line when given.
    bool WaitForLine(const std::string& text, DWORD timeoutMs, std::string* line = nullptr) const;
};

} // namespace dormex_test
