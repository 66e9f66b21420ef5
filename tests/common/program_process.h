// The windows of programs under test, found from their process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// Top-level windows of a process, newest first; only visible ones when visibleOnly.
std::vector<HWND> ProcessWindows(DWORD processId, bool visibleOnly);
// Polls for a visible top-level window of the process with that class (and title, when given).
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs);
std::string WindowText(HWND window);
std::string WindowClass(HWND window);

} // namespace dormex_test
