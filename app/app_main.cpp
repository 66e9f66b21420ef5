// Process entry of OrvDx2App32 / OrvDx2App64.
#include "app_windows.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    if (!StartApplication(instance))
        return 0;
    HWND mainWindow = CreateMainWindow();
    int quitCode = 0;
    if (mainWindow) {
        // The watchdog starts us with SW_HIDE: the window stays hidden until the icon is clicked.
        ShowWindow(mainWindow, showCommand);
        quitCode = RunMessageLoop();
    }
    EndApplication();
    return quitCode;
}
