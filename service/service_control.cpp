#include "service_control.h"

namespace {

StatusReport Report(DWORD state, DWORD controlsAccepted, DWORD waitHint) {
    return StatusReport{true, state, controlsAccepted, waitHint};
}

const StatusReport kNoReport = {false, 0, 0, 0};

} // namespace

StatusReport CurrentStateReport(const ShellFlags& flags) {
    DWORD accepted = flags.CurrentState == SERVICE_START_PENDING ? 0 : kServiceControlsAccepted;
    return Report(flags.CurrentState, accepted, 0);
}

ControlOutcome DecideControl(ShellFlags* flags, DWORD control) {
    ControlOutcome outcome = {nullptr, kNoReport, SupervisorAction::None, kNoReport};
    switch (control) {
    case SERVICE_CONTROL_STOP:
        outcome.logText = "Dispatched SERVICE_CONTROL_STOP";
        flags->CurrentState = SERVICE_STOP_PENDING;
        outcome.pendingReport = Report(SERVICE_STOP_PENDING, kServiceControlsAccepted, 5000);
        flags->fRunning = 0;
        outcome.action = SupervisorAction::Stop;
        return outcome; // ServiceMain sends the next report when it has stopped
    case SERVICE_CONTROL_PAUSE:
        outcome.logText = "Dispatched SERVICE_CONTROL_PAUSE";
        if (flags->fRunning && !flags->fPaused) {
            outcome.pendingReport = Report(SERVICE_PAUSE_PENDING, kServiceControlsAccepted, 1000);
            flags->fPaused = 1;
            outcome.action = SupervisorAction::Park;
            flags->CurrentState = SERVICE_PAUSED;
        }
        break;
    case SERVICE_CONTROL_CONTINUE:
        outcome.logText = "Dispatched SERVICE_CONTROL_CONTINUE";
        if (flags->fRunning && flags->fPaused) {
            outcome.pendingReport = Report(SERVICE_CONTINUE_PENDING, kServiceControlsAccepted, 1000);
            flags->fPaused = 0;
            outcome.action = SupervisorAction::Release;
            flags->CurrentState = SERVICE_RUNNING;
        }
        break;
    case SERVICE_CONTROL_INTERROGATE:
        outcome.logText = "Dispatched SERVICE_CONTROL_INTERROGATE";
        break;
    case SERVICE_CONTROL_SHUTDOWN:
        outcome.logText = "Dispatched SERVICE_CONTROL_SHUTDOWN";
        return outcome; // the system ends the process
    default:
        outcome.logText = "Dispatched Others...";
        break;
    }
    outcome.finalReport = CurrentStateReport(*flags);
    return outcome;
}
