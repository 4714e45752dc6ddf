// The folder watcher: a thread that waits for files and folders to be created, deleted or renamed
// under the build folder, lets a burst settle, and then asks the main window to rebuild. It gets
// what it watches by value when it starts and talks back only by posting a message.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/win_handles.h"

struct WatchRequest {
    std::wstring root;            // the folder watched
    bool subfolders = true;       // watch the whole tree below it
    DWORD latencyMs = 200;        // pause after a settled change before the rebuild is asked for
    HWND notifyWindow = nullptr;  // gets MainMessage::FolderChanged
};

class FolderWatcher {
public:
    FolderWatcher() = default;
    ~FolderWatcher();  // stops the watcher and waits for every watcher thread
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Ends the running watcher (if any) and starts one for the request.
    void start(WatchRequest request);
    // Signals the running watcher to end.
    void stop();
    // Stops and waits for every watcher thread.
    void stopAndJoin();

private:
    struct WatcherThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    static void watchFolder(const WatchRequest& request, KernelHandle stopEvent);
    void joinWatchers(bool all);  // the ended ones, or all of them, waiting

    std::mutex watcherMutex;
    KernelHandle watcherStopEvent;  // the running watcher's stop event; the watcher holds a copy of its own
    std::vector<WatcherThread> watcherThreads;
};
