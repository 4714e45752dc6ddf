// Shared helpers for tests that drive a real Viewer: a hidden main window with a message pump that
// stands in for the main dialog procedure, and folder trees made on disk in a private temporary
// folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/viewer.h"
#include "fileops/shortcut_file.h"

namespace viewer_test {

// ---- Files and folders ----

// Paths longer than MAX_PATH need the "\\?\" form.
inline std::wstring longForm(const std::wstring& path) {
    return path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0 ? path : L"\\\\?\\" + path;
}

inline void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(longForm(path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(longForm(child).c_str(), found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY
                                                            ? FILE_ATTRIBUTE_DIRECTORY
                                                            : FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileW(longForm(child).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(longForm(path).c_str());
}

inline FILETIME toFileTime(ULONGLONG value) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

// 100 ns units: a day, and 2001-01-01 as a base for times set by tests.
constexpr ULONGLONG kDay = 864000000000ULL;
constexpr ULONGLONG kYear2001 = 126227808000000000ULL;

// A 1x1 24-bit BMP. Showing an entry loads its image (by content, whatever the extension), and an
// entry that fails to load may be dropped from the exhibit, so test images must be real ones.
inline std::string tinyImage() {
    static const unsigned char bytes[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
        40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 4, 0, 0, 0,
        0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // info header
        0x20, 0x80, 0xF0, 0,  // one pixel, padded to four bytes
    };
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

// A folder tree under a private temporary folder, removed with everything in it at the end.
class TempTree {
public:
    TempTree() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH, temp);
        std::wstring base(temp, length < MAX_PATH ? length : 0);
        // The scan compares paths as text: work with the long form of the temporary folder.
        wchar_t longName[MAX_PATH + 1] = {};
        const DWORD longLength = GetLongPathNameW(base.c_str(), longName, MAX_PATH);
        if (longLength > 0 && longLength < MAX_PATH) base.assign(longName, longLength);
        if (!base.empty() && base.back() != L'\\') base += L'\\';
        static LONG counter = 0;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::wstring candidate = base + L"gvx-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                           std::to_wstring(InterlockedIncrement(&counter));
            if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~TempTree() {
        if (!path_.empty()) removeTree(path_);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::wstring& path() const { return path_; }
    // The full path of a relative name ("a\\b.jpg"); empty names give the tree's own folder.
    std::wstring operator/(const std::wstring& relative) const {
        return relative.empty() ? path_ : path_ + L"\\" + relative;
    }

    // Makes the folder and any missing parents.
    bool folder(const std::wstring& relative) const {
        const std::wstring full = *this / relative;
        for (size_t slash = path_.size() + 1; slash <= full.size(); ++slash) {
            if (slash < full.size() && full[slash] != L'\\') continue;
            const std::wstring part = longForm(full.substr(0, slash));
            if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        }
        return true;
    }

    // Writes a file (making its folder), by default a real image.
    bool file(const std::wstring& relative) const { return file(relative, tinyImage()); }
    bool file(const std::wstring& relative, const std::string& bytes) const {
        if (writeFile(*this / relative, bytes)) return true;
        const size_t slash = relative.rfind(L'\\');
        if (slash != std::wstring::npos && !folder(relative.substr(0, slash))) return false;
        return writeFile(*this / relative, bytes);
    }

    static bool writeFile(const std::wstring& full, const std::string& bytes) {
        HANDLE file = CreateFileW(longForm(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == bytes.size();
    }

    // Marks a file or folder hidden; false when the file system does not keep the attribute.
    bool hide(const std::wstring& relative) const {
        const std::wstring full = *this / relative;
        const DWORD attributes = GetFileAttributesW(full.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return false;
        if (!SetFileAttributesW(full.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN)) return false;
        // Read back as a folder listing reports it, which is what the scan sees.
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(full.c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return false;
        FindClose(search);
        return (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    }

    // Sets creation, last-write and last-access time (zero leaves one as it is).
    bool setTimes(const std::wstring& relative, ULONGLONG created, ULONGLONG modified, ULONGLONG accessed) const {
        HANDLE file = CreateFileW((*this / relative).c_str(), FILE_WRITE_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const FILETIME c = toFileTime(created), m = toFileTime(modified), a = toFileTime(accessed);
        const BOOL ok = SetFileTime(file, created ? &c : nullptr, accessed ? &a : nullptr, modified ? &m : nullptr);
        CloseHandle(file);
        return ok != FALSE;
    }

    // Writes a shortcut (relative name, ending in .lnk) to the given full target path.
    bool shortcut(const std::wstring& relative, const std::wstring& target) const {
        const size_t slash = relative.rfind(L'\\');
        if (slash != std::wstring::npos && !folder(relative.substr(0, slash))) return false;
        ShortcutFile link;
        if (!link.open()) return false;
        const bool ok = link.create(target, *this / relative);
        link.close();
        return ok;
    }

private:
    std::wstring path_;
};

// Every accepted image below a folder (recursively), as the scan would name it without shortcuts.
inline std::vector<std::wstring> imagesOnDisk(const std::wstring& folder, const FormatSwitches& formats) {
    std::vector<std::wstring> result;
    std::vector<std::wstring> pending{folder};
    while (!pending.empty()) {
        const std::wstring current = pending.back();
        pending.pop_back();
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((current + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                pending.push_back(current + L"\\" + name);
            else if (isAcceptedImage(name, formats))
                result.push_back(current + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::sort(result.begin(), result.end());
    return result;
}

// ---- The viewer on a hidden window ----

constexpr UINT kAutoRefreshDone = WM_USER + 8;

// Stands in for the main dialog procedure: auto-refresh completions go to the viewer, and are
// counted so that tests can tell how many watcher rebuilds finished.
struct WindowState {
    Viewer* viewer = nullptr;
    std::atomic<int> autoRefreshDone{0};
};

inline WindowState& windowState() {
    static WindowState state;
    return state;
}

inline LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAutoRefreshDone) {
        WindowState& state = windowState();
        ++state.autoRefreshDone;
        if (state.viewer) state.viewer->onAutoRefreshDone();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

inline const wchar_t* testWindowClass() {
    static const wchar_t* name = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = testWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"GlimvueViewerTestWindow";
        RegisterClassW(&windowClass);
        return windowClass.lpszClassName;
    }();
    return name;
}

// Dispatches this thread's messages until the condition holds or the time is up; true when it held.
inline bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                  QS_ALLINPUT);
    }
}

// Dispatches messages for the whole period.
inline void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tree.path().empty()) << "no temporary folder";
        window = CreateWindowExW(0, testWindowClass(), L"Glimvue test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        app.mainWindow = window;
        viewer = new Viewer(window);
        theViewer = viewer;
        windowState().viewer = viewer;
        windowState().autoRefreshDone = 0;
        viewer->settings.savesettings = false;
        viewer->settings.autorefresh = false;  // tests that want the watcher turn it on
    }

    void TearDown() override {
        if (viewer) {
            viewer->shutDown();
            windowState().viewer = nullptr;
            theViewer = nullptr;
            delete viewer;
            viewer = nullptr;
        }
        if (window) DestroyWindow(window);
        window = nullptr;
        app.mainWindow = nullptr;
        // Takes away the quit message shut-down posted, and anything else left for the window.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Waits (dispatching messages) for the running build to end.
    bool waitForBuild(DWORD milliseconds = 30000) {
        return pumpUntil([this] { return !viewer->building; }, milliseconds);
    }

    // Builds the exhibit from a folder of the tree, as the exhibit root, and waits for the end.
    bool build(const std::wstring& relative = L"") {
        viewer->exhibitRoot = tree / relative;
        const bool result = viewer->buildExhibit(viewer->exhibitRoot, false);
        EXPECT_TRUE(waitForBuild()) << "the build did not end";
        return result;
    }

    // The exhibit's paths in order, read under the exhibit lock.
    std::vector<std::wstring> paths() const {
        std::lock_guard lock(viewer->exhibitMutex);
        std::vector<std::wstring> result;
        result.reserve(viewer->exhibit.size());
        for (size_t i = 0; i < viewer->exhibit.size(); ++i) result.emplace_back(viewer->exhibit[i].path());
        return result;
    }

    std::vector<std::wstring> sortedPaths() const {
        std::vector<std::wstring> result = paths();
        std::sort(result.begin(), result.end());
        return result;
    }

    // Full paths of relative names, sorted as text.
    std::vector<std::wstring> full(std::vector<std::wstring> relatives) const {
        for (std::wstring& name : relatives) name = tree / name;
        std::sort(relatives.begin(), relatives.end());
        return relatives;
    }

    // The entry's path at currentIndex (empty when out of range).
    std::wstring currentEntry() const { return viewer->entryPath(static_cast<size_t>(viewer->currentIndex.load())); }

    // Makes the entry with this path current, as showing it would.
    void makeCurrent(const std::wstring& path) {
        const long long index = viewer->indexOfPath(path);
        ASSERT_GE(index, 0) << "not in the exhibit";
        viewer->currentIndex = static_cast<int>(index);
        viewer->setCurrentPath(path);
    }

    int autoRefreshDone() const { return windowState().autoRefreshDone.load(); }

    TempTree tree;
    HWND window = nullptr;
    Viewer* viewer = nullptr;
};

// Readable wide-string output for failure messages.
inline std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
    return result;
}

inline std::string describe(const std::vector<std::wstring>& list) {
    std::string result;
    for (size_t i = 0; i < list.size() && i < 20; ++i) result += "  " + narrow(list[i]) + "\n";
    if (list.size() > 20) result += "  ... " + std::to_string(list.size()) + " in all\n";
    return result;
}

}  // namespace viewer_test
