#include "top_level_windows.h"

namespace dormex_test {

namespace {

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FindTopLevelOfProcess(DWORD process, const std::string& title) {
    for (HWND window : TopLevelWindows()) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process && WindowTitle(window) == title)
            return window;
    }
    return nullptr;
}

std::string WindowTitle(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace dormex_test
