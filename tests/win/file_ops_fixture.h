// Helpers for the file-operation tests: a private folder tree with snapshots of every file in it,
// a stand-in for the message box routine that records and answers, a thread that answers the
// platform's own dialogs, and access to the host system beneath Wine for the faults that need it
// (a full drive, a folder nothing may be created in).
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "core/language_table.h"
#include "fileops/file_operations.h"

namespace fileops_test {

inline std::string readFile(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<unreadable>";
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
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

inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Content that differs from file to file, so that a wrong copy cannot pass for the right one.
inline std::string content(const std::string& seed, size_t size = 3000) {
    std::string bytes;
    bytes.reserve(size);
    unsigned state = 2166136261u;
    for (char c : seed) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        bytes += static_cast<char>(state >> 16);
    }
    return bytes;
}

// The host path of a Windows path (through Wine's own export); empty outside Wine.
inline std::wstring hostPath(const std::wstring& path) {
    using ToHost = char*(CDECL*)(LPCWSTR);
    auto toHost = reinterpret_cast<ToHost>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!toHost) return {};
    char* host = toHost(path.c_str());
    if (!host) return {};
    std::wstring result;
    for (const char* c = host; *c; ++c) result += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    HeapFree(GetProcessHeap(), 0, host);
    while (result.size() > 1 && result.back() == L'/') result.pop_back();
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
        if (GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        const std::string status = readFile(done);
        DeleteFileW(done.c_str());
        return std::atoi(status.c_str());
    }
    return -1;
}

// The Windows path of a host path.
inline std::wstring windowsPathOfHost(const std::string& host) {
    using ToDos = WCHAR*(CDECL*)(LPCSTR);
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_dos_file_name")));
    if (!toDos) return {};
    WCHAR* dos = toDos(host.c_str());
    if (!dos) return {};
    std::wstring result = dos;
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

inline void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        const std::wstring name = found.cFileName, child = path + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            removeTree(child);
        } else {
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(child.c_str());
        }
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    RemoveDirectoryW(path.c_str());
}

// A private folder tree under the temporary folder.
class Tree {
public:
    Tree() {
        static int counter = 0;
        wchar_t base[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, base);
        wchar_t longBase[MAX_PATH + 1] = {};
        GetLongPathNameW(base, longBase, MAX_PATH);
        root_ = std::wstring(longBase) + L"gvf-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~Tree() { removeTree(root_); }
    Tree(const Tree&) = delete;

    const std::wstring& root() const { return root_; }
    std::wstring operator/(const std::wstring& relative) const { return root_ + L"\\" + relative; }
    std::wstring folder(const std::wstring& relative) const {
        const std::wstring path = *this / relative;
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }

    // Size and FNV-1a hash of a file's content, as a short text for comparisons.
    static std::string checksum(const std::string& bytes) {
        unsigned long long hash = 14695981039346656037ull;
        for (char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        char text[48];
        std::snprintf(text, sizeof text, "%zu:%016llx", bytes.size(), hash);
        return text;
    }

    // Every file below the root with its size and checksum; folders as "<folder>".
    std::map<std::wstring, std::string> snapshot() const { return snapshotOf(root_); }
    static std::map<std::wstring, std::string> snapshotOf(const std::wstring& root) {
        std::map<std::wstring, std::string> files;
        collect(root, L"", files);
        return files;
    }

private:
    static void collect(const std::wstring& path, const std::wstring& relative,
                        std::map<std::wstring, std::string>& files) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                files[relative + name] = "<folder>";
                collect(path + L"\\" + name, relative + name + L"\\", files);
            } else {
                files[relative + name] = checksum(readFile(path + L"\\" + name));
            }
        }
        if (search != INVALID_HANDLE_VALUE) FindClose(search);
    }

    std::wstring root_;
};

// Stands in for the message box routine: records every message and answers from a queue (OK when
// the queue is empty).
struct MessageLog {
    struct Shown {
        std::wstring text;
        UINT style;
    };
    std::vector<Shown> shown;
    std::deque<int> answers;

    void reset() {
        shown.clear();
        answers.clear();
    }
    std::wstring last() const { return shown.empty() ? L"<none>" : shown.back().text; }
};

// A context whose questions are answered by the log, whose folder chooser gives `chosenFolder`,
// and which counts the image releases.
struct TestContext {
    LanguageTable language;
    MessageLog messages;
    std::wstring chosenFolder;
    std::vector<std::wstring> chooserTitles;
    int releases = 0;
    FileOpContext context{nullptr, language};

    TestContext() {
        context.message = [this](const std::wstring& text, UINT style) {
            messages.shown.push_back({text, style});
            if (messages.answers.empty()) return IDOK;
            const int answer = messages.answers.front();
            messages.answers.pop_front();
            return answer;
        };
        context.releaseImage = [this] { ++releases; };
        context.chooseFolder = [this](const std::wstring& title, const std::wstring&) {
            chooserTitles.push_back(title);
            return chosenFolder;
        };
    }
};

// Answers the platform's dialogs of this process while it lives: `handle` is given each visible
// dialog window once and returns whether it dealt with it (a dialog it leaves is offered again).
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::function<bool(HWND)> handle) : handle_(std::move(handle)) {
        thread_ = std::thread([this] { run(); });
    }
    ~DialogAnswerer() {
        stop_ = true;
        thread_.join();
    }
    int answered() const { return answered_; }

    static std::wstring title(HWND window) {
        wchar_t text[512] = {};
        GetWindowTextW(window, text, 512);
        return text;
    }
    // The text of the dialog's control `id`.
    static std::wstring childText(HWND dialog, int id) {
        wchar_t text[1024] = {};
        GetDlgItemTextW(dialog, id, text, 1024);
        return text;
    }
    // Presses a button by posting its command, as a click does.
    static void press(HWND dialog, int id) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

private:
    void run() {
        while (!stop_) {
            Sleep(50);
            HWND window = nullptr;
            while ((window = FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                if (process != GetCurrentProcessId() || !IsWindowVisible(window)) continue;
                if (window == last_ && GetTickCount() - lastTime_ < 1000) continue;
                if (handle_(window)) {
                    ++answered_;
                    last_ = window;
                    lastTime_ = GetTickCount();
                }
            }
        }
    }

    std::function<bool(HWND)> handle_;
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    HWND last_ = nullptr;
    DWORD lastTime_ = 0;
    std::thread thread_;
};

}  // namespace fileops_test
