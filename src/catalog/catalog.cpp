// The Catalog window: opening and closing, the list and its status, the thumbnails and the decoding
// threads, type-ahead, the keyboard and mouse hooks.
#include <windows.h>

#include "catalog.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "core/app.h"
#include "core/command_ids.h"
#include "core/dpi.h"
#include "core/viewer.h"
#include "core/window_messages.h"
#include "display/view_image.h"
#include "fileops/shortcut_file.h"
#include "shell/menu_pins.h"

namespace {

// The Catalog whose hooks are installed (one at a time: the window is modal).
Catalog* hookedCatalog = nullptr;

constexpr int kStatusBarId = 500;
// Commands the hooks post to the Catalog.
constexpr int kHookTab = 1033;         // Tab: next folder, Shift+Tab: previous folder
constexpr int kHookShiftDown = 1034;   // Shift went down: remember the anchor
constexpr int kHookShiftRange = 1035;  // a Shift selection: keep only the range

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

void setDialogResult(HWND window, LRESULT result) { SetWindowLongPtrW(window, DWLP_MSGRESULT, result); }

}  // namespace

LRESULT CALLBACK catalogKeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    Catalog* catalog = hookedCatalog;
    if (code < 0 || !catalog) return CallNextHookEx(nullptr, code, wParam, lParam);
    const bool down = (lParam & 0x80000000) == 0;
    if (down && GetActiveWindow() == catalog->catalogWindow) {
        const bool shift = keyDown(VK_SHIFT);
        // Alt keys never reach the list as key presses: they are taken here (and not passed on, so
        // that Alt+F4 ends the program instead of closing the window).
        if ((lParam & 0x20000000) != 0 && Catalog::altKeyCommand(static_cast<WORD>(wParam), shift, keyDown(VK_CONTROL))) {
            PostMessageW(catalog->catalogWindow, CatalogMessage::AltKey, wParam, 0);
            return 1;
        }
        switch (wParam) {
        case VK_TAB:
            PostMessageW(catalog->catalogWindow, WM_COMMAND, kHookTab, 0);
            break;
        case VK_SHIFT:
            if ((lParam & 0x40000000) == 0) PostMessageW(catalog->catalogWindow, WM_COMMAND, kHookShiftDown, 0);
            break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_HOME: case VK_END:
            if (shift) PostMessageW(catalog->catalogWindow, WM_COMMAND, kHookShiftRange, 0);
            break;
        default:
            break;
        }
    }
    return 0;
}

LRESULT CALLBACK catalogMouseHook(int code, WPARAM wParam, LPARAM lParam) {
    Catalog* catalog = hookedCatalog;
    if (code < 0 || !catalog) return CallNextHookEx(nullptr, code, wParam, lParam);
    if (wParam == WM_LBUTTONDOWN && keyDown(VK_SHIFT) && GetActiveWindow() == catalog->catalogWindow)
        PostMessageW(catalog->catalogWindow, WM_COMMAND, kHookShiftRange, 0);
    return 0;
}

// ---- Opening -----------------------------------------------------------------------------------

void Viewer::openCatalog() {
    // One Catalog at a time (the tray's menu still works while it is open): it comes to the front.
    if (window.catalogWindow) {
        SetForegroundWindow(window.catalogWindow);
        return;
    }
    // Auto-refresh is on while the Catalog is open; the user's own value is the one saved meanwhile.
    const bool autoRefreshBefore = settings.autorefresh;
    window.autorefreshBeforeCatalog = autoRefreshBefore;
    if (!autoRefreshBefore) executeCommand(CMD_AUTOREFRESH);
    if (settings.hideViewer && IsWindowVisible(mainWindow)) toggleShowHide();
    const INT_PTR result = DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_CATALOG), mainWindow,
                                           Catalog::dialogProc, reinterpret_cast<LPARAM>(this));
    window.autorefreshBeforeCatalog.reset();
    if (store.shuttingDown) return;  // the program ended under the Catalog (the session ended)
    if (settings.autorefresh != autoRefreshBefore) executeCommand(CMD_AUTOREFRESH);
    if (result == 0) {
        PostMessageW(mainWindow, WM_CLOSE, 0, 0);
        return;
    }
    if (!IsWindowVisible(mainWindow) && settings.layer != kLayerWallpaper) {
        ShowWindow(mainWindow, SW_SHOWNORMAL);
        SetForegroundWindow(mainWindow);
    }
    showCurrent(true);
}

