// Top-level windows of the Wine session, as a test sees them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace dormex_test {

// Every top-level window, in EnumWindows order.
std::vector<HWND> TopLevelWindows();
// The first top-level window of process whose title is exactly title; null when there is none.
HWND FindTopLevelOfProcess(DWORD process, const std::string& title);
// The window's title (up to 1023 bytes).
std::string WindowTitle(HWND window);

} // namespace dormex_test
