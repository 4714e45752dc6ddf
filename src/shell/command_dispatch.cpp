// Viewer::executeCommand: the guards, then one table from command identifier to action.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "command_ids.h"
#include "viewer.h"
#include "win_paths.h"

namespace {

struct CommandRow {
    CommandId id;
    void (*run)(Viewer&);
};

void toggle(bool& flag) { flag = !flag; }

// Sort commands re-order at once; key changes leave a random order as it is.
void resort(Viewer& v) {
    v.sortExhibit();
    v.refreshStatus();
}
void setSortOrder(Viewer& v, int16_t order) {
    v.settings.sort = order;
    resort(v);
}
void setSortKey(Viewer& v, int16_t key) {
    v.settings.sortby = key;
    if (v.settings.sort != 2) resort(v);
}

// Format switches rebuild the last build folder, even while a build runs (the running one stops).
void toggleFormat(Viewer& v, bool Settings::*format) {
    toggle(v.settings.*format);
    v.viewFolder(v.buildRootCopy(), false);
}

void setAutoFind(Viewer& v, int16_t kind) { v.settings.autofindtype = v.settings.autofindtype == kind ? 0 : kind; }

void viewNamedFolder(Viewer& v, const std::wstring& folder) {
    if (!v.building && !folder.empty()) v.viewFolder(folder, false);
}

void showAfterFind(Viewer& v, bool (Viewer::*find)()) {
    v.suspendSlideshow(true);
    if ((v.*find)()) v.showCurrent(true);
    v.resumeSlideshow();
}

void toggleOrientationFilter(Viewer& v, bool& filter, bool& other) {
    toggle(filter);
    if (filter) {
        other = false;
        v.showCurrent(true);
    }
}

void setLoop(Viewer& v, int16_t loop) { v.settings.loop = loop; }

void wrapCommand(Viewer& v) {
    Settings& s = v.settings;
    if (s.collage) {
        s.wrap = true;
        s.collage = false;
        InvalidateRect(v.mainWindow, nullptr, TRUE);
    } else {
        toggle(s.wrap);
    }
    if (s.layer == 2) {
        v.refreshLayout();
    } else if (s.layer == 1) {
        v.zoomPercent = s.zoom;
        if (v.exhibitSize() == 0)
            v.reportEmptyOrFailure(101);
        else
            InvalidateRect(v.mainWindow, nullptr, TRUE);
    } else if (!s.wrap) {
        v.readWindowRect();
    } else {
        if (!v.manualZoom) v.zoomPercent = s.zoom;
        v.fitWindowToImage();
        InvalidateRect(v.mainWindow, nullptr, TRUE);
    }
}

void cropCommand(Viewer& v) {
    Settings& s = v.settings;
    if (s.layer == 1) {
        toggle(s.crop);
    } else if (s.layer == 0) {
        if (!v.manualZoom) v.zoomPercent = s.zoom;
        toggle(s.crop);
        v.applyCropStyleChange();
    }
}

void collageCommand(Viewer& v) {
    toggle(v.settings.collage);
    if (v.settings.collage) {
        if (v.settings.crop) SetWindowRgn(v.mainWindow, nullptr, TRUE);
        v.resetCollage();
    }
    v.refreshLayout();
}

void statusBarCommand(Viewer& v) {
    toggle(v.settings.statusbar);
    if (!v.settings.statusbar || v.settings.crop || v.settings.layer == 1)
        v.destroyStatusBar();
    else if (!v.statusBarWindow)
        v.createStatusBar();
    if (v.settings.layer == 0) v.refreshLayout();
}

void blendCommand(Viewer& v) {
    toggle(v.settings.blend);
    const LONG_PTR exStyle = GetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE);
    if (!v.settings.blend || !v.setLayeredWindowAttributes || v.settings.layer == 2) {
        SetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    } else {
        SetWindowLongPtrW(v.mainWindow, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        v.setLayeredWindowAttributes(v.mainWindow, 0, static_cast<BYTE>(v.settings.opacity & 0xFF), LWA_ALPHA);
    }
}

void setQuality(Viewer& v, int16_t quality) {
    v.settings.zoomquality = quality;
    v.image.interpolation = quality;
}

void fullScreenCaption(Viewer& v) {
    toggle(v.settings.fullscreenname);
    if (v.settings.layer != 1) return;
    if (v.settings.fullscreenname) {
        HDC dc = GetDC(v.mainWindow);
        v.drawFileName(dc);
        ReleaseDC(v.mainWindow, dc);
    } else if (v.settings.collage) {
        HDC dc = GetDC(v.mainWindow);
        BitBlt(dc, 0, 0, v.viewBitmapWidth, v.viewBitmapHeight, v.viewDC, 0, 0, SRCCOPY);
        ReleaseDC(v.mainWindow, dc);
    } else {
        if (!v.manualZoom) v.zoomPercent = v.settings.zoom;
        v.refreshLayout();
    }
}

void fullScreenLayout(Viewer& v, int16_t layout) {
    v.settings.fullscreenlayout = layout;
    if (v.settings.layer == 1) {
        v.settings.layout = layout;
        v.refreshLayout();
    }
}

void scrollBy(Viewer& v, int dx, int dy) {
    if (v.settings.collage) return;
    const int step = v.scrollMultiplier();
    v.scrollX += dx * step;
    v.scrollY += dy * step;
    v.scrollView(true);
}

void goTo(Viewer& v) {
    const size_t size = v.exhibitSize();
    if (size == 0) return;
    const unsigned long result = static_cast<unsigned long>(v.askNumber(6, v.currentIndex + 1));
    if (result == 0) return;
    v.currentIndex = static_cast<int>((static_cast<uint32_t>(result) - 1u) % size);
    v.showCurrent(true);
}

void opacityCommand(Viewer& v) {
    // A negative entry counts as above the limit (compared unsigned).
    const unsigned long value = static_cast<unsigned long>(v.askNumber(4, v.settings.opacity));
    v.settings.opacity = static_cast<int16_t>(value > 255 ? 255 : value);
    if (v.setLayeredWindowAttributes)
        v.setLayeredWindowAttributes(v.mainWindow, 0, static_cast<BYTE>(v.settings.opacity), LWA_ALPHA);
}

const CommandRow kCommands[] = {
    {CMD_TIMER, [](Viewer& v) {
         v.settings.timer = static_cast<int32_t>(v.askNumber(2, v.settings.timer));
         v.restartSlideTimer();
     }},
    {CMD_OPACITY, opacityCommand},
    {CMD_GOTO, goTo},
    {CMD_THUMBSIZE, [](Viewer& v) { v.settings.thumbsize = static_cast<int32_t>(v.askNumber(8, v.settings.thumbsize)); }},
    {CMD_ZOOM_STEP, [](Viewer& v) { v.settings.zoomstep = static_cast<int16_t>(v.askNumber(10, v.settings.zoomstep)); }},
    {CMD_COLLAGE_SIZE,
     [](Viewer& v) { v.settings.collagesize = static_cast<int16_t>(v.askNumber(12, v.settings.collagesize)); }},
    {CMD_SLIDESHOW, [](Viewer& v) {
         toggle(v.settings.slide);
         v.restartSlideTimer();
     }},
    {CMD_WINDOWED, [](Viewer& v) { v.setWindowMode(0); }},
    {CMD_FULLSCREEN, [](Viewer& v) { v.setWindowMode(1); }},
    {CMD_WALLPAPER, [](Viewer& v) { if (v.exhibitSize() != 0) v.setWindowMode(2); }},
    {CMD_ONTOP, [](Viewer& v) {
         toggle(v.settings.ontop);
         SetWindowPos(v.mainWindow, v.settings.ontop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
     }},
    {CMD_BLEND, blendCommand},
    {CMD_LOOP, [](Viewer& v) { setLoop(v, 0); }},
    {CMD_LOOP_PAUSE, [](Viewer& v) { setLoop(v, 1); }},
    {CMD_LOOP_EXIT, [](Viewer& v) { setLoop(v, 2); }},
    {CMD_RESHUFFLE, [](Viewer& v) { toggle(v.settings.loopshuffle); }},
    {CMD_NEXT, [](Viewer& v) { v.navigate(CMD_NEXT); }},
    {CMD_PREVIOUS, [](Viewer& v) { v.navigate(CMD_PREVIOUS); }},
    {CMD_FIRST, [](Viewer& v) { v.navigate(CMD_FIRST); }},
    {CMD_LAST, [](Viewer& v) { v.navigate(CMD_LAST); }},
    {CMD_CURRENT, [](Viewer& v) { v.navigate(CMD_CURRENT); }},
    {CMD_NEXT_FOLDER, [](Viewer& v) { v.navigate(CMD_NEXT_FOLDER); }},
    {CMD_PREV_FOLDER, [](Viewer& v) { v.navigate(CMD_PREV_FOLDER); }},
    {CMD_WHEELNAV, [](Viewer& v) { toggle(v.settings.wheelnav); }},
    {CMD_SCROLL_LEFT, [](Viewer& v) { scrollBy(v, -1, 0); }},
    {CMD_SCROLL_RIGHT, [](Viewer& v) { scrollBy(v, 1, 0); }},
    {CMD_SCROLL_UP, [](Viewer& v) { scrollBy(v, 0, -1); }},
    {CMD_SCROLL_DOWN, [](Viewer& v) { scrollBy(v, 0, 1); }},
    {CMD_AUTOSCROLL, [](Viewer& v) { toggle(v.settings.autoscroll); }},
    {CMD_QUIETSCROLL, [](Viewer& v) { toggle(v.settings.quietautoscroll); }},
    {CMD_WRAP, wrapCommand},
    {CMD_CROP, cropCommand},
    {CMD_SQUEEZE, [](Viewer& v) { v.zoomCommand(CMD_SQUEEZE); }},
    {CMD_SHRINK, [](Viewer& v) { v.zoomCommand(CMD_SHRINK); }},
    {CMD_STRETCH, [](Viewer& v) { v.zoomCommand(CMD_STRETCH); }},
    {CMD_ZOOM_IN, [](Viewer& v) { v.zoomCommand(CMD_ZOOM_IN); }},
    {CMD_ZOOM_OUT, [](Viewer& v) { v.zoomCommand(CMD_ZOOM_OUT); }},
    {CMD_ZOOM_100, [](Viewer& v) { v.zoomCommand(CMD_ZOOM_100); }},
    {CMD_ZOOM_LOCK, [](Viewer& v) { v.zoomCommand(CMD_ZOOM_LOCK); }},
    {CMD_QUALITY_DEFAULT, [](Viewer& v) { setQuality(v, 0); }},
    {CMD_QUALITY_HIGH, [](Viewer& v) { setQuality(v, 2); }},
    {CMD_QUALITY_BEST, [](Viewer& v) { setQuality(v, 7); }},
    {CMD_WHEELZOOM, [](Viewer& v) { toggle(v.settings.wheelnav); }},
    {CMD_ROTATE, [](Viewer& v) { v.rotateCommand(CMD_ROTATE); }},
    {CMD_ROTATE_LEFT, [](Viewer& v) { v.rotateCommand(CMD_ROTATE_LEFT); }},
    {CMD_ROTATE_LOCK, [](Viewer& v) { v.settings.rotation = static_cast<int16_t>(v.appliedRotation); }},
    {CMD_ASPECT_FILTER, [](Viewer& v) { toggle(v.settings.rotateaspect); }},
    {CMD_FLIP, [](Viewer& v) { v.rotateCommand(CMD_FLIP); }},
    {CMD_EXIF_ORIENT, [](Viewer& v) {
         toggle(v.settings.exiforient);
         if (v.image.loaded() && v.image.orientation != 1) v.showCurrent(true);
     }},
    {CMD_COLLAGE, collageCommand},
    {CMD_TITLE, [](Viewer& v) {
         toggle(v.settings.title);
         v.refreshCaption();
     }},
    {CMD_FULLNAME, [](Viewer& v) {
         toggle(v.settings.fullname);
         if (v.settings.title) v.refreshCaption();
     }},
    {CMD_STATUSBAR, statusBarCommand},
    {CMD_AUTOCENTER, [](Viewer& v) {
         toggle(v.settings.autocenter);
         if (!v.settings.autocenter) return;
         v.settings.roamwindow = false;
         if (v.settings.wrap && v.settings.layer != 1) v.centreWindow();
     }},
    {CMD_ROAM, [](Viewer& v) {
         toggle(v.settings.roamwindow);
         if (!v.settings.roamwindow) return;
         v.settings.autocenter = false;
         if (v.settings.wrap && v.settings.layer != 1) v.roamWindow();
     }},
    {CMD_CORRAL, [](Viewer& v) {
         toggle(v.settings.corral);
         if (v.settings.corral && v.settings.layer != 1) v.refreshLayout();
     }},
    {CMD_DRAGGABLE, [](Viewer& v) { toggle(v.settings.draggable); }},
    {CMD_CENTER, [](Viewer& v) { if (v.settings.layer != 1) v.centreWindow(); }},
    {CMD_PRESET_SAVE1 + 0, [](Viewer& v) { v.savePreset(1); }},
    {CMD_PRESET_SAVE1 + 1, [](Viewer& v) { v.savePreset(2); }},
    {CMD_PRESET_SAVE1 + 2, [](Viewer& v) { v.savePreset(3); }},
    {CMD_PRESET_SAVE1 + 3, [](Viewer& v) { v.savePreset(4); }},
    {CMD_PRESET_SAVE1 + 4, [](Viewer& v) { v.savePreset(5); }},
    {CMD_PRESET_RESTORE1 + 0, [](Viewer& v) { v.restorePreset(1); }},
    {CMD_PRESET_RESTORE1 + 1, [](Viewer& v) { v.restorePreset(2); }},
    {CMD_PRESET_RESTORE1 + 2, [](Viewer& v) { v.restorePreset(3); }},
    {CMD_PRESET_RESTORE1 + 3, [](Viewer& v) { v.restorePreset(4); }},
    {CMD_PRESET_RESTORE1 + 4, [](Viewer& v) { v.restorePreset(5); }},
    {CMD_LAYOUT_CENTERED + 0, [](Viewer& v) { v.setLayout(0); }},
    {CMD_LAYOUT_CENTERED + 1, [](Viewer& v) { v.setLayout(1); }},
    {CMD_LAYOUT_CENTERED + 2, [](Viewer& v) { v.setLayout(2); }},
    {CMD_LAYOUT_CENTERED + 3, [](Viewer& v) { v.setLayout(3); }},
    {CMD_LAYOUT_CENTERED + 4, [](Viewer& v) { v.setLayout(4); }},
    {CMD_LAYOUT_CENTERED + 5, [](Viewer& v) { v.setLayout(5); }},
    {CMD_SCREEN_FULL, [](Viewer& v) { v.setWindowMode(1); }},
    {CMD_SCREEN_CAPTION, fullScreenCaption},
    {CMD_SCREEN_CURSOR, [](Viewer& v) {
         toggle(v.settings.fullscreencursor);
         if (v.settings.layer == 1) ShowCursor(v.settings.fullscreencursor ? TRUE : FALSE);
     }},
    {CMD_SCREEN_CENTERED, [](Viewer& v) { fullScreenLayout(v, 0); }},
    {CMD_SCREEN_ROAMING, [](Viewer& v) { fullScreenLayout(v, 5); }},
    {CMD_WALL, [](Viewer& v) { if (v.exhibitSize() != 0) v.setWindowMode(2); }},
    {CMD_SORT_FORWARD, [](Viewer& v) { setSortOrder(v, 0); }},
    {CMD_SORT_REVERSE, [](Viewer& v) { setSortOrder(v, 1); }},
    {CMD_SORT_RANDOM, [](Viewer& v) { setSortOrder(v, 2); }},
    {CMD_SORT_TREE, [](Viewer& v) { setSortKey(v, 0); }},
    {CMD_SORT_TREESTRICT, [](Viewer& v) { setSortKey(v, 1); }},
    {CMD_SORT_NAME, [](Viewer& v) { setSortKey(v, 2); }},
    {CMD_SORT_CREATED, [](Viewer& v) { setSortKey(v, 3); }},
    {CMD_SORT_MODIFIED, [](Viewer& v) { setSortKey(v, 4); }},
    {CMD_SORT_ACCESSED, [](Viewer& v) { setSortKey(v, 5); }},
    {CMD_SORT_CASE, [](Viewer& v) {
         toggle(v.settings.sortcase);
         if (v.settings.sort != 2) resort(v);
     }},

    {CMD_VIEW_EXHIBIT, [](Viewer& v) { if (!v.building) v.viewFolder(v.exhibitRoot, true); }},
    {CMD_VIEW_DESKTOP, [](Viewer& v) { viewNamedFolder(v, v.settings.desktop); }},
    {CMD_VIEW_FAVORITES, [](Viewer& v) { viewNamedFolder(v, v.settings.favorites); }},
    {CMD_VIEW_ARCHIVE, [](Viewer& v) { viewNamedFolder(v, v.settings.archive); }},
    {CMD_VIEW_IMAGEDIR, [](Viewer& v) {
         if (v.exhibitSize() == 0 || v.building || !v.checkIsFile()) return;
         v.viewFolder(folderOfPath(v.currentPathCopy()), false);
     }},
    {CMD_VIEW_LINKDIR, [](Viewer& v) { if (v.exhibitSize() != 0 && !v.building) v.viewLinkTarget(); }},

    {CMD_FOLDER, [](Viewer& v) {
         if (v.building) return;
         v.suspendSlideshow(true);
         if (v.chooseExhibitRoot(true)) {
             if (v.settings.collage) v.resetCollage();
             v.showCurrent(true);
             v.restartWatcherIfOn();
         }
         v.resumeSlideshow();
     }},
    {CMD_REFRESH, [](Viewer& v) { if (!v.building) v.viewFolder(v.exhibitRoot, false); }},
    {CMD_SUBFOLDERS, [](Viewer& v) {
         if (v.building) return;
         toggle(v.settings.subfolders);
         v.viewFolder(v.buildRootCopy(), false);
     }},
    {CMD_HIDDEN, [](Viewer& v) {
         if (v.building) return;
         toggle(v.settings.hidden);
         v.viewFolder(v.buildRootCopy(), false);
     }},
    {CMD_AUTOREFRESH, [](Viewer& v) {
         toggle(v.settings.autorefresh);
         if (v.settings.autorefresh)
             v.startWatcher();
         else
             v.stopWatcher();
     }},
    {CMD_AUTOFIND_CREATE, [](Viewer& v) { setAutoFind(v, 1); }},
    {CMD_AUTOFIND_MODIFY, [](Viewer& v) { setAutoFind(v, 2); }},
    {CMD_AUTOFIND_ACCESS, [](Viewer& v) { setAutoFind(v, 3); }},
    {CMD_FORMAT_BMP, [](Viewer& v) { toggleFormat(v, &Settings::bmp); }},
    {CMD_FORMAT_EMF, [](Viewer& v) { toggleFormat(v, &Settings::emf); }},
    {CMD_FORMAT_GIF, [](Viewer& v) { toggleFormat(v, &Settings::gif); }},
    {CMD_FORMAT_ICO, [](Viewer& v) { toggleFormat(v, &Settings::ico); }},
    {CMD_FORMAT_JPG, [](Viewer& v) { toggleFormat(v, &Settings::jpg); }},
    {CMD_FORMAT_PNG, [](Viewer& v) { toggleFormat(v, &Settings::png); }},
    {CMD_FORMAT_TIF, [](Viewer& v) { toggleFormat(v, &Settings::tif); }},
    {CMD_REMOVEFAIL, [](Viewer& v) { toggle(v.settings.removefail); }},
    {CMD_LOGERRORS, [](Viewer& v) { toggle(v.settings.logerrors); }},
    {CMD_LOGLNKFAIL, [](Viewer& v) { toggle(v.settings.loglnkfail); }},

    {CMD_FIND, [](Viewer& v) { showAfterFind(v, &Viewer::openFindDialog); }},
    {CMD_FIND_NEXT, [](Viewer& v) { showAfterFind(v, &Viewer::findNextAfterCurrent); }},
    {CMD_LANDSCAPE, [](Viewer& v) { toggleOrientationFilter(v, v.landscapeFilter, v.portraitFilter); }},
    {CMD_PORTRAIT, [](Viewer& v) { toggleOrientationFilter(v, v.portraitFilter, v.landscapeFilter); }},
    {CMD_BOOKMARK, [](Viewer& v) { if (!v.building) v.settings.bookmark = v.currentIndex; }},
    {CMD_GOTO_MARK, [](Viewer& v) {
         if (v.settings.bookmark >= 0 && static_cast<size_t>(v.settings.bookmark) < v.exhibitSize()) {
             v.currentIndex = v.settings.bookmark;
             v.showCurrent(true);
         }
     }},
    {CMD_MARK_ON_EXIT, [](Viewer& v) { toggle(v.settings.markexit); }},

    {CMD_SAVE_NOW, [](Viewer& v) { v.saveSettings(); }},
    {CMD_SAVE_AS, [](Viewer& v) { if (v.chooseSettingsFile()) v.saveSettings(); }},
    {CMD_SAVE_ON_EXIT, [](Viewer& v) { toggle(v.settings.savesettings); }},
    {CMD_SAVE_FOLDER, [](Viewer& v) { toggle(v.settings.savefolder); }},
    {CMD_EXIT, [](Viewer& v) { SendMessageW(v.mainWindow, WM_CLOSE, 0, 0); }},
};

const CommandRow* findCommand(CommandId id) {
    static const std::vector<CommandRow> table = [] {
        std::vector<CommandRow> rows(std::begin(kCommands), std::end(kCommands));
        std::sort(rows.begin(), rows.end(), [](const CommandRow& a, const CommandRow& b) { return a.id < b.id; });
        return rows;
    }();
    auto row = std::lower_bound(table.begin(), table.end(), id,
                                [](const CommandRow& r, CommandId value) { return r.id < value; });
    return row != table.end() && row->id == id ? &*row : nullptr;
}

}  // namespace

void Viewer::executeCommand(CommandId command) {
    if (noShell && (command == CMD_CATALOG || (command >= CMD_SHELL_VIEW && command <= CMD_BB_LENGTHEN))) return;
    if (noMenu && command < CMD_ABOUT && command != CMD_MENU) return;

    if (const CommandRow* row = findCommand(command)) row->run(*this);

    if (command >= CMD_TRANSITION_0 && command <= CMD_TRANSITION_14) toggleTransition(command - CMD_TRANSITION_0);
}

void Viewer::toggleTransition(int transition) {
    auto found = std::find(enabledTransitions.begin(), enabledTransitions.end(), transition);
    if (found != enabledTransitions.end())
        enabledTransitions.erase(found);
    else
        enabledTransitions.push_back(transition);
}
