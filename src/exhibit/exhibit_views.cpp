// Viewing other folders in place of the exhibit, setting the exhibit aside and bringing it back.
#include <windows.h>

#include "app.h"
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
        std::lock_guard lock(exhibitMutex);
        savedExhibit = exhibit;
    }
    savedIndex = currentIndex;
    savedSort = settings.sort;
    savedSortBy = settings.sortby;
    savedSortCase = settings.sortcase;
    savedSubfolders = settings.subfolders;
    savedHidden = settings.hidden;
}

void Viewer::restoreExhibit() {
    std::lock_guard lock(exhibitMutex);
    exhibit = savedExhibit;
    filterActive = false;
    currentIndex = savedIndex;
    settings.sort = savedSort;
    settings.sortby = savedSortBy;
    settings.sortcase = savedSortCase;
    settings.subfolders = savedSubfolders;
    settings.hidden = savedHidden;
    if (static_cast<size_t>(currentIndex) >= exhibit.size()) currentIndex = exhibit.empty() ? 0 : static_cast<int>(exhibit.size()) - 1;
}

void Viewer::viewFolder(const std::wstring& path, bool backToExhibit) {
    const std::wstring full = fullPath(path);
    bool isFolder = false;
    if (!availableFolder(path, isFolder)) {
        showMessage(path + L" " + language.message(kMsgUnavailable), kExclamation);
        return;
    }
    if (!isFolder) return;
    const bool changed = full != buildRootCopy();

    if (backToExhibit) {
        if (!savedExhibit.empty()) {
            restoreExhibit();
        } else if (exhibitRoot == buildRootCopy() && !filterActive) {
            saveExhibit();
        } else {
            buildExhibit(full, false);
        }
        {
            std::lock_guard lock(exhibitMutex);
            buildRoot = full;
        }
        if (catalogWindow) PostMessageW(catalogWindow, WM_COMMAND, 1112, 0);
    } else {
        if (exhibitRoot == buildRootCopy() && !filterActive) {
            saveExhibit();
        } else if (exhibitRoot == full) {
            savedExhibit.clear();
            filterActive = false;
        }
        buildExhibit(full, false);
    }
    showCurrent(true);
    if (changed) restartWatcherIfOn();
}

void Viewer::viewLinkTarget() {
    const std::wstring current = currentPathCopy();
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
