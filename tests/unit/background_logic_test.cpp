// The show/hide hotkey's keys and modifiers, other instances' main windows,
// and the part of the view that Copy View takes.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "shell/background_logic.h"
#include "shell/clipboard_logic.h"

namespace {

TEST(ShowHideHotkey, ModifierBitsAndTheirBoxes) {
    EXPECT_EQ(checksFromModifiers(1), (HotkeyChecks{false, false, true, false}));
    EXPECT_EQ(checksFromModifiers(2), (HotkeyChecks{true, false, false, false}));
    EXPECT_EQ(checksFromModifiers(4), (HotkeyChecks{false, true, false, false}));
    EXPECT_EQ(checksFromModifiers(8), (HotkeyChecks{false, false, false, true}));
    for (int bits = 0; bits < 16; ++bits) EXPECT_EQ(modifiersFromChecks(checksFromModifiers(bits)), bits);

    HotkeyCombination combination;
    ASSERT_TRUE(hotkeyCombination(1, 27, combination));  // the defaults: Alt+Escape
    EXPECT_EQ(combination.modifiers, 1);
    EXPECT_EQ(combination.key, 27);
    ASSERT_TRUE(hotkeyCombination(0x7FF3, 119, combination));  // unknown bits from a settings file
    EXPECT_EQ(combination.modifiers, 3);
    for (int key : {0, -5, 255, 256, 32767}) EXPECT_FALSE(hotkeyCombination(1, key, combination)) << key;
    // A key alone (Esc with hidemod=0) is no hotkey: every other program would lose that key.
    EXPECT_FALSE(hotkeyCombination(0, 27, combination) || hotkeyCombination(0x7FF0, 27, combination));
}

TEST(ShowHideHotkey, WhichKeysMayBeChosenAndHowTheirNamesAreAsked) {
    EXPECT_TRUE(isExcludedHotkeyKey(13) && isExcludedHotkeyKey(17) && isExcludedHotkeyKey(165));
    EXPECT_FALSE(isExcludedHotkeyKey(27) || isExcludedHotkeyKey(119));
    EXPECT_EQ(keyNameRequest(119, 0x42), 0x42L << 16);          // F8
    EXPECT_EQ(keyNameRequest(46, 0x53), 0x153L << 16);          // Delete: the extended bit, bit 24
    EXPECT_EQ(keyNameRequest(144, 0x45), 0x145L << 16);         // Num Lock
    EXPECT_EQ(keyNameRequest(119, 0), 0);                       // no scan code, no name
    EXPECT_EQ(keyNameRequest(17, 0x1D), 0);                     // Ctrl is never the key
}

TEST(ShowHideHotkey, ScanTakesTheHighestHeldKeyWithAName) {
    std::set<int> down;
    std::map<int, std::wstring> names{{17, L"Ctrl"}, {65, L"A"}, {119, L"F8"}, {200, L""},
                                      {120, L"AVeryLongKeyName"}};
    auto isDown = [&](int key) { return down.count(key) == 1; };
    auto nameOf = [&](int key) {
        const auto found = names.find(key);
        return found == names.end() ? std::wstring() : found->second;
    };
    int key = -1;
    std::wstring name = L"unchanged";
    EXPECT_FALSE(scanHeldKey(isDown, nameOf, key, name));
    EXPECT_EQ(key, -1);
    EXPECT_EQ(name, L"unchanged");

    down = {17, 119};  // Ctrl held with F8: F8 is the key
    EXPECT_TRUE(scanHeldKey(isDown, nameOf, key, name));
    EXPECT_EQ(key, 119);
    EXPECT_EQ(name, L"F8");
    down = {65, 119, 200};  // 200 has no name: the highest named key wins
    EXPECT_TRUE(scanHeldKey(isDown, nameOf, key, name));
    EXPECT_EQ(key, 119);
    down = {17};  // only Ctrl: nothing
    key = 0;
    EXPECT_FALSE(scanHeldKey(isDown, nameOf, key, name));
    EXPECT_EQ(key, 0);
    down = {120};
    EXPECT_TRUE(scanHeldKey(isDown, nameOf, key, name));
    EXPECT_EQ(name, L"AVeryLongK");  // at most 10 characters
}

TEST(OtherInstances, OnlyDialogsOwnedByTheOwnerClassAreMainWindows) {
    EXPECT_TRUE(isInstanceMainWindow(L"#32770", L"Glimvue", true));
    EXPECT_TRUE(isInstanceMainWindow(L"#32770", L"GLIMVUE", true));
    EXPECT_FALSE(isInstanceMainWindow(L"#32770", L"Glimvue", false));  // owner in another process
    EXPECT_FALSE(isInstanceMainWindow(L"#32770", L"Notepad", true));   // another program's dialog
    EXPECT_FALSE(isInstanceMainWindow(L"#32770", L"", true));          // not owned
    EXPECT_FALSE(isInstanceMainWindow(L"Glimvue", L"", true));         // the hidden owner itself
    EXPECT_FALSE(isInstanceMainWindow(L"SysListView32", L"Glimvue", true));
}

TEST(CopyView, TakesExactlyTheVisiblePart) {
    // An image smaller than the client on both axes: all of it, scroll reset.
    EXPECT_EQ(visibleViewPart({800, 600}, {300, 200}, {40, 50}), (ViewCopyRect{0, 0, 300, 200, true, true}));
    // Zoomed and scrolled: the client's extent from the scroll position.
    EXPECT_EQ(visibleViewPart({800, 600}, {2000, 1500}, {100, 250}), (ViewCopyRect{100, 250, 800, 600, false, false}));
    // Larger on one axis only: that axis scrolls, the other is whole and reset.
    EXPECT_EQ(visibleViewPart({800, 600}, {2000, 400}, {300, 77}), (ViewCopyRect{300, 0, 800, 400, false, true}));
    EXPECT_EQ(visibleViewPart({800, 600}, {500, 900}, {10, 120}), (ViewCopyRect{0, 120, 500, 600, true, false}));
    // A scroll position past either end is kept inside the bitmap, as the window shows it.
    EXPECT_EQ(visibleViewPart({800, 600}, {2000, 1500}, {5000, -20}), (ViewCopyRect{1200, 0, 800, 600, false, false}));
    // Exactly the client's size: whole.
    EXPECT_EQ(visibleViewPart({800, 600}, {800, 600}, {3, 3}), (ViewCopyRect{0, 0, 800, 600, true, true}));
    // Nothing to copy: no bitmap, or no client area.
    EXPECT_EQ(visibleViewPart({800, 600}, {0, 0}, {0, 0}).width, 0);
    EXPECT_EQ(visibleViewPart({0, 600}, {2000, 1500}, {0, 0}).width, 0);
    EXPECT_EQ(visibleViewPart({-5, -5}, {100, 100}, {0, 0}).height, 0);
}

}  // namespace
