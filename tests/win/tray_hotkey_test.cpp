// The tray icon in place of the task-bar button and its clicks and menu; the show/hide hotkey
// registered, pressed, changed, taken over from a closing instance, and chosen in its dialog with
// real key presses.
#include <windows.h>

#include "win_test_support.h"

#include <atomic>
#include <thread>

#include "core/app.h"
#include "core/command_ids.h"
#include "shell/hotkey.h"
#include "shell/tray_icon.h"

using namespace wintest;

namespace {

HWND makeWindow(HWND owner, DWORD style = WS_POPUP | WS_CAPTION) {
    return CreateWindowExW(0, L"STATIC", L"test window", style, 10, 10, 200, 100, owner, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

bool hasTaskbarStyle(HWND window) { return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0; }

// Presses (down) or releases (up) keys as the keyboard would.
void sendKeys(std::initializer_list<WORD> keys, bool down) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Waits (without handling messages: for helper threads) until the condition holds.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (condition()) return true;
        Sleep(10);
    }
    return condition();
}

// Handles the window's pending messages; whether WM_NULL was among them. (A filter of WM_NULL to
// WM_NULL would mean no filter at all.)
bool handledNull(HWND window) {
    bool seen = false;
    MSG msg;
    for (int count = 0; count < 1000 && PeekMessageW(&msg, window, 0, 0, PM_REMOVE); ++count) {
        if (msg.message == WM_NULL) seen = true;
        DispatchMessageW(&msg);
    }
    return seen;
}

std::wstring itemText(HWND dialog, int control) {
    wchar_t text[128] = {};
    GetDlgItemTextW(dialog, control, text, 128);
    return text;
}

// ---- Tray icon -------------------------------------------------------------------------------

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        owner_ = makeWindow(nullptr, WS_POPUP);
        main_ = makeWindow(owner_);
        ASSERT_TRUE(owner_ && main_);
        fillTrayIconData(data_, main_, LoadIconW(nullptr, IDI_APPLICATION), L"Glimvue");
    }
    void TearDown() override {
        if (trayIconShown(data_)) removeTrayIcon(data_);  // (a removal takes a while under Wine)
        DestroyWindow(main_);
        DestroyWindow(owner_);
    }
    HWND owner_ = nullptr, main_ = nullptr;
    NOTIFYICONDATAW data_{};
};

TEST_F(TrayTest, TheIconReplacesTheTaskbarButtonAndBack) {
    // Start-up with the setting off: a task-bar button, no icon.
    applyTrayIconAtStart(main_, data_, false);
    ShowWindow(main_, SW_SHOW);
    EXPECT_TRUE(hasTaskbarStyle(main_));
    EXPECT_FALSE(trayIconShown(data_));

    // Tray Icon on: the owned window loses its button, the icon is there, the window still shows.
    applyTrayIcon(main_, data_, true);
    EXPECT_FALSE(hasTaskbarStyle(main_));
    EXPECT_EQ(GetWindow(main_, GW_OWNER), owner_);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_TRUE(trayIconShown(data_));

    // And off again.
    applyTrayIcon(main_, data_, false);
    EXPECT_TRUE(hasTaskbarStyle(main_));
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_FALSE(trayIconShown(data_));

    // Start-up with the setting on: the icon and no button.
    SetWindowLongPtrW(main_, GWL_EXSTYLE, GetWindowLongPtrW(main_, GWL_EXSTYLE) & ~WS_EX_APPWINDOW);
    applyTrayIconAtStart(main_, data_, true);
    EXPECT_FALSE(hasTaskbarStyle(main_));
    EXPECT_TRUE(trayIconShown(data_));

    // The tip follows the caption while the icon is shown (its cut is tested with the caption texts).
    EXPECT_TRUE(updateTrayTip(data_, L"picture.jpg - Glimvue"));
    EXPECT_STREQ(data_.szTip, L"picture.jpg - Glimvue");
}

TEST_F(TrayTest, LeftPressTogglesRightReleaseOpensTheMenu) {
    int toggles = 0;
    std::vector<POINT> menus;
    const TrayHandlers handlers{[&] { ++toggles; }, [&](POINT at) { menus.push_back(at); }};
    handledNull(main_);

    EXPECT_EQ(onTrayNotify(main_, WM_LBUTTONDOWN, handlers), TrayAction::ToggleShowHide);
    EXPECT_EQ(toggles, 1);
    EXPECT_TRUE(menus.empty());

    SetCursorPos(321, 234);
    POINT cursor{};
    GetCursorPos(&cursor);
    EXPECT_EQ(onTrayNotify(main_, WM_RBUTTONUP, handlers), TrayAction::OpenMenu);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].x, cursor.x);
    EXPECT_EQ(menus[0].y, cursor.y);
    EXPECT_TRUE(handledNull(main_)) << "WM_NULL follows the menu";

    for (UINT other : {WM_LBUTTONUP, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONDBLCLK, WM_MBUTTONUP})
        EXPECT_EQ(onTrayNotify(main_, other, handlers), TrayAction::None);
    EXPECT_EQ(toggles, 1);
    EXPECT_EQ(menus.size(), 1u);
}

