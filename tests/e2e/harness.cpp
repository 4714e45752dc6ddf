#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include "e2e/harness.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ini_file.h"
#include "win_handles.h"
#include "text.h"

namespace e2e {

namespace fs = std::filesystem;
namespace gp = Gdiplus::DllExports;

namespace {

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring textOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

// The first top-level window of the process that accept() takes.
HWND findWindow(DWORD processId, const std::function<bool(HWND)>& accept) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && accept(window)) return window;
    }
    return nullptr;
}

// A dialog-class window of the program, owned by its hidden "Glimvue" window or not.
bool isDialog(HWND window, bool ownedByProgram) {
    HWND owner = GetWindow(window, GW_OWNER);
    return IsWindowVisible(window) && className(window) == L"#32770" &&
           (owner && className(owner) == L"Glimvue") == ownedByProgram;
}

// The imaging library is started once for the test process and left running.
bool startImaging() {
    static const wintest::Imaging* imaging = new wintest::Imaging;  // never shut down
    return imaging->ok();
}

}  // namespace

bool waitFor(const std::function<bool()>& condition, int timeoutMs, int pollMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
}

::testing::AssertionResult becomes(const std::function<bool()>& condition,
                                   const std::function<std::string()>& describe, int timeoutMs) {
    if (waitFor(condition, timeoutMs)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << describe();
}

std::string utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : toUtf16(text)) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

std::wstring textOfUtf16File(const std::string& bytes) {  // after the byte-order mark
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return fromUtf16(units);
}

std::vector<std::wstring> linesOfUtf16File(const std::string& bytes) {
    const std::wstring text = textOfUtf16File(bytes);
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string bmpBytes(int width, int height, unsigned colour) {
    const unsigned rowBytes = (static_cast<unsigned>(width) * 3 + 3) & ~3u, imageBytes = rowBytes * height;
    std::string bytes = "BM";
    auto put = [&bytes](unsigned value, int count) {
        for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(value >> (8 * i)));
    };
    put(54 + imageBytes, 4), put(0, 4), put(54, 4), put(40, 4), put(width, 4), put(height, 4), put(1, 2);
    put(24, 2), put(0, 4), put(imageBytes, 4);
    bytes.append(16, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) put(colour, 3);
        bytes.append(rowBytes - static_cast<unsigned>(width) * 3, '\0');
    }
    return bytes;
}

std::string jpegBytes(int width, int height, unsigned leftColour, unsigned rightColour, int exifOrientation) {
    if (!startImaging() || width <= 0 || height <= 0) return {};
    std::vector<UINT32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<int>(i % static_cast<size_t>(width)) < width / 2 ? leftColour : rightColour;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppRGB,
                                      reinterpret_cast<BYTE*>(pixels.data()), &bitmap) != Gdiplus::Ok)
        return {};
    const CLSID jpegEncoder = {0x557CF401, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    const TempFolder scratch(L"jpeg");
    const bool saved = gp::GdipSaveImageToFile(bitmap, scratch.file(L"x.jpg").c_str(), &jpegEncoder, nullptr) ==
                       Gdiplus::Ok;
    gp::GdipDisposeImage(bitmap);
    std::string bytes = saved ? readBytes(scratch.file(L"x.jpg")) : "";
    if (bytes.rfind("\xFF\xD8", 0) != 0) return {};
    if (exifOrientation >= 1 && exifOrientation <= 8) {
        // APP1: "Exif", a little-endian TIFF header and one IFD holding only tag 0x0112 (SHORT).
        std::string exif("\xFF\xE1\x00\x22" "Exif\0\0" "II\x2A\0\x08\0\0\0" "\x01\0" "\x12\x01\x03\0\x01\0\0\0"
                         "?\0\0\0" "\0\0\0\0", 36);
        exif[28] = static_cast<char>(exifOrientation);
        bytes.insert(2, exif);
    }
    return bytes;
}

int imagingOrientation(const std::wstring& path) {
    Gdiplus::GpImage* image = nullptr;
    if (!startImaging() || gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok) return 0;
    int orientation = 0;
    UINT size = 0;
    std::uint64_t block[16];
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(block);
    if (gp::GdipGetPropertyItemSize(image, 0x0112, &size) == Gdiplus::Ok && size <= sizeof block &&
        gp::GdipGetPropertyItem(image, 0x0112, size, item) == Gdiplus::Ok && item->length >= 2 && item->value)
        orientation = *static_cast<const unsigned short*>(item->value);
    gp::GdipDisposeImage(image);
    return orientation;
}

SIZE clientSize(HWND window) {
    RECT r{};
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

HWND statusBarOf(HWND window) { return FindWindowExW(window, nullptr, STATUSCLASSNAMEW, nullptr); }
int statusBarHeight(HWND window) {
    RECT r{};
    if (HWND bar = statusBarOf(window)) GetWindowRect(bar, &r);
    return r.bottom - r.top;
}

unsigned screenColourAt(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(pixel) << 16) | (GetGValue(pixel) << 8) | GetBValue(pixel);
}

