// The one application object: every setting and all run-time state, and the operations on them.
// Member functions live in the folder of the subsystem they belong to.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <memory>
#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "command_line.h"
#include "exhibit.h"
#include "find.h"
#include "language_table.h"
#include "settings.h"
#include "view_image.h"

using CommandId = uint16_t;

// Paths of the program's own files, beside the program file.
struct ProgramFiles {
    std::wstring programFolder;
    std::wstring settingsPath;    // glimvue.ini, or a .ini named on the command line / chosen by Save As
    std::wstring languagePath;    // glimvue.lang.ini
    std::wstring errorLogPath;    // errors.log
    std::wstring wallpaperPath;   // glimpaper.jpg
    std::wstring archiveLogPath;  // archived.log
    std::wstring helpPath;        // Glimvue.txt
};

class Viewer {
public:
    explicit Viewer(HWND mainWindow);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    void startUp();
    void shutDown();

    // Commands from menus, accelerators, the mouse, the tray, the Catalog and the command line.
    void executeCommand(CommandId command);

    // Settings file
    void locateProgramFiles();
    void loadSettings();
    void saveSettings();
    void applySettingsToWindow();

    // Command line, left to right; -translate ends the program.
    void applyCommandLine(const std::vector<std::wstring>& arguments);
    void applyPathArgument(const std::wstring& argument);

    // Menus and the language file
    void loadMenusAndLanguage();
    void writeTranslationTemplate();  // -translate: .bak copy, template, exit code 0

    // The current entry must be a file, not a picture pasted from the clipboard.
    bool checkIsFile();

    // Dialogs
    // The number-input dialog around a paused slideshow: caption dialogText(kind), hint
    // dialogText(kind + 1); returns the number entered, or `value` when cancelled.
    long askNumber(int kind, long value);
    bool chooseSettingsFile();
    bool chooseExhibitRoot(bool build);

    // Window placement
    void updateScreenRects();

    // Window messages routed here by the main dialog procedure
    void onMove();
    void onEnterSizeMove();
    void onExitSizeMove();

    HWND mainWindow = nullptr;
    Settings settings;
    LanguageTable language;
    ProgramFiles files;

    std::wstring exhibitRoot;

    // Exhibit building and the exhibit (src/exhibit). The builder thread appends to `exhibit` and
    // orders it while the interface thread reads it: both take exhibitMutex. `currentPath` is written
    // by the interface thread only (under the lock); `currentIndex` may be set by the builder.
    // `byWatcher`: the folder watcher asked for this build; its end is then announced with
    // WM_USER+8 so that auto-find runs.
    bool buildExhibit(const std::wstring& root, bool append, const std::vector<std::wstring>* roots = nullptr,
                      bool byWatcher = false);
    void scanFolders(std::vector<std::wstring> roots, HANDLE buildEvent, bool byWatcher);
    void sortExhibit();
    long long indexOfPath(const std::wstring& path);  // -1 for none
    void removeCurrentEntry();
    void saveExhibit();
    void restoreExhibit();
    void viewFolder(const std::wstring& path, bool backToExhibit);
    void viewLinkTarget();
    void onDropFiles(HDROP drop);
    void collectDroppedItems(HDROP drop, UINT count, std::vector<std::wstring>& folders);
    void resolveDroppedItem(const std::wstring& item, std::wstring& folder);
    void waitForBuilder();
    std::wstring buildRootCopy() const;
    std::wstring currentPathCopy() const;
    void setCurrentPath(const std::wstring& path);
    size_t exhibitSize() const;
    std::wstring entryPath(size_t index) const;  // empty when out of range
    FormatSwitches formatSwitches() const;

    // Slideshow and navigation (src/display/slideshow.cpp)
    static constexpr UINT_PTR kSlideTimerId = 1026;
    void showCurrent(bool forward);
    void suspendSlideshow(bool byDialog);
    void resumeSlideshow();
    void restartSlideTimer();
    void onSlideTimer(UINT_PTR timerId);
    void navigate(int command);
    void setReadout(const std::wstring& text);

    // Loading (src/display/image_loading.cpp)
    void loadCurrentEntry(bool forward);
    void applyOrientation();
    void reportEmptyOrFailure(int code);

    // Painting (src/display/painting.cpp)
    void paint();
    HBRUSH dialogBackgroundBrush();
    bool eraseBackground();
    void drawFileName(HDC dc);
    void resetCollage();
    void paintCollage(HDC dc);
    void replaceViewBitmap(HDC reference, int width, int height);
    void replaceTileBitmap(HDC reference, int width, int height);
    SIZE clientSize() const;  // client less the status bar

