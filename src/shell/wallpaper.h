// The desktop wallpaper on Windows: the desktop's registry values, rendering the wallpaper image,
// telling the system, and the Blackbox shell's root command and skin messages.
//
// Everything here runs on the interface thread with plain inputs; the Viewer's commands gather
// them from its settings (see wallpaper_logic.h for the steps themselves).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "core/win_handles.h"
#include "display/view_image.h"
#include "shell/wallpaper_logic.h"

// HKEY_CURRENT_USER "Control Panel\Desktop", opened (or created) with read and write access for the
// life of the object. Values are read whole, whatever their length (a REG_EXPAND_SZ value comes back
// with its variables expanded); values are written as REG_SZ with the terminator counted in the
// length.
class DesktopRegistryStore : public WallpaperStore {
public:
    DesktopRegistryStore();

    bool isOpen() const { return static_cast<bool>(key_); }
    bool read(const wchar_t* name, std::wstring& value) const override;
    bool write(const wchar_t* name, const std::wstring& value) override;

private:
    RegistryKey key_;
};

// What the wallpaper operations need from the Viewer.
struct WallpaperContext {
    std::wstring wallpaperPath;          // glimpaper.jpg beside the program
    BlackboxWallpaperSettings blackbox;  // blackboxPresent, bb wallpaper, bb wallpaper scale, bb wallpaper style
    HWND blackboxWindow = nullptr;       // the Blackbox window found at start-up, or null
};

// Points the desktop at the wallpaper file with style 0..5 (0: entering wallpaper mode, the style
// values unchanged), keeping the user's wallpaper in the "Prev" values. Does nothing while Blackbox
// owns the wallpaper. The system is not told to reload. False when the key cannot be opened or a
// value not written.
bool writeDesktopWallpaperStyle(const WallpaperContext& context, int style);

// Writes the image resampled to `size` as JPEG at `path`. The image goes to a temporary file beside
// it first, which then replaces the old file, so a failed render leaves the last wallpaper file
// whole. False without an image, for an empty size, or when the file cannot be written.
bool renderWallpaperFile(ViewImage& image, const std::wstring& path, Size32 size);

// Makes the current image the wallpaper. `size` is the render size (wallpaperRenderSize);
// `imagePath` is the file the image was loaded from (a shortcut's own path is fine: its target is
// read without resolving), empty for a picture without a file of its own. Without Blackbox owning
// the wallpaper, the file is rendered and, once written, set with SystemParametersInfoW. With it,
// the root command goes to the Blackbox window (see planWallpaper). Failures are not reported;
// returns whether the wallpaper was handed to the system or to Blackbox.
bool setDesktopWallpaper(const WallpaperContext& context, ViewImage& image, Size32 size, const std::wstring& imagePath);

// Clear (command 1387, switch -clearwall) and Restore (command 1388), then the system is told (no
// wallpaper after Clear, the restored one after Restore). Clear does not record the program's own
// file (`wallpaperPath`) as the previous wallpaper. False when nothing changed.
bool clearDesktopWallpaper(const std::wstring& wallpaperPath);
bool restoreDesktopWallpaper();

// The switches -centerwall, -tilewall, -stretchwall, -fitwall and -fillwall (style 1..5): without
// Blackbox the style is written and the system is told to show the wallpaper file with it (the file
// itself is what wallpaper mode last rendered); while Blackbox runs the first
// three set bbWallpaperStyle to 1..3 and the last two do nothing.
void applyWallpaperSwitch(const WallpaperContext& context, int style, int16_t& bbWallpaperStyle);

// ---- Blackbox --------------------------------------------------------------------------------

// The top-level window of class "BlackboxClass" titled "Blackbox", or null.
HWND findBlackboxWindow();

// Sends WM_COPYDATA with `id` and the payload `prefix` (8 bytes) followed by `block` (any length)
// to `target`, and waits for it to be handled; a target that hangs is given up after 5 seconds.
// False for a null target, a block too large for one message, or a send that failed.
bool sendCopyData(HWND target, ULONG_PTR id, const uint8_t (&prefix)[8], const void* block, size_t length);

// A root command to Blackbox as its copy-data message (id 10882, 8 zero bytes, the 300-byte field).
// False when the command does not fit the field or the send failed.
bool sendBlackboxCommand(HWND blackbox, const std::string& command);

// The path in the narrow code page, for naming a file to Blackbox. `exact` is false when a
// character has no narrow form (it would come out as another file's name).
std::string narrowPath(const std::wstring& path, bool& exact);

// The registered window messages of Blackbox's skin plug-in.
UINT skinWindowMessage();  // "BBLEANSKIN_WINDOWMSG"
UINT skinMessage();        // "BBLEANSKIN_MSG"

// Posts "BBLEANSKIN_WINDOWMSG" (wParam 2) and then "BBLEANSKIN_MSG" (wParam 5), lParam 0, to the
// program's own main window, which the skin plug-in watches.
void postSkinMessages(HWND mainWindow);
