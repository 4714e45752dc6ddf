// What the Windows-bound and end-to-end tests share: files read and written by handle, private
// temporary folders with snapshots of what they hold, images of a known pattern, the imaging library,
// waiting while the thread's messages are handled, the desktop's wallpaper values kept and put back,
// and the host system beneath Wine for the faults that need it (a full drive, a folder nothing may be
// created in, a file removed by another program).
#pragma once

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace wintest {

namespace gp = Gdiplus::DllExports;

// Paths longer than MAX_PATH need the "\\?\" form.
inline std::wstring longForm(const std::wstring& path) {
    return path.size() < MAX_PATH - 12 ? path : L"\\\\?\\" + path;
}

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A file's bytes; empty when it cannot be read.
inline std::string readFile(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::vector<char> buffer(65536);
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
        bytes.append(buffer.data(), got);
    CloseHandle(file);
    return bytes;
}

inline bool writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

// Content that differs from file to file, so that a wrong copy cannot pass for the right one.
inline std::string content(const std::string& seed, size_t size = 3000) {
    std::string bytes;
    unsigned state = 2166136261u;
    for (char c : seed) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 16);
    }
    return bytes;
}

// Removes a folder and everything below it, read-only files and paths past MAX_PATH included
// (std::filesystem's remove_all leaves those behind under Wine).
inline void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(longForm(path + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName, child = path + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            removeTree(child);
        } else {
            SetFileAttributesW(longForm(child).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(longForm(child).c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryW(longForm(path).c_str());
}

// Size and FNV-1a hash of a file's content, as a short text for comparisons.
inline std::string checksum(const std::string& bytes) {
    unsigned long long hash = 14695981039346656037ull;
    for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char text[48];
    std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(), hash);
    return text;
}

// A private folder under the temporary folder (its long form), removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix = L"gvt") {
        static int counter = 0;
        wchar_t base[MAX_PATH + 1] = {}, longBase[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, base);
        GetLongPathNameW(base, longBase, MAX_PATH);
        path_ = std::wstring(longBase) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() { removeTree(path_); }
    TempFolder(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    const std::wstring& root() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
    std::wstring operator/(const std::wstring& name) const { return file(name); }
    // Makes a folder inside and gives its path.
    std::wstring folder(const std::wstring& name) const {
        CreateDirectoryW(file(name).c_str(), nullptr);
        return file(name);
    }

    // Every file below the folder with its checksum; folders as "<folder>".
    std::map<std::wstring, std::string> snapshot() const { return snapshotOf(path_); }
    static std::map<std::wstring, std::string> snapshotOf(const std::wstring& root, const std::wstring& prefix = L"") {
        std::map<std::wstring, std::string> files;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((root + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                files[prefix + name] = "<folder>";
                files.merge(snapshotOf(root + L"\\" + name, prefix + name + L"\\"));
            } else {
                files[prefix + name] = checksum(readFile(root + L"\\" + name));
            }
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
        return files;
    }

private:
    std::wstring path_;
};

// The built program (GLIMVUE_EXE, set by the build for every test), which the tests start as their
// decoder process.
inline std::wstring programPath() {
    wchar_t value[32768] = {};
    const DWORD length = GetEnvironmentVariableW(L"GLIMVUE_EXE", value, 32768);
    if (length == 0 || length >= 32768) return {};
    // A Unix path (the build's) is reached through Wine's drive for the root.
    std::wstring path(value, length);
    if (!path.empty() && path[0] == L'/') {
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        path = L"Z:" + path;
    }
    return path;
}

// The imaging library, started for the object's lifetime.
class Imaging {
public:
    Imaging() {
        Gdiplus::GdiplusStartupInput input;
        ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    }
    ~Imaging() {
        if (ok_) Gdiplus::GdiplusShutdown(token_);
    }
    bool ok() const { return ok_; }

private:
    ULONG_PTR token_ = 0;
    bool ok_ = false;
};

// A DDS texture (DXT1 blocks of 4 x 4 pixels) of width x height, multiples of 4, each block one
// colour (0xRRGGBB, kept exactly when its channels are 0 or 0xFF): colourOfBlock(column, row).
inline std::string ddsBytes(int width, int height, const std::function<uint32_t(int, int)>& colourOfBlock) {
    std::string bytes = "DDS ";
    auto put = [&bytes](uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    };
    const int columns = width / 4, rows = height / 4;
    // The header: size, flags (caps, height, width, pixel format, linear size), height, width,
    // linear size, depth, mipmap count, 11 reserved; the pixel format: size, FOURCC, "DXT1", 5 zeros;
    // caps (texture), 4 more.
    put(124, 4), put(0x81007, 4), put(height, 4), put(width, 4), put(columns * rows * 8, 4), put(0, 4), put(1, 4);
    for (int i = 0; i < 11; ++i) put(0, 4);
    put(32, 4), put(4, 4), bytes += "DXT1";
    for (int i = 0; i < 5; ++i) put(0, 4);
    put(0x1000, 4);
    for (int i = 0; i < 4; ++i) put(0, 4);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column) {
            const uint32_t c = colourOfBlock(column, row);
            const uint32_t rgb565 = ((c >> 19 & 0x1F) << 11) | ((c >> 10 & 0x3F) << 5) | (c >> 3 & 0x1F);
            // Colour 0, colour 1 (black), and every pixel's index 0: colour 0.
            put(rgb565, 2), put(0, 2), put(0, 4);
        }
    return bytes;
}
inline std::string ddsBytes(int width, int height, uint32_t colour) {
    return ddsBytes(width, height, [colour](int, int) { return colour; });
}

// The colour of pattern pixel (x, y): every pixel of a small image differs from its neighbours.
inline uint32_t patternColour(int x, int y) {
    return 0xFF000000u | (static_cast<uint32_t>(x * 7 % 256) << 16) | (static_cast<uint32_t>(y * 5 % 256) << 8) |
           static_cast<uint32_t>((x + y) * 3 % 256);
}

// Writes a w x h image of the pattern with the encoder for `mimeType` ("image/png", "image/bmp", ...).
inline bool writePatternImage(const std::wstring& path, int w, int h, const wchar_t* mimeType = L"image/png") {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat24bppRGB, nullptr, &bitmap) != Gdiplus::Ok) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) gp::GdipBitmapSetPixel(bitmap, x, y, patternColour(x, y));
    UINT count = 0, bytes = 0;
    gp::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<uint64_t> block((bytes + 7) / 8 + 1);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    bool saved = false;
    if (count && gp::GdipGetImageEncoders(count, bytes, codecs) == Gdiplus::Ok) {
        for (UINT i = 0; i < count; ++i)
            if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == mimeType)
                saved = gp::GdipSaveImageToFile(bitmap, path.c_str(), &codecs[i].Clsid, nullptr) == Gdiplus::Ok;
    }
    gp::GdipDisposeImage(bitmap);
    return saved;
}

