// Construction, start-up and shut-down of the Viewer.
#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>

#include "app.h"
#include "command_ids.h"
#include "placement.h"
#include "settings_ranges.h"
#include "viewer.h"

Viewer::Viewer(HWND window) : mainWindow(window) {
    // Settings hold their defaults from the Settings constructor; run-time fields from their
    // initialisers.
    HDC screen = GetDC(nullptr);
    viewDC = CreateCompatibleDC(screen);
    tileDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);

    randomEngine.seed(5489u);

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    Gdiplus::GdiplusStartupInput startupInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &startupInput, nullptr);

    HICON icon = LoadIconW(app.instance, MAKEINTRESOURCEW(IDI_APP));
    SetClassLongPtrW(mainWindow, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    trayIconData.cbSize = sizeof(trayIconData);
    trayIconData.hWnd = mainWindow;
    trayIconData.uID = 0;
    trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    trayIconData.uCallbackMessage = WM_USER + 1;
    trayIconData.hIcon = icon;
    lstrcpynW(trayIconData.szTip, app.productName, 128);

    const DWORD tick = GetTickCount();
    std::srand(tick);
    randomEngine.seed(GetTickCount());

    if (HMODULE user32 = GetModuleHandleW(L"user32"))
        setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")));

    if (HWND blackbox = FindWindowW(L"BlackboxClass", L"Blackbox")) {
        blackboxWindow = blackbox;
        blackboxPresent = true;
        settings.bbSkin = true;
        skinPending = true;
    }

    DragAcceptFiles(mainWindow, TRUE);

    LOGFONTW font{};
    font.lfPitchAndFamily = VARIABLE_PITCH;
    textFont = CreateFontIndirectW(&font);
}

Viewer::~Viewer() = default;

void Viewer::startUp() {
    std::wstring directory(GetCurrentDirectoryW(0, nullptr), L'\0');
    directory.resize(GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data()));
    exhibitRoot = directory;

    settings.favorites.clear();
    settings.archive.clear();
    currentPath.clear();
    settings.imageViewer.clear();
    settings.fileManager = L"explorer.exe";

    frameWidth = GetSystemMetrics(SM_CXSIZEFRAME);
    frameHeight = GetSystemMetrics(SM_CYSIZEFRAME);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    monitorRect = {0, 0, screenWidth, screenHeight};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workAreaRect, 0);

    RECT window;
    GetWindowRect(mainWindow, &window);
    settings.windowRect = {window.left, window.top, window.right, window.bottom};

    const std::array<Rect32, 5> presets = initialPresets(settings.windowRect, screenWidth, screenHeight, frameWidth);
    std::copy(presets.begin(), presets.end(), settings.presetRects.begin());

    enabledTransitions.clear();
    for (int t = 0; t < 15; ++t) enabledTransitions.push_back(t);

    // Configuration: the settings file, then the command line, then the window.
    locateProgramFiles();
    settings.folder.clear();
    loadSettings();
    int argumentCount = 0;
    std::vector<std::wstring> arguments;
    if (LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argumentCount)) {
        for (int i = 1; i < argumentCount; ++i) arguments.emplace_back(argv[i]);
        LocalFree(argv);
    }
    applyCommandLine(arguments);
    keepSettingsInRange(settings);
    applySettingsToWindow();
    loadMenusAndLanguage();

    if (!buildExhibit(exhibitRoot, false)) chooseExhibitRoot(true);

    // An exhibit root that does not exist (or is offline) is reported; if it is still missing
    // afterwards the exhibit is built from the program's own folder.
    auto rootAvailable = [this] {
        const DWORD attributes = GetFileAttributesW(exhibitRoot.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_OFFLINE);
    };
    if (!rootAvailable()) {
        showMessage(exhibitRoot + L" " + language.message(kMsgUnavailable), kExclamation);
        if (!rootAvailable()) {
            exhibitRoot = files.programFolder;
            buildExhibit(exhibitRoot, false);
        }
    }
    if (settings.autorefresh) startWatcher();

    if (settings.layer == 1 || settings.layer == 2) {
        const int mode = settings.layer;
        settings.layer = 0;
        setWindowMode(mode);
    }

    const std::wstring startFile = currentPathCopy();
    if (exhibitSize() != 0 && !startFile.empty()) {
        const long long index = indexOfPath(startFile);
        currentIndex = index < 0 ? 0 : static_cast<int>(index);
    } else {
        currentIndex = 0;
    }
    showCurrent(true);

    if (settings.layer != 2) ShowWindow(mainWindow, SW_SHOWNORMAL);
}

void Viewer::shutDown() {
    // The watcher and the builder use this object: end them before anything is released. A build
    // the watcher is waiting on is cancelled first, and no new one starts.
    shuttingDown = true;
    cancelBuild = true;
    stopWatcher();
    {
        std::lock_guard lock(watcherMutex);
        joinWatchers(true);
    }
    {
        std::lock_guard control(buildControlMutex);
        cancelBuild = true;
        waitForBuilder();
    }

    image.release();  // the decoded picture belongs to the imaging library: free it first
    Gdiplus::GdiplusShutdown(gdiplusToken);
    gdiplusToken = 0;
    if (settings.trayicon || settings.layer == 2) Shell_NotifyIconW(NIM_DELETE, &trayIconData);
    if (settings.savesettings) saveSettings();
    InvalidateRect(nullptr, nullptr, TRUE);
    PostQuitMessage(0);

    enabledTransitions.clear();
    for (HDC* dc : {&tileDC, &viewDC}) {
        if (!*dc) continue;
        HBITMAP initial = dc == &tileDC ? tileDCInitialBitmap : viewDCInitialBitmap;
        if (initial) DeleteObject(SelectObject(*dc, initial));
        DeleteDC(*dc);
        *dc = nullptr;
    }
    if (backgroundBrush) DeleteObject(backgroundBrush);
    backgroundBrush = nullptr;
    if (textFont) DeleteObject(textFont);
    textFont = nullptr;
}

void Viewer::onMove() {
    if (!sizingMove) return;
    RECT window;
    GetWindowRect(mainWindow, &window);
    settings.windowRect = {window.left, window.top, window.right, window.bottom};
}

void Viewer::onEnterSizeMove() {
    suspendSlideshow(false);
    sizingMove = true;
}

void Viewer::onExitSizeMove() {
    resumeSlideshow();
    sizingMove = false;
}
