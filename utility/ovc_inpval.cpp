// The numeric input control "OvcCtrlInpVal": an unsigned number field with a range, made of a
// digits-only edit field and optional spin buttons inside a container window.
#include "OrvCtl.h"
#include "ovc_internal.h"

#include <commctrl.h>
#include <imm.h>

#include <string>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr UINT kFullRangeHigh = 0xFFFFFFFFu;
constexpr int kEditId = 1;
constexpr int kSpinId = 2;
constexpr UINT_PTR kSubclassId = 1;
constexpr int kPageStep = 10;

struct InpVal {
    HWND self = nullptr;
    HWND edit = nullptr;
    HWND spin = nullptr;
    UINT low = 0;
    UINT high = kFullRangeHigh;
    UINT value = 0;       // the value committed, always within low..high
    UINT reported = 0;    // the value the parent was last told of
    bool closing = false; // the parts are being destroyed: their notifications are moot
};

InpVal* StateOf(HWND window) {
    return reinterpret_cast<InpVal*>(GetWindowLongPtrA(window, 0));
}

bool IsDigits(const std::string& text) {
    return text.find_first_not_of("0123456789") == std::string::npos;
}

std::string Trimmed(const std::string& text) {
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// "I: L=0, R=23": see OrvCtl.h. False for any text that does not follow the form.
bool ParseRange(const std::string& text, UINT* low, UINT* high) {
    size_t at = 0;
    auto skipBlanks = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    };
    auto take = [&](char wanted) {
        skipBlanks();
        if (at < text.size() && (text[at] == wanted || (wanted >= 'A' && text[at] == wanted + ('a' - 'A')))) {
            ++at;
            return true;
        }
        return false;
    };
    if (!take('I') || !take(':'))
        return false;
    bool haveLow = false, haveHigh = false;
    UINT lowValue = 0, highValue = kFullRangeHigh;
    skipBlanks();
    while (at < text.size()) {
        bool isLow = take('L');
        if (!isLow && !take('R'))
            return false;
        bool& have = isLow ? haveLow : haveHigh;
        if (have || !take('='))
            return false;
        skipBlanks();
        size_t end = text.find_first_not_of("0123456789", at);
        if (end == std::string::npos)
            end = text.size();
        if (!OvcParseUInt(text.substr(at, end - at), isLow ? &lowValue : &highValue))
            return false;
        have = true;
        at = end;
        skipBlanks();
        if (at < text.size() && !take(','))
            return false;
        if (at == text.size() && text[at - 1] == ',')
            return false;
    }
    *low = lowValue <= highValue ? lowValue : highValue;
    *high = lowValue <= highValue ? highValue : lowValue;
    return true;
}

UINT Clamp(const InpVal& state, unsigned long long number) {
    if (number < state.low)
        return state.low;
    return number > state.high ? state.high : static_cast<UINT>(number);
}

std::string Decimal(UINT value) {
    return std::to_string(value);
}

std::string EditText(HWND edit) {
    std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1);
    int got = GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

// What the field reads as: the typed number brought into the range; the committed value while
// the field is empty.
UINT ReadValue(const InpVal& state) {
    std::string text = EditText(state.edit);
    if (text.empty() || !IsDigits(text))
        return state.value;
    unsigned long long number = 0;
    for (char digit : text) {
        number = number * 10 + static_cast<unsigned>(digit - '0');
        if (number > kFullRangeHigh)
            break;
    }
    return Clamp(state, number);
}

void NotifyIfChanged(InpVal& state) {
    UINT now = ReadValue(state);
    if (now == state.reported)
        return;
    state.reported = now;
    HWND parent = GetParent(state.self);
    int id = GetDlgCtrlID(state.self);
    SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(state.self));
}

void SetValue(InpVal& state, UINT value) {
    state.value = value;
    std::string text = Decimal(value);
    if (EditText(state.edit) != text)
        SetWindowTextA(state.edit, text.c_str());
    NotifyIfChanged(state);
}

void Commit(InpVal& state) {
    SetValue(state, ReadValue(state));
}