struct ImageInfo {
    int width = 0, height = 0;
    GUID format{};
    uint32_t centre = 0;  // ARGB
};
// Size, file format and centre pixel of an image file as the imaging library decodes it; nullopt when
// it does not (the library must be started).
inline std::optional<ImageInfo> decodeInfo(const std::wstring& path) {
    Gdiplus::GpBitmap* image = nullptr;
    if (gp::GdipCreateBitmapFromFile(path.c_str(), &image) != Gdiplus::Ok) return std::nullopt;
    ImageInfo info;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    gp::GdipGetImageRawFormat(image, &info.format);
    Gdiplus::ARGB argb = 0;
    gp::GdipBitmapGetPixel(image, static_cast<INT>(w / 2), static_cast<INT>(h / 2), &argb);
    gp::GdipDisposeImage(image);
    info.width = static_cast<int>(w);
    info.height = static_cast<int>(h);
    info.centre = argb;
    return info;
}
inline const GUID kJpegFormat{0xb96b3cae, 0x0728, 0x11d3, {0x9d, 0x7b, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

// The pixels of a bitmap as 32-bit 0x00RRGGBB values, row by row from the top.
inline std::vector<uint32_t> bitmapPixels(HBITMAP bitmap, int& w, int& h) {
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info)) return {};
    w = info.bmWidth;
    h = info.bmHeight;
    BITMAPINFO request{};
    request.bmiHeader = {sizeof(request.bmiHeader), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(h), pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != h) return {};
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// Whether the tests run under Wine, whose shell differs from Windows in places.
inline bool underWine() { return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr; }

// The real mouse: presses and releases the left button and moves the pointer as a user's hand would.
inline void mouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &input, sizeof input);
}

