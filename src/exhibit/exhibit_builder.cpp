// Building the exhibit: a breadth-first scan of the root folders on a builder thread. The caller is
// released as soon as the first folder that yields images has been scanned.
#include <windows.h>

#include <cstdlib>
#include <deque>
#include <unordered_set>

#include "app.h"
#include "exhibit_order.h"
#include "shortcut_file.h"
#include "text.h"
#include "viewer.h"
#include "win_paths.h"

namespace {

// Paths longer than this do not fit the platform's path buffers; such items are skipped.
constexpr size_t kMaxPathChars = MAX_PATH - 1;

struct FoundEntry {
    std::wstring path;
    FileTime created, modified, accessed;
};

// Set on the builder thread, which must not touch the interface (cursor, windows).
thread_local bool onBuilderThread = false;

// True when `prefix`, compared without regard to case over its own length, begins `text`.
bool isPrefixNoCase(const std::wstring& prefix, const std::wstring& text) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (prefix[i] != text[i] && foldCase(prefix[i]) != foldCase(text[i])) return false;
    return true;
}

}  // namespace

FormatSwitches Viewer::formatSwitches() const {
    const Settings& s = settings;
    return {s.bmp, s.emf, s.gif, s.ico, s.jpg, s.png, s.tif};
}

std::wstring Viewer::buildRootCopy() const {
    std::lock_guard lock(exhibitMutex);
    return buildRoot;
}

size_t Viewer::exhibitSize() const {
    std::lock_guard lock(exhibitMutex);
    return exhibit.size();
}

std::wstring Viewer::entryPath(size_t index) const {
    std::lock_guard lock(exhibitMutex);
    return index < exhibit.size() ? std::wstring(exhibit[index].path()) : std::wstring();
}

void Viewer::waitForBuilder() {
    if (builderThread.joinable()) builderThread.join();
}

bool Viewer::buildExhibit(const std::wstring& root, bool append, const std::vector<std::wstring>* roots,
                          bool byWatcher) {
    std::lock_guard control(buildControlMutex);
    if (shuttingDown) return false;

    // Only one scan changes the exhibit: a build requested while another runs stops that one first.
    if (building) cancelBuild = true;
    waitForBuilder();
    cancelBuild = shuttingDown.load();  // a build that starts during shut-down ends at once

    {
        std::lock_guard lock(exhibitMutex);
        buildRoot = root;
        if (!append) {
            currentIndex = 0;
            exhibit.clear();
        }
    }
    std::vector<std::wstring> scanList = roots ? *roots : std::vector<std::wstring>{root};

    HANDLE buildEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!buildEvent) return exhibitSize() != 0;
    building = true;
    try {
        builderThread = std::thread([this, scanList, buildEvent, byWatcher] { scanFolders(scanList, buildEvent, byWatcher); });
    } catch (...) {
        building = false;
        CloseHandle(buildEvent);
        return exhibitSize() != 0;
    }
    WaitForSingleObject(buildEvent, INFINITE);
    CloseHandle(buildEvent);
    return exhibitSize() != 0;
}

std::wstring Viewer::currentPathCopy() const {
    std::lock_guard lock(exhibitMutex);
    return currentPath;
}

void Viewer::setCurrentPath(const std::wstring& path) {
    std::lock_guard lock(exhibitMutex);
    currentPath = path;
}

