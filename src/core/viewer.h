// The one application object: the settings, the state of each subsystem as one group, and the
// operations on them. Member functions live in the folder of the subsystem they belong to.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "catalog/thumbnail_cache.h"
#include "command_line.h"
#include "decoding/picture_decoder.h"
#include "display/drawing_resources.h"
#include "display/read_ahead.h"
#include "display/slideshow_state.h"
#include "display/view_image.h"
#include "display/view_state.h"
#include "exhibit/exhibit_store.h"
#include "exhibit/find.h"
#include "exhibit/folder_watcher.h"
#include "language_table.h"
#include "settings.h"
#include "settings_ranges.h"
#include "shell/command_rows.h"
#include "shell/placement.h"
#include "shell/shell_state.h"
#include "shell/window_state.h"
#include "win_handles.h"

// Paths of the program's own files, beside the program file.
struct ProgramFiles {
    std::wstring programFolder;
    std::wstring settingsPath;    // glimvue.ini, or a .ini named on the command line / chosen by Save As
    std::wstring languagePath;    // glimvue.lang.ini
    std::wstring errorLogPath;    // errors.log
    std::wstring wallpaperPath;   // glimpaper.jpg
    std::wstring archiveLogPath;  // archived.log
    std::wstring helpPath;        // Glimvue.txt
    bool desktopConfigured = false;  // the desktop folder came from the settings file
};

struct FileOpResult;
class ExhibitDropTarget;

class Viewer {
public:
    // `decoder` decodes every picture; it outlives the Viewer.
    Viewer(HWND mainWindow, PictureDecoder& decoder);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // ---- State, one group per subsystem ----

    HWND mainWindow = nullptr;
    PictureDecoder& decoder;   // the decoder processes: every picture file is decoded there
    Settings settings;
    RunSwitches switches;      // -noshell, -nomenu and the orientation filters, never saved
    LanguageTable language;
    ProgramFiles files;
    GdiplusSession imaging;    // started for the Viewer's life; stopped first at shut-down
    ExhibitStore store;        // the exhibit, its builder thread and the exhibit set aside
    FolderWatcher watcher;     // declared after the store: its threads end first
    FindState find;
    ViewImage image;           // the one decoded picture
    ViewState view;            // zoom, rotation, scrolling, dragging
    DrawingResources drawing;  // the off-screen surfaces, brush and font
    SlideshowState slideshow;  // count-down, suspension, enabled transitions
    WindowState window;        // monitor, frame, status bar, Catalog window, windowed layout
    ShellState shell;          // tray icon, hotkey, menu pins, Blackbox, pasted picture
    // The main window's drop target (files dragged in), registered for the window's life.
    std::unique_ptr<ExhibitDropTarget> dropTarget;
    std::vector<std::wstring> droppedItems;  // items of the last drop, handled at MainMessage::FilesDropped
    bool droppedWithShift = false;
    ReadAhead readAhead;       // the next picture, decoded while this one is shown
    ThumbnailCache thumbnails; // thumbnails a closed Catalog finished, for the next one

    // ---- Start and end (src/core/viewer.cpp) ----

    void startUp();
    void finishStartUp();  // after the first paint: the work start-up leaves until then
    void shutDown();

    // ---- Commands (src/shell/command_dispatch.cpp) ----

    // Commands from menus, accelerators, the mouse, the tray, the Catalog and the command line.
    void executeCommand(CommandId command);
    // The modal-dialog wrapper: slideshow suspended and the cursor shown while `run` runs.
    template <class Run>
    void inDialogWrapper(Run run) {
        suspendSlideshow(true);
        ShowCursor(TRUE);
        run();
        ShowCursor(FALSE);
        resumeSlideshow();
    }
    // The run-time state menu items show.
    CommandContext commandContext() const;

    // ---- Popup menus (src/shell/popup_menu.cpp) ----

    // The Main Menu at a screen point, on the submenu at `submenu` when a level is pinned; the chosen
    // command runs and a pinned level opens again at the same point.
    void showMainMenu(int x, int y, int submenu);
    // The F1 menu: at the cursor when `at cursor` is on and the cursor is over the window, else at
    // the window's top-left client corner offset by the sizing frame.
    void showMainMenuFromKey();
    // Check marks and greyed items of a loaded menu; `isRoot`: the Main Menu itself.
    void applyMenuState(HMENU menu, bool isRoot);

    // ---- Settings, command line, language (src/core) ----

