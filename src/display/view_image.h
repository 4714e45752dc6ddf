// The one decoded picture the program shows, saves, pastes and sets as wallpaper.
//
// Decoding, resampling, drawing and encoding all go through the GDI+ flat API; the library must
// have been started (GdiplusStartup) before any call here and stays started while an image is held.
// The natural width and height are always asked of the library, so they follow any rotation or
// flip already applied to the image.
#pragma once

#include <windows.h>

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

    // Natural size of the held image as it now stands; 0 without an image.
    int naturalWidth() const;
    int naturalHeight() const;

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
    // Receives the orientation property item; allocated once, reused for every file.
    std::unique_ptr<unsigned char[]> propertyBuffer_;
    unsigned propertySize_ = 0;
    unsigned generation_ = 0;

    void readOrientation();
    void drawInto(HDC dc, int x, int y, int w, int h) const;
};
