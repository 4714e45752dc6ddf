// The Catalog: a modal window over the exhibit with one owner-data icon list of thumbnails, a status
// bar, its own menu, keys and file operations on the selection.
//
// Thumbnails are decoded by a small pool of threads (one per core), each handing its pictures to a
// decoder process, never on the interface thread:
// the list asks for the items it draws, the Catalog queues the ones on screen, and each finished
// thumbnail comes back as a message and is drawn when its item is painted. Only the thumbnails of
// the items on screen are held; whatever scrolls away is dropped, queued or finished.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "catalog/thumbnail_cache.h"
#include "core/dpi_scale.h"
#include "core/win_handles.h"
#include "decoding/picture_decoder.h"
#include "fileops/shell_objects.h"
#include "shell/command_rows.h"
#include "thumbnail_logic.h"

class Viewer;

class Catalog {
public:
    Catalog(HWND window, Viewer& viewer);
    ~Catalog();
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    // The dialog procedure of the Catalog window (template 104).
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void refill(bool keepSelection);
    void updateStatus();
    void layout(int width, int height);
    void runCommand(int command);
    void onKey(WORD key);
    void showMenu(int x, int y, int submenu);
    // The command of an Alt key (Alt+F, Alt+K, Alt+R, Alt+V, Alt+F4) with the other modifiers held,
    // or 0 when the key means something else.
    static int altKeyCommand(WORD key, bool shift, bool ctrl);
    void runAltKey(WORD key);

    HWND catalogWindow = nullptr;
    HWND listView = nullptr;
    HWND catalogStatusBar = nullptr;
    int catalogStatusHeight = 0;
    Viewer& viewer;
    std::wstring catalogTitle = L"Glimvue Catalog";
    std::wstring selectedPath;
    std::wstring restorePath;
    int iconMargin = 0;
    bool busy = true;
    int shiftAnchor = -1;
    MenuPins pins;  // the pinned levels of the Catalog Menu (the root and one submenu)

private:
    friend LRESULT CALLBACK catalogKeyboardHook(int, WPARAM, LPARAM);
    friend LRESULT CALLBACK catalogMouseHook(int, WPARAM, LPARAM);

    void create();
    void destroy();
    INT_PTR onNotify(NMHDR* header);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW* draw);
    void onThumbnailReady(FinishedThumbnail* finished);
    void updateVisibleRange();
    void dropThumbnails();
    // Hands the thumbnails shown to the Viewer's cache, for a later Catalog.
    void keepThumbnails();
    void setTitle();
    void setStatusPart(int part, const std::wstring& text);
    void closeWith(int result);
    void afterKey();
    long long typeAhead(const NMLVFINDITEMW& find);
    long long nearestItem(const NMLVFINDITEMW& find);
    void keepShiftRange();
    // The cells, fonts and status bar at the window's DPI; `thumbsize` is in 96-DPI pixels.
    void applyDpi(int dpi);
    int thumbPixels() const;

    // The list and the exhibit. The list's items are the exhibit's entries by index; when an entry
    // may have moved to another index since the list was filled (a picture dropped after it failed,
    // a rebuild, a re-sort), the list is stale: what it shows, and its thumbnails, may belong to
    // other files than the indexes name now.
    bool listStale() const;
    // Sets the list's count to the exhibit's and takes its revision; thumbnails of another revision go.
    void takeExhibitCount();
    // A stale list is filled again (keeping the selection by path) and true is answered: a command
    // asked of it then does nothing, as its items may have shown other files than they name now.
    bool refillIfStale();
    // The same when no build runs (one refills the list when it ends); looked at regularly and
    // before each paint.
    void followExhibit();

    // Selection helpers.
    int focusedItem() const;
    int firstSelected() const;
    std::vector<int> selectedItems() const;
    // The paths of the selected items, the shown picture let go of when it is among them (so that
    // its file is not held). A stale list is filled again (keeping the selection by path) and gives
    // none: no command then acts on a file the user did not see picked.
    std::vector<std::wstring> selectedPaths(bool releaseShownImage);
    // Selects and focuses one item visibly (scrolled into view, the status following); -1: none.
    void selectOnly(int index);
    // After files left the exhibit: their entries go, the list is filled again, and the item now at
    // `position` is selected, so that the next command names what the highlight shows.
    void afterFilesLeft(const std::vector<std::wstring>& paths, int position);
    // The question before recycling or archiving: one file is named, several are counted.
    bool confirmed(int verb, int several, const std::vector<std::wstring>& paths);
    bool regularExhibit() const;
    bool building() const;

    // Commands.
    void runRebuild(int command);
    void folderJump(int command);
    void forwardAndRefill(int command, bool keepSelection);
    void findCommand(int command);
    void toViewer();
    void recycleSelection();
    void archiveSelection();
    void favoriteSelection();
    void cutSelection();
    void copySelection();
    void pasteHere();
    void shellMenuForSelection();
    void dragOutSelection();
    void blackboxWallpaper();
    void turnAutoRefreshOn();
    std::wstring dropFolderAt(POINTL point);

    // Decoding threads.
    void startDecoders();
    void stopDecoders();
    void decodeLoop();

    ThumbnailQueue queue_;
    std::vector<std::thread> decoders_;
    std::atomic<bool> cancelDecodes_{false};  // raised at close: decodes under way end at once
    std::map<size_t, FinishedThumbnail> shown_;  // finished thumbnails of the items on screen
    long long firstVisible_ = 0, lastVisible_ = -1;
    MemoryDC drawDc_;
    int dpi_ = kDesignDpi;
    GdiFont listFont_, statusFont_;
    HookHandle keyboardHook_;
    HookHandle mouseHook_;
    ExhibitDropTarget dropTarget_;
    bool dropRegistered_ = false;
    uint64_t listRevision_ = 0;  // the exhibit's revision the list was filled from
};

// Runs on the decoding threads: the thumbnail of one job (the file decoded by `decoder`, turned and
// scaled into a bitmap of the fitted size), with the file's last-access time put back. Raising
// `cancel` ends a decode under way. Also used by the tests.
FinishedThumbnail decodeThumbnail(PictureDecoder& decoder, const ThumbnailJob& job, const std::atomic<bool>* cancel = nullptr);
