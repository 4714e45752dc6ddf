// Helpers for the file-operation tests: a stand-in for the message box routine that records and
// answers, and a thread that answers the platform's own dialogs.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/app.h"
#include "core/language_table.h"
#include "fileops/file_operations.h"
#include "win/win_test_support.h"

namespace fileops_test {

using namespace wintest;
using Tree = wintest::TempFolder;

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
