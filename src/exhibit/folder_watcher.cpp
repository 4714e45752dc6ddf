// The folder watcher: waits for files and folders to be created, deleted or renamed under the
// build folder, lets a burst settle, and asks the main window to rebuild; auto-find runs when that
// rebuild ends.
#include <windows.h>

#include "folder_watcher.h"
#include "viewer.h"
#include "window_messages.h"

// ---- The watcher threads ----

FolderWatcher::~FolderWatcher() { stopAndJoin(); }

void FolderWatcher::start(WatchRequest request) {
    std::lock_guard lock(watcherMutex);
    if (watcherStopEvent) SetEvent(watcherStopEvent.get());  // ends the previous watcher
    watcherStopEvent.reset();
    joinWatchers(false);

    // The stop event is manual-reset so that a signal is never lost; the watcher gets a handle of
    // its own and closes only that.
    KernelHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop) return;
    HANDLE copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), stop.get(), GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return;
    KernelHandle watcherCopy(copy);
    watcherStopEvent = std::move(stop);
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
        std::thread thread([request = std::move(request), event = std::move(watcherCopy), done]() mutable {
            watchFolder(request, std::move(event));
            *done = true;
        });
        watcherThreads.push_back({std::move(thread), done});
    } catch (...) {
        // No thread: the lambda and the copy of the event it held are gone with it.
    }
}

void FolderWatcher::stop() {
    std::lock_guard lock(watcherMutex);
    if (watcherStopEvent) SetEvent(watcherStopEvent.get());
    watcherStopEvent.reset();
}

void FolderWatcher::stopAndJoin() {
    std::lock_guard lock(watcherMutex);
    if (watcherStopEvent) SetEvent(watcherStopEvent.get());
    watcherStopEvent.reset();
    joinWatchers(true);
}

// Joins the threads of watchers that have ended (all of them, waiting, when `all`).
void FolderWatcher::joinWatchers(bool all) {
    for (auto it = watcherThreads.begin(); it != watcherThreads.end();) {
        if (all || *it->done) {
            it->thread.join();
            it = watcherThreads.erase(it);
        } else {
            ++it;
        }
    }
}

void FolderWatcher::watchFolder(const WatchRequest& request, KernelHandle stopEvent) {
    const ChangeNotification change(FindFirstChangeNotificationW(
        request.root.c_str(), request.subfolders ? TRUE : FALSE, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME));
    if (!change) return;  // a folder that cannot be watched ends the watcher instead of spinning
    HANDLE handles[2] = {stopEvent.get(), change.get()};
    for (;;) {
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        // Let a burst of changes settle: wait until 200 ms pass without another one.
        bool stopped = false;
        for (;;) {
            if (!FindNextChangeNotification(change.get())) {
                stopped = true;
                break;
            }
            const DWORD settled = WaitForMultipleObjects(2, handles, FALSE, 200);
            if (settled == WAIT_OBJECT_0 + 1) continue;
            stopped = settled != WAIT_TIMEOUT;
            break;
        }
        if (stopped) break;
        if (WaitForSingleObject(stopEvent.get(), request.latencyMs) != WAIT_TIMEOUT) break;

        PostMessageW(request.notifyWindow, MainMessage::FolderChanged, 0, 0);
        if (WaitForSingleObject(stopEvent.get(), 0) == WAIT_OBJECT_0) break;
        if (!FindNextChangeNotification(change.get())) break;
    }
}

// ---- The Viewer's side ----

void Viewer::startWatcher() {
    WatchRequest request;
    request.root = store.buildRootCopy();
    request.subfolders = settings.subfolders;
    request.latencyMs = settings.autorefreshLatency > 0 ? static_cast<DWORD>(settings.autorefreshLatency) : 0;
    request.notifyWindow = mainWindow;
    watcher.start(std::move(request));
}

void Viewer::restartWatcherIfOn() {
    if (settings.autorefresh) startWatcher();
}

void Viewer::stopWatcher() { watcher.stop(); }

void Viewer::onFolderChanged() {
    // A change that comes while a build runs is taken in by that build or the next one.
    if (store.building || store.shuttingDown) return;
    store.autoRefreshBuild = true;
    buildExhibit(store.buildRootCopy(), false, nullptr, true);
    if (window.catalogWindow) PostMessageW(window.catalogWindow, CatalogMessage::Busy, 0, 0);
}

void Viewer::onAutoRefreshDone() {
    long long newest = -1;
    {
        std::lock_guard lock(store.exhibitMutex);
        newest = newestIndex(store.exhibit, settings.autofindtype);
        if (newest >= 0) store.currentIndex = static_cast<int>(newest);
    }
    if (store.size() != 0) showCurrent(true);
    // The Catalog keeps its selection, unless auto-find went to another picture.
    if (window.catalogWindow) PostMessageW(window.catalogWindow, CatalogMessage::Refill, newest >= 0 ? 1 : 0, 0);
    store.autoRefreshBuild = false;
}
