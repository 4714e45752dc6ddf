#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "settings.h"
#include "text.h"

namespace fs = std::filesystem;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = fs::temp_directory_path() / (L"glimvue-settings-" + std::to_wstring(random()) + L"-" +
                                            std::to_wstring(random()));
        fs::create_directories(dir_);
        path_ = (dir_ / L"glimvue.ini").wstring();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    void save(Settings& settings) const {
        IniFile file;
        ASSERT_TRUE(file.open(path_, IniFile::Write));
        writeAllSections(file, settings);
    }
    void load(Settings& settings) const {
        IniFile file;
        ASSERT_TRUE(file.open(path_, IniFile::Read));
        readAllSections(file, settings);
    }
    void writeText(const std::wstring& text) const {
        std::string bytes = "\xFF\xFE";
        for (char16_t unit : toUtf16(text)) bytes += std::string{char(unit & 0xFF), char(unit >> 8)};
        std::ofstream(dir_ / L"glimvue.ini", std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
    // The lines of the file, decoded from UTF-16LE after its byte-order mark.
    std::vector<std::wstring> lines() const {
        std::ifstream in(dir_ / L"glimvue.ini", std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::u16string units;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            units.push_back(char16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
        std::vector<std::wstring> result;
        const std::wstring text = fromUtf16(units);
        for (size_t start = 0, end; start < text.size(); start = end + 2) {
            end = text.find(L"\r\n", start);
            if (end == std::wstring::npos) end = text.size();
            result.push_back(text.substr(start, end - start));
        }
        return result;
    }

    fs::path dir_;
    std::wstring path_;
};

std::wstring rowText(Settings& settings, const SettingSchemaRow& row) {
    return formatSettingValue(row.type, row.field(settings));
}

}  // namespace

TEST_F(SettingsFileTest, DefaultsFollowTheSchemaTable) {
    Settings s;
    EXPECT_EQ(s.version, L"1.00");
    EXPECT_EQ(s.portableNote, kPortableNote);
    EXPECT_TRUE(s.savefolder);
    EXPECT_EQ(s.folder, L"");
    EXPECT_EQ(s.fileManager, L"explorer.exe");
    EXPECT_EQ(s.autorefreshLatency, 200);
    EXPECT_EQ(s.quadrantWipeLatency, 12);
    EXPECT_EQ(s.crossfadeLatency, 30);
    EXPECT_EQ(s.timer, 5000);
    EXPECT_EQ(s.sortby, 1);
    EXPECT_EQ(s.opacity, 127);
    EXPECT_FALSE(s.emf);
    EXPECT_TRUE(s.jpg);
    EXPECT_EQ(s.thumbsize, 100);
    EXPECT_EQ(s.zoomstep, 10);
    EXPECT_EQ(s.collagesize, 250);
    for (bool flag : s.transitionFlags) EXPECT_TRUE(flag);
    EXPECT_EQ(s.presetRects[4], Rect32{});
    EXPECT_EQ(s.bbCaptionAdjust, 4);
    EXPECT_EQ(s.bbWallpaperStyle, 1);
    EXPECT_TRUE(s.atCursor);
    EXPECT_EQ(s.hidemod, 1);
    EXPECT_EQ(s.hidekey, 27);
    EXPECT_EQ(settingsSections().size(), 19u);
    EXPECT_EQ(sectionMaxChars(L"Glimvue"), 12u);
    EXPECT_EQ(sectionMaxChars(L"Portable"), 260u);
}

TEST_F(SettingsFileTest, DefaultFileHasNineteenHeadersInOrder) {
    Settings s;
    save(s);
    const std::vector<std::wstring> all = lines();
    std::vector<std::wstring> headers;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].empty() || all[i][0] != L'[') continue;
        headers.push_back(all[i]);
        EXPECT_EQ(i == 0, headers.size() == 1);
        if (i > 0) {
            EXPECT_EQ(all[i - 1], L"") << all[i];
        }
    }
    std::vector<std::wstring> expected;
    for (const auto& name : settingsSections()) expected.push_back(L"[" + name + L"]");
    EXPECT_EQ(headers, expected);
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(all[1], L"version=1.00");
    EXPECT_EQ(all[4], L";=for portability set savefolder=FALSE and use relative paths, eg. \\pics");
}

TEST_F(SettingsFileTest, EverySettingRoundTrips) {
    // Every value differs from its default and from the settings it is read into.
    Settings written;
    int n = 0;
    for (const auto& row : settingsSchema()) {
        void* field = row.field(written);
        ++n;
        switch (row.type) {
        case SettingType::Bool: *static_cast<bool*>(field) = !*static_cast<bool*>(field); break;
        case SettingType::Short: *static_cast<int16_t*>(field) = int16_t(-1000 - n); break;
        case SettingType::Long: *static_cast<int32_t*>(field) = -100000 * n; break;
        default: *static_cast<std::wstring*>(field) = L"\u00e9\u4e2d " + std::to_wstring(n); break;
        }
    }
    written.folder = L"D:\\" + std::wstring(256, L'f');
    save(written);
    Settings read;
    load(read);
    for (const auto& row : settingsSchema())
        EXPECT_EQ(rowText(read, row), rowText(written, row)) << row.section << L"/" << row.key;
}

TEST_F(SettingsFileTest, PartialSectionsKeepTheValuesInForce) {
    writeText(L"[Transitions]\r\n2=TRUE\r\n[Portable]\r\n"
              L";=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r\n"
              L"[Glimvue]\r\nversion=123456789012345\r\n");
    Settings s;
    s.transitionFlags.fill(false);
    s.savefolder = true;
    s.portableNote = L"kept";
    load(s);
    for (size_t i = 0; i < s.transitionFlags.size(); ++i) EXPECT_EQ(s.transitionFlags[i], i == 1) << i;
    EXPECT_TRUE(s.savefolder);  // the note's own text sets nothing
    EXPECT_EQ(s.portableNote, L"kept");
    EXPECT_EQ(s.version, L"12345678901");  // the first section keeps 11 characters
    EXPECT_EQ(s.timer, 5000);
}
