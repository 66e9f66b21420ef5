// Windows in tests: message pumping, and a modeless dialog from a template of the test program that
// records the WM_COMMAND notifications it gets.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace dormex_test {

// Dispatches every message waiting for this thread.
void PumpMessages();
// Like WaitFor, dispatching this thread's messages while it waits.
bool WaitForPumping(const std::function<bool()>& condition, DWORD timeoutMs);

struct Notification {
    int id;
    int code;
};

class TestDialog {
  public:
    // Creates and shows dialog resource templateId of the test program; Get() is null on failure.
    explicit TestDialog(int templateId);
    ~TestDialog();
    TestDialog(const TestDialog&) = delete;
    TestDialog& operator=(const TestDialog&) = delete;

    HWND Get() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }
    // WM_COMMAND notifications received so far, in order.
    const std::vector<Notification>& Notifications() const { return notifications_; }
    void ClearNotifications() { notifications_.clear(); }

  private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    HWND dialog_ = nullptr;
    std::vector<Notification> notifications_;
};

} // namespace dormex_test
