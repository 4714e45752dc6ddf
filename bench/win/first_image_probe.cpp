// Time to first image: starts Glimvue.exe the way a user does and watches the screen.
//
//   first_image_probe.exe make-images FOLDER COUNT WIDTH HEIGHT
//       writes COUNT small JPEGs, image_1.jpg .. image_COUNT.jpg, each filled with one colour of
//       the probe's table, so a painted image is told from anything else on the screen;
//   first_image_probe.exe run GLIMVUE_EXE REPETITIONS ROOT... [-- EXTRA ARGUMENTS...]
//       per start: copies the program into a fresh temporary program folder (so it starts with
//       its defaults and its .ini and logs land there), starts it with a ROOT and the extra
//       arguments, and polls every 2 ms from CreateProcess on: when its main window is visible,
//       and when the screen pixel at that window's client centre shows one of the table's colours
//       (the first image painted). Then asks the program to close and removes the folder.
//       The roots take turns, one start each per round; the first root is the reference, and
//       each root's cost over it is the median of the differences within a round.
//   first_image_probe.exe compare REPETITIONS SUBJECTS_FILE
//       the same for any programs: each line of the UTF-8 file is a program, a tab and its
//       arguments; the first line is the reference. A program's window counts when it is the
//       Glimvue main window or a window of class "GlimvueFloor" (bench/win/floor_program.cpp).
// One unmeasured start per root comes first, so the files and Wine's own start-up are warm.
// Prints the rounds and one RESULT line per root (medians) for scripts to collect.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace gp = Gdiplus::DllExports;

#include "bench_support.h"

using namespace bench;

namespace {

// Colours of the probe's images (0xRRGGBB); none is near the program's black background.
constexpr unsigned kColours[] = {0xD04040, 0x40B040, 0x4060D0, 0xD0B030, 0xA040C0, 0x30B0B0, 0xE08020, 0x808080};
constexpr int kColourCount = static_cast<int>(sizeof(kColours) / sizeof(kColours[0]));
constexpr int kTolerance = 24;

int makeImages(const std::wstring& folder, int count, int width, int height) {
    if (count < 1 || count > kColourCount || width < 8 || width > 4000 || height < 8 || height > 4000) {
        std::fprintf(stderr, "first_image_probe: COUNT 1..%d, WIDTH and HEIGHT 8..4000\n", kColourCount);
        return 2;
    }
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
    CLSID encoder{};
    int written = 0;
    if (jpegEncoder(encoder)) {
        const int stride = (width * 3 + 3) & ~3;
        std::vector<unsigned char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
        for (int i = 0; i < count; ++i) {
            const unsigned colour = kColours[i];
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    unsigned char* p = &pixels[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3];
                    p[0] = static_cast<unsigned char>(colour & 0xFF);
                    p[1] = static_cast<unsigned char>((colour >> 8) & 0xFF);
                    p[2] = static_cast<unsigned char>((colour >> 16) & 0xFF);
                }
            }
            Gdiplus::GpBitmap* bitmap = nullptr;
            if (gp::GdipCreateBitmapFromScan0(width, height, stride, PixelFormat24bppRGB, pixels.data(), &bitmap) !=
                Gdiplus::Ok)
                break;
            const std::wstring path = folder + L"\\image_" + std::to_wstring(i + 1) + L".jpg";
            if (gp::GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Gdiplus::Ok) ++written;
            gp::GdipDisposeImage(bitmap);
        }
    }
    Gdiplus::GdiplusShutdown(token);
    if (written != count) {
        std::fprintf(stderr, "first_image_probe: wrote %d of %d images\n", written, count);
        return 1;
    }
    return 0;
}

bool isImageColour(COLORREF pixel) {
    if (pixel == CLR_INVALID) return false;
    const int r = GetRValue(pixel), g = GetGValue(pixel), b = GetBValue(pixel);
    for (unsigned colour : kColours) {
        const int cr = static_cast<int>((colour >> 16) & 0xFF), cg = static_cast<int>((colour >> 8) & 0xFF),
                  cb = static_cast<int>(colour & 0xFF);
        if (std::abs(r - cr) <= kTolerance && std::abs(g - cg) <= kTolerance && std::abs(b - cb) <= kTolerance)
            return true;
    }
    return false;
}

