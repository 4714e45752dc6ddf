// Step latency benchmark, run under Wine or Windows:
//
//   step_bench.exe [REPETITIONS] [WIDTH HEIGHT]
//   step_bench.exe memory ahead|alone [STEPS] [WIDTH HEIGHT]
//
// Four large JPEGs (6000 x 4000 by default) with different content are written into a temporary
// folder with the platform JPEG encoder. Everything below is measured in one run on those files:
//   - the bare decode: GdipLoadImageFromFile and one GdipDrawImageRectI of the whole image into a
//     32-bit DIB of the size the program displays it at, with the program's interpolation mode
//     (GDI+ may decode lazily, so the first draw is part of the decode);
//   - the step: Viewer::executeCommand(CMD_NEXT) on the program's own main window (the IDD_MAIN
//     dialog, visible, with the default settings but no slideshow, no folder watcher and nothing
//     saved), from the call until it returns with the new image painted. The window procedure
//     counts the paints; a step whose paint was only posted is timed until the paint has run.
// Each repetition decodes the file the step is about to show, then steps to it; the ratio is the
// median of the step / decode ratios within a repetition. The bare decode takes one decode time,
// so this is a step after a pause of one decode (the program's decode ahead runs meanwhile).
// Then: a held key (each step right after the last one painted), ten quick Next presses (time
// until the tenth target is painted), and the working set while stepping with and without the
// decode ahead.
// Afterwards the parts of a step are timed one by one on the same window: loading the entry,
// fitting the window to the image, the paint alone, and, outside the program, the two resamples
// the paint makes (the frame, then the view bitmap kept for scrolling) and the copy that could
// replace the second one.
// The program prints a table and one RESULT line for scripts to collect.
//
// The memory mode steps through STEPS (300) pictures of WIDTH x HEIGHT (4000 x 3000): four distinct
// JPEGs under STEPS names (hard links where the file system has them), with the decode ahead on
// ("ahead") or off ("alone"). Each step waits until it is painted and the worker is idle, then
// samples the working set; the mean and peak go to a MEMORY line. bench/run-step-bench runs both
// modes side by side and also samples the process's resident size from outside, between the
// STEPPING line and the MEMORY line (writing the JPEGs before is not part of it).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app.h"
#include "command_ids.h"
#include "viewer.h"
#include "window_messages.h"

#include <psapi.h>

namespace gp = Gdiplus::DllExports;

#include "bench_decoder.h"
#include "bench_support.h"

using namespace bench;

namespace {

// A photograph-like picture: smooth colour fields with fine grain, so the file is about as large
// and as costly to decode as a camera's. `variant` changes the fields and the grain.
bool writeJpeg(const std::wstring& path, int width, int height, unsigned variant) {
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    uint32_t noise = 0x9E3779B9u ^ (variant * 0x85EBCA6Bu);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = &pixels[static_cast<size_t>(y) * static_cast<size_t>(stride)];
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const int grain = static_cast<int>(noise & 31) - 16;
            int r, g, b;
            if (variant == 0) {
                r = 40 + 180 * x / width;
                g = 30 + 160 * y / height;
                b = 90 + ((x / 150 + y / 150) % 2) * 60;
            } else {
                const int d = (x + 2 * y) % 800;
                r = 200 - 150 * y / height;
                g = 60 + (d < 400 ? d : 800 - d) / 3;
                b = 40 + 170 * x / width;
            }
            row[x * 3 + 0] = static_cast<unsigned char>(std::clamp(b + grain, 0, 255));
            row[x * 3 + 1] = static_cast<unsigned char>(std::clamp(g + grain, 0, 255));
            row[x * 3 + 2] = static_cast<unsigned char>(std::clamp(r + grain, 0, 255));
        }
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, stride, PixelFormat24bppRGB, pixels.data(), &bitmap) !=
        Gdiplus::Ok)
        return false;
    CLSID encoder{};
    const bool saved = jpegEncoder(encoder) && gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) ==
                                                   Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

