// Named values of the enumerated settings, as the settings file stores them.
#pragma once

// `layer`: the window mode.
enum WindowLayer : int { kLayerWindowed = 0, kLayerFullScreen = 1, kLayerWallpaper = 2 };

// `loop`: what the slideshow does at the end of the exhibit.
enum LoopMode : int { kLoopRestart = 0, kLoopPause = 1, kLoopExit = 2 };

// `sort`: the order of the exhibit.
enum SortOrder : int { kSortForward = 0, kSortReverse = 1, kSortRandom = 2 };

// `sortby`: the key the exhibit is ordered by.
enum SortKey : int {
    kSortTree = 0,
    kSortTreeStrict = 1,
    kSortName = 2,
    kSortCreated = 3,
    kSortModified = 4,
    kSortAccessed = 5,
};

// `layout` and `fullscreenlayout`: the place of the image in the window.
enum ImageLayout : int {
    kLayoutCentred = 0,
    kLayoutTopLeft = 1,
    kLayoutTopRight = 2,
    kLayoutBottomLeft = 3,
    kLayoutBottomRight = 4,
    kLayoutRoaming = 5,
};

// `autofindtype`: where the view goes after an automatic rebuild.
enum AutoFindKind : int { kAutoFindOff = 0, kAutoFindCreated = 1, kAutoFindModified = 2, kAutoFindAccessed = 3 };

// `zoomquality`: the imaging library's interpolation modes in use.
enum ZoomQuality : int { kQualityDefault = 0, kQualityHigh = 2, kQualityBest = 7 };

// `zoom` and the zoom commands: the largest zoom in percent (100 times).
inline constexpr int kMaxZoomPercent = 10000;
