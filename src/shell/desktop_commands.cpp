// The Viewer's place on the desktop: the wallpaper (and the Blackbox shell's), the tray icon, the
// show/hide hotkey, closing other instances and the clipboard, with the commands that drive them.
#include <windows.h>

#include "app.h"
#include "command_ids.h"
#include "shell/clipboard.h"
#include "shell/command_actions.h"
#include "shell/hotkey.h"
#include "shell/single_instance.h"
#include "shell/tray_icon.h"
#include "shell/wallpaper.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

WallpaperContext wallpaperContextOf(const Viewer& v) {
    WallpaperContext context;
    context.wallpaperPath = v.files.wallpaperPath;
    context.blackbox.present = v.shell.blackboxPresent;
    context.blackbox.wallpaper = v.settings.bbWallpaper;
    context.blackbox.scale = v.settings.bbWallpaperScale;
    context.blackbox.style = v.settings.bbWallpaperStyle;
    context.blackboxWindow = v.shell.blackboxWindow;
    return context;
}

// The hotkey record built from the settings and the shell state, and stored back after a change.
HotkeyState hotkeyRecordOf(const Viewer& v) {
    HotkeyState state;
    state.modifiers = v.settings.hidemod;
    state.key = v.settings.hidekey;
    state.id = v.shell.hotkeyId;
    state.registered = v.shell.hotkeyRegistered;
    return state;
}

void storeHotkeyRecord(Viewer& v, const HotkeyState& state) {
    v.settings.hidemod = static_cast<int16_t>(state.modifiers);
    v.settings.hidekey = static_cast<int16_t>(state.key);
    v.shell.hotkeyRegistered = state.registered;
}

void toggle(bool& flag) { flag = !flag; }

// Styles 1..3 also choose the Blackbox style; 4 and 5 leave it.
void wallpaperStyleCommand(Viewer& v, int offset) {
    const int style = offset + 1;
    v.writeWallpaperStyle(style);
    const int bbStyle = wallpaperStyleValues(style).bbStyle;
    if (bbStyle != 0) v.settings.bbWallpaperStyle = static_cast<int16_t>(bbStyle);
    v.setWallpaper();
}

void blackboxAdjustCommand(Viewer& v, int kind, int16_t& value) {
    v.askSetting(kind, value);
    v.refreshLayout();
}

// Copy Image, Copy View, Paste.
void clipboardCommand(Viewer& v, int offset) {
    switch (offset) {
    case 0: v.copyImage(); break;
    case 1: v.copyView(); break;
    default:
        v.settings.slide = false;
        v.restartSlideTimer();  // stays stopped with the slideshow off
        if (v.pasteImage()) v.refreshLayout();
        break;
    }
}

const CommandActionRow kActions[] = {
    {CMD_TRAYICON, CMD_TRAYICON, [](Viewer& v, int) {
         if (v.settings.layer == kLayerWallpaper) return;
         toggle(v.settings.trayicon);
         v.applyTrayIcon();
     }},
    {CMD_HOTKEY, CMD_HOTKEY, [](Viewer& v, int) {
         HotkeyState state = hotkeyRecordOf(v);
         if (hotkeyDialog(app.instance, v.mainWindow, v.language, v.mainWindow, state)) storeHotkeyRecord(v, state);
     }},
    {CMD_SINGLE_INSTANCE, CMD_SINGLE_INSTANCE, [](Viewer& v, int) { toggle(v.settings.singleinstance); }},
    {CMD_CLOSE_OTHERS, CMD_CLOSE_OTHERS, [](Viewer& v, int) { v.closeOtherInstances(); }},
    {CMD_WALL_CENTER, CMD_WALL_STRETCH, wallpaperStyleCommand},
    {CMD_WALL_FIT, CMD_WALL_FILL, [](Viewer& v, int offset) { wallpaperStyleCommand(v, offset + 3); }},
    {CMD_WALL_CLEAR, CMD_WALL_RESTORE, [](Viewer& v, int offset) {
         if (offset == 0)
             v.clearWallpaper();
         else
             v.restoreWallpaper();
     }},
    {CMD_COPY_IMAGE, CMD_PASTE, clipboardCommand},
    {CMD_BB_WALLPAPER, CMD_BB_WALLPAPER, [](Viewer& v, int) {
         toggle(v.settings.bbWallpaper);
         if (v.shell.blackboxPresent && v.settings.layer == kLayerWallpaper) v.setWallpaper();
     }},
    {CMD_BB_SCALE, CMD_BB_SCALE, [](Viewer& v, int) {
         toggle(v.settings.bbWallpaperScale);
         if (v.shell.blackboxPresent && v.settings.bbWallpaper && v.settings.layer == kLayerWallpaper)
             v.setWallpaper();
     }},
    {CMD_BB_SKIN, CMD_BB_SKIN, [](Viewer& v, int) {
         toggle(v.settings.bbSkin);
         v.refreshLayout();
     }},
    {CMD_BB_RAISE, CMD_BB_LENGTHEN, [](Viewer& v, int offset) {
         if (offset == 0)
             blackboxAdjustCommand(v, 14, v.settings.bbCaptionAdjust);
         else
             blackboxAdjustCommand(v, 16, v.settings.bbWindowAdjust);
     }},
};

}  // namespace

