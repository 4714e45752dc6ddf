// The Main Menu: loaded, translated and marked at every opening, tracked at a point, and opened
// again on the pinned level after each command.
#include <windows.h>

#include "app.h"
#include "command_ids.h"
#include "shell/menu_pins.h"
#include "shell/loaded_menu_texts.h"
#include "shell/shell_menu.h"
#include "viewer.h"
#include "win_handles.h"
#include "window_messages.h"

void Viewer::applyMenuState(HMENU menu, bool isRoot) {
    const CommandContext context = commandContext();
    for (const CommandRow& row : commandRows()) {
        if (!row.menuState) continue;
        for (int id = row.first; id <= row.last; ++id) {
            const MenuState state = row.menuState(settings, context, static_cast<CommandId>(id));
            if (state.checked) CheckMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_CHECKED);
            if (state.greyed) EnableMenuItem(menu, static_cast<UINT>(id), MF_BYCOMMAND | MF_GRAYED);
        }
    }
    if (!isRoot) return;
    // The Main Menu marks three submenu titles: Slideshow running, a hand zoom, a turned picture.
    constexpr UINT kSlideshowPosition = 2, kZoomPosition = 17, kRotatePosition = 18;
    if (settings.slide) CheckMenuItem(menu, kSlideshowPosition, MF_BYPOSITION | MF_CHECKED);
    if (view.manualZoom) CheckMenuItem(menu, kZoomPosition, MF_BYPOSITION | MF_CHECKED);
    if (view.appliedRotation != 0) CheckMenuItem(menu, kRotatePosition, MF_BYPOSITION | MF_CHECKED);
}

void Viewer::showMainMenu(int x, int y, int submenu) {
    if (slideshow.suspended) return;  // a dialog of a command is open
    suspendSlideshow(false);
    ShowCursor(TRUE);

    TrackedMenu tracked{0, true};
    {
        const MenuHandle loaded(LoadMenuW(app.instance, MAKEINTRESOURCEW(IDR_MAINMENU)));
        if (HMENU root = loaded ? GetSubMenu(loaded.get(), 0) : nullptr) {
            LoadedMenuTexts texts(root);
            language.applyMenuTexts(texts);
            const MenuPath path = menuToShow(shell.pins, submenu);
            HMENU menu = root;
            for (int level = 0; level < path.depth && menu; ++level) menu = GetSubMenu(menu, path.positions[level]);
            if (!menu) menu = root;  // the position names no submenu: the whole menu instead
            applyMenuState(menu, menu == root);
            SetForegroundWindow(mainWindow);
            tracked = trackMenu(menu, x, y, mainWindow, static_cast<UINT>(shell.pins.lastChosen));
        }
    }

    const UINT chosen = tracked.chosen;
    if (chosen == CMD_EXIT) {
        SendMessageW(mainWindow, WM_CLOSE, 0, 0);
    } else {
        const WPARAM code = encodeMenuPoint(x, y);
        if (chosen != 0) SendMessageW(mainWindow, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
        const MenuReopen reopen = afterTracking(shell.pins, static_cast<int>(chosen), tracked.byUser);
        // The command may have closed the window (another instance asked, the session ended).
        if (reopen.reopen && IsWindow(mainWindow))
            PostMessageW(mainWindow, MainMessage::ReopenMenu, code, reopen.submenu);
        if (!slideshow.suspended && IsWindow(mainWindow)) resumeSlideshow();
    }
    trimWorkingSet();
    ShowCursor(FALSE);
}

void Viewer::showMainMenuFromKey() {
    POINT cursor{};
    RECT windowArea{};
    const bool cursorKnown = GetCursorPos(&cursor) != 0;
    GetWindowRect(mainWindow, &windowArea);
    if (settings.atCursor && cursorKnown && PtInRect(&windowArea, cursor)) {
        showMainMenu(cursor.x, cursor.y, 0);
        return;
    }
    POINT corner{window.frameWidth, window.frameHeight};
    ClientToScreen(mainWindow, &corner);
    showMainMenu(corner.x, corner.y, 0);
}
