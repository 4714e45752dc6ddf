// The one application object: every setting and all run-time state, and the operations on them.
// Member functions live in the folder of the subsystem they belong to.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "command_line.h"
#include "language_table.h"
#include "settings.h"

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

    // Dialogs
    bool chooseSettingsFile();
    bool chooseExhibitRoot();

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
    std::wstring currentPath;
    int currentIndex = 0;

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
