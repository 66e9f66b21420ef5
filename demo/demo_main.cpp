// OrvDx2Demo32: the half of `make demo` that runs inside Wine (tools/demo.sh is the Linux half).
// Started in the demo's own prefix after "OrvDx2Setup32.exe /Install", it opens the log viewer,
// enters a shutdown about four minutes ahead into the application's settings dialog as a user
// does, and follows the chain to its end: every log line the viewer shows is printed, and so is
// what the demo sees on the screen. The Linux half reads this output for its summary.
//   OrvDx2Demo32.exe PROGRAM_FOLDER [--forced] [--screenshots FOLDER]
//   OrvDx2Demo32.exe PROGRAM_FOLDER --await-application
// PROGRAM_FOLDER holds the installed programs; --forced ticks "Forced shutdown"; --screenshots
// saves BMP pictures of the settings dialog, the countdown and the log viewer into FOLDER.
// --await-application only waits until the application runs: the demo proper is started after
// that, so that Wine, which numbers processes in the order they start, gives it a higher process
// id than the application's (see GateProc).
#include "demo_schedule.h"
#include "log_view_reader.h"

#include "app_driver.h"
#include "program_process.h"
#include "child_process.h"
#include "test_support.h"
#include "window_picture.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

using namespace dormex_test;

namespace {

const char kAppClass[] = "CDx2Dormex";
const char kGateClass[] = "DormexDemoGate";
const int kTerminalId = 1001;
const int kCountdownSecondsId = 1016, kCountdownTextId = 1030, kCountdownButtonId = 1017;
const UINT kTrayNotify = WM_USER + 100;

// The 3-minute announcement must still lie ahead when the service has rescheduled (a second or
// two after the settings are confirmed).
const UINT kLeadSeconds = 195;
// The lowest warning the settings dialog's interval field takes.
const UINT kWarningMinutes = 2;
// The wake-up timer fires between the announcement and the shutdown.
const UINT kResumeMinutes = 2;
const DWORD kPollMs = 20;
const DWORD kStartMs = 30000;
// Wine's end-session round waits 5 s for an answer before it offers to end the program.
const DWORD kEndingLookMs = 3000;
// Windows paint themselves in their own time; a picture is taken after this.
const DWORD kPaintMs = 700;

struct Options {
    std::string programFolder;
    bool forced = false;
    std::string screenshots; // empty: no pictures
    bool awaitOnly = false;  // only wait for the application
};

Options g_options;
std::unique_ptr<LogViewReader> g_log;
bool g_viewerGone = false;
std::vector<std::string> g_lines; // every line shown so far
HWND g_viewer = nullptr;
HANDLE g_app = nullptr;
bool g_sessionEnding = false; // Wine's end-session round has reached the demo

// Text of the system code page as UTF-8, for the Linux terminal.
std::string ToUtf8(const std::string& text) {
    int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wide <= 0)
        return text;
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &utf16[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

void PrintLine(const std::string& line) {
    fputs(ToUtf8(line).c_str(), stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

// The demo's own lines, time-stamped like the log lines and tagged "demo".
void Note(const char* format, ...) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[1024];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    char line[1200];
    snprintf(line, sizeof line, "%04d-%02d-%02d %02d:%02d:%02d.%03d demo: %s", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds, text);
    PrintLine(line);
}

// Prints the lines the viewer has shown since the last look.
void Echo() {
    if (!g_log || g_viewerGone)
        return;
    std::vector<std::string> fresh;
    if (!g_log->ReadNew(&fresh)) {
        g_viewerGone = true;
        Note("the log viewer no longer answers");
    }
    for (const std::string& line : fresh) {
        PrintLine(line);
        g_lines.push_back(line);
    }
}

bool Shown(const char* text) {
    for (const std::string& line : g_lines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// Handles this thread's messages (the gate's end-session messages among them) for up to ms.
void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Echoes the view while waiting for condition; true when it held within timeoutMs.
template <typename Condition>
bool Await(Condition condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        Echo();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Pump(kPollMs);
    }
}

void Picture(HWND window, const char* name, const char* what) {
    if (g_options.screenshots.empty())
        return;
    std::string path = g_options.screenshots + name;
    if (SaveWindowPicture(window, path))
        Note("picture of %s: %s", what, name);
    else
        Note("no picture of %s (error %lu)", what, GetLastError());
}

bool AppEnded() {
    return WaitForSingleObject(g_app, 0) == WAIT_OBJECT_0;
}

// Wine's end-session round (a normal shutdown) goes through the processes that own top-level
// windows in the order of their ids, and ends each after its WM_ENDSESSION. The demo starts after
// the application and before the viewer, so its turn comes after the application has logged its
// end and while the viewer still runs: the last lines are read here.
LRESULT CALLBACK GateProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_QUERYENDSESSION: {
        g_sessionEnding = true;
        Note("Wine ends the session: WM_QUERYENDSESSION reached the demo after the application");
        Await([] { return Shown("APP: End of program."); }, kEndingLookMs);
        if (AppEnded())
            Note("the application's process has ended");
        Pump(kPaintMs);
        Picture(g_viewer, "logview-end.bmp", "the log viewer at the end");
        return TRUE;
    }
    case WM_ENDSESSION:
        Note("WM_ENDSESSION(%s): Wine now ends the demo's process too", wParam ? "TRUE" : "FALSE");
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool CreateGate() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = GateProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kGateClass;
    if (!RegisterClassA(&windowClass))
        return false;
    // A hidden top-level window: Wine's end-session round sends its messages to those.
    return CreateWindowExA(0, kGateClass, "Dormex demo", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           windowClass.hInstance, nullptr) != nullptr;
}

HWND VisibleDialogOf(DWORD process, int controlId) {
    for (HWND window : ProcessWindows(process, false)) {
        if (IsWindowVisible(window) && GetDlgItem(window, controlId))
            return window;
    }
    return nullptr;
}

void PrintSetupLog() {
    std::string path = SettingsFilePath();
    path = path.substr(0, path.rfind('\\') + 1) + "DormexSetup.log";
    std::string log = ReadFileBytes(path);
    Note("the setup tool ran before the viewer; its log file %s holds:", path.c_str());
    size_t start = 0;
    for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = log.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            PrintLine(line);
    }
}

bool ParseOptions(int argc, char** argv) {
    if (argc < 2)
        return false;
    g_options.programFolder = argv[1];
    if (g_options.programFolder.back() != '\\')
        g_options.programFolder += '\\';
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--forced") == 0)
            g_options.forced = true;
        else if (strcmp(argv[i], "--await-application") == 0)
            g_options.awaitOnly = true;
        else if (strcmp(argv[i], "--screenshots") == 0 && i + 1 < argc) {
            g_options.screenshots = argv[++i];
            if (g_options.screenshots.back() != '\\')
                g_options.screenshots += '\\';
        } else
            return false;
    }
    return true;
}

int Fail(const char* what) {
    Note("FAILED: %s", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (!ParseOptions(argc, argv)) {
        fprintf(stderr, "usage: OrvDx2Demo32 PROGRAM_FOLDER [--forced] [--screenshots FOLDER] | "
                        "--await-application\n");
        return 2;
    }

    // The application, started hidden by the watchdog that the setup tool started.
    HWND main = nullptr, settings = nullptr;
    if (!WaitFor(
            [&] {
                main = FindWindowA(kAppClass, nullptr);
                settings = main ? FindWindowExA(main, nullptr, "#32770", nullptr) : nullptr;
                return settings != nullptr;
            },
            kStartMs))
        return Fail("the watchdog did not start the application");
    DWORD appId = 0;
    GetWindowThreadProcessId(main, &appId);
    g_app = OpenProcess(SYNCHRONIZE, FALSE, appId);
    DWORD_PTR answer = 0;
    if (!g_app || !SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &answer))
        return Fail("the application does not answer");
    if (g_options.awaitOnly)
        return 0;
    Note("the application runs (process %lu), started hidden by the watchdog", appId);
    if (GetCurrentProcessId() < appId)
        Note("(the demo started before the application: Wine's end-session round may reach the demo first)");
    PrintSetupLog();

    if (!CreateGate())
        return Fail("no window for the end of the session");
    ChildProcess viewer;
    if (!viewer.Start(g_options.programFolder + "OrvDx2LogView32.exe"))
        return Fail("the log viewer did not start");
    if (!WaitFor([&] { return (g_viewer = VisibleDialogOf(viewer.Id(), kTerminalId)) != nullptr; }, kStartMs))
        return Fail("the log viewer shows no window");
    g_log.reset(new LogViewReader(GetDlgItem(g_viewer, kTerminalId)));
    Note("the log viewer runs (process %lu); its lines follow as they appear", viewer.Id());

    // A user clicks the notification icon and fills in the settings dialog.
    PostMessageA(main, kTrayNotify, 1, WM_LBUTTONDOWN);
    if (!Await([&] { return IsWindowVisible(main) && IsWindowVisible(settings); }, kStartMs))
        return Fail("a click on the notification icon did not show the settings");
    SYSTEMTIME now;
    GetLocalTime(&now);
    DemoSchedule schedule = {FirstMinuteAfter(now, kLeadSeconds), g_options.forced, kWarningMinutes,
                             kResumeMinutes};
    std::string problem;
    if (!EnterSchedule(settings, schedule, &problem))
        return Fail(problem.c_str());
    Note("settings entered: %s shutdown at %02d:%02d, every week day, warning %u minutes, 3-minute "
         "announcement, wake-up %u minutes before",
         schedule.forced ? "forced" : "normal", schedule.shutdown.wHour, schedule.shutdown.wMinute,
         schedule.warningMinutes, schedule.resumeMinutes);
    Pump(kPaintMs);
    Picture(main, "settings.bmp", "the settings dialog");
    Click(settings, IDOK);
    if (!Await([] { return Shown("SVC: Load setting information."); }, 10000))
        return Fail("the service did not reload the settings");

    // The chain: announcement, wake-up timer, warning, countdown, shutdown.
    LONGLONG ahead = SecondsBetween(now, schedule.shutdown);
    DWORD timeoutMs = static_cast<DWORD>(ahead + schedule.warningMinutes * 60 + 120) * 1000;
    HWND countdown = nullptr;
    DWORD countdownSeen = 0;
    bool countdownPictured = false;
    bool ended = Await(
        [&] {
            if (!countdown && (countdown = VisibleDialogOf(appId, kCountdownButtonId)) != nullptr) {
                countdownSeen = GetTickCount();
                Note("the countdown appears: \"%s %s\" [%s]",
                     ControlText(countdown, kCountdownSecondsId).c_str(),
                     ControlText(countdown, kCountdownTextId).c_str(),
                     ControlText(countdown, kCountdownButtonId).c_str());
            }
            if (countdown && !countdownPictured && GetTickCount() - countdownSeen >= 2000) {
                countdownPictured = true;
                Note("the countdown shows \"%s %s\"", ControlText(countdown, kCountdownSecondsId).c_str(),
                     ControlText(countdown, kCountdownTextId).c_str());
                Picture(countdown, "countdown.bmp", "the countdown");
                Picture(g_viewer, "logview.bmp", "the log viewer");
            }
            return AppEnded();
        },
        timeoutMs);
    if (!ended)
        return Fail("the chain did not come to its end in time");
    // Wine ends the demo's process after its WM_ENDSESSION.
    if (g_sessionEnding) {
        Pump(kStartMs);
        return 0;
    }
    // Reached when the session's end did not come through the demo's window first.
    Note("the application's process has ended");
    Await([] { return Shown("APP: End of program."); }, kEndingLookMs);
    return Shown("APP: End of program.") ? 0 : Fail("the application did not log its end");
}
