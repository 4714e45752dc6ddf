#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <cwchar>

#include "shortcut_file.h"

ShortcutFile::~ShortcutFile() { close(); }

bool ShortcutFile::createLink() {
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.putVoid())) ||
        !link)
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.putVoid())) || !file) return false;
    link_ = std::move(link);
    file_ = std::move(file);
    used_ = false;
    return true;
}

void ShortcutFile::releaseLink() {
    file_.reset();
    link_.reset();
    used_ = false;
}

bool ShortcutFile::open() {
    close();
    // S_OK and S_FALSE (already initialised on this thread) both count and must be balanced.
    // RPC_E_CHANGED_MODE means the thread lives in another apartment: COM is usable there, but
    // the initialisation is not ours to undo.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(init))
        uninitialize_ = true;
    else if (init != RPC_E_CHANGED_MODE)
        return false;
    return createLink();
}

void ShortcutFile::close() {
    releaseLink();
    if (uninitialize_) {
        CoUninitialize();
        uninitialize_ = false;
    }
}

bool ShortcutFile::freshLink() {
    if (!file_) return false;
    if (!used_) return true;
    // A load that fails part-way, or one that succeeds on a file lacking some parts, could let
    // the previous shortcut's path, arguments or find data show through; a new object has none.
    releaseLink();
    return createLink();
}

bool ShortcutFile::readTarget(const std::wstring& shortcutPath, std::wstring& targetPath,
                              bool resolve) {
    targetData_ = WIN32_FIND_DATAW{};
    if (shortcutPath.empty() || !freshLink()) return false;
    used_ = true;
    if (FAILED(file_->Load(shortcutPath.c_str(), STGM_READ))) return false;
    if (resolve) {
        // No window, no user interface; the zero in the high word keeps the default search time.
        const DWORD flags = SLR_NO_UI | SLR_ANY_MATCH | SLR_UPDATE;
        if (link_->Resolve(nullptr, flags) != S_OK) return false;
    }
    // GetPath writes at most cch characters including the terminator; the extra element and the
    // forced terminators keep a misbehaving writer from leaving an unterminated buffer.
    wchar_t buffer[MAX_PATH + 1] = {};
    WIN32_FIND_DATAW data{};
    if (FAILED(link_->GetPath(buffer, MAX_PATH, &data, 0))) return false;
    buffer[MAX_PATH] = L'\0';
    data.cFileName[MAX_PATH - 1] = L'\0';
    data.cAlternateFileName[13] = L'\0';
    const size_t length = wcsnlen(buffer, MAX_PATH);
    if (length == 0) return false;  // no file-system target (for instance a shell namespace item)
    targetPath.assign(buffer, length);
    targetData_ = data;
    return true;
}

bool ShortcutFile::create(const std::wstring& targetPath, const std::wstring& shortcutPath) {
    if (targetPath.empty() || shortcutPath.empty() || !freshLink()) return false;
    used_ = true;
    if (FAILED(link_->SetPath(targetPath.c_str()))) return false;
    return SUCCEEDED(file_->Save(shortcutPath.c_str(), TRUE));
}
