// The log viewer as a real program under Xvfb: lines from other processes, a second viewer,
// reopening, resizing, Esc, and bad input.
#include "child_process.h"
#include "mailslot_catcher.h"
#include "program_process.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using dormex_test::ChildProcess;
using dormex_test::WaitFor;

const char kTitle[] = "Dormex - Log view";
const DWORD kShowTimeoutMs = 1500; // "within about a second"
const DWORD kStartTimeoutMs = 10000;

std::string ViewerPath() {
    return dormex_test::BinDir() + "OrvDx2LogView32.exe";
}

std::string ExpectedTitle() {
    char computer[64];
    DWORD size = sizeof computer;
    EXPECT_TRUE(GetComputerNameA(computer, &size));
    return std::string(kTitle) + " ( " + computer + " )";
}

// One message into the log mailslot; false (with the last error) when no viewer holds it.
bool WriteLogMessage(const std::string& bytes) {
    return dormex_test::WriteMailslotMessage(dormex_test::kLogMailslot, bytes);
}

bool WriteLogLine(const std::string& line) {
    return WriteLogMessage(line + "\n" + std::string(1, '\0'));
}

// Runs log_writer_helper with the lines and waits for it.
DWORD RunWriter(const std::string& arguments) {
    ChildProcess writer;
    EXPECT_TRUE(writer.Start(dormex_test::TestDir() + "log_writer_helper.exe", arguments));
    DWORD code = 99;
    EXPECT_TRUE(writer.WaitExit(10000, &code));
    return code;
}

class Viewer {
  public:
    bool Start() {
        if (!process.Start(ViewerPath()))
            return false;
        dialog = dormex_test::WaitForProcessWindow(process.Id(), "#32770", nullptr, kStartTimeoutMs);
        terminal = dialog ? GetDlgItem(dialog, 1001) : nullptr;
        return terminal != nullptr;
    }
    std::string Text() const {
        LRESULT length = SendMessageA(terminal, WM_GETTEXTLENGTH, 0, 0);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        LRESULT copied = SendMessageA(terminal, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(copied));
        return text;
    }
    bool Shows(const std::string& piece, DWORD timeoutMs = kShowTimeoutMs) const {
        return WaitFor([&] { return Text().find(piece) != std::string::npos; }, timeoutMs);
    }
    // Closes the window as a user does; true when the program ended with exit code 0.
    bool Close() {
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        DWORD code = 99;
        return process.WaitExit(5000, &code) && code == 0;
    }
    ChildProcess process;
    HWND dialog = nullptr;
    HWND terminal = nullptr;
};

class LogViewerTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(viewer_.Start()); }
    void TearDown() override {
        if (viewer_.process.Running()) {
            EXPECT_TRUE(viewer_.Close());
        }
    }
    Viewer viewer_;
};

TEST_F(LogViewerTest, OpensWithComputerNameIconAndEmptyTerminal) {
    EXPECT_EQ(ExpectedTitle(), dormex_test::WindowText(viewer_.dialog));
    EXPECT_EQ("OvcCtrlVT100", dormex_test::WindowClass(viewer_.terminal));
    // The viewer is shown first and then moved to (50, 50).
    RECT frame = {};
    EXPECT_TRUE(dormex_test::WaitFor(
        [&] { return GetWindowRect(viewer_.dialog, &frame) && frame.left == 50 && frame.top == 50; }, 2000))
        << frame.left << ", " << frame.top;
    // Wine answers WM_GETICON only inside the window's process: check the program's icon instead.
    HMODULE program = LoadLibraryExA(ViewerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, program);
    for (int size : {16, 24, 32, 48}) {
        HICON icon =
            static_cast<HICON>(LoadImageA(program, MAKEINTRESOURCEA(102), IMAGE_ICON, size, size, 0));
        EXPECT_NE(nullptr, icon) << size;
        ICONINFO info = {};
        BITMAP bitmap = {};
        if (icon && GetIconInfo(icon, &info)) {
            EXPECT_TRUE(GetObjectA(info.hbmColor, sizeof bitmap, &bitmap));
            EXPECT_EQ(size, bitmap.bmWidth);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
        }
        if (icon)
            DestroyIcon(icon);
    }
    FreeLibrary(program);
    EXPECT_EQ("", viewer_.Text());
}

TEST_F(LogViewerTest, LinesFromTwoProcessesAppearInTheOrderWritten) {
    ASSERT_EQ(0u, RunWriter("a1 a2"));
    ASSERT_EQ(0u, RunWriter("b1 b2"));
    ASSERT_EQ(0u, RunWriter("a3"));
    DWORD written = GetTickCount();
    ASSERT_TRUE(viewer_.Shows("a3")) << viewer_.Text();
    EXPECT_LT(GetTickCount() - written, 1000u);
    EXPECT_EQ("a1\r\na2\r\nb1\r\nb2\r\na3\r\n", viewer_.Text());
}

