#include "view_image.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <utility>

namespace gp = Gdiplus::DllExports;

namespace {

constexpr PROPID kOrientationTag = 0x0112;
constexpr Gdiplus::PixelFormat kFormat32bppArgb = 0x26200A;

bool isOk(Gdiplus::GpStatus status) { return status == Gdiplus::Ok; }

// One RotateFlipType doing what `first` and then `second` do. A type is a turn of (t & 3) quarters
// clockwise followed by a mirror when t & 4; a mirror reverses the sense of the turns after it.
int composeTurns(int first, int second) {
    const int mirrored = first & 4, quarters = second & 3;
    return (((first & 3) + (mirrored ? 4 - quarters : quarters)) & 3) | (mirrored ^ (second & 4));
}

// Class identifier of the first encoder whose MIME type is exactly `mimeType`.
bool findEncoder(const wchar_t* mimeType, CLSID& encoder, Gdiplus::GpStatus& status) {
    UINT count = 0, bytes = 0;
    status = gp::GdipGetImageEncodersSize(&count, &bytes);
    if (!isOk(status)) return false;
    if (count == 0 || bytes < count * sizeof(Gdiplus::ImageCodecInfo)) {
        status = Gdiplus::UnknownImageFormat;
        return false;
    }
    // The codec records hold pointers into the same block, so it must be suitably aligned.
    std::unique_ptr<std::uint64_t[]> block(new std::uint64_t[(bytes + 7) / 8]());
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(block.get());
    status = gp::GdipGetImageEncoders(count, bytes, codecs);
    if (!isOk(status)) return false;
    for (UINT i = 0; i < count; ++i) {
        if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, mimeType) == 0) {
            encoder = codecs[i].Clsid;
            return true;
        }
    }
    status = Gdiplus::UnknownImageFormat;
    return false;
}

}  // namespace

ViewImage::ViewImage() : propertyBuffer_(new unsigned char[kPropertyBufferSize]()) {}

ViewImage::~ViewImage() { release(); }

void ViewImage::release() {
    image_.reset();
    ++generation_;
}

bool ViewImage::loadFromFile(const std::wstring& path) {
    release();

    Gdiplus::GpImage* image = nullptr;
    lastStatus = gp::GdipLoadImageFromFile(path.c_str(), &image);
    GdipImage loadedImage(image);  // freed here unless it is kept
    if (isOk(static_cast<Gdiplus::GpStatus>(lastStatus))) image_ = std::move(loadedImage);

    if (image_) {
        Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
        const Gdiplus::GpStatus typeStatus = gp::GdipGetImageType(image_.get(), &type);
        if (!isOk(typeStatus)) lastStatus = typeStatus;
        if (isOk(typeStatus) && type != Gdiplus::ImageTypeUnknown && takeSizes()) {
            readOrientation();
            return true;
        }
    }
    // Unusable: no image; the orientation of the last good file stays as it was.
    release();
    return false;
}

bool ViewImage::adopt(GdipImage decoded, unsigned fileOrientation) {
    release();
    image_ = std::move(decoded);
    if (image_ && takeSizes()) {
        lastStatus = 0;
        orientation = fileOrientation >= 1 && fileOrientation <= 8 ? fileOrientation : 1;
        return true;
    }
    release();
    return false;
}

void ViewImage::readOrientation() {
    if (propertySize_ == 0) {
        UINT size = 0;
        if (!isOk(gp::GdipGetPropertyItemSize(image_.get(), kOrientationTag, &size))) size = 0;
        propertySize_ = size;
    }

    // A size beyond the buffer (a malformed item) is a read failure rather than an overrun.
    Gdiplus::GpStatus status = Gdiplus::InvalidParameter;
    if (propertySize_ <= kPropertyBufferSize) {
        status = gp::GdipGetPropertyItem(image_.get(), kOrientationTag, propertySize_,
                                         reinterpret_cast<Gdiplus::PropertyItem*>(propertyBuffer_.get()));
    }
    if (!isOk(status)) {
        orientation = 1;
        lastStatus = status;
        return;
    }

    // The item's value points just after the record, inside the buffer; anything else is not trusted.
    const auto* item = reinterpret_cast<const Gdiplus::PropertyItem*>(propertyBuffer_.get());
    const auto begin = reinterpret_cast<std::uintptr_t>(propertyBuffer_.get());
    const auto value = reinterpret_cast<std::uintptr_t>(item->value);
    if (item->length < 2 || propertySize_ < 2 || value < begin || value - begin > propertySize_ - 2) {
        orientation = 1;
        return;
    }
    std::uint16_t raw = 0;
    std::memcpy(&raw, propertyBuffer_.get() + (value - begin), sizeof raw);
    orientation = raw;
}

bool ViewImage::loadFromBitmapHandle(HBITMAP bitmap) {
    release();
    if (!bitmap) {
        lastStatus = Gdiplus::InvalidParameter;
        return false;
    }
    Gdiplus::GpBitmap* made = nullptr;
    const Gdiplus::GpStatus status = gp::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &made);
    GdipImage madeImage(made);
    if (!isOk(status)) {
        lastStatus = status;
        return false;
    }
    image_ = std::move(madeImage);
    lastStatus = 0;
    if (!takeSizes()) {
        release();
        return false;
    }
    return true;
}