long long fileBytes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A memory DC holding a 32-bit top-down DIB section of the given size.
struct DibTarget {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ initial = nullptr;
    DibTarget(int width, int height) {
        BITMAPINFO info = topDownDib32(width, height);
        void* bits = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        initial = SelectObject(dc, bitmap);
    }
    ~DibTarget() {
        SelectObject(dc, initial);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DibTarget(const DibTarget&) = delete;
    DibTarget& operator=(const DibTarget&) = delete;
};

// A memory DC holding a bitmap compatible with the screen, as the program's view bitmap is.
struct CompatibleTarget {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ initial = nullptr;
    CompatibleTarget(int width, int height) {
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        bitmap = CreateCompatibleBitmap(screen, width, height);
        ReleaseDC(nullptr, screen);
        initial = SelectObject(dc, bitmap);
    }
    ~CompatibleTarget() {
        SelectObject(dc, initial);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    CompatibleTarget(const CompatibleTarget&) = delete;
    CompatibleTarget& operator=(const CompatibleTarget&) = delete;
};

struct BareDecode {
    double loadMs = 0;
    double drawMs = 0;
    bool ok = false;
};

// Load + one draw of the whole image into the target, nothing else.
BareDecode bareDecode(const std::wstring& path, HDC target, int width, int height, int interpolation) {
    BareDecode result;
    const double start = nowMs();
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok || !image) return result;
    const double loaded = nowMs();
    Gdiplus::GpGraphics* graphics = nullptr;
    if (gp::GdipCreateFromHDC(target, &graphics) == Gdiplus::Ok) {
        gp::GdipSetInterpolationMode(graphics, static_cast<Gdiplus::InterpolationMode>(interpolation));
        result.ok = gp::GdipDrawImageRectI(graphics, image, 0, 0, width, height) == Gdiplus::Ok;
        gp::GdipDeleteGraphics(graphics);
    }
    gp::GdipDisposeImage(image);
    const double end = nowMs();
    result.loadMs = loaded - start;
    result.drawMs = end - loaded;
    return result;
}

long paintCount = 0;

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps until no step waits to be shown and a paint has run since `before`; false on time-out.
bool pumpUntilShown(const Viewer& viewer, long before, int timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    while (viewer.slideshow.showPending || paintCount <= before) {
        if (nowMs() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
        pumpMessages();
    }
    return true;
}

// Pumps until the paint count passes `before` or the deadline passes; false on time-out.
bool pumpUntilPainted(long before, int timeoutMs) {
    const double deadline = nowMs() + timeoutMs;
    while (paintCount <= before) {
        if (nowMs() > deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        pumpMessages();
    }
    return true;
}

// The window messages of a step, routed as the program's main dialog procedure routes them.
INT_PTR CALLBACK benchDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Viewer* viewer = theViewer;
    if (!viewer) return FALSE;
    switch (message) {
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(viewer->dialogBackgroundBrush());
    case WM_ERASEBKGND:
        return viewer->eraseBackground() ? TRUE : FALSE;
    case WM_PAINT:
        viewer->paint();
        ++paintCount;
        return TRUE;
    case WM_SIZE:
        viewer->onSize(wParam, LOWORD(lParam), HIWORD(lParam));
        return TRUE;
    case WM_MOVE:
        viewer->onMove();
        return TRUE;
    case WM_TIMER:
        viewer->onSlideTimer(wParam);  // no slideshow here: the step's show and loading timers
        return TRUE;
    case MainMessage::PictureDecoded:
        viewer->onPictureDecoded();
        return TRUE;
    default:
        return FALSE;
    }
}

LRESULT CALLBACK ownerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring makeTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring folder = std::wstring(base) + L"glimvue-step-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(attempt);
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    }
    return {};
}

}  // namespace

