#include "settings.h"

namespace {

#define ROW(section, key, member, defaultText) \
    settingRow(section, key, [](Settings& s) -> auto& { return s.member; }, defaultText)

std::vector<SettingSchemaRow> buildSchema() {
    return {
        ROW(L"Glimvue", L"version", version, L"1.00"),

        ROW(L"Portable", L";", portableNote, kPortableNote),
        ROW(L"Portable", L"savefolder", savefolder, L"TRUE"),
        ROW(L"Portable", L"folder", folder, nullptr),
        ROW(L"Portable", L"favorites", favorites, nullptr),
        ROW(L"Portable", L"archive", archive, nullptr),
        ROW(L"Portable", L"image viewer", imageViewer, nullptr),
        ROW(L"Portable", L"file manager", fileManager, L"explorer.exe"),

        ROW(L"Tweak", L"autorefresh latency", autorefreshLatency, L"200"),
        ROW(L"Tweak", L"desktop", desktop, nullptr),

        ROW(L"Tweak Transitions", L"shutter latency", shutterLatency, L"500"),
        ROW(L"Tweak Transitions", L"wipe latency", wipeLatency, L"2"),
        ROW(L"Tweak Transitions", L"slide latency", slideLatency, L"5"),
        ROW(L"Tweak Transitions", L"quadrant slide latency", quadrantSlideLatency, L"10"),
        ROW(L"Tweak Transitions", L"quadrant wipe latency", quadrantWipeLatency, L"12"),
        ROW(L"Tweak Transitions", L"dissolve latency", dissolveLatency, L"2"),
        ROW(L"Tweak Transitions", L"crossfade latency", crossfadeLatency, L"30"),

        ROW(L"Slideshow", L"slide", slide, L"TRUE"),
        ROW(L"Slideshow", L"timer", timer, L"5000"),
        ROW(L"Slideshow", L"sort", sort, L"0"),
        ROW(L"Slideshow", L"sortby", sortby, L"1"),
        ROW(L"Slideshow", L"sortcase", sortcase, L"FALSE"),
        ROW(L"Slideshow", L"layer", layer, L"0"),
        ROW(L"Slideshow", L"ontop", ontop, L"FALSE"),
        ROW(L"Slideshow", L"blend", blend, L"FALSE"),
        ROW(L"Slideshow", L"opacity", opacity, L"127"),
        ROW(L"Slideshow", L"loop", loop, L"0"),
        ROW(L"Slideshow", L"loopshuffle", loopshuffle, L"FALSE"),
        ROW(L"Slideshow", L"wheelnav", wheelnav, L"FALSE"),
        ROW(L"Slideshow", L"autoscroll", autoscroll, L"TRUE"),
        ROW(L"Slideshow", L"quietautoscroll", quietautoscroll, L"TRUE"),

        ROW(L"Folder", L"subfolders", subfolders, L"TRUE"),
        ROW(L"Folder", L"hidden", hidden, L"TRUE"),
        ROW(L"Folder", L"autorefresh", autorefresh, L"TRUE"),
        ROW(L"Folder", L"autofindtype", autofindtype, L"0"),

        ROW(L"Formats", L"bmp", bmp, L"TRUE"),
        ROW(L"Formats", L"emf", emf, L"FALSE"),
        ROW(L"Formats", L"gif", gif, L"TRUE"),
        ROW(L"Formats", L"ico", ico, L"FALSE"),
        ROW(L"Formats", L"jpg", jpg, L"TRUE"),
        ROW(L"Formats", L"png", png, L"TRUE"),
        ROW(L"Formats", L"tif", tif, L"FALSE"),
        ROW(L"Formats", L"wic", wic, L"TRUE"),

        ROW(L"Errors", L"removefail", removefail, L"TRUE"),
        ROW(L"Errors", L"logerrors", logerrors, L"TRUE"),
        ROW(L"Errors", L"loglnkfail", loglnkfail, L"FALSE"),

        ROW(L"Catalog", L"thumbsize", thumbsize, L"100"),
        ROW(L"Catalog", L"hide viewer", hideViewer, L"TRUE"),
        ROW(L"Catalog", L"launch", launch, L"FALSE"),

        ROW(L"Catalog Position", L"left", catalogRect.left, L"0"),
        ROW(L"Catalog Position", L"top", catalogRect.top, L"0"),
        ROW(L"Catalog Position", L"right", catalogRect.right, L"0"),
        ROW(L"Catalog Position", L"bottom", catalogRect.bottom, L"0"),

        ROW(L"Image", L"wrap", wrap, L"TRUE"),
        ROW(L"Image", L"crop", crop, L"FALSE"),
        ROW(L"Image", L"squeeze", squeeze, L"TRUE"),
        ROW(L"Image", L"shrink", shrink, L"TRUE"),
        ROW(L"Image", L"stretch", stretch, L"FALSE"),
        ROW(L"Image", L"zoom", zoom, L"0"),
        ROW(L"Image", L"zoomstep", zoomstep, L"10"),
        ROW(L"Image", L"zoomquality", zoomquality, L"0"),
        ROW(L"Image", L"rotation", rotation, L"0"),
        ROW(L"Image", L"rotateaspect", rotateaspect, L"TRUE"),
        ROW(L"Image", L"exiforient", exiforient, L"TRUE"),
        ROW(L"Image", L"layout", layout, L"0"),
        ROW(L"Image", L"collage", collage, L"FALSE"),
        ROW(L"Image", L"collagesize", collagesize, L"250"),

        ROW(L"Transitions", L"transitions", transitions, L"TRUE"),
        ROW(L"Transitions", L"1", transitionFlags[0], L"TRUE"),
        ROW(L"Transitions", L"2", transitionFlags[1], L"TRUE"),
        ROW(L"Transitions", L"3", transitionFlags[2], L"TRUE"),
        ROW(L"Transitions", L"4", transitionFlags[3], L"TRUE"),
        ROW(L"Transitions", L"5", transitionFlags[4], L"TRUE"),
        ROW(L"Transitions", L"6", transitionFlags[5], L"TRUE"),
        ROW(L"Transitions", L"7", transitionFlags[6], L"TRUE"),
        ROW(L"Transitions", L"8", transitionFlags[7], L"TRUE"),
        ROW(L"Transitions", L"9", transitionFlags[8], L"TRUE"),
        ROW(L"Transitions", L"10", transitionFlags[9], L"TRUE"),
        ROW(L"Transitions", L"11", transitionFlags[10], L"TRUE"),
        ROW(L"Transitions", L"12", transitionFlags[11], L"TRUE"),
        ROW(L"Transitions", L"13", transitionFlags[12], L"TRUE"),
        ROW(L"Transitions", L"14", transitionFlags[13], L"TRUE"),
        ROW(L"Transitions", L"15", transitionFlags[14], L"TRUE"),
        ROW(L"Transitions", L"overlap", overlap, L"TRUE"),

        ROW(L"Window", L"title", title, L"TRUE"),
        ROW(L"Window", L"fullname", fullname, L"TRUE"),
        ROW(L"Window", L"statusbar", statusbar, L"TRUE"),
        ROW(L"Window", L"trayicon", trayicon, L"FALSE"),
        ROW(L"Window", L"decorate", decorate, L"FALSE"),
        ROW(L"Window", L"bgcolor", bgcolor, L"0"),
        ROW(L"Window", L"autocenter", autocenter, L"TRUE"),
        ROW(L"Window", L"roamwindow", roamwindow, L"FALSE"),
        ROW(L"Window", L"corral", corral, L"FALSE"),
        ROW(L"Window", L"draggable", draggable, L"TRUE"),
        ROW(L"Window", L"singleinstance", singleinstance, L"FALSE"),
        ROW(L"Window", L"fullscreenname", fullscreenname, L"TRUE"),
        ROW(L"Window", L"fullscreencursor", fullscreencursor, L"TRUE"),
        ROW(L"Window", L"fullscreenlayout", fullscreenlayout, L"0"),

        ROW(L"Position", L"left", windowRect.left, L"0"),
        ROW(L"Position", L"top", windowRect.top, L"0"),
        ROW(L"Position", L"right", windowRect.right, L"0"),
        ROW(L"Position", L"bottom", windowRect.bottom, L"0"),

        ROW(L"Presets", L"1left", presetRects[0].left, L"0"),
        ROW(L"Presets", L"1top", presetRects[0].top, L"0"),
        ROW(L"Presets", L"1right", presetRects[0].right, L"0"),
        ROW(L"Presets", L"1bottom", presetRects[0].bottom, L"0"),
        ROW(L"Presets", L"2left", presetRects[1].left, L"0"),
        ROW(L"Presets", L"2top", presetRects[1].top, L"0"),
        ROW(L"Presets", L"2right", presetRects[1].right, L"0"),
        ROW(L"Presets", L"2bottom", presetRects[1].bottom, L"0"),
        ROW(L"Presets", L"3left", presetRects[2].left, L"0"),
        ROW(L"Presets", L"3top", presetRects[2].top, L"0"),
        ROW(L"Presets", L"3right", presetRects[2].right, L"0"),
        ROW(L"Presets", L"3bottom", presetRects[2].bottom, L"0"),
        ROW(L"Presets", L"4left", presetRects[3].left, L"0"),
        ROW(L"Presets", L"4top", presetRects[3].top, L"0"),
        ROW(L"Presets", L"4right", presetRects[3].right, L"0"),
        ROW(L"Presets", L"4bottom", presetRects[3].bottom, L"0"),
        ROW(L"Presets", L"5left", presetRects[4].left, L"0"),
        ROW(L"Presets", L"5top", presetRects[4].top, L"0"),
        ROW(L"Presets", L"5right", presetRects[4].right, L"0"),
        ROW(L"Presets", L"5bottom", presetRects[4].bottom, L"0"),

        ROW(L"Shell", L"confirmdelete", confirmdelete, L"TRUE"),
        ROW(L"Shell", L"archivelog", archivelog, L"TRUE"),
        ROW(L"Shell", L"confirmarchive", confirmarchive, L"TRUE"),
        ROW(L"Shell", L"bb skin", bbSkin, L"FALSE"),
        ROW(L"Shell", L"bb caption adjust", bbCaptionAdjust, L"4"),
        ROW(L"Shell", L"bb window adjust", bbWindowAdjust, L"2"),
        ROW(L"Shell", L"bb wallpaper style", bbWallpaperStyle, L"1"),
        ROW(L"Shell", L"bb wallpaper", bbWallpaper, L"TRUE"),
        ROW(L"Shell", L"bb wallpaper scale", bbWallpaperScale, L"FALSE"),

        ROW(L"Settings", L"savesettings", savesettings, L"TRUE"),
        ROW(L"Settings", L"markexit", markexit, L"FALSE"),
        ROW(L"Settings", L"bookmark", bookmark, L"0"),

        ROW(L"Menu", L"at cursor", atCursor, L"TRUE"),

        ROW(L"Hotkeys", L"hidemod", hidemod, L"1"),
        ROW(L"Hotkeys", L"hidekey", hidekey, L"27"),
    };
}

#undef ROW

constexpr size_t kPathChars = 260;
constexpr size_t kVersionChars = 12;

}  // namespace

