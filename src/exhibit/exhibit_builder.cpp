// Building the exhibit: a breadth-first scan of the root folders on a builder thread. The caller is
// released as soon as the first folder that yields images has been scanned.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <unordered_set>

#include "command_ids.h"
#include "decoding/system_codecs.h"
#include "exhibit_order.h"
#include "exhibit_store.h"
#include "shortcut_file.h"
#include "text.h"
#include "viewer.h"
#include "win_handles.h"
#include "win_paths.h"
#include "window_messages.h"

namespace {

// Paths longer than this do not fit the platform's path buffers; such items are skipped.
constexpr size_t kMaxPathChars = MAX_PATH - 1;

// While scans are held, a scan that is nearly done when it releases its requester is left to
// finish (so the exhibit of a small folder is complete at once, as always); one that reads this
// many more names rests.
constexpr size_t kNamesBeforeRest = 1000;

struct FoundEntry {
    std::wstring path;
    FileTime created, modified, accessed;
};

// A file met before the system formats were known, with the name its format is told by (a
// shortcut's target).
struct PendingEntry {
    FoundEntry entry;
    std::wstring name;
};

// How long the end of a scan waits for the system formats to become known.
constexpr std::chrono::seconds kSystemFormatsWait{15};

// Moves the pending files of a system format into `found` once the formats are known; the others go.
void settlePending(std::vector<PendingEntry>& pending, std::vector<FoundEntry>& found, const FormatSwitches& formats) {
    if (pending.empty() || !formats.systemFormats || !formats.systemFormats->known()) return;
    for (PendingEntry& item : pending)
        if (isAcceptedImage(item.name, formats)) found.push_back(std::move(item.entry));
    pending.clear();
}

// True when `prefix`, compared without regard to case over its own length, begins `text`.
bool isPrefixNoCase(const std::wstring& prefix, const std::wstring& text) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (prefix[i] != text[i] && foldCase(prefix[i]) != foldCase(text[i])) return false;
    return true;
}

// What makes a folder the same folder however it is reached (through links, "..", another
// spelling): its volume and file index.
struct FolderIdentity {
    DWORD volume = 0;
    uint64_t index = 0;
    bool operator==(const FolderIdentity&) const = default;
};

struct FolderIdentityHash {
    size_t operator()(const FolderIdentity& id) const noexcept {
        return std::hash<uint64_t>()(id.index * 31u + id.volume);
    }
};

// The folder's identity; false when the folder cannot be opened to ask.
bool folderIdentity(const std::wstring& folder, FolderIdentity& id) {
    if (folder.size() > kMaxPathChars) return false;
    const FileHandle handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!handle || !GetFileInformationByHandle(handle.get(), &info)) return false;
    id.volume = info.dwVolumeSerialNumber;
    id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

}  // namespace

// ---- The store ----

ExhibitStore::~ExhibitStore() { endBuilding(); }

std::wstring ExhibitStore::buildRootCopy() const {
    std::lock_guard lock(exhibitMutex);
    return buildRoot;
}

size_t ExhibitStore::size() const {
    std::lock_guard lock(exhibitMutex);
    return exhibit.size();
}

std::wstring ExhibitStore::entryPath(size_t index) const {
    std::lock_guard lock(exhibitMutex);
    return index < exhibit.size() ? std::wstring(exhibit[index].path()) : std::wstring();
}

std::wstring ExhibitStore::takeCurrentEntry(size_t& count) {
    std::lock_guard lock(exhibitMutex);
    count = exhibit.size();
    if (count == 0) return {};
    if (static_cast<size_t>(currentIndex) >= count) currentIndex = 0;
    currentPath = std::wstring(exhibit[static_cast<size_t>(currentIndex)].path());
    return currentPath;
}

std::wstring ExhibitStore::currentPathCopy() const {
    std::lock_guard lock(exhibitMutex);
    return currentPath;
}

void ExhibitStore::setCurrentPath(const std::wstring& path) {
    std::lock_guard lock(exhibitMutex);
    currentPath = path;
}

void ExhibitStore::waitForBuilder() {
    if (builderThread.joinable()) builderThread.join();
}

void ExhibitStore::endBuilding() {
    shuttingDown = true;
    std::lock_guard control(buildControlMutex);
    cancelBuild = true;
    wakeRestingScan();
    waitForBuilder();
}