std::wstring classNameOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

struct WindowSearch {
    DWORD processId;
    HWND found;
};

// The program's main window: a visible dialog of the process owned by its hidden "Glimvue" window.
HWND findMainWindow(DWORD processId) {
    WindowSearch search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window)) return TRUE;
            HWND ownerWindow = GetWindow(window, GW_OWNER);
            if ((classNameOf(window) == L"#32770" && ownerWindow && classNameOf(ownerWindow) == L"Glimvue") ||
                classNameOf(window) == L"GlimvueFloor") {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring makeTempFolder() {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    static unsigned serial = 0;
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::wstring folder = std::wstring(base) + L"glimvue-first-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-" + std::to_wstring(serial++);
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    }
    return {};
}

void removeFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW item;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &item);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = item.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeFolder(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &item));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

struct Start {
    double windowMs = -1;  // until the main window was visible
    double imageMs = -1;   // until the client centre showed an image colour
    bool started = false;
    DWORD error = 0;       // why it did not start
};

Start timeOneStart(const std::wstring& exe, const std::wstring& arguments, int timeoutMs) {
    Start result;
    const std::wstring folder = makeTempFolder();
    if (folder.empty()) {
        result.error = GetLastError();
        return result;
    }
    const size_t slash = exe.find_last_of(L"\\/");
    const std::wstring program = folder + L"\\" + (slash == std::wstring::npos ? exe : exe.substr(slash + 1));
    if (!CopyFileW(exe.c_str(), program.c_str(), FALSE)) {
        result.error = GetLastError();
        removeFolder(folder);
        return result;
    }
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};

    const double start = nowMs();
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        result.error = GetLastError();
        removeFolder(folder);
        return result;
    }
    result.started = true;
    HWND window = nullptr;
    HDC screen = GetDC(nullptr);
    while (nowMs() - start < timeoutMs) {
        if (!window) {
            window = findMainWindow(process.dwProcessId);
            if (window) result.windowMs = nowMs() - start;
        }
        if (window) {
            RECT client;
            if (GetClientRect(window, &client) && client.right > 0 && client.bottom > 0) {
                POINT centre{client.right / 2, client.bottom / 2};
                ClientToScreen(window, &centre);
                if (isImageColour(GetPixel(screen, centre.x, centre.y))) {
                    result.imageMs = nowMs() - start;
                    break;
                }
            }
        }
        if (WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) break;  // ended early
    }
    ReleaseDC(nullptr, screen);

    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    removeFolder(folder);
    Sleep(200);  // let the ended process's windows go before the next start
    return result;
}

struct Subject {
    std::wstring exe, arguments;
};

