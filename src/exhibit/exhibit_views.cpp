// Viewing other folders in place of the exhibit, setting the exhibit aside and bringing it back.
#include <windows.h>

#include "app.h"
#include "command_ids.h"
#include "shortcut_file.h"
#include "viewer.h"
#include "win_paths.h"

namespace {

bool availableFolder(const std::wstring& path, bool& isFolder) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_OFFLINE)) return false;
    isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return true;
}

}  // namespace

void Viewer::saveExhibit() {
    {
        std::lock_guard lock(store.exhibitMutex);
        store.savedExhibit = store.exhibit;
    }
    store.savedIndex = store.currentIndex;
    store.savedOrder = exhibitOrder();
    store.savedSubfolders = settings.subfolders;
    store.savedHidden = settings.hidden;
}

void Viewer::restoreExhibit() {
    std::lock_guard lock(store.exhibitMutex);
    store.exhibit = store.savedExhibit;
    store.filterActive = false;
    store.currentIndex = store.savedIndex;
    settings.sort = store.savedOrder.sort;
    settings.sortby = store.savedOrder.sortby;
    settings.sortcase = store.savedOrder.sortcase;
    settings.subfolders = store.savedSubfolders;
    settings.hidden = store.savedHidden;
    const size_t size = store.exhibit.size();
    if (static_cast<size_t>(store.currentIndex) >= size) store.currentIndex = size == 0 ? 0 : static_cast<int>(size) - 1;
}

void Viewer::viewFolder(const std::wstring& path, bool backToExhibit) {
    const std::wstring full = fullPath(path);
    bool isFolder = false;
    if (!availableFolder(path, isFolder)) {
        showMessage(path + L" " + language.message(kMsgUnavailable), kExclamation);
        return;
    }
    if (!isFolder) return;
    const bool changed = full != store.buildRootCopy();

    if (backToExhibit) {
        if (!store.savedExhibit.empty()) {
            restoreExhibit();
        } else if (store.exhibitRoot == store.buildRootCopy() && !store.filterActive) {
            saveExhibit();
        } else {
            buildExhibit(full, false);
        }
        {
            std::lock_guard lock(store.exhibitMutex);
            store.buildRoot = full;
        }
        if (window.catalogWindow) PostMessageW(window.catalogWindow, WM_COMMAND, CMD_REFRESH, 0);
    } else {
        if (store.exhibitRoot == store.buildRootCopy() && !store.filterActive) {
            saveExhibit();
        } else if (store.exhibitRoot == full) {
            store.savedExhibit.clear();
            store.filterActive = false;
        }
        buildExhibit(full, false);
    }
    showCurrent(true);
    if (changed) restartWatcherIfOn();
}

bool Viewer::openExhibitRoot(const std::wstring& folder, bool append) {
    if (append) return buildExhibit(folder, true);
    store.takeNewRoot(folder);
    return buildExhibit(folder, false);
}

void Viewer::viewLinkTarget() {
    const std::wstring current = store.currentPathCopy();
    if (!isShortcutPath(current)) return;
    ShortcutFile shortcut;
    shortcut.open();
    std::wstring target;
    if (!shortcut.readTarget(current, target, false)) return;
    const std::wstring folder = folderOfPath(target);
    bool isFolder = false;
    if (!availableFolder(folder, isFolder)) {
        showMessage(folder + L" " + language.message(kMsgUnavailable), kExclamation);
        return;
    }
    if (!isFolder) return;
    buildExhibit(folder, false);
    showCurrent(true);
    restartWatcherIfOn();
}
