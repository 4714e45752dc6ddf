// The tray icon that stands in for the task-bar button, and what its clicks do.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "core/window_messages.h"
#include "shell/background_logic.h"

// The icon record of the main window: identifier 0, message, icon and tip, the notification
// message MainMessage::TrayNotify (lParam: the mouse message), the tip cut to 127 characters.
void fillTrayIconData(NOTIFYICONDATAW& data, HWND mainWindow, HICON icon, const wchar_t* tip);

// Adds the icon to the notification area; a failure of the shell is not an error of the program.
bool addTrayIcon(NOTIFYICONDATAW& data);
// Removes it; false when it was not there.
bool removeTrayIcon(NOTIFYICONDATAW& data);
// Puts a caption into the tip (cut to 127 UTF-16 units, never splitting a surrogate pair) and, when
// the icon is shown, updates it there. False when the icon is not shown.
bool updateTrayTip(NOTIFYICONDATAW& data, const std::wstring& caption);

// Whether the icon is in the notification area now (a harmless modification succeeds only then).
bool trayIconShown(NOTIFYICONDATAW& data);

// Applies the trayicon setting to a running window (command 1304): the window is hidden; with
// the setting on it loses its task-bar button (the app-window style; the owned main window then
// has none) and the icon is added, with it off it gets its button back and the icon goes; the
// window is shown again.
void applyTrayIcon(HWND mainWindow, NOTIFYICONDATAW& data, bool trayicon);

// Start-up: the icon when the setting is on, else the task-bar button.
void applyTrayIconAtStart(HWND mainWindow, NOTIFYICONDATAW& data, bool trayicon);

struct TrayHandlers {
    std::function<void()> toggleShowHide;   // Viewer::toggleShowHide
    std::function<void(POINT)> openMenu;    // Viewer::showMainMenu(x, y, 0)
};

// The icon's notification (WM_USER+1 with the mouse message in lParam): a left press toggles
// show/hide; a right release opens the menu at the cursor and then posts WM_NULL to the main
// window, so that the menu closes normally. Returns what was done.
TrayAction onTrayNotify(HWND mainWindow, UINT mouseMessage, const TrayHandlers& handlers);

