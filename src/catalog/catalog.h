// The Catalog: a modal window over the exhibit with one owner-data icon list of thumbnails, a status
// bar, its own menu, keys and file operations on the selection.
//
// Thumbnails are decoded by a small pool of threads (one per core), never on the interface thread:
// the list asks for the items it draws, the Catalog queues the ones on screen, and each finished
// thumbnail comes back as a message and is drawn when its item is painted. Only the thumbnails of
// the items on screen are held; whatever scrolls away is dropped, queued or finished.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/dpi_scale.h"
#include "core/win_handles.h"
#include "fileops/shell_objects.h"
#include "thumbnail_logic.h"

class Viewer;

// A finished thumbnail, handed from a decoding thread to the interface thread.
struct FinishedThumbnail {
    ThumbnailJob job;
    GdiBitmap bitmap;  // box.width x box.height, 24 bpp; empty when the file did not decode
    ThumbnailBox box;
};

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
    bool rootPinned = false;
    int pinnedSubmenu = -1;

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

    // Selection helpers.
    int focusedItem() const;
    // Gives `item` the focus rectangle again (after an operation that refilled the list); -1: none.
    void focusItem(int item) const;
    int firstSelected() const;
    std::vector<int> selectedItems() const;
    std::vector<std::wstring> selectedPaths(bool releaseShownImage);
    void selectOnly(int index);
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
    std::map<size_t, FinishedThumbnail> shown_;  // finished thumbnails of the items on screen
    long long firstVisible_ = 0, lastVisible_ = -1;
    MemoryDC drawDc_;
    int dpi_ = kDesignDpi;
    GdiFont listFont_, statusFont_;
    HookHandle keyboardHook_;
    HookHandle mouseHook_;
    ExhibitDropTarget dropTarget_;
    bool dropRegistered_ = false;
};

// Runs on the decoding threads: the thumbnail of one job (the file decoded, turned and scaled into
// a bitmap of the fitted size), with the file's last-access time put back. Also used by the tests.
FinishedThumbnail decodeThumbnail(const ThumbnailJob& job);
