// The Find/Filter dialog, driven through its owner window while it runs modally.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "core/command_ids.h"
#include "core/language_table.h"
#include "exhibit/find_dialog.h"

namespace {

const std::function<void(HWND)>* driver = nullptr;
int idleTurns = 0;

// The hidden owner hears WM_ENTERIDLE once the dialog waits for input and runs the driver on it; a
// dialog still open after ten seconds is cancelled, so a failing test cannot hang.
LRESULT CALLBACK drivingOwner(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX && idleTurns++ == 0) {
        const HWND dialog = reinterpret_cast<HWND>(lParam);
        SetTimer(dialog, 1, 10000, [](HWND d, UINT, UINT_PTR, DWORD) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); });
        (*driver)(dialog);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

FindMode runDriven(FindState& find, const LanguageTable& language, const std::function<void(HWND)>& drive) {
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(drivingOwner));
    driver = &drive;
    idleTurns = 0;
    const FindMode mode = runFindDialog(GetModuleHandleW(nullptr), owner, find, language);
    DestroyWindow(owner);
    EXPECT_GT(idleTurns, 0) << "the dialog did not wait for input";
    return mode;
}

void click(HWND dialog, int control) { SendMessageW(GetDlgItem(dialog, control), BM_CLICK, 0, 0); }

// Changes the text and both options without confirming them.
void change(HWND dialog) {
    SetDlgItemTextW(dialog, IDC_EDIT, L"changed");
    click(dialog, IDC_FIND_NAMEONLY);
    click(dialog, IDC_FIND_CASE);
}

TEST(FindDialog, ShowsTranslatedTextsAndStoresOnlyWhatAButtonConfirmsCutTo79) {
    const std::wstring path = std::filesystem::temp_directory_path() / L"glimvue_find_dialog_test.lang.ini";
    const std::wstring lines = L"\xFEFF[Dialogs]\r\nFind/Filter=Suchen\r\nMatch file&name only=Nur &Name\r\n"
                               L"Match &case=&Gro\u00DF/klein\r\n&Find=&Suchen\r\nFilter=Sieben\r\nE&xclude=&Ohne\r\n";
    std::ofstream(path.c_str(), std::ios::binary).write(reinterpret_cast<const char*>(lines.data()), lines.size() * 2);
    LanguageTable german;
    german.loadLanguage(path);
    DeleteFileW(path.c_str());
    struct Step { std::function<void(HWND)> drive; FindMode mode; std::wstring text; bool nameOnly, matchCase; };
    const Step steps[] = {
        {[](HWND dialog) {  // opens with the state, translated; Cancel, Esc and the close box keep the state
             std::wstring texts;
             for (int id : {0, IDC_EDIT, IDC_FIND_NAMEONLY, IDC_FIND_CASE, IDC_FIND_FIND, IDC_FIND_FILTER,
                            IDC_FIND_EXCLUDE}) {
                 wchar_t text[256] = {};
                 GetWindowTextW(id ? GetDlgItem(dialog, id) : dialog, text, 256);
                 texts += std::wstring(text) + L"|";
             }
             EXPECT_EQ(texts, L"Suchen|beach|Nur &Name|&Gro\u00DF/klein|&Suchen|Sieben|&Ohne|");
             change(dialog);
             SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
         }, FindMode::Cancelled, L"beach", false, true},
        {[](HWND dialog) {  // typing stops at 79 characters; Enter in the text box is Filter, the default button
             SetDlgItemTextW(dialog, IDC_EDIT, L"");
             for (int i = 0; i < 100; ++i) SendDlgItemMessageW(dialog, IDC_EDIT, WM_CHAR, L'y', 1);
             EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(dialog, IDC_EDIT)), 79);
             click(dialog, IDC_FIND_NAMEONLY);
             PostMessageW(GetDlgItem(dialog, IDC_EDIT), WM_KEYDOWN, VK_RETURN, 1);
         }, FindMode::Filter, std::wstring(79, L'y'), true, true},
        {[](HWND dialog) {  // a longer text put in another way is cut when read
             SetDlgItemTextW(dialog, IDC_EDIT, std::wstring(100, L'z').c_str());
             click(dialog, IDC_FIND_CASE);
             click(dialog, IDC_FIND_FIND);
         }, FindMode::Find, std::wstring(79, L'z'), true, false},
        {[](HWND dialog) {
             SetDlgItemTextW(dialog, IDC_EDIT, L"sunset");
             click(dialog, IDC_FIND_NAMEONLY);
             click(dialog, IDC_FIND_EXCLUDE);
         }, FindMode::Exclude, L"sunset", false, false},
        {[](HWND d) { change(d); PostMessageW(GetDlgItem(d, IDC_EDIT), WM_KEYDOWN, VK_ESCAPE, 1); },
         FindMode::Cancelled, L"sunset", false, false},
        {[](HWND d) { change(d); SendMessageW(d, WM_SYSCOMMAND, SC_CLOSE, 0); }, FindMode::Cancelled, L"sunset",
         false, false},
    };
    FindState find{L"beach", false, true};
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(runDriven(find, i == 0 ? german : LanguageTable(), steps[i].drive), steps[i].mode) << "step " << i;
        EXPECT_EQ(find.searchText, steps[i].text) << "step " << i;
        EXPECT_EQ(find.matchNameOnly, steps[i].nameOnly) << "step " << i;
        EXPECT_EQ(find.matchCase, steps[i].matchCase) << "step " << i;
    }
}

}  // namespace
