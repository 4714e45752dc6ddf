// The caption (and tray tip) and the seven-part status bar that describe the current picture.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "app.h"
#include "command_ids.h"
#include "window_messages.h"
#include "core/dpi.h"
#include "shell/tray_icon.h"
#include "caption_text.h"
#include "shortcut_file.h"
#include "slideshow_logic.h"
#include "viewer.h"

namespace {

// Right edges of the seven parts at 96 DPI.
constexpr int kStatusPartEdges[7] = {70, 160, 200, 260, 360, 410, 440};

}  // namespace

int Viewer::statusBarMinWidth() const {
    // Every part, and the size grip beside the last one.
    return window.statusBarWindow ? scaleToDpi(kStatusPartEdges[6], window.dpi) + metricForDpi(SM_CXVSCROLL, window.dpi)
                                  : 0;
}

void Viewer::createStatusBar() {
    window.statusBarWindow = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, L"", mainWindow, 500);
    if (!window.statusBarWindow) {
        settings.statusbar = false;
        return;
    }
    // The font, height and parts of the window's DPI.
    GdiFont font = createSystemFont(SystemFont::Status, window.dpi);
    window.statusBarHeight = setStatusBarFont(window.statusBarWindow, font.get());
    window.statusBarFont = std::move(font);
    setStatusBarParts(window.statusBarWindow, kStatusPartEdges, window.dpi);
    SendMessageW(window.statusBarWindow, SB_SETTEXTW, 6 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(L"\tF1"));
    if (!settings.slide) setReadout(L"\t!");
}

void Viewer::destroyStatusBar() {
    if (window.statusBarWindow) DestroyWindow(window.statusBarWindow);
    window.statusBarWindow = nullptr;
}

void Viewer::refreshCaption() {
    CaptionInput input;
    input.title = settings.title;
    input.fullname = settings.fullname;
    input.collage = settings.collage;
    input.currentPath = store.currentPathCopy();
    input.pasted = input.currentPath == shell.pastedImageName;
    input.buildRoot = store.buildRootCopy();
    input.productName = app.productName;
    input.exhibitEmpty = store.size() == 0;
    input.zoomPercent = view.zoomPercent;
    input.shownWidth = image.width;
    input.shownHeight = image.height;
    const std::wstring caption = composeCaption(input);
    SetWindowTextW(mainWindow, caption.c_str());
    if (settings.trayicon) updateTrayTip(shell.trayIconData, caption);
}

void Viewer::refreshStatus() {
    if (!window.statusBarWindow) return;
    // The status bar may repaint at every text set (Wine's does): the parts that change are set
    // with its drawing off, and it then paints once.
    // (Turning drawing back on shows a window: only a bar that is shown has its drawing turned off.)
    struct BatchedBar {
        HWND bar;
        bool drawingOff = false;
        void setPart(int part, const std::wstring& text) {
            const LRESULT info = SendMessageW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
            std::wstring shown(static_cast<size_t>(LOWORD(info)) + 1, L'\0');
            SendMessageW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(shown.data()));
            shown.resize(static_cast<size_t>(LOWORD(info)));
            if (shown == text) return;
            if (!drawingOff && (GetWindowLongPtrW(bar, GWL_STYLE) & WS_VISIBLE)) {
                SendMessageW(bar, WM_SETREDRAW, FALSE, 0);
                drawingOff = true;
            }
            SendMessageW(bar, SB_SETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(text.c_str()));
        }
        ~BatchedBar() {
            if (!drawingOff) return;
            SendMessageW(bar, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(bar, nullptr, TRUE);
        }
    } batch{window.statusBarWindow};
    auto setPart = [&batch](int part, const std::wstring& text) { batch.setPart(part, text); };
    const size_t count = store.size();
    if (count == 0 || !image.loaded()) {
        for (int part = 0; part <= 4; ++part) setPart(part, L"");
        return;
    }
    const std::wstring path = store.currentPathCopy();
    const bool pasted = path == shell.pastedImageName;
    DWORD size = INVALID_FILE_SIZE;
    if (!pasted) {
        std::wstring file = path;
        if (isShortcutPath(path)) {
            ShortcutFile shortcut;
            std::wstring target;
            if (shortcut.open() && shortcut.readTarget(path, target, false)) file = target;
        }
        size = GetCompressedFileSizeW(file.c_str(), nullptr);
    }
    setPart(0, fileSizePart(pasted, size != INVALID_FILE_SIZE, size, language.message(kMsgKB),
                            language.message(kMsgNotAFile)));
    setPart(1, dimensionsPart(image.naturalWidth(), image.naturalHeight(), image.bitsPerPixel()));
    setPart(2, zoomPart(settings.collage, collageTile().width, image.naturalWidth(), view.zoomPercent, settings.zoom, view.manualZoom));
    computeScrollRange();
    setPart(3, scrollPart(settings.collage, language.message(kMsgCollage), settings.squeeze, view.manualZoom, view.scrollRangeX,
                          view.scrollRangeY, view.scrollStep));
    setPart(4, positionPart(pasted, static_cast<size_t>(store.currentIndex), count));
}

void Viewer::onBuildEnded(bool byWatcher) {
    // The count in the status bar was that of the first folder.
    if (IsWindowVisible(mainWindow) && window.statusBarWindow && store.size() != 0 && image.loaded()) refreshStatus();
    if (window.catalogWindow && !byWatcher) PostMessageW(window.catalogWindow, WM_COMMAND, CMD_REFRESH, 0);
}
