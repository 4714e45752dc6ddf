// Catalog benchmarks against the real Glimvue.exe, from outside:
//   memory FOLDER   working set before opening the Catalog on FOLDER (100,000 entries), after opening
//                   it, and after scrolling through the whole list;
//   page  COUNT     a page of COUNT 6000 x 4000 JPEG thumbnails: the time until all are drawn against
//                   one decode's time x COUNT / cores measured here on the same file, and how fast a
//                   key press in the list is answered while they decode.
// Usage: catalog_bench GLIMVUE_EXE memory FOLDER | catalog_bench GLIMVUE_EXE page [COUNT]
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"

using namespace bench;
namespace gp = Gdiplus::DllExports;

namespace {

PROCESS_INFORMATION process{};

bool startProgram(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

HWND findWindowOfProgram(const std::wstring& suffix) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != process.dwProcessId || !IsWindowVisible(w)) continue;
        wchar_t title[1024] = {};
        GetWindowTextW(w, title, 1024);
        const std::wstring text = title;
        if (text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            return w;
    }
    return nullptr;
}

HWND waitForWindow(const std::wstring& suffix, double timeoutMs) {
    const double end = nowMs() + timeoutMs;
    for (HWND w = nullptr; nowMs() < end; Sleep(20))
        if ((w = findWindowOfProgram(suffix)) != nullptr) return w;
    return nullptr;
}

double workingSetMb() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return static_cast<double>(counters.WorkingSetSize) / (1024.0 * 1024.0);
}
double privateMb() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
    return static_cast<double>(counters.PrivateUsage) / (1024.0 * 1024.0);
}

void endProgram() {
    if (!process.hProcess) return;
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
}

HWND listOf(HWND catalog) { return FindWindowExW(catalog, nullptr, L"SysListView32", nullptr); }

// Pixels of the list that show `colour` (within 24 per channel), from one screen capture.
long countColour(HWND list, unsigned colour) {
    RECT client{};
    GetClientRect(list, &client);
    POINT origin{0, 0};
    ClientToScreen(list, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    long count = 0;
    const auto* p = static_cast<const unsigned*>(bits);
    for (long i = 0; i < static_cast<long>(client.right) * client.bottom; ++i) {
        const unsigned c = p[i] & 0xFFFFFF;
        auto within = [](int a, int b) { return a - b < 24 && b - a < 24; };
        if (within(c >> 16, colour >> 16) && within((c >> 8) & 255, (colour >> 8) & 255) && within(c & 255, colour & 255))
            ++count;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return count;
}

int memoryBench(const std::wstring& exe, const std::wstring& folder) {
    if (!startProgram(exe, L"\"" + folder + L"\" -noslide -notransitions -noautorefresh")) return 1;
    HWND main = waitForWindow(L"Glimvue", 60000);
    if (!main) return 2;
    Sleep(8000);  // the build of the exhibit ends and the program settles
    const double before = workingSetMb(), beforePrivate = privateMb();
    PostMessageW(main, WM_COMMAND, 1171, 0);
    HWND catalog = waitForWindow(L" - Glimvue Catalog", 30000);
    if (!catalog) return 3;
    HWND list = listOf(catalog);
    Sleep(3000);
    const long long count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    const double opened = workingSetMb(), openedPrivate = privateMb();
    const double start = nowMs();
    for (long long i = 0; i < count; i += 8) {
        SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(i), FALSE);
        if (i % 400 == 0) SendMessageTimeoutW(list, LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, nullptr);
    }
    SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE);
    Sleep(3000);
    const double scrolled = workingSetMb(), scrolledPrivate = privateMb();
    std::printf("entries in the Catalog: %lld (scrolled through in %.1f s)\n", count, (nowMs() - start) / 1000.0);
    std::printf("working set MB: before %.1f, opened %.1f, scrolled %.1f; largest difference %.1f\n", before, opened,
                scrolled, std::max({before, opened, scrolled}) - std::min({before, opened, scrolled}));
    std::printf("private bytes MB: before %.1f, opened %.1f, scrolled %.1f\n", beforePrivate, openedPrivate,
                scrolledPrivate);
    endProgram();
    return 0;
}

