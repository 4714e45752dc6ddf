// The desktop wallpaper without the platform: the wallpaper styles and the desktop values they
// write, the record of the user's previous wallpaper kept beside the program's own, the size the
// wallpaper image is rendered at, which route a wallpaper takes (the system setting or the
// Blackbox shell), and the root command the Blackbox shell is sent.
//
// The desktop's values are read and written through WallpaperStore, so the same steps serve the
// registry on Windows and a plain map in tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/view_geometry.h"

// ---- The desktop's wallpaper values ---------------------------------------------------------

// Names of the desktop values (strings under HKEY_CURRENT_USER "Control Panel\Desktop").
inline constexpr const wchar_t* kWallpaperValue = L"Wallpaper";
inline constexpr const wchar_t* kTileWallpaperValue = L"TileWallpaper";
inline constexpr const wchar_t* kWallpaperStyleValue = L"WallpaperStyle";
inline constexpr const wchar_t* kPrevWallpaperValue = L"PrevWallpaper";
inline constexpr const wchar_t* kPrevTileWallpaperValue = L"PrevTileWallpaper";

// Where the desktop's wallpaper values live. read gives false for a value that does not exist or
// cannot be read; write gives false when the value could not be stored.
class WallpaperStore {
public:
    virtual ~WallpaperStore() = default;
    virtual bool read(const wchar_t* name, std::wstring& value) const = 0;
    virtual bool write(const wchar_t* name, const std::wstring& value) = 0;
};

// What a wallpaper style writes. Style 0 (entering wallpaper mode) writes no style values; styles
// 1..5 are centre, tile, stretch, fit and fill. bbStyle is the Blackbox wallpaper style the style
// stands for (1 centre, 2 tile, 3 stretch), 0 for the styles that leave it unchanged.
struct WallpaperStyleValues {
    bool writesStyle = false;
    const wchar_t* tile = L"";   // "TileWallpaper"
    const wchar_t* style = L"";  // "WallpaperStyle"
    int bbStyle = 0;
};
WallpaperStyleValues wallpaperStyleValues(int style);

// Points the desktop at the program's wallpaper file with a style. When the desktop named another
// wallpaper (paths compared without regard to case), that one and its tile value are kept in the
// "Prev" values first, so the user's own wallpaper is recorded once and entering wallpaper mode
// again never records the program's own file over it. An empty wallpaper is not recorded. A missing
// tile value is recorded as "0". Returns false when a value could not be written; the values that
// keep the user's wallpaper are written before the wallpaper itself is replaced.
bool writeWallpaperStyle(WallpaperStore& store, const std::wstring& wallpaperPath, int style);

// What the system is told after Clear or Restore.
struct WallpaperChange {
    bool changed = false;   // the desktop values were changed; tell the system
    std::wstring wallpaper; // the wallpaper the system is to show (empty: none)
};

// Clear: the user's wallpaper and its tile value move to the "Prev" values, then the wallpaper is
// emptied and tiling turned off. The program's own file (`wallpaperPath`, compared without regard
// to case) is not recorded: the "Prev" values keep the user's wallpaper from before wallpaper mode.
// Nothing changes when the desktop has no wallpaper, or when the previous one could not be recorded.
WallpaperChange clearWallpaper(WallpaperStore& store, const std::wstring& wallpaperPath);

// Restore: the "Prev" wallpaper and tile value become the current ones again; the "Prev" values
// stay, and "WallpaperStyle" is left as it is. Nothing changes when no previous wallpaper is kept.
WallpaperChange restoreWallpaper(WallpaperStore& store);

// ---- Rendering -------------------------------------------------------------------------------

// The size the wallpaper image is rendered at: the displayed size of the image in the monitor, or
// in the window when the window is not wrapped around the image in windowed mode (layer 0), with
// the zoom percentage and fit switches of the view.
Size32 wallpaperRenderSize(Size32 natural, Size32 window, Size32 monitor, int layer, bool wrap, int zoomPercent,
                           FitSwitches fit);

// ---- The route of a wallpaper ----------------------------------------------------------------

struct BlackboxWallpaperSettings {
    bool present = false;     // the Blackbox shell was found at start-up
    bool wallpaper = true;    // "bb wallpaper": Blackbox sets the wallpaper
    bool scale = false;       // "bb wallpaper scale": Blackbox is given the rendered, scaled file
    int style = 1;            // "bb wallpaper style": 1 centre, 2 tile, 3 full
};

// Whether Blackbox owns the wallpaper: it is present and "bb wallpaper" is on. The desktop values
// are then left alone.
bool blackboxOwnsWallpaper(const BlackboxWallpaperSettings& bb);

struct WallpaperPlan {
    bool render = false;             // write the wallpaper file
    bool tellSystem = false;         // SystemParametersInfo with the wallpaper file
    bool sendToBlackbox = false;     // a root command to Blackbox
    bool resetBlackboxFirst = false; // the scaled route: "bsetroot -center bsetroot.bmp" first
    bool nameRenderedFile = false;   // the command names the rendered file, not the image's own
};

// How the current image becomes the wallpaper. Without Blackbox owning it the file is rendered and
// the system told. With Blackbox: nothing is done without its window; the scaled route renders the
// file and names it; otherwise the image is named by its own path, unless it cannot be named
// exactly (no file of its own, such as a pasted picture, or a path the narrow code page cannot
// hold), in which case the file is rendered and named instead.
WallpaperPlan planWallpaper(const BlackboxWallpaperSettings& bb, bool blackboxWindowExists, bool imageNameable);

// ---- The Blackbox root command ---------------------------------------------------------------

inline constexpr unsigned long kBlackboxCopyDataId = 10882;
inline constexpr size_t kBlackboxCommandField = 300;  // bytes, terminator included
inline constexpr size_t kBlackboxMaxPathBytes = 260;

// The style word of "bb wallpaper style": "full" for 3, "tile" for 2, "center" for any other.
const char* blackboxStyleWord(int bbStyle);

// "@BBCore.rootCommand bsetroot -<word> "<path>"", the path as narrow (code page) bytes. Empty when
// the path is empty or longer than 260 bytes: a cut path would name another file.
std::string blackboxRootCommand(const char* styleWord, const std::string& narrowPath);
// The command that clears Blackbox's root before a scaled wallpaper is set.
inline constexpr const char* kBlackboxResetCommand = "@BBCore.rootCommand bsetroot -center bsetroot.bmp";

// The WM_COPYDATA payload of a root command: 8 zero bytes, then the command in a 300-byte field,
// zero-terminated and zero-filled (308 bytes). Empty when the command does not fit the field.
std::vector<uint8_t> blackboxCommandPayload(const std::string& command);
