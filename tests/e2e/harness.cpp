#include <windows.h>
#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>

#include "e2e/harness.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "text.h"

namespace e2e {

namespace {

// Paths given by the build are Unix paths; Wine shows the Unix root as drive Z:.
std::wstring windowsPathFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) return {};
    std::wstring path = fromUtf8(value);
    if (!path.empty() && path[0] == L'/') {
        for (auto& c : path)
            if (c == L'/') c = L'\\';
        path = L"Z:" + path;
    }
    return path;
}

std::wstring className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

struct WindowSearch {
    DWORD processId;
    std::function<bool(HWND)> accept;
    HWND found = nullptr;
};

BOOL CALLBACK searchWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && search->accept(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(DWORD processId, const std::function<bool(HWND)>& accept) {
    WindowSearch search{processId, accept};
    EnumWindows(searchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int uniqueCounter = 0;

namespace gp = Gdiplus::DllExports;

// The imaging library is started once for the test process and left running.
bool startImaging() {
    static const bool started = [] {
        ULONG_PTR token = 0;
        Gdiplus::GdiplusStartupInput input;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return started;
}

bool jpegEncoder(CLSID& encoder) {
    UINT count = 0, bytes = 0;
    if (gp::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || count == 0) return false;
    std::vector<std::uint64_t> block((bytes + 7) / 8);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.data());
    if (gp::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wstring(codecs[i].MimeType) == L"image/jpeg") {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// APP1 segment holding a little-endian TIFF header and one IFD with only the orientation tag.
std::string exifOrientationSegment(int orientation) {
    const unsigned char segment[] = {
        0xFF, 0xE1, 0x00, 0x22,                          // APP1, length 34
        'E', 'x', 'i', 'f', 0x00, 0x00,                  // Exif identifier
        'I', 'I', 0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,    // TIFF header, first IFD at 8
        0x01, 0x00,                                      // one entry
        0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,  // tag 0x0112, SHORT, count 1
        static_cast<unsigned char>(orientation), 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00};                         // no next IFD
    return std::string(reinterpret_cast<const char*>(segment), sizeof segment);
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

std::wstring samplesFolder() { return windowsPathFromEnvironment("GLIMVUE_SAMPLES"); }

std::wstring makeTempFolder(const std::wstring& prefix) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    for (;;) {
        std::wstring folder = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++uniqueCounter);
        if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
    }
}

void removeTree(const std::wstring& folder) {
    if (folder.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(folder), ignored);
}

std::string bmpBytes(int width, int height, unsigned colour) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const unsigned imageBytes = static_cast<unsigned>(rowBytes * height);
    std::string bytes;
    auto put16 = [&bytes](unsigned v) { bytes.push_back(static_cast<char>(v & 0xFF)); bytes.push_back(static_cast<char>((v >> 8) & 0xFF)); };
    auto put32 = [&put16](unsigned v) { put16(v & 0xFFFF); put16(v >> 16); };
    bytes += "BM";
    put32(54 + imageBytes);
    put32(0);
    put32(54);
    put32(40);
    put32(static_cast<unsigned>(width));
    put32(static_cast<unsigned>(height));
    put16(1);
    put16(24);
    put32(0);
    put32(imageBytes);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bytes.push_back(static_cast<char>(colour & 0xFF));
            bytes.push_back(static_cast<char>((colour >> 8) & 0xFF));
            bytes.push_back(static_cast<char>((colour >> 16) & 0xFF));
        }
        bytes.append(static_cast<size_t>(rowBytes - width * 3), '\0');
    }
    return bytes;
}

std::wstring makeImageFolder(const std::wstring& prefix) {
    const std::wstring folder = makeTempFolder(prefix);
    writeBytes(folder + L"\\a.bmp", bmpBytes(40, 30, 0x3366CC));
    return folder;
}

std::string jpegBytes(int width, int height, unsigned leftColour, unsigned rightColour, int exifOrientation) {
    if (!startImaging() || width <= 0 || height <= 0) return {};
    const int stride = (width * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned colour = x < width / 2 ? leftColour : rightColour;
            unsigned char* p = &pixels[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x) * 3];
            p[0] = static_cast<unsigned char>(colour & 0xFF);
            p[1] = static_cast<unsigned char>((colour >> 8) & 0xFF);
            p[2] = static_cast<unsigned char>((colour >> 16) & 0xFF);
        }
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gp::GdipCreateBitmapFromScan0(width, height, stride, PixelFormat24bppRGB, pixels.data(), &bitmap) !=
        Gdiplus::Ok)
        return {};
    std::string bytes;
    CLSID encoder{};
    IStream* stream = nullptr;
    if (jpegEncoder(encoder) && CreateStreamOnHGlobal(nullptr, TRUE, &stream) == S_OK) {
        if (gp::GdipSaveImageToStream(bitmap, stream, &encoder, nullptr) == Gdiplus::Ok) {
            STATSTG stat{};
            HGLOBAL memory = nullptr;
            if (stream->Stat(&stat, STATFLAG_NONAME) == S_OK && GetHGlobalFromStream(stream, &memory) == S_OK) {
                if (const void* data = GlobalLock(memory)) {
                    bytes.assign(static_cast<const char*>(data), static_cast<size_t>(stat.cbSize.QuadPart));
                    GlobalUnlock(memory);
                }
            }
        }
        stream->Release();
    }
    gp::GdipDisposeImage(bitmap);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xD8)
        return {};
    if (exifOrientation >= 1 && exifOrientation <= 8) bytes.insert(2, exifOrientationSegment(exifOrientation));
    return bytes;
}

