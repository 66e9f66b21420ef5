// The terminal control as a window: appending, reading back, history, scrolling, copying.
#include "OrvCtl.h"
#include "program_process.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TerminalControlTest : public ::testing::Test {
  protected:
    HWND Create(const char* properties, DWORD style = WS_OVERLAPPEDWINDOW | OVCVTS_FOLLOW) {
        control_ = CreateWindowExA(0, OVC_VT100_CLASS, properties, style, 10, 10, 400, 20 * 14 + 40, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
        return control_;
    }
    void TearDown() override {
        if (control_) {
            EXPECT_TRUE(DestroyWindow(control_));
        }
    }
    std::string Text() {
        LRESULT length = SendMessageA(control_, WM_GETTEXTLENGTH, 0, 0);
        std::string text(static_cast<size_t>(length) + 1, '\xCC');
        LRESULT copied = SendMessageA(control_, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
        EXPECT_EQ(length, copied);
        EXPECT_EQ('\0', text[static_cast<size_t>(copied)]);
        text.resize(static_cast<size_t>(copied));
        return text;
    }
    void PutLines(int first, int count) {
        for (int i = first; i < first + count; ++i) {
            std::string line = "line " + std::to_string(i) + "\n";
            line += '\0'; // as the log mailslot delivers it
            ASSERT_EQ(1, OvcVthPutTextA(control_, line.data(), static_cast<int>(line.size())));
        }
    }
    int ScrollPosition() {
        SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
        EXPECT_TRUE(GetScrollInfo(control_, SB_VERT, &info));
        return info.nPos;
    }
    HWND control_ = nullptr;
};

TEST_F(TerminalControlTest, ClassIsGlobalAndRegisteredByTheLibrary) {
    WNDCLASSEXA info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetClassInfoExA(nullptr, OVC_VT100_CLASS, &info)) << "found without naming the library";
    EXPECT_TRUE(info.style & CS_GLOBALCLASS);
    ASSERT_NE(nullptr, Create(""));
    HMODULE library = GetModuleHandleA("OrvCtl" DORMEX_TEST_WIDTH ".dll");
    ASSERT_NE(nullptr, library);
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(library), GetClassLongPtrA(control_, GCLP_HMODULE));
}

TEST_F(TerminalControlTest, AppendedTextReadsBack) {
    ASSERT_NE(nullptr, Create("P: PN=Terminal, LF=14, VW=512"));
    EXPECT_EQ("", Text()) << "the property text is not content";
    std::string message("12:00:00 PC APP: first\n\0", 24);
    ASSERT_EQ(1, OvcVthPutTextA(control_, message.data(), static_cast<int>(message.size())));
    ASSERT_EQ(1, OvcVthPutTextA(control_, "second, open", -1));
    EXPECT_EQ("12:00:00 PC APP: first\r\nsecond, open", Text());
    EXPECT_EQ(1, SendMessageA(control_, OVCVTM_GETLINECOUNT, 0, 0));

    // A small buffer gets a terminated prefix.
    char small[6];
    memset(small, 'Z', sizeof small);
    EXPECT_EQ(5, SendMessageA(control_, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)));
    EXPECT_STREQ("12:00", small);

    EXPECT_TRUE(SetWindowTextA(control_, "replaced\n"));
    EXPECT_EQ("replaced\r\n", Text());
}

TEST_F(TerminalControlTest, RefusesWhatIsNotATerminal) {
    ASSERT_NE(nullptr, Create(""));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, OvcVthPutTextA(nullptr, "x", 1));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    HWND button =
        CreateWindowA("BUTTON", "b", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, button);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, OvcVthPutTextA(button, "x", 1));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());
    EXPECT_TRUE(DestroyWindow(button));
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, OvcVthPutTextA(control_, "x", -2));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, OvcVthPutTextA(control_, nullptr, 3));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(1, OvcVthPutTextA(control_, nullptr, 0));
    EXPECT_EQ("", Text());
}

TEST_F(TerminalControlTest, KeepsTheHistoryItsPropertiesAsk) {
    ASSERT_NE(nullptr, Create("P: PN=Terminal, LF=14, VW=30"));
    PutLines(0, 100);
    std::string text = Text();
    EXPECT_EQ(0u, text.find("line 70\r\n")) << text.substr(0, 40);
    EXPECT_NE(std::string::npos, text.find("line 99\r\n"));
    EXPECT_EQ(std::string::npos, text.find("line 69\r\n"));
    EXPECT_EQ(100, SendMessageA(control_, OVCVTM_GETLINECOUNT, 0, 0));
}

