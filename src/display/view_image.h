// The one decoded picture the program shows, saves, pastes and sets as wallpaper.
//
// Pictures are decoded by the decoder process (PictureDecoder) and taken over here as they come
// back: pixels in a shared section, wrapped for GDI+ without a copy. Resampling, drawing and
// encoding go through the GDI+ flat API; the library must have been started (GdiplusStartup) before
// any call here and stays started while an image is held.
// The image may be held reduced: a picture shown smaller than its pixels keeps only a bitmap of the
// shown size, resampled as the painting resamples, while the natural width and height stay the
// picture's own (as turned). Whatever needs more pixels than are held asks for the full picture
// again (restoreFullPixels), which decodes the file once more and turns it as the held one was turned.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/win_handles.h"
#include "decoding/picture_decoder.h"

class ViewImage {
public:
    ViewImage();
    ~ViewImage();
    ViewImage(const ViewImage&) = delete;
    ViewImage& operator=(const ViewImage&) = delete;

    // Takes over a picture the decoder made of the file at `path` (whole, or reduced to the size it
    // is shown), with the file's EXIF orientation. An empty picture leaves no image. Returns whether
    // an image is now held.
    bool adoptDecoded(DecodedPicture picture, const std::wstring& path);
    // Replaces the image by a bitmap made from a GDI bitmap handle; a null handle, a failure or an
    // empty bitmap leaves no image. Does not touch the orientation.
    bool loadFromBitmapHandle(HBITMAP bitmap);
    void release();
    bool loaded() const { return static_cast<bool>(image_); }
    // Changes whenever the pixels may have changed (another image, none, a turn or flip), so that
    // what was drawn from the image can tell whether it is still the same picture.
    unsigned generation() const { return generation_; }

    // The file a reduced picture was decoded from, with its size and last-write time as they were
    // when it was read: the full picture is decoded from it again only while they still hold.
    struct Source {
        std::wstring path;
        std::uint64_t size = 0, writeTime = 0;
    };
    // Reads the size and time of `path`; false when it cannot be read.
    static bool stampOf(const std::wstring& path, std::uint64_t& size, std::uint64_t& writeTime);
    // Resamples `source` to a new w x h 32 bpp ARGB bitmap with the interpolation mode, as the
    // painting draws it; empty on failure.
    static GdipImage resample(Gdiplus::GpImage* source, int w, int h, int interpolation);

    // Whether fewer pixels than the picture's are held, and the held bitmap's size (as turned).
    bool reduced() const { return image_ && (heldWidth_ != naturalWidth_ || heldHeight_ != naturalHeight_); }
    int heldWidth() const { return image_ ? heldWidth_ : 0; }
    int heldHeight() const { return image_ ? heldHeight_ : 0; }
    // Where a reduced picture's pixels come from (empty path when none is held reduced).
    const Source& source() const { return source_; }
    // Takes the whole picture decoded from the source file, as stored, in place of the reduced one:
    // checked to be the file that was read and of the picture's size, and turned as the held image
    // was turned. False (the reduced image stays) when nothing is reduced or it does not fit.
    bool adoptWhole(DecodedPicture whole);
    // Set while the whole picture has been asked of the decoding worker; cleared by any new image.
    bool wholeRequested = false;
    enum class Restore { Done, Changed, Failed };
    // Holds the whole picture again: has `decoder` decode the source file, checks that it is still
    // the file that was read (Changed otherwise) and of the same size, and turns it as the held image
    // was turned. Done at once when nothing is reduced; on Changed or Failed the reduced image stays
    // as it was.
    Restore restoreFullPixels(PictureDecoder& decoder);

    // Natural size of the held image as it now stands; 0 without an image.
    int naturalWidth() const { return image_ ? naturalWidth_ : 0; }
    int naturalHeight() const { return image_ ? naturalHeight_ : 0; }

    // Draws the whole image into (0, 0, w, h) of the device context with `interpolation`.
    void drawTo(HDC dc, int w, int h) const;
    // The same into (x, y, w, h).
    void drawAt(HDC dc, int x, int y, int w, int h) const;

    enum SaveFormat { SaveBmp = 0, SaveJpeg = 1 };
    // Resamples the image to w x h (32 bpp ARGB, high-quality bicubic) and writes it as BMP or JPEG
    // with the encoder's defaults. Returns the GDI+ status: 0 on success; non-zero without an image,
    // for an unknown format or when no encoder is found, in which cases no file is written.
    int saveScaled(const std::wstring& path, int format, int w, int h);

    // Bits per pixel of the image's pixel format: 0, 1, 4, 8, 16, 24, 32, 48 or 64 (0 without an image
    // or for a format not in the table).
    int bitsPerPixel() const;
    // The same for any GDI+ image (0 for a null one).
    static int bitsPerPixelOf(Gdiplus::GpImage* image);

    // Turns or flips the image in place (a GDI+ RotateFlipType, 0..7). False without an image or on failure.
    bool rotateFlip(int rotateFlipType);

    // Status of the most recent failing library call on the image; 0 after a successful load.
    mutable int lastStatus = 0;
    // Displayed size and top-left inside the target rectangle, set by the layout code.
    int width = 0, height = 0, offsetX = 0, offsetY = 0;
    // GDI+ InterpolationMode used when drawing: 0 (Default), 2 (HighQuality), 7 (HighQualityBicubic).
    int interpolation = 0;
    // EXIF orientation of the decoded file, 1..8; 1 when it has none or it cannot be read.
    unsigned orientation = 1;

private:
    GdipImage image_;
    GdiBitmap pixels_;  // the decoder's section behind image_, when image_ wraps it
    int naturalWidth_ = 0, naturalHeight_ = 0;  // the picture's, as turned
    int heldWidth_ = 0, heldHeight_ = 0;        // the bitmap's, as turned
    int bitsPerPixel_ = 0;                      // the picture's when reduced; 0: ask the bitmap
    int turn_ = 0;                              // every rotateFlip since the load, as one RotateFlipType
    Source source_;
    unsigned generation_ = 0;

    bool takeSizes();
    void drawInto(HDC dc, int x, int y, int w, int h) const;
};
