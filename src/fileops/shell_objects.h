// Shell objects for files: a data object to drag files out of the program, the drop target or the
// context menu of files and folders; the drag source used while dragging out; and the drop target
// of the program's windows, which hands dropped files to the shell folder under the cursor or to
// the program itself.
//
// All of this runs on a thread that has initialised OLE (OleInitialize); the drop target's
// registerWindow does so itself.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

// Asks the shell for an interface (IID_IDataObject, IID_IDropTarget, IID_IContextMenu, ...) on the
// items at `paths`. Paths of one folder are named relative to it; paths of several folders, or a
// drive root, as absolute items. False (and *object null) for an empty list or when any path cannot
// be parsed or the shell has no such object.
bool shellObjectForPaths(const std::vector<std::wstring>& paths, REFIID interfaceId, void** object);

// The drag source while files are dragged out: Escape cancels, releasing both mouse buttons drops,
// the platform's cursors show the effect. Lives on the stack for one drag.
class FileDropSource : public IDropSource {
public:
    FileDropSource() = default;
    virtual ~FileDropSource() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keys) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
    LONG references_ = 1;  // never deletes itself: its life is the drag's
};

// Drags the files out of the program in the platform's modal drag loop, offering copy, move and
// link. `effect` receives the effect the drop site reported (0 when nothing was dropped). A site
// may move the files away or leave them even after reporting a move: callers look at the files
// afterwards. False when the paths give no data object or nothing was dropped.
bool dragOutFiles(const std::vector<std::wstring>& paths, DWORD& effect);

// The drop target of a window of the program. While files are dragged over it, `folderAtPoint`
// may name a folder under the cursor: the shell's own drop target of that folder then takes the
// drag and does the copying or moving. Where no folder is named, dropped files go to
// `filesDropped` with whether Shift was held.
class ExhibitDropTarget : public IDropTarget {
public:
    // The folder under a screen point, or empty.
    using FolderAtPoint = std::function<std::wstring(POINTL point)>;
    // Paths of the files and folders dropped, and whether Shift was held at the drop.
    using FilesDropped = std::function<void(const std::vector<std::wstring>& paths, bool shift)>;

    ExhibitDropTarget(FolderAtPoint folderAtPoint, FilesDropped filesDropped);
    virtual ~ExhibitDropTarget();
    ExhibitDropTarget(const ExhibitDropTarget&) = delete;
    ExhibitDropTarget& operator=(const ExhibitDropTarget&) = delete;

    // Initialises OLE on the calling thread and registers `window` for drops. False when either
    // fails. The object must outlive the registration; revoke() (or the destructor) ends it.
    bool registerWindow(HWND window);
    void revoke();
    HWND window() const { return window_; }
    // The folder under the cursor at the last drag over it; empty when none was named.
    const std::wstring& dropFolder() const { return dropFolder_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) override;

private:
    HRESULT track(DWORD keys, POINTL point, DWORD* effect);
    void leaveFolder();
    void forgetData();

    FolderAtPoint folderAtPoint_;
    FilesDropped filesDropped_;
    LONG references_ = 1;  // counted, but the owner decides the object's life
    HWND window_ = nullptr;
    bool oleInitialized_ = false;
    IDataObject* dataObject_ = nullptr;   // the dragged data, held from DragEnter to DragLeave/Drop
    IDropTarget* folderTarget_ = nullptr;  // the shell's drop target of `dropFolder_`
    std::wstring dropFolder_;
};

// The file-system paths in a data object's file list (CF_HDROP); empty when it has none.
std::vector<std::wstring> droppedPaths(IDataObject* data);
