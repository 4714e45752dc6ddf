// The main window's surroundings: the monitor it is on, its frame, its status bar, the Catalog
// window while it is open, and the windowed layout kept while full screen.
#pragma once

#include <windows.h>

#include <optional>
#include "core/dpi_scale.h"
#include "core/win_handles.h"

struct WindowState {
    HWND statusBarWindow = nullptr;  // none when there is no status bar
    int statusBarHeight = 0;
    HWND catalogWindow = nullptr;    // the Catalog while it is open
    // The user's auto-refresh while the Catalog has turned it on for itself: the value saved.
    std::optional<bool> autorefreshBeforeCatalog;
    RECT monitorRect{};              // the monitor that holds the window's centre
    RECT workAreaRect{};             // and its work area
    int frameWidth = 0, frameHeight = 0;  // sizing-frame metrics at `dpi`
    // The DPI the window is shown at, and what the interface has at it: the status bar's font and
    // the window's icons (large for Alt+Tab, small for the caption, task bar and tray).
    int dpi = kDesignDpi;
    GdiFont statusBarFont;
    IconHandle largeIcon, smallIcon;
    bool sizingMove = false;         // the user is moving or sizing the window
    int windowedLayout = 0;          // the windowed layout kept while full screen

    // Per-window alpha, looked up at run time; null when the system lacks it.
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;

    int monitorWidth() const { return monitorRect.right - monitorRect.left; }
    int monitorHeight() const { return monitorRect.bottom - monitorRect.top; }
};
