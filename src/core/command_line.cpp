#include "command_line.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

// ---------------------------------------------------------------------------------------------
// Splitting

bool isArgumentBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

// The rules of CommandLineToArgvW on current Windows:
//  - The program name is not escape-processed. Starting with a quote, it runs to the next quote (or
//    the end of the line); otherwise it runs to the first space or tab. A line that starts with a
//    blank therefore has an empty program name. Whatever follows the program name, after blanks, is
//    the argument part, even when no blank separates it from a closing quote.
//  - Arguments are separated by runs of spaces and tabs outside quotes.
//  - A run of backslashes followed by a quote: 2n backslashes give n backslashes and the quote opens
//    or closes quoting; 2n+1 backslashes give n backslashes and a literal quote. Backslashes not
//    followed by a quote are literal.
//  - Inside quotes, a quote directly followed by another quote gives one literal quote and ends
//    quoting; outside quotes, three quotes in a row give one literal quote. (The C runtime's own
//    parser since 2008 keeps quoting on after a doubled quote; CommandLineToArgvW does not, and the
//    program splits its command line with CommandLineToArgvW.)
//  - Quotes that enclose nothing still make an argument: "" is an empty argument.
// An empty line (or one of blanks only) yields one empty element, so that element 0 is always the
// program and callers skip it without a special case; CommandLineToArgvW would put the module path
// there instead.
std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine) {
    std::vector<std::wstring> result;
    const size_t length = commandLine.size();
    size_t pos = 0;

    std::wstring program;
    if (length > 0 && commandLine[0] == L'"') {
        pos = 1;
        while (pos < length && commandLine[pos] != L'"') program += commandLine[pos++];
        if (pos < length) ++pos;  // the closing quote
    } else {
        while (pos < length && !isArgumentBlank(commandLine[pos])) program += commandLine[pos++];
    }
    result.push_back(std::move(program));

    while (true) {
        while (pos < length && isArgumentBlank(commandLine[pos])) ++pos;
        if (pos >= length) break;

        std::wstring argument;
        bool quoted = false;
        while (pos < length) {
            const wchar_t c = commandLine[pos];
            if (c == L'\\') {
                size_t slashes = 0;
                while (pos < length && commandLine[pos] == L'\\') {
                    ++slashes;
                    ++pos;
                }
                if (pos < length && commandLine[pos] == L'"') {
                    argument.append(slashes / 2, L'\\');
                    if (slashes % 2 == 1) {
                        argument += L'"';
                        ++pos;
                    }
                    // With an even count the quote is handled as a quote on the next round.
                } else {
                    argument.append(slashes, L'\\');
                }
            } else if (c == L'"') {
                // Count the run of quotes: every third one (counting an open quoting as one) is a
                // literal quote and ends quoting; a pair closes what it opened.
                int count = quoted ? 2 : 1;
                ++pos;
                while (pos < length && commandLine[pos] == L'"') {
                    ++pos;
                    if (++count == 3) {
                        argument += L'"';
                        count = 0;
                    }
                }
                quoted = count == 1;
            } else if (!quoted && isArgumentBlank(c)) {
                break;
            } else {
                argument += c;
                ++pos;
            }
        }
        result.push_back(std::move(argument));
    }
    return result;
}

