// Find, Find Next, Filter and Exclude on the exhibit.
#include <windows.h>

#include "app.h"
#include "exhibit/find_dialog.h"
#include "viewer.h"

bool Viewer::findNext(bool afterCurrent) {
    if (exhibitSize() == 0) {
        showMessage(language.message(kMsgNoFiles), kInformation);
        return false;
    }
    if (find.searchText.empty()) return openFindDialog();
    long long match;
    {
        std::lock_guard lock(exhibitMutex);
        const size_t start = static_cast<size_t>(currentIndex) + (afterCurrent ? 1 : 0);
        match = findNextIndex(exhibit, start, find);
    }
    if (match < 0) {
        showMessage(language.message(building ? kMsgStillNoMatch : kMsgNoMatch), kInformation);
        return false;
    }
    currentIndex = static_cast<int>(match);
    return true;
}

bool Viewer::findNextAfterCurrent() { return findNext(true); }

bool Viewer::openFindDialog() {
    if (exhibitSize() == 0) {
        showMessage(language.message(kMsgNoFiles), kInformation);
        return false;
    }
    ShowCursor(TRUE);
    const FindMode mode = runFindDialog(GetModuleHandleW(nullptr), mainWindow, find, language);
    ShowCursor(FALSE);
    if (mode == FindMode::Cancelled || find.searchText.empty()) return false;
    if (!building && mode == FindMode::Filter) return filterExhibit(true);
    if (!building && mode == FindMode::Exclude) return filterExhibit(false);
    return findNext(false);
}

bool Viewer::filterExhibit(bool keepMatches) {
    Exhibit subset;
    {
        std::lock_guard lock(exhibitMutex);
        subset = filterEntries(exhibit, find, keepMatches);
    }
    // The exhibit from before the first filter is set aside; a later filter narrows further.
    if (savedExhibit.empty())
        saveExhibit();
    else if (!filterActive)
        savedIndex = currentIndex;

    std::lock_guard lock(exhibitMutex);
    exhibit = std::move(subset);
    filterActive = true;
    currentIndex = 0;
    for (size_t i = 0; i < exhibit.size(); ++i)
        if (exhibit[i].path() == currentPath) {
            currentIndex = static_cast<int>(i);
            break;
        }
    return true;
}
