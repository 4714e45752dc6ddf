// The shell's context menu for files and its verbs.
#include <windows.h>

#include "shell_menu.h"

#include <shlobj.h>

#include <string_view>

#include "core/win_handles.h"
#include "shell/menu_pins.h"
#include "fileops/shell_objects.h"

namespace {

// While a menu of the program is tracked: the down-arrow presses that select its highlighted item,
// still to be posted to the menu's window once it is made and then still to come, and whether the
// user gave a key or a mouse button.
int downsToPost = 0;
int pendingDowns = 0;
bool userInputSeen = false;
// Where the pointer was when the menu opened with an item selected: a mouse-move report from there
// (the system reports one when a window appears) is no movement and does not take the selection away.
POINT pointerAtOpening{};
bool keepSelectionFromStillPointer = false;
// A menu the system takes away goes within this time of opening (the windows a command changed
// settling); later it is the user's doing (another program brought to the front).
constexpr DWORD kSettlingMs = 2000;

// The menu's window is being made: the presses go to it before it shows, so they come before any
// key of the user.
LRESULT CALLBACK menuWindowWatch(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && downsToPost > 0) {
        const auto window = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring_view(name) == L"#32768")
            for (; downsToPost > 0; --downsToPost, ++pendingDowns) PostMessageW(window, WM_KEYDOWN, VK_DOWN, 1);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Every message of the menu's loop passes here before the menu sees it.
LRESULT CALLBACK menuInputFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_MENU && lParam) {
        const MSG& message = *reinterpret_cast<const MSG*>(lParam);
        if (message.message == WM_MOUSEMOVE && keepSelectionFromStillPointer && message.pt.x == pointerAtOpening.x &&
            message.pt.y == pointerAtOpening.y)
            return 1;  // not passed to the menu
        const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        const bool button = (message.message >= WM_LBUTTONDOWN && message.message <= WM_MBUTTONDBLCLK) ||
                            (message.message >= WM_NCLBUTTONDOWN && message.message <= WM_NCMBUTTONDBLCLK);
        if (message.message == WM_KEYDOWN && message.wParam == VK_DOWN && pendingDowns > 0)
            --pendingDowns;
        else if (key || button)
            userInputSeen = true;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

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

TrackedMenu trackMenu(HMENU menu, int x, int y, HWND owner, UINT highlight) {
    std::vector<bool> separators;
    int position = -1;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        separators.push_back((GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0);
        if (highlight != 0 && GetMenuItemID(menu, i) == highlight) position = i;
    }
    downsToPost = downsToReach(separators, position);
    pendingDowns = 0;
    userInputSeen = false;
    keepSelectionFromStillPointer = downsToPost > 0 && GetCursorPos(&pointerAtOpening);
    const HookHandle watch(downsToPost > 0 ? SetWindowsHookExW(WH_CBT, menuWindowWatch, nullptr, GetCurrentThreadId())
                                           : nullptr);
    const HookHandle filter(SetWindowsHookExW(WH_MSGFILTER, menuInputFilter, nullptr, GetCurrentThreadId()));
    const DWORD opened = GetTickCount();
    TrackedMenu tracked;
    tracked.chosen = static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, x, y, owner, nullptr));
    tracked.byUser = tracked.chosen != 0 || userInputSeen || !filter || GetTickCount() - opened > kSettlingMs;
    downsToPost = pendingDowns = 0;
    keepSelectionFromStillPointer = false;
    return tracked;
}
