// Files and folders dropped on the main window: one item builds its folder, several items are
// added directly (their folders scanned after them); Shift appends to the present exhibit.
#include <windows.h>
#include <shellapi.h>

#include "app.h"
#include "shortcut_file.h"
#include "viewer.h"
#include "win_handles.h"
#include "win_paths.h"

namespace {

std::wstring droppedName(HDROP drop, UINT index) {
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0 || length >= MAX_PATH) return {};  // names beyond the path limit are skipped
    std::wstring name(length + 1, L'\0');
    name.resize(DragQueryFileW(drop, index, name.data(), length + 1));
    return name;
}

}  // namespace

void Viewer::collectDroppedItems(const std::vector<std::wstring>& items, std::vector<std::wstring>& folders) {
    ShortcutFile shortcut;
    shortcut.open();
    const FormatSwitches formats = formatSwitches();
    std::wstring firstFile;
    for (const std::wstring& item : items) {
        if (item.empty() || item.size() >= MAX_PATH) continue;  // names beyond the path limit are skipped
        FileTime created = 0, modified = 0, accessed = 0;
        if (isShortcutPath(item)) {
            std::wstring target;
            if (!shortcut.readTarget(item, target, false)) continue;
            const WIN32_FIND_DATAW& data = shortcut.targetData();
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(target);
                continue;
            }
            if (!isAcceptedImage(target, formats)) continue;
            created = toFileTime(data.ftCreationTime);
            modified = toFileTime(data.ftLastWriteTime);
            accessed = toFileTime(data.ftLastAccessTime);
        } else {
            const DWORD attributes = GetFileAttributesW(item.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                folders.push_back(item);
                continue;
            }
            if (!isAcceptedImage(item, formats)) continue;
            // A file open elsewhere without sharing keeps zero times.
            const FileHandle file(CreateFileW(item.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            FILETIME c, a, m;
            if (file && GetFileTime(file.get(), &c, &a, &m)) {
                created = toFileTime(c);
                modified = toFileTime(m);
                accessed = toFileTime(a);
            }
        }
        {
            std::lock_guard lock(store.exhibitMutex);
            store.exhibit.append(item, created, modified, accessed);
        }
        if (firstFile.empty()) firstFile = item;
    }
    if (!firstFile.empty()) store.setCurrentPath(firstFile);
}

void Viewer::resolveDroppedItem(const std::wstring& item, std::wstring& folder) {
    if (isShortcutPath(item)) {
        ShortcutFile shortcut;
        shortcut.open();
        std::wstring target;
        if (shortcut.readTarget(item, target, false)) {
            if (shortcut.targetData().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folder = target;
            } else {
                store.setCurrentPath(item);
                folder = folderOfPath(item);
            }
            return;
        }
    }
    const DWORD attributes = GetFileAttributesW(item.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        folder = item;
        return;
    }
    store.setCurrentPath(item);
    folder = folderOfPath(item);
}

void Viewer::onDropFiles(HDROP drop) {
    std::vector<std::wstring> items;
    if (!store.building) {
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) items.push_back(droppedName(drop, i));
    }
    DragFinish(drop);
    onDroppedItems(items, GetKeyState(VK_SHIFT) < 0);
}

void Viewer::onDroppedItems(const std::vector<std::wstring>& items, bool append) {
    if (store.building || items.empty()) return;
    suspendSlideshow(false);
    SetForegroundWindow(mainWindow);

    if (items.size() > 1) {
        if (!append) {
            std::lock_guard lock(store.exhibitMutex);
            store.exhibit.clear();
            store.currentIndex = 0;
        }
        std::vector<std::wstring> folders;
        collectDroppedItems(items, folders);
        buildExhibit(store.exhibitRoot, true, &folders);
        if (store.size() == 0) buildExhibit(store.buildRootCopy(), false);
    } else {
        const std::wstring& item = items.front();
        if (!item.empty()) {
            std::wstring folder;
            resolveDroppedItem(item, folder);
            // A dropped folder that yields images becomes the exhibit root.
            if (buildExhibit(folder, append) && !append) store.takeNewRoot(folder);
        }
    }
    showCurrent(true);
    resumeSlideshow();
    restartWatcherIfOn();
}
