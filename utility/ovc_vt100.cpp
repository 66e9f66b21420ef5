// The terminal control "OvcCtrlVT100": a scrolling view of the text appended to it, with line
// selection and copying. The text itself lives in ovc::TerminalBuffer.
#include "OrvCtl.h"
#include "ovc_vt_buffer.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

const UINT kPutTextMessage = WM_USER + 0x101; // wParam: count, lParam: bytes (same process only)
const int kTextMargin = 2;
const int kWheelLines = 3;
const COLORREF kBackground = RGB(12, 12, 12);
const COLORREF kForeground = RGB(204, 204, 204);
enum MenuCommand { kMenuCopy = 1, kMenuSelectAll, kMenuClear };

struct Terminal {
    Terminal(const ovc::TerminalProperties& properties, const bool* leadBytes)
        : buffer(properties.historyLines, leadBytes), linePitch(properties.linePitch) {}

    ovc::TerminalBuffer buffer;
    HFONT font = nullptr;
    int linePitch;
    int charWidth = 8;
    uint64_t topLine = 0; // absolute number of the first visible line
    int leftColumn = 0;
    bool follow = false;
    // Selected lines, absolute numbers; none while anchor is kNoLine.
    static const uint64_t kNoLine = UINT64_MAX;
    uint64_t anchor = kNoLine;
    uint64_t caret = kNoLine;
    bool selecting = false;
};

Terminal* TerminalOf(HWND window) {
    return reinterpret_cast<Terminal*>(GetWindowLongPtrA(window, 0));
}

int VisibleRows(HWND window, const Terminal& terminal) {
    RECT client;
    if (!GetClientRect(window, &client))
        return 1;
    return std::max(1, static_cast<int>(client.bottom / terminal.linePitch));
}

int VisibleColumns(HWND window, const Terminal& terminal) {
    RECT client;
    if (!GetClientRect(window, &client))
        return 1;
    return std::max(1, static_cast<int>((client.right - kTextMargin) / terminal.charWidth));
}

uint64_t LastLine(const Terminal& terminal) {
    return terminal.buffer.FirstLineNumber() + terminal.buffer.LineCount() - 1;
}

// The top line that shows the newest line at the bottom.
uint64_t BottomTop(HWND window, const Terminal& terminal) {
    uint64_t first = terminal.buffer.FirstLineNumber();
    uint64_t count = terminal.buffer.LineCount();
    uint64_t rows = static_cast<uint64_t>(VisibleRows(window, terminal));
    return count > rows ? first + count - rows : first;
}

bool HasSelection(const Terminal& terminal) {
    return terminal.anchor != Terminal::kNoLine;
}

// Keeps the view and the selection on kept lines and the scroll bars in step with them.
// Repaints only when what is visible may have changed.
void UpdateView(HWND window, Terminal& terminal, bool contentChanged) {
    uint64_t first = terminal.buffer.FirstLineNumber();
    uint64_t bottomTop = BottomTop(window, terminal);
    uint64_t oldTop = terminal.topLine;
    if (terminal.follow || terminal.topLine > bottomTop)
        terminal.topLine = bottomTop;
    if (terminal.topLine < first)
        terminal.topLine = first;
    if (HasSelection(terminal)) {
        uint64_t low = std::min(terminal.anchor, terminal.caret);
        uint64_t high = std::max(terminal.anchor, terminal.caret);
        if (high < first)
            terminal.anchor = terminal.caret = Terminal::kNoLine;
        else if (low < first)
            (terminal.anchor < terminal.caret ? terminal.anchor : terminal.caret) = first;
    }

    SCROLLINFO vertical = {sizeof vertical,
                           SIF_ALL | SIF_DISABLENOSCROLL,
                           0,
                           static_cast<int>(terminal.buffer.LineCount() - 1),
                           static_cast<UINT>(VisibleRows(window, terminal)),
                           static_cast<int>(terminal.topLine - first),
                           0};
    SetScrollInfo(window, SB_VERT, &vertical, FALSE);
    int columns = VisibleColumns(window, terminal);
    int longest = static_cast<int>(terminal.buffer.LongestLine());
    terminal.leftColumn = std::max(0, std::min(terminal.leftColumn, longest - columns));
    SCROLLINFO horizontal = {
        sizeof horizontal,   SIF_ALL, 0, std::max(0, longest - 1), static_cast<UINT>(columns),
        terminal.leftColumn, 0};
    SetScrollInfo(window, SB_HORZ, &horizontal, FALSE);
    // The bars are drawn with the next paint, once for a whole burst of appended lines.
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOERASE | RDW_NOCHILDREN);

    // Scrolled back over lines that stay: nothing on screen moved.
    bool visibleUnchanged = !contentChanged && terminal.topLine == oldTop;
    bool onlyBelowView = contentChanged && !terminal.follow && terminal.topLine == oldTop &&
                         LastLine(terminal) >= terminal.topLine + VisibleRows(window, terminal) + 1;
    if (!visibleUnchanged && !onlyBelowView)
        InvalidateRect(window, nullptr, FALSE);
}