Catalog::Catalog(HWND window, Viewer& v)
    : catalogWindow(window),
      viewer(v),
      dropTarget_([this](POINTL point) { return dropFolderAt(point); },
                  [](const std::vector<std::wstring>&, bool) {}) {}

Catalog::~Catalog() = default;

INT_PTR CALLBACK Catalog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* catalog = new Catalog(window, *reinterpret_cast<Viewer*>(lParam));
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(catalog));
        catalog->create();
        return FALSE;  // the focus was given to the list
    }
    auto* catalog = reinterpret_cast<Catalog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!catalog) return FALSE;

    switch (message) {
    case WM_SIZE:
        catalog->layout(LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_DPICHANGED: {
        catalog->applyDpi(LOWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                     suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client{};
        GetClientRect(window, &client);
        catalog->layout(client.right, client.bottom);
        return TRUE;
    }
    case WM_NOTIFY:
        return catalog->onNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_COMMAND: {
        const int command = LOWORD(wParam);
        if (command == kHookTab) {
            catalog->folderJump(keyDown(VK_SHIFT) ? CMD_PREV_FOLDER : CMD_NEXT_FOLDER);
        } else if (command == kHookShiftDown) {
            // The list's own anchor of Shift selections (the selection mark), so that Shift pressed
            // again extends the same range; the focused item when there is none.
            const int mark = static_cast<int>(SendMessageW(catalog->listView, LVM_GETSELECTIONMARK, 0, 0));
            catalog->shiftAnchor = mark >= 0 ? mark : catalog->focusedItem();
        } else if (command == kHookShiftRange) {
            catalog->keepShiftRange();
        } else if (command == CMD_REFRESH) {
            catalog->refill(true);  // the builder reports the end of a build (the menu's Refresh comes by its own way)
        } else {
            catalog->runCommand(command);
        }
        return TRUE;
    }
    case WM_CLOSE:
        catalog->closeWith(1);
        return TRUE;
    case WM_DESTROY:
        catalog->destroy();
        SetWindowLongPtrW(window, DWLP_USER, 0);
        delete catalog;
        return TRUE;
    case CatalogMessage::ShowMenu:
    {
        int x = 0, y = 0;
        decodeMenuPoint(static_cast<uint32_t>(wParam), x, y);
        catalog->showMenu(x, y, static_cast<int>(lParam));
        return TRUE;
    }
    case CatalogMessage::RefreshStatus:
        catalog->updateStatus();
        return TRUE;
    case CatalogMessage::Busy:
        catalog->busy = true;
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        catalog->setStatusPart(2, catalog->viewer.language.message(24));
        catalog->setStatusPart(1, L"");
        return TRUE;
    case CatalogMessage::Refill:
        catalog->refill(wParam == 0);  // wParam 1: auto-find chose the entry to show
        return TRUE;
    case CatalogMessage::EndWork:
        catalog->stopDecoders();
        return TRUE;
    case CatalogMessage::AltKey:
        catalog->runAltKey(static_cast<WORD>(wParam));
        return TRUE;
    case WM_TIMER:
        if (wParam == kCatalogCheckTimerId) catalog->followExhibit();
        return TRUE;
    case CatalogMessage::FollowExhibit:
        catalog->followExhibit();
        return TRUE;
    case CatalogMessage::ThumbnailReady:
        catalog->onThumbnailReady(reinterpret_cast<FinishedThumbnail*>(lParam));
        return TRUE;
    default:
        return FALSE;
    }
}

void Catalog::create() {
    ShowCursor(TRUE);
    viewer.window.catalogWindow = catalogWindow;
    dropRegistered_ = dropTarget_.registerWindow(catalogWindow);
    hookedCatalog = this;
    keyboardHook_.reset(SetWindowsHookExW(WH_KEYBOARD, catalogKeyboardHook, nullptr, GetCurrentThreadId()));
    mouseHook_.reset(SetWindowsHookExW(WH_MOUSE, catalogMouseHook, nullptr, GetCurrentThreadId()));
    drawDc_.reset(CreateCompatibleDC(nullptr));

    const int thumb = std::max(1, viewer.settings.thumbsize);
    const Rect32& saved = viewer.settings.catalogRect;
    if (saved.right - saved.left > thumb && saved.bottom - saved.top > thumb)
        MoveWindow(catalogWindow, saved.left, saved.top, saved.right - saved.left, saved.bottom - saved.top, FALSE);

    listView = CreateWindowExW(0, WC_LISTVIEWW, L"Catalog", WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_OWNERDATA, 0, 0, 0,
                               0, catalogWindow, nullptr, app.instance, nullptr);
    takeExhibitCount();
    const size_t count = static_cast<size_t>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));

    catalogStatusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"\tF1", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0,
                                       0, catalogWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                                       app.instance, nullptr);
    applyDpi(windowDpi(catalogWindow));

    startDecoders();
    SetTimer(catalogWindow, kCatalogCheckTimerId, kCatalogCheckMs, nullptr);

    const int current = viewer.store.currentIndex;
    if (current >= 0 && static_cast<size_t>(current) < count) selectOnly(current);
    PostMessageW(listView, LVM_ENSUREVISIBLE, current, FALSE);  // once the list has its size

    RECT client{};
    GetClientRect(catalogWindow, &client);
    layout(client.right, client.bottom);
    setTitle();
    SetFocus(listView);
}