void Step(InpVal& state, int delta) {
    long long stepped = static_cast<long long>(ReadValue(state)) + delta;
    SetValue(state, Clamp(state, stepped < 0 ? 0 : static_cast<unsigned long long>(stepped)));
    SendMessageA(state.edit, EM_SETSEL, 0, -1);
}

// Text for WM_SETTEXT: a decimal number, perhaps negative or beyond 32 bits, brought into range.
bool ParseSetText(const InpVal& state, const char* text, UINT* value) {
    std::string number = Trimmed(text ? text : "");
    bool negative = !number.empty() && number[0] == '-';
    if (negative)
        number.erase(0, 1);
    if (number.empty() || !IsDigits(number))
        return false;
    size_t first = number.find_first_not_of('0');
    std::string significant = first == std::string::npos ? "0" : number.substr(first);
    UINT parsed;
    if (negative && significant != "0")
        *value = state.low;
    else if (!OvcParseUInt(significant, &parsed))
        *value = state.high; // more than 32 bits
    else
        *value = Clamp(state, parsed);
    return true;
}

void Paste(HWND edit) {
    if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(edit))
        return;
    std::string text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* locked = static_cast<const char*>(GlobalLock(data))) {
            text = locked;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    text = Trimmed(text);
    if (text.empty() || !IsDigits(text)) {
        MessageBeep(MB_OK);
        return;
    }
    SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

// The inner edit field: digits only, and the stepping keys.
LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    InpVal& state = *reinterpret_cast<InpVal*>(data);
    switch (message) {
    case WM_CHAR:
        // Control characters carry editing commands (backspace, copy, cut, paste, select all).
        if ((wParam >= '0' && wParam <= '9') || wParam < 0x20)
            break;
        MessageBeep(MB_OK);
        return 0;
    case WM_PASTE:
        if (!(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY))
            Paste(edit);
        return 0;
    case WM_SETTEXT:
        if (!IsDigits(lParam ? reinterpret_cast<const char*>(lParam) : ""))
            return FALSE;
        break;
    case WM_KEYDOWN:
        switch (wParam) {
        case VK_UP:
            Step(state, 1);
            return 0;
        case VK_DOWN:
            Step(state, -1);
            return 0;
        case VK_PRIOR:
            Step(state, kPageStep);
            return 0;
        case VK_NEXT:
            Step(state, -kPageStep);
            return 0;
        }
        break;
    case WM_MOUSEWHEEL: {
        int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        if (notches != 0)
            Step(state, notches);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, EditProc, kSubclassId);
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

void Layout(const InpVal& state) {
    RECT client;
    if (!GetClientRect(state.self, &client))
        return;
    int spinWidth = 0;
    if (state.spin) {
        spinWidth = GetSystemMetrics(SM_CXVSCROLL);
        if (spinWidth > client.right / 2)
            spinWidth = client.right / 2;
        MoveWindow(state.spin, client.right - spinWidth, 0, spinWidth, client.bottom, TRUE);
    }
    MoveWindow(state.edit, 0, 0, client.right - spinWidth, client.bottom, TRUE);
}

bool CreateParts(InpVal& state) {
    LONG_PTR style = GetWindowLongPtrA(state.self, GWL_STYLE);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&__ImageBase);
    DWORD editStyle =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ((style & OVC_IVS_EDIT) ? 0 : ES_READONLY);
    state.edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", editStyle, 0, 0, 0, 0, state.self,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), instance, nullptr);
    if (!state.edit ||
        !SetWindowSubclass(state.edit, EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&state)))
        return false;
    ImmAssociateContext(state.edit, nullptr); // digits only: no input method composition
    SendMessageA(state.edit, EM_LIMITTEXT, Decimal(state.high).size(), 0);
    if (style & OVC_IVS_SPIN) {
        INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_UPDOWN_CLASS};
        if (!InitCommonControlsEx(&classes))
            return false;
        state.spin =
            CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, state.self,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSpinId)), instance, nullptr);
        if (!state.spin)
            return false;
        // The spin buttons only report clicks (UDN_DELTAPOS, always refused): the value lives here,
        // beyond the spin's own range, and a position mid-range never blocks a click at an end.
        SendMessageA(state.spin, UDM_SETRANGE32, 0, 2);
        SendMessageA(state.spin, UDM_SETPOS32, 0, 1);
    }
    if (style & WS_DISABLED) {
        EnableWindow(state.edit, FALSE);
        if (state.spin)
            EnableWindow(state.spin, FALSE);
    }
    SetWindowTextA(state.edit, Decimal(state.value).c_str());
    Layout(state);
    return true;
}

