#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "settings.h"
#include "text.h"

namespace {

using Texts = std::vector<std::wstring>;

// Every setting as "key=value", in schema order.
Texts snapshot(Settings& s) {
    Texts values;
    for (const auto& row : settingsSchema())
        values.push_back(row.key + (L"=" + formatSettingValue(row.type, row.field(s))));
    return values;
}

// Applies the switch to the default settings after setting each "key=value" of `start`; returns the
// settings that then differ, as "key=value".
Texts changesOf(const std::wstring& argument, const Texts& start, SwitchOutcome* outcome = nullptr) {
    Settings s;
    for (const auto& line : start)
        for (const auto& row : settingsSchema())
            if (line.substr(0, line.find(L'=')) == row.key)
                parseSettingValue(line.substr(line.find(L'=') + 1), row.type, row.field(s), 260);
    const Texts before = snapshot(s);
    const SwitchOutcome result = applySwitch(s, argument);
    if (outcome) *outcome = result;
    const Texts after = snapshot(s);
    Texts changed;
    for (size_t i = 0; i < after.size(); ++i)
        if (after[i] != before[i]) changed.push_back(after[i]);
    return changed;
}

TEST(CommandLineSplit, FollowsTheWindowsQuotingRules) {
    const std::pair<std::wstring, Texts> cases[] = {
        {L"", {L""}},                                  {L" a b", {L"", L"a", L"b"}},
        {L"prog  a\t\tb  ", {L"prog", L"a", L"b"}},
        // The program name takes no escapes and may hold blanks when quoted.
        {L"\"C:\\Program Files\\glimvue.exe\" -t3000", {L"C:\\Program Files\\glimvue.exe", L"-t3000"}},
        {L"\"pr\\\"og\" x", {L"pr\\", L"og x"}},            {L"\"prog\"arg", {L"prog", L"arg"}},
        {L"\"unterminated program a b", {L"unterminated program a b"}},
        // Quotes group blanks and may start or end anywhere in an argument.
        {L"prog a\"b c\"d e", {L"prog", L"ab cd", L"e"}},   {L"prog \"\" x \"\"", {L"prog", L"", L"x", L""}},
        {L"prog \"unterminated arg", {L"prog", L"unterminated arg"}},
        // Backslashes are literal unless a quote follows: 2n give n and a quote, 2n+1 give n and a literal quote.
        {L"prog a\\\\b c\\", {L"prog", L"a\\\\b", L"c\\"}},     {L"prog a\\\"b", {L"prog", L"a\"b"}},
        {L"prog a\\\\\"b c\"", {L"prog", L"a\\b c"}},
        // A folder with a trailing backslash in quotes swallows the closing quote, unless it is doubled.
        {L"prog \"C:\\pics\\\" -t3000", {L"prog", L"C:\\pics\" -t3000"}},
        {L"prog \"C:\\pics\\\\\" -t3000", {L"prog", L"C:\\pics\\", L"-t3000"}},
        // Inside quotes a doubled quote is a quote and ends quoting; three quotes outside give one.
        {L"prog \"a\"\"b c\"", {L"prog", L"a\"b", L"c"}},      {L"prog \"\"\"", {L"prog", L"\""}},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(splitCommandLine(line), expected) << toUtf8(line);
}

// All switches of the user documentation, in its order (150).
const wchar_t* const kDocumentedSwitches =
    L"-translate -slide -noslide -windowed -fullscreen -wallpaper -ontop -notop -blend -noblend -loop -loopause "
    L"-loopexit -loopshuffle -noloopshuffle -sortforward -sortreverse -sortrandom -sorttree -sorttreestrict "
    L"-sortname -sortcreated -sortmodified -sortaccessed -sortcase -nosortcase -wheelnav -wheelzoom -autoscroll "
    L"-noautoscroll -quietscroll -animatescroll -subfolders -nosubfolders -hidden -nohidden -autorefresh "
    L"-noautorefresh -autofindcreate -autofindmodify -autofindaccess -noautofind -bmp -nobmp -emf -noemf -gif "
    L"-nogif -ico -noico -jpg -nojpg -png -nopng -tif -notif -wic -nowic -removefail -noremovefail -logerrors -nologerrors "
    L"-loglnkfail -nologlnkfail -landscape -portrait -markexit -nomarkexit -cathideview -nocathideview -catlaunch "
    L"-nocatlaunch -wrap -nowrap -crop -nocrop -squeeze -nosqueeze -shrink -noshrink -stretch -nostretch -zoomdef "
    L"-zoomhigh -zoombest -aspect -noaspect -exiforient -noexiforient -collage -nocollage -transitions "
    L"-notransitions -overlap -nooverlap -title -notitle -fullname -shortname -statusbar -nostatusbar -trayicon "
    L"-taskbar -decor -nodecor -autocenter -noautocenter -roam -noroam -corral -nocorral -draggable -nodraggable "
    L"-centered -topleft -topright -bottomleft -bottomright -single -nosingle -screenname -noscreenname "
    L"-screencursor -noscreencursor -screencenter -screenroam -confirmdel -noconfirmdel -confirmarc -noconfirmarc "
    L"-arclog -noarclog -save -nosave -savefolder -nosavefolder -noshell -nomenu -center -preset1 -preset2 "
    L"-preset3 -preset4 -preset5 -centerwall -tilewall -stretchwall -fitwall -fillwall -clearwall";

TEST(CommandLineSwitches, TableHoldsEveryDocumentedSwitchAndBrowse) {
    std::wistringstream words(kDocumentedSwitches);
    std::set<std::wstring> expected{L"-browse"};
    size_t documented = 0;
    for (std::wstring w; words >> w; ++documented) expected.insert(w);
    ASSERT_EQ(documented, 150u);
    const auto names = namedSwitches();
    EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()), expected);
    EXPECT_EQ(names.size(), expected.size()) << "a switch appears twice";

