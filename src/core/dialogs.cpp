// The settings save-as dialog and the exhibit-root folder chooser.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "app.h"
#include "viewer.h"
#include "win_handles.h"

bool Viewer::chooseSettingsFile() {
    const size_t slash = files.settingsPath.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : files.settingsPath.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? files.settingsPath : files.settingsPath.substr(slash + 1);

    std::wstring buffer(32768, L'\0');
    name.copy(buffer.data(), std::min(name.size(), buffer.size() - 1));
    const std::wstring title = language.message(kMsgSaveSettings);
    static const wchar_t filter[] = L"INI File (*.ini)\0*.ini\0";

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = mainWindow;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"ini";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) return false;
    files.settingsPath = buffer.c_str();
    return true;
}

namespace {

int CALLBACK preselectFolder(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

bool Viewer::chooseExhibitRoot(bool build) {
    const std::wstring title = language.message(kMsgSetExhibitRoot);
    BROWSEINFOW browse{};
    browse.hwndOwner = mainWindow;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_BROWSEFILEJUNCTIONS;
    browse.lpfn = preselectFolder;
    browse.lParam = reinterpret_cast<LPARAM>(store.exhibitRoot.c_str());

    ShowCursor(TRUE);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring path;
    if (const CoTaskMemory chosen(SHBrowseForFolderW(&browse)); chosen) {
        std::wstring buffer(32768, L'\0');
        if (SHGetPathFromIDListEx(static_cast<PCIDLIST_ABSOLUTE>(chosen.get()), buffer.data(),
                                  static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT))
            path = buffer.c_str();
    }
    CoUninitialize();
    ShowCursor(FALSE);
    if (path.empty()) return false;  // cancelled, or a folder with no file-system path
    if (!build) {
        store.exhibitRoot = path;
        return true;
    }
    // Shift held while confirming adds the folder to the present exhibit.
    openExhibitRoot(path, GetKeyState(VK_SHIFT) < 0);
    return true;
}
