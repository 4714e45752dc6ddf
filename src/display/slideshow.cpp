// Showing the current entry and pausing the slideshow around modal and long actions.
#include <windows.h>

#include "viewer.h"

void Viewer::showCurrent(bool forward) {
    (void)forward;
    const size_t size = exhibitSize();
    if (size == 0) return;
    if (static_cast<size_t>(currentIndex) >= size) currentIndex = 0;
    setCurrentPath(entryPath(static_cast<size_t>(currentIndex)));
    lastShownIndex = currentIndex;
}

void Viewer::suspendSlideshow(bool byDialog) {
    KillTimer(mainWindow, kSlideTimerId);
    if (byDialog) suspended = true;
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void Viewer::resumeSlideshow() { suspended = false; }
