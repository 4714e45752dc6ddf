// Decoding a JPEG straight to about the size it is shown.
//
// A picture shown smaller than its pixels need not be decoded whole: the JPEG decoder of the Windows
// Imaging Component can decode at 1/2, 1/4 and 1/8 scale (its source transform), which takes a
// fraction of the time and memory. The result is a GDI+ bitmap that is drawn like any decoded image.
// Other formats, a picture shown at or above half its size, and any failure are left to the full
// decode. The decoder process uses it.
//
// What the caller keeps in mind:
// - The bitmap is the picture as stored: the EXIF orientation is not applied and not attached as a
//   property. Take it from the header probe (ImageProbe::orientation) and turn the bitmap as a full
//   decode would be turned. Ask for the shown size in stored orientation: for orientations 5..8
//   swap the shown width and height first.
// - The bitmap is smaller than the picture. Layout keeps using the natural size (the probe's), and
//   a view that needs more pixels than the bitmap has (zoom past the decoded size) decodes the file
//   again at full size.
// - COM is initialised on the calling thread for the duration of the call when it is not already.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include <string>

#include "core/win_handles.h"

// Not every SDK's headers declare the source transform; its layout is fixed by the platform.
#ifndef __IWICBitmapSourceTransform_INTERFACE_DEFINED__
#define __IWICBitmapSourceTransform_INTERFACE_DEFINED__
struct IWICBitmapSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height,
                                                 WICPixelFormatGUID* format, WICBitmapTransformOptions transform,
                                                 UINT stride, UINT bufferSize, BYTE* buffer) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
#endif
// Its interface identifier, spelled out for the same reason.
inline constexpr IID kIidWicSourceTransform = {0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

struct ScaledJpeg {
    GdipImage bitmap;           // a GpBitmap, PixelFormat24bppRGB, as a full decode of a colour JPEG
    int width = 0, height = 0;  // of the bitmap
    int denominator = 1;        // 2, 4 or 8: natural width / bitmap width, rounded
};

// Decodes the JPEG in `stream` (read from its start; the position is left anywhere) at the smallest
// of 1/2, 1/4 and 1/8 scale whose result still covers shownWidth x shownHeight (stored orientation).
// Returns false and leaves `out` empty when that does not apply or cannot be done: not a JPEG, shown
// at more than half the natural size, no source transform on this platform (Wine 8's decoder has
// none; once found, later calls give up at once), a pixel format other than colour or grey (CMYK),
// or any failure. GDI+ must be started.
bool decodeJpegScaled(IStream* stream, int shownWidth, int shownHeight, ScaledJpeg& out);

// The same from a source transform the caller already has, of a picture of natural size
// naturalWidth x naturalHeight.
bool decodeThroughTransform(IWICBitmapSourceTransform* transform, UINT naturalWidth, UINT naturalHeight,
                            int shownWidth, int shownHeight, ScaledJpeg& out);