const std::vector<SettingSchemaRow>& settingsSchema() {
    static const std::vector<SettingSchemaRow> schema = buildSchema();
    return schema;
}

const std::vector<std::wstring>& settingsSections() {
    static const std::vector<std::wstring> sections = [] {
        std::vector<std::wstring> names;
        for (const auto& row : settingsSchema())
            if (names.empty() || names.back() != row.section) names.push_back(row.section);
        return names;
    }();
    return sections;
}

void Settings::applyDefaults() {
    for (const auto& row : settingsSchema()) {
        void* target = row.field(*this);
        if (row.type == SettingType::String)
            *static_cast<std::wstring*>(target) = row.defaultText ? row.defaultText : L"";
        else
            parseSettingValue(row.defaultText, row.type, target, kPathChars);
    }
}

size_t sectionMaxChars(const std::wstring& section) {
    return section == settingsSections().front() ? kVersionChars : kPathChars;
}

SettingsTable sectionTable(Settings& settings, const std::wstring& section) {
    SettingsTable table;
    for (const auto& row : settingsSchema())
        if (section == row.section) table.push_back({row.key, row.type, row.field(settings)});
    return table;
}

void readAllSections(IniFile& file, Settings& settings) {
    // The portable note is written for the user; reading it back must not change anything.
    const std::wstring note = settings.portableNote;
    for (const auto& section : settingsSections()) {
        const std::wstring header = L"[" + section + L"]";
        file.readSection(sectionTable(settings, section), header.c_str(), sectionMaxChars(section));
    }
    settings.portableNote = note;
}

void writeAllSections(IniFile& file, Settings& settings) {
    settings.portableNote = kPortableNote;
    for (const auto& section : settingsSections()) {
        const std::wstring header = L"[" + section + L"]";
        file.writeSection(sectionTable(settings, section), header.c_str());
    }
}