void Catalog::destroy() {
    KillTimer(catalogWindow, kCatalogCheckTimerId);
    stopDecoders();
    keepThumbnails();
    if (dropRegistered_) dropTarget_.revoke();
    viewer.window.catalogWindow = nullptr;
    hookedCatalog = nullptr;
    keyboardHook_.reset();
    mouseHook_.reset();
    RECT rect{};
    if (!IsIconic(catalogWindow) && !IsZoomed(catalogWindow) && GetWindowRect(catalogWindow, &rect))
        viewer.settings.catalogRect = Rect32{rect.left, rect.top, rect.right, rect.bottom};
    drawDc_.reset();
    ShowCursor(FALSE);
}

void Catalog::closeWith(int result) { EndDialog(catalogWindow, result); }

void Catalog::setTitle() {
    const std::wstring title = viewer.store.buildRootCopy() + L" - " + catalogTitle;
    SetWindowTextW(catalogWindow, title.c_str());
}

void Catalog::setStatusPart(int part, const std::wstring& text) {
    SendMessageW(catalogStatusBar, SB_SETTEXTW, part, reinterpret_cast<LPARAM>(text.c_str()));
}

void Catalog::layout(int width, int height) {
    const int listHeight = std::max(0, height - catalogStatusHeight);
    MoveWindow(listView, 0, 0, width, listHeight, TRUE);
    SetWindowRgn(listView, CreateRectRgn(0, 0, width, listHeight), TRUE);  // the window owns the region
    InvalidateRect(catalogWindow, nullptr, TRUE);
    const int focused = focusedItem();
    if (focused >= 0) SendMessageW(listView, LVM_ENSUREVISIBLE, focused, FALSE);
    SendMessageW(catalogStatusBar, WM_SIZE, 0, 0);
    constexpr int kPartEdges[3] = {20, 120, -1};
    setStatusBarParts(catalogStatusBar, kPartEdges, dpi_);
    setStatusPart(0, L"\tF1");
    updateStatus();
    trimWorkingSet();
}

bool Catalog::building() const { return viewer.store.building; }

bool Catalog::refillIfStale() {
    if (!listStale()) return false;
    refill(true);
    return true;
}

void Catalog::followExhibit() {
    if (!building()) refillIfStale();
}

bool Catalog::listStale() const {
    const auto shown = static_cast<size_t>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    std::lock_guard lock(viewer.store.exhibitMutex);
    return viewer.store.exhibit.revision() != listRevision_ || viewer.store.exhibit.size() < shown;
}

void Catalog::takeExhibitCount() {
    size_t count = 0;
    uint64_t revision = 0;
    {
        std::lock_guard lock(viewer.store.exhibitMutex);
        count = viewer.store.exhibit.size();
        revision = viewer.store.exhibit.revision();
    }
    if (revision != listRevision_) dropThumbnails();
    listRevision_ = revision;
    SendMessageW(listView, LVM_SETITEMCOUNT, count, 0);
}