// An EMF whose header claims 2e9 x 2e9 bounds and frame.
inline std::string hugeEmf() {
    std::string out(108, '\0');
    auto put = [&out](size_t at, std::uint32_t v) { for (int i = 0; i < 4; ++i) out[at + i] = char(v >> (8 * i)); };
    put(0, 1), put(4, 108), put(16, 2000000000), put(20, 2000000000), put(32, 2000000000), put(36, 2000000000);
    out.replace(40, 4, " EMF");
    put(44, 0x10000), put(48, 108), put(52, 1), put(72, 1920), put(76, 1080), put(80, 480), put(84, 270);
    return out;
}

// Handles this thread's messages until the condition holds or the time is up; true when it held.
inline bool pumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 5000) {
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
inline void pumpFor(DWORD milliseconds) { pumpUntil([] { return false; }, milliseconds); }

// The desktop's wallpaper values as they were before the test, put back after it.
class DesktopValuesKept {
public:
    static constexpr const wchar_t* kNames[] = {L"Wallpaper", L"TileWallpaper", L"WallpaperStyle", L"PrevWallpaper",
                                                 L"PrevTileWallpaper"};
    DesktopValuesKept() {
        for (const wchar_t* name : kNames) saved_[name] = read(name);
    }
    ~DesktopValuesKept() {
        for (const auto& [name, value] : saved_) value ? write(name.c_str(), *value) : remove(name.c_str());
    }
    static std::optional<std::wstring> read(const wchar_t* name) {
        wchar_t buffer[2048] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(buffer);
    }
    static void write(const wchar_t* name, const std::wstring& value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name, REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    static void remove(const wchar_t* name) { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", name); }

private:
    std::map<std::wstring, std::optional<std::wstring>> saved_;
};

// What the system says the wallpaper is.
inline std::wstring systemWallpaper() {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, buffer, 0)) return L"<failed>";
    return buffer;
}

// The host path of a Windows path (through Wine's own export); empty outside Wine.
inline std::wstring hostPath(const std::wstring& path) {
    using ToHost = char*(CDECL*)(LPCWSTR);
    auto toHost = reinterpret_cast<ToHost>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* host = toHost ? toHost(path.c_str()) : nullptr;
    if (!host) return {};
    std::wstring result;
    for (const char* c = host; *c; ++c) result += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    HeapFree(GetProcessHeap(), 0, host);
    while (result.size() > 1 && result.back() == L'/') result.pop_back();
    return result;
}

// The Windows path of a host path.
inline std::wstring windowsPathOfHost(const std::string& host) {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
    WCHAR* dos = toDos ? toDos(host.c_str()) : nullptr;
    if (!dos) return {};
    std::wstring result = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

// Runs a command of the host system (Wine starts host programs by their path) and waits for it to
// finish. Wine gives no handle to wait on for a host program, so the command leaves a file with its
// exit status when it ends. Returns the status, or -1 when it did not finish within 30 seconds.
inline int runHost(const std::wstring& command) {
    static int counter = 0;
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring done = std::wstring(folder) + L"glimvue-host-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++counter);
    const std::wstring hostDone = hostPath(done);
    if (hostDone.empty()) return -1;
    std::wstring line = L"/bin/sh -c \"(" + command + L"); echo $? > '" + hostDone + L".part' && mv '" + hostDone +
                        L".part' '" + hostDone + L"'\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return -1;
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(20)) {
        if (!exists(done)) continue;
        const std::string status = readFile(done);
        DeleteFileW(done.c_str());
        return std::atoi(status.c_str());
    }
    return -1;
}

// Where the host keeps its trash (the Recycle Bin under Wine), as a Windows path; `scratch` is a
// folder to pass the answer through. Empty outside Wine.
inline std::wstring trashFolder(const std::wstring& scratch) {
    const std::wstring host = hostPath(scratch), answer = scratch + L"\\trash-location.txt";
    if (host.empty()) return {};
    runHost(L"echo \\\"${XDG_DATA_HOME:-$HOME/.local/share}/Trash\\\" > '" + host + L"/trash-location.txt'");
    std::string location = readFile(answer);
    DeleteFileW(answer.c_str());
    while (!location.empty() && (location.back() == '\n' || location.back() == '\r')) location.pop_back();
    return location.empty() || location[0] != '/' ? std::wstring() : windowsPathOfHost(location);
}

}  // namespace wintest
