#include "settings.h"

namespace {

#define FIELD(member) [](Settings& s) -> void* { return &s.member; }

using T = SettingType;

std::vector<SettingSchemaRow> buildSchema() {
    return {
        {L"Glimvue", L"version", T::String, FIELD(version), L"1.00"},

        {L"Portable", L";", T::String, FIELD(portableNote), kPortableNote},
        {L"Portable", L"savefolder", T::Bool, FIELD(savefolder), L"TRUE"},
        {L"Portable", L"folder", T::String, FIELD(folder), nullptr},
        {L"Portable", L"favorites", T::String, FIELD(favorites), nullptr},
        {L"Portable", L"archive", T::String, FIELD(archive), nullptr},
        {L"Portable", L"image viewer", T::String, FIELD(imageViewer), nullptr},
        {L"Portable", L"file manager", T::String, FIELD(fileManager), L"explorer.exe"},

        {L"Tweak", L"autorefresh latency", T::Long, FIELD(autorefreshLatency), L"200"},
        {L"Tweak", L"desktop", T::String, FIELD(desktop), nullptr},

        {L"Tweak Transitions", L"shutter latency", T::Long, FIELD(shutterLatency), L"500"},
        {L"Tweak Transitions", L"wipe latency", T::Long, FIELD(wipeLatency), L"2"},
        {L"Tweak Transitions", L"slide latency", T::Long, FIELD(slideLatency), L"5"},
        {L"Tweak Transitions", L"quadrant slide latency", T::Long, FIELD(quadrantSlideLatency), L"10"},
        {L"Tweak Transitions", L"quadrant wipe latency", T::Long, FIELD(quadrantWipeLatency), L"12"},
        {L"Tweak Transitions", L"dissolve latency", T::Long, FIELD(dissolveLatency), L"2"},
        {L"Tweak Transitions", L"crossfade latency", T::Long, FIELD(crossfadeLatency), L"30"},

        {L"Slideshow", L"slide", T::Bool, FIELD(slide), L"TRUE"},
        {L"Slideshow", L"timer", T::Long, FIELD(timer), L"5000"},
        {L"Slideshow", L"sort", T::Short, FIELD(sort), L"0"},
        {L"Slideshow", L"sortby", T::Short, FIELD(sortby), L"1"},
        {L"Slideshow", L"sortcase", T::Bool, FIELD(sortcase), L"FALSE"},
        {L"Slideshow", L"layer", T::Short, FIELD(layer), L"0"},
        {L"Slideshow", L"ontop", T::Bool, FIELD(ontop), L"FALSE"},
        {L"Slideshow", L"blend", T::Bool, FIELD(blend), L"FALSE"},
        {L"Slideshow", L"opacity", T::Short, FIELD(opacity), L"127"},
        {L"Slideshow", L"loop", T::Short, FIELD(loop), L"0"},
        {L"Slideshow", L"loopshuffle", T::Bool, FIELD(loopshuffle), L"FALSE"},
        {L"Slideshow", L"wheelnav", T::Bool, FIELD(wheelnav), L"FALSE"},
        {L"Slideshow", L"autoscroll", T::Bool, FIELD(autoscroll), L"TRUE"},
        {L"Slideshow", L"quietautoscroll", T::Bool, FIELD(quietautoscroll), L"TRUE"},

        {L"Folder", L"subfolders", T::Bool, FIELD(subfolders), L"TRUE"},
        {L"Folder", L"hidden", T::Bool, FIELD(hidden), L"TRUE"},
        {L"Folder", L"autorefresh", T::Bool, FIELD(autorefresh), L"TRUE"},
        {L"Folder", L"autofindtype", T::Short, FIELD(autofindtype), L"0"},

        {L"Formats", L"bmp", T::Bool, FIELD(bmp), L"TRUE"},
        {L"Formats", L"emf", T::Bool, FIELD(emf), L"FALSE"},
        {L"Formats", L"gif", T::Bool, FIELD(gif), L"TRUE"},
        {L"Formats", L"ico", T::Bool, FIELD(ico), L"FALSE"},
        {L"Formats", L"jpg", T::Bool, FIELD(jpg), L"TRUE"},
        {L"Formats", L"png", T::Bool, FIELD(png), L"TRUE"},
        {L"Formats", L"tif", T::Bool, FIELD(tif), L"FALSE"},

        {L"Errors", L"removefail", T::Bool, FIELD(removefail), L"TRUE"},
        {L"Errors", L"logerrors", T::Bool, FIELD(logerrors), L"TRUE"},
        {L"Errors", L"loglnkfail", T::Bool, FIELD(loglnkfail), L"FALSE"},

        {L"Catalog", L"thumbsize", T::Long, FIELD(thumbsize), L"100"},
        {L"Catalog", L"hide viewer", T::Bool, FIELD(hideViewer), L"TRUE"},
        {L"Catalog", L"launch", T::Bool, FIELD(launch), L"FALSE"},

        {L"Catalog Position", L"left", T::Long, FIELD(catalogRect.left), L"0"},
        {L"Catalog Position", L"top", T::Long, FIELD(catalogRect.top), L"0"},
        {L"Catalog Position", L"right", T::Long, FIELD(catalogRect.right), L"0"},
        {L"Catalog Position", L"bottom", T::Long, FIELD(catalogRect.bottom), L"0"},

        {L"Image", L"wrap", T::Bool, FIELD(wrap), L"TRUE"},
        {L"Image", L"crop", T::Bool, FIELD(crop), L"FALSE"},
        {L"Image", L"squeeze", T::Bool, FIELD(squeeze), L"TRUE"},
        {L"Image", L"shrink", T::Bool, FIELD(shrink), L"TRUE"},
        {L"Image", L"stretch", T::Bool, FIELD(stretch), L"FALSE"},
        {L"Image", L"zoom", T::Short, FIELD(zoom), L"0"},
        {L"Image", L"zoomstep", T::Short, FIELD(zoomstep), L"10"},
        {L"Image", L"zoomquality", T::Short, FIELD(zoomquality), L"0"},
        {L"Image", L"rotation", T::Short, FIELD(rotation), L"0"},
        {L"Image", L"rotateaspect", T::Bool, FIELD(rotateaspect), L"TRUE"},
        {L"Image", L"exiforient", T::Bool, FIELD(exiforient), L"TRUE"},
        {L"Image", L"layout", T::Short, FIELD(layout), L"0"},
        {L"Image", L"collage", T::Bool, FIELD(collage), L"FALSE"},
        {L"Image", L"collagesize", T::Short, FIELD(collagesize), L"250"},

        {L"Transitions", L"transitions", T::Bool, FIELD(transitions), L"TRUE"},
        {L"Transitions", L"1", T::Bool, FIELD(transitionFlags[0]), L"TRUE"},
        {L"Transitions", L"2", T::Bool, FIELD(transitionFlags[1]), L"TRUE"},
        {L"Transitions", L"3", T::Bool, FIELD(transitionFlags[2]), L"TRUE"},
        {L"Transitions", L"4", T::Bool, FIELD(transitionFlags[3]), L"TRUE"},
        {L"Transitions", L"5", T::Bool, FIELD(transitionFlags[4]), L"TRUE"},
        {L"Transitions", L"6", T::Bool, FIELD(transitionFlags[5]), L"TRUE"},
        {L"Transitions", L"7", T::Bool, FIELD(transitionFlags[6]), L"TRUE"},
        {L"Transitions", L"8", T::Bool, FIELD(transitionFlags[7]), L"TRUE"},
        {L"Transitions", L"9", T::Bool, FIELD(transitionFlags[8]), L"TRUE"},
        {L"Transitions", L"10", T::Bool, FIELD(transitionFlags[9]), L"TRUE"},
        {L"Transitions", L"11", T::Bool, FIELD(transitionFlags[10]), L"TRUE"},
        {L"Transitions", L"12", T::Bool, FIELD(transitionFlags[11]), L"TRUE"},
        {L"Transitions", L"13", T::Bool, FIELD(transitionFlags[12]), L"TRUE"},
        {L"Transitions", L"14", T::Bool, FIELD(transitionFlags[13]), L"TRUE"},
        {L"Transitions", L"15", T::Bool, FIELD(transitionFlags[14]), L"TRUE"},
        {L"Transitions", L"overlap", T::Bool, FIELD(overlap), L"TRUE"},

        {L"Window", L"title", T::Bool, FIELD(title), L"TRUE"},
        {L"Window", L"fullname", T::Bool, FIELD(fullname), L"TRUE"},
        {L"Window", L"statusbar", T::Bool, FIELD(statusbar), L"TRUE"},
        {L"Window", L"trayicon", T::Bool, FIELD(trayicon), L"FALSE"},
        {L"Window", L"decorate", T::Bool, FIELD(decorate), L"FALSE"},
        {L"Window", L"bgcolor", T::Long, FIELD(bgcolor), L"0"},
        {L"Window", L"autocenter", T::Bool, FIELD(autocenter), L"TRUE"},
        {L"Window", L"roamwindow", T::Bool, FIELD(roamwindow), L"FALSE"},
        {L"Window", L"corral", T::Bool, FIELD(corral), L"FALSE"},
        {L"Window", L"draggable", T::Bool, FIELD(draggable), L"TRUE"},
        {L"Window", L"singleinstance", T::Bool, FIELD(singleinstance), L"FALSE"},
        {L"Window", L"fullscreenname", T::Bool, FIELD(fullscreenname), L"TRUE"},
        {L"Window", L"fullscreencursor", T::Bool, FIELD(fullscreencursor), L"TRUE"},
        {L"Window", L"fullscreenlayout", T::Short, FIELD(fullscreenlayout), L"0"},

        {L"Position", L"left", T::Long, FIELD(windowRect.left), L"0"},
        {L"Position", L"top", T::Long, FIELD(windowRect.top), L"0"},
        {L"Position", L"right", T::Long, FIELD(windowRect.right), L"0"},
        {L"Position", L"bottom", T::Long, FIELD(windowRect.bottom), L"0"},

        {L"Presets", L"1left", T::Long, FIELD(presetRects[0].left), L"0"},
        {L"Presets", L"1top", T::Long, FIELD(presetRects[0].top), L"0"},
        {L"Presets", L"1right", T::Long, FIELD(presetRects[0].right), L"0"},
        {L"Presets", L"1bottom", T::Long, FIELD(presetRects[0].bottom), L"0"},
        {L"Presets", L"2left", T::Long, FIELD(presetRects[1].left), L"0"},
        {L"Presets", L"2top", T::Long, FIELD(presetRects[1].top), L"0"},
        {L"Presets", L"2right", T::Long, FIELD(presetRects[1].right), L"0"},
        {L"Presets", L"2bottom", T::Long, FIELD(presetRects[1].bottom), L"0"},
        {L"Presets", L"3left", T::Long, FIELD(presetRects[2].left), L"0"},
        {L"Presets", L"3top", T::Long, FIELD(presetRects[2].top), L"0"},
        {L"Presets", L"3right", T::Long, FIELD(presetRects[2].right), L"0"},
        {L"Presets", L"3bottom", T::Long, FIELD(presetRects[2].bottom), L"0"},
        {L"Presets", L"4left", T::Long, FIELD(presetRects[3].left), L"0"},
        {L"Presets", L"4top", T::Long, FIELD(presetRects[3].top), L"0"},
        {L"Presets", L"4right", T::Long, FIELD(presetRects[3].right), L"0"},
        {L"Presets", L"4bottom", T::Long, FIELD(presetRects[3].bottom), L"0"},
        {L"Presets", L"5left", T::Long, FIELD(presetRects[4].left), L"0"},
        {L"Presets", L"5top", T::Long, FIELD(presetRects[4].top), L"0"},
        {L"Presets", L"5right", T::Long, FIELD(presetRects[4].right), L"0"},
        {L"Presets", L"5bottom", T::Long, FIELD(presetRects[4].bottom), L"0"},

        {L"Shell", L"confirmdelete", T::Bool, FIELD(confirmdelete), L"TRUE"},
        {L"Shell", L"archivelog", T::Bool, FIELD(archivelog), L"TRUE"},
        {L"Shell", L"confirmarchive", T::Bool, FIELD(confirmarchive), L"TRUE"},
        {L"Shell", L"bb skin", T::Bool, FIELD(bbSkin), L"FALSE"},
        {L"Shell", L"bb caption adjust", T::Short, FIELD(bbCaptionAdjust), L"4"},
        {L"Shell", L"bb window adjust", T::Short, FIELD(bbWindowAdjust), L"2"},
        {L"Shell", L"bb wallpaper style", T::Short, FIELD(bbWallpaperStyle), L"1"},
        {L"Shell", L"bb wallpaper", T::Bool, FIELD(bbWallpaper), L"TRUE"},
        {L"Shell", L"bb wallpaper scale", T::Bool, FIELD(bbWallpaperScale), L"FALSE"},

        {L"Settings", L"savesettings", T::Bool, FIELD(savesettings), L"TRUE"},
        {L"Settings", L"markexit", T::Bool, FIELD(markexit), L"FALSE"},
        {L"Settings", L"bookmark", T::Long, FIELD(bookmark), L"0"},

        {L"Menu", L"at cursor", T::Bool, FIELD(atCursor), L"TRUE"},

        {L"Hotkeys", L"hidemod", T::Short, FIELD(hidemod), L"1"},
        {L"Hotkeys", L"hidekey", T::Short, FIELD(hidekey), L"27"},
    };
}

#undef FIELD

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
