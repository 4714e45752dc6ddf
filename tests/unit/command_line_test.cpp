#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "settings.h"

namespace {

using Args = std::vector<std::wstring>;

// The schema row of a setting, by its key in the settings file.
const SettingSchemaRow& schemaRow(const std::wstring& section, const std::wstring& key) {
    for (const auto& row : settingsSchema())
        if (section == row.section && key == row.key) return row;
    ADD_FAILURE() << "no setting [" << std::string(section.begin(), section.end()) << "] "
                  << std::string(key.begin(), key.end());
    static const SettingSchemaRow none{};
    return none;
}

// A flag or number setting read through the schema, as an int.
int readSetting(Settings& s, const std::wstring& section, const std::wstring& key) {
    const auto& row = schemaRow(section, key);
    if (!row.field) return INT_MIN;
    void* p = row.field(s);
    switch (row.type) {
        case SettingType::Bool: return *static_cast<bool*>(p) ? 1 : 0;
        case SettingType::Short: return *static_cast<int16_t*>(p);
        case SettingType::Long: return *static_cast<int32_t*>(p);
        default: ADD_FAILURE() << "unexpected type"; return INT_MIN;
    }
}

void writeSetting(Settings& s, const std::wstring& section, const std::wstring& key, int value) {
    const auto& row = schemaRow(section, key);
    if (!row.field) return;
    void* p = row.field(s);
    switch (row.type) {
        case SettingType::Bool: *static_cast<bool*>(p) = value != 0; break;
        case SettingType::Short: *static_cast<int16_t*>(p) = static_cast<int16_t>(value); break;
        case SettingType::Long: *static_cast<int32_t*>(p) = value; break;
        default: break;
    }
}

// Every setting as text, to see that nothing changed.
std::vector<std::wstring> snapshot(Settings& s) {
    std::vector<std::wstring> values;
    for (const auto& row : settingsSchema()) {
        if (row.type == SettingType::String)
            values.push_back(*static_cast<std::wstring*>(row.field(s)));
        else
            values.push_back(std::to_wstring(readSetting(s, row.section, row.key)));
    }
    return values;
}

std::string narrow(const std::wstring& w) {
    std::string out;
    for (wchar_t c : w) out += (c >= 32 && c < 127) ? static_cast<char>(c) : '?';
    return out;
}

// ------------------------------------------------------------------------------------------------

TEST(CommandLineSplit, FollowsTheWindowsQuotingRules) {
    struct Case {
        std::wstring line;
        Args expected;
    };
    const Case cases[] = {
        {L"", {L""}},
        {L"   ", {L""}},
        {L"prog", {L"prog"}},
        {L"prog a b", {L"prog", L"a", L"b"}},
        {L"prog  a\t\tb  ", {L"prog", L"a", L"b"}},
        {L" a b", {L"", L"a", L"b"}},
        {L"C:\\x\\glimvue.exe -slide", {L"C:\\x\\glimvue.exe", L"-slide"}},
        // The program name takes no escapes and may hold blanks when quoted.
        {L"\"C:\\Program Files\\glimvue.exe\" -t3000", {L"C:\\Program Files\\glimvue.exe", L"-t3000"}},
        {L"\"pr\\\"og\" x", {L"pr\\", L"og x"}},
        {L"\"prog\"arg", {L"prog", L"arg"}},
        {L"\"unterminated program a b", {L"unterminated program a b"}},
        // Quotes group blanks and may start or end anywhere in an argument.
        {L"prog \"a b\" c", {L"prog", L"a b", L"c"}},
        {L"prog a\"b c\"d", {L"prog", L"ab cd"}},
        {L"prog \"unterminated arg", {L"prog", L"unterminated arg"}},
        {L"prog \"\" x \"\"", {L"prog", L"", L"x", L""}},
        // Backslashes.
        {L"prog a\\\\b c\\", {L"prog", L"a\\\\b", L"c\\"}},
        {L"prog a\\\"b", {L"prog", L"a\"b"}},
        {L"prog a\\\\\"b c\"", {L"prog", L"a\\b c"}},
        {L"prog a\\\\\\\"b", {L"prog", L"a\\\"b"}},
        {L"prog \\\\\\\\\"a b\"", {L"prog", L"\\\\a b"}},
        // A folder with a trailing backslash in quotes swallows the closing quote...
        {L"prog \"C:\\pics\\\" -t3000", {L"prog", L"C:\\pics\" -t3000"}},
        // ...unless the backslash is doubled.
        {L"prog \"C:\\pics\\\\\" -t3000", {L"prog", L"C:\\pics\\", L"-t3000"}},
        // Inside quotes a doubled quote is a quote and ends quoting.
        {L"prog \"a\"\"b c\"", {L"prog", L"a\"b", L"c"}},
        {L"prog \"a\"\"b\" c", {L"prog", L"a\"b c"}},
        {L"prog \"\"\"", {L"prog", L"\""}},
        {L"prog \"\"\"a\"\"\" z", {L"prog", L"\"a\"", L"z"}},
        {L"prog a\"\"b", {L"prog", L"ab"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitCommandLine(c.line), c.expected) << "line: " << narrow(c.line);
}

// ------------------------------------------------------------------------------------------------

// All switches of the user documentation, in its order (148).
const wchar_t* const kDocumentedSwitches =
    L"-translate -slide -noslide -windowed -fullscreen -wallpaper -ontop -notop -blend -noblend "
    L"-loop -loopause -loopexit -loopshuffle -noloopshuffle -sortforward -sortreverse -sortrandom "
    L"-sorttree -sorttreestrict -sortname -sortcreated -sortmodified -sortaccessed -sortcase "
    L"-nosortcase -wheelnav -wheelzoom -autoscroll -noautoscroll -quietscroll -animatescroll "
    L"-subfolders -nosubfolders -hidden -nohidden -autorefresh -noautorefresh -autofindcreate "
    L"-autofindmodify -autofindaccess -noautofind -bmp -nobmp -emf -noemf -gif -nogif -ico -noico "
    L"-jpg -nojpg -png -nopng -tif -notif -removefail -noremovefail -logerrors -nologerrors "
    L"-loglnkfail -nologlnkfail -landscape -portrait -markexit -nomarkexit -cathideview "
    L"-nocathideview -catlaunch -nocatlaunch -wrap -nowrap -crop -nocrop -squeeze -nosqueeze "
    L"-shrink -noshrink -stretch -nostretch -zoomdef -zoomhigh -zoombest -aspect -noaspect "
    L"-exiforient -noexiforient -collage -nocollage -transitions -notransitions -overlap -nooverlap "
    L"-title -notitle -fullname -shortname -statusbar -nostatusbar -trayicon -taskbar -decor -nodecor "
    L"-autocenter -noautocenter -roam -noroam -corral -nocorral -draggable -nodraggable -centered "
    L"-topleft -topright -bottomleft -bottomright -single -nosingle -screenname -noscreenname "
    L"-screencursor -noscreencursor -screencenter -screenroam -confirmdel -noconfirmdel -confirmarc "
    L"-noconfirmarc -arclog -noarclog -save -nosave -savefolder -nosavefolder -noshell -nomenu "
    L"-center -preset1 -preset2 -preset3 -preset4 -preset5 -centerwall -tilewall -stretchwall "
    L"-fitwall -fillwall -clearwall";

TEST(CommandLineSwitches, TableHoldsEveryDocumentedSwitchAndBrowse) {
    std::wistringstream words(kDocumentedSwitches);
    std::vector<std::wstring> documented;
    for (std::wstring w; words >> w;) documented.push_back(w);
    ASSERT_EQ(documented.size(), 148u);

    const auto names = namedSwitches();
    EXPECT_EQ(names.size(), 149u);  // the 148 above and -browse
    const std::set<std::wstring> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), names.size()) << "a switch appears twice";
    std::set<std::wstring> expected(documented.begin(), documented.end());
    expected.insert(L"-browse");
    EXPECT_EQ(unique, expected);

    // Every name is recognised as itself, never read as a number switch, and only the three fit
    // modes disturb a fixed zoom.
    for (const auto& name : names) {
        Settings s;
        s.squeeze = s.shrink = s.stretch = false;
        s.zoom = 150;
        s.timer = 1234;
        s.opacity = 55;
        s.rotation = 77;
        EXPECT_TRUE(applySwitch(s, name).recognized) << narrow(name);
        EXPECT_EQ(s.timer, 1234) << narrow(name);
        EXPECT_EQ(s.opacity, 55) << narrow(name);
        EXPECT_EQ(s.rotation, 77) << narrow(name);
        const bool fit = name == L"-squeeze" || name == L"-shrink" || name == L"-stretch";
        EXPECT_EQ(s.zoom, fit ? 0 : 150) << narrow(name);
    }
}

TEST(CommandLineSwitches, NamedSwitchesSetTheirSetting) {
    struct Case {
        const wchar_t* name;
        const wchar_t* section;
        const wchar_t* key;
        int expected;
    };
    const Case cases[] = {
        {L"-slide", L"Slideshow", L"slide", 1},           {L"-noslide", L"Slideshow", L"slide", 0},
        {L"-windowed", L"Slideshow", L"layer", 0},        {L"-fullscreen", L"Slideshow", L"layer", 1},
        {L"-wallpaper", L"Slideshow", L"layer", 2},       {L"-notop", L"Slideshow", L"ontop", 0},
        {L"-blend", L"Slideshow", L"blend", 1},           {L"-loopause", L"Slideshow", L"loop", 1},
        {L"-loopexit", L"Slideshow", L"loop", 2},         {L"-noloopshuffle", L"Slideshow", L"loopshuffle", 0},
        {L"-sortreverse", L"Slideshow", L"sort", 1},      {L"-sortrandom", L"Slideshow", L"sort", 2},
        {L"-sorttree", L"Slideshow", L"sortby", 0},       {L"-sorttreestrict", L"Slideshow", L"sortby", 1},
        {L"-sortcreated", L"Slideshow", L"sortby", 3},    {L"-sortaccessed", L"Slideshow", L"sortby", 5},
        {L"-sortcase", L"Slideshow", L"sortcase", 1},     {L"-wheelzoom", L"Slideshow", L"wheelnav", 0},
        {L"-wheelnav", L"Slideshow", L"wheelnav", 1},     {L"-noautoscroll", L"Slideshow", L"autoscroll", 0},
        {L"-animatescroll", L"Slideshow", L"quietautoscroll", 0},
        {L"-quietscroll", L"Slideshow", L"quietautoscroll", 1},
        {L"-nosubfolders", L"Folder", L"subfolders", 0},  {L"-nohidden", L"Folder", L"hidden", 0},
        {L"-noautorefresh", L"Folder", L"autorefresh", 0},
        {L"-autofindmodify", L"Folder", L"autofindtype", 2},
        {L"-noautofind", L"Folder", L"autofindtype", 0},  {L"-autofindaccess", L"Folder", L"autofindtype", 3},
        {L"-nobmp", L"Formats", L"bmp", 0},               {L"-emf", L"Formats", L"emf", 1},
        {L"-nogif", L"Formats", L"gif", 0},               {L"-ico", L"Formats", L"ico", 1},
        {L"-nojpg", L"Formats", L"jpg", 0},               {L"-tif", L"Formats", L"tif", 1},
        {L"-noremovefail", L"Errors", L"removefail", 0},  {L"-loglnkfail", L"Errors", L"loglnkfail", 1},
        {L"-nologerrors", L"Errors", L"logerrors", 0},    {L"-markexit", L"Settings", L"markexit", 1},
        {L"-nocathideview", L"Catalog", L"hide viewer", 0},
        {L"-catlaunch", L"Catalog", L"launch", 1},        {L"-nowrap", L"Image", L"wrap", 0},
        {L"-crop", L"Image", L"crop", 1},                 {L"-nosqueeze", L"Image", L"squeeze", 0},
        {L"-noshrink", L"Image", L"shrink", 0},           {L"-stretch", L"Image", L"stretch", 1},
        {L"-zoomhigh", L"Image", L"zoomquality", 2},      {L"-zoombest", L"Image", L"zoomquality", 7},
        {L"-noaspect", L"Image", L"rotateaspect", 0},     {L"-noexiforient", L"Image", L"exiforient", 0},
        {L"-collage", L"Image", L"collage", 1},           {L"-notransitions", L"Transitions", L"transitions", 0},
        {L"-nooverlap", L"Transitions", L"overlap", 0},   {L"-notitle", L"Window", L"title", 0},
        {L"-shortname", L"Window", L"fullname", 0},       {L"-nostatusbar", L"Window", L"statusbar", 0},
        {L"-trayicon", L"Window", L"trayicon", 1},        {L"-decor", L"Window", L"decorate", 1},
        {L"-corral", L"Window", L"corral", 1},            {L"-nodraggable", L"Window", L"draggable", 0},
        {L"-topright", L"Image", L"layout", 2},           {L"-bottomright", L"Image", L"layout", 4},
        {L"-centered", L"Image", L"layout", 0},           {L"-single", L"Window", L"singleinstance", 1},
        {L"-noscreenname", L"Window", L"fullscreenname", 0},
        {L"-noscreencursor", L"Window", L"fullscreencursor", 0},
        {L"-screenroam", L"Window", L"fullscreenlayout", 5},
        {L"-noconfirmdel", L"Shell", L"confirmdelete", 0},
        {L"-noconfirmarc", L"Shell", L"confirmarchive", 0},
        {L"-noarclog", L"Shell", L"archivelog", 0},       {L"-nosave", L"Settings", L"savesettings", 0},
        {L"-nosavefolder", L"Portable", L"savefolder", 0},
    };
    for (const auto& c : cases) {
        Settings s;
        // Start from a different value, so the switch must write it.
        const int other = c.expected == 1 ? 0 : (c.expected == 0 ? 1 : c.expected + 1);
        writeSetting(s, c.section, c.key, other);
        const auto before = snapshot(s);
        const SwitchOutcome outcome = applySwitch(s, c.name);
        EXPECT_TRUE(outcome.recognized) << narrow(c.name);
        EXPECT_EQ(outcome.action, SwitchAction::None) << narrow(c.name);
        EXPECT_EQ(readSetting(s, c.section, c.key), c.expected) << narrow(c.name);
        // Nothing else changes (zoom is 0 already with the default fit modes).
        writeSetting(s, c.section, c.key, other);
        EXPECT_EQ(snapshot(s), before) << narrow(c.name);
    }
}

TEST(CommandLineSwitches, AutocenterAndRoamExcludeEachOther) {
    Settings s;
    s.autocenter = true;
    s.roamwindow = false;
    applySwitch(s, L"-roam");
    EXPECT_TRUE(s.roamwindow);
    EXPECT_FALSE(s.autocenter);
    applySwitch(s, L"-autocenter");
    EXPECT_TRUE(s.autocenter);
    EXPECT_FALSE(s.roamwindow);
    applySwitch(s, L"-noautocenter");
    EXPECT_FALSE(s.autocenter);
    EXPECT_FALSE(s.roamwindow);
    s.autocenter = true;
    s.roamwindow = true;
    applySwitch(s, L"-noroam");
    EXPECT_FALSE(s.roamwindow);
    EXPECT_TRUE(s.autocenter);
}

TEST(CommandLineSwitches, ActionSwitchesReturnTheirActionAndChangeNoSetting) {
    struct Case {
        const wchar_t* name;
        SwitchAction action;
        int value;
    };
    const Case cases[] = {
        {L"-translate", SwitchAction::Translate, 0},    {L"-browse", SwitchAction::Browse, 0},
        {L"-noshell", SwitchAction::NoShell, 0},        {L"-nomenu", SwitchAction::NoMenu, 0},
        {L"-landscape", SwitchAction::Landscape, 0},    {L"-portrait", SwitchAction::Portrait, 0},
        {L"-center", SwitchAction::Center, 0},          {L"-preset1", SwitchAction::Preset, 1},
        {L"-preset2", SwitchAction::Preset, 2},         {L"-preset3", SwitchAction::Preset, 3},
        {L"-preset4", SwitchAction::Preset, 4},         {L"-preset5", SwitchAction::Preset, 5},
        {L"-centerwall", SwitchAction::WallpaperStyle, 1}, {L"-tilewall", SwitchAction::WallpaperStyle, 2},
        {L"-stretchwall", SwitchAction::WallpaperStyle, 3}, {L"-fitwall", SwitchAction::WallpaperStyle, 4},
        {L"-fillwall", SwitchAction::WallpaperStyle, 5}, {L"-clearwall", SwitchAction::ClearWallpaper, 0},
    };
    for (const auto& c : cases) {
        Settings s;
        s.wrap = true;  // restoring a preset and turning wrap off is the caller's part
        const auto before = snapshot(s);
        const SwitchOutcome outcome = applySwitch(s, c.name);
        EXPECT_TRUE(outcome.recognized) << narrow(c.name);
        EXPECT_EQ(outcome.action, c.action) << narrow(c.name);
        EXPECT_EQ(outcome.value, c.value) << narrow(c.name);
        EXPECT_EQ(snapshot(s), before) << narrow(c.name);
    }
}

TEST(CommandLineSwitches, UnknownOrMiscasedSwitchesChangeNothing) {
    for (const wchar_t* arg : {L"-FULLSCREEN", L"-Slide", L"-fullScreen", L"-Title", L"-T3000",
                               L"-slide2", L"--slide", L"-xyz", L"-", L"-s", L"-t", L"-b", L"-z",
                               L"-r", L"", L"slide", L"t3000", L"-preset6"}) {
        Settings s;
        s.squeeze = s.shrink = s.stretch = false;
        s.zoom = 150;  // an unknown switch does not even apply the fit rule
        const auto before = snapshot(s);
        const SwitchOutcome outcome = applySwitch(s, arg);
        EXPECT_FALSE(outcome.recognized) << narrow(arg);
        EXPECT_EQ(outcome.action, SwitchAction::None) << narrow(arg);
        EXPECT_EQ(snapshot(s), before) << narrow(arg);
    }
}

// ------------------------------------------------------------------------------------------------

TEST(CommandLineNumbers, LeadingIntReadsLikeWtoi) {
    struct Case {
        const wchar_t* text;
        int expected;
    };
    const Case cases[] = {
        {L"", 0},           {L"abc", 0},          {L"42", 42},           {L"  \t42x7", 42},
        {L"+7", 7},         {L"-5", -5},          {L"-0", 0},            {L"+", 0},
        {L"- 5", 0},        {L"--5", 0},          {L"\n\r\v\f9", 9},     {L"007", 7},
        {L"2147483647", INT_MAX},                 {L"2147483648", INT_MAX},
        {L"-2147483648", INT_MIN},                {L"-2147483649", INT_MIN},
        {L"99999999999999999999999999", INT_MAX}, {L"-99999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(parseLeadingInt(c.text), c.expected) << narrow(c.text);
}

TEST(CommandLineNumbers, TimerOpacityZoomAndRotationSwitches) {
    Settings s;
    EXPECT_TRUE(applySwitch(s, L"-t3000").recognized);
    EXPECT_EQ(s.timer, 3000);
    EXPECT_TRUE(applySwitch(s, L"-tfoo").recognized);  // no named switch: a timer of 0
    EXPECT_EQ(s.timer, 0);
    s.timer = 500;
    EXPECT_FALSE(applySwitch(s, L"-t").recognized);
    EXPECT_EQ(s.timer, 500);
    s.title = false;
    EXPECT_TRUE(applySwitch(s, L"-title").recognized);
    EXPECT_TRUE(s.title);
    EXPECT_EQ(s.timer, 500);
    applySwitch(s, L"-title ");  // not whole: read as a timer
    EXPECT_EQ(s.timer, 0);
    applySwitch(s, L"-t99999999999");
    EXPECT_EQ(s.timer, INT_MAX);
    applySwitch(s, L"-t-250");
    EXPECT_EQ(s.timer, -250);

    applySwitch(s, L"-b300");
    EXPECT_EQ(s.opacity, 300);
    applySwitch(s, L"-b70000");  // the low 16 bits
    EXPECT_EQ(s.opacity, 4464);
    applySwitch(s, L"-b65535");
    EXPECT_EQ(s.opacity, -1);

    applySwitch(s, L"-r90");
    EXPECT_EQ(s.rotation, 90);
    applySwitch(s, L"-r-270");
    EXPECT_EQ(s.rotation, -270);
    applySwitch(s, L"-rotate");  // not a named switch
    EXPECT_EQ(s.rotation, 0);
}

TEST(CommandLineNumbers, FitModesResetZoomAfterEverySwitch) {
    Settings s;
    s.squeeze = s.shrink = s.stretch = true;
    EXPECT_TRUE(applySwitch(s, L"-z150").recognized);
    EXPECT_EQ(s.zoom, 150);
    EXPECT_FALSE(s.squeeze || s.shrink || s.stretch);
    applySwitch(s, L"-nosqueeze");
    applySwitch(s, L"-t10");
    EXPECT_EQ(s.zoom, 150);
    applySwitch(s, L"-squeeze");
    EXPECT_EQ(s.zoom, 0);

    for (const wchar_t* fit : {L"-shrink", L"-stretch"}) {
        applySwitch(s, L"-z200");
        applySwitch(s, fit);
        EXPECT_EQ(s.zoom, 0) << narrow(fit);
    }

    // Any recognised switch applies the rule, whatever it set.
    s.squeeze = s.shrink = s.stretch = false;
    s.zoom = 120;
    s.shrink = true;
    applySwitch(s, L"-r90");
    EXPECT_EQ(s.zoom, 0);
    s.zoom = 120;
    applySwitch(s, L"-center");
    EXPECT_EQ(s.zoom, 0);
    s.zoom = 120;
    applySwitch(s, L"-unknown");
    EXPECT_EQ(s.zoom, 120);

    applySwitch(s, L"-z70000");
    EXPECT_EQ(s.zoom, 4464);
}

// ------------------------------------------------------------------------------------------------

TEST(CommandLinePaths, TrailingBlanksAndSettingsFiles) {
    EXPECT_EQ(cleanPathArgument(L"C:\\pics  "), L"C:\\pics");
    EXPECT_EQ(cleanPathArgument(L"   "), L"");
    EXPECT_EQ(cleanPathArgument(L""), L"");
    EXPECT_EQ(cleanPathArgument(L" a b "), L" a b");
    EXPECT_EQ(cleanPathArgument(L"a\t"), L"a\t");

    EXPECT_TRUE(isSettingsFileArgument(L"glimvue.ini"));
    EXPECT_TRUE(isSettingsFileArgument(L"C:\\my.pics\\other.ini"));
    EXPECT_TRUE(isSettingsFileArgument(L".ini"));
    EXPECT_FALSE(isSettingsFileArgument(L"glimvue.INI"));
    EXPECT_FALSE(isSettingsFileArgument(L"dir.ini\\x.jpg"));
    EXPECT_FALSE(isSettingsFileArgument(L"C:\\pics\\ini"));
    EXPECT_FALSE(isSettingsFileArgument(L"a.ini.bak"));
    EXPECT_FALSE(isSettingsFileArgument(L"a.inix"));
    EXPECT_FALSE(isSettingsFileArgument(L"a.in"));
    EXPECT_FALSE(isSettingsFileArgument(L""));
}

}  // namespace
