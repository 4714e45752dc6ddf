#include "shell/menu_pins.h"

#include <cstdint>
#include <iterator>

#include "core/command_ids.h"

bool isPinCommand(CommandId id) {
    if (id >= CMD_PIN_FIRST && id <= CMD_PIN_LAST) return true;
    if (id < CMD_PIN_INNER_FIRST || id > CMD_PIN_INNER_LAST) return false;
    const int parent = (id - 3000) / 100;
    return parent >= 0 && parent < static_cast<int>(std::size(kInnerPinParents));
}

void applyPinCommand(MenuPins& pins, CommandId id) {
    if (!isPinCommand(id)) return;
    if (id == CMD_PIN_ROOT) {
        pins.rootPinned = !pins.rootPinned;
    } else if (id <= CMD_PIN_LAST) {
        const int position = id - CMD_PIN_ROOT;
        pins.pinnedSubmenu = pins.pinnedSubmenu == position ? -1 : position;
    } else {
        const int position = id % 100;
        if (pins.pinnedInnerSubmenu == position) {
            pins.pinnedInnerSubmenu = -1;
            pins.pinnedInnerParent = -1;
        } else {
            pins.pinnedInnerSubmenu = position;
            pins.pinnedInnerParent = kInnerPinParents[(id - 3000) / 100];
        }
    }
}

MenuPath menuToShow(const MenuPins& pins, int submenu) {
    if (pins.pinnedInnerParent >= 0) return {2, {pins.pinnedInnerParent, submenu}};
    if (pins.pinnedSubmenu < 0) return {};
    return {1, {submenu, -1}};
}

MenuReopen reopenAfterCommand(const MenuPins& pins) {
    if (pins.pinnedInnerSubmenu >= 0) return {true, pins.pinnedInnerSubmenu};
    if (pins.pinnedSubmenu >= 0) return {true, pins.pinnedSubmenu};
    if (pins.rootPinned) return {true, 0};
    return {};
}

MenuReopen unwindAfterDismiss(MenuPins& pins) {
    if (pins.pinnedInnerSubmenu >= 0 || pins.pinnedInnerParent >= 0) {
        pins.pinnedInnerSubmenu = -1;
        pins.pinnedInnerParent = -1;
        if (pins.pinnedSubmenu >= 0) return {true, pins.pinnedSubmenu};
        if (pins.rootPinned) return {true, 0};
        return {};
    }
    if (pins.pinnedSubmenu >= 0) {
        pins.pinnedSubmenu = -1;
        if (pins.rootPinned) return {true, 0};
        return {};
    }
    pins.rootPinned = false;
    return {};
}

MenuReopen afterTracking(MenuPins& pins, int chosen, bool byUser) {
    MenuReopen next;
    if (chosen != 0) {
        pins.systemCloses = 0;
        pins.lastChosen = chosen;
        next = reopenAfterCommand(pins);
    } else if (!byUser && pins.systemCloses < kMaxSystemReopens && (next = reopenAfterCommand(pins)).reopen) {
        ++pins.systemCloses;
    } else {
        pins.systemCloses = 0;
        next = unwindAfterDismiss(pins);
    }
    if (!next.reopen) pins.lastChosen = 0;
    return next;
}

int downsToReach(const std::vector<bool>& separators, int position) {
    if (position < 0 || static_cast<size_t>(position) >= separators.size() || separators[position]) return 0;
    int downs = 0;
    for (int i = 0; i <= position; ++i) downs += separators[i] ? 0 : 1;
    return downs;
}

uint32_t encodeMenuPoint(int x, int y) {
    return (static_cast<uint32_t>(x) & 0xFFFFu) | ((static_cast<uint32_t>(y + 100) & 0xFFFFu) << 16);
}

void decodeMenuPoint(uint32_t code, int& x, int& y) {
    x = static_cast<int16_t>(code & 0xFFFFu);
    y = static_cast<int16_t>((code >> 16) & 0xFFFFu) - 100;
}
