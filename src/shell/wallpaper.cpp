#include <windows.h>

#include "shell/wallpaper.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "exhibit/exhibit.h"
#include "fileops/shortcut_file.h"

namespace {

constexpr const wchar_t* kDesktopKey = L"Control Panel\\Desktop";
constexpr DWORD kCopyDataTimeoutMs = 5000;
constexpr DWORD kBlackboxResetPauseMs = 500;

// Asks the system to show `path` as the wallpaper, "" for none, with the tile and style values now
// in the registry. The path is always named: a null one would only re-read the registry on some
// systems and keep the old wallpaper on others. No profile update flags: the registry values are
// the program's own business.
bool tellSystem(const std::wstring& path) {
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path.c_str()), 0) != FALSE;
}

// The file Blackbox is to show for the current image: the image's own file, a shortcut's target
// as recorded (not resolved). Empty when there is none.
std::wstring imageFileOf(const std::wstring& imagePath) {
    if (imagePath.empty() || !isShortcutPath(imagePath)) return imagePath;
    ShortcutFile shortcut;
    std::wstring target;
    if (!shortcut.open() || !shortcut.readTarget(imagePath, target, false)) return {};
    return target;
}

std::wstring expanded(const std::wstring& text) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::wstring result(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(text.c_str(), result.data(), needed);
    if (written == 0 || written > needed) return text;
    result.resize(written - 1);
    return result;
}

}  // namespace

// ---- Registry --------------------------------------------------------------------------------

DesktopRegistryStore::DesktopRegistryStore() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        key_.reset(key);
}

bool DesktopRegistryStore::read(const wchar_t* name, std::wstring& value) const {
    if (!key_) return false;
    // The value may grow between the size query and the read: ask again until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0, bytes = 0;
        LSTATUS status = RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
        size_t length = size / sizeof(wchar_t);
        if (length > buffer.size()) length = buffer.size();
        // The stored text may or may not carry its terminator.
        value.assign(buffer.data(), length);
        const size_t end = value.find(L'\0');
        if (end != std::wstring::npos) value.resize(end);
        // A path with variables is kept expanded: it is written back as a plain string.
        if (type == REG_EXPAND_SZ) value = expanded(value);
        return true;
    }
    return false;
}

