// Closing the other running instances of the program.
#pragma once

#include <windows.h>

// The message that asks an instance's main window to close itself.
inline constexpr UINT kCloseInstanceMessage = WM_USER + 5;

// Whether a top-level window is the main window of a running instance: a dialog owned by a window
// of the hidden owner class "Glimvue" in the same process.
bool isInstanceMainWindow(HWND window);

// Posts the close message to the main window of every other running instance (never to the
// windows of other programs, to whom the message means something else, nor to `ownMainWindow`).
// Returns how many windows were asked.
int closeOtherInstances(HWND ownMainWindow);
