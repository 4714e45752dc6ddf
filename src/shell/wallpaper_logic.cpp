#include "wallpaper_logic.h"

#include "core/text.h"

WallpaperStyleValues wallpaperStyleValues(int style) {
    switch (style) {
    case 1: return {true, L"0", L"0", 1};
    case 2: return {true, L"1", L"0", 2};
    case 3: return {true, L"0", L"2", 3};
    case 4: return {true, L"0", L"6", 0};
    case 5: return {true, L"0", L"10", 0};
    default: return {};
    }
}

namespace {

// The tile value kept with a wallpaper: the desktop's, or "0" when it has none.
std::wstring tileValueOf(const WallpaperStore& store) {
    std::wstring tile;
    if (!store.read(kTileWallpaperValue, tile) || tile.empty()) tile = L"0";
    return tile;
}

}  // namespace

bool writeWallpaperStyle(WallpaperStore& store, const std::wstring& wallpaperPath, int style) {
    std::wstring current;
    if (!store.read(kWallpaperValue, current)) current.clear();
    if (!equalsNoCase(current, wallpaperPath)) {
        if (!current.empty()) {
            // The user's wallpaper is recorded before it is replaced; if it cannot be, it stays.
            const std::wstring tile = tileValueOf(store);
            if (!store.write(kPrevWallpaperValue, current) || !store.write(kPrevTileWallpaperValue, tile))
                return false;
        }
        if (!store.write(kWallpaperValue, wallpaperPath)) return false;
    }
    const WallpaperStyleValues values = wallpaperStyleValues(style);
    if (!values.writesStyle) return true;
    const bool tileWritten = store.write(kTileWallpaperValue, values.tile);
    const bool styleWritten = store.write(kWallpaperStyleValue, values.style);
    return tileWritten && styleWritten;
}

WallpaperChange clearWallpaper(WallpaperStore& store, const std::wstring& wallpaperPath) {
    std::wstring current;
    if (!store.read(kWallpaperValue, current) || current.empty()) return {};
    const std::wstring tile = tileValueOf(store);
    if (!equalsNoCase(current, wallpaperPath) &&
        (!store.write(kPrevWallpaperValue, current) || !store.write(kPrevTileWallpaperValue, tile)))
        return {};
    const bool cleared = store.write(kWallpaperValue, L"");
    store.write(kTileWallpaperValue, L"0");
    return {cleared, {}};
}

WallpaperChange restoreWallpaper(WallpaperStore& store) {
    std::wstring previous;
    if (!store.read(kPrevWallpaperValue, previous) || previous.empty()) return {};
    std::wstring tile;
    if (!store.read(kPrevTileWallpaperValue, tile) || tile.empty()) tile = L"0";
    const bool restored = store.write(kWallpaperValue, previous);
    store.write(kTileWallpaperValue, tile);
    if (!restored) return {};
    return {true, previous};
}

Size32 wallpaperRenderSize(Size32 natural, Size32 window, Size32 monitor, int layer, bool wrap, int zoomPercent,
                           FitSwitches fit) {
    const Size32 target = !wrap && layer == 0 ? window : monitor;
    return fitSize(natural, target, zoomPercent, fit);
}

bool blackboxOwnsWallpaper(const BlackboxWallpaperSettings& bb) { return bb.present && bb.wallpaper; }

WallpaperPlan planWallpaper(const BlackboxWallpaperSettings& bb, bool blackboxWindowExists, bool imageNameable) {
    WallpaperPlan plan;
    if (!blackboxOwnsWallpaper(bb)) {
        plan.render = true;
        plan.tellSystem = true;
        return plan;
    }
    if (!blackboxWindowExists) {
        // Blackbox owns the wallpaper but cannot be reached: the file is still kept up to date
        // when the scaled route would have used it.
        plan.render = bb.scale;
        return plan;
    }
    plan.sendToBlackbox = true;
    plan.resetBlackboxFirst = bb.scale;
    plan.nameRenderedFile = bb.scale || !imageNameable;
    plan.render = plan.nameRenderedFile;
    return plan;
}

const char* blackboxStyleWord(int bbStyle) {
    switch (bbStyle) {
    case 3: return "full";
    case 2: return "tile";
    default: return "center";
    }
}

std::string blackboxRootCommand(const char* styleWord, const std::string& narrowPath) {
    if (narrowPath.empty() || narrowPath.size() > kBlackboxMaxPathBytes) return {};
    std::string command = "@BBCore.rootCommand bsetroot -";
    command += styleWord;
    command += " \"";
    command += narrowPath;
    command += '"';
    return command;
}

std::vector<uint8_t> blackboxCommandPayload(const std::string& command) {
    if (command.size() >= kBlackboxCommandField) return {};
    std::vector<uint8_t> payload(8 + kBlackboxCommandField, 0);
    for (size_t i = 0; i < command.size(); ++i) payload[8 + i] = static_cast<uint8_t>(command[i]);
    return payload;
}