void ScrollTo(HWND window, Terminal& terminal, int64_t top) {
    uint64_t first = terminal.buffer.FirstLineNumber();
    uint64_t bottomTop = BottomTop(window, terminal);
    uint64_t target = top < static_cast<int64_t>(first) ? first : static_cast<uint64_t>(top);
    target = std::min(target, bottomTop);
    terminal.follow = (GetWindowLongPtrA(window, GWL_STYLE) & OVCVTS_FOLLOW) && target == bottomTop;
    if (target != terminal.topLine) {
        terminal.topLine = target;
        InvalidateRect(window, nullptr, FALSE);
    }
    UpdateView(window, terminal, false);
}

void ScrollBy(HWND window, Terminal& terminal, int64_t lines) {
    ScrollTo(window, terminal, static_cast<int64_t>(terminal.topLine) + lines);
}

void OnVerticalScroll(HWND window, Terminal& terminal, int request) {
    int page = VisibleRows(window, terminal);
    switch (request) {
    case SB_LINEUP:
        ScrollBy(window, terminal, -1);
        break;
    case SB_LINEDOWN:
        ScrollBy(window, terminal, 1);
        break;
    case SB_PAGEUP:
        ScrollBy(window, terminal, -page);
        break;
    case SB_PAGEDOWN:
        ScrollBy(window, terminal, page);
        break;
    case SB_TOP:
        ScrollTo(window, terminal, 0);
        break;
    case SB_BOTTOM:
        ScrollTo(window, terminal, INT64_MAX);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (GetScrollInfo(window, SB_VERT, &info))
            ScrollTo(window, terminal,
                     static_cast<int64_t>(terminal.buffer.FirstLineNumber()) + info.nTrackPos);
        break;
    }
    default:
        break;
    }
}

void OnHorizontalScroll(HWND window, Terminal& terminal, int request) {
    int column = terminal.leftColumn;
    int page = VisibleColumns(window, terminal);
    switch (request) {
    case SB_LINELEFT:
        --column;
        break;
    case SB_LINERIGHT:
        ++column;
        break;
    case SB_PAGELEFT:
        column -= page;
        break;
    case SB_PAGERIGHT:
        column += page;
        break;
    case SB_LEFT:
        column = 0;
        break;
    case SB_RIGHT:
        column = INT_MAX / 2;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (GetScrollInfo(window, SB_HORZ, &info))
            column = info.nTrackPos;
        break;
    }
    default:
        return;
    }
    if (column != terminal.leftColumn) {
        terminal.leftColumn = column;
        InvalidateRect(window, nullptr, FALSE);
    }
    UpdateView(window, terminal, false);
}

// The line under a client y coordinate, within the kept lines.
uint64_t LineAt(const Terminal& terminal, int y) {
    int64_t row = y < 0 ? -1 : y / terminal.linePitch;
    int64_t line = static_cast<int64_t>(terminal.topLine) + row;
    int64_t first = static_cast<int64_t>(terminal.buffer.FirstLineNumber());
    return static_cast<uint64_t>(std::max(first, std::min(line, static_cast<int64_t>(LastLine(terminal)))));
}

void Select(HWND window, Terminal& terminal, uint64_t anchor, uint64_t caret) {
    terminal.anchor = anchor;
    terminal.caret = caret;
    InvalidateRect(window, nullptr, FALSE);
}

