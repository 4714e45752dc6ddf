// Settings files as users' editors leave them: saved again as UTF-8, not text at all, or holding
// numbers no setting can use. The real program reads what it can, keeps what it cannot read, and
// saves numbers within their ranges.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "e2e/harness.h"
#include "text.h"

namespace {

// Starts the program on a folder of one image with the given glimvue.ini and closes it again.
void runOnce(e2e::Glimvue& program, const std::string& settingsBytes, const std::wstring& switches = L"") {
    const e2e::TempFolder root(L"root");
    root.addBmp(L"a.bmp", 40, 30, 0x3366CC);
    program.add(L"glimvue.ini", settingsBytes);
    ASSERT_TRUE(program.start(e2e::quoted(root.path()) + switches));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
}

}  // namespace

TEST(SettingsText, Utf8FileIsReadAndSavedAsUtf16WithNumbersInRange) {
    e2e::Glimvue program;
    const std::string utf8 = "\xEF\xBB\xBF[Portable]\r\nfavorites=C:\\Bilder\\\xC3\x89t\xC3\xA9 \xE4\xB8\xAD\r\n"
                             "[Slideshow]\r\ntimer=7777\r\nopacity=300\r\n[Image]\r\nsqueeze=FALSE\r\n"
                             "shrink=FALSE\r\nzoom=99999\r\n";
    runOnce(program, utf8, L" -r-90");
    EXPECT_FALSE(std::filesystem::exists(program.file(L"glimvue.ini.bak"))) << "a readable file needs no copy";
    const Settings saved = program.savedSettings();
    EXPECT_EQ(saved.favorites, L"C:\\Bilder\\\u00c9t\u00e9 \u4e2d");
    EXPECT_EQ(saved.timer, 7777);
    EXPECT_EQ(saved.opacity, 255);
    EXPECT_EQ(saved.zoom, 10000);
    EXPECT_EQ(saved.rotation, 270);
}

TEST(SettingsText, FileThatIsNotTextIsKeptAsBakAndTheDefaultsAreSaved) {
    e2e::Glimvue program;
    std::string binary = "\x89PNG\r\n\x1A\n";
    for (int i = 0; i < 3000; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
    runOnce(program, binary, L" -t-5");
    EXPECT_EQ(e2e::readBytes(program.file(L"glimvue.ini.bak")), binary);
    const Settings saved = program.savedSettings();
    EXPECT_EQ(saved.timer, 5000) << "-t-5 takes the default interval";
    EXPECT_TRUE(saved.slide);
}
