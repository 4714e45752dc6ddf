// The Catalog's commands: its menu with pinning, its keys, exhibit rebuilds and folder jumps that
// keep the selection, and the file operations on the selected thumbnails.
#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "catalog.h"
#include "core/app.h"
#include "core/command_ids.h"
#include "core/viewer.h"
#include "core/window_messages.h"
#include "display/slideshow_logic.h"
#include "fileops/file_names.h"
#include "fileops/file_operations.h"
#include "fileops/shell_objects.h"
#include "fileops/shortcut_file.h"
#include "shell/loaded_menu_texts.h"
#include "shell/menu_pins.h"
#include "shell/shell_menu.h"
#include "shell/wallpaper.h"
#include "shell/wallpaper_logic.h"

namespace {

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// The path list of a shell file operation: each path ended by a null, and one more null at the end.
std::wstring doubleNullList(const std::vector<std::wstring>& paths) {
    std::wstring list;
    for (const std::wstring& path : paths) {
        list += path;
        list.push_back(L'\0');
    }
    list.push_back(L'\0');
    return list;
}

std::wstring folderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring withBareDriveFixed(std::wstring folder) {
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

}  // namespace

// ---- The menu ------------------------------------------------------------------------------------

void Catalog::showMenu(int x, int y, int submenu) {
    MenuHandle menu(LoadMenuW(app.instance, MAKEINTRESOURCEW(IDR_CATALOGMENU)));
    HMENU root = menu ? GetSubMenu(menu.get(), 0) : nullptr;
    if (!root) return;
    LoadedMenuTexts sink(root);
    viewer.language.applyCatalogMenuTexts(sink);
    HMENU shown = root;
    if (const MenuPath path = menuToShow(pins, submenu); path.depth == 1)
        if (HMENU pinned = GetSubMenu(root, path.positions[0])) shown = pinned;

    const Settings& s = viewer.settings;
    for (UINT item : {CMD_COPY_FILE, CMD_MOVE_FILE, CMD_PASTE}) EnableMenuItem(root, item, MF_BYCOMMAND | MF_ENABLED);
    auto check = [&](UINT item, bool on) { CheckMenuItem(root, item, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    check(CMD_SUBFOLDERS, s.subfolders);
    if (s.sort >= 0 && s.sort <= 2) check(CMD_SORT_FORWARD + s.sort, true);
    if (s.sortby >= 0 && s.sortby <= 5) check(CMD_SORT_TREE + s.sortby, true);
    check(CMD_SORT_CASE, s.sortcase);
    check(CMD_AUTOREFRESH, s.autorefresh);
    check(CMD_PIN_ROOT, pins.rootPinned);
    if (pins.pinnedSubmenu >= 0) check(CMD_PIN_ROOT + pins.pinnedSubmenu, true);

    SetForegroundWindow(catalogWindow);
    const TrackedMenu tracked = trackMenu(shown, x, y, catalogWindow, static_cast<UINT>(pins.lastChosen));
    menu.reset();

    const int chosen = static_cast<int>(tracked.chosen);
    if (chosen == CMD_CATALOG_VIEW || chosen == CMD_CATALOG_CLOSE || chosen == CMD_EXIT) {
        runCommand(chosen);
        return;
    }
    if (chosen != 0) runCommand(chosen);
    const MenuReopen reopen = afterTracking(pins, chosen, tracked.byUser);
    if (reopen.reopen && IsWindow(catalogWindow))
        PostMessageW(catalogWindow, CatalogMessage::ShowMenu, encodeMenuPoint(x, y), reopen.submenu);
}

// ---- Commands ------------------------------------------------------------------------------------

void Catalog::runCommand(int command) {
    switch (command) {
    case CMD_CATALOG_VIEW: {
        if (refillIfStale()) return;  // Enter again shows what the highlight shows now
        int item = firstSelected();
        if (item < 0) item = focusedItem();
        viewer.store.currentIndex = item >= 0 && static_cast<size_t>(item) < viewer.store.size() ? item : 0;
        closeWith(1);
        return;
    }
    case CMD_CATALOG_CLOSE: {
        const int current = viewer.store.currentIndex;
        if (current < 0 || static_cast<size_t>(current) >= viewer.store.size()) viewer.store.currentIndex = 0;
        closeWith(1);
        return;
    }
    case CMD_EXIT:
        closeWith(0);
        return;
    case CMD_FOLDER: case CMD_REFRESH: case CMD_SUBFOLDERS:
    case CMD_VIEW_EXHIBIT: case CMD_VIEW_DESKTOP: case CMD_VIEW_FAVORITES: case CMD_VIEW_ARCHIVE:
        runRebuild(command);
        return;
    case CMD_NEXT_FOLDER: case CMD_PREV_FOLDER: case CMD_VIEW_IMAGEDIR: case CMD_VIEW_LINKDIR:
        folderJump(command);
        return;
    case CMD_FIND: case CMD_FIND_NEXT:
        findCommand(command);
        return;
    case CMD_AUTOREFRESH:
        viewer.executeCommand(CMD_AUTOREFRESH);
        return;
    case CMD_CURRENT:
        toViewer();
        return;
    case CMD_RECYCLE:
        if (viewer.store.size() != 0 && !building()) recycleSelection();
        return;
    case CMD_ARCHIVE_MOVE:
        if (!building()) archiveSelection();
        return;
    case CMD_SEND_SHORTCUT:
        favoriteSelection();
        return;
    case CMD_MOVE_FILE:
        if (!building()) cutSelection();
        return;
    case CMD_COPY_FILE:
        if (!building()) copySelection();
        return;
    case CMD_PASTE:
        if (!building()) pasteHere();
        return;
    case CMD_PIN_ROOT: case CMD_PIN_ROOT + 18: case CMD_PIN_ROOT + 19: case CMD_PIN_ROOT + 20:
        applyPinCommand(pins, static_cast<CommandId>(command));
        return;
    default:
        if (command >= CMD_SORT_FORWARD && command <= CMD_SORT_CASE) forwardAndRefill(command, true);
        return;
    }
}

void Catalog::forwardAndRefill(int command, bool keepSelection) {
    if (keepSelection && regularExhibit()) restorePath = selectedPath;
    viewer.executeCommand(static_cast<CommandId>(command));
    refill(keepSelection);
}

void Catalog::runRebuild(int command) {
    if (building()) return;
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    busy = true;
    dropThumbnails();
    SendMessageW(listView, LVM_SETITEMCOUNT, 0, 0);
    if (regularExhibit()) restorePath = selectedPath;
    viewer.executeCommand(static_cast<CommandId>(command));
    SetCursor(previous);
    SetActiveWindow(catalogWindow);
    refill(true);
}

void Catalog::folderJump(int command) {
    const int first = firstSelected();
    if (first < 0 || building() || refillIfStale()) return;
    if (command == CMD_NEXT_FOLDER || command == CMD_PREV_FOLDER) {
        size_t target = 0;
        {
            std::lock_guard lock(viewer.store.exhibitMutex);
            const Exhibit& exhibit = viewer.store.exhibit;
            if (static_cast<size_t>(first) >= exhibit.size()) return;
            target = command == CMD_NEXT_FOLDER ? nextFolderIndex(exhibit, static_cast<size_t>(first))
                                                : previousFolderIndex(exhibit, static_cast<size_t>(first));
        }
        viewer.store.currentIndex = static_cast<int>(target);
        selectedPath = viewer.store.entryPath(target);
        if (regularExhibit()) restorePath = selectedPath;
        refill(true);
        return;
    }
    selectedPath = viewer.store.entryPath(static_cast<size_t>(first));
    viewer.store.setCurrentPath(selectedPath);
    viewer.store.currentIndex = first;
    viewer.executeCommand(static_cast<CommandId>(command));
    refill(true);
}

void Catalog::findCommand(int command) {
    const int focused = focusedItem();
    if (focused >= 0) viewer.store.currentIndex = focused;
    dropThumbnails();
    SendMessageW(listView, LVM_SETITEMCOUNT, 0, 0);
    viewer.executeCommand(static_cast<CommandId>(command));
    refill(false);
    SetActiveWindow(catalogWindow);
}

void Catalog::toViewer() {
    const int focused = focusedItem();
    if (focused < 0 || refillIfStale()) return;
    viewer.store.currentIndex = focused;
    viewer.showCurrent(true);
}

// ---- Keys ----------------------------------------------------------------------------------------

void Catalog::onKey(WORD key) {
    const bool shift = keyDown(VK_SHIFT), ctrl = keyDown(VK_CONTROL), alt = keyDown(VK_MENU);
    auto sortKey = [&](int command) { forwardAndRefill(command, true); };
    switch (key) {
    case VK_BACK: folderJump(CMD_PREV_FOLDER); return;
    case VK_SPACE: folderJump(CMD_NEXT_FOLDER); return;
    case VK_PAUSE: runCommand(CMD_AUTOREFRESH); return;
    case VK_INSERT: runRebuild(CMD_FOLDER); return;
    case VK_DELETE: runCommand(CMD_RECYCLE); return;
    case VK_APPS: shellMenuForSelection(); return;
    case VK_F1: {
        POINT origin{0, 0};
        ClientToScreen(catalogWindow, &origin);
        showMenu(origin.x, origin.y, pins.pinnedSubmenu >= 0 ? pins.pinnedSubmenu : 0);
        return;
    }
    case VK_F3: findCommand(CMD_FIND_NEXT); return;
    case VK_F4: if (alt && !shift && !ctrl) runCommand(CMD_EXIT); return;  // when the hook did not take it
    case VK_F5: if (shift) folderJump(CMD_VIEW_IMAGEDIR); else toViewer(); return;
    case VK_F7: if (shift) runRebuild(CMD_VIEW_EXHIBIT); return;
    case VK_F8: if (shift) runRebuild(CMD_VIEW_FAVORITES); else favoriteSelection(); return;
    case VK_F9: if (shift) runRebuild(CMD_VIEW_ARCHIVE); else runCommand(CMD_ARCHIVE_MOVE); return;
    case VK_F11: ShowWindow(catalogWindow, IsZoomed(catalogWindow) ? SW_RESTORE : SW_MAXIMIZE); return;
    default: break;
    }
    switch (key) {
    case 'A':
        if (shift) runRebuild(CMD_VIEW_EXHIBIT);
        else if (ctrl) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
        }
        return;
    case 'B': if (shift) runRebuild(CMD_SUBFOLDERS); return;
    case 'C': if (!shift && ctrl) runCommand(CMD_COPY_FILE); return;
    case 'D': if (shift) runRebuild(CMD_VIEW_DESKTOP); return;
    case 'F':
        if (shift) runRebuild(CMD_VIEW_FAVORITES);
        else if (alt) sortKey(CMD_SORT_FORWARD);
        else if (ctrl) findCommand(CMD_FIND);
        return;
    case 'K': if (ctrl) sortKey(CMD_SORT_TREE); else if (alt) sortKey(CMD_SORT_TREESTRICT); return;
    case 'L': if (shift) folderJump(CMD_VIEW_LINKDIR); return;
    case 'R': if (ctrl) runRebuild(CMD_REFRESH); else if (alt) sortKey(CMD_SORT_RANDOM); return;
    case 'V': if (ctrl) runCommand(CMD_PASTE); else if (alt) sortKey(CMD_SORT_REVERSE); return;
    case 'W': if (!shift && ctrl) blackboxWallpaper(); return;
    case 'X': if (!shift && ctrl) runCommand(CMD_MOVE_FILE); return;
    default: return;
    }
}

int Catalog::altKeyCommand(WORD key, bool shift, bool ctrl) {
    switch (key) {
    case 'F': return shift ? 0 : CMD_SORT_FORWARD;
    case 'K': return ctrl ? 0 : CMD_SORT_TREESTRICT;
    case 'R': return ctrl ? 0 : CMD_SORT_RANDOM;
    case 'V': return ctrl ? 0 : CMD_SORT_REVERSE;
    case VK_F4: return shift || ctrl ? 0 : CMD_EXIT;
    default: return 0;
    }
}

void Catalog::runAltKey(WORD key) {
    const int command = altKeyCommand(key, false, false);
    if (command == CMD_EXIT) runCommand(CMD_EXIT);
    else if (command != 0) forwardAndRefill(command, true);
}

void Catalog::blackboxWallpaper() {
    const std::vector<std::wstring> selected = selectedPaths(false);
    if (selected.empty()) return;
    std::wstring path = selected.front();
    if (isCatalogShortcut(path)) {
        ShortcutFile link;
        std::wstring target;
        if (link.open() && link.readTarget(path, target, false)) path = target;
    }
    bool exact = true;
    const std::string narrow = narrowPath(path, exact);
    if (!exact) return;  // another file's name would be sent
    const std::string command = blackboxRootCommand("center", narrow);
    if (command.empty()) return;
    if (HWND blackbox = findBlackboxWindow()) sendBlackboxCommand(blackbox, command);
}

// ---- File operations on the selection --------------------------------------------------------------

void Catalog::turnAutoRefreshOn() {
    if (!viewer.settings.autorefresh) viewer.executeCommand(CMD_AUTOREFRESH);
}

bool Catalog::confirmed(int verb, int several, const std::vector<std::wstring>& paths) {
    const LanguageTable& language = viewer.language;
    const std::wstring text = paths.size() == 1
                                  ? confirmationText(language.message(verb), paths.front(), language.message(kMsgQuestion))
                                  : language.message(several);
    return MessageBoxW(catalogWindow, text.c_str(), catalogTitle.c_str(), MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

void Catalog::afterFilesLeft(const std::vector<std::wstring>& paths, int position) {
    for (const std::wstring& path : paths)
        if (!pathIsTaken(path)) viewer.store.removeEntry(path);
    refill(true);
    const auto count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
    if (position >= 0 && count > 0) selectOnly(std::min(position, count - 1));
    updateStatus();
}

void Catalog::recycleSelection() {
    const std::vector<std::wstring> paths = selectedPaths(false);
    if (paths.empty()) return;
    if (viewer.settings.confirmdelete && !confirmed(kMsgRecycle, kMsgRecycleSelected, paths)) return;
    turnAutoRefreshOn();
    const int focused = focusedItem();
    if (selectedPaths(true).empty()) return;  // lets go of the shown picture's file
    const std::wstring list = doubleNullList(paths);
    SHFILEOPSTRUCTW operation{};
    operation.hwnd = catalogWindow;
    operation.wFunc = FO_DELETE;
    operation.pFrom = list.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    SHFileOperationW(&operation);
    afterFilesLeft(paths, focused);
}

// Each selected file is moved into the archive under a free name (the name, else its numbered
// variants), as the archive command of the main window does: a file already in the archive is never
// replaced, whatever the platform's shell makes of name collisions.
void Catalog::archiveSelection() {
    const std::wstring archive = viewer.folderSetting(Viewer::FolderKind::Archive);
    if (archive.empty()) return;
    const std::vector<std::wstring> paths = selectedPaths(false);
    if (paths.empty()) return;
    if (viewer.settings.confirmarchive && !confirmed(kMsgArchive, kMsgArchiveSelected, paths)) return;
    turnAutoRefreshOn();
    const int focused = focusedItem();
    if (selectedPaths(true).empty()) return;  // lets go of the shown picture's file
    FileOpContext context(catalogWindow, viewer.language);
    context.releaseImage = [] {};  // the selection below releases the shown image
    std::wstring folder = archive;  // never asked for: it is set
    ArchiveRequest request;
    request.archiveFolder = &folder;
    request.logPath = viewer.files.archiveLogPath;
    request.confirm = false;
    request.log = viewer.settings.archivelog;
    for (const std::wstring& path : paths) {
        request.path = path;
        if (!archiveFile(context, request).done()) break;  // reported once, by the operation
    }
    afterFilesLeft(paths, focused);
}

void Catalog::favoriteSelection() {
    const std::wstring favorites = viewer.folderSetting(Viewer::FolderKind::Favorites);
    if (favorites.empty()) return;
    const FileOpContext context(catalogWindow, viewer.language);
    for (const std::wstring& path : selectedPaths(false)) sendShortcut(context, favorites, path);
}

void Catalog::cutSelection() {
    turnAutoRefreshOn();
    const std::vector<std::wstring> paths = selectedPaths(true);
    if (!paths.empty()) invokeShellVerb(paths, "cut");
}

void Catalog::copySelection() {
    const std::vector<std::wstring> paths = selectedPaths(true);
    if (!paths.empty()) invokeShellVerb(paths, "copy");
}

void Catalog::pasteHere() {
    turnAutoRefreshOn();
    if (refillIfStale()) return;  // the folder is that of the file the user sees selected
    const int first = firstSelected();
    std::wstring folder = first >= 0 ? folderOf(viewer.store.entryPath(static_cast<size_t>(first)))
                                     : viewer.store.buildRootCopy();
    folder = withBareDriveFixed(folder);
    if (!folder.empty()) invokeShellVerb({folder}, "paste");
}

void Catalog::shellMenuForSelection() {
    turnAutoRefreshOn();
    const std::vector<std::wstring> paths = selectedPaths(true);
    if (paths.empty()) return;
    POINT cursor{};
    GetCursorPos(&cursor);
    showShellContextMenu(paths, cursor, catalogWindow);
}

void Catalog::dragOutSelection() {
    const std::vector<std::wstring> paths = selectedPaths(true);
    if (paths.empty()) return;
    DWORD effect = 0;
    dragOutFiles(paths, effect);
}

std::wstring Catalog::dropFolderAt(POINTL point) {
    turnAutoRefreshOn();
    if (listStale()) {
        PostMessageW(catalogWindow, CatalogMessage::FollowExhibit, 0, 0);
        return {};  // no folder until the list shows the exhibit as it is
    }
    LVHITTESTINFO hit{};
    hit.pt = POINT{point.x, point.y};
    ScreenToClient(listView, &hit.pt);
    const int item = static_cast<int>(SendMessageW(listView, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    std::wstring folder = item >= 0 ? folderOf(viewer.store.entryPath(static_cast<size_t>(item)))
                                    : viewer.store.buildRootCopy();
    folder = withBareDriveFixed(folder);
    setStatusPart(2, folder);
    return folder;
}