// The selected lines, each ended by CRLF.
std::string SelectedText(const Terminal& terminal) {
    std::string text;
    if (!HasSelection(terminal))
        return text;
    uint64_t first = terminal.buffer.FirstLineNumber();
    uint64_t low = std::min(terminal.anchor, terminal.caret) - first;
    uint64_t high = std::max(terminal.anchor, terminal.caret) - first;
    for (uint64_t i = low; i <= high && i < terminal.buffer.LineCount(); ++i) {
        text += terminal.buffer.Line(static_cast<size_t>(i));
        text += "\r\n";
    }
    return text;
}

bool CopySelection(HWND window, const Terminal& terminal) {
    std::string text = SelectedText(terminal);
    if (text.empty())
        return false;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory)
        return false;
    void* bytes = GlobalLock(memory);
    if (!bytes) {
        GlobalFree(memory);
        return false;
    }
    memcpy(bytes, text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    if (!OpenClipboard(window)) {
        GlobalFree(memory);
        return false;
    }
    bool copied = EmptyClipboard() && SetClipboardData(CF_TEXT, memory);
    if (!copied)
        GlobalFree(memory); // the clipboard owns it only after SetClipboardData succeeds
    CloseClipboard();
    return copied;
}

void SelectAll(HWND window, Terminal& terminal) {
    Select(window, terminal, terminal.buffer.FirstLineNumber(), LastLine(terminal));
}

void ClearAll(HWND window, Terminal& terminal) {
    terminal.buffer.Clear();
    terminal.anchor = terminal.caret = Terminal::kNoLine;
    UpdateView(window, terminal, true);
}

void ShowContextMenu(HWND window, Terminal& terminal, LPARAM position) {
    POINT point = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (point.x == -1 && point.y == -1) { // from the keyboard: at the control's corner
        point = {0, 0};
        ClientToScreen(window, &point);
    }
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return;
    bool japanese = PRIMARYLANGID(OvcGetLangId()) == LANG_JAPANESE;
    UINT copyState = HasSelection(terminal) ? MF_ENABLED : MF_GRAYED;
    bool built = AppendMenuW(menu, MF_STRING | copyState, kMenuCopy,
                             japanese ? L"コピー(&C)\tCtrl+C" : L"&Copy\tCtrl+C") &&
                 AppendMenuW(menu, MF_STRING, kMenuSelectAll,
                             japanese ? L"すべて選択(&A)\tCtrl+A" : L"Select &All\tCtrl+A") &&
                 AppendMenuW(menu, MF_SEPARATOR, 0, nullptr) &&
                 AppendMenuW(menu, MF_STRING, kMenuClear, japanese ? L"クリア(&L)" : L"C&lear");
    int command = built ? TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x,
                                         point.y, 0, window, nullptr)
                        : 0;
    DestroyMenu(menu);
    if (command == kMenuCopy)
        CopySelection(window, terminal);
    else if (command == kMenuSelectAll)
        SelectAll(window, terminal);
    else if (command == kMenuClear)
        ClearAll(window, terminal);
}

void OnKeyDown(HWND window, Terminal& terminal, WPARAM key) {
    bool control = GetKeyState(VK_CONTROL) < 0;
    int page = VisibleRows(window, terminal);
    switch (key) {
    case VK_UP:
        ScrollBy(window, terminal, -1);
        break;
    case VK_DOWN:
        ScrollBy(window, terminal, 1);
        break;
    case VK_PRIOR:
        ScrollBy(window, terminal, -page);
        break;
    case VK_NEXT:
        ScrollBy(window, terminal, page);
        break;
    case VK_HOME:
        ScrollTo(window, terminal, 0);
        break;
    case VK_END:
        ScrollTo(window, terminal, INT64_MAX);
        break;
    case 'C':
    case VK_INSERT:
        if (control)
            CopySelection(window, terminal);
        break;
    case 'A':
        if (control)
            SelectAll(window, terminal);
        break;
    default:
        break;
    }
}

