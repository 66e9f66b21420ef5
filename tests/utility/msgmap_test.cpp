// Message maps drive real window and dialog procedures.
#include "OrvCtl.h"
#include "program_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const UINT kFirstMessage = WM_USER + 1;
const UINT kSecondMessage = WM_USER + 2;
const UINT kAfterEndMessage = WM_USER + 3;
const UINT kUnmappedMessage = WM_USER + 4;
const UINT_PTR kButtonId = 40;
const UINT_PTR kOtherId = 41;

std::vector<int> g_calls; // which handler ran, in order

LRESULT OVC_CALL First(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    g_calls.push_back(1);
    return static_cast<LRESULT>(wParam + lParam);
}
LRESULT OVC_CALL Second(HWND, UINT, WPARAM, LPARAM) {
    g_calls.push_back(2);
    return 0x5EC0;
}
LRESULT OVC_CALL Shadowed(HWND, UINT, WPARAM, LPARAM) {
    g_calls.push_back(3);
    return 0xBAD;
}
LRESULT OVC_CALL Button(HWND, UINT, WPARAM, LPARAM) {
    g_calls.push_back(4);
    return 0xB077;
}
LRESULT OVC_CALL OtherCommand(HWND, UINT, WPARAM, LPARAM) {
    g_calls.push_back(5);
    return 0xC0DE;
}
LRESULT OVC_CALL InitDialog(HWND, UINT, WPARAM, LPARAM) {
    g_calls.push_back(6);
    return TRUE;
}

// Duplicates (the first wins), a kind-1 WM_COMMAND entry after a kind-2 entry, an unknown
// kind, and entries after the end that must never run.
const OvcMmpEntry kTable[] = {
    OVC_MMP_ON_MESSAGE(kFirstMessage, First),
    OVC_MMP_ON_COMMAND(kButtonId, Button),
    {7, kSecondMessage, 0, Shadowed, 0},
    OVC_MMP_ON_MESSAGE(kSecondMessage, Second),
    OVC_MMP_ON_MESSAGE(kFirstMessage, Shadowed),
    OVC_MMP_ON_COMMAND(kButtonId, Shadowed),
    OVC_MMP_ON_MESSAGE(WM_COMMAND, OtherCommand),
    OVC_MMP_ON_MESSAGE(WM_INITDIALOG, InitDialog),
    OVC_MMP_TABLE_END,
    OVC_MMP_ON_MESSAGE(kAfterEndMessage, Shadowed),
};

UINT_PTR g_windowWork[OVC_MMP_WORK_WORDS];

LRESULT CALLBACK MappedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kTable, g_windowWork);
    return OvcMmpWndMsgHandle(g_windowWork, window, message, wParam, lParam);
}

struct DispatchCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int handler;    // 0: none ran
    LRESULT result; // from the handler
};

const DispatchCase kCases[] = {
    {"kind 1", kFirstMessage, 5, 7, 1, 12},
    {"kind 1 after an unknown kind", kSecondMessage, 0, 0, 2, 0x5EC0},
    {"kind 2 by control id", WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED), 0, 4, 0xB077},
    {"kind 2 ignores the notification code", WM_COMMAND, MAKEWPARAM(kButtonId, 0x1234), 0, 4, 0xB077},
    {"other ids reach the kind-1 WM_COMMAND entry", WM_COMMAND, MAKEWPARAM(kOtherId, 0), 0, 5, 0xC0DE},
    {"entry after the end", kAfterEndMessage, 0, 0, 0, 0},
    {"no entry", kUnmappedMessage, 0, 0, 0, 0},
};

class MessageMapTest : public ::testing::Test {
  protected:
    void SetUp() override { g_calls.clear(); }
};

TEST_F(MessageMapTest, WindowDispatchesByTableAndDefaultsElsewhere) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = MappedWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DormexMappedWindow";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    HWND window = CreateWindowA("DormexMappedWindow", "mapped", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    ASSERT_NE(0u, g_windowWork[0]) << "the table is bound at the first message";

    for (const DispatchCase& test : kCases) {
        g_calls.clear();
        LRESULT result = SendMessageA(window, test.message, test.wParam, test.lParam);
        if (test.handler) {
            EXPECT_EQ(std::vector<int>{test.handler}, g_calls) << test.name;
            EXPECT_EQ(test.result, result) << test.name;
        } else {
            EXPECT_TRUE(g_calls.empty()) << test.name;
            EXPECT_EQ(0, result) << test.name << ": DefWindowProcA gives 0 for user messages";
        }
    }
    // Unmapped system messages get DefWindowProcA's handling.
    EXPECT_TRUE(SetWindowTextA(window, "renamed"));
    EXPECT_EQ("renamed", dormex_test::WindowText(window));
    EXPECT_EQ(7, SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));

    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(UnregisterClassA("DormexMappedWindow", windowClass.hInstance));
}

