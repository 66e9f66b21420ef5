// A service that does nothing: it reports RUNNING and sleeps until STOP. What any service costs
// under the same service control manager, to set the shutdown service's idle figures against.
#include <windows.h>

namespace {

SERVICE_STATUS_HANDLE g_status = nullptr;
HANDLE g_stop = nullptr;

void Report(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(g_status, &status);
}

void WINAPI Handler(DWORD control) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(g_stop);
    }
}

void WINAPI Main(DWORD, LPSTR*) {
    g_status = RegisterServiceCtrlHandlerA("", Handler);
    if (!g_status)
        return;
    g_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!g_stop) {
        Report(SERVICE_STOPPED);
        return;
    }
    Report(SERVICE_RUNNING);
    WaitForSingleObject(g_stop, INFINITE);
    Report(SERVICE_STOPPED);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char name[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{name, Main}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : static_cast<int>(GetLastError());
}