void Viewer::scanFolders(std::vector<std::wstring> roots, HANDLE buildEvent, bool byWatcher) {
    onBuilderThread = true;
    ShortcutFile shortcut;
    shortcut.open();
    {
        std::lock_guard lock(exhibitMutex);
        std::srand(GetTickCount());
        randomEngine.seed(GetTickCount());
    }
    const FormatSwitches formats = formatSwitches();
    const bool subfolders = settings.subfolders;
    const bool hidden = settings.hidden;

    std::deque<std::wstring> queue(roots.begin(), roots.end());
    std::unordered_set<std::wstring> visited;
    bool released = false;
    std::vector<FoundEntry> found;

    while (!queue.empty() && !cancelBuild) {
        std::wstring folder = std::move(queue.front());
        queue.pop_front();
        if (!visited.insert(folder).second) continue;

        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        found.clear();
        WIN32_FIND_DATAW item;
        const std::wstring pattern = folder + L"*";
        HANDLE search = pattern.size() <= kMaxPathChars
                            ? FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &item, FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH)
                            : INVALID_HANDLE_VALUE;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::wstring itemPath = folder + item.cFileName;
                if (itemPath.size() > kMaxPathChars) continue;

                const WIN32_FIND_DATAW* data = &item;
                std::wstring target;
                const bool viaShortcut = isShortcutPath(item.cFileName) && !(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
                if (viaShortcut) {
                    // An unreadable shortcut is skipped; it never inherits another one's target.
                    if (!shortcut.readTarget(itemPath, target, false)) continue;
                    data = &shortcut.targetData();
                }

                if (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (!subfolders) continue;
                    const std::wstring name = data->cFileName;
                    if (name == L"." || name == L"..") continue;
                    if (name.find(L"RECYCLER") != std::wstring::npos) continue;
                    if ((data->dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !hidden) continue;
                    if (!viaShortcut) {
                        queue.push_back(std::move(itemPath));
                    } else if (!isPrefixNoCase(target, pattern)) {
                        // A shortcut to this folder or one of its ancestors is not followed.
                        queue.push_back(target);
                    }
                    continue;
                }

                if (!isAcceptedImage(viaShortcut ? std::wstring_view(target) : std::wstring_view(item.cFileName), formats))
                    continue;
                found.push_back({std::move(itemPath), toFileTime(data->ftCreationTime), toFileTime(data->ftLastWriteTime),
                                 toFileTime(data->ftLastAccessTime)});
            } while (!cancelBuild && FindNextFileW(search, &item));
            FindClose(search);
        }

        if (!found.empty()) {
            std::lock_guard lock(exhibitMutex);
            for (const FoundEntry& entry : found)
                exhibit.append(entry.path, entry.created, entry.modified, entry.accessed);
        }
        if (!released && exhibitSize() != 0) {
            const long long index = indexOfPath(currentPathCopy());
            currentIndex = index < 0 ? 0 : static_cast<int>(index);
            SetEvent(buildEvent);
            released = true;
        }
    }

    if (!released) SetEvent(buildEvent);
    if (cancelBuild) {
        building = false;
        shortcut.close();
        return;
    }
    sortExhibit();
    {
        std::lock_guard lock(exhibitMutex);
        exhibit.shrinkToFit();
    }
    building = false;
    // A build the interface asked for is never taken for the watcher's, even when it replaced one.
    if (!byWatcher) {
        if (catalogWindow) PostMessageW(catalogWindow, WM_COMMAND, 1112, 0);
    } else {
        PostMessageW(mainWindow, WM_USER + 8, 0, 0);
    }
    // The count in the status bar was that of the first folder: refresh it.
    if (IsWindowVisible(mainWindow) && statusBarWindow && exhibitSize() != 0 && image.loaded())
        PostMessageW(mainWindow, WM_USER + 4, 0, 0);
    shortcut.close();
}

void Viewer::sortExhibit() {
    const bool onInterfaceThread = !onBuilderThread;
    HCURSOR previous = onInterfaceThread ? SetCursor(LoadCursorW(nullptr, IDC_WAIT)) : nullptr;
    // The current image is re-found in the same locked step as the ordering, so that a step the
    // interface takes meanwhile is never overwritten with a stale index.
    std::wstring current;
    {
        std::lock_guard lock(exhibitMutex);
        orderEntries(exhibit.entries(), settings.sort, settings.sortby, settings.sortcase, randomEngine);
        current = currentPath;
        if (exhibit.empty() || current.empty()) {
            currentIndex = 0;
            current.clear();
        } else {
            for (size_t i = 0; i < exhibit.size(); ++i)
                if (exhibit[i].path() == current) {
                    currentIndex = static_cast<int>(i);
                    current.clear();  // found
                    break;
                }
        }
    }
    if (!current.empty()) {
        // Not there by its own path: look through shortcuts (slow), then store the answer only if
        // the current image is still the one that was looked up.
        const long long index = indexOfPath(current);
        std::lock_guard lock(exhibitMutex);
        if (currentPath == current) currentIndex = index < 0 ? 0 : static_cast<int>(index);
    }
    if (onInterfaceThread) SetCursor(previous);
}

long long Viewer::indexOfPath(const std::wstring& path) {
    if (path.empty()) return -1;
    std::vector<std::wstring> shortcuts;  // entries that are shortcuts, with their indexes below
    std::vector<size_t> shortcutIndexes;
    {
        std::lock_guard lock(exhibitMutex);
        for (size_t i = 0; i < exhibit.size(); ++i)
            if (exhibit[i].path() == path) return static_cast<long long>(i);
        for (size_t i = 0; i < exhibit.size(); ++i)
            if (isShortcutPath(exhibit[i].path())) {
                shortcuts.emplace_back(exhibit[i].path());
                shortcutIndexes.push_back(i);
            }
    }
    ShortcutFile shortcut;
    shortcut.open();
    std::wstring target;
    if (isShortcutPath(path) && shortcut.readTarget(path, target, false)) {
        std::lock_guard lock(exhibitMutex);
        for (size_t i = 0; i < exhibit.size(); ++i)
            if (exhibit[i].path() == target) return static_cast<long long>(i);
    }
    for (size_t k = 0; k < shortcuts.size(); ++k) {
        std::wstring entryTarget;
        if (shortcut.readTarget(shortcuts[k], entryTarget, false) && entryTarget == path)
            return static_cast<long long>(shortcutIndexes[k]);
    }
    return -1;
}

void Viewer::removeCurrentEntry() {
    std::lock_guard lock(exhibitMutex);
    if (exhibit.empty()) return;
    exhibit.erase(static_cast<size_t>(currentIndex));
    if (static_cast<size_t>(currentIndex) >= exhibit.size()) currentIndex = 0;
}
