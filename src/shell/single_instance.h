// Closing the other running instances of the program.
#pragma once

#include <windows.h>

#include "core/window_messages.h"

// Whether a top-level window is the main window of a running instance: a dialog owned by a window
// of the hidden owner class "Glimvue" in the same process.
bool isInstanceMainWindow(HWND window);

// Posts MainMessage::CloseInstance to the main window of every other running instance (never to the
// windows of other programs, to whom the message means something else, nor to `ownMainWindow`).
// Returns how many windows were asked.
int closeOtherInstances(HWND ownMainWindow);