// A uniform picture of one colour, saved as JPEG.
bool writeJpeg(const std::wstring& path, int width, int height, unsigned colour) {
    const int stride = width * 4;
    std::vector<unsigned> pixels(static_cast<size_t>(width) * height, 0xFF000000u | colour);
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, stride, PixelFormat32bppARGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return false;
    CLSID encoder{};
    const bool saved = jpegEncoder(encoder) && gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    return saved;
}

// What one decoding thread does for one thumbnail: decode, scale into 100 x 66.
double oneDecodeMs(const std::wstring& file) {
    const double start = nowMs();
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(file.c_str(), &image) != Gdiplus::Ok) return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -66, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    Gdiplus::GpGraphics* graphics = nullptr;
    gp::GdipCreateFromHDC(dc, &graphics);
    gp::GdipDrawImageRectI(graphics, image, 0, 0, 100, 66);
    gp::GdipDeleteGraphics(graphics);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    gp::GdipDisposeImage(image);
    return nowMs() - start;
}

int pageBench(const std::wstring& exe, int count) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"catalog-page-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    const unsigned colour = 0x3366CC;
    const std::wstring first = folder + L"\\photo00.jpg";
    if (!writeJpeg(first, 6000, 4000, colour)) return 4;
    for (int i = 1; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\photo%02d.jpg", i);
        CopyFileW(first.c_str(), (folder + name).c_str(), FALSE);
    }
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<double> decodes;
    for (int i = 0; i < 3; ++i) decodes.push_back(oneDecodeMs(first));

    if (!startProgram(exe, L"\"" + folder + L"\" -noslide -notransitions")) return 1;
    HWND main = waitForWindow(L"Glimvue", 60000);
    if (!main) return 2;
    Sleep(3000);
    const double start = nowMs();
    PostMessageW(main, WM_COMMAND, 1171, 0);
    HWND catalog = waitForWindow(L" - Glimvue Catalog", 30000);
    if (!catalog) return 3;
    HWND list = listOf(catalog);
    SetForegroundWindow(catalog);
    const long perThumbnail = 100 * 66;
    double worstAnswer = 0;
    int presses = 0;
    double done = 0;
    while (nowMs() - start < 600000) {
        if (countColour(list, colour) >= static_cast<long>(count) * perThumbnail * 9 / 10) {
            done = nowMs() - start;
            break;
        }
        // A key press while the page decodes: how long until the list has moved its focus.
        if (presses < 10) {
            const int before = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
            const double pressed = nowMs();
            PostMessageW(list, WM_KEYDOWN, before % 2 == 0 ? VK_RIGHT : VK_LEFT, 0);
            int now = before;
            while (now == before && nowMs() - pressed < 5000)
                now = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
            worstAnswer = std::max(worstAnswer, nowMs() - pressed);
            ++presses;
        }
        Sleep(50);
    }
    const double bound = 1.3 * minimum(decodes) * count / cores;
    std::printf("one decode (6000 x 4000 JPEG to a 100 x 66 thumbnail): %.0f ms (min of 3), cores %u\n",
                minimum(decodes), cores);
    std::printf("page of %d thumbnails drawn in %.0f ms (from the command, window opening included); "
                "bound 1.3 x decode x items / cores = %.0f ms; ratio %.2f\n",
                count, done, bound, done > 0 ? done / (minimum(decodes) * count / cores) : 0.0);
    std::printf("key presses during the decoding: %d, slowest answered in %.1f ms\n", presses, worstAnswer);
    endProgram();
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\photo%02d.jpg", i);
        DeleteFileW((folder + name).c_str());
    }
    RemoveDirectoryW(folder.c_str());
    return done > 0 ? 0 : 5;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: catalog_bench GLIMVUE_EXE memory FOLDER | page [COUNT]\n");
        return 2;
    }
    const std::wstring mode = argv[2];
    if (mode == L"memory" && argc > 3) return memoryBench(argv[1], argv[3]);
    if (mode == L"page") return pageBench(argv[1], argc > 3 ? _wtoi(argv[3]) : 12);
    return 2;
}
