// Actions of the favorites, archive and file commands, and how the exhibit and the view follow a file
// operation.
#include <windows.h>

#include "command_ids.h"
#include "file_operations.h"
#include "shell/command_actions.h"
#include "viewer.h"
#include "win_handles.h"

namespace {

void toggle(bool& flag) { flag = !flag; }

// One context per command: the real message boxes and folder chooser, and the picture let go of
// before the current file is moved or removed (the imaging library keeps it open).
FileOpContext contextFor(Viewer& v) {
    FileOpContext context(v.mainWindow, v.language);
    context.releaseImage = [&v] { v.image.release(); };
    return context;
}

using Folder = Viewer::FolderKind;

// The favorites or archive folder, asked for first when it is not set; empty when none was chosen.
std::wstring folderAskedIfUnset(Viewer& v, Folder which) {
    if (v.folderSetting(which).empty()) v.chooseFolder(which);
    return v.folderSetting(which);
}

// Send Shortcut (offset 0) or Send Copy (offset 1) to the favorites folder.
void sendToFavorites(Viewer& v, int offset) {
    const std::wstring favorites = folderAskedIfUnset(v, Folder::Favorites);
    if (favorites.empty()) return;
    const FileOpContext context = contextFor(v);
    const std::wstring path = v.store.currentPathCopy();
    v.applyFileOpResult(offset == 0 ? sendShortcut(context, favorites, path) : sendCopy(context, favorites, path));
}

// Shortcut To Desktop (offset 0) or Copy To Desktop (offset 1).
void sendToDesktop(Viewer& v, int offset) {
    v.suspendSlideshow(false);
    const FileOpContext context = contextFor(v);
    const std::wstring path = v.store.currentPathCopy();
    v.applyFileOpResult(offset == 0 ? sendShortcut(context, v.settings.desktop, path)
                                    : sendCopy(context, v.settings.desktop, path));
    v.resumeSlideshow();
}

void moveToArchive(Viewer& v, int) {
    v.suspendSlideshow(false);
    const FileOpContext context = contextFor(v);
    ArchiveRequest request;
    request.path = v.store.currentPathCopy();
    std::wstring archive = v.folderSetting(Folder::Archive);
    request.archiveFolder = &archive;
    request.logPath = v.files.archiveLogPath;
    request.confirm = v.settings.confirmarchive;
    request.log = v.settings.archivelog;
    const FileOpResult result = archiveFile(context, request);
    if (v.settings.archive.empty()) v.settings.archive = archive;  // chosen when it was asked for
    v.applyFileOpResult(result);
    v.resumeSlideshow();
}

void copyToArchive(Viewer& v, int) {
    const std::wstring archive = folderAskedIfUnset(v, Folder::Archive);
    if (!archive.empty()) v.applyFileOpResult(sendCopy(contextFor(v), archive, v.store.currentPathCopy()));
}

// Copy File... (offset 0) or Move/Rename... (offset 1) through the save dialog.
void copyOrMove(Viewer& v, int offset) {
    v.applyFileOpResult(copyOrMoveAs(contextFor(v), v.store.currentPathCopy(), offset == 1));
}

// Save As: the displayed view, copied out of the view surface (a bitmap selected into a device
// context must not be handed to the imaging library).
void saveView(Viewer& v, int) {
    const std::wstring current = v.store.currentPathCopy();
    const bool pasted = !current.empty() && current == v.shell.pastedImageName;
    const OffscreenSurface& view = v.drawing.view;
    if ((v.store.size() == 0 && !pasted) || !view.hasBitmap() || view.width() <= 0 || view.height() <= 0) return;

    const WindowDC screen(nullptr);
    GdiBitmap copy(CreateCompatibleBitmap(screen.get(), view.width(), view.height()));
    const MemoryDC copyDc(CreateCompatibleDC(screen.get()));
    if (!copy || !copyDc) return;
    {
        const SelectedObject selected(copyDc.get(), copy.get());
        BitBlt(copyDc.get(), 0, 0, view.width(), view.height(), view.dc(), 0, 0, SRCCOPY);
    }
    SaveViewRequest request;
    request.currentPath = current;
    request.pasted = pasted;
    request.exhibitRoot = v.store.exhibitRoot;
    request.picture = {copy.get(), view.width(), view.height()};
    v.applyFileOpResult(saveViewAs(contextFor(v), request));
}

void recycle(Viewer& v, int) {
    v.suspendSlideshow(false);
    v.applyFileOpResult(recycleFile(contextFor(v), v.store.currentPathCopy(), v.settings.confirmdelete));
    v.resumeSlideshow();
}

const CommandActionRow kActions[] = {
    // Favorites and Archive
    {CMD_SEND_SHORTCUT, CMD_SEND_COPY, sendToFavorites},
    {CMD_FAVORITES_DIR, CMD_FAVORITES_DIR, [](Viewer& v, int) { v.chooseFolder(Folder::Favorites); }},
    {CMD_DESKTOP_LINK, CMD_DESKTOP_COPY, sendToDesktop},
    {CMD_ARCHIVE_MOVE, CMD_ARCHIVE_MOVE, moveToArchive},
    {CMD_ARCHIVE_COPY, CMD_ARCHIVE_COPY, copyToArchive},
    {CMD_CONFIRM_MOVE, CMD_CONFIRM_MOVE, [](Viewer& v, int) { toggle(v.settings.confirmarchive); }},
    {CMD_ARCHIVE_DIR, CMD_ARCHIVE_DIR, [](Viewer& v, int) { v.chooseFolder(Folder::Archive); }},
    {CMD_ARCHIVE_LOG, CMD_ARCHIVE_LOG, [](Viewer& v, int) { toggle(v.settings.archivelog); }},
    // Copy, move and save as; recycle
    {CMD_COPY_FILE, CMD_MOVE_FILE, copyOrMove},
    {CMD_SAVE_VIEW, CMD_SAVE_VIEW, saveView},
    {CMD_RECYCLE, CMD_RECYCLE, recycle},
    {CMD_CONFIRM_DELETE, CMD_CONFIRM_DELETE, [](Viewer& v, int) { toggle(v.settings.confirmdelete); }},
};

}  // namespace

std::span<const CommandActionRow> fileCommandActions() { return kActions; }

void Viewer::applyFileOpResult(const FileOpResult& result) {
    uint64_t created = 0, modified = 0, accessed = 0;
    switch (result.change) {
    case ExhibitChange::None:
        break;
    case ExhibitChange::RemoveCurrent:
        store.removeEntry(result.source);
        break;
    case ExhibitChange::ReplaceCurrent:
        readFileTimes(result.path, created, modified, accessed);
        store.moveEntry(result.source, result.path, created, modified, accessed);
        break;
    case ExhibitChange::InsertIfAbsent:
        readFileTimes(result.path, created, modified, accessed);
        store.insertEntryIfAbsent(static_cast<size_t>(store.currentIndex), result.path, created, modified, accessed);
        break;
    }
    switch (result.redisplay) {
    case Redisplay::None:
        break;
    case Redisplay::RefreshLayout:
        refreshLayout();
        break;
    case Redisplay::ShowCurrent:
        showCurrent(true);
        break;
    }
}
