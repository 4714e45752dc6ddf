// The desktop wallpaper record, the render size, the route and the Blackbox command. (The style
// values are tested on the real registry in tests/win.)
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "shell/wallpaper_logic.h"

namespace {

// The desktop values in a map; names listed in `readOnly` refuse to be written.
class MapStore : public WallpaperStore {
public:
    std::map<std::wstring, std::wstring> values;
    std::set<std::wstring> readOnly;
    int writes = 0;

    bool read(const wchar_t* name, std::wstring& value) const override {
        const auto found = values.find(name);
        if (found == values.end()) return false;
        value = found->second;
        return true;
    }
    bool write(const wchar_t* name, const std::wstring& value) override {
        if (readOnly.count(name)) return false;
        ++writes;
        values[name] = value;
        return true;
    }
    std::wstring operator[](const wchar_t* name) const {
        const auto found = values.find(name);
        return found == values.end() ? L"<none>" : found->second;
    }
};

const std::wstring kOwnFile = L"C:\\Program Files\\Glimvue\\glimpaper.jpg";
const std::wstring kUserFile = L"C:\\Users\\me\\Pictures\\lake.bmp";

TEST(WallpaperRecord, TheUsersWallpaperIsKeptOnceAndComesBackAfterClear) {
    MapStore store;
    store.values = {{L"Wallpaper", kUserFile}, {L"TileWallpaper", L"1"}, {L"WallpaperStyle", L"2"}};

    // Entering wallpaper mode records the user's wallpaper and points the desktop at the program's.
    EXPECT_TRUE(writeWallpaperStyle(store, kOwnFile, 0));
    EXPECT_EQ(store[L"Wallpaper"], kOwnFile);
    EXPECT_EQ(store[L"PrevWallpaper"], kUserFile);
    EXPECT_EQ(store[L"PrevTileWallpaper"], L"1");
    EXPECT_EQ(store[L"WallpaperStyle"], L"2");

    // Entering it again, or a style command, never records the program's own file over it, also
    // when the path comes back in another letter case.
    EXPECT_TRUE(writeWallpaperStyle(store, kOwnFile, 0));
    EXPECT_TRUE(writeWallpaperStyle(store, L"c:\\program files\\GLIMVUE\\glimpaper.JPG", 3));
    EXPECT_EQ(store[L"PrevWallpaper"], kUserFile);
    EXPECT_EQ(store[L"PrevTileWallpaper"], L"1");

    // Restore brings the user's wallpaper back and keeps the record.
    WallpaperChange change = restoreWallpaper(store);
    EXPECT_TRUE(change.changed && change.wallpaper == kUserFile);
    EXPECT_EQ(store[L"Wallpaper"] + store[L"TileWallpaper"] + store[L"PrevWallpaper"], kUserFile + L"1" + kUserFile);
    EXPECT_EQ(store[L"WallpaperStyle"], L"2");  // as the stretch command left it: not restored

    // Clear after wallpaper mode empties the desktop but keeps the user's wallpaper on record (never
    // the program's own file over it), so Restore brings the user's back.
    store.values[L"Wallpaper"] = L"C:\\PROGRAM FILES\\Glimvue\\glimpaper.jpg";
    store.values[L"TileWallpaper"] = L"0";
    change = clearWallpaper(store, kOwnFile);
    EXPECT_TRUE(change.changed && change.wallpaper.empty());
    EXPECT_EQ(store[L"Wallpaper"] + store[L"TileWallpaper"], L"0");
    EXPECT_EQ(store[L"PrevWallpaper"] + store[L"PrevTileWallpaper"], kUserFile + L"1");
    EXPECT_EQ(restoreWallpaper(store).wallpaper, kUserFile);

    // Clear with no wallpaper changes nothing; Restore with nothing kept changes nothing.
    MapStore empty;
    empty.values = {{L"Wallpaper", L""}};
    EXPECT_FALSE(clearWallpaper(empty, kOwnFile).changed);
    EXPECT_FALSE(restoreWallpaper(empty).changed);
    EXPECT_EQ(empty.writes, 0);
}

TEST(WallpaperRecord, MissingValuesAndRefusedWritesLoseNothing) {
    // A desktop without any values: the program's file becomes the wallpaper, nothing is recorded.
    MapStore bare;
    EXPECT_TRUE(writeWallpaperStyle(bare, kOwnFile, 0));
    EXPECT_EQ(bare[L"Wallpaper"], kOwnFile);
    EXPECT_EQ(bare[L"PrevWallpaper"], L"<none>");

    // A wallpaper without a tile value is recorded with "0".
    MapStore noTile;
    noTile.values = {{L"Wallpaper", kUserFile}};
    EXPECT_TRUE(writeWallpaperStyle(noTile, kOwnFile, 0));
    EXPECT_EQ(noTile[L"PrevTileWallpaper"], L"0");

    // When the user's wallpaper cannot be recorded it is not replaced, and Clear does not empty it.
    MapStore locked;
    locked.values = {{L"Wallpaper", kUserFile}, {L"TileWallpaper", L"1"}, {L"PrevWallpaper", L"older.bmp"}};
    locked.readOnly = {L"PrevWallpaper"};
    EXPECT_FALSE(writeWallpaperStyle(locked, kOwnFile, 1));
    EXPECT_FALSE(clearWallpaper(locked, kOwnFile).changed);
    EXPECT_EQ(locked[L"Wallpaper"], kUserFile);
    EXPECT_EQ(locked[L"PrevWallpaper"], L"older.bmp");
    EXPECT_EQ(locked[L"TileWallpaper"], L"1");
}

TEST(WallpaperRender, SizeIsTheViewsFitInTheMonitorOrTheWindow) {
    const Size32 window{800, 600}, monitor{1280, 1024};
    const FitSwitches squeeze{true, true, false}, stretch{false, true, true};
    // Wallpaper and full screen: the monitor; windowed: the window unless it wraps the image.
    EXPECT_EQ(wallpaperRenderSize({2560, 1440}, window, monitor, 2, false, 0, squeeze), (Size32{1280, 720}));
    EXPECT_EQ(wallpaperRenderSize({640, 512}, window, monitor, 2, false, 0, stretch), (Size32{1280, 1024}));
    EXPECT_EQ(wallpaperRenderSize({640, 512}, window, monitor, 2, false, 0, squeeze), (Size32{640, 512}));
    EXPECT_EQ(wallpaperRenderSize({2560, 1440}, window, monitor, 1, false, 0, squeeze), (Size32{1280, 720}));
    EXPECT_EQ(wallpaperRenderSize({2560, 1440}, window, monitor, 0, false, 0, squeeze), (Size32{800, 450}));
    EXPECT_EQ(wallpaperRenderSize({2560, 1440}, window, monitor, 0, true, 0, squeeze), (Size32{1280, 720}));
    // A zoom percentage wins over the fit.
    EXPECT_EQ(wallpaperRenderSize({640, 480}, window, monitor, 2, false, 150, squeeze), (Size32{960, 720}));
    EXPECT_EQ(wallpaperRenderSize({0, 480}, window, monitor, 2, false, 0, squeeze), (Size32{0, 0}));
}

TEST(WallpaperRoute, SystemOrBlackbox) {
    BlackboxWallpaperSettings bb;
    // Without Blackbox (or with its wallpaper off) the system wallpaper is set from the rendered file.
    for (bool present : {false, true}) {
        bb = {present, !present, false, 1};
        const WallpaperPlan plan = planWallpaper(bb, true, true);
        EXPECT_TRUE(plan.render && plan.tellSystem && !plan.sendToBlackbox);
    }
    // Blackbox owns it: the image is named by its own path and nothing is rendered...
    bb = {true, true, false, 1};
    WallpaperPlan plan = planWallpaper(bb, true, true);
    EXPECT_TRUE(plan.sendToBlackbox && !plan.render && !plan.tellSystem && !plan.nameRenderedFile &&
                !plan.resetBlackboxFirst);
    // ...unless it cannot be named exactly: then the rendered file is named.
    plan = planWallpaper(bb, true, false);
    EXPECT_TRUE(plan.sendToBlackbox && plan.render && plan.nameRenderedFile && !plan.tellSystem);
    // The scaled route renders, resets Blackbox's root and names the rendered file.
    bb.scale = true;
    plan = planWallpaper(bb, true, true);
    EXPECT_TRUE(plan.sendToBlackbox && plan.render && plan.nameRenderedFile && plan.resetBlackboxFirst);
    // Without the Blackbox window nothing is sent (the scaled route still renders its file).
    plan = planWallpaper(bb, false, true);
    EXPECT_TRUE(!plan.sendToBlackbox && plan.render && !plan.tellSystem);
    bb.scale = false;
    plan = planWallpaper(bb, false, true);
    EXPECT_TRUE(!plan.sendToBlackbox && !plan.render && !plan.tellSystem);
}

TEST(BlackboxCommand, TextAndPayload) {
    EXPECT_STREQ(blackboxStyleWord(9), "center");  // styles it does not know

    const std::string command = blackboxRootCommand("full", "C:\\pics\\a b.jpg");
    EXPECT_EQ(command, "@BBCore.rootCommand bsetroot -full \"C:\\pics\\a b.jpg\"");
    const std::vector<uint8_t> payload = blackboxCommandPayload(command);
    ASSERT_EQ(payload.size(), 308u);
    EXPECT_EQ(std::string(payload.begin(), payload.begin() + 8), std::string(8, '\0'));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(payload.data() + 8)), command);
    EXPECT_EQ(std::string(payload.begin() + 8 + static_cast<long>(command.size()), payload.end()),
              std::string(300 - command.size(), '\0'));

    // The longest path that may be named (260 bytes) fills the field exactly, terminator included;
    // a longer one is not cut into the name of another file: no command at all.
    const std::string longest(260, 'x');
    const std::string fullCommand = blackboxRootCommand("center", longest);
    EXPECT_EQ(fullCommand.size(), 299u);
    EXPECT_EQ(blackboxCommandPayload(fullCommand).size(), 308u);
    EXPECT_EQ(blackboxRootCommand("center", longest + "x"), "");
    EXPECT_EQ(blackboxRootCommand("center", ""), "");
    EXPECT_TRUE(blackboxCommandPayload(std::string(300, 'c')).empty());
    EXPECT_EQ(blackboxCommandPayload(kBlackboxResetCommand).size(), 308u);
}

}  // namespace
