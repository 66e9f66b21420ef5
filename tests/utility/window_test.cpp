// Top-level windows: position kept in the profile, centring, foreground and focus across threads.
#include "OrvCtl.h"
#include "test_support.h"
#include "window_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using dormex_test::WaitForPumping;

const char* const kClassName = "DormexWindowTest";

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

ATOM RegisterTestClass() {
    static ATOM atom = [] {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = PlainProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassA(&windowClass);
    }();
    return atom;
}

// A top-level window of the calling thread, destroyed with the object.
class TestWindow {
  public:
    TestWindow(DWORD style, int x, int y, int width, int height, DWORD exStyle = 0) {
        RegisterTestClass();
        window_ = CreateWindowExA(exStyle, kClassName, "window test", style, x, y, width, height, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow() {
        if (window_)
            DestroyWindow(window_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Get() const { return window_; }

  private:
    HWND window_ = nullptr;
};

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

RECT PrimaryWorkArea() {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool Inside(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class WindowPositionTest : public ::testing::Test {
  protected:
    void SetUp() override { OvcSetProfilePathA(profile_.c_str()); }
    void TearDown() override { OvcSetProfilePathA(nullptr); }
    void Store(LONG left, LONG top, LONG right, LONG bottom, UINT maximized = 0) {
        OvcPutProfileStrA("MAIN", "WndPosLeft", std::to_string(left).c_str());
        OvcPutProfileStrA("MAIN", "WndPosTop", std::to_string(top).c_str());
        OvcPutProfileStrA("MAIN", "WndPosRight", std::to_string(right).c_str());
        OvcPutProfileStrA("MAIN", "WndPosBottom", std::to_string(bottom).c_str());
        OvcPutProfileUIntA("MAIN", "WndPosMaximized", maximized);
    }
    dormex_test::ScratchDir scratch_;
    std::string profile_ = scratch_.File("Dormex.ini");
};

TEST_F(WindowPositionTest, RoundTripThroughTheProfileKeepsOtherKeys) {
    ASSERT_TRUE(OvcPutProfileStrA("MAIN", "LogHost", "viewer-pc"));
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 120, 400, 300);
    ASSERT_NE(nullptr, window.Get());
    RECT saved = WindowRect(window.Get());
    ASSERT_TRUE(OvcSaveWndPosA(window.Get(), "MAIN"));
    char host[32];
    OvcGetProfileStrA("MAIN", "LogHost", "", host, sizeof host);
    EXPECT_STREQ("viewer-pc", host);
    EXPECT_EQ(static_cast<UINT>(saved.left), OvcGetProfileUIntA("MAIN", "WndPosLeft", 99999));
    EXPECT_EQ(0u, OvcGetProfileUIntA("MAIN", "WndPosMaximized", 99));

    SetWindowPos(window.Get(), nullptr, 300, 200, 250, 150, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(OvcLoadWndPosA(window.Get(), "MAIN"));
    RECT loaded = WindowRect(window.Get());
    EXPECT_TRUE(EqualRect(&saved, &loaded))
        << loaded.left << "," << loaded.top << " " << loaded.right << "," << loaded.bottom;
}

TEST_F(WindowPositionTest, NothingValidStoredLeavesTheWindowAlone) {
    TestWindow window(WS_OVERLAPPEDWINDOW, 100, 120, 400, 300);
    ASSERT_NE(nullptr, window.Get());
    RECT before = WindowRect(window.Get());
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(OvcLoadWndPosA(window.Get(), "MAIN"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), GetLastError());
    struct Case {
        const char* left;
        const char* right;
    } cases[] = {{"abc", "500"}, {"600", "500"}, {"100", "100"}, {"3000000000", "3000000100"}, {"", "500"}};
    for (const Case& c : cases) {
        Store(0, 10, 0, 300);
        OvcPutProfileStrA("MAIN", "WndPosLeft", c.left);
        OvcPutProfileStrA("MAIN", "WndPosRight", c.right);
        EXPECT_FALSE(OvcLoadWndPosA(window.Get(), "MAIN")) << c.left << " " << c.right;
        RECT after = WindowRect(window.Get());
        EXPECT_TRUE(EqualRect(&before, &after)) << c.left;
    }
    EXPECT_FALSE(OvcLoadWndPosA(nullptr, "MAIN"));
    EXPECT_FALSE(OvcSaveWndPosA(nullptr, "MAIN"));
}

TEST_F(WindowPositionTest, APositionOffEveryMonitorComesBackOntoTheNearestOne) {
    RECT work = PrimaryWorkArea();
    TestWindow window(WS_OVERLAPPEDWINDOW, 100, 120, 400, 300);
    ASSERT_NE(nullptr, window.Get());
    struct Case {
        LONG left, top;
        LONG expectedLeft, expectedTop;
    } cases[] = {
        {5000, 5000, work.right - 400, work.bottom - 300},
        {-3000, -2000, work.left, work.top},
        {-150, 200, work.left, 200},
        {200, work.bottom - 100, 200, work.bottom - 300},
    };
    for (const Case& c : cases) {
        Store(c.left, c.top, c.left + 400, c.top + 300);
        ASSERT_TRUE(OvcLoadWndPosA(window.Get(), "MAIN"));
        RECT loaded = WindowRect(window.Get());
        EXPECT_TRUE(Inside(work, loaded)) << c.left << "," << c.top;
        EXPECT_EQ(c.expectedLeft, loaded.left) << c.left << "," << c.top;
        EXPECT_EQ(c.expectedTop, loaded.top) << c.left << "," << c.top;
        EXPECT_EQ(400, loaded.right - loaded.left);
    }
    // Larger than the monitor: a resizable window is cut to the work area.
    Store(-100, -100, 20000, 20000);
    ASSERT_TRUE(OvcLoadWndPosA(window.Get(), "MAIN"));
    RECT loaded = WindowRect(window.Get());
    EXPECT_TRUE(EqualRect(&work, &loaded));
}

TEST_F(WindowPositionTest, AFixedSizeWindowKeepsItsSize) {
    TestWindow window(WS_CAPTION | WS_SYSMENU, 10, 10, 220, 140);
    ASSERT_NE(nullptr, window.Get());
    Store(300, 250, 1200, 950);
    ASSERT_TRUE(OvcLoadWndPosA(window.Get(), "MAIN"));
    RECT loaded = WindowRect(window.Get());
    EXPECT_EQ(300, loaded.left);
    EXPECT_EQ(250, loaded.top);
    EXPECT_EQ(220, loaded.right - loaded.left);
    EXPECT_EQ(140, loaded.bottom - loaded.top);
    EXPECT_FALSE(IsWindowVisible(window.Get())) << "a hidden window stays hidden";
}

TEST_F(WindowPositionTest, AMaximisedWindowStoresItsNormalRectangle) {
    TestWindow window(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 60, 300, 200);
    ASSERT_NE(nullptr, window.Get());
    ShowWindow(window.Get(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window.Get()));
    ASSERT_TRUE(OvcSaveWndPosA(window.Get(), "MAIN"));
    EXPECT_EQ(50u, OvcGetProfileUIntA("MAIN", "WndPosLeft", 0));
    EXPECT_EQ(260u, OvcGetProfileUIntA("MAIN", "WndPosBottom", 0));
    EXPECT_EQ(1u, OvcGetProfileUIntA("MAIN", "WndPosMaximized", 0));

    TestWindow visible(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 400, 100, 100);
    ASSERT_TRUE(OvcLoadWndPosA(visible.Get(), "MAIN"));
    EXPECT_TRUE(IsZoomed(visible.Get()));
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    ASSERT_TRUE(GetWindowPlacement(visible.Get(), &placement));
    EXPECT_EQ(50, placement.rcNormalPosition.left);
    EXPECT_EQ(60, placement.rcNormalPosition.top);

    TestWindow hidden(WS_OVERLAPPEDWINDOW, 400, 400, 100, 100);
    ASSERT_TRUE(OvcLoadWndPosA(hidden.Get(), "MAIN"));
    EXPECT_FALSE(IsWindowVisible(hidden.Get()));
    EXPECT_FALSE(IsZoomed(hidden.Get()));
    RECT loaded = WindowRect(hidden.Get());
    EXPECT_EQ(50, loaded.left);
    EXPECT_EQ(300, loaded.right - loaded.left);
}

TEST(CentreTest, MovesTheWindowToTheCentreOfTheWorkArea) {
    RECT work = PrimaryWorkArea();
    struct Case {
        int x, y, width, height;
    } cases[] = {{0, 0, 300, 200}, {900, 700, 301, 99}, {-200, -100, 120, 45}};
    for (const Case& c : cases) {
        TestWindow window(WS_POPUP | WS_VISIBLE, c.x, c.y, c.width, c.height);
        ASSERT_NE(nullptr, window.Get());
        ASSERT_TRUE(OvcMoveWindowToCenterOfMonitor(window.Get()));
        RECT rect = WindowRect(window.Get());
        EXPECT_EQ(c.width, rect.right - rect.left);
        EXPECT_EQ(c.height, rect.bottom - rect.top);
        EXPECT_LE(abs((rect.left + rect.right) - (work.left + work.right)), 1) << c.x;
        EXPECT_LE(abs((rect.top + rect.bottom) - (work.top + work.bottom)), 1) << c.y;
    }
    TestWindow huge(WS_POPUP, 10, 10, 4000, 3000);
    ASSERT_TRUE(OvcMoveWindowToCenterOfMonitor(huge.Get()));
    RECT rect = WindowRect(huge.Get());
    EXPECT_EQ(work.left, rect.left) << "a window larger than the monitor keeps its corner on it";
    EXPECT_EQ(work.top, rect.top);
    EXPECT_FALSE(OvcMoveWindowToCenterOfMonitor(nullptr));
}

// A window with an edit field on a thread of its own, which keeps pumping messages (so Wine's X11
// focus events are handled as they come) until the object ends, and calls OvcSetFocusWindow on request.
class ThreadWindow {
  public:
    explicit ThreadWindow(int x) : x_(x) {
        thread_ = std::thread([this] { Run(); });
        dormex_test::WaitFor([this] { return ready_ != 0; }, 5000);
    }
    ~ThreadWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    ThreadWindow(const ThreadWindow&) = delete;
    ThreadWindow& operator=(const ThreadWindow&) = delete;
    HWND Top() const { return top_; }
    HWND Field() const { return field_; }
    // OvcSetFocusWindow(target) called on this object's thread; 1 or 0, -1 when it did not answer.
    LONG SetFocusFromThread(HWND target) {
        result_ = -1;
        PostThreadMessageA(threadId_, kSetFocusMessage, reinterpret_cast<WPARAM>(target), 0);
        dormex_test::WaitFor([this] { return result_ != -1; }, 5000);
        return result_;
    }

  private:
    static constexpr UINT kSetFocusMessage = WM_APP + 1;
    void Run() {
        top_ = CreateWindowExA(0, kClassName, "thread window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x_, 100, 300,
                               200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        field_ = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, top_, nullptr,
                                 nullptr, nullptr);
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before anyone posts
        threadId_ = GetCurrentThreadId();
        ready_ = 1;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (!message.hwnd && message.message == kSetFocusMessage) {
                result_ = OvcSetFocusWindow(reinterpret_cast<HWND>(message.wParam)) ? 1 : 0;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        DestroyWindow(top_);
    }
    int x_;
    std::thread thread_;
    volatile DWORD threadId_ = 0;
    volatile LONG ready_ = 0;
    volatile LONG result_ = -1;
    HWND top_ = nullptr;
    HWND field_ = nullptr;
};

// The windows live on two threads other than the caller's, which owns none: each call must reach
// across threads, and OvcGetFocusWindow must report another thread's focus.
TEST(FocusTest, ForegroundAndFocusAcrossThreads) {
    RegisterTestClass();
    dormex_test::PumpMessages(); // this thread's message queue, for joining input with others
    ThreadWindow first(50);
    ThreadWindow second(600);
    ASSERT_NE(nullptr, first.Field());
    ASSERT_NE(nullptr, second.Field());

    struct Case {
        ThreadWindow* caller; // null: this thread
        ThreadWindow* owner;
        bool field;
    } cases[] = {{nullptr, &first, true}, {nullptr, &second, true}, {&first, &first, true},
                 {&first, &second, true}, {&second, &first, false}, {nullptr, &second, false}};
    for (const Case& c : cases) {
        HWND target = c.field ? c.owner->Field() : c.owner->Top();
        LONG result = c.caller ? c.caller->SetFocusFromThread(target) : OvcSetFocusWindow(target);
        EXPECT_EQ(1, result) << "case " << (&c - cases);
        // The X server's focus events follow asynchronously: wait for them to settle.
        EXPECT_TRUE(dormex_test::WaitFor(
            [&] { return GetForegroundWindow() == c.owner->Top() && OvcGetFocusWindow() == target; }, 2000))
            << "case " << (&c - cases) << ": foreground " << GetForegroundWindow() << ", focus "
            << OvcGetFocusWindow();
    }

    // A minimised window is restored.
    ShowWindow(first.Top(), SW_MINIMIZE);
    EXPECT_TRUE(OvcSetFocusWindow(first.Field()));
    EXPECT_FALSE(IsIconic(first.Top()));
    EXPECT_TRUE(dormex_test::WaitFor([&] { return OvcGetFocusWindow() == first.Field(); }, 2000));

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(OvcSetFocusWindow(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
}

} // namespace
