#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "file_names.h"
#include "shell_objects.h"

namespace {

// Item lists made by the shell, freed together.
class ItemLists {
public:
    ItemLists() = default;
    ~ItemLists() {
        for (LPITEMIDLIST item : items_) CoTaskMemFree(item);
    }
    ItemLists(const ItemLists&) = delete;
    ItemLists& operator=(const ItemLists&) = delete;

    // Parses `name` in `folder` and keeps the item; false when it cannot be parsed.
    bool add(IShellFolder* folder, std::wstring name) {
        if (!name.empty() && name.back() == L':') name += L'\\';  // a bare drive means its root
        LPITEMIDLIST item = nullptr;
        if (FAILED(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &item, nullptr)) || !item)
            return false;
        items_.push_back(item);
        return true;
    }
    UINT count() const { return static_cast<UINT>(items_.size()); }
    LPCITEMIDLIST* data() { return const_cast<LPCITEMIDLIST*>(items_.data()); }

private:
    std::vector<LPITEMIDLIST> items_;
};

template <typename T>
void releaseAndClear(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

bool hasFileList(IDataObject* data) {
    if (!data) return false;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data->QueryGetData(&format) == S_OK;
}

// What a drop of files onto the program itself does: it opens them and leaves them where they are.
DWORD effectForProgram(DWORD allowed) {
    if (allowed & DROPEFFECT_COPY) return DROPEFFECT_COPY;
    if (allowed & DROPEFFECT_LINK) return DROPEFFECT_LINK;
    return DROPEFFECT_NONE;
}

}  // namespace

bool shellObjectForPaths(const std::vector<std::wstring>& paths, REFIID interfaceId, void** object) {
    if (!object) return false;
    *object = nullptr;
    if (paths.empty()) return false;

    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;

    std::wstring folder;
    const bool oneFolder = sharedFolderOf(paths, folder);
    IShellFolder* parent = nullptr;
    ItemLists items;
    bool parsed = true;
    if (oneFolder) {
        ItemLists folderItem;
        parsed = folderItem.add(desktop, folder) &&
                 SUCCEEDED(desktop->BindToObject(folderItem.data()[0], nullptr, IID_IShellFolder,
                                                 reinterpret_cast<void**>(&parent))) &&
                 parent != nullptr;
        for (size_t i = 0; parsed && i < paths.size(); ++i) parsed = items.add(parent, nameOfPath(paths[i]));
    } else {
        for (size_t i = 0; parsed && i < paths.size(); ++i) parsed = items.add(desktop, paths[i]);
    }

    bool made = false;
    if (parsed) {
        IShellFolder* owner = oneFolder ? parent : desktop;
        made = SUCCEEDED(owner->GetUIObjectOf(nullptr, items.count(), items.data(), interfaceId, nullptr, object)) &&
               *object != nullptr;
        if (!made) *object = nullptr;
    }
    releaseAndClear(parent);
    releaseAndClear(desktop);
    return made;
}

HRESULT FileDropSource::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IDropSource) || IsEqualIID(id, IID_IUnknown)) {
        *object = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG FileDropSource::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
ULONG FileDropSource::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

HRESULT FileDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keys) {
    if (escapePressed) return DRAGDROP_S_CANCEL;
    if (!(keys & (MK_LBUTTON | MK_RBUTTON))) return DRAGDROP_S_DROP;
    return S_OK;
}

HRESULT FileDropSource::GiveFeedback(DWORD) { return DRAGDROP_S_USEDEFAULTCURSORS; }

bool dragOutFiles(const std::vector<std::wstring>& paths, DWORD& effect) {
    effect = DROPEFFECT_NONE;
    const HRESULT ole = OleInitialize(nullptr);
    IDataObject* data = nullptr;
    bool dropped = false;
    if (shellObjectForPaths(paths, IID_IDataObject, reinterpret_cast<void**>(&data))) {
        FileDropSource source;
        dropped = DoDragDrop(data, &source, DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK, &effect) ==
                  DRAGDROP_S_DROP;
        if (!dropped) effect = DROPEFFECT_NONE;
        data->Release();
    }
    if (SUCCEEDED(ole)) OleUninitialize();
    return dropped;
}

std::vector<std::wstring> droppedPaths(IDataObject* data) {
    std::vector<std::wstring> paths;
    if (!data) return paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return paths;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
            const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                const UINT length = DragQueryFileW(drop, i, nullptr, 0);
                if (length == 0) continue;
                std::wstring path(length + 1, L'\0');
                path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
                if (!path.empty()) paths.push_back(path);
            }
            GlobalUnlock(medium.hGlobal);
        }
    }
    ReleaseStgMedium(&medium);
    return paths;
}