TEST_F(LogViewerTest, ConcurrentWritersLoseNoLineAndKeepTheirOwnOrder) {
    std::string first, second;
    for (int i = 0; i < 150; ++i) {
        first += " x" + std::to_string(i);
        second += " y" + std::to_string(i);
    }
    ChildProcess writerX, writerY;
    ASSERT_TRUE(writerX.Start(dormex_test::TestDir() + "log_writer_helper.exe", first));
    ASSERT_TRUE(writerY.Start(dormex_test::TestDir() + "log_writer_helper.exe", second));
    DWORD code = 99;
    ASSERT_TRUE(writerX.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(writerY.WaitExit(10000, &code));
    EXPECT_EQ(0u, code);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(viewer_.terminal, WM_USER + 0x100, 0, 0) == 300; }, 3000))
        << SendMessageA(viewer_.terminal, WM_USER + 0x100, 0, 0);
    std::string text = viewer_.Text();
    size_t lastX = 0, lastY = 0;
    for (int i = 0; i < 150; ++i) {
        size_t x = text.find("x" + std::to_string(i) + "\r\n");
        size_t y = text.find("y" + std::to_string(i) + "\r\n");
        ASSERT_NE(std::string::npos, x) << i;
        ASSERT_NE(std::string::npos, y) << i;
        EXPECT_TRUE(i == 0 || x > lastX) << i;
        EXPECT_TRUE(i == 0 || y > lastY) << i;
        lastX = x;
        lastY = y;
    }
}

TEST_F(LogViewerTest, SecondViewerShowsTheFailureBoxAndNothingElse) {
    ChildProcess second;
    ASSERT_TRUE(second.Start(ViewerPath()));
    HWND box = dormex_test::WaitForProcessWindow(second.Id(), "#32770", "Dormex", kStartTimeoutMs);
    ASSERT_NE(nullptr, box);
    bool textFound = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        textFound = textFound || dormex_test::WindowText(child) == "Message-slot creation failure!!";
    EXPECT_TRUE(textFound);
    EXPECT_EQ(1u, dormex_test::ProcessWindows(second.Id(), true).size()) << "only the box while it is open";
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    // Then its empty window, and the first viewer still gets every line.
    HWND secondDialog = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
            auto windows = dormex_test::ProcessWindows(second.Id(), true);
            secondDialog = windows.size() == 1 && dormex_test::WindowText(windows[0]) == ExpectedTitle()
                               ? windows[0]
                               : nullptr;
            return secondDialog != nullptr;
        },
        kStartTimeoutMs));
    ASSERT_TRUE(WriteLogLine("for the first viewer"));
    EXPECT_TRUE(viewer_.Shows("for the first viewer"));
    EXPECT_EQ(0, SendMessageA(GetDlgItem(secondDialog, 1001), WM_GETTEXTLENGTH, 0, 0));
    EXPECT_EQ(1u, dormex_test::ProcessWindows(second.Id(), true).size());

    PostMessageA(secondDialog, WM_CLOSE, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(second.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
}

TEST_F(LogViewerTest, ClosingAndReopeningLosesLinesWrittenBetween) {
    ASSERT_TRUE(WriteLogLine("before"));
    ASSERT_TRUE(viewer_.Shows("before"));
    ASSERT_TRUE(viewer_.Close());

    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteLogLine("between"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "nobody holds the log mailslot";

    ASSERT_TRUE(viewer_.Start());
    ASSERT_TRUE(WriteLogLine("after"));
    ASSERT_TRUE(viewer_.Shows("after"));
    EXPECT_EQ("after\r\n", viewer_.Text());
}

TEST_F(LogViewerTest, TerminalFillsTheClientAreaAfterResize) {
    struct Size {
        int width, height;
    };
    for (Size size : {Size{600, 300}, Size{900, 650}, Size{300, 150}}) {
        ASSERT_TRUE(SetWindowPos(viewer_.dialog, nullptr, 0, 0, size.width, size.height,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        RECT client = {}, terminal = {};
        EXPECT_TRUE(WaitFor(
            [&] {
                GetClientRect(viewer_.dialog, &client);
                GetWindowRect(viewer_.terminal, &terminal);
                MapWindowPoints(nullptr, viewer_.dialog, reinterpret_cast<POINT*>(&terminal), 2);
                return terminal.left == 0 && terminal.top == 0 && terminal.right == client.right &&
                       terminal.bottom == client.bottom;
            },
            2000))
            << size.width << "x" << size.height << ": client " << client.right << "x" << client.bottom
            << ", terminal " << terminal.right << "x" << terminal.bottom;
    }
}

TEST_F(LogViewerTest, EscapeEndsTheProgram) {
    PostMessageA(viewer_.terminal, WM_KEYDOWN, VK_ESCAPE, 0);
    DWORD code = 99;
    ASSERT_TRUE(viewer_.process.WaitExit(5000, &code));
    EXPECT_EQ(0u, code);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WriteLogLine("gone"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "the mailslot closed with it";
}

TEST_F(LogViewerTest, EmptyMessageDoesNotStopTheLinesAfterIt) {
    ASSERT_TRUE(WriteLogMessage(""));
    ASSERT_TRUE(WriteLogLine("after an empty message"));
    EXPECT_TRUE(viewer_.Shows("after an empty message")) << viewer_.Text();
}

TEST_F(LogViewerTest, SurvivesMessagesOfAnySizeAndContent) {
    std::mt19937 random(20240611);
    ASSERT_TRUE(WriteLogMessage(""));
    ASSERT_TRUE(WriteLogMessage(std::string(65536, 'L')));
    std::string noise(65536, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    ASSERT_TRUE(WriteLogMessage(noise));
    for (int i = 0; i < 200; ++i) {
        std::string message(random() % 300, '\0');
        for (char& byte : message)
            byte = static_cast<char>(random());
        ASSERT_TRUE(WriteLogMessage(message)) << i;
    }
    ASSERT_TRUE(WriteLogLine("\nstill alive"));
    EXPECT_TRUE(viewer_.Shows("\r\nstill alive\r\n", 5000));
    EXPECT_TRUE(viewer_.process.Running());
    EXPECT_TRUE(IsWindow(viewer_.dialog));
}

} // namespace