// Draws the rows that the update region touches into a bitmap first, so nothing flickers.
void Paint(HWND window, Terminal& terminal) {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(window, &paint);
    if (!target)
        return;
    RECT area = paint.rcPaint;
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    HDC dc = width > 0 && height > 0 ? CreateCompatibleDC(target) : nullptr;
    HBITMAP bitmap = dc ? CreateCompatibleBitmap(target, width, height) : nullptr;
    if (!bitmap) {
        if (dc)
            DeleteDC(dc);
        EndPaint(window, &paint);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, terminal.font ? terminal.font : GetStockObject(ANSI_FIXED_FONT));
    SetViewportOrgEx(dc, -area.left, -area.top, nullptr);

    SetBkColor(dc, kBackground);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, "", 0, nullptr);
    uint64_t first = terminal.buffer.FirstLineNumber();
    uint64_t low = HasSelection(terminal) ? std::min(terminal.anchor, terminal.caret) : 1;
    uint64_t high = HasSelection(terminal) ? std::max(terminal.anchor, terminal.caret) : 0;
    COLORREF selectedBack = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF selectedText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    RECT client;
    GetClientRect(window, &client);
    int x = kTextMargin - terminal.leftColumn * terminal.charWidth;
    for (int row = area.top / terminal.linePitch; row * terminal.linePitch < area.bottom; ++row) {
        uint64_t number = terminal.topLine + static_cast<uint64_t>(row);
        if (number > LastLine(terminal))
            break;
        const std::string& line = terminal.buffer.Line(static_cast<size_t>(number - first));
        bool selected = number >= low && number <= high;
        SetBkColor(dc, selected ? selectedBack : kBackground);
        SetTextColor(dc, selected ? selectedText : kForeground);
        RECT rowRect = {client.left, row * terminal.linePitch, client.right, (row + 1) * terminal.linePitch};
        ExtTextOutA(dc, x, rowRect.top, ETO_OPAQUE | ETO_CLIPPED, &rowRect, line.data(),
                    static_cast<UINT>(line.size()), nullptr);
    }

    SetViewportOrgEx(dc, 0, 0, nullptr);
    BitBlt(target, area.left, area.top, width, height, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(window, &paint);
}

// A fixed-pitch font whose cell is one line pitch high; the width of a column is measured.
void CreateTerminalFont(HWND window, Terminal& terminal) {
    const char* face = GetACP() == 932 ? "MS Gothic" : "Courier New";
    terminal.font =
        CreateFontA(terminal.linePitch, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, face);
    HDC dc = GetDC(window);
    if (!dc)
        return;
    HGDIOBJ old = SelectObject(dc, terminal.font ? terminal.font : GetStockObject(ANSI_FIXED_FONT));
    TEXTMETRICA metrics;
    if (GetTextMetricsA(dc, &metrics)) {
        terminal.charWidth = std::max(1, static_cast<int>(metrics.tmAveCharWidth));
        terminal.linePitch = std::max(terminal.linePitch, static_cast<int>(metrics.tmHeight));
    }
    SelectObject(dc, old);
    ReleaseDC(window, dc);
}

bool OnCreate(HWND window, const CREATESTRUCTA& create) {
    bool leadBytes[256];
    for (int i = 0; i < 256; ++i)
        leadBytes[i] = IsDBCSLeadByte(static_cast<BYTE>(i));
    auto* terminal = new (std::nothrow) Terminal(ovc::ParseTerminalProperties(create.lpszName), leadBytes);
    if (!terminal)
        return false;
    terminal->follow = (create.style & OVCVTS_FOLLOW) != 0;
    SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(terminal));
    CreateTerminalFont(window, *terminal);
    return true;
}

void OnDestroy(HWND window) {
    Terminal* terminal = TerminalOf(window);
    SetWindowLongPtrA(window, 0, 0);
    if (terminal && terminal->font)
        DeleteObject(terminal->font);
    delete terminal;
}

// WM_GETTEXT: as much as fits, never half a double-byte character.
LRESULT CopyText(const Terminal& terminal, WPARAM size, char* buffer) {
    if (!buffer || size == 0)
        return 0;
    std::string text = terminal.buffer.Text();
    size_t length = std::min(text.size(), static_cast<size_t>(size) - 1);
    if (length < text.size()) {
        size_t cut = 0;
        for (size_t i = 0; i < length;) {
            size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size() ? 2 : 1;
            if (i + step > length)
                break;
            i += step;
            cut = i;
        }
        length = cut;
    }
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return static_cast<LRESULT>(length);
}

