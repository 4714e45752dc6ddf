// The desktop wallpaper through the real registry of the test prefix and the system's own wallpaper
// setting: wallpaper mode's file at the screen's size, the user's wallpaper kept once, Clear and
// Restore, the style values, and the command-line switches.
#include <windows.h>

#include "win/imaging_fixture.h"

#include "display/view_image.h"
#include "shell/wallpaper.h"

using namespace wintest;

namespace {

class WallpaperTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(imaging_.ok());
        context_.wallpaperPath = folder_.file(L"glimpaper.jpg");
        context_.blackbox = {false, true, false, 1};
        userWallpaper_ = folder_.file(L"lake.bmp");
        ASSERT_TRUE(writePatternImage(userWallpaper_, 64, 48, L"image/bmp"));
        DesktopValuesKept::write(L"Wallpaper", userWallpaper_);
        DesktopValuesKept::write(L"TileWallpaper", L"1");
        DesktopValuesKept::write(L"WallpaperStyle", L"0");
        DesktopValuesKept::remove(L"PrevWallpaper");
        DesktopValuesKept::remove(L"PrevTileWallpaper");
    }

    static std::wstring value(const wchar_t* name) { return DesktopValuesKept::read(name).value_or(L"<none>"); }

    Imaging imaging_;
    DesktopValuesKept kept_;
    TempFolder folder_;
    WallpaperContext context_;
    std::wstring userWallpaper_;
};

TEST_F(WallpaperTest, WallpaperModeSetsTheScreenSizedFileAndKeepsTheFirstPreviousWallpaper) {
    const Size32 screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    const std::wstring source = folder_.file(L"quarter.png");
    ASSERT_TRUE(writePatternImage(source, screen.width / 4, screen.height / 4));
    ViewImage image;
    ASSERT_TRUE(wintest::loadPicture(image, source));

    // Entering wallpaper mode: style 0 records the user's wallpaper and names the program's file.
    ASSERT_TRUE(writeDesktopWallpaperStyle(context_, 0));
    EXPECT_EQ(value(L"Wallpaper"), context_.wallpaperPath);
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);
    EXPECT_EQ(value(L"PrevTileWallpaper"), L"1");
    EXPECT_EQ(value(L"TileWallpaper"), L"1");  // style 0 leaves the style values alone

    // The image at the screen's fit (stretched to cover: exactly the screen) becomes the wallpaper.
    const Size32 size = wallpaperRenderSize({image.naturalWidth(), image.naturalHeight()}, {400, 300}, screen, 2,
                                            false, 0, {false, true, true});
    ASSERT_EQ(size, screen);
    ASSERT_TRUE(setDesktopWallpaper(context_, image, size, source));
    const auto written = decodeInfo(context_.wallpaperPath);
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->width, screen.width);
    EXPECT_EQ(written->height, screen.height);
    EXPECT_TRUE(IsEqualGUID(written->format, kJpegFormat));
    EXPECT_EQ(systemWallpaper(), context_.wallpaperPath);
    EXPECT_FALSE(std::filesystem::exists(context_.wallpaperPath + L".new"));

    // Entering wallpaper mode again, and the next slide, keep the user's wallpaper on record.
    ASSERT_TRUE(writeDesktopWallpaperStyle(context_, 0));
    ASSERT_TRUE(setDesktopWallpaper(context_, image, {320, 200}, source));
    EXPECT_EQ(decodeInfo(context_.wallpaperPath)->width, 320);
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);
    EXPECT_EQ(value(L"PrevTileWallpaper"), L"1");

    // A render that cannot be made leaves the last wallpaper file whole and the system untold.
    const std::string before = readFile(context_.wallpaperPath);
    ViewImage empty;
    EXPECT_FALSE(setDesktopWallpaper(context_, empty, {320, 200}, L""));
    EXPECT_FALSE(renderWallpaperFile(image, context_.wallpaperPath, {0, 200}));
    EXPECT_EQ(readFile(context_.wallpaperPath), before);
    EXPECT_FALSE(std::filesystem::exists(context_.wallpaperPath + L".new"));

    // Restore brings back the user's wallpaper.
    ASSERT_TRUE(restoreDesktopWallpaper());
    EXPECT_EQ(value(L"Wallpaper"), userWallpaper_);
    EXPECT_EQ(value(L"TileWallpaper"), L"1");
    EXPECT_EQ(systemWallpaper(), userWallpaper_);
}

