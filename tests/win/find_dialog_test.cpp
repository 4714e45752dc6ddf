// The Find/Filter dialog, driven from a second thread while it runs modally on the test thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "core/command_ids.h"
#include "core/language_table.h"
#include "exhibit/find_dialog.h"

namespace {

HWND waitForDialog(DWORD thread) {
    for (int attempt = 0; attempt < 2000; ++attempt) {  // a cold Wine prefix can take seconds
        HWND found = nullptr;
        EnumThreadWindows(
            thread,
            [](HWND window, LPARAM result) -> BOOL {
                wchar_t className[16] = {};
                GetClassNameW(window, className, 16);
                if (std::wstring(className) != L"#32770" || !IsWindowVisible(window)) return TRUE;
                *reinterpret_cast<HWND*>(result) = window;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        if (found) return found;
        Sleep(10);
    }
    return nullptr;
}

std::wstring textOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

// Runs the dialog on this thread while `drive` works it from another. A dialog the driver leaves
// open is closed after a while, so a failing test cannot hang.
FindMode runDriven(FindState& find, const LanguageTable& language, const std::function<void(HWND)>& drive) {
    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> appeared{false};
    std::thread driver([&] {
        const HWND dialog = waitForDialog(thread);
        if (!dialog) return;
        appeared = true;
        drive(dialog);
        for (int attempt = 0; attempt < 1000 && IsWindow(dialog); ++attempt) Sleep(10);
        if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const FindMode mode = runFindDialog(GetModuleHandleW(nullptr), nullptr, find, language);
    driver.join();
    EXPECT_TRUE(appeared) << "the dialog did not appear";
    return mode;
}

void click(HWND dialog, int control) { SendMessageW(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }

TEST(FindDialog, OpensWithStateAndTranslatedTexts) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"glimvue_find_dialog_test.lang.ini";
    const std::wstring content = L"\xFEFF[Dialogs]\r\nFind/Filter=Suchen\r\nMatch file&name only=Nur &Name\r\n"
                                 L"Match &case=&Gro\u00DF/klein\r\n&Find=&Suchen\r\nFilter=Sieben\r\n"
                                 L"E&xclude=&Ohne\r\n";
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    for (wchar_t unit : content) {
        const unsigned char bytes[2] = {static_cast<unsigned char>(unit & 0xFF), static_cast<unsigned char>(unit >> 8)};
        std::fwrite(bytes, 1, 2, file);
    }
    std::fclose(file);
    LanguageTable language;
    language.loadLanguage(path);
    DeleteFileW(path.c_str());
    ASSERT_EQ(language.dialogText(20), L"Suchen");

    FindState find{L"beach", false, true};
    std::wstring caption, edit, labels;
    bool nameChecked = true, caseChecked = false;
    const FindMode mode = runDriven(find, language, [&](HWND dialog) {
        caption = textOf(dialog);
        edit = textOf(GetDlgItem(dialog, IDC_EDIT));
        for (int control : {IDC_FIND_NAMEONLY, IDC_FIND_CASE, IDC_FIND_FIND, IDC_FIND_FILTER, IDC_FIND_EXCLUDE})
            labels += textOf(GetDlgItem(dialog, control)) + L"|";
        nameChecked = SendDlgItemMessageW(dialog, IDC_FIND_NAMEONLY, BM_GETCHECK, 0, 0) == BST_CHECKED;
        caseChecked = SendDlgItemMessageW(dialog, IDC_FIND_CASE, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(mode, FindMode::Cancelled);
    EXPECT_EQ(caption, L"Suchen");
    EXPECT_EQ(edit, L"beach");
    EXPECT_EQ(labels, L"Nur &Name|&Gro\u00DF/klein|&Suchen|Sieben|&Ohne|");
    EXPECT_FALSE(nameChecked);
    EXPECT_TRUE(caseChecked);
}

TEST(FindDialog, ButtonsAndEnterStoreTextAndOptions) {
    const LanguageTable language;
    FindState find;
    LRESULT defaultId = 0;
    FindMode mode = runDriven(find, language, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_EDIT, L"sunset");
        click(dialog, IDC_FIND_NAMEONLY);
        defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
        PostMessageW(GetDlgItem(dialog, IDC_EDIT), WM_KEYDOWN, VK_RETURN, 1);
    });
    EXPECT_EQ(LOWORD(defaultId), IDC_FIND_FILTER);
    EXPECT_EQ(mode, FindMode::Filter);
    EXPECT_EQ(find.searchText, L"sunset");
    EXPECT_TRUE(find.matchNameOnly);
    EXPECT_FALSE(find.matchCase);

    mode = runDriven(find, language, [&](HWND dialog) {
        click(dialog, IDC_FIND_NAMEONLY);
        click(dialog, IDC_FIND_CASE);
        SetDlgItemTextW(dialog, IDC_EDIT, L"Dune");
        click(dialog, IDC_FIND_FIND);
    });
    EXPECT_EQ(mode, FindMode::Find);
    EXPECT_EQ(find.searchText, L"Dune");
    EXPECT_FALSE(find.matchNameOnly);
    EXPECT_TRUE(find.matchCase);

    mode = runDriven(find, language, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_EDIT, L"");
        click(dialog, IDC_FIND_EXCLUDE);
    });
    EXPECT_EQ(mode, FindMode::Exclude);
    EXPECT_EQ(find.searchText, L"");
    EXPECT_TRUE(find.matchCase);
}

TEST(FindDialog, CancelEscAndCloseBoxLeaveTheStateAlone) {
    const LanguageTable language;
    const std::function<void(HWND)> closers[] = {
        [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); },
        [](HWND dialog) { PostMessageW(GetDlgItem(dialog, IDC_EDIT), WM_KEYDOWN, VK_ESCAPE, 1); },
        [](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
    };
    for (const auto& close : closers) {
        FindState find{L"keep", true, false};
        const FindMode mode = runDriven(find, language, [&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_EDIT, L"changed");
            click(dialog, IDC_FIND_NAMEONLY);
            click(dialog, IDC_FIND_CASE);
            close(dialog);
        });
        EXPECT_EQ(mode, FindMode::Cancelled);
        EXPECT_EQ(find.searchText, L"keep");
        EXPECT_TRUE(find.matchNameOnly);
        EXPECT_FALSE(find.matchCase);
    }
}

TEST(FindDialog, TextIsCutTo79Characters) {
    const LanguageTable language;
    FindState find;
    int shownLength = 0;
    FindMode mode = runDriven(find, language, [&](HWND dialog) {
        const HWND edit = GetDlgItem(dialog, IDC_EDIT);
        for (int i = 0; i < 100; ++i) SendMessageW(edit, WM_CHAR, L'a' + i % 26, 1);
        shownLength = GetWindowTextLengthW(edit);
        click(dialog, IDC_FIND_FIND);
    });
    EXPECT_EQ(mode, FindMode::Find);
    EXPECT_EQ(shownLength, 79);
    ASSERT_EQ(find.searchText.size(), 79u);
    EXPECT_EQ(find.searchText.substr(0, 3), L"abc");

    // A longer text put into the box some other way is cut when it is read.
    mode = runDriven(find, language, [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_EDIT, std::wstring(100, L'z').c_str());
        click(dialog, IDC_FIND_FILTER);
    });
    EXPECT_EQ(mode, FindMode::Filter);
    EXPECT_EQ(find.searchText, std::wstring(79, L'z'));
}

}  // namespace
