#include <windows.h>

#include "shell/single_instance.h"

#include <string>

#include "shell/background_logic.h"

namespace {

std::wstring classOf(HWND window) {
    // Class names are at most 256 characters.
    wchar_t name[257] = {};
    const int length = GetClassNameW(window, name, 257);
    return length > 0 ? std::wstring(name, static_cast<size_t>(length)) : std::wstring();
}

struct Enumeration {
    HWND own;
    int posted;
};

BOOL CALLBACK askToClose(HWND window, LPARAM data) {
    auto& enumeration = *reinterpret_cast<Enumeration*>(data);
    if (window != enumeration.own && isInstanceMainWindow(window) &&
        PostMessageW(window, MainMessage::CloseInstance, 0, 0))
        ++enumeration.posted;
    return TRUE;
}

}  // namespace

bool isInstanceMainWindow(HWND window) {
    HWND owner = GetWindow(window, GW_OWNER);
    if (!owner) return false;
    DWORD windowProcess = 0, ownerProcess = 0;
    GetWindowThreadProcessId(window, &windowProcess);
    GetWindowThreadProcessId(owner, &ownerProcess);
    return isInstanceMainWindow(classOf(window), classOf(owner), windowProcess != 0 && windowProcess == ownerProcess);
}

int closeOtherInstances(HWND ownMainWindow) {
    Enumeration enumeration{ownMainWindow, 0};
    EnumWindows(askToClose, reinterpret_cast<LPARAM>(&enumeration));
    return enumeration.posted;
}
