// Command rows of the slideshow, navigation, fit, zoom, rotation, collage and transitions.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

MenuState needsLayered(const Settings&, const CommandContext& c, CommandId) { return {false, !c.layeredSupported}; }
MenuState blendState(const Settings& s, const CommandContext& c, CommandId) { return {s.blend, !c.layeredSupported}; }
MenuState transitionState(const Settings&, const CommandContext& c, CommandId id) {
    return {((c.enabledTransitions >> (id - CMD_TRANSITION_0)) & 1u) != 0, false};
}

const CommandRow kRows[] = {
    // Slideshow
    {CMD_SLIDESHOW, CMD_SLIDESHOW, 0, on<&S::slide>},
    {CMD_TIMER, CMD_TIMER, kDialogWrapper, nullptr},
    {CMD_WINDOWED, CMD_WINDOWED, 0, equals<&S::layer, kLayerWindowed>},
    {CMD_FULLSCREEN, CMD_FULLSCREEN, 0, equals<&S::layer, kLayerFullScreen>},
    {CMD_WALLPAPER, CMD_WALLPAPER, kNeedsExhibit, equals<&S::layer, kLayerWallpaper>},
    {CMD_ONTOP, CMD_ONTOP, 0, on<&S::ontop>},
    {CMD_BLEND, CMD_BLEND, 0, blendState},
    {CMD_OPACITY, CMD_OPACITY, kDialogWrapper, needsLayered},
    {CMD_LOOP, CMD_LOOP_EXIT, 0, inRange<&S::loop, CMD_LOOP>},
    {CMD_RESHUFFLE, CMD_RESHUFFLE, 0, on<&S::loopshuffle>},
    // Navigate and Scroll
    {CMD_NEXT, CMD_NEXT, 0, nullptr},
    {CMD_PREVIOUS, CMD_PREVIOUS, 0, nullptr},
    {CMD_LABEL_X5, CMD_LABEL_X10, kNoAction, nullptr},
    {CMD_FIRST, CMD_FIRST, 0, nullptr},
    {CMD_LAST, CMD_LAST, 0, nullptr},
    {CMD_CURRENT, CMD_CURRENT, 0, nullptr},
    {CMD_NEXT_FOLDER, CMD_PREV_FOLDER, 0, nullptr},  // an empty exhibit clears the view; then a file check
    {CMD_WHEELNAV, CMD_WHEELNAV, 0, on<&S::wheelnav>},
    {CMD_SCROLL_LEFT, CMD_SCROLL_DOWN, 0, nullptr},
    {CMD_LABEL_SCROLL_X2, CMD_LABEL_MOUSE, kNoAction, nullptr},
    {CMD_AUTOSCROLL, CMD_AUTOSCROLL, 0, on<&S::autoscroll>},
    {CMD_QUIETSCROLL, CMD_QUIETSCROLL, 0, on<&S::quietautoscroll>},
    // Fit modes
    {CMD_WRAP, CMD_WRAP, 0, on<&S::wrap>},
    {CMD_CROP, CMD_CROP, 0, on<&S::crop>},
    {CMD_SQUEEZE, CMD_SQUEEZE, 0, on<&S::squeeze>},
    {CMD_SHRINK, CMD_SHRINK, 0, on<&S::shrink>},
    {CMD_STRETCH, CMD_STRETCH, 0, on<&S::stretch>},
    // Zoom
    {CMD_ZOOM_IN, CMD_ZOOM_100, 0, nullptr},
    {CMD_LABEL_ZOOM1, CMD_LABEL_ZOOM1, kNoAction, nullptr},
    {CMD_ZOOM_STEP, CMD_ZOOM_STEP, kDialogWrapper, nullptr},
    {CMD_ZOOM_LOCK, CMD_ZOOM_LOCK, 0, notZero<&S::zoom>},
    {CMD_QUALITY_DEFAULT, CMD_QUALITY_DEFAULT, 0, equals<&S::zoomquality, kQualityDefault>},
    {CMD_QUALITY_HIGH, CMD_QUALITY_HIGH, 0, equals<&S::zoomquality, kQualityHigh>},
    {CMD_QUALITY_BEST, CMD_QUALITY_BEST, 0, equals<&S::zoomquality, kQualityBest>},
    {CMD_WHEELZOOM, CMD_WHEELZOOM, 0, off<&S::wheelnav>},
    // Rotate
    {CMD_ROTATE, CMD_ROTATE_LEFT, 0, nullptr},
    {CMD_ROTATE_LOCK, CMD_ROTATE_LOCK, 0, notZero<&S::rotation>},
    {CMD_ASPECT_FILTER, CMD_ASPECT_FILTER, 0, on<&S::rotateaspect>},
    {CMD_FLIP, CMD_FLIP, 0, nullptr},
    {CMD_EXIF_ORIENT, CMD_EXIF_ORIENT, 0, on<&S::exiforient>},
    // Collage
    {CMD_COLLAGE, CMD_COLLAGE, 0, on<&S::collage>},
    {CMD_COLLAGE_SIZE, CMD_COLLAGE_SIZE, kDialogWrapper, nullptr},
    // Transitions
    {CMD_TRANSITIONS, CMD_TRANSITIONS, 0, on<&S::transitions>},
    {CMD_TRANSITION_0, CMD_TRANSITION_14, 0, transitionState},
    {CMD_TRANSITIONS_ALL, CMD_TRANSITIONS_NONE, 0, nullptr},
    {CMD_OVERLAP, CMD_OVERLAP, 0, on<&S::overlap>},
};

}  // namespace

std::span<const CommandRow> displayCommandRows() { return kRows; }
