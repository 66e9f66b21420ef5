// Pictures of windows as the user sees them on the screen.
#pragma once

#include <windows.h>

#include <string>

namespace dormex_test {

// Copies the window's screen area (whatever is on top there, cut to the screen) into a 24-bit
// BMP file.
bool SaveWindowPicture(HWND window, const std::string& path);

} // namespace dormex_test
