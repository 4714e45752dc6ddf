// Numeric settings kept inside the values their meaning allows, after the settings file and after
// the command line.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>

#include "command_line.h"
#include "settings.h"
#include "settings_ranges.h"
#include "temp_files.h"
#include "text.h"

namespace {

int32_t numberOf(const SettingSchemaRow& row, Settings& settings) {
    void* field = row.field(settings);
    return row.type == SettingType::Long ? *static_cast<int32_t*>(field) : *static_cast<int16_t*>(field);
}

bool isNumeric(SettingType type) {
    return type == SettingType::Short || type == SettingType::Int16 || type == SettingType::Long;
}

}  // namespace

TEST(SettingRanges, EveryNumberHasARangeThatHoldsItsDefaultAndFitsItsField) {
    Settings defaults;
    for (const SettingSchemaRow& row : settingsSchema()) {
        const std::string name = toUtf8(std::wstring(row.section) + L"/" + row.key);
        const SettingRange* range = findSettingRange(row.section, row.key);
        ASSERT_EQ(range != nullptr, isNumeric(row.type)) << name;
        if (!range) continue;
        const int32_t value = numberOf(row, defaults);
        EXPECT_EQ(keepInRange(*range, value), value) << name << ": the default is outside the range";
        EXPECT_EQ(keepInRange(*range, range->fallback), range->fallback) << name;
        if (row.type != SettingType::Long) {
            for (int32_t bound : {range->minimum, range->maximum, range->fallback})
                EXPECT_TRUE(bound >= -32768 && bound <= 32767) << name << ": " << bound << " does not fit 16 bits";
        }
    }
    for (const SettingRange& range : settingRanges()) EXPECT_LE(range.minimum, range.maximum);
}

TEST(SettingRanges, OutOfRangeNumbersAreCutOrTakeTheDefaultAlsoWhenTyped) {
    const int32_t kMin = std::numeric_limits<int32_t>::min(), kMax = std::numeric_limits<int32_t>::max();
    const std::tuple<const wchar_t*, const wchar_t*, int32_t, int32_t> cases[] = {
        {L"Slideshow", L"timer", -5, 5000},          {L"Slideshow", L"timer", 0, 0},
        {L"Slideshow", L"timer", kMax, 86400000},    {L"Image", L"zoom", 32767, 10000},
        {L"Image", L"zoom", -31073, 0},              {L"Image", L"zoomstep", 0, 10},
        {L"Slideshow", L"opacity", 300, 255},        {L"Slideshow", L"opacity", -1, 255},
        {L"Slideshow", L"sort", 3, 0},               {L"Slideshow", L"sortby", -1, 1},
        {L"Image", L"rotation", -90, 270},           {L"Image", L"rotation", 450, 90},
        {L"Image", L"rotation", 45, 0},              {L"Window", L"fullscreenlayout", 3, 0},
        {L"Window", L"bgcolor", 0xFFFFFF, 0xFFFFFF}, {L"Window", L"bgcolor", -1, 0},
        {L"Position", L"left", kMin, -32768},        {L"Presets", L"5bottom", kMax, 32767},
        {L"Catalog Position", L"top", -1200, -1200}, {L"Shell", L"bb caption adjust", -999, -200},
        {L"Catalog", L"thumbsize", 0, 100},          {L"Catalog", L"thumbsize", 5000, 1024},
        {L"Settings", L"bookmark", -1, 0},           {L"Hotkeys", L"hidekey", 0, 27},
        {L"Tweak", L"autorefresh latency", -200, 200}, {L"Tweak Transitions", L"crossfade latency", 5000, 100},
    };
    for (const auto& [section, key, value, expected] : cases) {
        const SettingRange* range = findSettingRange(section, key);
        ASSERT_NE(range, nullptr) << toUtf8(key);
        EXPECT_EQ(keepInRange(*range, value), expected) << toUtf8(key) << " " << value;
    }
    EXPECT_EQ(findSettingRange(L"Slideshow", L"slide"), nullptr);
    EXPECT_EQ(findSettingRange(L"Position", L"timer"), findSettingRange(L"Position", L"left"));

    // The dialog reads digits without wrapping; the value then goes through its setting's range.
    const uint32_t typed = parseUnsignedDigits(L"99999999999");
    EXPECT_EQ(typed, 4294967295u);
    Settings s;
    EXPECT_EQ(enteredSettingValue(s, &s.zoomstep, 999999999) + enteredSettingValue(s, &s.zoomstep, 0), 1000 + 10);
    EXPECT_EQ(enteredSettingValue(s, &s.collagesize, typed), 4096);
    EXPECT_EQ(enteredSettingValue(s, &s.thumbsize, 999999999), 1024);
    EXPECT_EQ(enteredSettingValue(s, &s.opacity, typed) + enteredSettingValue(s, &s.timer, 7), 255 + 7);
    EXPECT_EQ(enteredSettingValue(s, &s.bbCaptionAdjust, 300), 200);
}

using SettingRangesFile = TempDirTest;

TEST_F(SettingRangesFile, WildValuesFromTheFileAndTheCommandLineAreSavedInRange) {
    writeBytes(utf16File(u"[Slideshow]\r\ntimer=-5\r\nopacity=300\r\nsort=9\r\n[Image]\r\nzoom=99999\r\n"
                         u"rotation=-90\r\nzoomstep=12\r\n[Position]\r\nleft=-9999999999\r\nright=640\r\n"));
    Settings settings;
    {
        IniFile file;
        ASSERT_TRUE(file.open(path(), IniFile::Read));
        readAllSections(file, settings);
    }
    keepSettingsInRange(settings);
    EXPECT_EQ(settings.timer, 5000);
    EXPECT_EQ(settings.opacity, 255);
    EXPECT_EQ(settings.sort, 0);
    EXPECT_EQ(settings.zoom, 10000);
    EXPECT_EQ(settings.rotation, 270);
    EXPECT_EQ(settings.zoomstep, 12);
    EXPECT_EQ(settings.windowRect, (Rect32{-32768, 0, 640, 0}));

    // The command line after the file: -t-5 must not stop the slideshow for good.
    for (const wchar_t* argument : {L"-t-5", L"-z99999", L"-b-3", L"-r630"}) applySwitch(settings, argument);
    keepSettingsInRange(settings);
    EXPECT_EQ(settings.timer, 5000);
    EXPECT_EQ(settings.zoom, 10000);
    EXPECT_EQ(settings.opacity, 255);
    EXPECT_EQ(settings.rotation, 270);
}