// ---- Hotkey ----------------------------------------------------------------------------------

constexpr int kCtrlShift = kModControl | kModShift;

class HotkeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = makeWindow(nullptr);
        other_ = makeWindow(nullptr);
        ASSERT_TRUE(window_ && other_);
    }
    void TearDown() override {
        for (int id : {1351, 7, 8, 9}) {
            UnregisterHotKey(window_, id);
            UnregisterHotKey(other_, id);
        }
        DestroyWindow(window_);
        DestroyWindow(other_);
    }
    HWND window_ = nullptr, other_ = nullptr;
};

TEST_F(HotkeyTest, PressingTheRegisteredCombinationReachesTheWindow) {
    HotkeyState state{kCtrlShift, VK_F9, 1351, false};
    ASSERT_TRUE(registerShowHideHotkey(window_, state));
    EXPECT_TRUE(state.registered);

    // Keys go to the active window's thread: make one active (another window of ours).
    ShowWindow(other_, SW_SHOW);
    SetForegroundWindow(other_);
    pumpUntil([] { return false; }, 100);
    sendKeys({VK_CONTROL, VK_SHIFT, VK_F9}, true);
    sendKeys({VK_F9, VK_SHIFT, VK_CONTROL}, false);
    WPARAM id = 0;
    for (ULONGLONG end = GetTickCount64() + 5000; id == 0 && GetTickCount64() < end;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_HOTKEY && msg.hwnd == window_) id = msg.wParam;
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    EXPECT_EQ(id, 1351u);
    EXPECT_TRUE(isShowHideHotkey(id, state));
    EXPECT_FALSE(isShowHideHotkey(7, state));

    // A combination someone else holds is not registered, silently.
    HotkeyState second{kCtrlShift, VK_F9, 1351, true};
    EXPECT_FALSE(registerShowHideHotkey(other_, second));
    EXPECT_FALSE(second.registered);
    HotkeyState badKey{1, 0, 1351, true};
    EXPECT_FALSE(registerShowHideHotkey(other_, badKey));
}

TEST_F(HotkeyTest, ChangingReleasesTheOldCombinationOrKeepsItWhenTheNewIsTaken) {
    HotkeyState state{kCtrlShift, VK_F9, 1351, false};
    ASSERT_TRUE(registerShowHideHotkey(window_, state));
    ASSERT_TRUE(RegisterHotKey(other_, 7, kCtrlShift, VK_F10));

    // Taken by another window: refused, the old combination still ours.
    EXPECT_FALSE(changeShowHideHotkey(window_, state, kCtrlShift, VK_F10));
    EXPECT_EQ(state.key, VK_F9);
    EXPECT_TRUE(state.registered);
    EXPECT_FALSE(RegisterHotKey(other_, 8, kCtrlShift, VK_F9)) << "the old combination is still held";

    // A free one: taken, and the old one given up.
    EXPECT_TRUE(changeShowHideHotkey(window_, state, kCtrlShift, VK_F11));
    EXPECT_EQ(state.modifiers, kCtrlShift);
    EXPECT_EQ(state.key, VK_F11);
    EXPECT_TRUE(RegisterHotKey(other_, 8, kCtrlShift, VK_F9)) << "the old combination was released";
    EXPECT_FALSE(RegisterHotKey(other_, 9, kCtrlShift, VK_F11));

    EXPECT_FALSE(changeShowHideHotkey(window_, state, kCtrlShift, 0));
    EXPECT_EQ(state.key, VK_F11);
    EXPECT_TRUE(state.registered);
}

TEST_F(HotkeyTest, TakenOverFromAnInstanceThatIsClosing) {
    constexpr int kCtrlAlt = kModControl | kModAlt;
    std::atomic<bool> held{false};
    std::thread closing([&] {
        held = RegisterHotKey(nullptr, 5, kCtrlAlt, VK_F12) != FALSE;
        Sleep(300);
        UnregisterHotKey(nullptr, 5);
    });
    waitUntil([&] { return held.load(); });
    ASSERT_TRUE(held);
    HotkeyState state{kCtrlAlt, VK_F12, 1351, false};
    EXPECT_FALSE(registerShowHideHotkey(window_, state));
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(retryShowHideHotkey(window_, state));
    EXPECT_LT(GetTickCount64() - start, 1100u);
    closing.join();

    // One that never lets go: given up after the attempts.
    ASSERT_TRUE(RegisterHotKey(other_, 7, kCtrlAlt, VK_F11));
    HotkeyState blocked{kCtrlAlt, VK_F11, 1351, false};
    EXPECT_FALSE(retryShowHideHotkey(window_, blocked, 3, 20));
    EXPECT_FALSE(blocked.registered);
}

