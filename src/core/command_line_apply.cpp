// Applying the command line at start-up: switches, .ini files, folders and images.
#include <windows.h>

#include "app.h"
#include "viewer.h"
#include "win_paths.h"

void Viewer::applyCommandLine(const std::vector<std::wstring>& arguments) {
    bool browse = false;
    for (const std::wstring& argument : arguments) {
        if (argument.empty() || argument[0] != L'-') {
            applyPathArgument(argument);
            continue;
        }
        const SwitchOutcome outcome = applySwitch(settings, argument);
        switch (outcome.action) {
        case SwitchAction::Translate:
            writeTranslationTemplate();  // ends the program
            return;
        case SwitchAction::Browse: browse = true; break;
        case SwitchAction::NoShell: switches.noShell = true; break;
        case SwitchAction::NoMenu: switches.noMenu = true; break;
        case SwitchAction::Landscape: switches.landscapeFilter = true; break;
        case SwitchAction::Portrait: switches.portraitFilter = true; break;
        case SwitchAction::Center: centreWindow(); break;
        case SwitchAction::Preset:
            restorePreset(outcome.value);
            settings.wrap = false;
            break;
        case SwitchAction::WallpaperStyle: applyWallpaperSwitch(outcome.value); break;
        case SwitchAction::ClearWallpaper: clearWallpaper(); break;
        case SwitchAction::None: break;
        }
    }
    if (browse) chooseExhibitRoot(false);
}

void Viewer::applyPathArgument(const std::wstring& argument) {
    const std::wstring cleaned = cleanPathArgument(argument);
    if (cleaned.empty()) return;  // an empty or blank argument names no path
    std::wstring path = fullPath(cleaned);
    if (isSettingsFileArgument(path)) {
        files.settingsPath = path;
        loadSettings();
        return;
    }
    // A trailing backslash (other than a drive root's) would double up when names are appended.
    while (path.size() > 3 && path.back() == L'\\') path.pop_back();

    // A path past the platform's limit can be neither scanned nor saved: say so (once the language
    // file has been read), and fall back to the program's folder as for a folder that does not exist.
    if (path.size() > MAX_PATH - 1) {
        switches.tooLongPath = path;
        store.exhibitRoot = files.programFolder;
        store.setCurrentPath({});
        return;
    }

    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        store.exhibitRoot = path;  // a folder, or a path that does not exist (the build then fails)
        return;
    }
    const size_t slash = path.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? path : path.substr(0, slash);
    std::wstring name = nameOnDisk(path);
    if (name.empty()) name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const bool driveRoot = folder.size() == 2 && folder[1] == L':';
    store.exhibitRoot = driveRoot ? folder + L"\\" : folder;
    store.setCurrentPath(folder + L"\\" + name);
}