bool ViewImage::takeSizes() {
    UINT w = 0, h = 0;
    Gdiplus::GpStatus status = gp::GdipGetImageWidth(image_.get(), &w);
    if (isOk(status)) status = gp::GdipGetImageHeight(image_.get(), &h);
    if (!isOk(status)) lastStatus = status;
    constexpr UINT kMax = 0x7FFFFFFF;
    if (!isOk(status) || w == 0 || h == 0 || w > kMax || h > kMax) return false;
    naturalWidth_ = heldWidth_ = static_cast<int>(w);
    naturalHeight_ = heldHeight_ = static_cast<int>(h);
    bitsPerPixel_ = 0;
    turn_ = 0;
    source_ = Source{};
    wholeRequested = false;
    return true;
}

bool ViewImage::stampOf(const std::wstring& path, std::uint64_t& size, std::uint64_t& writeTime) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

GdipImage ViewImage::resample(Gdiplus::GpImage* source, int w, int h, int interpolation) {
    if (!source || w <= 0 || h <= 0) return {};
    Gdiplus::GpBitmap* made = nullptr;
    if (!isOk(gp::GdipCreateBitmapFromScan0(w, h, 0, kFormat32bppArgb, nullptr, &made)) || !made) return {};
    GdipImage scaled(made);
    Gdiplus::GpGraphics* madeGraphics = nullptr;
    if (!isOk(gp::GdipGetImageGraphicsContext(made, &madeGraphics)) || !madeGraphics) return {};
    const GdipGraphics graphics(madeGraphics);
    if (!isOk(gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation))) ||
        !isOk(gp::GdipDrawImageRectI(graphics.get(), source, 0, 0, w, h)))
        return {};
    return scaled;
}

GdipImage ViewImage::resampleForView(Gdiplus::GpImage* source, int w, int h, int interpolation) {
    if (!source || w <= 0 || h <= 0) return {};
    // The surface: a top-down 32-bit DIB section, black.
    BITMAPINFO info = topDownDib32(w, h);
    void* bits = nullptr;
    const MemoryDC dc(CreateCompatibleDC(nullptr));
    const GdiBitmap surface(dc ? CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr);
    if (!surface || !bits) return {};
    {
        const SelectedObject selected(dc.get(), surface.get());
        Gdiplus::GpGraphics* made = nullptr;
        if (!isOk(gp::GdipCreateFromHDC(dc.get(), &made)) || !made) return {};
        const GdipGraphics graphics(made);
        if (!isOk(gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation))) ||
            !isOk(gp::GdipDrawImageRectI(graphics.get(), source, 0, 0, w, h)))
            return {};
    }
    GdiFlush();
    // The bitmap gets pixels of its own: the surface goes when this returns.
    Gdiplus::GpBitmap* copy = nullptr;
    if (!isOk(gp::GdipCreateBitmapFromScan0(w, h, 0, PixelFormat32bppRGB, nullptr, &copy)) || !copy) return {};
    GdipImage result(copy);
    Gdiplus::GpRect all(0, 0, w, h);
    Gdiplus::BitmapData locked{};
    if (!isOk(gp::GdipBitmapLockBits(copy, &all, Gdiplus::ImageLockModeWrite, PixelFormat32bppRGB, &locked))) return {};
    const size_t row = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<unsigned char*>(locked.Scan0) + static_cast<std::ptrdiff_t>(y) * locked.Stride,
                    static_cast<const unsigned char*>(bits) + row * static_cast<size_t>(y), row);
    if (!isOk(gp::GdipBitmapUnlockBits(copy, &locked))) return {};
    return result;
}

bool ViewImage::adoptReduced(GdipImage bitmap, unsigned fileOrientation, int naturalWidth, int naturalHeight,
                             int bitsPerPixel, Source source) {
    if (!adopt(std::move(bitmap), fileOrientation)) return false;
    if (naturalWidth <= 0 || naturalHeight <= 0) {
        release();
        return false;
    }
    naturalWidth_ = naturalWidth;
    naturalHeight_ = naturalHeight;
    bitsPerPixel_ = bitsPerPixel;
    source_ = std::move(source);
    return true;
}

bool ViewImage::reduceTo(int w, int h, Source source) {
    if (!image_ || w <= 0 || h <= 0 || w >= heldWidth_ || h >= heldHeight_) return reduced();
    const int bits = bitsPerPixel();
    GdipImage smaller = resampleForView(image_.get(), w, h, interpolation);
    if (!smaller) return reduced();
    image_ = std::move(smaller);
    ++generation_;
    heldWidth_ = w;
    heldHeight_ = h;
    bitsPerPixel_ = bits;
    source_ = std::move(source);
    return true;
}

