// Find, Find Next, Filter and Exclude on the exhibit.
#include <windows.h>

#include "app.h"
#include "exhibit/find_dialog.h"
#include "viewer.h"

bool Viewer::findNext(bool afterCurrent) {
    if (store.size() == 0) {
        showMessage(language.message(kMsgNoFiles), kInformation);
        return false;
    }
    if (find.searchText.empty()) return openFindDialog();
    long long match;
    {
        std::lock_guard lock(store.exhibitMutex);
        const size_t start = static_cast<size_t>(store.currentIndex) + (afterCurrent ? 1 : 0);
        match = findNextIndex(store.exhibit, start, find);
    }
    if (match < 0) {
        showMessage(language.message(store.building ? kMsgStillNoMatch : kMsgNoMatch), kInformation);
        return false;
    }
    store.currentIndex = static_cast<int>(match);
    return true;
}

bool Viewer::findNextAfterCurrent() { return findNext(true); }

bool Viewer::openFindDialog() {
    if (store.size() == 0) {
        showMessage(language.message(kMsgNoFiles), kInformation);
        return false;
    }
    ShowCursor(TRUE);
    const FindMode mode = runFindDialog(GetModuleHandleW(nullptr), mainWindow, find, language);
    ShowCursor(FALSE);
    if (mode == FindMode::Cancelled || find.searchText.empty()) return false;
    if (!store.building && mode == FindMode::Filter) return filterExhibit(true);
    if (!store.building && mode == FindMode::Exclude) return filterExhibit(false);
    return findNext(false);
}

bool Viewer::filterExhibit(bool keepMatches) {
    Exhibit subset;
    {
        std::lock_guard lock(store.exhibitMutex);
        subset = filterEntries(store.exhibit, find, keepMatches);
    }
    // The exhibit from before the first filter is set aside; a later filter narrows further.
    if (store.savedExhibit.empty())
        saveExhibit();
    else if (!store.filterActive)
        store.savedIndex = store.currentIndex;

    std::lock_guard lock(store.exhibitMutex);
    store.exhibit = std::move(subset);
    store.filterActive = true;
    store.currentIndex = 0;
    for (size_t i = 0; i < store.exhibit.size(); ++i)
        if (store.exhibit[i].path() == store.currentPath) {
            store.currentIndex = static_cast<int>(i);
            break;
        }
    return true;
}
