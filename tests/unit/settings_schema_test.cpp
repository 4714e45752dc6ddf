// The settings table: defaults, the file's section layout and reading the file back.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "settings.h"
#include "temp_files.h"
#include "text.h"

namespace {

using SettingsFileTest = TempDirTest;
// Writes or reads every section of the test file.
void transfer(const std::wstring& path, Settings& settings, bool write) {
    IniFile file;
    ASSERT_TRUE(file.open(path, write ? IniFile::Write : IniFile::Read));
    write ? writeAllSections(file, settings) : readAllSections(file, settings);
}

TEST_F(SettingsFileTest, DefaultFileHasNineteenHeadersInOrder) {
    Settings s;
    EXPECT_TRUE(s.timer == 5000 && s.opacity == 127 && s.fileManager == L"explorer.exe" && s.folder.empty() && !s.emf);
    transfer(path(), s, true);
    std::wistringstream text(fromUtf16(fromLe16(readBytes().substr(2))));  // after the byte-order mark
    std::vector<std::wstring> all, headers, expected;  // lines split at "\n" keep their "\r"
    for (std::wstring line; std::getline(text, line);) all.push_back(line);
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].empty() || all[i][0] != L'[') continue;
        headers.push_back(all[i]);
            if (i > 0) EXPECT_EQ(all[i - 1], L"\r") << toUtf8(all[i]);  // a blank line before every later header
    }
    for (const auto& name : settingsSections()) expected.push_back(L"[" + name + L"]\r");
    EXPECT_EQ(expected.size(), 19u);
    EXPECT_EQ(headers, expected);
    ASSERT_GE(all.size(), 5u);
    EXPECT_EQ(all[1], L"version=1.00\r");
    EXPECT_EQ(all[4], L";=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r");
}

TEST_F(SettingsFileTest, EverySettingRoundTrips) {
    // Every value differs from its default and from the settings it is read into.
    Settings written, read;
    for (int n = 1; const auto& row : settingsSchema()) {
        void* field = row.field(written);
        switch (row.type) {
        case SettingType::Bool: *static_cast<bool*>(field) = !*static_cast<bool*>(field); break;
        case SettingType::Short: *static_cast<int16_t*>(field) = int16_t(-1000 - n); break;
        case SettingType::Long: *static_cast<int32_t*>(field) = -100000 * n; break;
        default: *static_cast<std::wstring*>(field) = L"\u00e9\u4e2d " + std::to_wstring(n); break;
        }
        ++n;
    }
    written.folder = L"D:\\" + std::wstring(256, L'f');  // 259 characters
    transfer(path(), written, true);
    transfer(path(), read, false);
    for (const auto& row : settingsSchema())
        EXPECT_EQ(formatSettingValue(row.type, row.field(read)), formatSettingValue(row.type, row.field(written)))
            << toUtf8(row.section) << "/" << toUtf8(row.key);
}

TEST_F(SettingsFileTest, PartialSectionsKeepTheValuesInForce) {
    writeBytes(utf16File(u"[Transitions]\r\n2=TRUE\r\n[Portable]\r\n"
                         u";=for portability set savefolder=FALSE and use relative paths, eg. \\pics\r\n"
                         u"[Glimvue]\r\nversion=123456789012345\r\n"));
    Settings s;
    s.transitionFlags.fill(false);
    s.portableNote = L"kept";
    transfer(path(), s, false);
    for (size_t i = 0; i < s.transitionFlags.size(); ++i) EXPECT_EQ(s.transitionFlags[i], i == 1) << i;
    EXPECT_TRUE(s.savefolder);  // the note's own text sets nothing
    EXPECT_EQ(s.portableNote, L"kept");
    EXPECT_EQ(s.version, L"12345678901");  // the first section keeps 11 characters
    EXPECT_EQ(sectionMaxChars(L"Portable"), 260u);
}

}  // namespace
