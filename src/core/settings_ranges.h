// The values each numeric setting can sensibly hold, and bringing the settings into them after the
// settings file has been read and after the command line has been applied. A number outside its
// range is either moved to the nearest end of the range or replaced by the setting's default,
// whichever the setting's meaning calls for: a negative interval or an unknown sort order make no
// sense and take the default, an over-large interval or zoom is cut to the largest one allowed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings.h"

enum class RangeKind {
    Span,          // minimum .. maximum
    Choice,        // one of `choices`
    QuarterTurns,  // a multiple of 90, taken modulo 360 (-90 is 270)
};

// What becomes of a value beyond one end of a span.
enum class Beyond {
    Clamp,     // the nearest end of the span
    Fallback,  // the row's fallback value
};

struct SettingRange {
    const wchar_t* section;  // header text without brackets
    const wchar_t* key;      // nullptr: every key of the section
    RangeKind kind;
    int32_t minimum;
    int32_t maximum;
    int32_t fallback;        // the value that replaces one that makes no sense
    Beyond below;
    Beyond above;
    std::vector<int32_t> choices;
};

// Every rule, in the order of the settings file.
const std::vector<SettingRange>& settingRanges();

// The rule for a key of a section, or nullptr when it has none.
const SettingRange* findSettingRange(const std::wstring& section, const std::wstring& key);

// The value brought into the rule's range.
int32_t keepInRange(const SettingRange& range, int32_t value);

// Brings every numeric setting into its range; settings already inside stay as they are.
void keepSettingsInRange(Settings& settings);

// A number typed into a dialog for the setting held at `field` (a member of `settings`), brought
// into that setting's range as if it had been read from the file; numbers beyond 32 bits count as
// the largest one.
int32_t enteredSettingValue(Settings& settings, const void* field, uint32_t entered);
