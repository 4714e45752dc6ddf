// Viewer::executeCommand: the row of the command, its guards, then its action. Also the actions of
// the window, screen and settings commands.
#include <windows.h>
#include <versionhelpers.h>

#include <algorithm>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

void toggle(bool& flag) { flag = !flag; }

void statusBarCommand(Viewer& v, int) {
    toggle(v.settings.statusbar);
    if (!v.settings.statusbar || v.settings.crop || v.settings.layer == kLayerFullScreen)
        v.destroyStatusBar();
    else if (!v.window.statusBarWindow)
        v.createStatusBar();
    if (v.settings.layer == kLayerWindowed) v.refreshLayout();
}

void fullScreenCaption(Viewer& v, int) {
    toggle(v.settings.fullscreenname);
    if (v.settings.layer != kLayerFullScreen) return;
    if (v.settings.fullscreenname) {
        const WindowDC dc(v.mainWindow);
        v.drawFileName(dc.get());
    } else if (v.settings.collage) {
        const WindowDC dc(v.mainWindow);
        const OffscreenSurface& collage = v.drawing.view;
        BitBlt(dc.get(), 0, 0, collage.width(), collage.height(), collage.dc(), 0, 0, SRCCOPY);
    } else {
        if (!v.view.manualZoom) v.view.zoomPercent = v.settings.zoom;
        v.refreshLayout();
    }
}

void fullScreenLayout(Viewer& v, int16_t layout) {
    v.settings.fullscreenlayout = layout;
    if (v.settings.layer == kLayerFullScreen) {
        v.settings.layout = layout;
        v.refreshLayout();
    }
}

void saveOrSay(Viewer& v) {
    if (!v.saveSettings()) v.reportNotWritten(v.files.settingsPath, false);
}

const CommandActionRow kActions[] = {
    // Window
    {CMD_TITLE, CMD_TITLE, [](Viewer& v, int) {
         toggle(v.settings.title);
         v.refreshCaption();
     }},
    {CMD_FULLNAME, CMD_FULLNAME, [](Viewer& v, int) {
         toggle(v.settings.fullname);
         if (v.settings.title) v.refreshCaption();
     }},
    {CMD_STATUSBAR, CMD_STATUSBAR, statusBarCommand},
    {CMD_AUTOCENTER, CMD_AUTOCENTER, [](Viewer& v, int) {
         toggle(v.settings.autocenter);
         if (!v.settings.autocenter) return;
         v.settings.roamwindow = false;
         if (v.settings.wrap && v.settings.layer != kLayerFullScreen) v.centreWindow();
     }},
    {CMD_ROAM, CMD_ROAM, [](Viewer& v, int) {
         toggle(v.settings.roamwindow);
         if (!v.settings.roamwindow) return;
         v.settings.autocenter = false;
         if (v.settings.wrap && v.settings.layer != kLayerFullScreen) v.roamWindow();
     }},
    {CMD_CORRAL, CMD_CORRAL, [](Viewer& v, int) {
         toggle(v.settings.corral);
         if (v.settings.corral && v.settings.layer != kLayerFullScreen) v.refreshLayout();
     }},
    {CMD_DRAGGABLE, CMD_DRAGGABLE, [](Viewer& v, int) { toggle(v.settings.draggable); }},
    {CMD_CENTER, CMD_CENTER, [](Viewer& v, int) {
         if (v.settings.layer != kLayerFullScreen) v.centreWindow();
     }},
    {CMD_PRESET_SAVE1, CMD_PRESET_SAVE5, [](Viewer& v, int offset) { v.savePreset(offset + 1); }},
    {CMD_PRESET_RESTORE1, CMD_PRESET_RESTORE5, [](Viewer& v, int offset) { v.restorePreset(offset + 1); }},
    {CMD_LAYOUT_CENTERED, CMD_LAYOUT_ROAMING, [](Viewer& v, int offset) { v.setLayout(kLayoutCentred + offset); }},
    // Screen
    {CMD_SCREEN_FULL, CMD_SCREEN_FULL, [](Viewer& v, int) { v.setWindowMode(kLayerFullScreen); }},
    {CMD_SCREEN_CAPTION, CMD_SCREEN_CAPTION, fullScreenCaption},
    {CMD_SCREEN_CURSOR, CMD_SCREEN_CURSOR, [](Viewer& v, int) {
         toggle(v.settings.fullscreencursor);
         if (v.settings.layer == kLayerFullScreen) ShowCursor(v.settings.fullscreencursor ? TRUE : FALSE);
     }},
    {CMD_SCREEN_CENTERED, CMD_SCREEN_CENTERED, [](Viewer& v, int) { fullScreenLayout(v, kLayoutCentred); }},
    {CMD_SCREEN_ROAMING, CMD_SCREEN_ROAMING, [](Viewer& v, int) { fullScreenLayout(v, kLayoutRoaming); }},
    {CMD_WALL, CMD_WALL, [](Viewer& v, int) { v.setWindowMode(kLayerWallpaper); }},
    // Settings and Exit
    {CMD_SAVE_NOW, CMD_SAVE_NOW, [](Viewer& v, int) { saveOrSay(v); }},
    {CMD_SAVE_AS, CMD_SAVE_AS, [](Viewer& v, int) {
         if (v.chooseSettingsFile()) saveOrSay(v);
     }},
    {CMD_SAVE_ON_EXIT, CMD_SAVE_ON_EXIT, [](Viewer& v, int) { toggle(v.settings.savesettings); }},
    {CMD_SAVE_FOLDER, CMD_SAVE_FOLDER, [](Viewer& v, int) { toggle(v.settings.savefolder); }},
    {CMD_EXIT, CMD_EXIT, [](Viewer& v, int) { SendMessageW(v.mainWindow, WM_CLOSE, 0, 0); }},
};

