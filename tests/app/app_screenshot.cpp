// Saves pictures of the settings dialog and of a forced countdown, as the user sees them, into the
// two BMP files named on the command line (tools/app-screenshots.sh makes PNG files of them).
#include "app_driver.h"
#include "test_support.h"
#include "window_picture.h"

#include <stdio.h>

#include <vector>

using namespace dormex_test;

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: app_screenshot SETTINGS.bmp COUNTDOWN.bmp\n");
        return 2;
    }
    RemoveSettingsFile();
    AppUnderTest app;
    if (!app.Start() || !app.ShowSettings()) {
        fprintf(stderr, "app_screenshot: the application did not start\n");
        return 1;
    }
    SetWindowPos(app.MainWindow(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Sleep(500); // let it paint
    bool ok = SaveWindowPicture(app.MainWindow(), argv[1]);
    SendToApp(1, 1, 180);
    ok = WaitFor([&] { return !app.WarningDialogs().empty(); }, 5000) && ok;
    Sleep(1500);
    std::vector<HWND> warnings = app.WarningDialogs();
    ok = !warnings.empty() && SaveWindowPicture(warnings.front(), argv[2]) && ok;
    app.EndByUninstallMutex(5000);
    RemoveSettingsFile();
    return ok ? 0 : 1;
}
