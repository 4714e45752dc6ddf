// The program's place in the shell: the tray icon, the show/hide hotkey, the pinned menus, the
// Blackbox shell and the picture pasted from the clipboard.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/window_messages.h"
#include "shell/command_rows.h"

struct ShellState {
    NOTIFYICONDATAW trayIconData{};  // the tray icon's record (added only in tray or wallpaper mode)
    int hotkeyId = kHideHotkeyId;
    bool hotkeyRegistered = false;
    MenuPins pins;                   // the pinned Main Menu levels
    HWND blackboxWindow = nullptr;
    bool blackboxPresent = false;
    bool skinPending = false;        // the skin messages are still to be posted at the first paint
    const std::wstring pastedImageName = L"Clipboard_Image";  // the path shown for a pasted picture
};
