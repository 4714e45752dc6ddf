// Command-line switches: splitting the command line by the Windows quoting rules, the one table of
// named switches (switch, setting, value), the number switches, and the pure parts of path arguments.
#pragma once

#include <string>
#include <vector>

#include "settings.h"

// Splits a whole process command line the way CommandLineToArgvW does: the first element (the
// program) ends at the first blank or at its closing quote, with no escape processing; every later
// argument follows the backslash/quote rules ("\"" is a quote, 2n backslashes before a quote give n
// and open or close quoting, a doubled quote inside quotes yields a quote).
std::vector<std::wstring> splitCommandLine(const std::wstring& commandLine);

// What a switch asks of the caller beyond the settings it changed.
enum class SwitchAction {
    None,            // settings changed (or an unknown switch, ignored)
    Translate,       // write the language template and end the program
    Browse,          // open the exhibit-root chooser after the loop
    NoShell,         // run-time flag noShell on
    NoMenu,          // run-time flag noMenu on
    Landscape,       // run-time landscape filter on
    Portrait,        // run-time portrait filter on
    Center,          // centre the main window now
    Preset,          // restore preset `value` (1..5) now, then wrap := off
    WallpaperStyle,  // set the system wallpaper style `value` (1 centre, 2 tile, 3 stretch, 4 fit, 5 fill)
    ClearWallpaper,  // clear the system wallpaper
};

// The run-time switches: set from the command line (the filters also by commands), never saved.
struct RunSwitches {
    bool noShell = false;          // -noshell: the shell commands are refused
    bool noMenu = false;           // -nomenu: nearly every command is refused
    bool landscapeFilter = false;  // only landscape images are shown
    bool portraitFilter = false;   // only portrait images are shown
    std::wstring tooLongPath;      // a path argument past the platform's limit, reported at start-up
};

struct SwitchOutcome {
    SwitchAction action = SwitchAction::None;
    int value = 0;
    bool recognized = false;  // a named or number switch matched
};

// Applies one argument that begins with "-" to the settings: a named switch (exact, case-sensitive,
// whole match) or a number switch (-t, -b, -z, -r followed by a number as _wtoi reads it). After
// every recognised switch, a fit mode in force resets `zoom` to 0. Unknown switches change nothing.
SwitchOutcome applySwitch(Settings& settings, const std::wstring& argument);

// The number as _wtoi reads it: leading white space, an optional sign, the leading digits; 0 when
// there are none; out-of-range values saturate.
int parseLeadingInt(const std::wstring& text);

// Path arguments: trailing blanks removed; empty after that names no path.
std::wstring cleanPathArgument(const std::wstring& argument);
// True when the text from the last "." is exactly ".ini".
bool isSettingsFileArgument(const std::wstring& path);

// The named switches in table order (for tests and documentation).
std::vector<std::wstring> namedSwitches();