int Catalog::thumbPixels() const { return scaleToDpi(std::max(1, viewer.settings.thumbsize), dpi_); }

void Catalog::applyDpi(int dpi) {
    dpi_ = dpi;
    if (!listView) return;  // still being made: it takes the DPI once its controls exist
    iconMargin = (metricForDpi(SM_CXICONSPACING, dpi) - metricForDpi(SM_CXICON, dpi)) / 2;
    // The image list only sets the spacing of the cells; the list view owns and destroys it (and
    // gives back the one it replaces).
    const int thumb = thumbPixels();
    if (HIMAGELIST old = reinterpret_cast<HIMAGELIST>(SendMessageW(
            listView, LVM_SETIMAGELIST, LVSIL_NORMAL,
            reinterpret_cast<LPARAM>(ImageList_Create(thumb, thumb, ILC_COLOR24, 0, 0)))))
        ImageList_Destroy(old);
    // Each font goes once the control has its successor.
    GdiFont listFont = createSystemFont(SystemFont::Message, dpi), statusFont = createSystemFont(SystemFont::Status, dpi);
    SendMessageW(listView, WM_SETFONT, reinterpret_cast<WPARAM>(listFont.get()), TRUE);
    catalogStatusHeight = setStatusBarFont(catalogStatusBar, statusFont.get());
    listFont_ = std::move(listFont);
    statusFont_ = std::move(statusFont);
    dropThumbnails();  // made for the cells of the old DPI
    InvalidateRect(listView, nullptr, TRUE);
}

bool Catalog::regularExhibit() const { return viewer.store.exhibitRoot == viewer.store.buildRootCopy(); }

// ---- Selection ---------------------------------------------------------------------------------

