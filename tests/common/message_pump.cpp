#include "message_pump.h"

namespace dormex_test {

namespace {

void DispatchWaiting() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        DispatchWaiting();
        if (condition())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return condition();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed < 10 ? timeoutMs - elapsed : 10,
                                  QS_ALLINPUT);
    }
}

void PumpMessagesFor(DWORD durationMs) {
    PumpMessagesUntil([] { return false; }, durationMs);
}

} // namespace dormex_test
