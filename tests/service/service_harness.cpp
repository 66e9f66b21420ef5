#include "service_harness.h"

#include "mailslot_catcher.h"
#include "test_support.h"

namespace dormex_test {

const char kTestServiceName[] = "Dormex_Serv_Test";

namespace {

bool PollStatus(SC_HANDLE service, DWORD state, DWORD timeoutMs, SERVICE_STATUS* last) {
    SERVICE_STATUS status = {};
    bool reached = WaitFor(
        [&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == state; }, timeoutMs);
    if (last)
        *last = status;
    return reached;
}

} // namespace

void RemoveService(SC_HANDLE manager, const char* name) {
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_ALL_ACCESS);
    if (!service)
        return;
    SERVICE_STATUS status;
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED) {
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        PollStatus(service, SERVICE_STOPPED, 10000, nullptr);
    }
    DeleteService(service);
    CloseServiceHandle(service);
}

TestService::TestService() {
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager_)
        return;
    RemoveService(manager_, kTestServiceName);
    std::string path = "\"" + BinDir() + "OrvDx2Serv32.exe\"";
    service_ = CreateServiceA(manager_, kTestServiceName, kTestServiceName, SERVICE_ALL_ACCESS,
                              SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                              path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
}

TestService::~TestService() {
    if (service_) {
        Stop();
        DeleteService(service_);
        CloseServiceHandle(service_);
    }
    if (manager_)
        CloseServiceHandle(manager_);
}

bool TestService::Start() {
    return StartServiceA(service_, 0, nullptr) != FALSE;
}

bool TestService::Control(DWORD control, SERVICE_STATUS* status) {
    return ControlService(service_, control, status) != FALSE;
}

SERVICE_STATUS TestService::Query() const {
    SERVICE_STATUS status = {};
    QueryServiceStatus(service_, &status);
    return status;
}

bool TestService::WaitForState(DWORD state, DWORD timeoutMs, SERVICE_STATUS* status) const {
    return PollStatus(service_, state, timeoutMs, status);
}

bool TestService::Stop() {
    SERVICE_STATUS status = Query();
    if (status.dwCurrentState == SERVICE_STOPPED)
        return true;
    ControlService(service_, SERVICE_CONTROL_STOP, &status);
    return WaitForState(SERVICE_STOPPED, 10000);
}

SettingsFile::SettingsFile() {
    char folder[MAX_PATH] = "";
    SetIniFilePath(folder, sizeof folder);
    path_ = std::string(folder) + "Dormex.ini";
    existed_ = FileExists(path_);
    if (existed_)
        original_ = ReadFileBytes(path_);
    DeleteFileA(path_.c_str());
}

SettingsFile::~SettingsFile() {
    if (existed_)
        WriteFileBytes(path_, original_);
    else
        DeleteFileA(path_.c_str());
}

SetInfo SettingsFile::Defaults() const {
    SetInfo info;
    DeleteFileA(path_.c_str());
    LoadSetInfo(&info, nullptr);
    return info;
}

// With a mutex of its own, so the result tells whether the save ran through.
bool SettingsFile::Save(const SetInfo& info) const {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    if (!mutex)
        return false;
    bool saved = SaveSetInfo(&info, mutex) != 0 && FileExists(path_);
    CloseHandle(mutex);
    return saved;
}

SetInfo IdleSettings(const SettingsFile& file) {
    SetInfo info = file.Defaults();
    info.fSchedShutdown = 0;
    return info;
}

SetInfo OneNormalShutdownEveryDay(const SettingsFile& file, const SYSTEMTIME& minute) {
    SetInfo info = file.Defaults();
    info.fSchedShutdown = 1;
    for (ShutdownSlot& slot : info.sdt)
        slot.fValid = 0;
    info.sdt[0] = ShutdownSlot{1, minute.wHour, minute.wMinute, 0};
    for (UINT32& day : info.WeekDay)
        day = 1;
    info.interval = 1;
    return info;
}

bool SendToService(const std::string& bytes) {
    return WriteMailslotMessage(MAILSLOT_SERV, bytes);
}

bool SendToService(BYTE cmd) {
    return SendToService(std::string{static_cast<char>(cmd), 0, 0, 0});
}

std::vector<std::string> ServiceLines(const std::vector<std::string>& logLines) {
    std::vector<std::string> lines;
    for (const std::string& line : logLines) {
        size_t tag = line.find(" SVC: ");
        if (tag == std::string::npos)
            continue;
        std::string text = line.substr(tag + 6);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        lines.push_back(text);
    }
    return lines;
}

bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    size_t next = 0;
    for (const std::string& line : lines)
        if (next < expected.size() && line == expected[next])
            ++next;
    return next == expected.size();
}

} // namespace dormex_test