int Catalog::focusedItem() const {
    return static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

int Catalog::firstSelected() const {
    return static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

std::vector<int> Catalog::selectedItems() const {
    std::vector<int> items;
    int item = -1;
    while ((item = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0)
        items.push_back(item);
    return items;
}

std::vector<std::wstring> Catalog::selectedPaths(bool releaseShownImage) {
    if (refillIfStale()) return {};
    std::vector<std::wstring> paths;
    const std::wstring shown = viewer.store.currentPathCopy();
    for (int item : selectedItems()) {
        std::wstring path = viewer.store.entryPath(static_cast<size_t>(item));
        if (path.empty()) continue;
        if (releaseShownImage && path == shown) viewer.image.release();  // the file must not be held
        paths.push_back(std::move(path));
    }
    return paths;
}

void Catalog::selectOnly(int index) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    if (index < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(listView, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    SendMessageW(listView, LVM_SETSELECTIONMARK, 0, index);
    SendMessageW(listView, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

void Catalog::keepShiftRange() {
    const std::vector<int> selected = selectedItems();
    if (selected.size() < 2 || shiftAnchor < 0) return;
    const int focused = focusedItem();
    if (focused < 0) return;
    const int low = std::min(shiftAnchor, focused), high = std::max(shiftAnchor, focused);
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED;
    state.state = 0;
    for (int item : selected)
        if (item < low || item > high) SendMessageW(listView, LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&state));
    PostMessageW(catalogWindow, CatalogMessage::RefreshStatus, 0, 0);
}

// ---- Status and refill -------------------------------------------------------------------------

void Catalog::updateStatus() {
    const int focused = focusedItem();
    const size_t entries = viewer.store.size();
    if (!building() && !listStale()) {  // a stale list's index names another file
        selectedPath = focused >= 0 ? viewer.store.entryPath(static_cast<size_t>(focused)) : std::wstring();
        const size_t selectedCount = static_cast<size_t>(SendMessageW(listView, LVM_GETSELECTEDCOUNT, 0, 0));
        if (selectedCount > 1)
            setStatusPart(2, selectedPath + L" (" + std::to_wstring(selectedCount) + L" items selected)");
        else
            setStatusPart(2, selectedPath);
    }
    std::wstring position;
    if (building())
        position = L"\t" + std::to_wstring(entries) + L" ...";
    else if (entries != 0)
        position = L"\t" + std::to_wstring(focused + 1) + L"/" +
                   std::to_wstring(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    setStatusPart(1, position);
}

void Catalog::refill(bool keepSelection) {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    dropThumbnails();
    takeExhibitCount();
    const auto count = static_cast<long long>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    InvalidateRect(listView, nullptr, TRUE);
    long long index = viewer.store.currentIndex;
    if (keepSelection && regularExhibit()) {
        // The file the user had stays selected wherever it is now; when it is gone, nothing is
        // (rather than another file at its old place).
        const long long restored = restorePath.empty() ? -1 : viewer.store.indexOfPath(restorePath);
        if (restored >= 0) {
            index = restored;
            restorePath.clear();
        } else if (!selectedPath.empty()) {
            index = viewer.store.indexOfPath(selectedPath);
        } else if (focusedItem() < 0) {
            index = -1;  // none selected stays none
        }
    }
    if (index >= count) index = count != 0 ? 0 : -1;
    busy = false;
    selectOnly(static_cast<int>(index));
    updateStatus();
    setTitle();
    trimWorkingSet();
}

// After every key the list handles: a key press ends the "press any key" wait of a build.
void Catalog::afterKey() {
    if (building()) {
        busy = false;
        takeExhibitCount();
        InvalidateRect(listView, nullptr, TRUE);
        SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    }
    PostMessageW(catalogWindow, CatalogMessage::RefreshStatus, 0, 0);
}

// ---- Notifications -----------------------------------------------------------------------------

INT_PTR Catalog::onNotify(NMHDR* header) {
    if (header->hwndFrom != listView) return FALSE;
    switch (header->code) {
    case LVN_GETDISPINFOW: {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
            info->item.pszText[0] = 0;
            const std::wstring text = catalogItemText(viewer.store.entryPath(static_cast<size_t>(info->item.iItem)));
            const size_t length = std::min(text.size(), static_cast<size_t>(info->item.cchTextMax - 1));
            std::copy_n(text.c_str(), length, info->item.pszText);
            info->item.pszText[length] = 0;
        }
        if (info->item.mask & LVIF_IMAGE) info->item.iImage = -1;  // thumbnails are drawn over the cell
        return TRUE;
    }
    case NM_CUSTOMDRAW:
        setDialogResult(catalogWindow, onCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header)));
        return TRUE;
    case LVN_ODFINDITEMW: {
        const auto& find = *reinterpret_cast<NMLVFINDITEMW*>(header);
        const long long answer = (find.lvfi.flags & LVFI_NEARESTXY) ? nearestItem(find) : typeAhead(find);
        setDialogResult(catalogWindow, static_cast<LRESULT>(answer));
        return TRUE;
    }
    case LVN_KEYDOWN:
        onKey(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
        afterKey();
        return TRUE;
    case LVN_ITEMCHANGED:
    case LVN_ODSTATECHANGED:
        PostMessageW(catalogWindow, CatalogMessage::RefreshStatus, 0, 0);
        return TRUE;
    case NM_DBLCLK: {
        const int item = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
        // (A stale list's item may have shown another file than its index names now.)
        if (!refillIfStale() && item >= 0 && static_cast<size_t>(item) < viewer.store.size()) {
            viewer.store.currentIndex = item;
            closeWith(1);
        }
        return TRUE;
    }
    case NM_RCLICK:
        if (reinterpret_cast<NMITEMACTIVATE*>(header)->iItem >= 0) shellMenuForSelection();
        return TRUE;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG:
        if (!building()) dragOutSelection();
        return TRUE;
    default:
        return FALSE;
    }
}

// Arrow keys in an owner-data icon list: Wine's list asks its owner for the item next to the
// focused one (LVFI_NEARESTXY with the key's direction). The cells are laid out row by row.
long long Catalog::nearestItem(const NMLVFINDITEMW& find) {
    const long long count = SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);
    const long long focused = focusedItem();
    if (count <= 0 || focused < 0) return -1;
    auto top = [&](long long i) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageW(listView, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return r.top;
    };
    const LONG firstTop = top(0);
    long long low = 1, high = count;  // the first item of the second row
    while (low < high) {
        const long long mid = low + (high - low) / 2;
        if (top(mid) <= firstTop) low = mid + 1; else high = mid;
    }
    const long long columns = std::max<long long>(1, low);
    switch (find.lvfi.vkDirection) {
    case VK_RIGHT: return focused + 1 < count && (focused + 1) % columns != 0 ? focused + 1 : -1;
    case VK_LEFT: return focused % columns != 0 ? focused - 1 : -1;
    case VK_DOWN: return focused + columns < count ? focused + columns : -1;
    case VK_UP: return focused - columns >= 0 ? focused - columns : -1;
    default: return -1;
    }
}

long long Catalog::typeAhead(const NMLVFINDITEMW& find) {
    // A search by text (Wine's list asks with LVFI_PARTIAL | LVFI_WRAP, without LVFI_STRING).
    if ((find.lvfi.flags & (LVFI_PARAM | LVFI_NEARESTXY)) || !find.lvfi.psz || !find.lvfi.psz[0]) return -1;
    const int selected = firstSelected();
    if (selected < 0) return -1;
    if (keyDown(VK_SHIFT)) return selected;
    if (building()) return selected;
    const size_t count = viewer.store.size();
    std::lock_guard lock(viewer.store.exhibitMutex);
    const Exhibit& exhibit = viewer.store.exhibit;
    const size_t size = std::min(count, exhibit.size());
    return static_cast<long long>(typeAheadIndex(size, static_cast<size_t>(selected), find.lvfi.psz[0],
                                                 [&](size_t i) { return exhibit[i].path(); }));
}

// ---- Thumbnails ----------------------------------------------------------------------------------

// The items on screen: the cells are laid out row by row in index order, so the first and the last
// one that meet the client area are found by halving.
void Catalog::updateVisibleRange() {
    const long long count = SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0);
    RECT client{};
    GetClientRect(listView, &client);
    auto itemRect = [&](long long i) {
        RECT r{};
        r.left = LVIR_BOUNDS;
        SendMessageW(listView, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
        return r;
    };
    long long first = 0, last = -1;
    if (count > 0) {
        long long low = 0, high = count;  // first item whose bottom is below the top edge
        while (low < high) {
            const long long mid = low + (high - low) / 2;
            if (itemRect(mid).bottom <= client.top) low = mid + 1; else high = mid;
        }
        first = low;
        low = first;
        high = count;  // first item whose top is at or below the bottom edge
        while (low < high) {
            const long long mid = low + (high - low) / 2;
            if (itemRect(mid).top < client.bottom) low = mid + 1; else high = mid;
        }
        last = low - 1;
    }
    if (first == firstVisible_ && last == lastVisible_) return;
    firstVisible_ = first;
    lastVisible_ = last;
    queue_.setVisible(first, last);
    for (auto it = shown_.begin(); it != shown_.end();) {
        const long long index = static_cast<long long>(it->first);
        if (index >= first && index <= last) {
            ++it;
            continue;
        }
        viewer.thumbnails.keep(std::move(it->second));
        it = shown_.erase(it);
    }
}

void Catalog::keepThumbnails() {
    for (auto& [index, thumbnail] : shown_) viewer.thumbnails.keep(std::move(thumbnail));
    shown_.clear();
}

void Catalog::dropThumbnails() {
    queue_.newGeneration();
    keepThumbnails();
    firstVisible_ = 0;
    lastVisible_ = -1;
    queue_.setVisible(0, -1);
}

LRESULT Catalog::onCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        // The exhibit changed under the list: no thumbnail is drawn over another file's item, and
        // the list is filled again (a build that runs refills it when it ends).
        if (!building() && listStale()) {
            dropThumbnails();
            PostMessageW(catalogWindow, CatalogMessage::FollowExhibit, 0, 0);
            return CDRF_DODEFAULT;
        }
        updateVisibleRange();
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYPOSTPAINT;
    case CDDS_ITEMPOSTPAINT:
        break;
    default:
        return CDRF_DODEFAULT;
    }
    if (building() && busy) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        setStatusPart(2, viewer.language.message(23));
        return CDRF_DODEFAULT;
    }
    const size_t index = draw->nmcd.dwItemSpec;
    if (index >= viewer.store.size()) return CDRF_DODEFAULT;
    const auto found = shown_.find(index);
    if (found == shown_.end()) {
        ThumbnailJob job;
        job.index = index;
        job.generation = queue_.generation();
        job.path = viewer.store.entryPath(index);
        job.exifOrient = viewer.settings.exiforient;
        job.cell = thumbPixels();
        if (!job.path.empty()) queue_.request(std::move(job));
        return CDRF_DODEFAULT;
    }
    const FinishedThumbnail& thumb = found->second;
    if (!thumb.bitmap) return CDRF_DODEFAULT;
    RECT icon{};
    icon.left = LVIR_ICON;
    if (!SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&icon))) return CDRF_DODEFAULT;
    const SelectedObject selected(drawDc_.get(), thumb.bitmap.get());
    BitBlt(draw->nmcd.hdc, icon.left + thumb.box.offsetX + iconMargin, icon.top + thumb.box.offsetY + iconMargin / 4,
           thumb.box.width, thumb.box.height, drawDc_.get(), 0, 0, SRCCOPY);
    return CDRF_DODEFAULT;
}