    void locateProgramFiles();
    void loadSettings();
    // Writes the settings file whole, or not at all: false when it could not be written (the file
    // then stays as it was).
    bool saveSettings();
    // Tells the user that a file of the program could not be written: a message, or at exit (and
    // without a window) a line in the error log.
    void reportNotWritten(const std::wstring& path, bool atExit);
    void applySettingsToWindow();
    // Command line, left to right; -translate ends the program.
    void applyCommandLine(const std::vector<std::wstring>& arguments);
    void applyPathArgument(const std::wstring& argument);
    void loadMenusAndLanguage();
    void writeTranslationTemplate();  // -translate: .bak copy, template, exit code 0

    // Dialogs. The number-input dialog: caption dialogText(kind), hint dialogText(kind + 1); returns
    // the number entered, or `value` when cancelled. Callers run it in the dialog wrapper.
    long askNumber(int kind, long value);
    // The number dialog for a numeric setting: the number entered, brought into the setting's range,
    // replaces the setting (cancelled: it stays as it is).
    template <class Int>
    void askSetting(int kind, Int& field) {
        field = static_cast<Int>(enteredSettingValue(settings, &field, static_cast<uint32_t>(askNumber(kind, field))));
    }
    bool chooseSettingsFile();
    bool chooseExhibitRoot(bool build);
    // The About box; the path dialog for `image viewer` (kind 18) or `file manager` (kind 19), which
    // changes `path` on OK; the colour chooser for `bgcolor` (brush and repaint on OK); the folder
    // chooser that sets `favorites` or `archive`. Each returns whether something was chosen.
    void showAboutBox();
    bool askPath(int kind, std::wstring& path);
    bool chooseBackgroundColour();
    enum class FolderKind { Favorites, Archive };
    bool chooseFolder(FolderKind which);
    // The favorites or archive folder as a full path: a relative setting lies beside the program
    // (the portable layout), whatever the current directory is. Empty when it is not set.
    std::wstring folderSetting(FolderKind which) const;

    // ---- Exhibit (src/exhibit) ----

    // Builds from `root` (or the `roots` in order) with the settings in force. `byWatcher`: the folder
    // watcher asked for it; the interface does not wait for it, and its end runs auto-find.
    bool buildExhibit(const std::wstring& root, bool append, const std::vector<std::wstring>* roots = nullptr,
                      bool byWatcher = false);
    void sortExhibit();
    ExhibitOrder exhibitOrder() const;
    FormatSwitches formatSwitches() const;
    void saveExhibit();
    void restoreExhibit();
    void viewFolder(const std::wstring& path, bool backToExhibit);
    // A folder chosen or dropped as the new exhibit root (or, with `append`, added to the exhibit):
    // builds it; a new root discards the exhibit set aside and ends a filter. True when the exhibit
    // is not empty.
    bool openExhibitRoot(const std::wstring& folder, bool append);
    void viewLinkTarget();
    void onDropFiles(HDROP drop);
    // Files and folders dropped on the main window; `append`: Shift was held.
    void onDroppedItems(const std::vector<std::wstring>& items, bool append);
    void collectDroppedItems(const std::vector<std::wstring>& items, std::vector<std::wstring>& folders);
    void resolveDroppedItem(const std::wstring& item, std::wstring& folder);

    // The folder watcher (src/exhibit/folder_watcher.cpp)
    void startWatcher();
    void restartWatcherIfOn();
    void stopWatcher();
    void onFolderChanged();     // the watcher saw a settled change: rebuild
    void onAutoRefreshDone();   // that rebuild has ended: auto-find

    // Find and filter (src/exhibit/find_commands.cpp)
    bool findNext(bool afterCurrent);
    bool findNextAfterCurrent();
    bool openFindDialog();
    bool filterExhibit(bool keepMatches);

    // ---- Files (src/fileops) ----

    // The current entry must be a file, not a picture pasted from the clipboard.
    bool checkIsFile();
    // Brings the exhibit and the view in step after a file operation (src/fileops/file_commands.cpp).
    void applyFileOpResult(const FileOpResult& result);
    // Drag and drop (src/fileops/drag_and_drop.cpp): the drop target registered with the window,
    // the drop it reported, and dragging the current file out of the window.
    void registerDropTarget();
    void revokeDropTarget();
    void onFilesDropped();
    void dragOutCurrent();

    // ---- Display (src/display) ----

