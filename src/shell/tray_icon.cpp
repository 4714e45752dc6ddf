#include <windows.h>

#include "shell/tray_icon.h"

#include "display/caption_text.h"

void fillTrayIconData(NOTIFYICONDATAW& data, HWND mainWindow, HICON icon, const wchar_t* tip) {
    data = NOTIFYICONDATAW{};
    data.cbSize = sizeof(data);
    data.hWnd = mainWindow;
    data.uID = 0;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = MainMessage::TrayNotify;
    data.hIcon = icon;
    lstrcpynW(data.szTip, tip ? tip : L"", 128);  // 127 characters and the terminator
}

bool addTrayIcon(NOTIFYICONDATAW& data) { return Shell_NotifyIconW(NIM_ADD, &data) != FALSE; }

bool removeTrayIcon(NOTIFYICONDATAW& data) { return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE; }

bool updateTrayTip(NOTIFYICONDATAW& data, const std::wstring& caption) {
    const std::wstring tip = trayTipText(caption);
    lstrcpynW(data.szTip, tip.c_str(), 128);
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool trayIconShown(NOTIFYICONDATAW& data) {
    NOTIFYICONDATAW probe{};
    probe.cbSize = sizeof(probe);
    probe.hWnd = data.hWnd;
    probe.uID = data.uID;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

namespace {

void setTaskbarButton(HWND window, bool button) {
    const LONG_PTR exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
    SetWindowLongPtrW(window, GWL_EXSTYLE, button ? exStyle | WS_EX_APPWINDOW : exStyle & ~WS_EX_APPWINDOW);
}

}  // namespace

void applyTrayIcon(HWND mainWindow, NOTIFYICONDATAW& data, bool trayicon) {
    // The task bar looks at the style when a window is shown: hide, change, show.
    ShowWindow(mainWindow, SW_HIDE);
    setTaskbarButton(mainWindow, !trayicon);
    if (trayicon)
        addTrayIcon(data);
    else
        removeTrayIcon(data);
    ShowWindow(mainWindow, SW_SHOW);
}

void applyTrayIconAtStart(HWND mainWindow, NOTIFYICONDATAW& data, bool trayicon) {
    if (trayicon)
        addTrayIcon(data);
    else
        setTaskbarButton(mainWindow, true);
}

TrayAction onTrayNotify(HWND mainWindow, UINT mouseMessage, const TrayHandlers& handlers) {
    const TrayAction action = trayActionFor(mouseMessage);
    switch (action) {
    case TrayAction::ToggleShowHide:
        if (handlers.toggleShowHide) handlers.toggleShowHide();
        break;
    case TrayAction::OpenMenu: {
        POINT cursor{};
        GetCursorPos(&cursor);
        if (handlers.openMenu) handlers.openMenu(cursor);
        PostMessageW(mainWindow, WM_NULL, 0, 0);
        break;
    }
    case TrayAction::None:
        break;
    }
    return action;
}

