#include "program_process.h"
#include "test_support.h"

namespace dormex_test {

ProgramProcess::~ProgramProcess() {
    End();
}

bool ProgramProcess::Start(const std::string& path, const std::string& arguments) {
    End();
    std::string commandLine = "\"" + path + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION information = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &information))
        return false;
    CloseHandle(information.hThread);
    process_ = information.hProcess;
    id_ = information.dwProcessId;
    return true;
}

bool ProgramProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ProgramProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code))
        return false;
    if (exitCode)
        *exitCode = code;
    return true;
}

void ProgramProcess::End() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

namespace {

struct WindowQuery {
    DWORD processId;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    auto* query = reinterpret_cast<WindowQuery*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == query->processId && (!query->visibleOnly || IsWindowVisible(window)))
        query->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> ProcessWindows(DWORD processId, bool visibleOnly) {
    WindowQuery query = {processId, visibleOnly, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
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
