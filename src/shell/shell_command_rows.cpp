// Command rows of the window, the screen modes, the shell, the settings, the Info menu and the pin
// items.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

MenuState hotkeyState(const Settings&, const CommandContext& c, CommandId) { return {c.hotkeyRegistered, false}; }
MenuState fitFillState(const Settings&, const CommandContext& c, CommandId) { return {false, !c.wallpaperFitFill}; }
MenuState desktopWallpaperState(const Settings& s, const CommandContext& c, CommandId) {
    return {false, c.blackboxPresent && s.bbWallpaper};
}
MenuState blackboxState(const Settings&, const CommandContext& c, CommandId) { return {c.blackboxPresent, false}; }

// Pin items: 2000 the Main Menu itself, 2000 + position for a submenu, 3000 + 100 k + position for
// a second-level submenu of the k-th parent.
MenuState rootPinState(const Settings&, const CommandContext& c, CommandId) { return {c.pins.rootPinned, false}; }
MenuState submenuPinState(const Settings&, const CommandContext& c, CommandId id) {
    return {c.pins.pinnedSubmenu == id - CMD_PIN_ROOT, false};
}
MenuState innerPinState(const Settings&, const CommandContext& c, CommandId id) {
    static constexpr int kParents[] = {2, 4, 7, 9, 22, 24};
    const int k = (id - 3000) / 100;
    const bool valid = k >= 0 && k < 6;
    return {valid && c.pins.pinnedInnerParent == kParents[valid ? k : 0] && c.pins.pinnedInnerSubmenu == id % 100,
            false};
}

constexpr uint32_t kPin = 0;