LRESULT CALLBACK InpValProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    InpVal* state = StateOf(window);
    switch (message) {
    case WM_NCCREATE: {
        CREATESTRUCTA create = *reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* fresh = new InpVal;
        fresh->self = window;
        const char* name = create.lpszName && !IS_INTRESOURCE(create.lpszName) ? create.lpszName : "";
        if (!ParseRange(name, &fresh->low, &fresh->high)) {
            fresh->low = 0;
            fresh->high = kFullRangeHigh;
        }
        fresh->value = fresh->reported = fresh->low;
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(fresh));
        // Tab and Shift+Tab reach the inner field as a control of the dialog.
        SetWindowLongPtrA(window, GWL_EXSTYLE, GetWindowLongPtrA(window, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        create.lpszName = ""; // the configuration text is not a title
        return DefWindowProcA(window, message, wParam, reinterpret_cast<LPARAM>(&create));
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, 0, 0);
        delete state;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (!state)
        return DefWindowProcA(window, message, wParam, lParam);

    switch (message) {
    case WM_CREATE:
        return CreateParts(*state) ? 0 : -1;
    case WM_SIZE:
        Layout(*state);
        return 0;
    case WM_SETFONT:
        SendMessageA(state->edit, WM_SETFONT, wParam, lParam);
        return 0;
    case WM_GETFONT:
        return SendMessageA(state->edit, WM_GETFONT, 0, 0);
    case WM_ENABLE:
        EnableWindow(state->edit, static_cast<BOOL>(wParam));
        if (state->spin)
            EnableWindow(state->spin, static_cast<BOOL>(wParam));
        return 0;
    case WM_SETFOCUS:
        SetFocus(state->edit);
        SendMessageA(state->edit, EM_SETSEL, 0, -1);
        return 0;
    case WM_SETTEXT: {
        UINT value;
        if (!ParseSetText(*state, reinterpret_cast<const char*>(lParam), &value))
            return FALSE;
        SetValue(*state, value);
        return TRUE;
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(Decimal(ReadValue(*state)).size());
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam)
            return 0;
        std::string text = Decimal(ReadValue(*state));
        size_t length = text.size() < wParam - 1 ? text.size() : wParam - 1;
        text.copy(reinterpret_cast<char*>(lParam), length);
        reinterpret_cast<char*>(lParam)[length] = '\0';
        return static_cast<LRESULT>(length);
    }
    case WM_DESTROY:
        state->closing = true;
        return 0;
    case WM_COMMAND:
        if (reinterpret_cast<HWND>(lParam) == state->edit && !state->closing) {
            if (HIWORD(wParam) == EN_CHANGE)
                NotifyIfChanged(*state);
            else if (HIWORD(wParam) == EN_KILLFOCUS)
                Commit(*state);
        }
        return 0;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == state->spin && header->code == UDN_DELTAPOS) {
            int delta = reinterpret_cast<NMUPDOWN*>(lParam)->iDelta;
            if (delta != 0)
                Step(*state, delta > 0 ? 1 : -1);
            return 1;
        }
        return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // The dialog colours the field as it colours its own edit controls.
        return SendMessageA(GetParent(window), message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Registered while the library is loaded, so that dialog templates of any module can name it.
class InpValClass {
  public:
    InpValClass() {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_GLOBALCLASS;
        windowClass.lpfnWndProc = InpValProc;
        windowClass.cbWndExtra = sizeof(InpVal*);
        windowClass.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = OVC_INPVAL_CLASS;
        registered_ = RegisterClassExA(&windowClass) != 0;
    }
    ~InpValClass() {
        if (registered_)
            UnregisterClassA(OVC_INPVAL_CLASS, reinterpret_cast<HINSTANCE>(&__ImageBase));
    }
    InpValClass(const InpValClass&) = delete;
    InpValClass& operator=(const InpValClass&) = delete;

  private:
    bool registered_;
};

InpValClass g_inpValClass;

} // namespace
