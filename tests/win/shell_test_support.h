// Helpers for the shell-integration tests: the imaging library, a private folder, images with a
// known pattern, the desktop's wallpaper values kept and put back, and waiting on a condition while
// the thread's messages are handled.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace shell_test {

namespace gp = Gdiplus::DllExports;

// The imaging library, started for the test's lifetime.
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

// A private folder under the temporary folder, removed with its files at the end.
class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                (L"gvshell-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
        std::error_code error;
        std::filesystem::remove_all(path_, error);
        std::filesystem::create_directories(path_, error);
    }
    ~TempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempFolder(const TempFolder&) = delete;
    std::wstring file(const std::wstring& name) const { return (path_ / name).wstring(); }
    std::wstring path() const { return path_.wstring(); }

private:
    std::filesystem::path path_;
};

inline std::string readBytes(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
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
};
// Size and file format of an image file as the imaging library decodes it; nullopt when it does not.
inline std::optional<ImageInfo> decodeInfo(const std::wstring& path) {
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok) return std::nullopt;
    ImageInfo info;
    UINT w = 0, h = 0;
    gp::GdipGetImageWidth(image, &w);
    gp::GdipGetImageHeight(image, &h);
    gp::GdipGetImageRawFormat(image, &info.format);
    gp::GdipDisposeImage(image);
    info.width = static_cast<int>(w);
    info.height = static_cast<int>(h);
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
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = w;
    request.bmiHeader.biHeight = -h;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(h), pixels.data(), &request, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != h) return {};
    for (uint32_t& p : pixels) p &= 0xFFFFFF;
    return pixels;
}

// Runs the thread's messages until the condition holds or the time is up.
inline bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The desktop's wallpaper values as they were before the test, put back after it.
class DesktopValuesKept {
public:
    static constexpr const wchar_t* kNames[] = {L"Wallpaper", L"TileWallpaper", L"WallpaperStyle", L"PrevWallpaper",
                                                 L"PrevTileWallpaper"};
    DesktopValuesKept() {
        for (const wchar_t* name : kNames) saved_[name] = read(name);
    }
    ~DesktopValuesKept() {
        for (const auto& [name, value] : saved_) {
            if (value)
                write(name.c_str(), *value);
            else
                remove(name.c_str());
        }
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

}  // namespace shell_test
