#include <windows.h>

#include "e2e/harness.h"

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
