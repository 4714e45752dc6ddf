#include "view_image.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>

namespace gp = Gdiplus::DllExports;

namespace {

constexpr PROPID kOrientationTag = 0x0112;
constexpr Gdiplus::PixelFormat kFormat32bppArgb = 0x26200A;

bool isOk(Gdiplus::GpStatus status) { return status == Gdiplus::Ok; }

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
        if (isOk(typeStatus) && type != Gdiplus::ImageTypeUnknown && naturalWidth() != 0 &&
            naturalHeight() != 0) {
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
    if (image_ && naturalWidth() != 0 && naturalHeight() != 0) {
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
    if (naturalWidth() == 0 || naturalHeight() == 0) {
        release();
        return false;
    }
    return true;
}

int ViewImage::naturalWidth() const {
    if (!image_) return 0;
    UINT value = 0;
    const Gdiplus::GpStatus status = gp::GdipGetImageWidth(image_.get(), &value);
    if (!isOk(status)) {
        lastStatus = status;
        return 0;
    }
    return static_cast<int>(value);
}

int ViewImage::naturalHeight() const {
    if (!image_) return 0;
    UINT value = 0;
    const Gdiplus::GpStatus status = gp::GdipGetImageHeight(image_.get(), &value);
    if (!isOk(status)) {
        lastStatus = status;
        return 0;
    }
    return static_cast<int>(value);
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

    Gdiplus::GpBitmap* scaled = nullptr;
    Gdiplus::GpStatus status = gp::GdipCreateBitmapFromScan0(w, h, 0, kFormat32bppArgb, nullptr, &scaled);
    const GdipImage scaledImage(scaled);
    if (!isOk(status) || !scaled) {
        lastStatus = isOk(status) ? Gdiplus::OutOfMemory : status;
        return lastStatus;
    }
    Gdiplus::GpGraphics* madeGraphics = nullptr;
    status = gp::GdipGetImageGraphicsContext(scaled, &madeGraphics);
    GdipGraphics graphics(madeGraphics);
    if (isOk(status)) {
        status = gp::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
        if (isOk(status)) status = gp::GdipDrawImageRectI(graphics.get(), image_.get(), 0, 0, w, h);
    }

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

    graphics.reset();  // the graphics go before the bitmap they draw on
    if (!isOk(status)) lastStatus = status;
    return status;
}

int ViewImage::bitsPerPixel() const {
    if (!image_) return 0;
    Gdiplus::PixelFormat format = 0;
    const Gdiplus::GpStatus status = gp::GdipGetImagePixelFormat(image_.get(), &format);
    if (!isOk(status)) {
        lastStatus = status;
        return 0;
    }
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
    if (!isOk(status)) lastStatus = status;
    return isOk(status);
}
