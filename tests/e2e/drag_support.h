// Drag and drop between the real program and this test acting as another program: the real mouse
// moved in a hand's steps, a window that takes dropped files into a folder, the shell's data object
// for a file, and a message pump for the drag loop.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>

#include <atomic>
#include <string>
#include <vector>

#include "win/win_test_support.h"

namespace e2e {

using wintest::mouse;

inline void key(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

// The files of a drop list, and of a data object.
inline std::vector<std::wstring> filesOf(HDROP drop) {
    std::vector<std::wstring> paths(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    for (UINT i = 0; i < paths.size(); ++i) {
        paths[i].resize(DragQueryFileW(drop, i, nullptr, 0) + 1);
        paths[i].resize(DragQueryFileW(drop, i, paths[i].data(), static_cast<UINT>(paths[i].size())));
    }
    return paths;
}
inline std::vector<std::wstring> filesOf(IDataObject* data) {
    std::vector<std::wstring> paths;
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || FAILED(data->GetData(&format, &medium))) return paths;
    if (HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal))) {
        paths = filesOf(drop);
        GlobalUnlock(medium.hGlobal);
    }
    ReleaseStgMedium(&medium);
    return paths;
}

// Another program's window that copies the files dropped on it into a folder.
class FolderWindowTarget : public IDropTarget {
public:
    explicit FolderWindowTarget(std::wstring folder) : folder_(std::move(folder)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
            *object = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override { return DragEnter(nullptr, 0, {}, effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
        paths = filesOf(data);
        for (const std::wstring& path : paths)
            CopyFileW(path.c_str(), (folder_ + path.substr(path.rfind(L'\\'))).c_str(), TRUE);
        *effect &= DROPEFFECT_COPY;
        dropped = true;
        return S_OK;
    }

    std::atomic<bool> dropped{false};
    std::vector<std::wstring> paths;

private:
    std::wstring folder_;
};

class HandDropSource : public IDropSource {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropSource)) {
            *object = static_cast<IDropSource*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape) return DRAGDROP_S_CANCEL;
        return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
};

// The shell's data object for one file, as a file manager offers it.
inline IDataObject* dataObjectFor(const std::wstring& folder, const std::wstring& name) {
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    IDataObject* data = nullptr;
    PIDLIST_RELATIVE folderItem = nullptr, fileItem = nullptr;
    IShellFolder* shellFolder = nullptr;
    if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(folder.c_str()), nullptr,
                                            &folderItem, nullptr)) &&
        SUCCEEDED(desktop->BindToObject(folderItem, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shellFolder))) &&
        SUCCEEDED(shellFolder->ParseDisplayName(nullptr, nullptr, const_cast<LPWSTR>(name.c_str()), nullptr, &fileItem,
                                                nullptr))) {
        PCUITEMID_CHILD items[] = {static_cast<PCUITEMID_CHILD>(fileItem)};
        shellFolder->GetUIObjectOf(nullptr, 1, items, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    }
    if (fileItem) CoTaskMemFree(fileItem);
    if (folderItem) CoTaskMemFree(folderItem);
    if (shellFolder) shellFolder->Release();
    desktop->Release();
    return data;
}

// A top-level window of this test, far from the program's, registered for drops.
struct OtherProgramWindow {
    HWND window = nullptr;
    explicit OtherProgramWindow(IDropTarget* target) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = L"GlimvueE2EDropSite";
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        RegisterClassW(&windowClass);
        window = CreateWindowExW(WS_EX_TOPMOST, L"GlimvueE2EDropSite", L"", WS_POPUP | WS_VISIBLE, 900, 650, 250, 250,
                                 nullptr, nullptr, nullptr, nullptr);
        if (target) RegisterDragDrop(window, target);
        UpdateWindow(window);
    }
    ~OtherProgramWindow() {
        RevokeDragDrop(window);
        DestroyWindow(window);
    }
};

// The program's window centre, in screen coordinates.
inline POINT centreOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

}  // namespace e2e
