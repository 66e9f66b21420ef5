// Where the supervisor thread may be paused or stopped: only between two passes, so that it never
// stands still holding the settings mutex or a lock of the runtime (inside a log write or an
// allocation), and never runs on while the service closes what it uses.
#pragma once

#include <windows.h>

class SupervisorGate {
  public:
    SupervisorGate() = default;
    ~SupervisorGate();
    SupervisorGate(const SupervisorGate&) = delete;
    SupervisorGate& operator=(const SupervisorGate&) = delete;

    // Creates the events; false (GetLastError tells why) when that fails.
    bool Create();

    // The supervisor's pause between passes: waits up to milliseconds (less when the control side
    // asks for something), stays parked while a park is asked for, and returns false once a stop
    // is asked for.
    bool BetweenPasses(DWORD milliseconds);

    // Asks the supervisor to park at its next safe point; true when it is parked within timeoutMs.
    bool Park(DWORD timeoutMs);
    // Lets a parked supervisor go on.
    void Release();
    // Asks the supervisor to end (also from the parked state).
    void RequestStop();
    bool StopRequested() const;

  private:
    enum : LONG { kRun, kPark, kStop };
    void Ask(LONG request);

    mutable volatile LONG request_ = kRun;
    HANDLE wake_ = nullptr;   // auto-reset: a new request is waiting
    HANDLE parked_ = nullptr; // manual-reset: the supervisor stands at its safe point
};