ExhibitDropTarget::ExhibitDropTarget(FolderAtPoint folderAtPoint, FilesDropped filesDropped)
    : folderAtPoint_(std::move(folderAtPoint)), filesDropped_(std::move(filesDropped)) {}

ExhibitDropTarget::~ExhibitDropTarget() {
    revoke();
    leaveFolder();
    forgetData();
}

bool ExhibitDropTarget::registerWindow(HWND window) {
    revoke();
    if (FAILED(OleInitialize(nullptr))) return false;
    oleInitialized_ = true;
    if (FAILED(RegisterDragDrop(window, this))) {
        OleUninitialize();
        oleInitialized_ = false;
        return false;
    }
    window_ = window;
    return true;
}

void ExhibitDropTarget::revoke() {
    if (window_) RevokeDragDrop(window_);
    window_ = nullptr;
    if (oleInitialized_) OleUninitialize();
    oleInitialized_ = false;
}

HRESULT ExhibitDropTarget::QueryInterface(REFIID id, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(id, IID_IDropTarget) || IsEqualIID(id, IID_IUnknown)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ExhibitDropTarget::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
ULONG ExhibitDropTarget::Release() { return static_cast<ULONG>(InterlockedDecrement(&references_)); }

void ExhibitDropTarget::leaveFolder() {
    if (folderTarget_) folderTarget_->DragLeave();
    releaseAndClear(folderTarget_);
    dropFolder_.clear();
}

void ExhibitDropTarget::forgetData() { releaseAndClear(dataObject_); }

// The folder under the cursor is asked at every move. While it stays the same its shell drop target
// keeps the drag; a new folder gets a fresh target, the old one is told the drag left it.
HRESULT ExhibitDropTarget::track(DWORD keys, POINTL point, DWORD* effect) {
    const DWORD allowed = *effect;
    const std::wstring folder = folderAtPoint_ ? folderAtPoint_(point) : std::wstring();
    if (!folder.empty()) {
        if (folderTarget_ && folder == dropFolder_) {
            const HRESULT over = folderTarget_->DragOver(keys, point, effect);
            if (SUCCEEDED(over)) return over;
            leaveFolder();
        } else {
            leaveFolder();
            IDropTarget* target = nullptr;
            if (shellObjectForPaths({folder}, IID_IDropTarget, reinterpret_cast<void**>(&target))) {
                *effect = allowed;
                const HRESULT enter = target->DragEnter(dataObject_, keys, point, effect);
                if (SUCCEEDED(enter)) {
                    folderTarget_ = target;
                    dropFolder_ = folder;
                    *effect = allowed;
                    const HRESULT over = target->DragOver(keys, point, effect);
                    if (SUCCEEDED(over)) return over;
                    leaveFolder();
                } else {
                    target->Release();
                }
            }
        }
    } else {
        leaveFolder();
    }
    *effect = filesDropped_ && hasFileList(dataObject_) ? effectForProgram(allowed) : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT ExhibitDropTarget::DragEnter(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    leaveFolder();
    forgetData();
    dataObject_ = data;
    if (dataObject_) dataObject_->AddRef();
    return track(keys, point, effect);
}

HRESULT ExhibitDropTarget::DragOver(DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    return track(keys, point, effect);
}

HRESULT ExhibitDropTarget::DragLeave() {
    HRESULT result = S_OK;
    if (folderTarget_) result = folderTarget_->DragLeave();
    releaseAndClear(folderTarget_);
    dropFolder_.clear();
    forgetData();
    return result;
}

HRESULT ExhibitDropTarget::Drop(IDataObject* data, DWORD keys, POINTL point, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    HRESULT result = S_OK;
    if (folderTarget_) {
        // The shell folder does the copying or moving.
        result = folderTarget_->Drop(data, keys, point, effect);
        releaseAndClear(folderTarget_);
    } else if (filesDropped_ && hasFileList(data)) {
        *effect = effectForProgram(*effect);
        const std::vector<std::wstring> paths = droppedPaths(data);
        const bool shift = (keys & MK_SHIFT) != 0;
        forgetData();
        if (!paths.empty()) filesDropped_(paths, shift);
        return S_OK;
    } else {
        *effect = DROPEFFECT_NONE;
    }
    forgetData();
    return result;
}
