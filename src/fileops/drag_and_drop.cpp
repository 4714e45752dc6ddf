// Files dragged into the main window through its OLE drop target, and the current file dragged out
// of it (Ctrl held while the left button goes down, then a drag).
#include <windows.h>

#include "shell_objects.h"
#include "viewer.h"
#include "window_messages.h"

void Viewer::registerDropTarget() {
    if (dropTarget) return;
    HWND window = mainWindow;
    dropTarget = std::make_unique<ExhibitDropTarget>(
        // The main window shows no folders: everything dropped is for the program itself.
        [](POINTL) { return std::wstring(); },
        // The drop is handled after the drag loop has ended, as WM_DROPFILES is.
        [this, window](const std::vector<std::wstring>& paths, bool shift) {
            droppedItems = paths;
            droppedWithShift = shift;
            PostMessageW(window, MainMessage::FilesDropped, 0, 0);
        });
    if (!dropTarget->registerWindow(mainWindow)) dropTarget.reset();  // WM_DROPFILES still serves
}

void Viewer::revokeDropTarget() {
    if (dropTarget) dropTarget->revoke();
    dropTarget.reset();
}

void Viewer::onFilesDropped() {
    const std::vector<std::wstring> items = std::move(droppedItems);
    droppedItems.clear();
    onDroppedItems(items, droppedWithShift);
}

void Viewer::dragOutCurrent() {
    if (store.size() == 0) return;
    const std::wstring path = store.currentPathCopy();
    if (path.empty() || path == shell.pastedImageName) return;
    suspendSlideshow(false);
    // The imaging library keeps the file open while the picture is decoded from it: let it go so
    // that the drop site may move the file.
    image.release();
    DWORD effect = 0;
    dragOutFiles({path}, effect);
    // The effect reported is not to be trusted (a site may move a file and report a copy, or the
    // reverse): look at the file itself. Gone means it moved away from this folder.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES && GetLastError() != ERROR_ACCESS_DENIED) store.removeEntry(path);
    showCurrent(true);
    resumeSlideshow();
}
