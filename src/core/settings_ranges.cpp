#include "settings_ranges.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();
// Window and Catalog rectangles: screen coordinates of every monitor arrangement Windows can place a
// window in, and small enough that widths and heights never overflow.
constexpr int32_t kCoordinate = 32767;

SettingRange span(const wchar_t* section, const wchar_t* key, int32_t minimum, int32_t maximum,
                  int32_t fallback, Beyond below, Beyond above) {
    return {section, key, RangeKind::Span, minimum, maximum, fallback, below, above, {}};
}
// A quantity: nothing below the minimum makes sense, and more than the maximum is cut to it.
SettingRange quantity(const wchar_t* section, const wchar_t* key, int32_t minimum, int32_t maximum,
                      int32_t fallback) {
    return span(section, key, minimum, maximum, fallback, Beyond::Fallback, Beyond::Clamp);
}
// A numbered choice: any other number takes the default.
SettingRange choice(const wchar_t* section, const wchar_t* key, int32_t minimum, int32_t maximum,
                    int32_t fallback) {
    return span(section, key, minimum, maximum, fallback, Beyond::Fallback, Beyond::Fallback);
}
SettingRange coordinates(const wchar_t* section) {
    return span(section, nullptr, -kCoordinate - 1, kCoordinate, 0, Beyond::Clamp, Beyond::Clamp);
}

std::vector<SettingRange> buildRanges() {
    return {
        // Milliseconds the folder watcher waits after a change: up to a minute.
        quantity(L"Tweak", L"autorefresh latency", 0, 60000, 200),
        // Sleeps of the transitions: the shutters' total budget up to 5 s, every other effect's sleep
        // per step up to 100 ms (a transition then still ends within seconds).
        quantity(L"Tweak Transitions", L"shutter latency", 0, 5000, 500),
        quantity(L"Tweak Transitions", L"wipe latency", 0, 100, 2),
        quantity(L"Tweak Transitions", L"slide latency", 0, 100, 5),
        quantity(L"Tweak Transitions", L"quadrant slide latency", 0, 100, 10),
        quantity(L"Tweak Transitions", L"quadrant wipe latency", 0, 100, 12),
        quantity(L"Tweak Transitions", L"dissolve latency", 0, 100, 2),
        quantity(L"Tweak Transitions", L"crossfade latency", 0, 100, 30),

        // Slideshow interval: 0 (every tick) up to one day.
        quantity(L"Slideshow", L"timer", 0, 24 * 60 * 60 * 1000, 5000),
        choice(L"Slideshow", L"sort", 0, 2, 0),
        choice(L"Slideshow", L"sortby", 0, 5, 1),
        choice(L"Slideshow", L"layer", 0, 2, 0),
        // As the Opacity dialog takes it: anything above 255, and a negative number, is opaque.
        span(L"Slideshow", L"opacity", 0, 255, 255, Beyond::Fallback, Beyond::Clamp),
        choice(L"Slideshow", L"loop", 0, 2, 0),

        choice(L"Folder", L"autofindtype", 0, 3, 0),

        // Thumbnail edge in pixels.
        quantity(L"Catalog", L"thumbsize", 16, 1024, 100),
        coordinates(L"Catalog Position"),

        // Locked zoom in percent (0: none), up to 100 times.
        quantity(L"Image", L"zoom", 0, kMaxZoomPercent, 0),
        quantity(L"Image", L"zoomstep", 1, 1000, 10),
        // The imaging library's interpolation modes.
        choice(L"Image", L"zoomquality", 0, 7, 0),
        {L"Image", L"rotation", RangeKind::QuarterTurns, 0, 270, 0, Beyond::Fallback, Beyond::Fallback, {}},
        choice(L"Image", L"layout", 0, 5, 0),
        // Edge of a collage tile in pixels.
        quantity(L"Image", L"collagesize", 16, 4096, 250),

        // A colour 0x00BBGGRR; other bits make no colour.
        choice(L"Window", L"bgcolor", 0, 0xFFFFFF, 0),
        {L"Window", L"fullscreenlayout", RangeKind::Choice, 0, 5, 0, Beyond::Fallback, Beyond::Fallback, {0, 5}},

        coordinates(L"Position"),
        coordinates(L"Presets"),

        // Pixels by which the window is raised or lengthened under the Blackbox skin.
        span(L"Shell", L"bb caption adjust", -200, 200, 4, Beyond::Clamp, Beyond::Clamp),
        span(L"Shell", L"bb window adjust", -200, 200, 2, Beyond::Clamp, Beyond::Clamp),
        choice(L"Shell", L"bb wallpaper style", 1, 3, 1),

        // An image index.
        quantity(L"Settings", L"bookmark", 0, kMaxInt, 0),

        // Modifier bits Alt 1, Ctrl 2, Shift 4, Win 8, and a virtual-key code.
        choice(L"Hotkeys", L"hidemod", 0, 15, 1),
        choice(L"Hotkeys", L"hidekey", 1, 254, 27),
    };
}

template <typename Int>
void keepFieldInRange(void* field, const SettingRange& range) {
    Int& value = *static_cast<Int*>(field);
    value = static_cast<Int>(keepInRange(range, value));
}

}  // namespace

const std::vector<SettingRange>& settingRanges() {
    static const std::vector<SettingRange> ranges = buildRanges();
    return ranges;
}

const SettingRange* findSettingRange(const std::wstring& section, const std::wstring& key) {
    for (const SettingRange& range : settingRanges())
        if (section == range.section && (!range.key || key == range.key)) return &range;
    return nullptr;
}

int32_t keepInRange(const SettingRange& range, int32_t value) {
    switch (range.kind) {
    case RangeKind::Choice:
        return std::find(range.choices.begin(), range.choices.end(), value) != range.choices.end()
                   ? value
                   : range.fallback;
    case RangeKind::QuarterTurns:
        if (value % 90 != 0) return range.fallback;
        return (value % 360 + 360) % 360;
    case RangeKind::Span:
        if (value < range.minimum) return range.below == Beyond::Clamp ? range.minimum : range.fallback;
        if (value > range.maximum) return range.above == Beyond::Clamp ? range.maximum : range.fallback;
        return value;
    }
    return value;
}

int32_t enteredSettingValue(Settings& settings, const void* field, uint32_t entered) {
    const int32_t value = static_cast<int32_t>(std::min<uint32_t>(entered, kMaxInt));
    for (const SettingSchemaRow& row : settingsSchema())
        if (row.field(settings) == field)
            if (const SettingRange* range = findSettingRange(row.section, row.key)) return keepInRange(*range, value);
    return value;
}

void keepSettingsInRange(Settings& settings) {
    for (const SettingSchemaRow& row : settingsSchema()) {
        const SettingRange* range = findSettingRange(row.section, row.key);
        if (!range) continue;
        switch (row.type) {
        case SettingType::Int16:
        case SettingType::Short: keepFieldInRange<int16_t>(row.field(settings), *range); break;
        case SettingType::Long: keepFieldInRange<int32_t>(row.field(settings), *range); break;
        default: break;
        }
    }
}