void ExhibitStore::holdScans() {
    std::lock_guard lock(holdMutex);
    scansHeld = true;
}

void ExhibitStore::resumeScans() {
    {
        std::lock_guard lock(holdMutex);
        scansHeld = false;
    }
    holdChanged.notify_all();
}

void ExhibitStore::wakeRestingScan() {
    // Taking the lock orders this after the resting scan's last look at cancelBuild.
    { std::lock_guard lock(holdMutex); }
    holdChanged.notify_all();
}

void ExhibitStore::restWhileHeld() {
    std::unique_lock lock(holdMutex);
    holdChanged.wait_for(lock, kLongestRest, [this] { return !scansHeld || cancelBuild; });
}

bool ExhibitStore::build(BuildRequest request) {
    std::lock_guard control(buildControlMutex);
    if (shuttingDown) return false;

    // Only one scan changes the exhibit: a build requested while another runs stops that one first.
    if (building) {
        cancelBuild = true;
        wakeRestingScan();
    }
    waitForBuilder();
    cancelBuild = shuttingDown.load();  // a build that starts during shut-down ends at once
    // The builder has ended: if it was the watcher's (or carried the watcher's) and was stopped
    // before its end, this build announces that end instead.
    request.announcesWatcherEnd = request.byWatcher || watcherEndPending;
    watcherEndPending = request.announcesWatcherEnd;

    {
        std::lock_guard lock(exhibitMutex);
        buildRoot = request.root;
        order = request.order;
        if (!request.append) {
            currentIndex = 0;
            exhibit.clear();
        }
    }

    // The event releases a requester that waits for the first folder; the requester closes it after
    // the wait, and the builder never touches it after setting it.
    KernelHandle buildEvent;
    if (request.waitForFirstFolder) {
        buildEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!buildEvent) return size() != 0;
    }
    const bool wait = request.waitForFirstFolder;
    building = true;
    try {
        builderThread = std::thread([this, request = std::move(request), event = buildEvent.get()] {
            scanFolders(request, event);
        });
    } catch (...) {
        building = false;
        return size() != 0;
    }
    if (wait) WaitForSingleObject(buildEvent.get(), INFINITE);
    return size() != 0;
}

