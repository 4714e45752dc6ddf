// The Find/Filter dialog, driven through its owner window while it runs modally.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>

#include "core/command_ids.h"
#include "core/language_table.h"
#include "exhibit/find_dialog.h"

namespace {

std::wstring textOf(HWND window) {
    wchar_t buffer[256] = {};
    GetWindowTextW(window, buffer, 256);
    return buffer;
}

const std::function<void(HWND)>* driver = nullptr;
WNDPROC ownerProc = nullptr;
int idleTurns = 0;
HWND drivenDialog = nullptr;

// The hidden owner: the modal loop tells it when the dialog waits for input (WM_ENTERIDLE), and the
// driver then works the dialog on this same thread. A dialog still open after about ten seconds is
// cancelled, so a failing test cannot hang.
LRESULT CALLBACK drivingOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && idleTurns++ == 0) {
        SetTimer(window, 1, 10000, nullptr);
        (*driver)(drivenDialog = reinterpret_cast<HWND>(lParam));
    }
    if (message == WM_TIMER) PostMessageW(drivenDialog, WM_COMMAND, IDCANCEL, 0);
    return CallWindowProcW(ownerProc, window, message, wParam, lParam);
}

FindMode runDriven(FindState& find, const LanguageTable& language, const std::function<void(HWND)>& drive) {
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    const LONG_PTR proc = SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(drivingOwner));
    ownerProc = reinterpret_cast<WNDPROC>(proc);
    driver = &drive;
    idleTurns = 0;
    const FindMode mode = runFindDialog(GetModuleHandleW(nullptr), owner, find, language);
    DestroyWindow(owner);
    EXPECT_GT(idleTurns, 0) << "the dialog did not wait for input";
    return mode;
}

void click(HWND dialog, int control) { SendMessageW(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }
bool checked(HWND dialog, int control) { return IsDlgButtonChecked(dialog, control) == BST_CHECKED; }

TEST(FindDialog, OpensWithStateAndTranslatedTexts) {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"glimvue_find_dialog_test.lang.ini";
    const std::wstring content = L"\xFEFF[Dialogs]\r\nFind/Filter=Suchen\r\nMatch file&name only=Nur &Name\r\n"
                                 L"Match &case=&Gro\u00DF/klein\r\n&Find=&Suchen\r\nFilter=Sieben\r\n"
                                 L"E&xclude=&Ohne\r\n";
    std::string bytes;  // UTF-16LE
    for (wchar_t unit : content) bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::ofstream(path.c_str(), std::ios::binary) << bytes;
    LanguageTable language;
    language.loadLanguage(path);
    DeleteFileW(path.c_str());

    FindState find{L"beach", false, true};
    std::wstring texts;
    bool nameChecked = true, caseChecked = false;
    const FindMode mode = runDriven(find, language, [&](HWND dialog) {
        for (HWND window : {dialog, GetDlgItem(dialog, IDC_EDIT), GetDlgItem(dialog, IDC_FIND_NAMEONLY),
                            GetDlgItem(dialog, IDC_FIND_CASE), GetDlgItem(dialog, IDC_FIND_FIND),
                            GetDlgItem(dialog, IDC_FIND_FILTER), GetDlgItem(dialog, IDC_FIND_EXCLUDE)})
            texts += textOf(window) + L"|";
        nameChecked = checked(dialog, IDC_FIND_NAMEONLY);
        caseChecked = checked(dialog, IDC_FIND_CASE);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(mode, FindMode::Cancelled);
    EXPECT_EQ(texts, L"Suchen|beach|Nur &Name|&Gro\u00DF/klein|&Suchen|Sieben|&Ohne|");
    EXPECT_FALSE(nameChecked);
    EXPECT_TRUE(caseChecked);
}

TEST(FindDialog, ButtonsStoreTheOptionsAndTheTextCutTo79AndCancellingLeavesThem) {
    std::wstring typed;
    for (int i = 0; i < 79; ++i) typed += static_cast<wchar_t>(L'a' + i % 26);
    const std::wstring cut(79, L'z');
    LRESULT defaultId = 0;
    int typedLength = 0;
    auto changeThen = [](std::function<void(HWND)> close) {
        return [close](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_EDIT, L"changed");
            click(dialog, IDC_FIND_NAMEONLY);
            click(dialog, IDC_FIND_CASE);
            close(dialog);
        };
    };
    struct Step { std::function<void(HWND)> drive; FindMode mode; std::wstring text; bool nameOnly, matchCase; };
    const Step steps[] = {
        {[&](HWND dialog) {  // Enter in the text box is Filter, the default button
             SetDlgItemTextW(dialog, IDC_EDIT, L"sunset");
             click(dialog, IDC_FIND_NAMEONLY);
             defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
             PostMessageW(GetDlgItem(dialog, IDC_EDIT), WM_KEYDOWN, VK_RETURN, 1);
         }, FindMode::Filter, L"sunset", true, false},
        {[&](HWND dialog) {  // typing stops at 79 characters
             SetDlgItemTextW(dialog, IDC_EDIT, L"");
             for (int i = 0; i < 100; ++i) SendDlgItemMessageW(dialog, IDC_EDIT, WM_CHAR, L'a' + i % 26, 1);
             typedLength = GetWindowTextLengthW(GetDlgItem(dialog, IDC_EDIT));
             click(dialog, IDC_FIND_NAMEONLY);
             click(dialog, IDC_FIND_CASE);
             click(dialog, IDC_FIND_FIND);
         }, FindMode::Find, typed, false, true},
        {[&](HWND dialog) {  // a longer text put in another way is cut when read
             SetDlgItemTextW(dialog, IDC_EDIT, std::wstring(100, L'z').c_str());
             click(dialog, IDC_FIND_EXCLUDE);
         }, FindMode::Exclude, cut, false, true},
        // Esc and the close box keep what the last use stored.
        {changeThen([](HWND dialog) { PostMessageW(GetDlgItem(dialog, IDC_EDIT), WM_KEYDOWN, VK_ESCAPE, 1); }),
         FindMode::Cancelled, cut, false, true},
        {changeThen([](HWND dialog) { SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); }), FindMode::Cancelled, cut,
         false, true},
    };
    FindState find;
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(runDriven(find, LanguageTable(), steps[i].drive), steps[i].mode) << "step " << i;
        EXPECT_EQ(find.searchText, steps[i].text) << "step " << i;
        EXPECT_EQ(find.matchNameOnly, steps[i].nameOnly) << "step " << i;
        EXPECT_EQ(find.matchCase, steps[i].matchCase) << "step " << i;
    }
    EXPECT_EQ(LOWORD(defaultId), IDC_FIND_FILTER);
    EXPECT_EQ(typedLength, 79);
}

}  // namespace
