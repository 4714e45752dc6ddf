// The settings file beside the program: locating, loading, saving and applying it to the window.
#include <windows.h>
#include <shlobj.h>

#include "app.h"
#include "fileops/error_log.h"
#include "fileops/file_operations.h"
#include "ini_text.h"
#include "settings_ranges.h"
#include "viewer.h"
#include "win_paths.h"

void Viewer::locateProgramFiles() {
    const std::wstring program = modulePath(nullptr);
    const size_t slash = program.rfind(L'\\');
    files.programFolder = slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
    files.settingsPath = files.programFolder + L"\\glimvue.ini";
    files.languagePath = files.programFolder + L"\\glimvue.lang.ini";
    files.errorLogPath = files.programFolder + L"\\errors.log";
    files.wallpaperPath = files.programFolder + L"\\glimpaper.jpg";
    files.archiveLogPath = files.programFolder + L"\\archived.log";
    files.helpPath = files.programFolder + L"\\Glimvue.txt";
}

void Viewer::loadSettings() {
    settings.transitionFlags = transitionFlagsOf(slideshow.enabledTransitions);
    IniFile file;
    if (file.open(files.settingsPath, IniFile::Read)) {
        readAllSections(file, settings);
        keepSettingsInRange(settings);
        file.close();
    }
    if (!settings.folder.empty()) store.exhibitRoot = fullPath(settings.folder);
    slideshow.enabledTransitions = transitionListOf(settings.transitionFlags);
}

bool Viewer::saveSettings() {
    settings.version = kProductVersion;
    if (settings.savefolder) settings.folder = store.exhibitRoot;
    if (settings.layer == kLayerFullScreen) settings.layout = static_cast<int16_t>(window.windowedLayout);
    if (settings.markexit) settings.bookmark = store.currentIndex;
    const bool autorefresh = settings.autorefresh;
    settings.autorefresh = window.autorefreshBeforeCatalog.value_or(autorefresh);

    // A desktop folder that was looked up (not configured) is written empty, so the next start
    // looks it up again; the running program keeps using what it found.
    const std::wstring desktop = settings.desktop;
    if (!files.desktopConfigured) settings.desktop.clear();

    const Rect32 windowRect = settings.windowRect;
    WINDOWPLACEMENT placement{sizeof(placement)};
    if ((IsIconic(mainWindow) || IsZoomed(mainWindow)) && GetWindowPlacement(mainWindow, &placement)) {
        const RECT& r = placement.rcNormalPosition;
        settings.windowRect = {r.left, r.top, r.right, r.bottom};
    }
    settings.transitionFlags = transitionFlagsOf(slideshow.enabledTransitions);

    // A file that is not text (someone else's, or damaged) is kept as .bak before it is replaced.
    const std::wstring& path = files.settingsPath;
    DWORD error = 0;
    switch (checkBeforeOverwrite(path)) {
    case BeforeOverwrite::Free: break;
    case BeforeOverwrite::KeepFirst: error = keepBackup(path); break;
    case BeforeOverwrite::LeaveAlone: error = ERROR_READ_FAULT; break;
    }
    if (error == 0)
        error = rewriteFile(path, [this](const std::wstring& temporary) {
            IniFile file;
            if (!file.open(temporary, IniFile::Write)) return false;
            writeAllSections(file, settings);
            return file.close();
        });
    settings.desktop = desktop;
    settings.windowRect = windowRect;
    settings.autorefresh = autorefresh;
    return error == 0;
}

void Viewer::reportNotWritten(const std::wstring& path, bool atExit) {
    const std::wstring text = path + L" " + language.message(kMsgNotWritten);
    if (atExit)
        appendErrorLog(files.errorLogPath, text);
    else
        showMessage(text, kExclamation);
}

void Viewer::applySettingsToWindow() {
    const LONG_PTR exStyle = GetWindowLongPtrW(mainWindow, GWL_EXSTYLE);
    if (settings.blend && window.setLayeredWindowAttributes && settings.layer != kLayerWallpaper) {
        SetWindowLongPtrW(mainWindow, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        window.setLayeredWindowAttributes(mainWindow, 0, static_cast<BYTE>(settings.opacity & 0xFF), LWA_ALPHA);
    }
    LONG_PTR style = GetWindowLongPtrW(mainWindow, GWL_STYLE);
    if (settings.crop) style &= ~static_cast<LONG_PTR>(WS_CAPTION | WS_THICKFRAME);
    if (!settings.trayicon)
        SetWindowLongPtrW(mainWindow, GWL_EXSTYLE, GetWindowLongPtrW(mainWindow, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    if (settings.decorate) style |= WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    SetWindowLongPtrW(mainWindow, GWL_STYLE, style);
    SetWindowPos(mainWindow, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    image.interpolation = settings.zoomquality;
    drawing.backgroundBrush.reset(CreateSolidBrush(static_cast<COLORREF>(settings.bgcolor)));

    updateScreenRects();

    if (!settings.wrap) {
        if (settings.corral) {
            corralWindow();
        } else {
            const Rect32& r = settings.windowRect;
            MoveWindow(mainWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        }
    }
    if (settings.statusbar && !window.statusBarWindow && !settings.crop && settings.layer != kLayerFullScreen) createStatusBar();

    if (settings.desktop.empty()) {
        settings.desktop = knownFolderPath(CSIDL_DESKTOPDIRECTORY);
    } else {
        files.desktopConfigured = true;
    }
}