const CommandRow kRows[] = {
    // Window
    {CMD_TITLE, CMD_TITLE, 0, on<&S::title>},
    {CMD_FULLNAME, CMD_FULLNAME, 0, on<&S::fullname>},
    {CMD_STATUSBAR, CMD_STATUSBAR, 0, on<&S::statusbar>},
    {CMD_TRAYICON, CMD_TRAYICON, 0, on<&S::trayicon>},
    {CMD_DECORATE, CMD_DECORATE, 0, on<&S::decorate>},
    {CMD_BGCOLOR, CMD_BGCOLOR, kSuspendsSlideshow, nullptr},
    {CMD_AUTOCENTER, CMD_AUTOCENTER, 0, on<&S::autocenter>},
    {CMD_ROAM, CMD_ROAM, 0, on<&S::roamwindow>},
    {CMD_CORRAL, CMD_CORRAL, 0, on<&S::corral>},
    {CMD_DRAGGABLE, CMD_DRAGGABLE, 0, on<&S::draggable>},
    {CMD_CENTER, CMD_CENTER, 0, nullptr},
    {CMD_PRESET_SAVE1, CMD_PRESET_SAVE5, 0, nullptr},
    {CMD_PRESET_RESTORE1, CMD_PRESET_RESTORE5, 0, nullptr},
    {CMD_LAYOUT_CENTERED, CMD_LAYOUT_ROAMING, 0, inRange<&S::layout, CMD_LAYOUT_CENTERED>},
    {CMD_HOTKEY, CMD_HOTKEY, kDialogWrapper, hotkeyState},
    {CMD_SINGLE_INSTANCE, CMD_SINGLE_INSTANCE, 0, on<&S::singleinstance>},
    {CMD_CLOSE_OTHERS, CMD_CLOSE_OTHERS, 0, nullptr},
    // Screen
    {CMD_SCREEN_FULL, CMD_SCREEN_FULL, 0, equals<&S::layer, kLayerFullScreen>},
    {CMD_SCREEN_CAPTION, CMD_SCREEN_CAPTION, 0, on<&S::fullscreenname>},
    {CMD_SCREEN_CURSOR, CMD_SCREEN_CURSOR, 0, on<&S::fullscreencursor>},
    {CMD_SCREEN_CENTERED, CMD_SCREEN_CENTERED, 0, equals<&S::fullscreenlayout, kLayoutCentred>},
    {CMD_SCREEN_ROAMING, CMD_SCREEN_ROAMING, 0, equals<&S::fullscreenlayout, kLayoutRoaming>},
    {CMD_SCREEN_NOTHING, CMD_SCREEN_NOTHING, kNoAction, nullptr},  // Alt+F11
    {CMD_WALL, CMD_WALL, kNeedsExhibit, equals<&S::layer, kLayerWallpaper>},
    {CMD_WALL_CENTER, CMD_WALL_STRETCH, 0, nullptr},
    {CMD_WALL_FIT, CMD_WALL_FILL, 0, fitFillState},
    {CMD_WALL_CLEAR, CMD_WALL_RESTORE, 0, desktopWallpaperState},
    // Shell and Blackbox
    {CMD_SHELL_VIEW, CMD_SHELL_VIEW, kShellOnly | kNeedsFile, nullptr},
    {CMD_SHELL_EXPLORE, CMD_SHELL_EXPLORE, kShellOnly, nullptr},
    {CMD_OPEN_WITH, CMD_OPEN_WITH, kShellOnly | kNeedsFile | kSuspendsSlideshow, nullptr},
    {CMD_COPY_IMAGE, CMD_PASTE, kShellOnly, nullptr},
    {CMD_VIEW_WITH, CMD_EXPLORE_WITH, kShellOnly | kDialogWrapper, nullptr},
    {CMD_BB_SHELL, CMD_BB_SHELL, kShellOnly | kNoAction, blackboxState},
    {CMD_BB_WALLPAPER, CMD_BB_WALLPAPER, kShellOnly, on<&S::bbWallpaper>},
    {CMD_BB_SCALE, CMD_BB_SCALE, kShellOnly, on<&S::bbWallpaperScale>},
    {CMD_BB_SKIN, CMD_BB_SKIN, kShellOnly, on<&S::bbSkin>},
    {CMD_BB_RAISE, CMD_BB_LENGTHEN, kShellOnly | kDialogWrapper, nullptr},
    // Settings, Info and Exit
    {CMD_SAVE_NOW, CMD_SAVE_AS, 0, nullptr},
    {CMD_SAVE_ON_EXIT, CMD_SAVE_ON_EXIT, 0, on<&S::savesettings>},
    {CMD_SAVE_FOLDER, CMD_SAVE_FOLDER, 0, on<&S::savefolder>},
    {CMD_MENU, CMD_MENU, 0, nullptr},
    {CMD_MENU_AT_CURSOR, CMD_MENU_AT_CURSOR, 0, on<&S::atCursor>},
    {CMD_HELP, CMD_HELP, 0, nullptr},
    {CMD_ABOUT, CMD_ABOUT, kDialogWrapper, nullptr},
    {CMD_EXIT, CMD_EXIT, 0, nullptr},
    // Pin items
    {CMD_PIN_ROOT, CMD_PIN_ROOT, kPin, rootPinState},
    {2002, 2004, kPin, submenuPinState},  // Slideshow, Sort, Navigate
    {2006, 2010, kPin, submenuPinState},  // View, Exhibit, Find, Favorites, Catalog
    {2017, 2020, kPin, submenuPinState},  // Zoom, Rotate, Collage, Transitions
    {2022, 2024, kPin, submenuPinState},  // Window, Screen, Shell
    {2026, 2027, kPin, submenuPinState},  // Settings, Info
    {3011, 3012, kPin, innerPinState},    // Transparency, Loop (in Slideshow)
    {3116, 3116, kPin, innerPinState},    // Scroll (in Navigate)
    {3213, 3213, kPin, innerPinState},    // Formats (in Exhibit)
    {3310, 3310, kPin, innerPinState},    // Archive (in Favorites)
    {3416, 3417, kPin, innerPinState},    // Presets, Layout (in Window)
    {3520, 3520, kPin, innerPinState},    // Blackbox (in Shell)
};

}  // namespace

std::span<const CommandRow> shellCommandRows() { return kRows; }