    // Slideshow and navigation (slideshow.cpp)
    void showCurrent(bool forward);
    // A step to the current index: the caption and status follow at once, the picture is decoded
    // once every message already queued (more steps, Esc, close) has been handled, so that a burst
    // of steps costs one decode and nothing waits behind pictures that are no longer wanted.
    void requestShow(bool forward);
    void onShowTimer();
    void onPictureDecoded();  // the worker finished a decode: show the target if it was that one
    void onLoadingTimer();    // the target has been loading for a while: say so
    // Starts decoding the entry the next step in this direction will show.
    void readAheadNext(bool forward);
    // Drops the picture decoded ahead (the exhibit changed); a step waiting for it asks again.
    void dropReadAhead();
    void suspendSlideshow(bool byDialog);
    void resumeSlideshow();
    void restartSlideTimer();
    void onSlideTimer(UINT_PTR timerId);
    void navigate(int command);
    void setReadout(const std::wstring& text);

    // Loading (image_loading.cpp)
    void loadCurrentEntry(bool forward);
    // Decodes the file at `path` into `image` after a look at its header: a picture too large to
    // decode or one the decoder is known to crash on is not handed to it, and a metafile is
    // rendered at the size it is shown. False (no image) when it cannot be shown.
    bool decodePicture(const std::wstring& path);
    void applyOrientation();
    void reportEmptyOrFailure(int code);
    // Says that a picture is loading (status bar, or caption when it is hidden) and shows the wait
    // cursor; called before a decode expected to take noticeably long.
    void showLoading(const std::wstring& path);
    // The size the next picture will be shown at, as far as it is known before its pixels are.
    ShownSizeRule shownSizeRule() const;
    // Makes sure the image holds at least w x h pixels (as it stands), decoding the whole picture
    // again when it is held reduced. False when they cannot be had (the file changed or fails).
    bool holdPixelsFor(int w, int h);
    // The same without waiting: the worker decodes the whole picture while the reduced one is
    // shown enlarged, and the view is repainted when it arrives (takeWholePicture).
    void askForPixels(int w, int h);
    // Puts the whole picture the worker decoded in place; false when it was not asked or is not ready.
    bool takeWholePicture();

    // Painting (painting.cpp)
    void paint();
    HBRUSH dialogBackgroundBrush();
    bool eraseBackground();
    void drawFileName(HDC dc);
    void resetCollage();
    void paintCollage(HDC dc);
    // The collage's canvas (the client, or the monitor in full screen) and the size of the current
    // picture's tile in it: what is drawn is what the status bar reports.
    SIZE collageCanvas() const;
    Size32 collageTile() const;
    SIZE clientSize() const;  // client less the status bar

    // Geometry, scrolling and the mouse (view_input.cpp)
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

    // Caption and status bar (status.cpp)
    void createStatusBar();
    int statusBarMinWidth() const;  // the client width the status bar's parts need; 0 without one
    void destroyStatusBar();
    void refreshCaption();
    void refreshStatus();
    // A build has ended: the status bar's count, and a Catalog open now shows the whole exhibit
    // (after a watcher's rebuild auto-find refills it).
    void onBuildEnded(bool byWatcher);

    // ---- Catalog (src/catalog) ----

    // Runs the Catalog modally, then shows the image chosen in it (or ends the program).
    void openCatalog();

    // ---- Window modes and placement (src/shell/window_modes.cpp) ----

    void refreshLayout();
    // The frame, caption and status bar around the picture, as the window now has them.
    WindowFrame windowFrame() const;
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
    // The interface at the window's DPI: frame metrics, font, icons, status bar (window_dpi.cpp).
    void applyDpi(int dpi);
    // WM_DPICHANGED: the window moved to a monitor of another DPI (or that monitor's scale changed).
    void onDpiChanged(int dpi, const RECT& suggested);
    void toggleShowHide();
    void readWindowRect();
    void moveWindowTo(const Rect32& rect);
    int captionAdjust() const;
    void updateScreenRects();

    // ---- The desktop: wallpaper, tray icon, hotkey, instances, clipboard (src/shell/desktop_commands.cpp) ----

    void writeWallpaperStyle(int style);  // 0 entering wallpaper mode, 1..5 centre, tile, stretch, fit, fill
    bool setWallpaper();                  // the current image becomes the wallpaper
    void clearWallpaper();
    void restoreWallpaper();
    void applyWallpaperSwitch(int style);  // -centerwall ... -fillwall
    void startShellIntegration();          // start-up: tray icon or task-bar button, hotkey, single instance
    void applyTrayIcon();
    void onTrayNotify(UINT mouseMessage);
    void openTrayMenu(POINT at);
    void onHotkey(WPARAM id);
    void closeOtherInstances();
    void copyImage();
    void copyView();
    bool pasteImage();  // false when nothing changed (no bitmap, or the clipboard was busy)

    // Window messages routed here by the main dialog procedure
    void onMove();
    void onEnterSizeMove();
    void onExitSizeMove();
};
