// The pinned Main Menu: pin items toggle their level, the opening chooses the pinned menu, and a
// command or a dismissal decides what opens next.
#include <gtest/gtest.h>

#include "core/command_ids.h"
#include "shell/menu_pins.h"

#include <vector>

namespace {

MenuPins pinned(bool root, int submenu, int innerParent, int inner) { return {root, submenu, inner, innerParent}; }

bool samePins(const MenuPins& a, const MenuPins& b) {
    return a.rootPinned == b.rootPinned && a.pinnedSubmenu == b.pinnedSubmenu &&
           a.pinnedInnerSubmenu == b.pinnedInnerSubmenu && a.pinnedInnerParent == b.pinnedInnerParent;
}

}  // namespace

TEST(MenuPins, PinItemsToggleTheirLevel) {
    MenuPins pins;
    applyPinCommand(pins, CMD_PIN_ROOT);
    EXPECT_TRUE(pins.rootPinned);
    applyPinCommand(pins, 2004);  // Navigate
    EXPECT_EQ(pins.pinnedSubmenu, 4);
    applyPinCommand(pins, 2022);  // Window replaces Navigate
    EXPECT_EQ(pins.pinnedSubmenu, 22);
    applyPinCommand(pins, 2022);  // the same pin again: unpinned
    EXPECT_EQ(pins.pinnedSubmenu, -1);

    // Second-level pins name their parent by the hundreds digit.
    const struct { CommandId id; int parent, position; } inner[] = {
        {3011, 2, 11}, {3012, 2, 12}, {3116, 4, 16}, {3213, 7, 13},
        {3310, 9, 10}, {3416, 22, 16}, {3417, 22, 17}, {3520, 24, 20}};
    for (const auto& pin : inner) {
        MenuPins p;
        applyPinCommand(p, pin.id);
        EXPECT_TRUE(samePins(p, pinned(false, -1, pin.parent, pin.position))) << pin.id;
        applyPinCommand(p, pin.id);
        EXPECT_TRUE(samePins(p, MenuPins{})) << pin.id;
    }
    // Only one second-level pin at a time.
    pins = {};
    applyPinCommand(pins, 3116);
    applyPinCommand(pins, 3417);
    EXPECT_TRUE(samePins(pins, pinned(false, -1, 22, 17)));

    // Identifiers that are no pin item change nothing.
    for (CommandId other : {CMD_NEXT, CMD_EXIT, 2028, 3010, 3600, 3900}) {
        MenuPins p = pinned(true, 4, 2, 11);
        applyPinCommand(p, other);
        EXPECT_TRUE(samePins(p, pinned(true, 4, 2, 11))) << other;
        EXPECT_FALSE(isPinCommand(other)) << other;
    }
    EXPECT_TRUE(isPinCommand(2000) && isPinCommand(2027) && isPinCommand(3011) && isPinCommand(3520));
}

TEST(MenuPins, OpeningShowsThePinnedMenu) {
    EXPECT_EQ(menuToShow(MenuPins{}, 0), MenuPath{});
    EXPECT_EQ(menuToShow(pinned(true, -1, -1, -1), 0), MenuPath{});
    EXPECT_EQ(menuToShow(pinned(false, 4, -1, -1), 4), (MenuPath{1, {4, -1}}));
    EXPECT_EQ(menuToShow(pinned(true, 4, 4, 16), 16), (MenuPath{2, {4, 16}}));
    EXPECT_EQ(menuToShow(pinned(false, -1, 22, 17), 17), (MenuPath{2, {22, 17}}));
}

TEST(MenuPins, CommandReopensTheInnermostPinnedLevel) {
    EXPECT_EQ(reopenAfterCommand(MenuPins{}), MenuReopen{});
    EXPECT_EQ(reopenAfterCommand(pinned(true, -1, -1, -1)), (MenuReopen{true, 0}));
    EXPECT_EQ(reopenAfterCommand(pinned(true, 4, -1, -1)), (MenuReopen{true, 4}));
    EXPECT_EQ(reopenAfterCommand(pinned(true, 4, 4, 16)), (MenuReopen{true, 16}));
    EXPECT_EQ(reopenAfterCommand(pinned(false, -1, 9, 10)), (MenuReopen{true, 10}));
}

