// Living in the background without the platform: what a click on the tray icon does, the
// show/hide hotkey's modifier bits and the keys that may be chosen for it, and how the
// main window of another running instance is recognised.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// ---- Tray icon -------------------------------------------------------------------------------

enum class TrayAction { None, ToggleShowHide, OpenMenu };

// The action for the mouse message the tray icon reports: a left button press toggles show/hide,
// a right button release opens the Main Menu; every other message is ignored.
TrayAction trayActionFor(unsigned mouseMessage);


// ---- Show/hide hotkey ------------------------------------------------------------------------

// Modifier bits as the hidemod setting stores them (the same bits the platform's hotkeys take).
enum HotkeyModifier : int { kModAlt = 1, kModControl = 2, kModShift = 4, kModWin = 8 };
inline constexpr int kHotkeyModifierMask = kModAlt | kModControl | kModShift | kModWin;

struct HotkeyChecks {
    bool control = false, shift = false, alt = false, win = false;
    bool operator==(const HotkeyChecks&) const = default;
};
HotkeyChecks checksFromModifiers(int modifiers);
int modifiersFromChecks(const HotkeyChecks& checks);

// The hotkey the program registers for a setting: the modifier bits it knows, and a key code in
// 1..254; false for a key outside that range, which no registration can take, and for a key without
// any modifier, which would take that key away from every program.
struct HotkeyCombination {
    int modifiers = 0;
    int key = 0;
};
bool hotkeyCombination(int hidemod, int hidekey, HotkeyCombination& combination);

// Keys that are never taken as the hotkey's key: Enter, the modifier keys themselves (Shift, Ctrl,
// Alt, both Windows keys and the left/right variants of Shift, Ctrl and Alt).
bool isExcludedHotkeyKey(int virtualKey);
// Keys whose name is asked for with the extended-key bit: Page Up/Down, End, Home, the arrows,
// Insert, Delete and Num Lock.
bool isExtendedNameKey(int virtualKey);
// The key-name request for a key's scan code: scan code << 16, with the extended bit (bit 24) for
// the keys above. 0 for an excluded key or a scan code of 0 (no name).
long keyNameRequest(int virtualKey, unsigned scanCode);
inline constexpr size_t kKeyNameChars = 10;

// One scan of the keyboard: every key code 0..255 that is down and has a displayable name, in
// ascending order, so of several keys held together the highest code wins. keyName gives the
// name of a key ("" when it has none). Returns whether a key was found; key and name then hold it.
bool scanHeldKey(const std::function<bool(int)>& isDown, const std::function<std::wstring(int)>& keyName, int& key,
                 std::wstring& name);

// ---- Other instances -------------------------------------------------------------------------

// The class of the hidden window that owns each instance's main window.
inline constexpr const wchar_t* kOwnerWindowClass = L"Glimvue";
// The standard dialog class of the main window.
inline constexpr const wchar_t* kDialogWindowClass = L"#32770";

// A top-level window is the main window of an instance when it is a dialog owned by a window of the
// owner class, in the same process as its owner. Class names compare without regard to case, as
// the platform compares them.
bool isInstanceMainWindow(const std::wstring& windowClass, const std::wstring& ownerClass, bool sameProcessAsOwner);
