// Actions of the menu and help commands, the pin items, the window decoration and background
// colour, and the commands that start the configured image viewer and file manager.
#include <windows.h>
#include <shellapi.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "shell/menu_pins.h"
#include "viewer.h"

namespace {

constexpr LONG_PTR kDecorationStyles = WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

std::wstring quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void shellOpen(const std::wstring& file, const std::wstring& parameters) {
    ShellExecuteW(nullptr, L"open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                  SW_SHOWNORMAL);
}

void decorate(Viewer& v, int) {
    if (v.settings.layer == kLayerWallpaper) return;
    v.settings.decorate = !v.settings.decorate;
    // The frame is redrawn in place: hiding the window and showing it again would take the focus
    // away and back (closing a menu opened meanwhile) and make it flash.
    const LONG_PTR style = GetWindowLongPtrW(v.mainWindow, GWL_STYLE);
    SetWindowLongPtrW(v.mainWindow, GWL_STYLE,
                      v.settings.decorate ? style | kDecorationStyles : style & ~kDecorationStyles);
    SetWindowPos(v.mainWindow, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void backgroundColour(Viewer& v, int) {
    v.chooseBackgroundColour();
    if (v.settings.collage) v.resetCollage();
    v.refreshLayout();
}

// View: the current picture in the configured image viewer, or in the program the system
// associates with it.
void viewWithProgram(Viewer& v, int) {
    const std::wstring path = v.store.currentPathCopy();
    if (!v.settings.imageViewer.empty())
        shellOpen(v.settings.imageViewer, quoted(path));
    else
        shellOpen(path, {});
}

// Explore: the picture's folder (the exhibit root when there is no picture) in the file manager.
void exploreWithProgram(Viewer& v, int) {
    std::wstring folder;
    if (v.store.size() == 0) {
        folder = v.store.exhibitRoot;
    } else {
        if (!v.checkIsFile()) return;
        folder = folderOf(v.store.currentPathCopy());
    }
    shellOpen(v.settings.fileManager.empty() ? std::wstring(L"explorer.exe") : v.settings.fileManager, quoted(folder));
}

template <CommandId First>
void pin(Viewer& v, int offset) {
    applyPinCommand(v.shell.pins, static_cast<CommandId>(First + offset));
}

const CommandActionRow kActions[] = {
    {CMD_DECORATE, CMD_DECORATE, decorate},
    {CMD_BGCOLOR, CMD_BGCOLOR, backgroundColour},
    {CMD_SHELL_VIEW, CMD_SHELL_VIEW, viewWithProgram},
    {CMD_SHELL_EXPLORE, CMD_SHELL_EXPLORE, exploreWithProgram},
    {CMD_OPEN_WITH, CMD_OPEN_WITH, [](Viewer& v, int) {
         shellOpen(L"rundll32.exe", L"shell32.dll,OpenAs_RunDLL " + v.store.currentPathCopy());
     }},
    {CMD_VIEW_WITH, CMD_EXPLORE_WITH, [](Viewer& v, int offset) {
         if (offset == 0)
             v.askPath(18, v.settings.imageViewer);
         else
             v.askPath(19, v.settings.fileManager);
     }},
    {CMD_MENU, CMD_MENU, [](Viewer& v, int) { v.showMainMenuFromKey(); }},
    {CMD_MENU_AT_CURSOR, CMD_MENU_AT_CURSOR, [](Viewer& v, int) { v.settings.atCursor = !v.settings.atCursor; }},
    {CMD_HELP, CMD_HELP, [](Viewer& v, int) { shellOpen(v.files.helpPath, {}); }},
    {CMD_ABOUT, CMD_ABOUT, [](Viewer& v, int) { v.showAboutBox(); }},
    // Pin items, one row for each row of pins: the menu opens again on the pinned level.
    {CMD_PIN_ROOT, CMD_PIN_ROOT, pin<CMD_PIN_ROOT>},
    {2002, 2004, pin<2002>},  // Slideshow, Sort, Navigate
    {2006, 2010, pin<2006>},  // View, Exhibit, Find, Favorites, Catalog
    {2017, 2020, pin<2017>},  // Zoom, Rotate, Collage, Transitions
    {2022, 2024, pin<2022>},  // Window, Screen, Shell
    {2026, 2027, pin<2026>},  // Settings, Info
    {3011, 3012, pin<3011>},  // Transparency, Loop
    {3116, 3116, pin<3116>},  // Scroll
    {3213, 3213, pin<3213>},  // Formats
    {3310, 3310, pin<3310>},  // Archive
    {3416, 3417, pin<3416>},  // Presets, Layout
    {3520, 3520, pin<3520>},  // Blackbox
};

}  // namespace

std::span<const CommandActionRow> menuCommandActions() { return kActions; }