std::span<const CommandActionRow> desktopCommandActions() { return kActions; }

// ---- Wallpaper ---------------------------------------------------------------------------------

void Viewer::writeWallpaperStyle(int style) { writeDesktopWallpaperStyle(wallpaperContextOf(*this), style); }

bool Viewer::setWallpaper() {
    const Size32 monitor{window.monitorWidth(), window.monitorHeight()};
    const Rect32& r = settings.windowRect;
    const Size32 windowSize{r.right - r.left, r.bottom - r.top};
    const Size32 size =
        wallpaperRenderSize({image.naturalWidth(), image.naturalHeight()}, windowSize, monitor, settings.layer,
                            settings.wrap, view.zoomPercent, {settings.squeeze, settings.shrink, settings.stretch});
    // A pasted picture has no file of its own to name.
    const std::wstring current = store.currentPathCopy();
    const std::wstring imagePath = current == shell.pastedImageName ? std::wstring() : current;
    if (!holdPixelsFor(size.width, size.height)) return false;
    return setDesktopWallpaper(wallpaperContextOf(*this), image, size, imagePath);
}

void Viewer::clearWallpaper() { clearDesktopWallpaper(files.wallpaperPath); }

void Viewer::restoreWallpaper() { restoreDesktopWallpaper(); }

void Viewer::applyWallpaperSwitch(int style) {
    ::applyWallpaperSwitch(wallpaperContextOf(*this), style, settings.bbWallpaperStyle);
}

// ---- Tray icon, hotkey, other instances ----------------------------------------------------------

void Viewer::startShellIntegration() {
    applyTrayIconAtStart(mainWindow, shell.trayIconData, settings.trayicon);
    HotkeyState state = hotkeyRecordOf(*this);
    registerShowHideHotkey(mainWindow, state);
    storeHotkeyRecord(*this, state);
    // The hotkey is registered first, so that a new instance takes over the one it closes.
    if (settings.singleinstance) closeOtherInstances();
}

void Viewer::applyTrayIcon() { ::applyTrayIcon(mainWindow, shell.trayIconData, settings.trayicon); }

void Viewer::onTrayNotify(UINT mouseMessage) {
    TrayHandlers handlers;
    handlers.toggleShowHide = [this] { toggleShowHide(); };
    handlers.openMenu = [this](POINT at) { openTrayMenu(at); };
    ::onTrayNotify(mainWindow, mouseMessage, handlers);
}

// The one place the tray icon's menu is opened: the Main Menu at the cursor, translated, checked
// and pinnable like the one of a right click.
void Viewer::openTrayMenu(POINT at) {
    showMainMenu(at.x, at.y, 0);
}

void Viewer::onHotkey(WPARAM id) {
    if (isShowHideHotkey(id, hotkeyRecordOf(*this))) toggleShowHide();
}

void Viewer::closeOtherInstances() {
    ::closeOtherInstances(mainWindow);
    HotkeyState state = hotkeyRecordOf(*this);
    retryShowHideHotkey(mainWindow, state);
    storeHotkeyRecord(*this, state);
}

// ---- Clipboard -----------------------------------------------------------------------------------

void Viewer::copyImage() {
    if (holdPixelsFor(image.naturalWidth(), image.naturalHeight())) copyImageToClipboard(mainWindow, image, static_cast<COLORREF>(settings.bgcolor));
}

void Viewer::copyView() {
    if (!drawing.view.hasBitmap()) return;
    const SIZE client = clientSize();
    Point32 scroll{view.scrollX, view.scrollY};
    copyViewToClipboard(mainWindow, drawing.view.dc(), {drawing.view.width(), drawing.view.height()},
                        {client.cx, client.cy}, scroll);
    view.scrollX = scroll.x;
    view.scrollY = scroll.y;
}

bool Viewer::pasteImage() {
    const PasteOutcome outcome = pasteFromClipboard(mainWindow, image);
    if (outcome == PasteOutcome::NoBitmap || outcome == PasteOutcome::Unavailable) return false;
    if (outcome == PasteOutcome::Pasted) {
        // Shown like any new picture: fitted by the switches, or at the zoom lock.
        store.setCurrentPath(shell.pastedImageName);
        view.resetForNewImage(settings.zoom);
        view.appliedRotation = 0;
    }
    return true;  // pasted, or the image was released: the view changes either way
}
