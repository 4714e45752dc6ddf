// The shell's context menu for files and its verbs.
#include <windows.h>

#include "shell_menu.h"

#include <shlobj.h>

#include "core/win_handles.h"
#include "fileops/shell_objects.h"

namespace {

constexpr UINT kFirstShellCommand = 1;
constexpr UINT kLastShellCommand = 30000;

// While the menu is open, the owner's window procedure passes the messages that draw the shell's
// submenus to the menu object. One such menu at a time.
WNDPROC previousProcedure = nullptr;
IContextMenu2* menuObject = nullptr;

LRESULT CALLBACK menuOwnerProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (menuObject && (message == WM_INITMENUPOPUP || ((message == WM_DRAWITEM || message == WM_MEASUREITEM) && wParam == 0))) {
        menuObject->HandleMenuMsg(message, wParam, lParam);
        return 0;
    }
    return CallWindowProcW(previousProcedure, window, message, wParam, lParam);
}

CMINVOKECOMMANDINFO commandInfo(LPCSTR verb) {
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof(info);
    info.hwnd = nullptr;
    info.lpVerb = verb;
    info.nShow = SW_SHOWNORMAL;
    return info;
}

}  // namespace

void showShellContextMenu(const std::vector<std::wstring>& paths, POINT point, HWND owner) {
    if (paths.empty() || previousProcedure) return;
    IContextMenu* plain = nullptr;
    if (!shellObjectForPaths(paths, IID_IContextMenu, reinterpret_cast<void**>(&plain)) || !plain) return;
    ComPtr<IContextMenu> menu(plain);
    IContextMenu2* upgraded = nullptr;
    IContextMenu3* third = nullptr;
    if (SUCCEEDED(plain->QueryInterface(IID_IContextMenu3, reinterpret_cast<void**>(&third))) && third)
        upgraded = third;
    else if (FAILED(plain->QueryInterface(IID_IContextMenu2, reinterpret_cast<void**>(&upgraded))))
        upgraded = nullptr;
    ComPtr<IContextMenu2> handler(upgraded);

    MenuHandle popup(CreatePopupMenu());
    if (!popup) return;
    if (FAILED(plain->QueryContextMenu(popup.get(), 0, kFirstShellCommand, kLastShellCommand, CMF_EXPLORE))) return;

    if (handler && owner) {
        menuObject = handler.get();
        previousProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(menuOwnerProcedure)));
    }
    const UINT chosen = static_cast<UINT>(TrackPopupMenuEx(popup.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x,
                                                           point.y, owner, nullptr));
    if (previousProcedure) {
        SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previousProcedure));
        previousProcedure = nullptr;
    }
    menuObject = nullptr;
    if (chosen >= kFirstShellCommand && chosen <= kLastShellCommand) {
        CMINVOKECOMMANDINFO info = commandInfo(MAKEINTRESOURCEA(chosen - kFirstShellCommand));
        plain->InvokeCommand(&info);
    }
}

bool invokeShellVerb(const std::vector<std::wstring>& paths, const char* verb) {
    IContextMenu* plain = nullptr;
    if (!shellObjectForPaths(paths, IID_IContextMenu, reinterpret_cast<void**>(&plain)) || !plain) return false;
    ComPtr<IContextMenu> menu(plain);
    CMINVOKECOMMANDINFO info = commandInfo(verb);
    return SUCCEEDED(plain->InvokeCommand(&info));
}
