// The system-wide show/hide hotkey: registering it for the main window, the dialog that chooses
// it, and taking it over from an instance that is closing.
#pragma once

#include <windows.h>

#include <string>

#include "core/language_table.h"
#include "core/window_messages.h"

// The hotkey record the Viewer keeps: the hidemod and hidekey settings, the identifier the hotkey
// is registered under (1351) and whether the last registration succeeded.
struct HotkeyState {
    int modifiers = 1;  // hidemod: 1 Alt, 2 Ctrl, 4 Shift, 8 Win
    int key = 27;       // hidekey: a virtual-key code
    int id = kHideHotkeyId;
    bool registered = false;
};

// Registers the record's combination for the window under its identifier and records the outcome
// (start-up). A failure is silent: `registered` is then false.
bool registerShowHideHotkey(HWND window, HotkeyState& state);

// Makes `modifiers` + `key` the hotkey. The old combination is released, so it stops acting and is
// free for other programs; when the new one cannot be registered (another program holds it) the
// old one is taken back and the record is unchanged. True when the new combination is registered
// and stored in the record.
bool changeShowHideHotkey(HWND window, HotkeyState& state, int modifiers, int key);

// After other instances were asked to close: while the record is not registered, tries again up to
// `attempts` times, `waitMs` apart (the closing instance gives its hotkey up as it ends).
bool retryShowHideHotkey(HWND window, HotkeyState& state, int attempts = 10, DWORD waitMs = 100);

// Whether a WM_HOTKEY identifier is the show/hide hotkey (the others are ignored).
inline bool isShowHideHotkey(WPARAM id, const HotkeyState& state) { return id == static_cast<WPARAM>(state.id); }

// The displayable name of a key for the dialog: empty for the keys that are never chosen (Enter and
// the modifiers), for keys without a scan code, and for keys the keyboard layout does not name.
// At most 10 characters.
std::wstring hotkeyKeyName(int virtualKey);

// The hotkey dialog (template 410), modal, owned by `owner`. It shows the key's name and the
// modifiers, takes the highest named key held down at each 50 ms tick, and on OK registers a
// changed combination (see changeShowHideHotkey); a combination that cannot be registered shows
// "Hotkey unavailable", one without a modifier says that a modifier is needed, and the dialog stays
// open. OK without a change, Cancel and closing change
// nothing. Texts come from the dialog strings 26..31, 0 and 1. Returns true when OK closed it.
// The caller brackets it like every modal dialog (slideshow suspended, cursor shown).
bool hotkeyDialog(HINSTANCE instance, HWND owner, const LanguageTable& language, HWND hotkeyWindow,
                  HotkeyState& state);