int imagingOrientation(const std::wstring& path) {
    if (!startImaging()) return 0;
    Gdiplus::GpImage* image = nullptr;
    if (gp::GdipLoadImageFromFile(path.c_str(), &image) != Gdiplus::Ok) return 0;
    int orientation = 0;
    UINT size = 0;
    if (gp::GdipGetPropertyItemSize(image, 0x0112, &size) == Gdiplus::Ok && size >= sizeof(Gdiplus::PropertyItem)) {
        std::vector<std::uint64_t> block((size + 7) / 8);
        auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(block.data());
        if (gp::GdipGetPropertyItem(image, 0x0112, size, item) == Gdiplus::Ok && item->length >= 2 && item->value)
            orientation = *static_cast<const unsigned short*>(item->value);
    }
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
    HWND bar = statusBarOf(window);
    if (!bar) return 0;
    RECT r{};
    GetWindowRect(bar, &r);
    return r.bottom - r.top;
}

unsigned screenColourAt(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return (static_cast<unsigned>(GetRValue(pixel)) << 16) | (static_cast<unsigned>(GetGValue(pixel)) << 8) |
           GetBValue(pixel);
}

bool coloursMatch(unsigned a, unsigned b, int tolerance) {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (difference > tolerance || difference < -tolerance) return false;
    }
    return true;
}

std::vector<std::wstring> linesOfUtf16File(const std::string& bytes) {
    const std::wstring text = textOfUtf16File(bytes);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string readBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string toNarrow(const std::wstring& text) { return toUtf8(text); }

std::string utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : toUtf16(text)) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::wstring textOfUtf16File(const std::string& bytes) {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8)));
    return fromUtf16(units);
}

std::wstring windowTexts(HWND window) {
    std::wstring texts;
    auto append = [&texts](HWND w) {
        const int length = GetWindowTextLengthW(w);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(w, text.data(), length + 1)));
        texts += text + L"\n";
    };
    append(window);
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            (*reinterpret_cast<decltype(append)*>(data))(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&append));
    return texts;
}

Glimvue::Glimvue() {
    folder_ = makeTempFolder(L"glimvue-e2e");
    const std::wstring exe = windowsPathFromEnvironment("GLIMVUE_EXE");
    CopyFileW(exe.c_str(), file(L"Glimvue.exe").c_str(), FALSE);
}

Glimvue::~Glimvue() {
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    removeTree(folder_);
}

bool Glimvue::start(const std::wstring& arguments, const std::wstring& workingDirectory) {
    std::wstring commandLine = L"\"" + file(L"Glimvue.exe") + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    const std::wstring directory = workingDirectory.empty() ? folder_ : workingDirectory;
    return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                          &startup, &process_) != 0;
}

HWND Glimvue::waitForMainWindow(int timeoutMs) {
    waitFor(
        [this] {
            main_ = findWindow(process_.dwProcessId, [](HWND window) {
                HWND owner = GetWindow(window, GW_OWNER);
                return IsWindowVisible(window) && className(window) == L"#32770" && owner &&
                       className(owner) == L"Glimvue";
            });
            return main_ != nullptr;
        },
        timeoutMs);
    return main_;
}

HWND Glimvue::findMessageBox() const {
    return findWindow(process_.dwProcessId, [](HWND window) {
        HWND owner = GetWindow(window, GW_OWNER);
        return IsWindowVisible(window) && className(window) == L"#32770" && !(owner && className(owner) == L"Glimvue");
    });
}

bool Glimvue::hasVisibleWindow() const {
    return findWindow(process_.dwProcessId, [](HWND window) { return IsWindowVisible(window) != 0; }) != nullptr;
}

void Glimvue::postCommand(int command) const { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

std::wstring Glimvue::caption() const {
    wchar_t text[1024] = {};
    GetWindowTextW(main_, text, 1024);
    return text;
}

std::wstring Glimvue::statusText(int part) const {
    HWND bar = statusBarOf(main_);
    if (!bar || !process_.hProcess) return {};
    // The control writes into the program's own memory; a generous buffer there is read back.
    constexpr SIZE_T kUnits = 32768;
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, kUnits * sizeof(wchar_t), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (!remote) return {};
    std::wstring text;
    DWORD_PTR length = 0;
    if (SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, SMTO_ABORTIFHUNG, 5000, &length) &&
        LOWORD(length) < kUnits &&
        SendMessageTimeoutW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote),
                            SMTO_ABORTIFHUNG, 5000, &length) &&
        LOWORD(length) < kUnits) {
        text.resize(LOWORD(length));
        SIZE_T read = 0;
        if (!ReadProcessMemory(process_.hProcess, remote, text.data(), text.size() * sizeof(wchar_t), &read))
            text.clear();
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
