// The folder watcher: waits for files and folders to be created, deleted or renamed under the
// build folder, lets a burst settle, and rebuilds the exhibit; auto-find runs when that ends.
#include <windows.h>

#include "app.h"
#include "viewer.h"

void Viewer::startWatcher() {
    std::lock_guard lock(watcherMutex);
    if (watcherStopEvent) {
        SetEvent(watcherStopEvent);  // ends the previous watcher
        CloseHandle(watcherStopEvent);
        watcherStopEvent = nullptr;
    }
    joinWatchers(false);

    // The stop event is manual-reset so that a signal is never lost; the watcher gets a handle of
    // its own and closes only that.
    HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!stop) return;
    HANDLE watcherCopy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), stop, GetCurrentProcess(), &watcherCopy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        CloseHandle(stop);
        return;
    }
    watcherStopEvent = stop;
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([this, watcherCopy, done] {
            watchFolder(watcherCopy);
            *done = true;
        });
        watcherThreads.push_back({std::move(thread), done});
    } catch (...) {
        CloseHandle(watcherCopy);
    }
}

// Joins the threads of watchers that have ended (all of them, waiting, when `all`).
void Viewer::joinWatchers(bool all) {
    for (auto it = watcherThreads.begin(); it != watcherThreads.end();) {
        if (all || *it->done) {
            it->thread.join();
            it = watcherThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void Viewer::restartWatcherIfOn() {
    if (settings.autorefresh) startWatcher();
}

void Viewer::stopWatcher() {
    std::lock_guard lock(watcherMutex);
    if (watcherStopEvent) {
        SetEvent(watcherStopEvent);
        CloseHandle(watcherStopEvent);
        watcherStopEvent = nullptr;
    }
}

void Viewer::watchFolder(HANDLE stopEvent) {
    const std::wstring root = buildRootCopy();
    HANDLE change = FindFirstChangeNotificationW(root.c_str(), settings.subfolders ? TRUE : FALSE,
                                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME);
    if (change == INVALID_HANDLE_VALUE) {
        // A folder that cannot be watched ends the watcher instead of spinning.
        CloseHandle(stopEvent);
        return;
    }
    HANDLE handles[2] = {stopEvent, change};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        // Let a burst of changes settle: wait until 200 ms pass without another one.
        bool stopped = false;
        for (;;) {
            if (!FindNextChangeNotification(change)) {
                stopped = true;
                break;
            }
            const DWORD settled = WaitForMultipleObjects(2, handles, FALSE, 200);
            if (settled == WAIT_OBJECT_0 + 1) continue;
            stopped = settled != WAIT_TIMEOUT;
            break;
        }
        if (stopped) break;
        const DWORD latency = settings.autorefreshLatency > 0 ? static_cast<DWORD>(settings.autorefreshLatency) : 0;
        if (WaitForSingleObject(stopEvent, latency) != WAIT_TIMEOUT) break;

        if (!building) {
            autoRefreshBuild = true;
            buildExhibit(buildRootCopy(), false, nullptr, true);
            if (catalogWindow) PostMessageW(catalogWindow, WM_USER + 7, 0, 0);
        }
        if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) break;
        if (!FindNextChangeNotification(change)) break;
    }
    FindCloseChangeNotification(change);
    CloseHandle(stopEvent);
}

void Viewer::onAutoRefreshDone() {
    {
        std::lock_guard lock(exhibitMutex);
        const long long newest = newestIndex(exhibit, settings.autofindtype);
        if (newest >= 0) currentIndex = static_cast<int>(newest);
    }
    if (exhibitSize() != 0) showCurrent(true);
    if (catalogWindow) PostMessageW(catalogWindow, WM_USER + 8, 0, 0);
    autoRefreshBuild = false;
}