// The hotkey dialog open on this thread; `drive` runs on a helper thread with the dialog's handle.
bool runDialog(HWND hotkeyWindow, HotkeyState& state, const std::function<void(HWND)>& drive) {
    LanguageTable language;
    std::atomic<bool> done{false};
    std::thread helper([&] {
        HWND dialog = nullptr;
        waitUntil([&] { return (dialog = FindWindowW(L"#32770", L"Hide/Show HotKey")) != nullptr; });
        if (dialog) drive(dialog);
        // Whatever happened, never leave the dialog open.
        if (!waitUntil([&] { return done.load(); }, 3000)) {
            ADD_FAILURE() << "the dialog did not close";
            if (HWND still = FindWindowW(L"#32770", L"Hide/Show HotKey"))
                PostMessageW(still, WM_COMMAND, IDC_HOTKEY_CANCEL, 0);
        }
    });
    const bool result = hotkeyDialog(GetModuleHandleW(nullptr), nullptr, language, hotkeyWindow, state);
    done = true;
    helper.join();
    return result;
}

TEST_F(HotkeyTest, DialogTakesTheHeldKeyAndRegistersTheNewCombination) {
    HotkeyState state{kModAlt, VK_ESCAPE, 1351, false};
    ASSERT_TRUE(registerShowHideHotkey(window_, state));
    const std::wstring escapeName = hotkeyKeyName(VK_ESCAPE), f8Name = hotkeyKeyName(VK_F8);
    ASSERT_FALSE(escapeName.empty());
    ASSERT_FALSE(f8Name.empty());
    EXPECT_TRUE(hotkeyKeyName(VK_CONTROL).empty());

    std::wstring shownFirst, shownAfterKey, boxes;
    const bool ok = runDialog(window_, state, [&](HWND dialog) {
        shownFirst = itemText(dialog, IDC_HOTKEY_NAME);
        for (int box : {IDC_HOTKEY_CONTROL, IDC_HOTKEY_SHIFT, IDC_HOTKEY_ALT, IDC_HOTKEY_WIN})
            boxes += itemText(dialog, box) + (IsDlgButtonChecked(dialog, box) ? L"+" : L"-") + L" ";
        boxes += itemText(dialog, IDOK) + L" " + itemText(dialog, IDC_HOTKEY_CANCEL);
        // Escape is a key that may be chosen: it does not close the dialog.
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        // Ctrl held with F8: F8 is the key; Control is ticked by hand.
        sendKeys({VK_CONTROL, VK_F8}, true);
        waitUntil([&] { return itemText(dialog, IDC_HOTKEY_NAME) == f8Name; }, 2000);
        sendKeys({VK_F8, VK_CONTROL}, false);
        Sleep(120);
        shownAfterKey = itemText(dialog, IDC_HOTKEY_NAME);
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_CONTROL), BM_CLICK, 0, 0);
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_ALT), BM_CLICK, 0, 0);
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(shownFirst, escapeName);
    EXPECT_EQ(boxes, L"Control- Shift- Alt+ Win- &Ok &Cancel");
    EXPECT_EQ(shownAfterKey, f8Name);
    EXPECT_EQ(state.modifiers, kModControl);
    EXPECT_EQ(state.key, VK_F8);
    EXPECT_TRUE(state.registered);
    EXPECT_FALSE(RegisterHotKey(other_, 7, kModControl, VK_F8)) << "Ctrl+F8 is registered";
    EXPECT_TRUE(RegisterHotKey(other_, 8, kModAlt, VK_ESCAPE)) << "Alt+Escape was given up";
}

TEST_F(HotkeyTest, DialogRefusesAKeyAloneAndKeepsTheOldCombinationWhenTheNewOneIsTaken) {
    HotkeyState state{kModAlt, VK_F6, 1351, false};
    ASSERT_TRUE(registerShowHideHotkey(window_, state));
    ASSERT_TRUE(RegisterHotKey(other_, 7, kModAlt, VK_F7));

    std::vector<std::wstring> messages;
    bool stillOpen = false;
    const bool ok = runDialog(window_, state, [&](HWND dialog) {
        // OK, then the message box's text read and the box closed.
        auto confirm = [&] {
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            HWND box = nullptr;
            waitUntil([&] { return (box = FindWindowW(L"#32770", app.productName)) != nullptr; });
            if (!box) return;
            messages.push_back(itemText(box, 0xFFFF));
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            waitUntil([&] { return !IsWindow(box); });
        };
        sendKeys({VK_F7}, true);
        waitUntil([&] { return itemText(dialog, IDC_HOTKEY_NAME) == hotkeyKeyName(VK_F7); }, 2000);
        sendKeys({VK_F7}, false);
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_ALT), BM_CLICK, 0, 0);  // F7 alone
        confirm();
        SendMessageW(GetDlgItem(dialog, IDC_HOTKEY_ALT), BM_CLICK, 0, 0);  // Alt+F7, held by another
        confirm();
        Sleep(100);
        stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        PostMessageW(dialog, WM_COMMAND, IDC_HOTKEY_CANCEL, 0);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"A hotkey needs Control, Shift, Alt or Win", L"Hotkey unavailable"}));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(state.modifiers, kModAlt);
    EXPECT_EQ(state.key, VK_F6);
    EXPECT_TRUE(state.registered);
    EXPECT_FALSE(RegisterHotKey(other_, 8, kModAlt, VK_F6)) << "the old combination is still held";
}

}  // namespace
