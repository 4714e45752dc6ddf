// The pinned levels of the Main Menu: what a pin item does to them, which menu an opening shows, and
// what follows when the tracked menu returns (reopen on the pinned level, or unwind one level).
#pragma once

#include <vector>

#include "shell/command_rows.h"

// Positions in the Main Menu of the submenus that hold second-level submenus, by the hundreds digit
// of their pin items (3011 → Slideshow, 3116 → Navigate, ... 3520 → Shell).
inline constexpr int kInnerPinParents[] = {2, 4, 7, 9, 22, 24};

// True for the identifiers of pin items: 2000..2027 and 3011..3520.
bool isPinCommand(CommandId id);

// A pin item was chosen: 2000 toggles the root pin; 2000 + p pins the submenu at position p, or
// unpins it when it already was the pinned one; 3000 + 100 k + p pins the second-level submenu at p
// of the k-th parent (both second-level fields), or clears both when p already was the pinned one.
// Identifiers that are no pin item change nothing.
void applyPinCommand(MenuPins& pins, CommandId id);

// The menu an opening shows, as a path of positions from the root: none for the root itself, one
// for a submenu of the root, two for a second-level submenu.
struct MenuPath {
    int depth = 0;
    int positions[2] = {-1, -1};
    bool operator==(const MenuPath&) const = default;
};
// The menu to show when asked for the submenu at `submenu`: with a second-level pin, that position
// inside the pinned parent; else with no pinned submenu the root; else that position of the root.
MenuPath menuToShow(const MenuPins& pins, int submenu);

// Whether the menu opens again after tracking, and on which submenu position (0 for the root).
struct MenuReopen {
    bool reopen = false;
    int submenu = 0;
    bool operator==(const MenuReopen&) const = default;
};
// A command was chosen and has run: reopen on the innermost pinned level, if any.
MenuReopen reopenAfterCommand(const MenuPins& pins);
// The menu was dismissed: unwind one level of pinning and reopen on the next outer pinned level.
MenuReopen unwindAfterDismiss(MenuPins& pins);

// What follows a tracked menu: `chosen` is the command that ran (0: none), `byUser` whether the
// user closed the menu (a key or a mouse button) rather than the system (a window the last command
// changed taking the focus while it settles). A command reopens the innermost pinned level, where
// it is then selected; a dismissal unwinds one level; a menu the system took away opens again as it
// was, three times in a row at most. A menu that does not reopen forgets the command chosen.
MenuReopen afterTracking(MenuPins& pins, int chosen, bool byUser);
inline constexpr int kMaxSystemReopens = 3;

// Down-arrow presses that select the item at `position` of a menu just opened with nothing
// selected: one per item from the top, separators skipped as the menu skips them. 0 for a position
// outside the menu or on a separator.
int downsToReach(const std::vector<bool>& separators, int position);

// The reopen message's wParam carries x in the low 16 bits and y + 100 in the high 16 bits, both
// signed, so that points on monitors left of or above the primary one come back as they went.
uint32_t encodeMenuPoint(int x, int y);
void decodeMenuPoint(uint32_t code, int& x, int& y);