bool DesktopRegistryStore::write(const wchar_t* name, const std::wstring& value) {
    if (!key_) return false;
    const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
    if (bytes > 0xFFFFFFFFu) return false;
    return RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

// ---- Wallpaper -------------------------------------------------------------------------------

bool writeDesktopWallpaperStyle(const WallpaperContext& context, int style) {
    if (blackboxOwnsWallpaper(context.blackbox)) return true;  // Blackbox keeps the wallpaper
    DesktopRegistryStore store;
    if (!store.isOpen()) return false;
    return writeWallpaperStyle(store, context.wallpaperPath, style);
}

bool renderWallpaperFile(ViewImage& image, const std::wstring& path, Size32 size) {
    if (!image.loaded() || size.width <= 0 || size.height <= 0 || path.empty()) return false;
    const std::wstring temporary = path + L".new";
    if (image.saveScaled(temporary, ViewImage::SaveJpeg, size.width, size.height) != 0) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

bool setDesktopWallpaper(const WallpaperContext& context, ViewImage& image, Size32 size, const std::wstring& imagePath) {
    // The image's own file, as Blackbox would be given it, unless it cannot be named exactly.
    std::string narrowImage;
    bool nameable = false;
    if (blackboxOwnsWallpaper(context.blackbox) && !context.blackbox.scale && context.blackboxWindow) {
        const std::wstring file = imageFileOf(imagePath);
        bool exact = false;
        if (!file.empty()) narrowImage = narrowPath(file, exact);
        nameable = exact && !narrowImage.empty() && narrowImage.size() <= kBlackboxMaxPathBytes;
    }

    const WallpaperPlan plan = planWallpaper(context.blackbox, context.blackboxWindow != nullptr, nameable);
    const bool rendered = plan.render && renderWallpaperFile(image, context.wallpaperPath, size);
    if (plan.tellSystem) return rendered && tellSystem(context.wallpaperPath);
    if (!plan.sendToBlackbox) return false;

    std::string named = narrowImage;
    if (plan.nameRenderedFile) {
        bool exact = false;
        named = rendered ? narrowPath(context.wallpaperPath, exact) : std::string();
        if (!exact) named.clear();
    }
    const std::string command = blackboxRootCommand(blackboxStyleWord(context.blackbox.style), named);
    if (command.empty()) return false;
    if (plan.resetBlackboxFirst) {
        sendBlackboxCommand(context.blackboxWindow, kBlackboxResetCommand);
        Sleep(kBlackboxResetPauseMs);
    }
    return sendBlackboxCommand(context.blackboxWindow, command);
}

bool clearDesktopWallpaper(const std::wstring& wallpaperPath) {
    WallpaperChange change;
    {
        DesktopRegistryStore store;
        change = clearWallpaper(store, wallpaperPath);
    }
    if (change.changed) tellSystem(L"");
    return change.changed;
}

bool restoreDesktopWallpaper() {
    WallpaperChange change;
    {
        DesktopRegistryStore store;
        change = restoreWallpaper(store);
    }
    if (change.changed) tellSystem(change.wallpaper);
    return change.changed;
}

void applyWallpaperSwitch(const WallpaperContext& context, int style, int16_t& bbWallpaperStyle) {
    if (style < 1 || style > 5) return;
    if (context.blackbox.present) {
        const int bbStyle = wallpaperStyleValues(style).bbStyle;
        if (bbStyle != 0) bbWallpaperStyle = static_cast<int16_t>(bbStyle);
        return;
    }
    if (writeDesktopWallpaperStyle(context, style)) tellSystem(context.wallpaperPath);
}

// ---- Blackbox --------------------------------------------------------------------------------

HWND findBlackboxWindow() { return FindWindowW(L"BlackboxClass", L"Blackbox"); }

bool sendCopyData(HWND target, ULONG_PTR id, const uint8_t (&prefix)[8], const void* block, size_t length) {
    if (!target || length > 0x7FFFFFF0u - sizeof(prefix) || (length != 0 && !block)) return false;
    std::vector<uint8_t> payload(sizeof(prefix) + length);
    std::copy(std::begin(prefix), std::end(prefix), payload.begin());
    if (length != 0) {
        const auto* bytes = static_cast<const uint8_t*>(block);
        std::copy(bytes, bytes + length, payload.begin() + sizeof(prefix));
    }
    COPYDATASTRUCT data{};
    data.dwData = id;
    data.cbData = static_cast<DWORD>(payload.size());
    data.lpData = payload.data();
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, kCopyDataTimeoutMs, &result) != 0;
}

bool sendBlackboxCommand(HWND blackbox, const std::string& command) {
    const std::vector<uint8_t> payload = blackboxCommandPayload(command);
    if (payload.empty()) return false;
    static const uint8_t kZeroPrefix[8] = {};
    return sendCopyData(blackbox, kBlackboxCopyDataId, kZeroPrefix, payload.data() + 8, payload.size() - 8);
}

std::string narrowPath(const std::wstring& path, bool& exact) {
    exact = false;
    if (path.empty()) {
        exact = true;
        return {};
    }
    const UINT codePage = CP_ACP;
    // Without best-fit mapping a character with no narrow form becomes the default character and is
    // reported, rather than silently turning into a look-alike. UTF-8 takes neither flag nor report.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int length = static_cast<int>(std::min<size_t>(path.size(), 0x7FFFFFF0u));
    const int bytes = WideCharToMultiByte(codePage, flags, path.data(), length, nullptr, 0, nullptr,
                                          utf8 ? nullptr : &usedDefault);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    usedDefault = FALSE;
    if (WideCharToMultiByte(codePage, flags, path.data(), length, narrow.data(), bytes, nullptr,
                            utf8 ? nullptr : &usedDefault) != bytes)
        return {};
    exact = !usedDefault && static_cast<size_t>(length) == path.size();
    return narrow;
}

UINT skinWindowMessage() { return RegisterWindowMessageW(L"BBLEANSKIN_WINDOWMSG"); }
UINT skinMessage() { return RegisterWindowMessageW(L"BBLEANSKIN_MSG"); }

void postSkinMessages(HWND mainWindow) {
    PostMessageW(mainWindow, skinWindowMessage(), 2, 0);
    PostMessageW(mainWindow, skinMessage(), 5, 0);
}
