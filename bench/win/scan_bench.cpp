// Exhibit scan benchmark, run under Wine or Windows on a folder tree of image files:
//
//   scan_bench.exe ROOT [REPETITIONS]
//
// Everything is measured in one run on the same tree, so the ratios hold whatever the file system
// or the platform layer costs on this machine:
//   - the platform limit: a bare breadth-first FindFirstFileExW / FindNextFileW loop that only
//     counts files and queues folders;
//   - the scan alone (Viewer::buildExhibit with no ordering key) and the full build with the
//     default tree order, each from the request until `building` turns false;
//   - the release time: from the buildExhibit call until it hands the caller back;
//   - the exhibit's memory against the bytes of its path text, with the process working set as a
//     cross-check.
// Each repetition runs the bare loop, the scan and the full build back to back; the ratios are the
// medians of the ratios within a repetition, so load from other processes that comes and goes
// between repetitions cancels out. Best-of-run ratios (minimum over minimum) are shown beside them.
// The program prints a table and one RESULT line for scripts to collect.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "app.h"
#include "shortcut_file.h"
#include "viewer.h"

#include "bench_decoder.h"
#include "bench_support.h"

using namespace bench;

namespace {

struct BareCount {
    size_t files = 0;
    size_t folders = 0;
};

// The platform limit: the same enumeration calls and flags as the exhibit builder, breadth-first,
// with nothing done per item but counting files and queueing folders.
BareCount bareScan(const std::wstring& root) {
    BareCount count;
    std::deque<std::wstring> queue{root};
    WIN32_FIND_DATAW item;
    while (!queue.empty()) {
        std::wstring folder = std::move(queue.front());
        queue.pop_front();
        ++count.folders;
        if (folder.empty() || folder.back() != L'\\') folder += L'\\';
        const std::wstring pattern = folder + L"*";
        HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &item, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                const wchar_t* name = item.cFileName;
                if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
                queue.push_back(folder + name);
            } else {
                ++count.files;
            }
        } while (FindNextFileW(search, &item));
        FindClose(search);
    }
    return count;
}

struct BuildTiming {
    double releaseMs = 0;  // until buildExhibit returned
    double totalMs = 0;    // until `building` turned false
};

BuildTiming timedBuild(Viewer& viewer, const std::wstring& root) {
    BuildTiming timing;
    const double start = nowMs();
    viewer.buildExhibit(root, false);
    timing.releaseMs = nowMs() - start;
    while (viewer.store.building) Sleep(1);
    timing.totalMs = nowMs() - start;
    return timing;
}

struct Memory {
    size_t workingSet = 0;
    size_t privateBytes = 0;
};

Memory processMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    Memory memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        memory.workingSet = counters.WorkingSetSize;
        memory.privateBytes = counters.PagefileUsage;
    }
    return memory;
}

double kib(long long bytes) { return static_cast<double>(bytes) / 1024.0; }