    // Geometry, scrolling and the mouse (src/display/view_input.cpp)
    void computeScrollRange();
    void scrollView(bool askedByUser);
    int scrollMultiplier() const;
    void onSize(WPARAM type, int width, int height);
    void onLeftButtonDown();
    void onLeftButtonUp();
    void onMouseMove();
    void onMouseWheel(int delta);
    void zoomCommand(int command);
    void rotateCommand(int command);

    // Caption and status bar (src/display/status.cpp)
    void createStatusBar();
    void destroyStatusBar();
    void refreshCaption();
    void refreshStatus();

    // Window modes and placement (src/shell/window_modes.cpp)
    void refreshLayout();
    void fitWindowToImage();
    void centreWindow();
    void roamWindow();
    void corralWindow();
    void applyCropRegion();
    void setWindowMode(int mode);
    void setLayout(int layout);
    void savePreset(int preset);
    void restorePreset(int preset);
    void applyCropStyleChange();
    void toggleShowHide();
    void readWindowRect();
    void moveWindowTo(const Rect32& rect);
    int captionAdjust() const;

    ViewImage image;
    int zoomPercent = 0;
    bool manualZoom = false;
    int appliedRotation = 0;
    int scrollX = 0, scrollY = 0, scrollRangeX = 0, scrollRangeY = 0;
    bool dragScrolling = false;
    bool autoscrollDone = false;
    POINT dragOrigin{};
    RECT dragWindowRect{};
    HBITMAP viewBitmap = nullptr, tileBitmap = nullptr;
    int viewBitmapWidth = 0, viewBitmapHeight = 0, tileWidth = 0, tileHeight = 0;
    HWND statusBarWindow = nullptr;
    int statusBarHeight = 0;
    uint32_t remainingMs = 0;

    // Folder watcher (src/exhibit/folder_watcher.cpp)
    void startWatcher();
    void restartWatcherIfOn();
    void stopWatcher();
    void watchFolder(HANDLE stopEvent);
    void onAutoRefreshDone();

    // Find and filter (src/exhibit/find_commands.cpp)
    bool findNext(bool afterCurrent);
    bool findNextAfterCurrent();
    bool openFindDialog();
    bool filterExhibit(bool keepMatches);

    mutable std::mutex exhibitMutex;
    Exhibit exhibit;
    std::wstring currentPath;
    std::atomic<int> currentIndex{0};
    std::wstring buildRoot;  // guarded by exhibitMutex

    Exhibit savedExhibit;  // interface thread only
    int savedIndex = 0;
    int16_t savedSort = 0, savedSortBy = 0;
    bool savedSortCase = false, savedSubfolders = true, savedHidden = true;
    bool filterActive = false;

    std::atomic<bool> building{false};
    std::atomic<bool> cancelBuild{false};
    std::atomic<bool> shuttingDown{false};  // no new build starts once shut-down has begun
    std::atomic<bool> autoRefreshBuild{false};
    std::thread builderThread;
    std::mutex buildControlMutex;  // one build request at a time (interface and watcher threads)

    std::mutex watcherMutex;
    HANDLE watcherStopEvent = nullptr;  // the running watcher's stop event (owned by that watcher)
    struct WatcherThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<WatcherThread> watcherThreads;
    void joinWatchers(bool all);

    FindState find;
    HWND catalogWindow = nullptr;

    // Run-time switches, never saved
    bool noShell = false;
    bool noMenu = false;
    bool landscapeFilter = false;
    bool portraitFilter = false;

    // Transitions enabled for use, in the order they were enabled (0..14)
    std::vector<int> enabledTransitions;

    // Window state
    RECT monitorRect{};
    RECT workAreaRect{};
    int frameWidth = 0, frameHeight = 0;
    bool sizingMove = false;
    int windowedLayout = 0;    // the windowed layout kept while full screen
    bool desktopConfigured = false;

    int lastShownIndex = 99999;
    int tickMs = 1000;
    bool suspended = false;
    int scrollStep = 100;
    int pinnedSubmenu = -1, pinnedInnerSubmenu = -1, pinnedInnerParent = -1;
    bool rootPinned = false;
    int hotkeyId = 1351;
    bool hotkeyRegistered = false;
    std::wstring pastedImageName = L"Clipboard_Image";

    std::mt19937 randomEngine;

    // Drawing resources
    HDC viewDC = nullptr, tileDC = nullptr;
    HBITMAP viewDCInitialBitmap = nullptr, tileDCInitialBitmap = nullptr;
    HBRUSH backgroundBrush = nullptr;
    HFONT textFont = nullptr;
    ULONG_PTR gdiplusToken = 0;
    NOTIFYICONDATAW trayIconData{};

    // Optional platform call, looked up at run time
    using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;

    HWND blackboxWindow = nullptr;
    bool blackboxPresent = false;
    bool skinPending = false;

private:
    void syncTransitionFlagsFromList();
    void rebuildTransitionListFromFlags();
    void toggleTransition(int transition);
};
