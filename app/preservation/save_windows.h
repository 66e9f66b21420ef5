// Finding the windows a preservation run works on, by title, owner and class.
#pragma once

#include <windows.h>

// The window's title in title (SaveTitleSize bytes, always terminated; empty when it has none or
// is no window).
void ReadWindowTitle(HWND window, char* title);

// The first top-level window, in EnumWindows order, whose title contains appStr. Windows of this
// process (the progress dialog, the main window "Dormex") are never candidates: a run must not
// drive itself. Visibility is not looked at.
HWND FindAppWindow(const char* appStr);

// The first top-level window whose GetParent is owner (its owner, for an owned pop-up) and whose
// title contains titlePart: the Save-As dialog or the save-changes confirmation of owner.
HWND FindOwnedWindow(HWND owner, const char* titlePart);

// Depth first among the descendants of target: the first window of class "NetUIHWND" (any case)
// with WS_GROUP or WS_TABSTOP in its style.
HWND FindRibbonWindow(HWND target);

// True when window's title now differs from title, byte for byte.
bool TitleDiffers(HWND window, const char* title);