LRESULT CALLBACK hiddenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int main() {
    int argumentCount = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    if (!argv || argumentCount < 2) {
        std::fprintf(stderr, "usage: scan_bench.exe ROOT [REPETITIONS]\n");
        return 2;
    }
    std::wstring root = argv[1];
    int repetitions = argumentCount > 2 ? _wtoi(argv[2]) : 5;
    LocalFree(argv);
    if (repetitions < 1 || repetitions > 100) repetitions = 5;
    while (root.size() > 3 && root.back() == L'\\') root.pop_back();
    const DWORD attributes = GetFileAttributesW(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "scan_bench: %s is not a folder\n", utf8(root).c_str());
        return 2;
    }

    app.instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = hiddenWindowProc;
    windowClass.hInstance = app.instance;
    windowClass.lpszClassName = L"GlimvueScanBench";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"scan bench", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                                  nullptr, nullptr, app.instance, nullptr);
    if (!window) {
        std::fprintf(stderr, "scan_bench: no window (is there a display?)\n");
        return 1;
    }
    app.mainWindow = window;
    auto* viewer = new Viewer(window, bench::benchDecoder());
    theViewer = viewer;
    viewer->settings.savesettings = false;
    viewer->settings.autorefresh = false;
    const int16_t defaultSort = viewer->settings.sort;
    const int16_t defaultSortBy = viewer->settings.sortby;

    // The shell-link object is loaded once before anything is measured, as it is in a running
    // program, and the file system's caches are filled by one bare pass.
    {
        ShortcutFile warm;
        warm.open();
        warm.close();
    }
    const BareCount tree = bareScan(root);

    // Memory of one full build, from an empty exhibit.
    const Memory before = processMemory();
    const BuildTiming firstBuild = timedBuild(*viewer, root);
    const Memory after = processMemory();
    size_t entries = 0, pathBytes = 0, exhibitBytes = 0;
    {
        std::lock_guard lock(viewer->store.exhibitMutex);
        entries = viewer->store.exhibit.size();
        for (const ExhibitEntry& entry : viewer->store.exhibit.entries()) pathBytes += entry.pathLength * size_t{2};
        exhibitBytes = viewer->store.exhibit.memoryBytes();
    }

    std::vector<double> bare, scanOnly, full, releaseScanOnly, releaseFull, scanRatios, fullRatios;
    for (int r = 0; r < repetitions; ++r) {
        double start = nowMs();
        const BareCount again = bareScan(root);
        bare.push_back(nowMs() - start);
        if (again.files != tree.files) std::fprintf(stderr, "scan_bench: the tree changed during the run\n");

        viewer->settings.sort = 0;
        viewer->settings.sortby = 6;  // no ordering key: the scan alone
        BuildTiming timing = timedBuild(*viewer, root);
        scanOnly.push_back(timing.totalMs);
        releaseScanOnly.push_back(timing.releaseMs);

        viewer->settings.sort = defaultSort;
        viewer->settings.sortby = defaultSortBy;
        timing = timedBuild(*viewer, root);
        full.push_back(timing.totalMs);
        releaseFull.push_back(timing.releaseMs);

        if (bare.back() > 0) {
            scanRatios.push_back(scanOnly.back() / bare.back());
            fullRatios.push_back(full.back() / bare.back());
        }
    }
    const size_t lastCount = viewer->store.size();

    const double bareMs = median(bare);
    const double scanMs = median(scanOnly);
    const double fullMs = median(full);
    std::vector<double> releases = releaseScanOnly;
    releases.insert(releases.end(), releaseFull.begin(), releaseFull.end());
    const double releaseMs = median(releases);
    const double overhead = entries ? static_cast<double>(exhibitBytes - pathBytes) / static_cast<double>(entries) : 0;
    const long long workingDelta = static_cast<long long>(after.workingSet) - static_cast<long long>(before.workingSet);
    const long long privateDelta =
        static_cast<long long>(after.privateBytes) - static_cast<long long>(before.privateBytes);
    const double ratio = median(scanRatios);
    const double fullRatio = median(fullRatios);
    const double bestRatio = minimum(bare) > 0 ? minimum(scanOnly) / minimum(bare) : 0;
    const double bestFullRatio = minimum(bare) > 0 ? minimum(full) / minimum(bare) : 0;

    std::printf("\nExhibit scan benchmark: %s\n", utf8(root).c_str());
    std::printf("tree: %zu files in %zu folders; exhibit: %zu entries (last build %zu); %d repetitions, medians\n\n",
                tree.files, tree.folders, entries, lastCount, repetitions);
    std::printf("  %-44s %10s %10s %8s %8s\n", "", "median ms", "min ms", "x bare", "best");
    std::printf("  %-44s %10.1f %10.1f %8.2f %8.2f\n", "bare FindFirstFileExW loop (platform limit)", bareMs,
                minimum(bare), 1.0, 1.0);
    std::printf("  %-44s %10.1f %10.1f %8.2f %8.2f   target <= 1.5\n", "scan alone (no ordering key)", scanMs,
                minimum(scanOnly), ratio, bestRatio);
    std::printf("  %-44s %10.1f %10.1f %8.2f %8.2f\n", "full build (scan + default tree order)", fullMs,
                minimum(full), fullRatio, bestFullRatio);
    std::printf("  %-44s %10.1f\n", "  of which ordering (full - scan)", fullMs - scanMs);
    std::printf("  %-44s %10.2f %10.2f            target < 100 ms\n", "release (buildExhibit call to return)",
                releaseMs, minimum(releases));
    std::printf("  %-44s %10.1f %10.1f\n", "first build (cold), total / release", firstBuild.totalMs,
                firstBuild.releaseMs);
    std::printf("\n  exhibit memory %.0f KiB = path text %.0f KiB + %.1f bytes per entry   target <= 64\n",
                kib(static_cast<long long>(exhibitBytes)), kib(static_cast<long long>(pathBytes)), overhead);
    std::printf("  working set %.0f -> %.0f KiB (+%.0f KiB, %.1f bytes per entry); private bytes +%.0f KiB\n",
                kib(static_cast<long long>(before.workingSet)), kib(static_cast<long long>(after.workingSet)),
                kib(workingDelta), entries ? static_cast<double>(workingDelta) / static_cast<double>(entries) : 0,
                kib(privateDelta));
    std::printf("RESULT files=%zu folders=%zu bare_ms=%.1f scan_ms=%.1f full_ms=%.1f ratio=%.2f full_ratio=%.2f "
                "best_ratio=%.2f release_ms=%.2f bytes_per_entry=%.1f path_bytes=%zu exhibit_bytes=%zu ws_delta=%lld\n",
                tree.files, tree.folders, bareMs, scanMs, fullMs, ratio, fullRatio, bestRatio, releaseMs, overhead,
                pathBytes, exhibitBytes, workingDelta);
    std::fflush(stdout);

    viewer->shutDown();
    theViewer = nullptr;
    delete viewer;
    DestroyWindow(window);
    return 0;
}
