// Actions of the sort, view, exhibit and find commands.
#include <windows.h>

#include "command_ids.h"
#include "shell/command_actions.h"
#include "viewer.h"
#include "win_paths.h"

namespace {

void toggle(bool& flag) { flag = !flag; }

// Sort commands re-order at once; key changes leave a random order as it is.
void resort(Viewer& v) {
    v.sortExhibit();
    v.refreshStatus();
}

// Format switches rebuild the last build folder, even while a build runs (the running one stops).
void toggleFormat(Viewer& v, int offset) {
    static constexpr bool Settings::*kFormats[] = {&Settings::bmp, &Settings::emf, &Settings::gif, &Settings::ico,
                                                   &Settings::jpg, &Settings::png, &Settings::tif, &Settings::wic};
    toggle(v.settings.*kFormats[offset]);
    v.viewFolder(v.store.buildRootCopy(), false);
}

void viewNamedFolder(Viewer& v, const std::wstring& folder) {
    if (!folder.empty()) v.viewFolder(folder, false);
}

void toggleOrientationFilter(Viewer& v, bool& filter, bool& other) {
    toggle(filter);
    if (filter) {
        other = false;
        v.showCurrent(true);
    }
}

void goTo(Viewer& v, int) {
    const size_t size = v.store.size();
    unsigned long result = 0;
    v.inDialogWrapper([&] { result = static_cast<unsigned long>(v.askNumber(6, v.store.currentIndex + 1)); });
    if (result == 0) return;
    v.store.currentIndex = static_cast<int>((static_cast<uint32_t>(result) - 1u) % size);
    v.showCurrent(true);
}

const CommandActionRow kActions[] = {
    // Sort
    {CMD_SORT_FORWARD, CMD_SORT_RANDOM, [](Viewer& v, int offset) {
         v.settings.sort = static_cast<int16_t>(kSortForward + offset);
         resort(v);
     }},
    {CMD_SORT_TREE, CMD_SORT_ACCESSED, [](Viewer& v, int offset) {
         v.settings.sortby = static_cast<int16_t>(kSortTree + offset);
         if (v.settings.sort != kSortRandom) resort(v);
     }},
    {CMD_SORT_CASE, CMD_SORT_CASE, [](Viewer& v, int) {
         toggle(v.settings.sortcase);
         if (v.settings.sort != kSortRandom) resort(v);
     }},
    // View
    {CMD_VIEW_EXHIBIT, CMD_VIEW_EXHIBIT, [](Viewer& v, int) { v.viewFolder(v.store.exhibitRoot, true); }},
    {CMD_VIEW_DESKTOP, CMD_VIEW_DESKTOP, [](Viewer& v, int) { viewNamedFolder(v, v.settings.desktop); }},
    {CMD_VIEW_FAVORITES, CMD_VIEW_FAVORITES, [](Viewer& v, int) { viewNamedFolder(v, v.folderSetting(Viewer::FolderKind::Favorites)); }},
    {CMD_VIEW_ARCHIVE, CMD_VIEW_ARCHIVE, [](Viewer& v, int) { viewNamedFolder(v, v.folderSetting(Viewer::FolderKind::Archive)); }},
    {CMD_VIEW_IMAGEDIR, CMD_VIEW_IMAGEDIR,
     [](Viewer& v, int) { v.viewFolder(folderOfPath(v.store.currentPathCopy()), false); }},
    {CMD_VIEW_LINKDIR, CMD_VIEW_LINKDIR, [](Viewer& v, int) { v.viewLinkTarget(); }},
    // Exhibit and Formats
    {CMD_FOLDER, CMD_FOLDER, [](Viewer& v, int) {
         if (!v.chooseExhibitRoot(true)) return;
         if (v.settings.collage) v.resetCollage();
         v.showCurrent(true);
         v.restartWatcherIfOn();
     }},
    {CMD_REFRESH, CMD_REFRESH, [](Viewer& v, int) { v.viewFolder(v.store.exhibitRoot, false); }},
    {CMD_SUBFOLDERS, CMD_SUBFOLDERS, [](Viewer& v, int) {
         toggle(v.settings.subfolders);
         v.viewFolder(v.store.buildRootCopy(), false);
     }},
    {CMD_HIDDEN, CMD_HIDDEN, [](Viewer& v, int) {
         toggle(v.settings.hidden);
         v.viewFolder(v.store.buildRootCopy(), false);
     }},
    {CMD_AUTOREFRESH, CMD_AUTOREFRESH, [](Viewer& v, int) {
         toggle(v.settings.autorefresh);
         if (v.settings.autorefresh)
             v.startWatcher();
         else
             v.stopWatcher();
     }},
    {CMD_AUTOFIND_CREATE, CMD_AUTOFIND_ACCESS, [](Viewer& v, int offset) {
         const int16_t kind = static_cast<int16_t>(kAutoFindCreated + offset);
         v.settings.autofindtype = v.settings.autofindtype == kind ? static_cast<int16_t>(kAutoFindOff) : kind;
     }},
    {CMD_FORMAT_BMP, CMD_FORMAT_WIC, toggleFormat},
    {CMD_REMOVEFAIL, CMD_REMOVEFAIL, [](Viewer& v, int) { toggle(v.settings.removefail); }},
    {CMD_LOGERRORS, CMD_LOGERRORS, [](Viewer& v, int) { toggle(v.settings.logerrors); }},
    {CMD_LOGLNKFAIL, CMD_LOGLNKFAIL, [](Viewer& v, int) { toggle(v.settings.loglnkfail); }},
    // Find
    {CMD_FIND, CMD_FIND, [](Viewer& v, int) {
         if (v.openFindDialog()) v.showCurrent(true);
     }},
    {CMD_FIND_NEXT, CMD_FIND_NEXT, [](Viewer& v, int) {
         if (v.findNextAfterCurrent()) v.showCurrent(true);
     }},
    {CMD_LANDSCAPE, CMD_LANDSCAPE,
     [](Viewer& v, int) { toggleOrientationFilter(v, v.switches.landscapeFilter, v.switches.portraitFilter); }},
    {CMD_PORTRAIT, CMD_PORTRAIT,
     [](Viewer& v, int) { toggleOrientationFilter(v, v.switches.portraitFilter, v.switches.landscapeFilter); }},
    {CMD_BOOKMARK, CMD_BOOKMARK, [](Viewer& v, int) { v.settings.bookmark = v.store.currentIndex; }},
    {CMD_GOTO_MARK, CMD_GOTO_MARK, [](Viewer& v, int) {
         if (v.settings.bookmark >= 0 && static_cast<size_t>(v.settings.bookmark) < v.store.size()) {
             v.store.currentIndex = v.settings.bookmark;
             v.showCurrent(true);
         }
     }},
    {CMD_MARK_ON_EXIT, CMD_MARK_ON_EXIT, [](Viewer& v, int) { toggle(v.settings.markexit); }},
    {CMD_GOTO, CMD_GOTO, goTo},
};

}  // namespace

std::span<const CommandActionRow> exhibitCommandActions() { return kActions; }
