#include "save_windows.h"

#include "save_text.h"

#include <string.h>

namespace {

struct WindowSearch {
    const char* titlePart;
    HWND owner; // null: any top-level window not of this process
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    if (search->owner) {
        if (GetParent(window) != search->owner)
            return TRUE;
    } else {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId())
            return TRUE;
    }
    char title[SaveTitleSize];
    ReadWindowTitle(window, title);
    if (!TitleContains(title, search->titlePart))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(const char* titlePart, HWND owner) {
    WindowSearch search = {titlePart, owner, nullptr};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsRibbon(HWND window) {
    char className[256];
    if (!GetClassNameA(window, className, sizeof className))
        return false;
    return lstrcmpiA(className, "NetUIHWND") == 0 &&
           (GetWindowLongA(window, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) != 0;
}

} // namespace

void ReadWindowTitle(HWND window, char* title) {
    title[0] = '\0';
    if (GetWindowTextA(window, title, SaveTitleSize) <= 0)
        title[0] = '\0';
    title[SaveTitleSize - 1] = '\0';
}

HWND FindAppWindow(const char* appStr) {
    return FindTopLevel(appStr, nullptr);
}

HWND FindOwnedWindow(HWND owner, const char* titlePart) {
    if (!owner)
        return nullptr;
    return FindTopLevel(titlePart, owner);
}

HWND FindRibbonWindow(HWND target) {
    // GetWindow walks child lists in order; recursion gives the depth-first order.
    for (HWND child = GetWindow(target, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsRibbon(child))
            return child;
        if (HWND below = FindRibbonWindow(child))
            return below;
    }
    return nullptr;
}

bool TitleDiffers(HWND window, const char* title) {
    char current[SaveTitleSize];
    ReadWindowTitle(window, current);
    return strcmp(current, title) != 0;
}