int parseLeadingInt(const std::wstring& text) {
    size_t pos = 0;
    // The white space of the C library's classification in the "C" locale.
    while (pos < text.size() && (text[pos] == L' ' || (text[pos] >= L'\t' && text[pos] <= L'\r')))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == L'+' || text[pos] == L'-')) {
        negative = text[pos] == L'-';
        ++pos;
    }
    // Accumulate the magnitude in 64 bits and stop growing once it is past every int.
    const int64_t limit = static_cast<int64_t>(INT_MAX) + 1;
    int64_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= L'0' && text[pos] <= L'9'; ++pos) {
        magnitude = magnitude * 10 + (text[pos] - L'0');
        if (magnitude > limit) magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

namespace {

// ---------------------------------------------------------------------------------------------
// The switch table

// The setting a row changes: a flag or a 16-bit number (no named switch sets a 32-bit setting).
struct SwitchTarget {
    bool Settings::*flag = nullptr;
    int16_t Settings::*number = nullptr;
};

struct SwitchRow {
    const wchar_t* text;
    SwitchTarget target;
    int value;
    SwitchTarget alsoTarget;  // a second setting changed by the same switch (none for most)
    int alsoValue;
    SwitchAction action;
};

constexpr SwitchRow flag(const wchar_t* text, bool Settings::*field, bool on) {
    return {text, {field, nullptr}, on ? 1 : 0, {}, 0, SwitchAction::None};
}
constexpr SwitchRow flag2(const wchar_t* text, bool Settings::*field, bool on, bool Settings::*also,
                          bool alsoOn) {
    return {text, {field, nullptr}, on ? 1 : 0, {also, nullptr}, alsoOn ? 1 : 0, SwitchAction::None};
}
constexpr SwitchRow number(const wchar_t* text, int16_t Settings::*field, int value) {
    return {text, {nullptr, field}, value, {}, 0, SwitchAction::None};
}
constexpr SwitchRow action(const wchar_t* text, SwitchAction what, int value = 0) {
    return {text, {}, value, {}, 0, what};
}

using S = Settings;
using A = SwitchAction;

// The 148 switches of the user documentation, in its order, and "-browse".
const SwitchRow kSwitches[] = {
    action(L"-translate", A::Translate),
    action(L"-browse", A::Browse),
    flag(L"-slide", &S::slide, true),
    flag(L"-noslide", &S::slide, false),
    number(L"-windowed", &S::layer, kLayerWindowed),
    number(L"-fullscreen", &S::layer, kLayerFullScreen),
    number(L"-wallpaper", &S::layer, kLayerWallpaper),
    flag(L"-ontop", &S::ontop, true),
    flag(L"-notop", &S::ontop, false),
    flag(L"-blend", &S::blend, true),
    flag(L"-noblend", &S::blend, false),
    number(L"-loop", &S::loop, kLoopRestart),
    number(L"-loopause", &S::loop, kLoopPause),
    number(L"-loopexit", &S::loop, kLoopExit),
    flag(L"-loopshuffle", &S::loopshuffle, true),
    flag(L"-noloopshuffle", &S::loopshuffle, false),
    number(L"-sortforward", &S::sort, kSortForward),
    number(L"-sortreverse", &S::sort, kSortReverse),
    number(L"-sortrandom", &S::sort, kSortRandom),
    number(L"-sorttree", &S::sortby, kSortTree),
    number(L"-sorttreestrict", &S::sortby, kSortTreeStrict),
    number(L"-sortname", &S::sortby, kSortName),
    number(L"-sortcreated", &S::sortby, kSortCreated),
    number(L"-sortmodified", &S::sortby, kSortModified),
    number(L"-sortaccessed", &S::sortby, kSortAccessed),
    flag(L"-sortcase", &S::sortcase, true),
    flag(L"-nosortcase", &S::sortcase, false),
    flag(L"-wheelnav", &S::wheelnav, true),
    flag(L"-wheelzoom", &S::wheelnav, false),
    flag(L"-autoscroll", &S::autoscroll, true),
    flag(L"-noautoscroll", &S::autoscroll, false),
    flag(L"-quietscroll", &S::quietautoscroll, true),
    flag(L"-animatescroll", &S::quietautoscroll, false),
    flag(L"-subfolders", &S::subfolders, true),
    flag(L"-nosubfolders", &S::subfolders, false),
    flag(L"-hidden", &S::hidden, true),
    flag(L"-nohidden", &S::hidden, false),
    flag(L"-autorefresh", &S::autorefresh, true),
    flag(L"-noautorefresh", &S::autorefresh, false),
    number(L"-autofindcreate", &S::autofindtype, kAutoFindCreated),
    number(L"-autofindmodify", &S::autofindtype, kAutoFindModified),
    number(L"-autofindaccess", &S::autofindtype, kAutoFindAccessed),
    number(L"-noautofind", &S::autofindtype, kAutoFindOff),
    flag(L"-bmp", &S::bmp, true),
    flag(L"-nobmp", &S::bmp, false),
    flag(L"-emf", &S::emf, true),
    flag(L"-noemf", &S::emf, false),
    flag(L"-gif", &S::gif, true),
    flag(L"-nogif", &S::gif, false),
    flag(L"-ico", &S::ico, true),
    flag(L"-noico", &S::ico, false),
    flag(L"-jpg", &S::jpg, true),
    flag(L"-nojpg", &S::jpg, false),
    flag(L"-png", &S::png, true),
    flag(L"-nopng", &S::png, false),
    flag(L"-tif", &S::tif, true),
    flag(L"-notif", &S::tif, false),
    flag(L"-wic", &S::wic, true),
    flag(L"-nowic", &S::wic, false),
    flag(L"-removefail", &S::removefail, true),
    flag(L"-noremovefail", &S::removefail, false),
    flag(L"-logerrors", &S::logerrors, true),
    flag(L"-nologerrors", &S::logerrors, false),
    flag(L"-loglnkfail", &S::loglnkfail, true),
    flag(L"-nologlnkfail", &S::loglnkfail, false),
    action(L"-landscape", A::Landscape),
    action(L"-portrait", A::Portrait),
    flag(L"-markexit", &S::markexit, true),
    flag(L"-nomarkexit", &S::markexit, false),
    flag(L"-cathideview", &S::hideViewer, true),
    flag(L"-nocathideview", &S::hideViewer, false),
    flag(L"-catlaunch", &S::launch, true),
    flag(L"-nocatlaunch", &S::launch, false),
    flag(L"-wrap", &S::wrap, true),
    flag(L"-nowrap", &S::wrap, false),
    flag(L"-crop", &S::crop, true),
    flag(L"-nocrop", &S::crop, false),
    flag(L"-squeeze", &S::squeeze, true),
    flag(L"-nosqueeze", &S::squeeze, false),
    flag(L"-shrink", &S::shrink, true),
    flag(L"-noshrink", &S::shrink, false),
    flag(L"-stretch", &S::stretch, true),
    flag(L"-nostretch", &S::stretch, false),
    number(L"-zoomdef", &S::zoomquality, kQualityDefault),
    number(L"-zoomhigh", &S::zoomquality, kQualityHigh),
    number(L"-zoombest", &S::zoomquality, kQualityBest),
    flag(L"-aspect", &S::rotateaspect, true),
    flag(L"-noaspect", &S::rotateaspect, false),
    flag(L"-exiforient", &S::exiforient, true),
    flag(L"-noexiforient", &S::exiforient, false),
    flag(L"-collage", &S::collage, true),
    flag(L"-nocollage", &S::collage, false),
    flag(L"-transitions", &S::transitions, true),
    flag(L"-notransitions", &S::transitions, false),
    flag(L"-overlap", &S::overlap, true),
    flag(L"-nooverlap", &S::overlap, false),
    flag(L"-title", &S::title, true),
    flag(L"-notitle", &S::title, false),
    flag(L"-fullname", &S::fullname, true),
    flag(L"-shortname", &S::fullname, false),
    flag(L"-statusbar", &S::statusbar, true),
    flag(L"-nostatusbar", &S::statusbar, false),
    flag(L"-trayicon", &S::trayicon, true),
    flag(L"-taskbar", &S::trayicon, false),
    flag(L"-decor", &S::decorate, true),
    flag(L"-nodecor", &S::decorate, false),
    flag2(L"-autocenter", &S::autocenter, true, &S::roamwindow, false),
    flag(L"-noautocenter", &S::autocenter, false),
    flag2(L"-roam", &S::roamwindow, true, &S::autocenter, false),
    flag(L"-noroam", &S::roamwindow, false),
    flag(L"-corral", &S::corral, true),
    flag(L"-nocorral", &S::corral, false),
    flag(L"-draggable", &S::draggable, true),
    flag(L"-nodraggable", &S::draggable, false),
    number(L"-centered", &S::layout, kLayoutCentred),
    number(L"-topleft", &S::layout, kLayoutTopLeft),
    number(L"-topright", &S::layout, kLayoutTopRight),
    number(L"-bottomleft", &S::layout, kLayoutBottomLeft),
    number(L"-bottomright", &S::layout, kLayoutBottomRight),
    flag(L"-single", &S::singleinstance, true),
    flag(L"-nosingle", &S::singleinstance, false),
    flag(L"-screenname", &S::fullscreenname, true),
    flag(L"-noscreenname", &S::fullscreenname, false),
    flag(L"-screencursor", &S::fullscreencursor, true),
    flag(L"-noscreencursor", &S::fullscreencursor, false),
    number(L"-screencenter", &S::fullscreenlayout, kLayoutCentred),
    number(L"-screenroam", &S::fullscreenlayout, kLayoutRoaming),
    flag(L"-confirmdel", &S::confirmdelete, true),
    flag(L"-noconfirmdel", &S::confirmdelete, false),
    flag(L"-confirmarc", &S::confirmarchive, true),
    flag(L"-noconfirmarc", &S::confirmarchive, false),
    flag(L"-arclog", &S::archivelog, true),
    flag(L"-noarclog", &S::archivelog, false),
    flag(L"-save", &S::savesettings, true),
    flag(L"-nosave", &S::savesettings, false),
    flag(L"-savefolder", &S::savefolder, true),
    flag(L"-nosavefolder", &S::savefolder, false),
    action(L"-noshell", A::NoShell),
    action(L"-nomenu", A::NoMenu),
    action(L"-center", A::Center),
    action(L"-preset1", A::Preset, 1),
    action(L"-preset2", A::Preset, 2),
    action(L"-preset3", A::Preset, 3),
    action(L"-preset4", A::Preset, 4),
    action(L"-preset5", A::Preset, 5),
    action(L"-centerwall", A::WallpaperStyle, 1),
    action(L"-tilewall", A::WallpaperStyle, 2),
    action(L"-stretchwall", A::WallpaperStyle, 3),
    action(L"-fitwall", A::WallpaperStyle, 4),
    action(L"-fillwall", A::WallpaperStyle, 5),
    action(L"-clearwall", A::ClearWallpaper),
};

void store(Settings& settings, const SwitchTarget& target, int value) {
    if (target.flag) settings.*target.flag = value != 0;
    if (target.number) settings.*target.number = static_cast<int16_t>(value);
}

const SwitchRow* findNamedSwitch(const std::wstring& argument) {
    for (const SwitchRow& row : kSwitches)
        if (argument == row.text) return &row;
    return nullptr;
}

}  // namespace

SwitchOutcome applySwitch(Settings& settings, const std::wstring& argument) {
    SwitchOutcome outcome;
    if (argument.empty() || argument[0] != L'-') return outcome;

    if (const SwitchRow* row = findNamedSwitch(argument)) {
        store(settings, row->target, row->value);
        store(settings, row->alsoTarget, row->alsoValue);
        outcome.action = row->action;
        outcome.value = row->action == SwitchAction::None ? 0 : row->value;
        outcome.recognized = true;
    } else if (argument.size() >= 3) {
        // Number switches. A number beyond a 16-bit setting stops at its limit (-b70000 gives
        // 32767), so a large number never turns into a small or negative one.
        const int value = parseLeadingInt(argument.substr(2));
        const auto value16 = static_cast<int16_t>(std::clamp(value, -32768, 32767));
        switch (argument[1]) {
            case L't': settings.timer = value; break;
            case L'b': settings.opacity = value16; break;
            case L'z':
                settings.zoom = value16;
                settings.squeeze = settings.shrink = settings.stretch = false;
                break;
            case L'r': settings.rotation = value16; break;
            default: return outcome;
        }
        outcome.recognized = true;
    } else {
        return outcome;
    }

    // A fit mode in force leaves no room for a fixed zoom.
    if (settings.squeeze || settings.shrink || settings.stretch) settings.zoom = 0;
    return outcome;
}

std::wstring cleanPathArgument(const std::wstring& argument) {
    size_t end = argument.size();
    while (end > 0 && argument[end - 1] == L' ') --end;
    return argument.substr(0, end);
}

bool isSettingsFileArgument(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    return dot != std::wstring::npos && path.compare(dot, std::wstring::npos, L".ini") == 0;
}

std::vector<std::wstring> namedSwitches() {
    std::vector<std::wstring> names;
    for (const SwitchRow& row : kSwitches) names.emplace_back(row.text);
    return names;
}
