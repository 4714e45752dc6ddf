// Every persisted setting of the program, and the one schema table (section, key, type, default,
// field) from which defaults, reading and writing of the settings file all follow.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "glimvue_version.h"
#include "ini_file.h"
#include "setting_values.h"

struct Rect32 {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect32&) const = default;
};

struct Settings {
    // [Glimvue]
    std::wstring version;
    // [Portable]
    std::wstring portableNote;  // the note line; written, never used
    bool savefolder;
    std::wstring folder;
    std::wstring favorites;
    std::wstring archive;
    std::wstring imageViewer;   // "image viewer"
    std::wstring fileManager;   // "file manager"
    // [Tweak]
    int32_t autorefreshLatency;
    std::wstring desktop;
    // [Tweak Transitions]
    int32_t shutterLatency, wipeLatency, slideLatency, quadrantSlideLatency, quadrantWipeLatency,
        dissolveLatency, crossfadeLatency;
    // [Slideshow]
    bool slide;
    int32_t timer;
    int16_t sort, sortby;
    bool sortcase;
    int16_t layer;
    bool ontop, blend;
    int16_t opacity;
    int16_t loop;
    bool loopshuffle, wheelnav, autoscroll, quietautoscroll;
    // [Folder]
    bool subfolders, hidden, autorefresh;
    int16_t autofindtype;
    // [Formats]
    bool bmp, emf, gif, ico, jpg, png, tif;
    bool wic;  // the formats of the system's decoders
    // [Errors]
    bool removefail, logerrors, loglnkfail;
    // [Catalog]
    int32_t thumbsize;
    bool hideViewer;            // "hide viewer"
    bool launch;
    // [Catalog Position]
    Rect32 catalogRect;
    // [Image]
    bool wrap, crop, squeeze, shrink, stretch;
    int16_t zoom, zoomstep, zoomquality, rotation;
    bool rotateaspect, exiforient;
    int16_t layout;
    bool collage;
    int16_t collagesize;
    // [Transitions]
    bool transitions;
    std::array<bool, 15> transitionFlags;  // keys "1".."15": transition n-1 enabled
    bool overlap;
    // [Window]
    bool title, fullname, statusbar, trayicon, decorate;
    int32_t bgcolor;
    bool autocenter, roamwindow, corral, draggable, singleinstance;
    bool fullscreenname, fullscreencursor;
    int16_t fullscreenlayout;
    // [Position]
    Rect32 windowRect;
    // [Presets]
    std::array<Rect32, 5> presetRects;
    // [Shell]
    bool confirmdelete, archivelog, confirmarchive;
    bool bbSkin;                // "bb skin"
    int16_t bbCaptionAdjust;    // "bb caption adjust"
    int16_t bbWindowAdjust;     // "bb window adjust"
    int16_t bbWallpaperStyle;   // "bb wallpaper style"
    bool bbWallpaper;           // "bb wallpaper"
    bool bbWallpaperScale;      // "bb wallpaper scale"
    // [Settings]
    bool savesettings, markexit;
    int32_t bookmark;
    // [Menu]
    bool atCursor;              // "at cursor"
    // [Hotkeys]
    int16_t hidemod, hidekey;

    Settings() { applyDefaults(); }
    // Every field takes the default of the schema.
    void applyDefaults();
};

// The INI type of a setting, from the C++ type of its member.
template <class T>
constexpr SettingType settingTypeOf() {
    if constexpr (std::is_same_v<T, bool>)
        return SettingType::Bool;
    else if constexpr (std::is_same_v<T, int16_t>)
        return SettingType::Short;
    else if constexpr (std::is_same_v<T, int32_t>)
        return SettingType::Long;
    else {
        static_assert(std::is_same_v<T, std::wstring>, "a setting is bool, int16_t, int32_t or std::wstring");
        return SettingType::String;
    }
}

// One row of the schema. Rows are made by settingRow, which takes the type from the member that
// `access` reaches, so a row's type can never disagree with its field.
struct SettingSchemaRow {
    const wchar_t* section;   // header text without brackets
    const wchar_t* key;
    SettingType type;
    void* (*field)(Settings&);
    const wchar_t* defaultText;  // parsed by the row's type; nullptr = empty string
};

// `access` is a captureless lambda returning a reference to the setting's member.
template <class Access>
SettingSchemaRow settingRow(const wchar_t* section, const wchar_t* key, Access, const wchar_t* defaultText) {
    using Member = std::remove_reference_t<decltype(Access{}(std::declval<Settings&>()))>;
    return {section, key, settingTypeOf<Member>(), [](Settings& s) -> void* { return &Access{}(s); }, defaultText};
}

const std::vector<SettingSchemaRow>& settingsSchema();
// The nineteen section names, in the order written.
const std::vector<std::wstring>& settingsSections();

// The descriptor table of one section bound to the given settings.
SettingsTable sectionTable(Settings& settings, const std::wstring& section);

// String limit of a section when read: 12 characters for the first section, 260 for the others.
size_t sectionMaxChars(const std::wstring& section);

// Reads all sections from an open file, in schema order, on top of the values in force.
void readAllSections(IniFile& file, Settings& settings);
// Writes all sections, in schema order, to a file open for writing.
void writeAllSections(IniFile& file, Settings& settings);

// The product version written to the `version` key (major.minor of the program's version).
inline constexpr const wchar_t* kProductName = L"Glimvue";
inline constexpr const wchar_t* kProductVersion = L"" GLIMVUE_SHORT_VERSION_TEXT;
inline constexpr const wchar_t* kPortableNote =
    L"for portability set savefolder=FALSE and use relative paths, eg. \\pics";