TEST_F(WallpaperTest, ClearThenRestoreBringsBackThePreviousWallpaper) {
    // The user's own wallpaper.
    ASSERT_TRUE(clearDesktopWallpaper(context_.wallpaperPath));
    EXPECT_EQ(value(L"Wallpaper"), L"");
    EXPECT_EQ(value(L"TileWallpaper"), L"0");
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);
    EXPECT_EQ(systemWallpaper(), L"");
    EXPECT_FALSE(clearDesktopWallpaper(context_.wallpaperPath));  // nothing left to clear: nothing recorded over it
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);
    ASSERT_TRUE(restoreDesktopWallpaper());
    EXPECT_EQ(value(L"Wallpaper"), userWallpaper_);
    EXPECT_EQ(value(L"TileWallpaper"), L"1");
    EXPECT_EQ(systemWallpaper(), userWallpaper_);

    // A wallpaper stored with variables is recorded as the file it names.
    SetEnvironmentVariableW(L"GLIMVUE_TEST_PICTURES", folder_.path().c_str());
    const std::wstring withVariable = L"%GLIMVUE_TEST_PICTURES%\\lake.bmp";
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", REG_EXPAND_SZ, withVariable.c_str(),
                    static_cast<DWORD>((withVariable.size() + 1) * sizeof(wchar_t)));
    ASSERT_TRUE(clearDesktopWallpaper(context_.wallpaperPath));
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);

    // Nothing on record: Restore changes nothing.
    DesktopValuesKept::remove(L"PrevWallpaper");
    EXPECT_FALSE(restoreDesktopWallpaper());
    EXPECT_EQ(value(L"Wallpaper"), L"");
}

TEST_F(WallpaperTest, StylesSwitchesAndBlackboxLeaveTheRightValues) {
    const struct { int style; const wchar_t* tile; const wchar_t* wallpaperStyle; } rows[] = {
        {1, L"0", L"0"}, {2, L"1", L"0"}, {3, L"0", L"2"}, {4, L"0", L"6"}, {5, L"0", L"10"}};
    for (const auto& row : rows) {
        ASSERT_TRUE(writeDesktopWallpaperStyle(context_, row.style));
        EXPECT_EQ(value(L"TileWallpaper"), row.tile) << row.style;
        EXPECT_EQ(value(L"WallpaperStyle"), row.wallpaperStyle) << row.style;
    }
    EXPECT_EQ(value(L"PrevWallpaper"), userWallpaper_);

    // A switch without Blackbox writes the style and has the system re-read its settings.
    int16_t bbStyle = 1;
    DesktopValuesKept::write(L"Wallpaper", userWallpaper_);
    applyWallpaperSwitch(context_, 2, bbStyle);
    EXPECT_EQ(value(L"Wallpaper"), context_.wallpaperPath);
    EXPECT_EQ(value(L"TileWallpaper"), L"1");
    EXPECT_EQ(systemWallpaper(), context_.wallpaperPath);
    EXPECT_EQ(bbStyle, 1);

    // While Blackbox runs the switches only choose its style (fit and fill do nothing), and while
    // it owns the wallpaper the desktop values are left alone.
    context_.blackbox.present = true;
    DesktopValuesKept::write(L"Wallpaper", userWallpaper_);
    DesktopValuesKept::write(L"TileWallpaper", L"1");
    applyWallpaperSwitch(context_, 3, bbStyle);
    EXPECT_EQ(bbStyle, 3);
    applyWallpaperSwitch(context_, 4, bbStyle);
    applyWallpaperSwitch(context_, 5, bbStyle);
    EXPECT_EQ(bbStyle, 3);
    EXPECT_TRUE(writeDesktopWallpaperStyle(context_, 2));
    EXPECT_EQ(value(L"Wallpaper"), userWallpaper_);
    EXPECT_EQ(value(L"TileWallpaper"), L"1");
}

}  // namespace
