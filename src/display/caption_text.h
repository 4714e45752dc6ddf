// Texts that describe the shown picture: the window caption and status-bar parts 0 to 4.
// Numbers are written without the C locale, so the decimal separator is always ".".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct CaptionInput {
    bool title = true;     // file name in the caption
    bool fullname = true;  // full path instead of the bare name
    bool collage = false;
    bool pasted = false;   // the picture came from the clipboard; currentPath is its pseudo-name
    std::wstring currentPath, buildRoot, productName;
    bool exhibitEmpty = false;
    int zoomPercent = 100;
    int shownWidth = 0, shownHeight = 0;
};

// Without title: the product name. Empty exhibit: "<buildRoot> - <product>". Otherwise the path
// ("*" in front for a shortcut), or with fullname off the name after the last "\" cut at its last
// "." (a shortcut keeps its "*" and its target's extension), then " - <product>", then
// " (Zoom: W x H)" when the zoom is not 100 and the collage is off.
std::wstring composeCaption(const CaptionInput& input);

// The caption cut to the 127 characters a tray tip holds, counted in UTF-16 units and never
// splitting a surrogate pair.
std::wstring trayTipText(const std::wstring& caption);

// numerator / denominator with two decimals, rounded half up, "." as separator:
// 3000000 / 1024 -> "2929.69". A denominator of 0 gives "0.00".
std::wstring formatTwoDecimals(uint64_t numerator, uint32_t denominator);

// Status part 0: "\t<size/1024 with two decimals><kb>", "\t!<kb>" when the size cannot be read,
// "\t<notAFile>" for a pasted picture.
std::wstring fileSizePart(bool pasted, bool sizeReadable, uint32_t sizeBytes, const std::wstring& kb,
                          const std::wstring& notAFile);
// Status part 1: "\tWxHxBPP".
std::wstring dimensionsPart(int width, int height, int bitsPerPixel);
// Status part 2: "\t<zoom>%", "\t!<zoom>%" when a zoom lock is set and the zoom is not manual; in collage
// mode the zoom the tile is drawn at, "\t<tileWidth * 100 / pictureWidth>%" ("\t0%" for a picture
// without width).
std::wstring zoomPart(bool collage, int tileWidth, int pictureWidth, int zoomPercent, int zoomLock,
                      bool manualZoom);
// Status part 3: "\t H:<x> V:<y>" with the scroll steps across each way (0 when the range is 0 or less,
// else range / step + 1; a step below 1 counts as 1); empty when squeeze is on and the zoom is not
// manual; "\t<collageWord>" in collage mode.
std::wstring scrollPart(bool collage, const std::wstring& collageWord, bool squeeze, bool manualZoom,
                        int rangeX, int rangeY, int scrollStep);
// Status part 4: "\t<index + 1>/<count>", or "\t?/<count>" for a pasted picture.
std::wstring positionPart(bool pasted, size_t index, size_t count);