void ExhibitStore::scanFolders(const BuildRequest& request, HANDLE buildEvent) {
    ShortcutFile shortcut;  // opened at the first shortcut met: COM is slow to start
    bool shortcutTried = false;
    {
        std::lock_guard lock(exhibitMutex);
        std::srand(GetTickCount());
        randomEngine.seed(GetTickCount());
    }

    std::deque<std::wstring> queue(request.roots.begin(), request.roots.end());
    // A folder reached twice (by the same text, or through links that loop) is scanned once: folders
    // are told apart by identity, and by text only when their identity cannot be read.
    std::unordered_set<std::wstring> visited;
    std::unordered_set<FolderIdentity, FolderIdentityHash> visitedIds;
    bool released = false;
    size_t names = 0;  // names read so far
    size_t restAfterNames = 0;
    bool rested = false;
    std::vector<FoundEntry> found;
    std::vector<PendingEntry> pending;
    const auto appendFound = [&] {
        if (found.empty()) return;
        std::lock_guard lock(exhibitMutex);
        for (const FoundEntry& entry : found) exhibit.append(entry.path, entry.created, entry.modified, entry.accessed);
    };
    const auto release = [&] {
        const long long index = indexOfPath(currentPathCopy());
        currentIndex = index < 0 ? 0 : static_cast<int>(index);
        if (buildEvent) SetEvent(buildEvent);
        released = true;
    };

    while (!queue.empty() && !cancelBuild) {
        std::wstring folder = std::move(queue.front());
        queue.pop_front();
        if (!visited.insert(folder).second) continue;
        if (FolderIdentity id; folderIdentity(folder, id) && !visitedIds.insert(id).second) continue;

        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        found.clear();
        WIN32_FIND_DATAW item;
        const std::wstring pattern = folder + L"*";
        const FindHandle search(pattern.size() <= kMaxPathChars
                                    ? FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &item, FindExSearchNameMatch,
                                                       nullptr, FIND_FIRST_EX_LARGE_FETCH)
                                    : INVALID_HANDLE_VALUE);
        if (search) {
            do {
                ++names;
                std::wstring itemPath = folder + item.cFileName;
                if (itemPath.size() > kMaxPathChars) continue;

                const WIN32_FIND_DATAW* data = &item;
                std::wstring target;
                const bool viaShortcut = isShortcutPath(item.cFileName) && !(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
                if (viaShortcut) {
                    if (!shortcutTried) {
                        shortcutTried = true;
                        shortcut.open();
                    }
                    // An unreadable shortcut is skipped; it never inherits another one's target.
                    if (!shortcut.readTarget(itemPath, target, false)) continue;
                    data = &shortcut.targetData();
                }

                if (data->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    if (!request.subfolders) continue;
                    const std::wstring name = data->cFileName;
                    if (name == L"." || name == L"..") continue;
                    if (name.find(L"RECYCLER") != std::wstring::npos) continue;
                    if ((data->dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !request.hidden) continue;
                    if (!viaShortcut) {
                        queue.push_back(std::move(itemPath));
                    } else if (!isPrefixNoCase(target, pattern)) {
                        // A shortcut to this folder or one of its ancestors is not followed.
                        queue.push_back(target);
                    }
                    continue;
                }

                const std::wstring_view name = viaShortcut ? std::wstring_view(target) : std::wstring_view(item.cFileName);
                if (!isAcceptedImage(name, request.formats)) {
                    if (awaitsSystemFormats(name, request.formats))
                        pending.push_back({{std::move(itemPath), toFileTime(data->ftCreationTime),
                                            toFileTime(data->ftLastWriteTime), toFileTime(data->ftLastAccessTime)},
                                           std::wstring(name)});
                    continue;
                }
                found.push_back({std::move(itemPath), toFileTime(data->ftCreationTime), toFileTime(data->ftLastWriteTime),
                                 toFileTime(data->ftLastAccessTime)});
            } while (!cancelBuild && FindNextFileW(search.get(), &item));
        }

        settlePending(pending, found, request.formats);
        appendFound();
        if (!released && size() != 0) {
            release();
            restAfterNames = names + kNamesBeforeRest;
        } else if (released && !rested && names >= restAfterNames) {
            rested = true;
            restWhileHeld();
        }
    }

    // Files met before the system formats were known are settled now, off the first picture's path.
    if (!pending.empty() && !cancelBuild) {
        const auto until = std::chrono::steady_clock::now() + kSystemFormatsWait;
        while (!cancelBuild && std::chrono::steady_clock::now() < until &&
               !request.formats.systemFormats->waitUntilKnown(std::chrono::milliseconds(100))) {
        }
        found.clear();
        settlePending(pending, found, request.formats);
        appendFound();
        if (!released && size() != 0) release();
    }
    if (!released && buildEvent) SetEvent(buildEvent);
    if (cancelBuild) {
        building = false;
        return;
    }
    {
        // In the order last asked for: a sort command given during the build counts.
        std::unique_lock lock(exhibitMutex);
        sortEntriesLocked(order, lock);
        exhibit.shrinkToFit();
    }
    building = false;
    // The main window refreshes the count of its status bar, and refills a Catalog that is open by
    // then (it may have opened after the build was asked for); the end of a watcher's rebuild also
    // runs auto-find, which refills the Catalog on its own.
    PostMessageW(request.mainWindow, MainMessage::BuildEnded, request.announcesWatcherEnd ? 1 : 0, 0);
    if (request.announcesWatcherEnd) {
        watcherEndPending = false;
        PostMessageW(request.mainWindow, MainMessage::AutoRefreshDone, 0, 0);
    }
}

void ExhibitStore::sortEntries(const ExhibitOrder& newOrder) {
    std::unique_lock lock(exhibitMutex);
    order = newOrder;
    sortEntriesLocked(newOrder, lock);
}

// Called and returns with the lock held; it is let go only for the slow look-up through shortcuts.
void ExhibitStore::sortEntriesLocked(const ExhibitOrder& by, std::unique_lock<std::mutex>& lock) {
    orderEntries(exhibit.entries(), by.sort, by.sortby, by.sortcase, randomEngine);
    std::wstring current = currentPath;
    if (exhibit.empty() || current.empty()) {
        currentIndex = 0;
        return;
    }
    for (size_t i = 0; i < exhibit.size(); ++i)
        if (exhibit[i].path() == current) {
            currentIndex = static_cast<int>(i);
            return;
        }
    // Not there by its own path: look through shortcuts (slow), then store the answer only if the
    // current image is still the one that was looked up.
    lock.unlock();
    const long long index = indexOfPath(current);
    lock.lock();
    if (currentPath == current) currentIndex = index < 0 ? 0 : static_cast<int>(index);
}

long long ExhibitStore::indexOfPath(const std::wstring& path) const {
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

namespace {

// The index of the entry naming `path` (in any letter case), the one at `preferred` first; npos for none.
size_t findEntry(const Exhibit& exhibit, const std::wstring& path, size_t preferred) {
    auto names = [&](size_t i) { return equalsNoCase(std::wstring(exhibit[i].path()), path); };
    if (path.empty()) return std::wstring::npos;
    if (preferred < exhibit.size() && names(preferred)) return preferred;
    for (size_t i = 0; i < exhibit.size(); ++i)
        if (names(i)) return i;
    return std::wstring::npos;
}

}  // namespace

bool ExhibitStore::removeEntry(const std::wstring& path) {
    std::lock_guard lock(exhibitMutex);
    const size_t index = findEntry(exhibit, path, static_cast<size_t>(currentIndex));
    if (index == std::wstring::npos) return false;
    exhibit.erase(index);
    if (static_cast<int>(index) < currentIndex) --currentIndex;
    if (static_cast<size_t>(currentIndex) >= exhibit.size()) currentIndex = 0;
    return true;
}

void ExhibitStore::moveEntry(const std::wstring& from, const std::wstring& to, FileTime created, FileTime modified,
                             FileTime accessed) {
    std::lock_guard lock(exhibitMutex);
    size_t index = findEntry(exhibit, from, static_cast<size_t>(currentIndex));
    if (index == std::wstring::npos) index = std::min(static_cast<size_t>(currentIndex), exhibit.size());
    else exhibit.erase(index);
    for (size_t other; (other = findEntry(exhibit, to, index)) != std::wstring::npos;) {
        exhibit.erase(other);
        if (other < index) --index;
    }
    exhibit.insert(index, to, created, modified, accessed);
    currentIndex = static_cast<int>(index);
}

void ExhibitStore::insertEntryIfAbsent(size_t index, const std::wstring& path, FileTime created, FileTime modified,
                                       FileTime accessed) {
    std::lock_guard lock(exhibitMutex);
    if (findEntry(exhibit, path, index) != std::wstring::npos) return;
    exhibit.insert(std::min(index, exhibit.size()), path, created, modified, accessed);
}

bool ExhibitStore::removeCurrentEntryIf(const std::wstring& path) {
    std::lock_guard lock(exhibitMutex);
    const size_t index = static_cast<size_t>(currentIndex);
    if (path.empty() || index >= exhibit.size() || exhibit[index].path() != path) return false;
    exhibit.erase(index);
    if (static_cast<size_t>(currentIndex) >= exhibit.size()) currentIndex = 0;
    return true;
}

// ---- The Viewer's side ----

FormatSwitches Viewer::formatSwitches() const {
    const Settings& s = settings;
    return {s.bmp, s.emf, s.gif, s.ico, s.jpg, s.png, s.tif, s.wic, systemImageExtensions()};
}

ExhibitOrder Viewer::exhibitOrder() const { return {settings.sort, settings.sortby, settings.sortcase}; }

bool Viewer::buildExhibit(const std::wstring& root, bool append, const std::vector<std::wstring>* roots,
                          bool byWatcher) {
    dropReadAhead();
    BuildRequest request;
    request.root = root;
    request.roots = roots ? *roots : std::vector<std::wstring>{root};
    request.append = append;
    request.formats = formatSwitches();
    request.subfolders = settings.subfolders;
    request.hidden = settings.hidden;
    request.order = exhibitOrder();
    request.mainWindow = mainWindow;
    request.byWatcher = byWatcher;
    request.waitForFirstFolder = !byWatcher;
    return store.build(std::move(request));
}

void Viewer::sortExhibit() {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    dropReadAhead();  // the next entry is another one now
    store.sortEntries(exhibitOrder());
    SetCursor(previous);
}
