#include "program_process.h"
#include "test_support.h"

namespace dormex_test {

namespace {

struct WindowQuery {
    DWORD processId; // 0: every process
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* query = reinterpret_cast<WindowQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((query->processId == 0 || owner == query->processId) &&
        (!query->visibleOnly || IsWindowVisible(window)))
        query->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK KeepLongestStatic(HWND child, LPARAM found) {
    std::string* longest = reinterpret_cast<std::string*>(found);
    if (WindowClass(child) == "Static" && WindowText(child).size() > longest->size())
        *longest = WindowText(child);
    return TRUE;
}

} // namespace

std::vector<HWND> ProcessWindows(DWORD processId, bool visibleOnly) {
    WindowQuery query = {processId, visibleOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::vector<HWND> TopLevelWindows() {
    WindowQuery query = {0, false, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND FindTopLevelOfProcess(DWORD processId, const std::string& title) {
    for (HWND window : ProcessWindows(processId, false)) {
        if (WindowText(window) == title)
            return window;
    }
    return nullptr;
}

HWND WaitForProcessWindow(DWORD processId, const char* className, const char* title, DWORD timeoutMs) {
    HWND result = nullptr;
    WaitFor(
        [&] {
            for (HWND window : ProcessWindows(processId, true)) {
                if (WindowClass(window) == className && (!title || WindowText(window) == title)) {
                    result = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return result;
}

std::string MessageBoxText(HWND box) {
    std::string text;
    EnumChildWindows(box, KeepLongestStatic, reinterpret_cast<LPARAM>(&text));
    return text;
}

std::string WindowText(HWND window) {
    char text[1024];
    int length = GetWindowTextA(window, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string WindowClass(HWND window) {
    char name[256];
    int length = GetClassNameA(window, name, sizeof name);
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

} // namespace dormex_test
