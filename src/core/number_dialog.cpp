// The number-input dialog shared by the commands that ask for one number.
#include <windows.h>

#include "app.h"
#include "command_ids.h"
#include "text.h"
#include "viewer.h"

namespace {

struct NumberRequest {
    int kind;          // even dialog-string number 2..16: caption kind, hint kind + 1
    long value;        // in: shown; out: entered (unchanged when cancelled)
    const LanguageTable* language;
};

INT_PTR CALLBACK numberDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<NumberRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG: {
        request = reinterpret_cast<NumberRequest*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (request->kind >= 2 && request->kind <= 16 && request->kind % 2 == 0) {
            SetWindowTextW(dialog, request->language->dialogText(request->kind).c_str());
            SetDlgItemTextW(dialog, IDC_NUMBER_HINT, request->language->dialogText(request->kind + 1).c_str());
        }
        SetDlgItemTextW(dialog, IDOK, request->language->dialogText(0).c_str());
        SetDlgItemTextW(dialog, IDC_EDIT, std::to_wstring(request->value).c_str());
        SetFocus(GetDlgItem(dialog, IDC_EDIT));
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            const int length = GetWindowTextLengthW(GetDlgItem(dialog, IDC_EDIT));
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            text.resize(static_cast<size_t>(GetDlgItemTextW(dialog, IDC_EDIT, text.data(), length + 1)));
            request->value = static_cast<long>(parseUnsignedDigits(text));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

long Viewer::askNumber(int kind, long value) {
    NumberRequest request{kind, value, &language};
    DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_NUMBER), mainWindow, numberDialogProc,
                    reinterpret_cast<LPARAM>(&request));
    return request.value;
}
