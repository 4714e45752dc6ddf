// The one decoded picture the program shows, saves, pastes and sets as wallpaper.
//
// Decoding, resampling, drawing and encoding all go through the GDI+ flat API; the library must
// have been started (GdiplusStartup) before any call here and stays started while an image is held.
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

class ViewImage {
public:
    ViewImage();
    ~ViewImage();
    ViewImage(const ViewImage&) = delete;
    ViewImage& operator=(const ViewImage&) = delete;

    // Replaces the image by the decoded file. A file that does not decode, whose type is unknown,
    // or whose width or height is 0 leaves no image. Reads the EXIF orientation (1 when the file has
    // none). Returns whether an image is now held.
    bool loadFromFile(const std::wstring& path);
    // Replaces the image by a bitmap made from a GDI bitmap handle; a null handle, a failure or an
    // empty bitmap leaves no image. Does not touch the orientation.
    bool loadFromBitmapHandle(HBITMAP bitmap);
    // Takes over an image decoded or rendered elsewhere (a metafile rendered at the size it is
    // shown, a picture decoded ahead on another thread) with the file's EXIF orientation. An empty
    // image or one of width or height 0 leaves no image. Returns whether an image is now held.
    bool adopt(GdipImage decoded, unsigned fileOrientation);
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
    // Takes over `bitmap`, a reduced copy of a picture of stored size naturalWidth x naturalHeight and
    // `bitsPerPixel`, as adopt() does. False (no image) for an empty bitmap or a size <= 0.
    bool adoptReduced(GdipImage bitmap, unsigned fileOrientation, int naturalWidth, int naturalHeight,
                      int bitsPerPixel, Source source);
    // Replaces the held pixels by a copy resampled to w x h (in the axes it now stands in) with
    // `interpolation`, keeping the natural size; `source` is where the full picture comes from.
    // Only a real reduction (smaller in both directions) is done. True when the image is now reduced.
    bool reduceTo(int w, int h, Source source);
    // Resamples `source` to a new w x h 32 bpp ARGB bitmap with the interpolation mode, as the
    // painting draws it; empty on failure.
    static GdipImage resample(Gdiplus::GpImage* source, int w, int h, int interpolation);
    // The same as the painting draws it: through a device context onto a black 32-bit surface, so
    // that drawing the result at its own size gives the pixels a paint of `source` gives. A 32 bpp
    // RGB bitmap; empty on failure.
    static GdipImage resampleForView(Gdiplus::GpImage* source, int w, int h, int interpolation);

    // Whether fewer pixels than the picture's are held, and the held bitmap's size (as turned).
    bool reduced() const { return image_ && (heldWidth_ != naturalWidth_ || heldHeight_ != naturalHeight_); }
    int heldWidth() const { return image_ ? heldWidth_ : 0; }
    int heldHeight() const { return image_ ? heldHeight_ : 0; }
    // Where a reduced picture's pixels come from (empty path when none is held reduced).
    const Source& source() const { return source_; }
    // Takes the whole picture decoded elsewhere from the source file, as stored, in place of the
    // reduced one: checked to be of the picture's size and turned as the held image was turned.
    // False (the reduced image stays) when nothing is reduced or it does not fit.
    bool adoptWhole(GdipImage whole);
    // Set while the whole picture has been asked of the decoding worker; cleared by any new image.
    bool wholeRequested = false;
    enum class Restore { Done, Changed, Failed };
    // Holds the whole picture again: decodes the source file, checks that it is still the file that
    // was read (Changed otherwise, nothing decoded) and of the same size, and turns it as the held
    // image was turned. Done at once when nothing is reduced; on Changed or Failed the reduced image
    // stays as it was.
    Restore restoreFullPixels();

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

    static constexpr unsigned kPropertyBufferSize = 512;
    // Size of the orientation property item as last reported by the library; 0 until a file with
    // the property has been loaded. Once known it is reused for every later file.
    unsigned propertySize() const { return propertySize_; }

private:
    GdipImage image_;
    int naturalWidth_ = 0, naturalHeight_ = 0;  // the picture's, as turned
    int heldWidth_ = 0, heldHeight_ = 0;        // the bitmap's, as turned
    int bitsPerPixel_ = 0;                      // the picture's when reduced; 0: ask the bitmap
    int turn_ = 0;                              // every rotateFlip since the load, as one RotateFlipType
    Source source_;
    // Receives the orientation property item; allocated once, reused for every file.
    std::unique_ptr<unsigned char[]> propertyBuffer_;
    unsigned propertySize_ = 0;
    unsigned generation_ = 0;

    void readOrientation();
    bool takeSizes();
    void drawInto(HDC dc, int x, int y, int w, int h) const;
};