void Catalog::onThumbnailReady(FinishedThumbnail* raw) {
    std::unique_ptr<FinishedThumbnail> finished(raw);
    if (!finished) return;
    queue_.finish(finished->job);
    const size_t index = finished->job.index;
    if (!queue_.wanted(index, finished->job.generation)) return;  // scrolled away or refilled
    shown_[index] = std::move(*finished);
    // The whole cell: the thumbnail reaches past the icon rectangle by the margins.
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    if (SendMessageW(listView, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&cell)))
        InvalidateRect(listView, &cell, TRUE);
}

void Catalog::startDecoders() {
    cancelDecodes_ = false;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i) decoders_.emplace_back([this] { decodeLoop(); });
}

void Catalog::stopDecoders() {
    // Decodes under way are cancelled (their decoder processes ended): the threads end at once.
    cancelDecodes_ = true;
    queue_.stop();
    for (std::thread& decoder : decoders_) decoder.join();
    decoders_.clear();
    // Decoder processes the list no longer needs: one for the view, one for the picture ahead.
    viewer.decoder.trimIdle(2);
    // Thumbnails finished after the last were handled are still in the queue of messages.
    MSG message;
    while (PeekMessageW(&message, catalogWindow, CatalogMessage::ThumbnailReady, CatalogMessage::ThumbnailReady, PM_REMOVE))
        viewer.thumbnails.keep(std::move(*std::unique_ptr<FinishedThumbnail>(reinterpret_cast<FinishedThumbnail*>(message.lParam))));
}

