// The About box, the path-input dialog with its program browser, the background colour chooser and
// the favorites and archive folder choosers.
#include <windows.h>
#include <commdlg.h>
#include <cderr.h>
#include <shellapi.h>

#include <algorithm>

#include "app.h"
#include "command_ids.h"
#include "fileops/file_names.h"
#include "fileops/file_operations.h"
#include "glimvue_version.h"
#include "viewer.h"
#include "win_paths.h"

namespace {

// The product's web page, opened by the About box's button.
constexpr const wchar_t* kProductPage = L"https://www.quarne.example/glimvue";
constexpr size_t kMaxPathChars = MAX_PATH - 1;  // the settings' path buffers hold 260 with the terminator

#if defined(_WIN64)
constexpr const wchar_t* kVersionLine = L"Glimvue " GLIMVUE_LONG_VERSION_TEXT " (64-bit)";
#else
constexpr const wchar_t* kVersionLine = L"Glimvue " GLIMVUE_LONG_VERSION_TEXT " (32-bit)";
#endif

std::wstring controlText(HWND dialog, int control) {
    HWND edit = GetDlgItem(dialog, control);
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), length + 1)));
    return text;
}

INT_PTR CALLBACK aboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* language = reinterpret_cast<const LanguageTable*>(lParam);
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, kVersionLine);
        SetDlgItemTextW(dialog, IDC_ABOUT_LINE1, language->dialogText(32).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_LINE2, language->dialogText(33).c_str());
        SetDlgItemTextW(dialog, IDC_ABOUT_LINE3, language->dialogText(34).c_str());
        SetDlgItemTextW(dialog, IDOK, language->dialogText(35).c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            // The web page; the box stays open. A page the shell cannot open shows nothing.
            ShellExecuteW(nullptr, L"open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL);
            SetForegroundWindow(dialog);
            SetFocus(dialog);
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

// The program browser of the path dialog: an open-file dialog for .exe files starting at `path`.
// The chosen file replaces `path`; false when cancelled.
bool browseForProgram(std::wstring& path) {
    static const wchar_t filter[] = L"EXE Files (*.exe)\0*.exe\0";
    for (bool withStart : {true, false}) {
        FileDialogRequest dialog;
        dialog.filter = filter;
        dialog.filterChars = sizeof filter / sizeof filter[0];
        if (withStart) dialog.name = path;
        dialog.defaultExtension = L"exe";
        dialog.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
        dialog.open = true;
        std::wstring chosen;
        int filterIndex = 0;
        if (runFileDialog(dialog, chosen, filterIndex)) {
            path = chosen;
            return true;
        }
        // A start that is no valid file name (the setting holds arbitrary text): open without it.
        if (!withStart || CommDlgExtendedError() != FNERR_INVALIDFILENAME) return false;
    }
    return false;
}

struct PathRequest {
    int kind;            // 18 Image Viewer, 19 File Manager: the caption
    std::wstring path;   // the setting being edited
    const LanguageTable* language;
};

INT_PTR CALLBACK pathDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* request = reinterpret_cast<PathRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        request = reinterpret_cast<PathRequest*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        if (request->kind == 18 || request->kind == 19)
            SetWindowTextW(dialog, request->language->dialogText(request->kind).c_str());
        SetDlgItemTextW(dialog, IDOK, request->language->dialogText(0).c_str());
        SendDlgItemMessageW(dialog, IDC_EDIT, EM_SETLIMITTEXT, kMaxPathChars, 0);
        SetDlgItemTextW(dialog, IDC_EDIT, request->path.c_str());
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BROWSE: {
            // The edit shows the setting again afterwards, chosen or not: typed text is replaced.
            std::wstring chosen = request->path;
            if (browseForProgram(chosen) && chosen.size() <= kMaxPathChars) request->path = chosen;
            SetDlgItemTextW(dialog, IDC_EDIT, request->path.c_str());
            return TRUE;
        }
        case IDOK: {
            std::wstring text = controlText(dialog, IDC_EDIT);
            if (text.size() > kMaxPathChars) text.resize(kMaxPathChars);
            request->path = text;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

void Viewer::showAboutBox() {
    DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_ABOUT), mainWindow, aboutDialogProc,
                    reinterpret_cast<LPARAM>(&language));
}

bool Viewer::askPath(int kind, std::wstring& path) {
    PathRequest request{kind, path, &language};
    if (DialogBoxParamW(app.instance, MAKEINTRESOURCEW(IDD_PATH), mainWindow, pathDialogProc,
                        reinterpret_cast<LPARAM>(&request)) != IDOK)
        return false;
    path = request.path;
    return true;
}

bool Viewer::chooseBackgroundColour() {
    CHOOSECOLORW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = mainWindow;
    dialog.rgbResult = static_cast<COLORREF>(settings.bgcolor) & 0xFFFFFF;
    dialog.lpCustColors = drawing.customColours.data();
    dialog.Flags = CC_RGBINIT;
    if (!ChooseColorW(&dialog)) return false;
    settings.bgcolor = static_cast<int32_t>(dialog.rgbResult & 0xFFFFFF);
    drawing.backgroundBrush.reset(CreateSolidBrush(dialog.rgbResult));
    InvalidateRect(mainWindow, nullptr, TRUE);
    return true;
}

std::wstring Viewer::folderSetting(FolderKind which) const {
    const std::wstring& folder = which == FolderKind::Archive ? settings.archive : settings.favorites;
    const std::wstring resolved = resolveAgainst(files.programFolder, folder);
    return resolved == folder ? folder : fullPath(resolved);
}

bool Viewer::chooseFolder(FolderKind which) {
    const std::wstring chosen = browseForFolder(
        mainWindow, language.message(which == FolderKind::Archive ? kMsgSetArchive : kMsgSetFavorites),
        folderSetting(which));
    if (chosen.empty()) return false;
    (which == FolderKind::Archive ? settings.archive : settings.favorites) = chosen;
    return true;
}
