// Construction, start-up and shut-down of the Viewer.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>

#include "app.h"
#include "dpi.h"
#include "command_ids.h"
#include "placement.h"
#include "settings_ranges.h"
#include "shell_objects.h"
#include "viewer.h"
#include "shell/tray_icon.h"
#include "window_messages.h"

Viewer::Viewer(HWND mainWindowHandle, PictureDecoder& pictureDecoder)
    : mainWindow(mainWindowHandle), decoder(pictureDecoder), readAhead(pictureDecoder) {
    // Settings hold their defaults from the Settings constructor, the imaging library is started by
    // `imaging`, and run-time fields take their initialisers.
    {
        const WindowDC screen(nullptr);
        drawing.view.create(screen.get());
        drawing.tile.create(screen.get());
    }

    store.randomEngine.seed(5489u);
    readAhead.setNotify(mainWindow, MainMessage::PictureDecoded);

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    HICON icon = LoadIconW(app.instance, MAKEINTRESOURCEW(IDI_APP));
    SetClassLongPtrW(mainWindow, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    fillTrayIconData(shell.trayIconData, mainWindow, icon, app.productName);

    const DWORD tick = GetTickCount();
    std::srand(tick);
    store.randomEngine.seed(GetTickCount());

    if (HMODULE user32 = GetModuleHandleW(L"user32"))
        window.setLayeredWindowAttributes = reinterpret_cast<WindowState::SetLayeredWindowAttributesFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));

    if (HWND blackbox = FindWindowW(L"BlackboxClass", L"Blackbox")) {
        shell.blackboxWindow = blackbox;
        shell.blackboxPresent = true;
        settings.bbSkin = true;
        shell.skinPending = true;
    }

    // Dropped files: WM_DROPFILES from now on; the OLE drop target joins after the first paint.
    DragAcceptFiles(mainWindow, TRUE);

    // The frame metrics, the text font and the icons at the window's DPI.
    applyDpi(windowDpi(mainWindow));
}

// Everything the Viewer owns is freed by its members' owners; the threads have ended by then
// (shut-down ends them, and the watcher and the store end their own threads when they go).
Viewer::~Viewer() = default;

void Viewer::startUp() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    store.exhibitRoot = directory;

    settings.favorites.clear();
    settings.archive.clear();
    store.setCurrentPath({});
    settings.imageViewer.clear();
    settings.fileManager = L"explorer.exe";

    // The frame metrics are those of the window's DPI (applyDpi).
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    window.monitorRect = {0, 0, screenWidth, screenHeight};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &window.workAreaRect, 0);

    RECT windowRect;
    GetWindowRect(mainWindow, &windowRect);
    settings.windowRect = {windowRect.left, windowRect.top, windowRect.right, windowRect.bottom};

    const std::array<Rect32, 5> presets =
        initialPresets(settings.windowRect, screenWidth, screenHeight, window.frameWidth);
    std::copy(presets.begin(), presets.end(), settings.presetRects.begin());

    slideshow.enableAllTransitions();

    // Configuration: the settings file, then the command line, then the window.
    locateProgramFiles();
    settings.folder.clear();
    loadSettings();
    int argumentCount = 0;
    std::vector<std::wstring> arguments;
    {
        const LocalMemory argv(CommandLineToArgvW(GetCommandLineW(), &argumentCount));
        if (argv)
            for (int i = 1; i < argumentCount; ++i) arguments.emplace_back(static_cast<LPWSTR*>(argv.get())[i]);
    }
    applyCommandLine(arguments);
    keepSettingsInRange(settings);
    applySettingsToWindow();
    startShellIntegration();
    loadMenusAndLanguage();
    if (!switches.tooLongPath.empty()) showMessage(switches.tooLongPath + L" " + language.message(kMsgTooLong), kExclamation);

    // The scan rests after its first folder until the first picture is on the screen.
    store.holdScans();
    if (!buildExhibit(store.exhibitRoot, false)) chooseExhibitRoot(true);

    // An exhibit root that does not exist (or is offline) is reported; if it is still missing
    // afterwards the exhibit is built from the program's own folder.
    auto rootAvailable = [this] {
        const DWORD attributes = GetFileAttributesW(store.exhibitRoot.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_OFFLINE);
    };
    if (!rootAvailable()) {
        showMessage(store.exhibitRoot + L" " + language.message(kMsgUnavailable), kExclamation);
        if (!rootAvailable()) {
            store.exhibitRoot = files.programFolder;
            buildExhibit(store.exhibitRoot, false);
        }
    }
    if (settings.autorefresh) startWatcher();

    if (settings.layer == kLayerFullScreen || settings.layer == kLayerWallpaper) {
        const int mode = settings.layer;
        settings.layer = kLayerWindowed;
        setWindowMode(mode);
    }

    const std::wstring startFile = store.currentPathCopy();
    if (store.size() != 0 && !startFile.empty()) {
        const long long index = store.indexOfPath(startFile);
        store.currentIndex = index < 0 ? 0 : static_cast<int>(index);
    } else {
        store.currentIndex = 0;
    }
    showCurrent(true);
    // The first picture comes at once: the window has shown nothing a transition could change from.
    slideshow.lastShownIndex = store.currentIndex;

    // The Catalog opens once the main window's creation has returned to the message loop; the main
    // window stays hidden until it closes.
    if (settings.launch && !switches.noMenu && !switches.noShell)
        PostMessageW(mainWindow, WM_COMMAND, CMD_CATALOG, 0);
    else if (settings.layer != kLayerWallpaper)
        ShowWindow(mainWindow, SW_SHOWNORMAL);
    // Timer messages come after the paint: the rest of start-up waits for the first picture.
    SetTimer(mainWindow, kStartUpTimerId, USER_TIMER_MINIMUM, nullptr);
}

void Viewer::finishStartUp() {
    KillTimer(mainWindow, kStartUpTimerId);
    store.resumeScans();
    registerDropTarget();  // OLE drags; WM_DROPFILES serves where OLE is not to be had
}

void Viewer::shutDown() {
    // The watcher and the builder run beside this object: end them before anything is released. A
    // build in progress is cancelled, and no new one starts.
    store.shuttingDown = true;
    store.cancelBuild = true;
    watcher.stopAndJoin();
    store.endBuilding();
    revokeDropTarget();

    // A step waiting to be shown is never decoded now; a decode ahead is never waited for long.
    KillTimer(mainWindow, kShowTimerId);
    slideshow.showPending = false;
    readAhead.shutDown();  // a decode under way is cancelled: this takes moments
    KillTimer(mainWindow, kLoadingTimerId);
    // A Catalog still open (the session ends under it) stops decoding before the imaging library goes.
    if (window.catalogWindow) SendMessageW(window.catalogWindow, CatalogMessage::EndWork, 0, 0);
    image.release();  // the decoded picture belongs to the imaging library: free it first
    imaging.reset();
    if (settings.trayicon || settings.layer == kLayerWallpaper) Shell_NotifyIconW(NIM_DELETE, &shell.trayIconData);
    if (settings.savesettings && !saveSettings()) reportNotWritten(files.settingsPath, true);
    InvalidateRect(nullptr, nullptr, TRUE);
    PostQuitMessage(0);
    // The lists, the surfaces, the brush and the font go with the Viewer.
}

void Viewer::onMove() {
    if (!window.sizingMove) return;
    readWindowRect();
}

void Viewer::onEnterSizeMove() {
    suspendSlideshow(false);
    window.sizingMove = true;
}

void Viewer::onExitSizeMove() {
    resumeSlideshow();
    window.sizingMove = false;
}