    // Every name is recognised as itself, never read as a number switch, and only the three fit modes
    // disturb a fixed zoom.
    for (const auto& name : names) {
        Settings s;
        s.squeeze = s.shrink = s.stretch = false;
        s.zoom = 150;
        s.rotation = 77;
        EXPECT_TRUE(applySwitch(s, name).recognized) << toUtf8(name);
        EXPECT_EQ(s.timer, 5000) << toUtf8(name);
        EXPECT_EQ(s.opacity, 127) << toUtf8(name);
        EXPECT_EQ(s.rotation, 77) << toUtf8(name);
        EXPECT_EQ(s.zoom, name == L"-squeeze" || name == L"-shrink" || name == L"-stretch" ? 0 : 150) << toUtf8(name);
    }
}

TEST(CommandLineSwitches, EachSwitchChangesItsSettingsOnlyAndReturnsItsAction) {
    using A = SwitchAction;
    struct Case {
        const wchar_t* argument;
        Texts changes;  // in schema order; each setting first holds another value, so the switch must write it
        A action = A::None;
        int value = 0;
    };
    const Case cases[] = {
        {L"-noslide", {L"slide=FALSE"}},               {L"-wallpaper", {L"layer=2"}},
        {L"-nocathideview", {L"hide viewer=FALSE"}},   {L"-screenroam", {L"fullscreenlayout=5"}},
        // -autocenter and -roam exclude each other; their "no" forms change one setting only.
        {L"-autocenter", {L"autocenter=TRUE", L"roamwindow=FALSE"}},
        {L"-roam", {L"autocenter=FALSE", L"roamwindow=TRUE"}},
        {L"-noautocenter", {L"autocenter=FALSE"}},     {L"-noroam", {L"roamwindow=FALSE"}},
        // Number switches read the number as _wtoi does; beyond a 16-bit setting it stops at the limit.
        {L"-t3000", {L"timer=3000"}},                  {L"-tfoo", {L"timer=0"}},
        {L"-t99999999999", {L"timer=2147483647"}},     {L"-title ", {L"timer=0"}},  // not a whole name
        {L"-b70000", {L"opacity=32767"}},              {L"-b-65535", {L"opacity=-32768"}},
        {L"-r-270", {L"rotation=-270"}},               {L"-rotate", {L"rotation=0"}},
        // -z turns the fit modes off; any other recognised switch leaves zoom 0 while a fit mode is on.
        {L"-z150", {L"squeeze=FALSE", L"shrink=FALSE", L"stretch=FALSE", L"zoom=150"}},
        {L"-r90", {L"zoom=0", L"rotation=90"}},
        {L"-center", {L"zoom=0"}, A::Center},
        // Actions change no setting: restoring a preset and turning wrap off is the caller's part.
        {L"-translate", {}, A::Translate}, {L"-browse", {}, A::Browse},      {L"-noshell", {}, A::NoShell},
        {L"-nomenu", {}, A::NoMenu},       {L"-landscape", {}, A::Landscape}, {L"-portrait", {}, A::Portrait},
        {L"-preset1", {}, A::Preset, 1},   {L"-preset5", {}, A::Preset, 5},   {L"-clearwall", {}, A::ClearWallpaper},
        {L"-centerwall", {}, A::WallpaperStyle, 1}, {L"-fillwall", {}, A::WallpaperStyle, 5},
    };
    for (const auto& c : cases) {
        Texts start;  // another value than the switch sets: TRUE/FALSE swapped, numbers halved (0 made 1)
        for (const auto& line : c.changes) {
            const std::wstring key = line.substr(0, line.find(L'=') + 1), value = line.substr(key.size());
            const long long number = value == L"TRUE" || value == L"FALSE" ? 0 : std::stoll(value);
            start.push_back(key + (value == L"TRUE"    ? L"FALSE"
                                   : value == L"FALSE" ? L"TRUE"
                                                       : std::to_wstring(number == 0 ? 1 : number / 2)));
        }
        SwitchOutcome outcome;
        EXPECT_EQ(changesOf(c.argument, start, &outcome), c.changes) << toUtf8(c.argument);
        EXPECT_TRUE(outcome.recognized) << toUtf8(c.argument);
        EXPECT_EQ(outcome.action, c.action) << toUtf8(c.argument);
        EXPECT_EQ(outcome.value, c.value) << toUtf8(c.argument);
    }
}

