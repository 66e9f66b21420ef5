#include "child_process.h"
#include "test_support.h"

namespace dormex_test {

ChildProcess::~ChildProcess() {
    End();
}

bool ChildProcess::Start(const std::string& program, const std::string& arguments, int show) {
    if (Running()) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    End(); // the one started before has ended: release it
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (show != SW_SHOWDEFAULT) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show);
    }
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool ChildProcess::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code))
        return false;
    if (exitCode)
        *exitCode = code;
    return true;
}

void ChildProcess::End() {
    if (!process_)
        return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
    process_ = nullptr;
    id_ = 0;
}

std::string TestProgram(const std::string& fileName) {
    return TestDir() + fileName;
}

} // namespace dormex_test
