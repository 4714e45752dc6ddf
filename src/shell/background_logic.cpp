#include "background_logic.h"

#include "core/text.h"

namespace {

// Mouse messages of the tray notification.
constexpr unsigned kLeftButtonDown = 0x0201;  // WM_LBUTTONDOWN
constexpr unsigned kRightButtonUp = 0x0205;   // WM_RBUTTONUP

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

TrayAction trayActionFor(unsigned mouseMessage) {
    switch (mouseMessage) {
    case kLeftButtonDown: return TrayAction::ToggleShowHide;
    case kRightButtonUp: return TrayAction::OpenMenu;
    default: return TrayAction::None;
    }
}

HotkeyChecks checksFromModifiers(int modifiers) {
    return {(modifiers & kModControl) != 0, (modifiers & kModShift) != 0, (modifiers & kModAlt) != 0,
            (modifiers & kModWin) != 0};
}

int modifiersFromChecks(const HotkeyChecks& checks) {
    return (checks.control ? kModControl : 0) | (checks.alt ? kModAlt : 0) | (checks.shift ? kModShift : 0) |
           (checks.win ? kModWin : 0);
}

bool hotkeyCombination(int hidemod, int hidekey, HotkeyCombination& combination) {
    if (hidekey < 1 || hidekey > 254 || (hidemod & kHotkeyModifierMask) == 0) return false;
    combination.modifiers = hidemod & kHotkeyModifierMask;
    combination.key = hidekey;
    return true;
}

bool isExcludedHotkeyKey(int virtualKey) {
    switch (virtualKey) {
    case 13:                           // Enter
    case 16: case 17: case 18:         // Shift, Ctrl, Alt
    case 91: case 92:                  // left and right Windows keys
    case 160: case 161: case 162:      // left/right Shift, left/right Ctrl,
    case 163: case 164: case 165:      // left/right Alt
        return true;
    default:
        return false;
    }
}

bool isExtendedNameKey(int virtualKey) {
    return (virtualKey >= 33 && virtualKey <= 40) || virtualKey == 45 || virtualKey == 46 || virtualKey == 144;
}

long keyNameRequest(int virtualKey, unsigned scanCode) {
    if (scanCode == 0 || isExcludedHotkeyKey(virtualKey)) return 0;
    unsigned code = scanCode & 0xFF;
    if (isExtendedNameKey(virtualKey)) code |= 0x100;
    return static_cast<long>(code) << 16;
}

bool scanHeldKey(const std::function<bool(int)>& isDown, const std::function<std::wstring(int)>& keyName, int& key,
                 std::wstring& name) {
    bool found = false;
    for (int code = 0; code <= 255; ++code) {
        if (isExcludedHotkeyKey(code) || !isDown(code)) continue;
        std::wstring text = keyName(code);
        if (text.empty()) continue;
        if (text.size() > kKeyNameChars) {
            text.resize(kKeyNameChars);
            if (isHighSurrogate(text.back())) text.pop_back();
        }
        key = code;
        name = std::move(text);
        found = true;
    }
    return found;
}

bool isInstanceMainWindow(const std::wstring& windowClass, const std::wstring& ownerClass, bool sameProcessAsOwner) {
    return sameProcessAsOwner && equalsNoCase(windowClass, kDialogWindowClass) &&
           equalsNoCase(ownerClass, kOwnerWindowClass);
}
