// Helpers for tests that drive a real Viewer: a hidden main window with a message pump standing in
// for the main dialog procedure, and folder trees made in a private temporary folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/viewer.h"
#include "core/window_messages.h"
#include "fileops/shortcut_file.h"
#include "win/imaging_fixture.h"

namespace viewer_test {

namespace fs = std::filesystem;
using namespace wintest;

// 100 ns units: a day, and 2001-01-01 as a base for times set by tests.
constexpr ULONGLONG kDay = 864000000000ULL;
constexpr ULONGLONG kYear2001 = 126227808000000000ULL;

// A 1x1 24-bit BMP. Showing an entry loads its image (by content), and an entry that fails to load
// may be dropped from the exhibit, so test images must be real ones.
inline std::string tinyImage() {
    static const unsigned char bytes[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0,
        0, 0, 0, 0, 4, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x80, 0xF0, 0};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}

// A folder tree under a private temporary folder (its long form: the scan compares paths as text),
// removed with everything in it at the end.
class TempTree : public TempFolder {
public:
    TempTree() : TempFolder(L"gvx") {}

    // The full path of a relative name ("a\\b.jpg"); empty names give the tree's own folder.
    std::wstring operator/(const std::wstring& relative) const {
        return relative.empty() ? path() : TempFolder::file(relative);
    }

    // Makes the folder and any missing parents.
    bool folder(const std::wstring& relative) const {
        std::error_code error;
        fs::create_directories(longForm(*this / relative), error);
        return !error;
    }

    // Writes a file (making its folder), by default a real image.
    bool file(const std::wstring& relative, const std::string& bytes = tinyImage()) const {
        if (!folder(fs::path(relative).parent_path().wstring())) return false;
        std::ofstream out(fs::path(longForm(*this / relative)), std::ios::binary | std::ios::trunc);
        return out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) && out.flush();
    }

    // Marks a file or folder hidden; false when the file system does not keep the attribute.
    bool hide(const std::wstring& relative) const {
        const std::wstring full = *this / relative;
        SetFileAttributesW(full.c_str(), GetFileAttributesW(full.c_str()) | FILE_ATTRIBUTE_HIDDEN);
        const DWORD attributes = GetFileAttributesW(full.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
    }

    // Sets creation and last-write time alike (some file systems report one for the other).
    bool setTimes(const std::wstring& relative, ULONGLONG time) const {
        HANDLE file = CreateFileW((*this / relative).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        const FILETIME t{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
        const bool ok = file != INVALID_HANDLE_VALUE && SetFileTime(file, &t, nullptr, &t);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        return ok;
    }

    // Writes a shortcut (relative name) to the given full target path.
    bool shortcut(const std::wstring& relative, const std::wstring& target) const {
        ShortcutFile link;
        if (!folder(fs::path(relative).parent_path().wstring()) || !link.open()) return false;
        const bool ok = link.create(target, *this / relative);
        link.close();
        return ok;
    }
};

// Every accepted image below a folder (recursively), sorted, as the scan would name it without shortcuts.
inline std::vector<std::wstring> imagesOnDisk(const std::wstring& folder, const FormatSwitches& formats) {
    std::vector<std::wstring> result;
    std::error_code error;
    for (fs::recursive_directory_iterator it(folder, error), end; it != end; it.increment(error))
        if (!it->is_directory(error) && isAcceptedImage(it->path().filename().wstring(), formats))
            result.push_back(it->path().wstring());
    std::sort(result.begin(), result.end());
    return result;
}

// ---- The viewer on a hidden window ----

// Stands in for the main dialog procedure: folder changes and auto-refresh completions go to the
// viewer, and completions are counted so that tests can tell how many watcher rebuilds finished.
inline Viewer* windowViewer = nullptr;
inline std::atomic<int> autoRefreshCount{0};

inline LRESULT CALLBACK testWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case MainMessage::FolderChanged:
        if (windowViewer) windowViewer->onFolderChanged();
        return 0;
    case WM_TIMER:
        // A step waiting to be shown is shown; the slideshow's count-down is not run here.
        if (windowViewer && (wParam == kShowTimerId || wParam == kLoadingTimerId)) windowViewer->onSlideTimer(wParam);
        return 0;
    case MainMessage::PictureDecoded:
        if (windowViewer) windowViewer->onPictureDecoded();
        return 0;
    case MainMessage::AutoRefreshDone:
        ++autoRefreshCount;
        if (windowViewer) windowViewer->onAutoRefreshDone();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(tree.path().empty()) << "no temporary folder";
        static const wchar_t* windowClass = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = testWindowProc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"GlimvueViewerTestWindow";
            RegisterClassW(&wc);
            return wc.lpszClassName;
        }();
        window = CreateWindowExW(0, windowClass, L"Glimvue test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        app.mainWindow = window;
        theViewer = windowViewer = viewer = new Viewer(window, wintest::testDecoder());
        autoRefreshCount = 0;
        viewer->settings.savesettings = false;
        viewer->settings.autorefresh = false;  // tests that want the watcher turn it on
    }

    void TearDown() override {
        if (viewer) viewer->shutDown();
        theViewer = windowViewer = nullptr;
        delete viewer;
        if (window) DestroyWindow(window);
        app.mainWindow = nullptr;
        // Takes away the quit message shut-down posted, and anything else left for the window.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    bool waitForBuild(DWORD milliseconds = 30000) {
        return pumpUntil([this] { return !viewer->store.building; }, milliseconds);
    }

    // Builds the exhibit from a folder (the exhibit root) and waits for the end.
    bool build(const std::wstring& folder) {
        viewer->store.exhibitRoot = folder;
        const bool result = viewer->buildExhibit(folder, false);
        EXPECT_TRUE(waitForBuild()) << "the build did not end";
        return result;
    }
    bool build() { return build(tree.path()); }

    // The exhibit's paths in order (or sorted), read under the exhibit lock.
    std::vector<std::wstring> paths(bool sorted = false) const {
        std::vector<std::wstring> result;
        {
            std::lock_guard lock(viewer->store.exhibitMutex);
            for (size_t i = 0; i < viewer->store.exhibit.size(); ++i) result.emplace_back(viewer->store.exhibit[i].path());
        }
        if (sorted) std::sort(result.begin(), result.end());
        return result;
    }
    std::vector<std::wstring> sortedPaths() const { return paths(true); }

    // Full paths of relative names, sorted unless asked not to.
    std::vector<std::wstring> full(std::vector<std::wstring> relatives, bool sorted = true) const {
        for (std::wstring& name : relatives) name = tree / name;
        if (sorted) std::sort(relatives.begin(), relatives.end());
        return relatives;
    }

    std::wstring currentEntry() const { return viewer->store.entryPath(static_cast<size_t>(viewer->store.currentIndex.load())); }

    // Makes the entry with this path current, as showing it would.
    void makeCurrent(const std::wstring& path) {
        const long long index = viewer->store.indexOfPath(path);
        ASSERT_GE(index, 0) << "not in the exhibit";
        viewer->store.currentIndex = static_cast<int>(index);
        viewer->store.setCurrentPath(path);
    }

    TempTree tree;
    HWND window = nullptr;
    Viewer* viewer = nullptr;
};

using ::testing::PrintToString;

}  // namespace viewer_test
