#include <windows.h>

#include "shell/hotkey.h"

#include <vector>

#include "core/app.h"
#include "core/command_ids.h"
#include "shell/background_logic.h"

namespace {

constexpr UINT_PTR kKeyScanTimer = 1030;
constexpr UINT kKeyScanMs = 50;

bool registerCombination(HWND window, int id, int modifiers, int key) {
    HotkeyCombination combination;
    if (!hotkeyCombination(modifiers, key, combination)) return false;
    return RegisterHotKey(window, id, static_cast<UINT>(combination.modifiers), static_cast<UINT>(combination.key)) !=
           FALSE;
}

struct HotkeyDialogContext {
    const LanguageTable* language;
    HWND hotkeyWindow;
    HotkeyState* state;
    int currentKey;
};

void setText(HWND dialog, int control, const std::wstring& text) { SetDlgItemTextW(dialog, control, text.c_str()); }

bool checked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

void initialiseDialog(HWND dialog, HotkeyDialogContext& context) {
    const LanguageTable& language = *context.language;
    SetWindowTextW(dialog, language.dialogText(26).c_str());
    setText(dialog, IDC_HOTKEY_NAME, language.dialogText(27));
    setText(dialog, IDC_HOTKEY_CONTROL, language.dialogText(28));
    setText(dialog, IDC_HOTKEY_SHIFT, language.dialogText(29));
    setText(dialog, IDC_HOTKEY_ALT, language.dialogText(30));
    setText(dialog, IDC_HOTKEY_WIN, language.dialogText(31));
    setText(dialog, IDOK, language.dialogText(0));
    setText(dialog, IDC_HOTKEY_CANCEL, language.dialogText(1));

    context.currentKey = context.state->key;
    const std::wstring name = hotkeyKeyName(context.currentKey);
    if (!name.empty()) setText(dialog, IDC_HOTKEY_NAME, name);

    const HotkeyChecks checks = checksFromModifiers(context.state->modifiers);
    CheckDlgButton(dialog, IDC_HOTKEY_CONTROL, checks.control ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_SHIFT, checks.shift ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_ALT, checks.alt ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_HOTKEY_WIN, checks.win ? BST_CHECKED : BST_UNCHECKED);
    SetTimer(dialog, kKeyScanTimer, kKeyScanMs, nullptr);
}

void scanKeys(HWND dialog, HotkeyDialogContext& context) {
    int key = 0;
    std::wstring name;
    if (scanHeldKey([](int code) { return (GetAsyncKeyState(code) & 0x8000) != 0; }, hotkeyKeyName, key, name)) {
        context.currentKey = key;
        setText(dialog, IDC_HOTKEY_NAME, name);
    }
}

void confirm(HWND dialog, HotkeyDialogContext& context) {
    KillTimer(dialog, kKeyScanTimer);
    const int modifiers = modifiersFromChecks({checked(dialog, IDC_HOTKEY_CONTROL), checked(dialog, IDC_HOTKEY_SHIFT),
                                               checked(dialog, IDC_HOTKEY_ALT), checked(dialog, IDC_HOTKEY_WIN)});
    HotkeyState& state = *context.state;
    if ((modifiers & kHotkeyModifierMask) == 0) {
        showMessage(context.language->message(kMsgHotkeyNeedsModifier), kInformation);
        SetTimer(dialog, kKeyScanTimer, kKeyScanMs, nullptr);
        return;
    }
    if (modifiers == state.modifiers && context.currentKey == state.key) {
        EndDialog(dialog, IDOK);
        return;
    }
    if (changeShowHideHotkey(context.hotkeyWindow, state, modifiers, context.currentKey)) {
        EndDialog(dialog, IDOK);
        return;
    }
    showMessage(context.language->message(kMsgHotkeyUnavailable), kInformation);
    SetTimer(dialog, kKeyScanTimer, kKeyScanMs, nullptr);
}

INT_PTR CALLBACK hotkeyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* context = reinterpret_cast<HotkeyDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        context = reinterpret_cast<HotkeyDialogContext*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        initialiseDialog(dialog, *context);
        return TRUE;
    case WM_TIMER:
        if (wParam == kKeyScanTimer && context) scanKeys(dialog, *context);
        return TRUE;
    case WM_COMMAND:
        if (!context) return FALSE;
        switch (LOWORD(wParam)) {
        case IDOK:
            confirm(dialog, *context);
            return TRUE;
        case IDC_HOTKEY_CANCEL:
            KillTimer(dialog, kKeyScanTimer);
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDCANCEL:
            // The Escape key: it may be the key being chosen, so it does not close the dialog.
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CLOSE:
        KillTimer(dialog, kKeyScanTimer);
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

bool registerShowHideHotkey(HWND window, HotkeyState& state) {
    state.registered = registerCombination(window, state.id, state.modifiers, state.key);
    return state.registered;
}

bool changeShowHideHotkey(HWND window, HotkeyState& state, int modifiers, int key) {
    // Registering again under the same identifier keeps the old combination acting on Windows (and
    // replaces it elsewhere): release it first, and take it back if the new one is refused.
    const bool hadOld = state.registered;
    if (hadOld) UnregisterHotKey(window, state.id);
    if (registerCombination(window, state.id, modifiers, key)) {
        state.modifiers = modifiers;
        state.key = key;
        state.registered = true;
        return true;
    }
    if (hadOld) state.registered = registerCombination(window, state.id, state.modifiers, state.key);
    return false;
}

bool retryShowHideHotkey(HWND window, HotkeyState& state, int attempts, DWORD waitMs) {
    for (int attempt = 0; attempt < attempts && !state.registered; ++attempt) {
        Sleep(waitMs);
        registerShowHideHotkey(window, state);
    }
    return state.registered;
}

std::wstring hotkeyKeyName(int virtualKey) {
    if (virtualKey < 0 || virtualKey > 255) return {};
    const UINT scanCode = MapVirtualKeyW(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    const long request = keyNameRequest(virtualKey, scanCode);
    if (request == 0) return {};
    std::vector<wchar_t> buffer(64, L'\0');
    const int length = GetKeyNameTextW(request, buffer.data(), static_cast<int>(buffer.size()));
    if (length <= 0) return {};
    std::wstring name(buffer.data(), static_cast<size_t>(length));
    if (name.size() > kKeyNameChars) name.resize(kKeyNameChars);
    return name;
}

bool hotkeyDialog(HINSTANCE instance, HWND owner, const LanguageTable& language, HWND hotkeyWindow,
                  HotkeyState& state) {
    HotkeyDialogContext context{&language, hotkeyWindow, &state, state.key};
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_HOTKEY), owner, hotkeyDialogProc,
                           reinterpret_cast<LPARAM>(&context)) == IDOK;
}