const CommandActionRow* findAction(CommandId id) {
    const std::vector<CommandActionRow>& actions = commandActions();
    auto after = std::upper_bound(actions.begin(), actions.end(), id,
                                  [](CommandId value, const CommandActionRow& row) { return value < row.first; });
    if (after == actions.begin()) return nullptr;
    const CommandActionRow& row = *std::prev(after);
    return id >= row.first && id <= row.last ? &row : nullptr;
}

}  // namespace

std::span<const CommandActionRow> shellCommandActions() { return kActions; }

const std::vector<CommandActionRow>& commandActions() {
    static const std::vector<CommandActionRow> actions = [] {
        std::vector<CommandActionRow> all;
        for (std::span<const CommandActionRow> part :
             {displayCommandActions(), transitionCommandActions(), exhibitCommandActions(), fileCommandActions(),
              catalogCommandActions(), shellCommandActions(), menuCommandActions(), desktopCommandActions()})
            all.insert(all.end(), part.begin(), part.end());
        std::sort(all.begin(), all.end(),
                  [](const CommandActionRow& a, const CommandActionRow& b) { return a.first < b.first; });
        return all;
    }();
    return actions;
}

void Viewer::executeCommand(CommandId command) {
    const CommandRow* row = findCommandRow(command);
    const GuardState guards{switches.noShell, switches.noMenu, store.building, store.size() == 0};
    if (commandRefused(command, row, guards)) return;
    const CommandActionRow* action = findAction(command);
    if (!action || !action->run) return;
    if (row->has(kNeedsFile) && !checkIsFile()) return;

    // The brackets, outermost first: the slideshow, the folder watcher, the cursor.
    const bool suspends = row->has(kDialogWrapper | kSuspendsSlideshow);
    const bool stopsWatcher = row->has(kStopsWatcher) && settings.autorefresh;
    if (suspends) suspendSlideshow(true);
    if (stopsWatcher) stopWatcher();
    if (row->has(kDialogWrapper)) ShowCursor(TRUE);
    action->run(*this, command - action->first);
    if (row->has(kDialogWrapper)) ShowCursor(FALSE);
    if (stopsWatcher) restartWatcherIfOn();
    if (suspends) resumeSlideshow();
}

CommandContext Viewer::commandContext() const {
    CommandContext context;
    context.layeredSupported = window.setLayeredWindowAttributes != nullptr;
    context.blackboxPresent = shell.blackboxPresent;
    context.landscapeFilter = switches.landscapeFilter;
    context.portraitFilter = switches.portraitFilter;
    context.hotkeyRegistered = shell.hotkeyRegistered;
    context.wallpaperFitFill = IsWindows7OrGreater();  // system version 6.1 or later
    for (int transition : slideshow.enabledTransitions)
        if (transition >= 0 && transition < kTransitionCount) context.enabledTransitions |= 1u << transition;
    context.pins = shell.pins;
    return context;
}
