// The program's private window messages and timer identifiers. The main window and the Catalog
// window each have their own set: the same WM_USER + n means different things to each.
#pragma once

#include <windows.h>

// Messages of the main window.
namespace MainMessage {
enum : UINT {
    TrayNotify = WM_USER + 1,       // the tray icon's callback; lParam is the mouse message
    ReopenMenu = WM_USER + 3,       // reopen the Main Menu: wParam = MAKELONG(x, y + 100), lParam = submenu
    BuildEnded = WM_USER + 4,       // a build has ended: refresh the status bar and any Catalog; wParam 1
                                    // for a watcher's rebuild (auto-find refills the Catalog)
    CloseInstance = WM_USER + 5,    // another instance asks this one to close
    AutoRefreshDone = WM_USER + 8,  // a rebuild that followed a folder change has finished
    FolderChanged = WM_USER + 9,    // the folder watcher saw a settled change: rebuild
    FilesDropped = WM_USER + 12,    // files were dropped through the OLE drop target (Viewer::droppedItems)
    PictureDecoded = WM_USER + 14,  // the decode worker finished a picture (ReadAhead); show it if it is the target
};
}

// Messages of the Catalog window.
namespace CatalogMessage {
enum : UINT {
    ShowMenu = WM_USER + 3,       // show the Catalog's menu
    RefreshStatus = WM_USER + 4,  // refresh the Catalog's status
    Busy = WM_USER + 7,           // an automatic rebuild is running
    Refill = WM_USER + 8,         // refill the list after an automatic rebuild; wParam 1: auto-find chose
    AltKey = WM_USER + 21,          // an Alt key taken by the keyboard hook: wParam is the key
    ThumbnailReady = WM_USER + 20,  // a decoding thread finished a thumbnail: lParam owns it
    EndWork = WM_USER + 22,         // the program ends (the session ends): stop decoding now
    FollowExhibit = WM_USER + 23,   // the exhibit may have changed under the list: fill it again if so
};
}

// Timer identifiers.
constexpr UINT_PTR kSlideTimerId = 1026;  // the slideshow count-down, on the main window
// A step waits to be shown. Timer messages come after every queued key, command and paint, so
// the picture is decoded only once the queue is empty: a burst of steps costs one decode.
constexpr UINT_PTR kShowTimerId = 1027;
// A picture has been loading for a while: say so.
constexpr UINT_PTR kLoadingTimerId = 1028;
// Start-up is over (the first picture has been painted): what it left for later runs now.
constexpr UINT_PTR kStartUpTimerId = 1029;
// The Catalog looks whether the exhibit changed under its list (a picture dropped after it failed).
constexpr UINT_PTR kCatalogCheckTimerId = 1031;
constexpr UINT kCatalogCheckMs = 500;
// The show/hide hotkey's identifier.
constexpr int kHideHotkeyId = 1351;
