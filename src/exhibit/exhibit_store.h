// The exhibit and its builder: the ordered list of images, the current entry, the exhibit set aside
// while another folder is viewed or a filter is in force, and the builder thread that scans folders
// into the list.
//
// The builder thread appends to `exhibit` and orders it while the interface thread reads it: both
// take exhibitMutex. The builder gets everything else it needs by value in its BuildRequest and
// reports back only through this store (under the lock) and by posting messages to the windows
// named in the request.
#pragma once

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/setting_values.h"
#include "exhibit.h"

// The three ordering settings, as they stood when an ordering was asked for.
struct ExhibitOrder {
    int16_t sort = kSortForward;
    int16_t sortby = kSortTreeStrict;
    bool sortcase = false;
};

// One build, with the settings and windows it uses taken when it was requested.
struct BuildRequest {
    std::wstring root;               // becomes the build root
    std::vector<std::wstring> roots; // the folders scanned, in order
    bool append = false;             // add to the exhibit instead of replacing it
    FormatSwitches formats;
    bool subfolders = true;
    bool hidden = true;
    ExhibitOrder order;              // the order asked for; an ordering asked for later replaces it
    HWND mainWindow = nullptr;       // told when the build ends (status bar, Catalog, auto-find)
    bool byWatcher = false;          // the folder watcher asked for it
    bool announcesWatcherEnd = false;  // its end is announced for auto-find (set by the store)
    bool waitForFirstFolder = true;  // the requester waits until the first folder with images is in
};

class ExhibitStore {
public:
    ExhibitStore() = default;
    ~ExhibitStore();  // a running build is cancelled and waited for
    ExhibitStore(const ExhibitStore&) = delete;
    ExhibitStore& operator=(const ExhibitStore&) = delete;

    // Starts a build; a build that runs is stopped first (only one scan changes the exhibit). With
    // waitForFirstFolder, returns once the first folder that yields images has been scanned (or the
    // scan ended). True when the exhibit is then not empty. Refused (false) once shut-down began.
    bool build(BuildRequest request);
    // Shut-down: no new build starts; a running one is cancelled and waited for.
    void endBuilding();
    // Start-up: from holdScans() until resumeScans(), a scan that goes on long after releasing its
    // requester rests, so that it does not take the processor from the first picture. A cancel
    // ends the rest at once, and it never lasts longer than kLongestRest.
    void holdScans();
    void resumeScans();
    static constexpr std::chrono::milliseconds kLongestRest{1000};
    void waitForBuilder();

    // Orders the exhibit and finds the current image again in the same locked step, so that a step
    // the interface takes meanwhile is never overwritten with a stale index. The order is kept: a
    // build that ends later orders its result the same way.
    void sortEntries(const ExhibitOrder& order);
    // Index of the entry for the path: the path itself, the target of a shortcut path, or a
    // shortcut entry whose target is the path; -1 for none.
    long long indexOfPath(const std::wstring& path) const;
    // After a file operation, each in one locked step. A rebuild may have moved the entries since the
    // operation read the current one, so entries are found by their paths (the current entry first;
    // paths name one file in any letter case), never taken from the index alone.
    // The entry of a file that is gone: the index keeps designating the entry it did, or the one that
    // followed the removed current entry (0 past the end). False when no entry names the path.
    bool removeEntry(const std::wstring& path);
    // A file moved or renamed from `from` to `to`: its entry takes the new path at its place and
    // becomes current, and any other entry of `to` (a file the move replaced) leaves the exhibit.
    // When no entry names `from` any longer, `to` is inserted at the current index instead.
    void moveEntry(const std::wstring& from, const std::wstring& to, FileTime created, FileTime modified,
                   FileTime accessed);
    // A new file: inserted at `index` (clamped to the end) unless an entry already names it.
    void insertEntryIfAbsent(size_t index, const std::wstring& path, FileTime created, FileTime modified,
                             FileTime accessed);

    // A new exhibit root: the exhibit set aside belonged to the old one, so View Exhibit must not
    // bring it back, and a filter of the old exhibit ends.
    void takeNewRoot(const std::wstring& root) {
        exhibitRoot = root;
        savedExhibit.clear();
        filterActive = false;
    }
    // The same only while the current entry is still `path`: a rebuild since it was read may have
    // put another entry at the index, which is then left alone. True when it removed the entry.
    bool removeCurrentEntryIf(const std::wstring& path);

    size_t size() const;
    std::wstring entryPath(size_t index) const;  // empty when out of range
    // In one locked step: brings the current index back into range (0 past the end), records the
    // current entry's path as the current path and returns it with the exhibit's size. An empty
    // exhibit gives count 0 and an empty path and changes nothing.
    std::wstring takeCurrentEntry(size_t& count);
    std::wstring buildRootCopy() const;
    std::wstring currentPathCopy() const;
    void setCurrentPath(const std::wstring& path);

    mutable std::mutex exhibitMutex;
    Exhibit exhibit;
    std::wstring currentPath;           // written by the interface thread only (under the lock)
    std::atomic<int> currentIndex{0};   // may be set by the builder
    std::wstring buildRoot;             // the folder last built from; guarded by exhibitMutex
    std::wstring exhibitRoot;           // the exhibit root (interface thread only)
    std::mt19937 randomEngine;          // shuffles; guarded by exhibitMutex
    ExhibitOrder order;                 // the order last asked for; guarded by exhibitMutex

    // The exhibit set aside (interface thread only), with the order and folder settings it had.
    Exhibit savedExhibit;
    int savedIndex = 0;
    ExhibitOrder savedOrder;
    bool savedSubfolders = true, savedHidden = true;
    bool filterActive = false;

    std::atomic<bool> building{false};
    std::atomic<bool> cancelBuild{false};
    std::atomic<bool> shuttingDown{false};      // no new build starts once shut-down has begun
    std::atomic<bool> autoRefreshBuild{false};  // a rebuild after a folder change is running
    // A build the watcher asked for has not announced its end yet. A build that replaces it before
    // it ends carries the announcement over, so auto-find still runs.
    std::atomic<bool> watcherEndPending{false};
    std::mutex buildControlMutex;               // one build request at a time
    std::thread builderThread;

private:
    void scanFolders(const BuildRequest& request, HANDLE buildEvent);
    void sortEntriesLocked(const ExhibitOrder& order, std::unique_lock<std::mutex>& lock);
    void restWhileHeld();
    void wakeRestingScan();  // after cancelBuild was set: a resting scan sees it at once

    std::mutex holdMutex;
    std::condition_variable holdChanged;
    bool scansHeld = false;  // guarded by holdMutex
};
