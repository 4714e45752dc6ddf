#include "find_dialog.h"

#include <windows.h>

#include <string>
#include <vector>

#include "core/command_ids.h"

namespace {

struct FindDialogContext {
    FindState* find;
    const LanguageTable* language;
};

// A translation that came out empty keeps the template's English text.
void setTextFromTable(HWND window, const LanguageTable& language, int number) {
    const std::wstring& text = language.dialogText(number);
    if (!text.empty()) SetWindowTextW(window, text.c_str());
}

std::wstring editText(HWND dialog) {
    const HWND edit = GetDlgItem(dialog, IDC_EDIT);
    const int length = GetWindowTextLengthW(edit);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextW(edit, buffer.data(), length + 1);
    return clipSearchText(std::wstring_view(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0));
}

void finish(HWND dialog, FindMode mode) {
    auto* context = reinterpret_cast<FindDialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (context && mode != FindMode::Cancelled) {
        context->find->searchText = editText(dialog);
        context->find->matchNameOnly = IsDlgButtonChecked(dialog, IDC_FIND_NAMEONLY) == BST_CHECKED;
        context->find->matchCase = IsDlgButtonChecked(dialog, IDC_FIND_CASE) == BST_CHECKED;
    }
    EndDialog(dialog, static_cast<INT_PTR>(mode));
}

INT_PTR CALLBACK findDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* context = reinterpret_cast<FindDialogContext*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
            const LanguageTable& language = *context->language;
            setTextFromTable(dialog, language, 20);
            setTextFromTable(GetDlgItem(dialog, IDC_FIND_NAMEONLY), language, 21);
            setTextFromTable(GetDlgItem(dialog, IDC_FIND_CASE), language, 22);
            setTextFromTable(GetDlgItem(dialog, IDC_FIND_FIND), language, 23);
            setTextFromTable(GetDlgItem(dialog, IDC_FIND_FILTER), language, 24);
            setTextFromTable(GetDlgItem(dialog, IDC_FIND_EXCLUDE), language, 25);
            SendDlgItemMessageW(dialog, IDC_EDIT, EM_SETLIMITTEXT, kMaxSearchChars, 0);
            SetDlgItemTextW(dialog, IDC_EDIT, clipSearchText(context->find->searchText).c_str());
            CheckDlgButton(dialog, IDC_FIND_NAMEONLY, context->find->matchNameOnly ? BST_CHECKED : BST_UNCHECKED);
            CheckDlgButton(dialog, IDC_FIND_CASE, context->find->matchCase ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;  // focus to the text box, its text selected
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_FIND_FIND: finish(dialog, FindMode::Find); return TRUE;
                case IDC_FIND_FILTER:
                case IDOK: finish(dialog, FindMode::Filter); return TRUE;
                case IDC_FIND_EXCLUDE: finish(dialog, FindMode::Exclude); return TRUE;
                case IDCANCEL: finish(dialog, FindMode::Cancelled); return TRUE;
            }
            break;
        case WM_CLOSE:
            finish(dialog, FindMode::Cancelled);
            return TRUE;
    }
    return FALSE;
}

}  // namespace

FindMode runFindDialog(HINSTANCE instance, HWND owner, FindState& find, const LanguageTable& language) {
    FindDialogContext context{&find, &language};
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FIND), owner, findDialogProc,
                                           reinterpret_cast<LPARAM>(&context));
    switch (result) {
        case static_cast<INT_PTR>(FindMode::Find): return FindMode::Find;
        case static_cast<INT_PTR>(FindMode::Filter): return FindMode::Filter;
        case static_cast<INT_PTR>(FindMode::Exclude): return FindMode::Exclude;
        default: return FindMode::Cancelled;
    }
}