LRESULT CALLBACK TerminalProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        if (!OnCreate(window, *reinterpret_cast<const CREATESTRUCTA*>(lParam)))
            return FALSE;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    Terminal* terminal = TerminalOf(window);
    if (!terminal)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_NCDESTROY:
        OnDestroy(window);
        return DefWindowProcA(window, message, wParam, lParam);
    case kPutTextMessage:
        terminal->buffer.Append(reinterpret_cast<const char*>(lParam), static_cast<size_t>(wParam));
        UpdateView(window, *terminal, true);
        return 1;
    case OVCVTM_GETLINECOUNT:
        return static_cast<LRESULT>(static_cast<DWORD>(terminal->buffer.FinishedLines()));
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(terminal->buffer.TextLength());
    case WM_GETTEXT:
        return CopyText(*terminal, wParam, reinterpret_cast<char*>(lParam));
    case WM_SETTEXT: {
        terminal->buffer.Clear();
        const char* text = reinterpret_cast<const char*>(lParam);
        if (text)
            terminal->buffer.Append(text, strlen(text));
        terminal->anchor = terminal->caret = Terminal::kNoLine;
        UpdateView(window, *terminal, true);
        return TRUE;
    }
    case WM_SETFONT: // the dialog's font does not suit a terminal: keep our own
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(terminal->font);
    case WM_SIZE:
        UpdateView(window, *terminal, true);
        return 0;
    case WM_ERASEBKGND:
        return 1; // Paint covers every pixel
    case WM_PAINT:
        Paint(window, *terminal);
        return 0;
    case WM_VSCROLL:
        OnVerticalScroll(window, *terminal, LOWORD(wParam));
        return 0;
    case WM_HSCROLL:
        OnHorizontalScroll(window, *terminal, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
        ScrollBy(window, *terminal, -kWheelLines * GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        OnKeyDown(window, *terminal, wParam);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(window);
        uint64_t line = LineAt(*terminal, GET_Y_LPARAM(lParam));
        bool extend = (wParam & MK_SHIFT) && HasSelection(*terminal);
        Select(window, *terminal, extend ? terminal->anchor : line, line);
        SetCapture(window);
        terminal->selecting = true;
        return 0;
    }
    case WM_MOUSEMOVE:
        if (terminal->selecting) {
            int y = GET_Y_LPARAM(lParam);
            RECT client;
            if (GetClientRect(window, &client) && (y < 0 || y >= client.bottom))
                ScrollBy(window, *terminal, y < 0 ? -1 : 1); // dragging past an edge scrolls
            Select(window, *terminal, terminal->anchor, LineAt(*terminal, y));
        }
        return 0;
    case WM_LBUTTONUP:
        if (terminal->selecting)
            ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        terminal->selecting = false;
        return 0;
    case WM_CONTEXTMENU:
        ShowContextMenu(window, *terminal, lParam);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Registered when the library loads, so that dialog templates of any module can name the class.
struct TerminalClassRegistration {
    TerminalClassRegistration() {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS;
        windowClass.lpfnWndProc = TerminalProc;
        windowClass.cbWndExtra = sizeof(Terminal*);
        windowClass.hInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
        windowClass.lpszClassName = OVC_VT100_CLASS;
        registered = RegisterClassExA(&windowClass) != 0;
    }
    ~TerminalClassRegistration() {
        if (registered)
            UnregisterClassA(OVC_VT100_CLASS, reinterpret_cast<HINSTANCE>(&__ImageBase));
    }
    bool registered = false;
};

TerminalClassRegistration registration;

bool IsTerminalOfThisProcess(HWND control) {
    char name[32];
    DWORD process = 0;
    return control && GetClassNameA(control, name, sizeof name) && lstrcmpiA(name, OVC_VT100_CLASS) == 0 &&
           GetWindowThreadProcessId(control, &process) && process == GetCurrentProcessId();
}

} // namespace

extern "C" {

OVC_API int OVC_CALL OvcVthPutTextA(HWND control, const char* bytes, int count) {
    if (!IsTerminalOfThisProcess(control)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (count == -1 && bytes)
        count = static_cast<int>(strlen(bytes));
    if (count < 0 || (!bytes && count > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (count > 0)
        SendMessageA(control, kPutTextMessage, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(bytes));
    return 1;
}

} // extern "C"
