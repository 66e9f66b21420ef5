// A program a test starts and ends: by its handle, never by name.
#pragma once

#include <windows.h>

#include <string>

namespace dormex_test {

class ChildProcess {
  public:
    ChildProcess() = default;
    // Ends the process if it still runs.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts program (a full path) with arguments (already quoted as needed); show, when given, is
    // the show command its first ShowWindow gets (SW_HIDE as the watchdog starts the application).
    // A console program gets no console window. Returns false (GetLastError tells why) when it
    // could not be started or the one started before still runs.
    bool Start(const std::string& program, const std::string& arguments = std::string(),
               int show = SW_SHOWDEFAULT);
    bool Running() const;
    // Waits for the process to end; true and its exit code when it did within timeoutMs.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Terminates the process and waits for it to be gone.
    void End();
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }

  private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A test helper program beside the test programs (e.g. "mailslot_peer.exe").
std::string TestProgram(const std::string& fileName);

} // namespace dormex_test
