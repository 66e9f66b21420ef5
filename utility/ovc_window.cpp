// Top-level windows: centring, foreground and focus, and keeping their position in the profile.
#include "OrvCtl.h"
#include "ovc_internal.h"

#include <algorithm>
#include <string>

namespace {

bool WorkAreaNear(const RECT& rect, RECT* workArea, RECT* monitorArea) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(MonitorFromRect(&rect, MONITOR_DEFAULTTONEAREST), &info))
        return false;
    *workArea = info.rcWork;
    if (monitorArea)
        *monitorArea = info.rcMonitor;
    return true;
}

// start within [low, high - length]; a length larger than the span keeps start at low.
LONG ClampSpan(LONG start, LONG length, LONG low, LONG high) {
    if (start > high - length)
        start = high - length;
    return start < low ? low : start;
}

// Joins the input of this thread to another thread's for as long as it lives, so that foreground
// and focus may be set on that thread's windows.
class ThreadInputLink {
  public:
    explicit ThreadInputLink(DWORD other)
        : self_(GetCurrentThreadId()), other_(other),
          attached_(other != 0 && other != self_ && AttachThreadInput(self_, other, TRUE)) {}
    ~ThreadInputLink() {
        if (attached_)
            AttachThreadInput(self_, other_, FALSE);
    }
    ThreadInputLink(const ThreadInputLink&) = delete;
    ThreadInputLink& operator=(const ThreadInputLink&) = delete;

  private:
    DWORD self_;
    DWORD other_;
    bool attached_;
};

const char* const kLeftKey = "WndPosLeft";
const char* const kTopKey = "WndPosTop";
const char* const kRightKey = "WndPosRight";
const char* const kBottomKey = "WndPosBottom";
const char* const kMaximizedKey = "WndPosMaximized";

// Signed decimal text as written by PutInt; false for anything else.
bool ReadInt(const char* section, const char* key, LONG* value) {
    char text[32];
    int length = OvcGetProfileStrA(section, key, "", text, sizeof text);
    std::string digits(text, static_cast<size_t>(length));
    bool negative = !digits.empty() && digits[0] == '-';
    if (negative)
        digits.erase(0, 1);
    UINT magnitude;
    if (!OvcParseUInt(digits, &magnitude) || magnitude > (negative ? 0x80000000u : 0x7FFFFFFFu))
        return false;
    *value = negative ? static_cast<LONG>(0u - magnitude) : static_cast<LONG>(magnitude);
    return true;
}

bool PutInt(const char* section, const char* key, LONG value) {
    char text[32];
    OvcSnPrintFA(text, sizeof text, "%ld", value);
    return OvcPutProfileStrA(section, key, text) != 0;
}

// The normal rectangle of GetWindowPlacement is in workspace coordinates for a top-level window
// without WS_EX_TOOLWINDOW: relative to the work area of its monitor.
RECT NormalRectOnScreen(HWND window, const WINDOWPLACEMENT& placement) {
    RECT rect = placement.rcNormalPosition;
    RECT work, monitor;
    if (!(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && WorkAreaNear(rect, &work, &monitor))
        OffsetRect(&rect, work.left - monitor.left, work.top - monitor.top);
    return rect;
}

} // namespace

extern "C" {

OVC_API BOOL OVC_CALL OvcMoveWindowToCenterOfMonitor(HWND window) {
    RECT rect, work;
    if (!GetWindowRect(window, &rect) || !WorkAreaNear(rect, &work, nullptr))
        return FALSE;
    LONG width = rect.right - rect.left;
    LONG height = rect.bottom - rect.top;
    POINT corner = {
        ClampSpan(work.left + (work.right - work.left - width) / 2, width, work.left, work.right),
        ClampSpan(work.top + (work.bottom - work.top - height) / 2, height, work.top, work.bottom)};
    if (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(window), &corner, 1);
    return SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows lets only the foreground thread change the foreground; joining this thread's input to
// the foreground thread's and to the target's makes the three share one input state for the call.
OVC_API BOOL OVC_CALL OvcSetFocusWindow(HWND window) {
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    HWND top = GetAncestor(window, GA_ROOT);
    HWND foreground = GetForegroundWindow();
    {
        ThreadInputLink withForeground(foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0);
        ThreadInputLink withTarget(GetWindowThreadProcessId(window, nullptr));
        if (IsIconic(top))
            ShowWindow(top, SW_RESTORE);
        SetForegroundWindow(top);
        BringWindowToTop(top);
        SetFocus(window);
    }
    // Wine moves the active window with a detached thread's input but leaves the foreground on the
    // input it left, which then has no active window: claim the foreground again for that input.
    if (GetForegroundWindow() != top)
        SetForegroundWindow(top);
    HWND focus = OvcGetFocusWindow();
    return GetForegroundWindow() == top && (focus == window || IsChild(window, focus));
}

OVC_API HWND OVC_CALL OvcGetFocusWindow(void) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(0, &info) ? info.hwndFocus : nullptr;
}

OVC_API BOOL OVC_CALL OvcSaveWndPosA(HWND window, const char* section) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!section || !GetWindowPlacement(window, &placement))
        return FALSE;
    RECT rect = NormalRectOnScreen(window, placement);
    bool maximized = IsZoomed(window) || (IsIconic(window) && (placement.flags & WPF_RESTORETOMAXIMIZED));
    OvcBeginProfileBatch();
    bool written = PutInt(section, kLeftKey, rect.left) && PutInt(section, kTopKey, rect.top) &&
                   PutInt(section, kRightKey, rect.right) && PutInt(section, kBottomKey, rect.bottom) &&
                   OvcPutProfileUIntA(section, kMaximizedKey, maximized ? 1 : 0);
    return OvcEndProfileBatch() && written;
}

OVC_API BOOL OVC_CALL OvcLoadWndPosA(HWND window, const char* section) {
    RECT saved, current;
    if (!section || !GetWindowRect(window, &current))
        return FALSE;
    OvcBeginProfileBatch();
    bool found = ReadInt(section, kLeftKey, &saved.left) && ReadInt(section, kTopKey, &saved.top) &&
                 ReadInt(section, kRightKey, &saved.right) && ReadInt(section, kBottomKey, &saved.bottom);
    bool maximized = OvcGetProfileUIntA(section, kMaximizedKey, 0) == 1;
    OvcEndProfileBatch();
    RECT work;
    if (!found || saved.right <= saved.left || saved.bottom <= saved.top ||
        !WorkAreaNear(saved, &work, nullptr)) {
        SetLastError(ERROR_NOT_FOUND);
        return FALSE;
    }
    // A fixed-size window is as large as its content needs; only a resizable one takes the saved size.
    bool resizable = (GetWindowLongPtrA(window, GWL_STYLE) & WS_THICKFRAME) != 0;
    LONG width =
        resizable ? std::min(saved.right - saved.left, work.right - work.left) : current.right - current.left;
    LONG height =
        resizable ? std::min(saved.bottom - saved.top, work.bottom - work.top) : current.bottom - current.top;
    LONG left = ClampSpan(saved.left, width, work.left, work.right);
    LONG top = ClampSpan(saved.top, height, work.top, work.bottom);
    if (IsIconic(window) || IsZoomed(window))
        ShowWindow(window, SW_RESTORE);
    if (!SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE))
        return FALSE;
    if (maximized && IsWindowVisible(window) && (GetWindowLongPtrA(window, GWL_STYLE) & WS_MAXIMIZEBOX))
        ShowWindow(window, SW_MAXIMIZE);
    return TRUE;
}

} // extern "C"
