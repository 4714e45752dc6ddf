// Viewer::executeCommand: the guards, then one table from command identifier to action.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "command_ids.h"
#include "viewer.h"

namespace {

struct CommandRow {
    CommandId id;
    void (*run)(Viewer&);
};

void toggle(bool& flag) { flag = !flag; }

// Sort commands re-order at once; key changes leave a random order as it is.
void setSortOrder(Viewer& v, int16_t order) {
    v.settings.sort = order;
    v.sortExhibit();
}
void setSortKey(Viewer& v, int16_t key) {
    v.settings.sortby = key;
    if (v.settings.sort != 2) v.sortExhibit();
}

// Format switches rebuild the last build folder, even while a build runs (the running one stops).
void toggleFormat(Viewer& v, bool Settings::*format) {
    toggle(v.settings.*format);
    v.viewFolder(v.buildRootCopy(), false);
}

void setAutoFind(Viewer& v, int16_t kind) { v.settings.autofindtype = v.settings.autofindtype == kind ? 0 : kind; }

// The exhibit must not be empty, and the current image must be a file (not a pasted picture).
bool hasCurrentFile(Viewer& v) { return v.exhibitSize() != 0 && v.checkIsFile(); }

void viewNamedFolder(Viewer& v, const std::wstring& folder) {
    if (!v.building && !folder.empty()) v.viewFolder(folder, false);
}

void showAfterFind(Viewer& v, bool (Viewer::*find)()) {
    v.suspendSlideshow(true);
    if ((v.*find)()) v.showCurrent(true);
    v.resumeSlideshow();
}

void toggleOrientationFilter(Viewer& v, bool& filter, bool& other) {
    toggle(filter);
    if (filter) {
        other = false;
        v.showCurrent(true);
    }
}

const CommandRow kCommands[] = {
    {CMD_SORT_FORWARD, [](Viewer& v) { setSortOrder(v, 0); }},
    {CMD_SORT_REVERSE, [](Viewer& v) { setSortOrder(v, 1); }},
    {CMD_SORT_RANDOM, [](Viewer& v) { setSortOrder(v, 2); }},
    {CMD_SORT_TREE, [](Viewer& v) { setSortKey(v, 0); }},
    {CMD_SORT_TREESTRICT, [](Viewer& v) { setSortKey(v, 1); }},
    {CMD_SORT_NAME, [](Viewer& v) { setSortKey(v, 2); }},
    {CMD_SORT_CREATED, [](Viewer& v) { setSortKey(v, 3); }},
    {CMD_SORT_MODIFIED, [](Viewer& v) { setSortKey(v, 4); }},
    {CMD_SORT_ACCESSED, [](Viewer& v) { setSortKey(v, 5); }},
    {CMD_SORT_CASE, [](Viewer& v) {
         toggle(v.settings.sortcase);
         if (v.settings.sort != 2) v.sortExhibit();
     }},

    {CMD_VIEW_EXHIBIT, [](Viewer& v) { if (!v.building) v.viewFolder(v.exhibitRoot, true); }},
    {CMD_VIEW_DESKTOP, [](Viewer& v) { viewNamedFolder(v, v.settings.desktop); }},
    {CMD_VIEW_FAVORITES, [](Viewer& v) { viewNamedFolder(v, v.settings.favorites); }},
    {CMD_VIEW_ARCHIVE, [](Viewer& v) { viewNamedFolder(v, v.settings.archive); }},
    {CMD_VIEW_IMAGEDIR, [](Viewer& v) {
         if (v.exhibitSize() == 0 || v.building || !v.checkIsFile()) return;
         const std::wstring current = v.currentPathCopy();
         v.viewFolder(current.substr(0, current.rfind(L'\\')), false);
     }},
    {CMD_VIEW_LINKDIR, [](Viewer& v) { if (v.exhibitSize() != 0 && !v.building) v.viewLinkTarget(); }},

    {CMD_FOLDER, [](Viewer& v) {
         if (v.building) return;
         v.suspendSlideshow(true);
         if (v.chooseExhibitRoot(true)) {
             v.showCurrent(true);
             v.restartWatcherIfOn();
         }
         v.resumeSlideshow();
     }},
    {CMD_REFRESH, [](Viewer& v) { if (!v.building) v.viewFolder(v.exhibitRoot, false); }},
    {CMD_SUBFOLDERS, [](Viewer& v) {
         if (v.building) return;
         toggle(v.settings.subfolders);
         v.viewFolder(v.buildRootCopy(), false);
     }},
    {CMD_HIDDEN, [](Viewer& v) {
         if (v.building) return;
         toggle(v.settings.hidden);
         v.viewFolder(v.buildRootCopy(), false);
     }},
    {CMD_AUTOREFRESH, [](Viewer& v) {
         toggle(v.settings.autorefresh);
         if (v.settings.autorefresh)
             v.startWatcher();
         else
             v.stopWatcher();
     }},
    {CMD_AUTOFIND_CREATE, [](Viewer& v) { setAutoFind(v, 1); }},
    {CMD_AUTOFIND_MODIFY, [](Viewer& v) { setAutoFind(v, 2); }},
    {CMD_AUTOFIND_ACCESS, [](Viewer& v) { setAutoFind(v, 3); }},
    {CMD_FORMAT_BMP, [](Viewer& v) { toggleFormat(v, &Settings::bmp); }},
    {CMD_FORMAT_EMF, [](Viewer& v) { toggleFormat(v, &Settings::emf); }},
    {CMD_FORMAT_GIF, [](Viewer& v) { toggleFormat(v, &Settings::gif); }},
    {CMD_FORMAT_ICO, [](Viewer& v) { toggleFormat(v, &Settings::ico); }},
    {CMD_FORMAT_JPG, [](Viewer& v) { toggleFormat(v, &Settings::jpg); }},
    {CMD_FORMAT_PNG, [](Viewer& v) { toggleFormat(v, &Settings::png); }},
    {CMD_FORMAT_TIF, [](Viewer& v) { toggleFormat(v, &Settings::tif); }},
    {CMD_REMOVEFAIL, [](Viewer& v) { toggle(v.settings.removefail); }},
    {CMD_LOGERRORS, [](Viewer& v) { toggle(v.settings.logerrors); }},
    {CMD_LOGLNKFAIL, [](Viewer& v) { toggle(v.settings.loglnkfail); }},

    {CMD_FIND, [](Viewer& v) { showAfterFind(v, &Viewer::openFindDialog); }},
    {CMD_FIND_NEXT, [](Viewer& v) { showAfterFind(v, &Viewer::findNextAfterCurrent); }},
    {CMD_LANDSCAPE, [](Viewer& v) { toggleOrientationFilter(v, v.landscapeFilter, v.portraitFilter); }},
    {CMD_PORTRAIT, [](Viewer& v) { toggleOrientationFilter(v, v.portraitFilter, v.landscapeFilter); }},
    {CMD_BOOKMARK, [](Viewer& v) { if (!v.building) v.settings.bookmark = v.currentIndex; }},
    {CMD_GOTO_MARK, [](Viewer& v) {
         if (v.settings.bookmark >= 0 && static_cast<size_t>(v.settings.bookmark) < v.exhibitSize()) {
             v.currentIndex = v.settings.bookmark;
             v.showCurrent(true);
         }
     }},
    {CMD_MARK_ON_EXIT, [](Viewer& v) { toggle(v.settings.markexit); }},

    {CMD_SAVE_NOW, [](Viewer& v) { v.saveSettings(); }},
    {CMD_SAVE_AS, [](Viewer& v) { if (v.chooseSettingsFile()) v.saveSettings(); }},
    {CMD_SAVE_ON_EXIT, [](Viewer& v) { toggle(v.settings.savesettings); }},
    {CMD_SAVE_FOLDER, [](Viewer& v) { toggle(v.settings.savefolder); }},
    {CMD_EXIT, [](Viewer& v) { SendMessageW(v.mainWindow, WM_CLOSE, 0, 0); }},
};

const CommandRow* findCommand(CommandId id) {
    static const std::vector<CommandRow> table = [] {
        std::vector<CommandRow> rows(std::begin(kCommands), std::end(kCommands));
        std::sort(rows.begin(), rows.end(), [](const CommandRow& a, const CommandRow& b) { return a.id < b.id; });
        return rows;
    }();
    auto row = std::lower_bound(table.begin(), table.end(), id,
                                [](const CommandRow& r, CommandId value) { return r.id < value; });
    return row != table.end() && row->id == id ? &*row : nullptr;
}

}  // namespace

void Viewer::executeCommand(CommandId command) {
    if (noShell && (command == CMD_CATALOG || (command >= CMD_SHELL_VIEW && command <= CMD_BB_LENGTHEN))) return;
    if (noMenu && command < CMD_ABOUT && command != CMD_MENU) return;

    if (const CommandRow* row = findCommand(command)) row->run(*this);

    if (command >= CMD_TRANSITION_0 && command <= CMD_TRANSITION_14) toggleTransition(command - CMD_TRANSITION_0);
}

void Viewer::toggleTransition(int transition) {
    auto found = std::find(enabledTransitions.begin(), enabledTransitions.end(), transition);
    if (found != enabledTransitions.end())
        enabledTransitions.erase(found);
    else
        enabledTransitions.push_back(transition);
}