bool coloursMatch(unsigned a, unsigned b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

std::wstring windowTexts(HWND window) {
    std::wstring texts = textOf(window) + L"\n";
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        texts += textOf(child) + L"\n";
    return texts;
}

void pressKey(WORD key, bool shift) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD vk, DWORD flags) {
        inputs.push_back({INPUT_KEYBOARD});
        inputs.back().ki.wVk = vk;
        inputs.back().ki.dwFlags = flags;
    };
    if (shift) add(VK_SHIFT, 0);
    add(key, 0);
    add(key, KEYEVENTF_KEYUP);
    if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void rightClickAt(POINT screenPoint) {
    SetCursorPos(screenPoint.x, screenPoint.y);
    waitFor([&] {
        POINT now{};
        return GetCursorPos(&now) && now.x == screenPoint.x && now.y == screenPoint.y;
    }, 2000);
    INPUT inputs[2] = {{INPUT_MOUSE}, {INPUT_MOUSE}};
    inputs[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

std::vector<unsigned> screenPixels(const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    std::vector<unsigned> pixels;
    if (width <= 0 || height <= 0) return pixels;
    BITMAPINFO info = topDownDib32(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        const auto* data = static_cast<const unsigned*>(bits);
        pixels.assign(data, data + static_cast<size_t>(width) * height);
        for (unsigned& pixel : pixels) pixel &= 0xFFFFFF;
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

Glimvue::Glimvue() : TempFolder(L"glimvue-e2e") {
    // The build gives a Unix path; Wine shows the Unix root as drive Z:.
    std::wstring exe = fromUtf8(std::getenv("GLIMVUE_EXE") ? std::getenv("GLIMVUE_EXE") : "");
    if (!exe.empty() && exe[0] == L'/') exe = L"Z:" + fs::path(exe).make_preferred().wstring();
    CopyFileW(exe.c_str(), file(L"Glimvue.exe").c_str(), FALSE);
}

Glimvue::~Glimvue() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
}

bool Glimvue::start(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + file(L"Glimvue.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, path().c_str(), &startup,
                          &process_) != 0;
}

HWND Glimvue::waitForMainWindow(int timeoutMs) {
    waitFor([this] {
        return (main_ = findWindow(process_.dwProcessId, [](HWND w) { return isDialog(w, true); })) != nullptr;
    }, timeoutMs);
    return main_;
}

HWND Glimvue::findMessageBox() const {
    return findWindow(process_.dwProcessId, [](HWND w) { return isDialog(w, false); });
}
std::vector<HWND> Glimvue::popupMenus() const {
    std::vector<HWND> menus;
    // Top-level windows come in z-order: the newest menu is above the one it opened from.
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"#32768", nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_.dwProcessId && IsWindowVisible(window)) menus.push_back(window);
    }
    return menus;
}
bool Glimvue::hasVisibleWindow() const {
    return findWindow(process_.dwProcessId, [](HWND window) { return IsWindowVisible(window) != 0; }) != nullptr;
}
void Glimvue::postCommand(int command) const { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0); }
std::wstring Glimvue::caption() const { return textOf(main_); }

::testing::AssertionResult Glimvue::captionBecomes(const std::wstring& want, int timeoutMs) const {
    return becomes([&] { return caption() == want; },
                   [&] { return "caption " + toUtf8(caption()) + ", expected " + toUtf8(want); }, timeoutMs);
}

Settings Glimvue::savedSettings(const std::wstring& name) const {
    Settings settings;
    IniFile ini;
    EXPECT_TRUE(ini.open(file(name), IniFile::Read)) << "no readable " << toUtf8(name);
    EXPECT_EQ(ini.encoding(), IniTextEncoding::Utf16LE);
    readAllSections(ini, settings);
    return settings;
}

std::wstring Glimvue::statusText(int part) const { return statusTextOf(statusBarOf(main_), part); }

HWND Glimvue::findWindowOf(const std::function<bool(HWND)>& accept) const {
    return findWindow(process_.dwProcessId, [&](HWND w) { return IsWindowVisible(w) && accept(w); });
}

HWND Glimvue::findCatalog() const {
    const std::wstring suffix = L" - Glimvue Catalog";
    return findWindowOf([&](HWND w) {
        const std::wstring title = textOf(w);
        return className(w) == L"#32770" && title.size() >= suffix.size() &&
               title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0;
    });
}

HWND Glimvue::waitForCatalog(int timeoutMs) const {
    HWND catalog = nullptr;
    waitFor([&] { return (catalog = findCatalog()) != nullptr; }, timeoutMs);
    return catalog;
}

LRESULT Glimvue::sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data, size_t size) const {
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return 0;
    DWORD_PTR result = 0;
    if (WriteProcessMemory(process_.hProcess, remote, data, size, nullptr)) {
        SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &result);
        ReadProcessMemory(process_.hProcess, remote, data, size, nullptr);
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return static_cast<LRESULT>(result);
}

std::wstring Glimvue::statusTextOf(HWND bar, int part) const {
    // The control writes into the program's own memory; a generous buffer there is read back.
    constexpr SIZE_T kUnits = 32768;
    void* remote = bar ? VirtualAllocEx(process_.hProcess, nullptr, kUnits * 2, MEM_COMMIT, PAGE_READWRITE) : nullptr;
    if (!remote) return {};
    DWORD_PTR length = 0;
    std::wstring text;
    auto send = [&](UINT message, LPARAM buffer) {
        return SendMessageTimeoutW(bar, message, part, buffer, SMTO_ABORTIFHUNG, 5000, &length) &&
               LOWORD(length) < kUnits;
    };
    if (send(SB_GETTEXTLENGTHW, 0) && send(SB_GETTEXTW, reinterpret_cast<LPARAM>(remote))) {
        text.resize(LOWORD(length));
        if (!ReadProcessMemory(process_.hProcess, remote, text.data(), text.size() * 2, nullptr)) text.clear();
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return text;
}

bool Glimvue::close(int timeoutMs) {
    if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
    return waitForExit(timeoutMs);
}
bool Glimvue::waitForExit(int timeoutMs) {
    return process_.hProcess && WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}
DWORD Glimvue::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_.hProcess) GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

}  // namespace e2e