void Catalog::decodeLoop() {
    // The interface thread comes first: a key pressed while a page decodes is answered at once.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ThumbnailJob job;
    while (queue_.take(job)) {
        if (!queue_.wanted(job.index, job.generation)) {
            queue_.finish(job);
            continue;
        }
        // A thumbnail an earlier Catalog finished comes back at once; anything else is decoded.
        auto finished = std::make_unique<FinishedThumbnail>();
        if (!viewer.thumbnails.take(job, *finished)) *finished = decodeThumbnail(viewer.decoder, job, &cancelDecodes_);
        if (PostMessageW(catalogWindow, CatalogMessage::ThumbnailReady, 0, reinterpret_cast<LPARAM>(finished.get())))
            finished.release();  // the interface thread owns it now
        else
            queue_.finish(job);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

FinishedThumbnail decodeThumbnail(PictureDecoder& decoder, const ThumbnailJob& job, const std::atomic<bool>* cancel) {
    FinishedThumbnail result;
    result.job = job;
    std::wstring file = job.path;
    if (isCatalogShortcut(job.path)) {
        ShortcutFile link;
        std::wstring target;
        if (!link.open() || !link.readTarget(job.path, target, false)) return result;
        file = target;
    }
    // Reading the file moves its last-access time; the time it had is put back afterwards.
    WIN32_FILE_ATTRIBUTE_DATA before{};
    const bool haveTimes = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &before) != 0;
    DecodedPicture picture;
    if (decoder.decode(file, ThumbnailTarget(job.cell, job.exifOrient), picture, cancel) == DecodeOutcome::Decoded) {
        result.box = ThumbnailBox{picture.width, picture.height, (job.cell - picture.width) / 2, (job.cell - picture.height) / 2};
        result.fileSize = picture.fileSize;
        result.fileWriteTime = picture.fileWriteTime;
        result.bitmap = std::move(picture.bitmap);
    }
    if (haveTimes) {
        FileHandle handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      0, nullptr));
        if (handle) SetFileTime(handle.get(), nullptr, &before.ftLastAccessTime, nullptr);
    }
    return result;
}