TEST(CommandLineSwitches, UnknownOrMiscasedSwitchesChangeNothing) {
    for (const wchar_t* arg : {L"-FULLSCREEN", L"-Slide", L"-fullScreen", L"-T3000", L"-slide2", L"--slide",
                               L"-xyz", L"-", L"-t", L"-b", L"-z", L"-r", L"", L"slide", L"t3000", L"-preset6"}) {
        SwitchOutcome outcome;
        // A zoom under the default fit modes: an unknown switch does not even apply the fit rule.
        EXPECT_EQ(changesOf(arg, {L"zoom=150"}, &outcome), Texts{}) << toUtf8(arg);
        EXPECT_FALSE(outcome.recognized) << toUtf8(arg);
        EXPECT_EQ(outcome.action, SwitchAction::None) << toUtf8(arg);
    }
}

TEST(CommandLineNumbers, LeadingIntReadsLikeWtoi) {
    const std::pair<const wchar_t*, int> cases[] = {
        {L"", 0}, {L"abc", 0}, {L"  \t42x7", 42}, {L"\n\r\v\f9", 9}, {L"+7", 7}, {L"-5", -5}, {L"- 5", 0}, {L"007", 7},
        {L"2147483647", INT_MAX},  {L"2147483648", INT_MAX},  {L"99999999999999999999999999", INT_MAX},
        {L"-2147483648", INT_MIN}, {L"-2147483649", INT_MIN},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(parseLeadingInt(text), expected) << toUtf8(text);
}

TEST(CommandLinePaths, TrailingBlanksAndSettingsFiles) {
    EXPECT_EQ(cleanPathArgument(L"C:\\pics  "), L"C:\\pics");
    EXPECT_EQ(cleanPathArgument(L"   "), L"");
    EXPECT_EQ(cleanPathArgument(L" a b "), L" a b");
    EXPECT_EQ(cleanPathArgument(L"a\t"), L"a\t");
    for (const wchar_t* path : {L"glimvue.ini", L"C:\\my.pics\\other.ini", L".ini"})
        EXPECT_TRUE(isSettingsFileArgument(path)) << toUtf8(path);
    for (const wchar_t* path : {L"glimvue.INI", L"dir.ini\\x.jpg", L"C:\\pics\\ini", L"a.ini.bak", L"a.inix", L""})
        EXPECT_FALSE(isSettingsFileArgument(path)) << toUtf8(path);
}

}  // namespace
