#include "supervisor_gate.h"

SupervisorGate::~SupervisorGate() {
    if (wake_)
        CloseHandle(wake_);
    if (parked_)
        CloseHandle(parked_);
}

bool SupervisorGate::Create() {
    HANDLE wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!wake)
        return false;
    HANDLE parked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!parked) {
        DWORD error = GetLastError();
        CloseHandle(wake);
        SetLastError(error);
        return false;
    }
    wake_ = wake;
    parked_ = parked;
    return true;
}

bool SupervisorGate::BetweenPasses(DWORD milliseconds) {
    WaitForSingleObject(wake_, milliseconds);
    for (;;) {
        LONG request = InterlockedCompareExchange(&request_, 0, 0);
        if (request == kStop)
            return false;
        if (request == kRun)
            return true;
        SetEvent(parked_);
        WaitForSingleObject(wake_, INFINITE);
    }
}

void SupervisorGate::Ask(LONG request) {
    InterlockedExchange(&request_, request);
    SetEvent(wake_);
}

bool SupervisorGate::Park(DWORD timeoutMs) {
    // Cleared first, so a park left over from before cannot answer for this one.
    ResetEvent(parked_);
    Ask(kPark);
    return WaitForSingleObject(parked_, timeoutMs) == WAIT_OBJECT_0;
}

void SupervisorGate::Release() {
    Ask(kRun);
}

void SupervisorGate::RequestStop() {
    Ask(kStop);
}

bool SupervisorGate::StopRequested() const {
    return InterlockedCompareExchange(&request_, 0, 0) == kStop;
}