TEST(MenuPins, DismissUnwindsOneLevelAtATime) {
    // Root, then Navigate, then Scroll pinned: each Esc drops the innermost and reopens the next.
    MenuPins pins = pinned(true, 4, 4, 16);
    EXPECT_EQ(unwindAfterDismiss(pins), (MenuReopen{true, 4}));
    EXPECT_TRUE(samePins(pins, pinned(true, 4, -1, -1)));
    EXPECT_EQ(unwindAfterDismiss(pins), (MenuReopen{true, 0}));
    EXPECT_TRUE(samePins(pins, pinned(true, -1, -1, -1)));
    EXPECT_EQ(unwindAfterDismiss(pins), MenuReopen{});
    EXPECT_TRUE(samePins(pins, MenuPins{}));

    // A pinned submenu without the root: one Esc closes it for good.
    pins = pinned(false, 4, -1, -1);
    EXPECT_EQ(unwindAfterDismiss(pins), MenuReopen{});
    EXPECT_TRUE(samePins(pins, MenuPins{}));
    // The root and a second-level pin without a pinned submenu: Esc returns to the root.
    pins = pinned(true, -1, 4, 16);
    EXPECT_EQ(unwindAfterDismiss(pins), (MenuReopen{true, 0}));
    EXPECT_TRUE(samePins(pins, pinned(true, -1, -1, -1)));
}

TEST(MenuPins, TheLastCommandIsSelectedAgainAndAMenuTheSystemTookAwayReopens) {
    MenuPins pins = pinned(false, 22, -1, -1);
    EXPECT_EQ(afterTracking(pins, CMD_DECORATE, true), (MenuReopen{true, 22}));
    EXPECT_EQ(pins.lastChosen, CMD_DECORATE);
    for (int i = 0; i < kMaxSystemReopens; ++i) EXPECT_EQ(afterTracking(pins, 0, false), (MenuReopen{true, 22})) << i;
    EXPECT_EQ(pins.lastChosen, CMD_DECORATE);
    // Taken away again and again: then it counts as dismissed, and the next opening selects nothing.
    EXPECT_EQ(afterTracking(pins, 0, false), MenuReopen{});
    EXPECT_TRUE(samePins(pins, MenuPins{}) && pins.lastChosen == 0);
    EXPECT_EQ(afterTracking(pins, 0, false), MenuReopen{}) << "an unpinned menu the system closed stays closed";
    // Selecting an item: a press per item from the top, separators skipped.
    const std::vector<bool> separators{false, true, false, false, true, false};
    EXPECT_EQ((std::vector<int>{downsToReach(separators, 0), downsToReach(separators, 3), downsToReach(separators, 5),
                                downsToReach(separators, 1), downsToReach(separators, -1), downsToReach(separators, 6)}),
              (std::vector<int>{1, 3, 4, 0, 0, 0}));
}

TEST(MenuPins, PointTravelsWithYRaisedBy100) {
    const uint32_t code = encodeMenuPoint(300, 200);
    EXPECT_EQ(code & 0xFFFFu, 300u);
    EXPECT_EQ(code >> 16, 300u);  // 200 + 100
    // Monitors left of and above the primary one too (a menu at y = -600 must not come back at 64936).
    for (auto [x, y] : {std::pair{0, 0}, {1279, 1023}, {-50, -80}, {-1920, 5}, {10, -600}, {-1280, -1024}}) {
        int gotX = 0, gotY = 0;
        decodeMenuPoint(encodeMenuPoint(x, y), gotX, gotY);
        EXPECT_EQ(gotX, x);
        EXPECT_EQ(gotY, y);
    }
}
