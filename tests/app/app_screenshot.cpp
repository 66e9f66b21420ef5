// Saves pictures of the settings dialog and of a forced countdown, as the user sees them, into the
// two BMP files named on the command line (tools/app-screenshots.sh makes PNG files of them).
#include "app_driver.h"
#include "test_support.h"

#include <stdio.h>

#include <vector>

using namespace dormex_test;

namespace {

// Copies the window's screen area into a 24-bit BMP file.
bool SaveWindowPicture(HWND window, const char* path) {
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool saved = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
        GdiFlush();
        DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        if (FILE* out = fopen(path, "wb")) {
            saved = fwrite(&file, sizeof file, 1, out) == 1 &&
                    fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
                    fwrite(bits, imageSize, 1, out) == 1;
            fclose(out);
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return saved;
}

} // namespace

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
