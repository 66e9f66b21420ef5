// Dialog controls by id: check boxes, texts, numbers, combo boxes, enabling by group box.
#include "OrvCtl.h"
#include "ovc_internal.h"

#include <string>
#include <vector>

namespace {

// Copies text cut to size - 1 bytes without splitting a double-byte character; returns the length.
int CopyCut(const std::string& text, char* buffer, int size) {
    size_t limit = static_cast<size_t>(size) - 1;
    size_t length = 0;
    while (length < text.size()) {
        size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[length])) && length + 1 < text.size() ? 2 : 1;
        if (length + step > limit)
            break;
        length += step;
    }
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

std::string WindowText(HWND window) {
    // The length may overstate the text (double-byte conversions); the copy says how much came.
    std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1);
    int got = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

const char* const kBlanks = " \t";

// GetDlgItem, with the error Windows reports for an id the dialog does not have (Wine sets none).
HWND Control(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control && IsWindow(dialog))
        SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return control;
}

bool ContainsRect(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

} // namespace

extern "C" {

OVC_API UINT OVC_CALL OvcGetDlgItemChk(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    if (!control)
        return 0;
    return SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

OVC_API BOOL OVC_CALL OvcSetDlgItemChk(HWND dialog, int id, UINT checked) {
    HWND control = Control(dialog, id);
    if (!control)
        return FALSE;
    // BM_SETCHECK changes the state only: the dialog gets no BN_CLICKED, so no rule runs.
    SendMessageA(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}

OVC_API int OVC_CALL OvcGetDlgItemStrA(HWND dialog, int id, char* buffer, int size) {
    HWND control = Control(dialog, id);
    if (!control)
        return -1;
    if (!buffer || size < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    return CopyCut(WindowText(control), buffer, size);
}

OVC_API BOOL OVC_CALL OvcSetDlgItemStrA(HWND dialog, int id, const char* text) {
    HWND control = Control(dialog, id);
    if (!control)
        return FALSE;
    return SetWindowTextA(control, text ? text : "");
}

OVC_API UINT OVC_CALL OvcGetDlgItemUInt(HWND dialog, int id, BOOL* ok) {
    UINT value = 0;
    bool parsed = false;
    if (HWND control = Control(dialog, id)) {
        std::string text = WindowText(control);
        size_t first = text.find_first_not_of(kBlanks);
        size_t last = text.find_last_not_of(kBlanks);
        parsed = first != std::string::npos && OvcParseUInt(text.substr(first, last - first + 1), &value);
        if (!parsed)
            SetLastError(ERROR_INVALID_DATA);
    }
    if (ok)
        *ok = parsed ? TRUE : FALSE;
    return parsed ? value : 0;
}

OVC_API BOOL OVC_CALL OvcSetDlgItemUInt(HWND dialog, int id, UINT value) {
    if (!Control(dialog, id))
        return FALSE;
    return SetDlgItemInt(dialog, id, value, FALSE);
}

OVC_API int OVC_CALL OvcSetDlgItemCboAddA(HWND dialog, int id, const char* text, int position) {
    HWND control = Control(dialog, id);
    if (!control)
        return -1;
    LRESULT index = position == -1
                        ? SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""))
                        : SendMessageA(control, CB_INSERTSTRING, static_cast<WPARAM>(position),
                                       reinterpret_cast<LPARAM>(text ? text : ""));
    return index < 0 ? -1 : static_cast<int>(index);
}

OVC_API BOOL OVC_CALL OvcSetDlgItemCboIx(HWND dialog, int id, int index) {
    HWND control = Control(dialog, id);
    if (!control)
        return FALSE;
    // CB_SETCURSEL with an index beyond the list would clear the selection: refuse it first.
    LRESULT count = SendMessageA(control, CB_GETCOUNT, 0, 0);
    if (index < -1 || count == CB_ERR || index >= count) {
        SetLastError(ERROR_INVALID_INDEX);
        return FALSE;
    }
    SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    return TRUE;
}

OVC_API int OVC_CALL OvcGetDlgItemCboIx(HWND dialog, int id) {
    HWND control = Control(dialog, id);
    if (!control)
        return -1;
    LRESULT index = SendMessageA(control, CB_GETCURSEL, 0, 0);
    return index < 0 ? -1 : static_cast<int>(index);
}

OVC_API int OVC_CALL OvcGetDlgItemCboItemA(HWND dialog, int id, int index, char* buffer, int size) {
    HWND control = Control(dialog, id);
    if (!control)
        return -1;
    LRESULT length = SendMessageA(control, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0 || !buffer || size < 1) {
        SetLastError(ERROR_INVALID_INDEX);
        return -1;
    }
    std::vector<char> text(static_cast<size_t>(length) + 1);
    LRESULT got = SendMessageA(control, CB_GETLBTEXT, static_cast<WPARAM>(index),
                               reinterpret_cast<LPARAM>(text.data()));
    if (got < 0) {
        SetLastError(ERROR_INVALID_INDEX);
        return -1;
    }
    return CopyCut(std::string(text.data(), static_cast<size_t>(got)), buffer, size);
}

OVC_API BOOL OVC_CALL OvcEnableDlgItem(HWND dialog, int id, BOOL enable) {
    HWND control = Control(dialog, id);
    if (!control)
        return FALSE;
    EnableWindow(control, enable);
    return TRUE;
}

// A control belongs to a group box by position, not by tab order: the settings layout puts the
// row check boxes before their rows and the last minute field at the end of the template.
OVC_API int OVC_CALL OvcEnableDlgGroup(HWND dialog, int groupBoxId, BOOL enableInside, BOOL enableGroupBox) {
    HWND box = Control(dialog, groupBoxId);
    RECT area;
    if (!box || !GetWindowRect(box, &area))
        return -1;
    // Template positions are converted to pixels field by field, so a control whose edge meets
    // the box's edge in dialog units may end up one pixel beyond it.
    InflateRect(&area, 1, 1);
    HWND focus = GetFocus();
    HWND disabledFocus = nullptr;
    int switched = 0;
    for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT rect;
        if (control == box || !GetWindowRect(control, &rect) || !ContainsRect(area, rect))
            continue;
        if (!enableInside && focus && (focus == control || IsChild(control, focus)))
            disabledFocus = focus;
        EnableWindow(control, enableInside);
        ++switched;
    }
    EnableWindow(box, enableGroupBox);
    // A disabled focus window takes no keys and Tab would start from nowhere: go on to the next.
    if (disabledFocus) {
        if (HWND next = GetNextDlgTabItem(dialog, disabledFocus, FALSE))
            SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
    return switched;
}

} // extern "C"