TEST_F(MessageMapTest, InitialisesOnceAndRefusesNullArguments) {
    UINT_PTR work[OVC_MMP_WORK_WORDS] = {};
    EXPECT_EQ(0, OvcMmpInitTbl(nullptr, work));
    EXPECT_EQ(0, OvcMmpInitTbl(kTable, nullptr));
    EXPECT_EQ(0u, work[0]);

    const OvcMmpEntry other[] = {OVC_MMP_ON_MESSAGE(kFirstMessage, Shadowed), OVC_MMP_TABLE_END};
    EXPECT_EQ(1, OvcMmpInitTbl(kTable, work));
    UINT_PTR bound[OVC_MMP_WORK_WORDS];
    memcpy(bound, work, sizeof bound);
    EXPECT_EQ(1, OvcMmpInitTbl(other, work)) << "a second call is harmless";
    EXPECT_EQ(0, memcmp(bound, work, sizeof bound)) << "and changes nothing";
    EXPECT_EQ(12, OvcMmpWndMsgHandle(work, nullptr, kFirstMessage, 5, 7));
    EXPECT_EQ(std::vector<int>{1}, g_calls);
}

TEST_F(MessageMapTest, UninitialisedWorkAreaGivesDefaultHandling) {
    UINT_PTR work[OVC_MMP_WORK_WORDS] = {};
    EXPECT_EQ(0, OvcMmpWndMsgHandle(work, nullptr, kFirstMessage, 5, 7));
    EXPECT_EQ(FALSE, OvcMmpDlgMsgHandle(work, nullptr, kFirstMessage, 5, 7));
    EXPECT_EQ(FALSE, OvcMmpDlgMsgHandle(nullptr, nullptr, kFirstMessage, 5, 7));
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(MessageMapTest, EmptyTableMatchesNothing) {
    const OvcMmpEntry empty[] = {OVC_MMP_TABLE_END};
    UINT_PTR work[OVC_MMP_WORK_WORDS] = {};
    ASSERT_EQ(1, OvcMmpInitTbl(empty, work));
    EXPECT_EQ(FALSE, OvcMmpDlgMsgHandle(work, nullptr, WM_COMMAND, kButtonId, 0));
    EXPECT_TRUE(g_calls.empty());
}

UINT_PTR g_dialogWork[OVC_MMP_WORK_WORDS];

INT_PTR CALLBACK MappedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    OvcMmpInitTbl(kTable, g_dialogWork);
    return OvcMmpDlgMsgHandle(g_dialogWork, dialog, message, wParam, lParam);
}

// An in-memory dialog template with no controls.
struct EmptyDialogTemplate {
    DLGTEMPLATE header;
    WORD menu, windowClass, title;
};

TEST_F(MessageMapTest, DialogDispatchesByTableAndReturnsFalseElsewhere) {
    EmptyDialogTemplate dialogTemplate = {};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION;
    dialogTemplate.header.cx = 100;
    dialogTemplate.header.cy = 50;
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &dialogTemplate.header, nullptr,
                                             MappedDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    EXPECT_NE(g_calls.end(), std::find(g_calls.begin(), g_calls.end(), 6))
        << "WM_INITDIALOG reached its handler";

    for (const DispatchCase& test : kCases) {
        g_calls.clear();
        INT_PTR result = OvcMmpDlgMsgHandle(g_dialogWork, dialog, test.message, test.wParam, test.lParam);
        if (test.handler) {
            EXPECT_EQ(std::vector<int>{test.handler}, g_calls) << test.name;
            EXPECT_EQ(test.result, result) << test.name;
        } else {
            EXPECT_TRUE(g_calls.empty()) << test.name;
            EXPECT_EQ(FALSE, result) << test.name;
        }
    }
    // Through the dialog manager: a command from the button reaches its handler.
    g_calls.clear();
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kButtonId, BN_CLICKED), 0);
    EXPECT_EQ(std::vector<int>{4}, g_calls);
    // Unmapped: the dialog manager's default handling still works.
    EXPECT_TRUE(SetWindowTextA(dialog, "dialog title"));
    EXPECT_EQ("dialog title", dormex_test::WindowText(dialog));
    EXPECT_TRUE(DestroyWindow(dialog));
}

} // namespace