int main() {
    int argumentCount = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argumentCount);
    const bool memoryMode = argv && argumentCount > 2 && std::wstring(argv[1]) == L"memory";
    const bool memoryAhead = memoryMode && std::wstring(argv[2]) == L"ahead";
    const int first = memoryMode ? 3 : 1;  // the first of REPETITIONS (or STEPS), WIDTH, HEIGHT
    int repetitions = argv && argumentCount > first ? _wtoi(argv[first]) : (memoryMode ? 300 : 9);
    int imageWidth = argv && argumentCount > first + 2 ? _wtoi(argv[first + 1]) : (memoryMode ? 4000 : 6000);
    int imageHeight = argv && argumentCount > first + 2 ? _wtoi(argv[first + 2]) : (memoryMode ? 3000 : 4000);
    if (argv) LocalFree(argv);
    if (repetitions < 1 || repetitions > (memoryMode ? 2000 : 200)) repetitions = memoryMode ? 300 : 9;
    if (imageWidth < 16 || imageWidth > 20000 || imageHeight < 16 || imageHeight > 20000) {
        std::fprintf(stderr, "step_bench: image size out of range (16..20000)\n");
        return 2;
    }

    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput startupInput;
    if (Gdiplus::GdiplusStartup(&gdiplusToken, &startupInput, nullptr) != Gdiplus::Ok) {
        std::fprintf(stderr, "step_bench: GDI+ did not start\n");
        return 1;
    }

    const std::wstring folder = makeTempFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "step_bench: no temporary folder\n");
        return 1;
    }
    // Four pictures: ten steps from one end on another one (10 mod 4 = 2), never on the one read ahead.
    constexpr unsigned kFiles = 4;
    const std::wstring files[kFiles] = {folder + L"\\photo_a.jpg", folder + L"\\photo_b.jpg", folder + L"\\photo_c.jpg",
                                        folder + L"\\photo_d.jpg"};
    double encodeStart = nowMs();
    for (unsigned i = 0; i < kFiles; ++i) {
        if (!writeJpeg(files[i], imageWidth, imageHeight, i)) {
            std::fprintf(stderr, "step_bench: could not write a %d x %d JPEG\n", imageWidth, imageHeight);
            return 1;
        }
    }
    const double encodeMs = nowMs() - encodeStart;
    // The memory mode's many names for the four pictures.
    std::vector<std::wstring> names;
    if (memoryMode) {
        for (int i = 0; i < repetitions; ++i) {
            const std::wstring name = folder + L"\\step_" + std::to_wstring(1000 + i) + L".jpg";
            const std::wstring& original = files[static_cast<unsigned>(i) % kFiles];
            if (!CreateHardLinkW(name.c_str(), original.c_str(), nullptr) && !CopyFileW(original.c_str(), name.c_str(), TRUE)) {
                std::fprintf(stderr, "step_bench: could not make %d names\n", repetitions);
                return 1;
            }
            names.push_back(name);
        }
        for (const std::wstring& file : files) DeleteFileW(file.c_str());  // only the step_ names are stepped
    }

    // The program's main window: the IDD_MAIN dialog under a hidden owner, as the program makes it.
    app.instance = GetModuleHandleW(nullptr);
    WNDCLASSW ownerClass{};
    ownerClass.lpfnWndProc = ownerWindowProc;
    ownerClass.hInstance = app.instance;
    ownerClass.lpszClassName = L"GlimvueStepBench";
    RegisterClassW(&ownerClass);
    HWND owner = CreateWindowExW(0, ownerClass.lpszClassName, L"", 0, 0, 0, 0, 0, nullptr, nullptr, app.instance,
                                 nullptr);
    HWND window = CreateDialogParamW(app.instance, MAKEINTRESOURCEW(IDD_MAIN), owner, benchDialogProc, 0);
    if (!window) {
        std::fprintf(stderr, "step_bench: no window (is there a display?)\n");
        return 1;
    }
    app.mainWindow = window;
    auto* viewer = new Viewer(window, bench::benchDecoder());
    theViewer = viewer;
    // Ends the viewer and its windows, removes the pictures made for the run, stops the library.
    auto tearDown = [&](const std::vector<std::wstring>& made) {
        viewer->image.release();
        viewer->shutDown();
        theViewer = nullptr;
        delete viewer;
        DestroyWindow(window);
        DestroyWindow(owner);
        for (const std::wstring& file : made) DeleteFileW(file.c_str());
        RemoveDirectoryW(folder.c_str());
        Gdiplus::GdiplusShutdown(gdiplusToken);
    };
    viewer->settings.savesettings = false;
    viewer->settings.autorefresh = false;
    viewer->settings.slide = false;
    viewer->window.frameWidth = GetSystemMetrics(SM_CXSIZEFRAME);
    viewer->window.frameHeight = GetSystemMetrics(SM_CYSIZEFRAME);
    {
        RECT rect;
        GetWindowRect(window, &rect);
        viewer->settings.windowRect = {rect.left, rect.top, rect.right, rect.bottom};
    }
    viewer->locateProgramFiles();
    viewer->applySettingsToWindow();  // background brush, interpolation, screen rectangles, status bar

    if (!viewer->buildExhibit(folder, false)) {
        std::fprintf(stderr, "step_bench: the exhibit is empty\n");
        return 1;
    }
    while (viewer->store.building) Sleep(1);
    viewer->store.currentIndex = 0;
    viewer->showCurrent(true);
    ShowWindow(window, SW_SHOWNORMAL);
    pumpMessages();
    // Two steps before anything is timed: the window takes its size, caches and code are warm.
    for (int i = 0; i < 2; ++i) {
        const long before = paintCount;
        viewer->executeCommand(CMD_NEXT);
        pumpUntilShown(*viewer, before, 20000);
    }
    Sleep(100);
    pumpMessages();

    if (memoryMode) {
        viewer->readAhead.aheadEnabled = memoryAhead;
        viewer->readAhead.drop();
        PROCESS_MEMORY_COUNTERS counters{};
        double sum = 0, peak = 0;
        int wrong = 0;
        std::printf("STEPPING\n");  // the samples taken from outside count from here
        std::fflush(stdout);
        const double start = nowMs();
        for (int i = 0; i < repetitions; ++i) {
            const int target = (viewer->store.currentIndex + 1) % repetitions;
            const long before = paintCount;
            viewer->executeCommand(CMD_NEXT);
            if (!pumpUntilShown(*viewer, before, 30000) || viewer->store.currentIndex != target) ++wrong;
            viewer->readAhead.waitIdle(30000);
            pumpMessages();
            GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
            const double mb = static_cast<double>(counters.WorkingSetSize) / 1048576.0;
            sum += mb;
            peak = std::max(peak, mb);
        }
        GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
        std::printf("MEMORY mode=%s steps=%d width=%d height=%d shown=%dx%d mean_mb=%.1f peak_mb=%.1f "
                    "process_peak_mb=%.1f seconds=%.1f wrong=%d\n",
                    memoryAhead ? "ahead" : "alone", repetitions, imageWidth, imageHeight, viewer->image.width,
                    viewer->image.height, sum / repetitions, peak,
                    static_cast<double>(counters.PeakWorkingSetSize) / 1048576.0, (nowMs() - start) / 1000.0, wrong);
        std::fflush(stdout);
        tearDown(names);
        return wrong == 0 ? 0 : 1;
    }

    const int shownWidth = viewer->image.width, shownHeight = viewer->image.height;
    const SIZE client = viewer->clientSize();
    const int interpolation = viewer->image.interpolation;
    DibTarget bareTarget(shownWidth, shownHeight);

    // Step against bare decode, repetition by repetition.
    std::vector<double> bare, bareLoad, bareDraw, steps, ratios;
    int postedPaints = 0, missedPaints = 0;
    for (int r = 0; r < repetitions; ++r) {
        const size_t next = static_cast<size_t>(viewer->store.currentIndex + 1) % kFiles;
        const std::wstring nextPath = viewer->store.entryPath(next);
        const BareDecode decoded = bareDecode(nextPath, bareTarget.dc, shownWidth, shownHeight, interpolation);
        if (!decoded.ok) std::fprintf(stderr, "step_bench: bare decode failed\n");
        bareLoad.push_back(decoded.loadMs);
        bareDraw.push_back(decoded.drawMs);
        bare.push_back(decoded.loadMs + decoded.drawMs);

        const long before = paintCount;
        const double start = nowMs();
        viewer->executeCommand(CMD_NEXT);
        if (paintCount <= before || viewer->slideshow.showPending) {
            ++postedPaints;
            if (!pumpUntilShown(*viewer, before, 20000)) ++missedPaints;
        }
        steps.push_back(nowMs() - start);
        if (bare.back() > 0) ratios.push_back(steps.back() / bare.back());
        pumpMessages();
        Sleep(20);
        pumpMessages();
    }

    // A held key: each step follows the last one's paint at once, no pause for the decode ahead.
    std::vector<double> held;
    for (int r = 0; r < repetitions; ++r) {
        const long before = paintCount;
        const double start = nowMs();
        viewer->executeCommand(CMD_NEXT);
        pumpUntilShown(*viewer, before, 20000);
        held.push_back(nowMs() - start);
    }

    // Ten quick presses right after a paint (the next picture's decode ahead is under way): time
    // until the tenth target is painted.
    std::vector<double> burst;
    int burstWrong = 0;
    for (int r = 0; r < std::max(3, repetitions / 2); ++r) {
        Sleep(static_cast<DWORD>(median(bare)) + 200);  // the decode ahead of the previous round has ended
        pumpMessages();
        const long before0 = paintCount;
        viewer->executeCommand(CMD_NEXT);
        pumpUntilShown(*viewer, before0, 20000);
        const int target = (viewer->store.currentIndex + 10) % static_cast<int>(kFiles);
        const long before = paintCount;
        const double start = nowMs();
        for (int i = 0; i < 10; ++i) viewer->executeCommand(CMD_NEXT);
        pumpUntilShown(*viewer, before, 30000);
        burst.push_back(nowMs() - start);
        if (viewer->store.currentIndex != target) ++burstWrong;
    }

    // Working set while stepping with a pause of one decode, with and without the decode ahead.
    PROCESS_MEMORY_COUNTERS memory{};
    auto stepWorkingSet = [&](bool ahead, int count) {
        viewer->readAhead.aheadEnabled = ahead;
        viewer->readAhead.drop();
        double sum = 0, peak = 0;
        for (int i = 0; i < count; ++i) {
            const long before = paintCount;
            viewer->executeCommand(CMD_NEXT);
            pumpUntilShown(*viewer, before, 30000);
            Sleep(static_cast<DWORD>(median(bare)));
            pumpMessages();
            GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
            const double mb = static_cast<double>(memory.WorkingSetSize) / 1048576.0;
            sum += mb;
            peak = std::max(peak, mb);
        }
        viewer->readAhead.aheadEnabled = true;
        return std::pair{sum / count, peak};
    };
    const int memorySteps = std::max(4, repetitions);
    const auto [withoutMean, withoutPeak] = stepWorkingSet(false, memorySteps);
    const auto [withMean, withPeak] = stepWorkingSet(true, memorySteps);

    // The parts of a step, one at a time on the same window.
    std::vector<double> load, fit, paintAlone, layout, frameResample, viewResample, viewCopy, trim;
    CompatibleTarget frame(client.cx, client.cy);
    for (int r = 0; r < repetitions; ++r) {
        viewer->store.currentIndex = (viewer->store.currentIndex + 1) % static_cast<int>(kFiles);
        double start = nowMs();
        viewer->loadCurrentEntry(true);
        load.push_back(nowMs() - start);
        viewer->applyOrientation();
        viewer->view.scrollX = viewer->view.scrollY = 0;
        viewer->view.autoscrollDone = false;
        viewer->view.manualZoom = false;
        viewer->view.zoomPercent = viewer->settings.zoom;

        start = nowMs();
        viewer->fitWindowToImage();
        fit.push_back(nowMs() - start);

        long before = paintCount;
        start = nowMs();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        if (paintCount <= before) pumpUntilPainted(before, 10000);
        paintAlone.push_back(nowMs() - start);
        pumpMessages();

        before = paintCount;
        start = nowMs();
        viewer->refreshLayout();
        if (paintCount <= before) pumpUntilPainted(before, 10000);
        layout.push_back(nowMs() - start);
        pumpMessages();

        start = nowMs();
        SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
        trim.push_back(nowMs() - start);

        // The paint's two resamples, repeated outside it on the same image and sizes.
        const ViewImage& image = viewer->image;
        start = nowMs();
        image.drawAt(frame.dc, image.offsetX, image.offsetY, image.width, image.height);
        frameResample.push_back(nowMs() - start);
        {
            CompatibleTarget view(image.width, image.height);
            start = nowMs();
            image.drawTo(view.dc, image.width, image.height);
            viewResample.push_back(nowMs() - start);
            start = nowMs();
            BitBlt(view.dc, 0, 0, image.width, image.height, frame.dc, image.offsetX, image.offsetY, SRCCOPY);
            viewCopy.push_back(nowMs() - start);
        }
        Sleep(20);
        pumpMessages();
    }

    const double bareMs = median(bare), stepMs = median(steps), ratio = median(ratios);
    const double bestRatio = minimum(bare) > 0 ? minimum(steps) / minimum(bare) : 0;
    const double saving = std::max(0.0, median(viewResample) - median(viewCopy));
    const double singleRatio = bareMs > 0 ? (stepMs - saving) / bareMs : 0;

    std::printf("\nStep latency benchmark: %u %d x %d JPEGs (the first two %.1f and %.1f MB, written in %.0f ms)\n", kFiles, imageWidth,
                imageHeight, static_cast<double>(fileBytes(files[0])) / 1e6,
                static_cast<double>(fileBytes(files[1])) / 1e6, encodeMs);
    std::printf("shown at %d x %d in a %ld x %ld client; interpolation mode %d; %d repetitions, medians\n\n",
                shownWidth, shownHeight, static_cast<long>(client.cx), static_cast<long>(client.cy), interpolation,
                repetitions);
    std::printf("  %-52s %10s %10s %8s\n", "", "median ms", "min ms", "x decode");
    std::printf("  %-52s %10.1f %10.1f %8.2f\n", "bare decode (load + one draw at shown size)", bareMs, minimum(bare),
                1.0);
    std::printf("  %-52s %10.1f %10.1f\n", "  of which GdipLoadImageFromFile", median(bareLoad), minimum(bareLoad));
    std::printf("  %-52s %10.1f %10.1f\n", "  of which the first GdipDrawImageRectI", median(bareDraw),
                minimum(bareDraw));
    std::printf("  %-52s %10.1f %10.1f %8.2f   best %.2f\n", "step (CMD_NEXT to painted)", stepMs, minimum(steps),
                ratio, bestRatio);
    std::printf("  %-52s %10.1f %10.1f %8.2f\n", "held key (each step right after the last paint)", median(held),
                minimum(held), median(bare) > 0 ? median(held) / median(bare) : 0);
    std::printf("  %-52s %10.1f %10.1f %8.2f   %d of %zu ended elsewhere\n", "ten quick Next presses to the tenth painted",
                median(burst), minimum(burst), median(bare) > 0 ? median(burst) / median(bare) : 0, burstWrong,
                burst.size());
    std::printf("  working set stepping %d times (pause of one decode): without decode ahead mean %.0f MB peak %.0f MB;"
                " with mean %.0f MB peak %.0f MB: %.2f x (peak %.2f x)\n",
                memorySteps, withoutMean, withoutPeak, withMean, withPeak, withoutMean > 0 ? withMean / withoutMean : 0,
                withoutPeak > 0 ? withPeak / withoutPeak : 0);
    std::printf("  paints: %d of %d steps painted synchronously inside the command%s\n\n",
                repetitions - postedPaints, repetitions, missedPaints ? " (some never painted!)" : "");
    std::printf("  parts of a step, timed one by one:\n");
    std::printf("  %-52s %10.1f %10.1f\n", "loadCurrentEntry (GdipLoadImageFromFile + checks)", median(load),
                minimum(load));
    std::printf("  %-52s %10.1f %10.1f\n", "fitWindowToImage (window already at size)", median(fit), minimum(fit));
    std::printf("  %-52s %10.1f %10.1f\n", "paint (InvalidateRect + UpdateWindow)", median(paintAlone),
                minimum(paintAlone));
    std::printf("  %-52s %10.1f %10.1f\n", "refreshLayout (fit + paint + centre + trim)", median(layout),
                minimum(layout));
    std::printf("  %-52s %10.2f %10.2f\n", "working-set trim (SetProcessWorkingSetSize -1)", median(trim),
                minimum(trim));
    std::printf("  %-52s %10.1f %10.1f\n", "  resample 1: image into the frame (drawAt)", median(frameResample),
                minimum(frameResample));
    std::printf("  %-52s %10.1f %10.1f\n", "  resample 2: image into the view bitmap (drawTo)", median(viewResample),
                minimum(viewResample));
    std::printf("  %-52s %10.2f %10.2f\n", "  BitBlt of the shown part of the frame instead", median(viewCopy),
                minimum(viewCopy));
    std::printf("\n  one resample instead of two saves about %.1f ms a step: step %.1f -> %.1f ms, %.2f x decode\n",
                saving, stepMs, stepMs - saving, singleRatio);
    std::printf("RESULT width=%d height=%d bare_ms=%.1f bare_load_ms=%.1f bare_draw_ms=%.1f step_ms=%.1f ratio=%.2f "
                "best_ratio=%.2f load_ms=%.1f fit_ms=%.1f paint_ms=%.1f layout_ms=%.1f resample1_ms=%.1f "
                "resample2_ms=%.1f copy_ms=%.2f single_ratio=%.2f posted=%d\n",
                imageWidth, imageHeight, bareMs, median(bareLoad), median(bareDraw), stepMs, ratio, bestRatio,
                median(load), median(fit), median(paintAlone), median(layout), median(frameResample),
                median(viewResample), median(viewCopy), singleRatio, postedPaints);
    std::fflush(stdout);

    tearDown({std::begin(files), std::end(files)});
    return 0;
}
