// A top-level window that records the end-session messages it receives, one line each, in the
// file named on the command line: "QUERYENDSESSION" and "ENDSESSION <wParam>".
#include <windows.h>

#include <stdio.h>

namespace {

const char* g_recordPath = nullptr;

void Record(const char* line) {
    FILE* file = fopen(g_recordPath, "a");
    if (!file)
        return;
    fprintf(file, "%s\n", line);
    fclose(file);
}

LRESULT CALLBACK RecorderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_QUERYENDSESSION:
        Record("QUERYENDSESSION");
        return TRUE;
    case WM_ENDSESSION:
        Record(wParam ? "ENDSESSION 1" : "ENDSESSION 0");
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    g_recordPath = commandLine;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecorderProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "DormexEndSessionRecorder";
    if (!RegisterClassA(&windowClass))
        return 1;
    if (!CreateWindowExA(0, windowClass.lpszClassName, "End session recorder", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                         100, nullptr, nullptr, instance, nullptr))
        return 1;
    Record("READY");
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
