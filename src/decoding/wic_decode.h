// Decoding through the system's codecs (the Windows Imaging Component): the pictures GDI+ does not
// decode — WebP, HEIF, AVIF, JPEG XR, DDS, camera RAW, whatever the system has installed.
//
// Open reads the first frame's size, depth, transparency and EXIF orientation (where the codec
// gives it) and makes the codec decode a pixel, so that a file the codec rejects fails there. Render
// converts and scales the frame in the codec's own pipeline and copies the pixels straight into the
// caller's memory (through a buffer of the scaled picture when it is to be turned). The decoder process uses it; COM must be initialised on the thread.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <cstdint>

#include "core/win_handles.h"
#include "decoding/decode_protocol.h"

struct WicPicture {
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    int width = 0, height = 0;
    int bitsPerPixel = 32;     // one of the depths the program takes
    bool alpha = false;        // its pixel format can carry transparency
    unsigned orientation = 1;  // EXIF, 1..8
};

// Opens the picture in `stream` (read from its start). False for a stream no codec takes, a
// picture of no pixels or of more than `maxPixels`, and any failure.
bool openWithWic(IStream* stream, std::uint64_t maxPixels, WicPicture& out);

// Makes `width` x `height` pixels of the opened picture in `pixels` (32 bits, top row first,
// stride width * 4): Copy — the natural size, BGRA with straight alpha, unturned; DrawOpaque —
// turned by `rotateFlip` (a GDI+ RotateFlipType: a quarter turn clockwise per step, then a mirror
// when 4 is set), scaled to the size (the sides after turning) with the GDI+ interpolation mode's
// nearest counterpart, onto black. False for a request that does not fit the picture and any failure.
bool renderWithWic(const WicPicture& picture, decoding::RenderKind kind, int width, int height, int rotateFlip,
                   int interpolation, void* pixels);