ViewImage::Restore ViewImage::restoreFullPixels() {
    if (!reduced()) return Restore::Done;
    std::uint64_t size = 0, writeTime = 0;
    if (!stampOf(source_.path, size, writeTime) || size != source_.size || writeTime != source_.writeTime)
        return Restore::Changed;
    Gdiplus::GpImage* made = nullptr;
    const Gdiplus::GpStatus status = gp::GdipLoadImageFromFile(source_.path.c_str(), &made);
    GdipImage full(made);
    if (!isOk(status) || !full) {
        lastStatus = status;
        return Restore::Failed;
    }
    return adoptWhole(std::move(full)) ? Restore::Done : Restore::Failed;
}

bool ViewImage::adoptWhole(GdipImage whole) {
    if (!reduced() || !whole) return false;
    // The file as stored, then every turn the held image has had.
    const bool sideways = (turn_ & 1) != 0;
    UINT w = 0, h = 0;
    if (!isOk(gp::GdipGetImageWidth(whole.get(), &w)) || !isOk(gp::GdipGetImageHeight(whole.get(), &h)) ||
        static_cast<int>(sideways ? h : w) != naturalWidth_ || static_cast<int>(sideways ? w : h) != naturalHeight_)
        return false;
    if (turn_ != 0 && !isOk(gp::GdipImageRotateFlip(whole.get(), static_cast<Gdiplus::RotateFlipType>(turn_))))
        return false;
    image_ = std::move(whole);
    ++generation_;
    heldWidth_ = naturalWidth_;
    heldHeight_ = naturalHeight_;
    bitsPerPixel_ = 0;
    source_ = Source{};
    wholeRequested = false;
    return true;
}

void ViewImage::drawTo(HDC dc, int w, int h) const { drawInto(dc, 0, 0, w, h); }

void ViewImage::drawAt(HDC dc, int x, int y, int w, int h) const { drawInto(dc, x, y, w, h); }

void ViewImage::drawInto(HDC dc, int x, int y, int w, int h) const {
    if (!image_ || !dc) return;
    Gdiplus::GpGraphics* made = nullptr;
    Gdiplus::GpStatus status = gp::GdipCreateFromHDC(dc, &made);
    const GdipGraphics graphics(made);
    if (!isOk(status)) {
        lastStatus = status;
        return;
    }
    status = gp::GdipSetInterpolationMode(graphics.get(), static_cast<Gdiplus::InterpolationMode>(interpolation));
    if (!isOk(status)) lastStatus = status;
    status = gp::GdipDrawImageRectI(graphics.get(), image_.get(), x, y, w, h);
    if (!isOk(status)) lastStatus = status;
}

int ViewImage::saveScaled(const std::wstring& path, int format, int w, int h) {
    if (!image_) return Gdiplus::InvalidParameter;

    const GdipImage scaledImage = resample(image_.get(), w, h, Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::GpImage* scaled = scaledImage.get();
    Gdiplus::GpStatus status = scaled ? Gdiplus::Ok : Gdiplus::OutOfMemory;
    if (isOk(status)) {
        const wchar_t* mimeType = format == SaveBmp    ? L"image/bmp"
                                  : format == SaveJpeg ? L"image/jpeg"
                                                       : nullptr;
        CLSID encoder{};
        if (!mimeType)
            status = Gdiplus::InvalidParameter;
        else if (findEncoder(mimeType, encoder, status))
            status = gp::GdipSaveImageToFile(scaled, path.c_str(), &encoder, nullptr);
    }

    if (!isOk(status)) lastStatus = status;
    return status;
}

int ViewImage::bitsPerPixel() const {
    if (!image_) return 0;
    if (bitsPerPixel_ != 0) return bitsPerPixel_;
    return bitsPerPixelOf(image_.get());
}

int ViewImage::bitsPerPixelOf(Gdiplus::GpImage* image) {
    Gdiplus::PixelFormat format = 0;
    if (!image || !isOk(gp::GdipGetImagePixelFormat(image, &format))) return 0;
    switch (format) {
        case 0x30101: return 1;
        case 0x30402: return 4;
        case 0x30803: return 8;
        case 0x21005: case 0x21006: case 0x61007: case 0x101004: return 16;
        case 0x21808: return 24;
        case 0x22009: case 0x26200A: case 0xE200B: return 32;
        case 0x10300C: return 48;
        case 0x34400D: case 0x1C400E: return 64;
        default: return 0;
    }
}

bool ViewImage::rotateFlip(int rotateFlipType) {
    if (!image_) return false;
    if (rotateFlipType < 0 || rotateFlipType > 7) {
        lastStatus = Gdiplus::InvalidParameter;
        return false;
    }
    const Gdiplus::GpStatus status =
        gp::GdipImageRotateFlip(image_.get(), static_cast<Gdiplus::RotateFlipType>(rotateFlipType));
    ++generation_;  // even a failed turn may have changed the pixels
    if (!isOk(status)) {
        lastStatus = status;
        return false;
    }
    if (rotateFlipType & 1) {
        std::swap(naturalWidth_, naturalHeight_);
        std::swap(heldWidth_, heldHeight_);
    }
    turn_ = composeTurns(turn_, rotateFlipType);
    return true;
}
