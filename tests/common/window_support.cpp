#include "window_support.h"

#include "test_support.h"

namespace dormex_test {

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool WaitForPumping(const std::function<bool()>& condition, DWORD timeoutMs) {
    return WaitFor(
        [&] {
            PumpMessages();
            return condition();
        },
        timeoutMs);
}

TestDialog::TestDialog(int templateId) {
    dialog_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, Procedure,
                                 reinterpret_cast<LPARAM>(this));
    if (dialog_) {
        ShowWindow(dialog_, SW_SHOW);
        PumpMessages();
    }
}

TestDialog::~TestDialog() {
    if (dialog_)
        DestroyWindow(dialog_);
}

INT_PTR CALLBACK TestDialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<TestDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (message == WM_COMMAND && self) {
        self->notifications_.push_back({LOWORD(wParam), HIWORD(wParam)});
        return TRUE;
    }
    return FALSE;
}

} // namespace dormex_test
