// The settings save-as dialog and the exhibit-root folder chooser.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include "app.h"
#include "fileops/file_operations.h"
#include "viewer.h"
#include "win_handles.h"

bool Viewer::chooseSettingsFile() {
    const size_t slash = files.settingsPath.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : files.settingsPath.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? files.settingsPath : files.settingsPath.substr(slash + 1);

    static const wchar_t filter[] = L"INI File (*.ini)\0*.ini\0";
    FileDialogRequest dialog;
    dialog.owner = mainWindow;
    dialog.filter = filter;
    dialog.filterChars = sizeof filter / sizeof filter[0];
    dialog.title = language.message(kMsgSaveSettings);
    dialog.folder = folder;
    dialog.name = name;
    dialog.defaultExtension = L"ini";
    dialog.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    std::wstring chosen;
    int filterIndex = 0;
    if (!runFileDialog(dialog, chosen, filterIndex)) return false;
    files.settingsPath = chosen;
    return true;
}

bool Viewer::chooseExhibitRoot(bool build) {
    const std::wstring path =
        browseForFolder(mainWindow, language.message(kMsgSetExhibitRoot), store.exhibitRoot, BIF_BROWSEFILEJUNCTIONS);
    if (path.empty()) return false;  // cancelled, or a folder with no file-system path
    if (!build) {
        store.exhibitRoot = path;
        return true;
    }
    // Shift held while confirming adds the folder to the present exhibit.
    openExhibitRoot(path, GetKeyState(VK_SHIFT) < 0);
    return true;
}
