// The main window at its DPI: the frame metrics, the font of text over the picture, the status bar
// and the icons follow the DPI of the monitor the window is on; the picture keeps its zoom, one
// picture pixel per device pixel at 100 %.
#include <windows.h>

#include "core/dpi.h"
#include "viewer.h"

void Viewer::applyDpi(int dpi) {
    window.dpi = dpi;
    window.frameWidth = metricForDpi(SM_CXSIZEFRAME, dpi);
    window.frameHeight = metricForDpi(SM_CYSIZEFRAME, dpi);

    // Text drawn over the picture: a variable-pitch font of the message font's height.
    LOGFONTW font{};
    font.lfPitchAndFamily = VARIABLE_PITCH;
    font.lfHeight = systemFontForDpi(SystemFont::Message, dpi).lfHeight;
    drawing.textFont.reset(CreateFontIndirectW(&font));

    // The icons the window shows: caption, task bar, Alt+Tab, and the tray icon when there is one.
    window.largeIcon = programIconForDpi(SM_CXICON, dpi);
    window.smallIcon = programIconForDpi(SM_CXSMICON, dpi);
    SendMessageW(mainWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(window.largeIcon.get()));
    SendMessageW(mainWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(window.smallIcon.get()));
    if (window.smallIcon) {
        shell.trayIconData.hIcon = window.smallIcon.get();
        Shell_NotifyIconW(NIM_MODIFY, &shell.trayIconData);  // changes nothing while the icon is not shown
    }

    // A status bar is made again with the font, parts and height of the new DPI.
    if (window.statusBarWindow) {
        destroyStatusBar();
        createStatusBar();
        refreshStatus();
    }
}

void Viewer::onDpiChanged(int dpi, const RECT& suggested) {
    applyDpi(dpi);
    // The system's rectangle keeps the window's place and its interface's size on the new monitor;
    // in full screen the window keeps covering its monitor.
    if (settings.layer != kLayerFullScreen) {
        SetWindowPos(mainWindow, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        readWindowRect();
    }
    updateScreenRects();
    // The zoom stays: a wrapped window is wrapped around the picture again at the same zoom.
    if (settings.layer != kLayerWallpaper) refreshLayout();
}
