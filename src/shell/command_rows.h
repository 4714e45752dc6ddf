// The rows of the command table: for every command identifier (or range of identifiers), the guards
// the dispatcher applies before the command runs and the state its menu item shows. Each subsystem
// keeps its rows in a table of its own; commandRows() joins them. The actions that carry the
// commands out are Windows-bound and live in tables of the same shape beside the Viewer's
// operations (shell/command_actions.h).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/settings.h"

using CommandId = uint16_t;

// The guards and kinds of a command.
enum CommandFlag : uint32_t {
    kNeedsExhibit = 1u << 0,       // ignored while the exhibit is empty
    kNeedsFile = 1u << 1,          // needs a current file: ignored with an empty exhibit, "Not a file"
                                   // for a pasted picture
    kNotWhileBuilding = 1u << 2,   // ignored while the builder runs
    kDialogWrapper = 1u << 3,      // runs in the dialog wrapper: slideshow suspended, cursor shown
    kSuspendsSlideshow = 1u << 4,  // runs with the slideshow suspended (as by a dialog)
    kStopsWatcher = 1u << 5,       // the folder watcher is stopped around it (when autorefresh is on)
    kShellOnly = 1u << 6,          // refused when the shell commands are off (-noshell)
    kCatalogMenuOnly = 1u << 7,    // an item of the Catalog's own menu, carried out by the Catalog
    kNoAction = 1u << 8,           // a label or display item, or a key bound to nothing
    kNotBuilt = 1u << 9,           // the command's action is not built yet: it does nothing
};

// The pinned levels of the Main Menu; −1 is none.
struct MenuPins {
    bool rootPinned = false;
    int pinnedSubmenu = -1;       // position of the pinned submenu in the Main Menu
    int pinnedInnerSubmenu = -1;  // position of the pinned second-level submenu in its parent
    int pinnedInnerParent = -1;   // position in the Main Menu of that parent
    int lastChosen = 0;           // the command chosen last, selected when its level opens again
    int systemCloses = 0;         // times in a row the system took the open menu away
};

// The run-time state menu items show besides the settings.
struct CommandContext {
    bool layeredSupported = false;    // per-window alpha exists
    bool blackboxPresent = false;
    bool landscapeFilter = false;
    bool portraitFilter = false;
    bool hotkeyRegistered = false;
    bool wallpaperFitFill = false;    // the system offers the Fit and Fill wallpaper styles
    uint32_t enabledTransitions = 0;  // bit k: transition k is enabled
    MenuPins pins;
};

struct MenuState {
    bool checked = false;
    bool greyed = false;
    bool operator==(const MenuState&) const = default;
};
using MenuStateFn = MenuState (*)(const Settings&, const CommandContext&, CommandId);

struct CommandRow {
    CommandId first = 0;  // the identifier, or the first of a range
    CommandId last = 0;   // the last of the range (first for a single identifier)
    uint32_t flags = 0;
    MenuStateFn menuState = nullptr;  // null: no check mark, never greyed

    bool covers(CommandId id) const { return id >= first && id <= last; }
    bool has(uint32_t flag) const { return (flags & flag) != 0; }
};

class Viewer;
// What a command does; `offset` is the identifier's place in the row's range (0 for a single one).
using CommandAction = void (*)(Viewer&, int offset);
struct CommandActionRow {
    CommandId first = 0;
    CommandId last = 0;
    CommandAction run = nullptr;
};

// The rows of each subsystem.
std::span<const CommandRow> displayCommandRows();   // slideshow, navigation, view geometry, transitions
std::span<const CommandRow> exhibitCommandRows();   // sort, view, exhibit, find
std::span<const CommandRow> fileCommandRows();      // favorites, archive and file operations
std::span<const CommandRow> catalogCommandRows();   // the Catalog
std::span<const CommandRow> shellCommandRows();     // window, screen, shell, settings, info, pins

// Every row, ordered by identifier.
const std::vector<CommandRow>& commandRows();
const CommandRow* findCommandRow(CommandId id);

// The menu state of an identifier; unmarked and enabled when no row says otherwise.
MenuState menuStateOf(CommandId id, const Settings& settings, const CommandContext& context);

// The conditions under which the dispatcher refuses a command before its action.
struct GuardState {
    bool noShell = false;  // -noshell: shell commands refused
    bool noMenu = false;   // -nomenu: everything below About refused, but the Main Menu key (1511)
    bool building = false;
    bool exhibitEmpty = false;
};
// True when the command is refused silently: no row or no action, -noshell for a shell command,
// -nomenu for an identifier below 1514 other than 1511, a build running for a command not allowed
// while building, an empty exhibit for a command that needs one. The current-file check that
// follows (a message for a pasted picture) is the dispatcher's.
bool commandRefused(CommandId id, const CommandRow* row, const GuardState& state);

// Helpers for the menu-state column of the tables.
namespace menu_state {

template <bool Settings::*Flag>
MenuState on(const Settings& s, const CommandContext&, CommandId) {
    return {s.*Flag, false};
}
template <bool Settings::*Flag>
MenuState off(const Settings& s, const CommandContext&, CommandId) {
    return {!(s.*Flag), false};
}
// Marked when the setting equals Value.
template <auto Member, int Value>
MenuState equals(const Settings& s, const CommandContext&, CommandId) {
    return {s.*Member == Value, false};
}
// For a range from First: marked when the setting equals (identifier − First + Base).
template <auto Member, CommandId First, int Base = 0>
MenuState inRange(const Settings& s, const CommandContext&, CommandId id) {
    return {s.*Member == static_cast<int>(id - First) + Base, false};
}
template <auto Member>
MenuState notZero(const Settings& s, const CommandContext&, CommandId) {
    return {s.*Member != 0, false};
}

}  // namespace menu_state