// One start of each subject per round, so load that comes and goes hits every subject alike; the
// differences to and ratios over the first subject are taken within a round.
int runSubjects(const std::vector<Subject>& subjects, int repetitions) {
    for (const Subject& subject : subjects) {
        if (GetFileAttributesW(subject.exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::fprintf(stderr, "first_image_probe: no program at %s\n", utf8(subject.exe).c_str());
            return 2;
        }
    }
    constexpr int kTimeoutMs = 120000;
    const size_t n = subjects.size();
    for (const Subject& subject : subjects) timeOneStart(subject.exe, subject.arguments, kTimeoutMs);  // warm-up

    std::vector<std::vector<double>> windows(n), images(n), differences(n), ratios(n);
    std::vector<int> failures(n, 0);
    for (int r = 0; r < repetitions; ++r) {
        std::vector<double> round(n, -1);
        for (size_t i = 0; i < n; ++i) {
            const Start start = timeOneStart(subjects[i].exe, subjects[i].arguments, kTimeoutMs);
            if (!start.started || start.imageMs < 0) {
                ++failures[i];
                std::fprintf(stderr, "first_image_probe: round %d, %s %s: %s (error %lu)\n", r + 1,
                             utf8(subjects[i].exe).c_str(), utf8(subjects[i].arguments).c_str(),
                             !start.started ? "the program did not start"
                             : start.windowMs < 0 ? "no main window" : "no image painted",
                             static_cast<unsigned long>(start.error));
                continue;
            }
            windows[i].push_back(start.windowMs);
            images[i].push_back(start.imageMs);
            round[i] = start.imageMs;
        }
        std::printf("  round %2d: first image", r + 1);
        for (size_t i = 0; i < n; ++i) std::printf(" %8.1f", round[i]);
        std::printf(" ms\n");
        for (size_t i = 0; i < n; ++i) {
            if (round[0] < 0 || round[i] < 0) continue;
            differences[i].push_back(round[i] - round[0]);
            if (round[0] > 0) ratios[i].push_back(round[i] / round[0]);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        std::printf("%s %s: %zu of %d runs; median window %.1f ms, median first image %.1f ms (min %.1f), "
                    "median of per-round differences to the first %.1f ms, ratios %.2f\n",
                    utf8(subjects[i].exe).c_str(), utf8(subjects[i].arguments).c_str(), images[i].size(), repetitions,
                    median(windows[i]), median(images[i]), minimum(images[i]), median(differences[i]),
                    median(ratios[i]));
        std::printf("RESULT root=%zu runs=%zu failures=%d window_ms=%.1f image_ms=%.1f image_min_ms=%.1f "
                    "minus_first_ms=%.1f ratio=%.3f\n",
                    i, images[i].size(), failures[i], median(windows[i]), median(images[i]), minimum(images[i]),
                    median(differences[i]), median(ratios[i]));
    }
    std::fflush(stdout);
    return images[0].empty() ? 1 : 0;
}

int run(const std::wstring& exe, int repetitions, const std::vector<std::wstring>& roots, const std::wstring& extra) {
    std::vector<Subject> subjects;
    for (const std::wstring& root : roots)
        subjects.push_back({exe, L"\"" + root + L"\"" + (extra.empty() ? L"" : L" " + extra)});
    return runSubjects(subjects, repetitions);
}

// Subjects from a UTF-8 file: program, tab, arguments on each line.
int compare(int repetitions, const std::wstring& file) {
    HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "first_image_probe: cannot read %s\n", utf8(file).c_str());
        return 2;
    }
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(handle, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    CloseHandle(handle);
    std::vector<Subject> subjects;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.find('\t');
        if (line.empty() || tab == std::string::npos) continue;
        auto wide = [](const std::string& narrow) {
            std::wstring out(narrow.size(), L'\0');
            const int n = MultiByteToWideChar(CP_UTF8, 0, narrow.data(), static_cast<int>(narrow.size()), out.data(),
                                              static_cast<int>(out.size()));
            out.resize(n > 0 ? static_cast<size_t>(n) : 0);
            return out;
        };
        subjects.push_back({wide(line.substr(0, tab)), wide(line.substr(tab + 1))});
    }
    if (subjects.empty()) {
        std::fprintf(stderr, "first_image_probe: no subjects in %s\n", utf8(file).c_str());
        return 2;
    }
    return runSubjects(subjects, repetitions);
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
    if (argv) LocalFree(argv);

    if (args.size() == 5 && args[0] == L"make-images")
        return makeImages(args[1], _wtoi(args[2].c_str()), _wtoi(args[3].c_str()), _wtoi(args[4].c_str()));
    if (args.size() >= 4 && args[0] == L"run") {
        const int repetitions = _wtoi(args[2].c_str());
        std::vector<std::wstring> roots;
        std::wstring extra;
        size_t i = 3;
        for (; i < args.size() && args[i] != L"--"; ++i) roots.push_back(args[i]);
        for (++i; i < args.size(); ++i) extra += (extra.empty() ? L"" : L" ") + args[i];
        if (repetitions >= 1 && repetitions <= 100 && !roots.empty()) return run(args[1], repetitions, roots, extra);
    }
    if (args.size() == 3 && args[0] == L"compare") {
        const int repetitions = _wtoi(args[1].c_str());
        if (repetitions >= 1 && repetitions <= 100) return compare(repetitions, args[2]);
    }
    std::fprintf(stderr,
                 "usage: first_image_probe.exe make-images FOLDER COUNT WIDTH HEIGHT\n"
                 "       first_image_probe.exe run GLIMVUE_EXE REPETITIONS ROOT... [-- EXTRA ARGUMENTS...]\n"
                 "       first_image_probe.exe compare REPETITIONS SUBJECTS_FILE\n");
    return 2;
}