TEST_F(TerminalControlTest, FollowsTheNewestLineUntilTheUserScrollsBack) {
    ASSERT_NE(nullptr, Create("P: LF=14, VW=200"));
    PutLines(0, 100);
    SCROLLINFO info = {sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(control_, SB_VERT, &info));
    ASSERT_GT(info.nPage, 0u);
    EXPECT_EQ(info.nMax - static_cast<int>(info.nPage) + 1, info.nPos) << "at the bottom";

    SendMessageA(control_, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(0, ScrollPosition());
    SendMessageA(control_, WM_VSCROLL, SB_LINEDOWN, 0);
    SendMessageA(control_, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(2, ScrollPosition());
    PutLines(100, 50);
    EXPECT_EQ(2, ScrollPosition()) << "scrolled back: the view stays";

    // Lines dropped from the history while scrolled back: the same line stays on top.
    PutLines(150, 60); // 210 lines: 10 dropped
    EXPECT_EQ(0, ScrollPosition()) << "line 2 was dropped; the oldest kept line is on top";

    SendMessageA(control_, WM_VSCROLL, SB_BOTTOM, 0);
    PutLines(210, 5);
    ASSERT_TRUE(GetScrollInfo(control_, SB_VERT, &info));
    EXPECT_EQ(info.nMax - static_cast<int>(info.nPage) + 1, info.nPos) << "following again";
}

TEST_F(TerminalControlTest, ScrolledBackViewKeepsItsLineWhenOldLinesDrop) {
    ASSERT_NE(nullptr, Create("P: LF=14, VW=100"));
    PutLines(0, 100);
    SendMessageA(control_, WM_VSCROLL, SB_TOP, 0);
    for (int i = 0; i < 30; ++i)
        SendMessageA(control_, WM_VSCROLL, SB_LINEDOWN, 0);
    ASSERT_EQ(30, ScrollPosition()); // "line 30" on top
    PutLines(100, 20);               // drops lines 0..19
    EXPECT_EQ(10, ScrollPosition()) << "line 30 is the 11th kept line";
    std::string text = Text();
    EXPECT_EQ(0u, text.find("line 20\r\n"));
}

TEST_F(TerminalControlTest, WithoutFollowStyleTheViewStaysAtTheTop) {
    ASSERT_NE(nullptr, Create("P: VW=100", WS_OVERLAPPEDWINDOW));
    PutLines(0, 80);
    EXPECT_EQ(0, ScrollPosition());
}

TEST_F(TerminalControlTest, CopiesSelectedLinesWithCtrlC) {
    ASSERT_NE(nullptr, Create("P: LF=14, VW=100"));
    ShowWindow(control_, SW_SHOW);
    PutLines(0, 5);
    SendMessageA(control_, WM_VSCROLL, SB_TOP, 0);
    RECT client;
    ASSERT_TRUE(GetClientRect(control_, &client));
    // Rows 1 to 3: a click, then a shift-click.
    SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 14 + 3));
    SendMessageA(control_, WM_LBUTTONUP, 0, MAKELPARAM(5, 14 + 3));
    SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(5, 3 * 14 + 3));
    SendMessageA(control_, WM_LBUTTONUP, 0, MAKELPARAM(5, 3 * 14 + 3));

    BYTE keys[256] = {};
    ASSERT_TRUE(GetKeyboardState(keys));
    BYTE saved[256];
    memcpy(saved, keys, sizeof saved);
    keys[VK_CONTROL] = 0x80;
    ASSERT_TRUE(SetKeyboardState(keys));
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    ASSERT_TRUE(CloseClipboard());
    SendMessageA(control_, WM_KEYDOWN, 'C', 0);
    SetKeyboardState(saved);

    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    std::string copied = data ? static_cast<const char*>(GlobalLock(data)) : "";
    if (data)
        GlobalUnlock(data);
    CloseClipboard();
    EXPECT_EQ("line 1\r\nline 2\r\nline 3\r\n", copied);
}

TEST_F(TerminalControlTest, WorksAsADialogControlFromATemplateText) {
    HWND parent = CreateWindowA("STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, parent);
    HWND child = CreateWindowA(OVC_VT100_CLASS, "P: PN=Terminal, LF=14, VW=512",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | OVCVTS_FOLLOW, 0, 0, 300, 200, parent,
                               reinterpret_cast<HMENU>(1001), nullptr, nullptr);
    ASSERT_NE(nullptr, child);
    EXPECT_EQ(DLGC_WANTARROWS | DLGC_WANTCHARS, SendMessageA(child, WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(1, OvcVthPutTextA(GetDlgItem(parent, 1001), "x\n", 2));
    UpdateWindow(child); // paints without trouble
    EXPECT_TRUE(DestroyWindow(parent));
    EXPECT_FALSE(IsWindow(child));
}

} // namespace
