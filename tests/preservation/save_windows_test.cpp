// Window matching of a preservation run, against windows of this process and of the test
// document application.
#include "child_process.h"
#include "save_text.h"
#include "save_windows.h"
#include "test_support.h"
#include "program_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using dormex_test::ChildProcess;
using dormex_test::FindTopLevelOfProcess;
using dormex_test::WaitFor;

std::string UniqueTitle(const char* what) {
    return std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
}

// A window of this process, destroyed at the end of the test.
struct TestWindow {
    HWND window;
    TestWindow(const char* className, const std::string& title, DWORD style, HWND parent)
        : window(CreateWindowExA(0, className, title.c_str(), style, 0, 0, 100, 100, parent, nullptr, nullptr,
                                 nullptr)) {}
    ~TestWindow() {
        if (IsWindow(window))
            DestroyWindow(window);
    }
};

HWND StartDocApp(ChildProcess& app, const std::string& title, const std::string& more = "") {
    if (!app.Start(dormex_test::TestProgram("docapp.exe"), "\"/title:" + title + "\" " + more))
        return nullptr;
    HWND window = nullptr;
    WaitFor([&] { return (window = FindTopLevelOfProcess(app.Id(), title + " - DocApp")) != nullptr; },
            10000);
    return window;
}

TEST(AppWindowTest, FindsAnotherProgramsWindowByTitleTextButNeverOneOfItsOwn) {
    const std::string title = UniqueTitle("FindMe");
    ChildProcess app;
    HWND appWindow = StartDocApp(app, "Doc - " + title);
    ASSERT_TRUE(appWindow);
    EXPECT_EQ(appWindow, FindAppWindow(title.c_str()));
    EXPECT_EQ(appWindow, FindAppWindow(("Doc - " + title).c_str()));
    EXPECT_EQ(nullptr, FindAppWindow((title + "x").c_str()));
    EXPECT_EQ(nullptr, FindAppWindow(UniqueTitle("findme").c_str())); // case-sensitive

    const std::string own = UniqueTitle("OwnWindow");
    TestWindow mine("STATIC", own, WS_OVERLAPPED, nullptr);
    ASSERT_TRUE(mine.window);
    EXPECT_EQ(nullptr, FindAppWindow(own.c_str()));
}

TEST(AppWindowTest, TakesTheFirstOfTwoWindowsWithTheSameTitleInEnumerationOrder) {
    const std::string title = UniqueTitle("Twins");
    ChildProcess first, second;
    HWND a = StartDocApp(first, title);
    HWND b = StartDocApp(second, title);
    ASSERT_TRUE(a && b);
    std::vector<HWND> order = dormex_test::TopLevelWindows();
    HWND expected = nullptr;
    for (HWND window : order)
        if (window == a || window == b) {
            expected = window;
            break;
        }
    EXPECT_EQ(expected, FindAppWindow(title.c_str()));
}

TEST(AppWindowTest, AHiddenWindowIsFoundLikeAVisibleOne) {
    const std::string title = UniqueTitle("Hidden");
    ChildProcess app;
    HWND window = StartDocApp(app, title, "/hidden");
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(window, FindAppWindow(title.c_str()));
}

TEST(OwnedWindowTest, FindsOnlyWindowsOwnedByTheTarget) {
    const std::string title = UniqueTitle("Save As");
    TestWindow owner("STATIC", "owner", WS_OVERLAPPED, nullptr);
    TestWindow stranger("STATIC", title, WS_POPUP, nullptr);
    TestWindow owned("STATIC", title, WS_POPUP, owner.window);
    TestWindow other("STATIC", "Other dialog", WS_POPUP, owner.window);
    ASSERT_TRUE(owner.window && stranger.window && owned.window && other.window);
    EXPECT_EQ(owned.window, FindOwnedWindow(owner.window, title.c_str()));
    EXPECT_EQ(other.window, FindOwnedWindow(owner.window, "Other"));
    EXPECT_EQ(nullptr, FindOwnedWindow(owner.window, "Nothing like it"));
    // An empty text: every window owned by the target counts.
    HWND any = FindOwnedWindow(owner.window, "");
    EXPECT_TRUE(any == owned.window || any == other.window);
    EXPECT_EQ(nullptr, FindOwnedWindow(nullptr, ""));
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(RibbonWindowTest, WalksDepthFirstToTheFirstRibbonThatTakesTheKeyboard) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainProc;
    windowClass.lpszClassName = "NetUIHWND";
    RegisterClassA(&windowClass);
    TestWindow target("STATIC", "target", WS_OVERLAPPED, nullptr);
    ASSERT_TRUE(target.window);
    EXPECT_EQ(nullptr, FindRibbonWindow(target.window));
    // target
    //   pane (STATIC)
    //     plain ribbon without WS_GROUP/WS_TABSTOP
    //       deep ribbon, WS_TABSTOP     <- first depth-first hit
    //   late ribbon, WS_GROUP
    TestWindow pane("STATIC", "", WS_CHILD, target.window);
    TestWindow plain("netuihwnd", "", WS_CHILD, pane.window);
    TestWindow late("NetUIHWND", "", WS_CHILD | WS_GROUP, target.window);
    ASSERT_TRUE(pane.window && plain.window && late.window);
    EXPECT_EQ(late.window, FindRibbonWindow(target.window));
    TestWindow deep("NETUIHWND", "", WS_CHILD | WS_TABSTOP, plain.window);
    ASSERT_TRUE(deep.window);
    EXPECT_EQ(deep.window, FindRibbonWindow(target.window));
}

TEST(TitleTest, ReadsAtMost255BytesAndComparesByteForByte) {
    const std::string longTitle(300, 'T');
    TestWindow window("STATIC", longTitle, WS_OVERLAPPED, nullptr);
    ASSERT_TRUE(window.window);
    char title[SaveTitleSize + 8];
    memset(title, 'x', sizeof title);
    ReadWindowTitle(window.window, title);
    EXPECT_EQ(std::string(255, 'T'), title);
    EXPECT_EQ('x', title[SaveTitleSize]); // nothing written beyond the 256 bytes
    EXPECT_FALSE(TitleDiffers(window.window, std::string(255, 'T').c_str()));
    SetWindowTextA(window.window, "Doc 2");
    EXPECT_TRUE(TitleDiffers(window.window, std::string(255, 'T').c_str()));
    EXPECT_FALSE(TitleDiffers(window.window, "Doc 2"));

    HWND gone = window.window;
    DestroyWindow(gone);
    ReadWindowTitle(gone, title);
    EXPECT_STREQ("", title);
    EXPECT_TRUE(TitleDiffers(gone, "Doc 2"));
}

} // namespace
