#include <windows.h>
#include <shlobj.h>

#include "win_handles.h"
#include "win_paths.h"

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);  // truncated: try a larger buffer
    }
}

std::wstring fullPath(const std::wstring& path) {
    if (path.empty()) return {};
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return path;
    std::wstring result(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, result.data(), nullptr);
    if (length == 0 || length >= needed) return path;
    result.resize(length);
    return result;
}

std::wstring knownFolderPath(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
    return buffer;
}

std::wstring nameOnDisk(const std::wstring& path) {
    // Wildcards would make the search match some other file.
    if (path.find_first_of(L"*?") != std::wstring::npos) return {};
    WIN32_FIND_DATAW found;
    const FindHandle search(FindFirstFileW(path.c_str(), &found));
    if (!search) return {};
    return found.cFileName;
}

std::wstring folderOfPath(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return path;
    std::wstring folder = path.substr(0, slash);
    if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
    return folder;
}

bool pathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
