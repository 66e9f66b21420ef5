// Programs under test run as real processes: start them, find their windows, end them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// A started program; the destructor ends it (by its handle) if it still runs.
class ProgramProcess {
  public:
    ProgramProcess() = default;
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Starts path with the given command-line arguments (already quoted as needed).
    bool Start(const std::string& path, const std::string& arguments = std::string());
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return process_; }
    bool Running() const;
    // Waits for the end; true with its exit code when it ended within timeoutMs.
    bool WaitExit(DWORD timeoutMs, DWORD* exitCode = nullptr);
    // Ends it at once if it still runs, and releases the handle.
    void End();

  private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Top-level windows of a process, newest first; only visible ones when visibleOnly.
std::vector<HWND> ProcessWindows(DWORD processId, bool visibleOnly);
// Polls for a visible top-level window of the process with that class (and title, when given).
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs);
std::string WindowText(HWND window);
std::string WindowClass(HWND window);

} // namespace dormex_test
