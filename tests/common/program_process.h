// The windows of programs under test, found from their process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// Top-level windows of a process, newest first; only visible ones when visibleOnly.
std::vector<HWND> ProcessWindows(DWORD processId, bool visibleOnly);
// Every top-level window of the session, in EnumWindows order.
std::vector<HWND> TopLevelWindows();
// The first top-level window of the process whose title is exactly title; null when there is none.
HWND FindTopLevelOfProcess(DWORD processId, const std::string& title);
// Polls for a visible top-level window of the process with that class (and title, when given).
HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs);
std::string WindowText(HWND window);
// The message of a message box: its longest static text.
std::string MessageBoxText(HWND box);
std::string WindowClass(HWND window);

} // namespace dormex_test
