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

#include "decoding/decode_protocol.h"
#include "display/picture_targets.h"

namespace gp = Gdiplus::DllExports;

namespace {

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

ViewImage::ViewImage() = default;

ViewImage::~ViewImage() { release(); }

void ViewImage::release() {
    image_.reset();  // before the pixels it may wrap
    pixels_.reset();
    ++generation_;
}

bool ViewImage::adoptDecoded(DecodedPicture picture, const std::wstring& path) {
    release();
    if (!picture) return false;
    image_ = picture.wrap();
    pixels_ = std::move(picture.bitmap);
    if (!image_ || !takeSizes()) {
        release();
        return false;
    }
    lastStatus = 0;
    orientation = picture.orientation >= 1 && picture.orientation <= 8 ? picture.orientation : 1;
    naturalWidth_ = picture.naturalWidth;
    naturalHeight_ = picture.naturalHeight;
    bitsPerPixel_ = picture.bitsPerPixel;
    if (reduced()) source_ = Source{path, picture.fileSize, picture.fileWriteTime};
    return true;
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

ViewImage::Restore ViewImage::restoreFullPixels(PictureDecoder& decoder) {
    if (!reduced()) return Restore::Done;
    std::uint64_t size = 0, writeTime = 0;
    if (!stampOf(source_.path, size, writeTime) || size != source_.size || writeTime != source_.writeTime)
        return Restore::Changed;
    DecodedPicture whole;
    const ShownSizeRule holdWhole;  // a rule that never reduces
    if (decoder.decode(source_.path, ViewTarget(holdWhole), whole) != DecodeOutcome::Decoded) return Restore::Failed;
    if (whole.fileSize != source_.size || whole.fileWriteTime != source_.writeTime) return Restore::Changed;
    return adoptWhole(std::move(whole)) ? Restore::Done : Restore::Failed;
}

bool ViewImage::adoptWhole(DecodedPicture whole) {
    if (!reduced() || !whole || whole.width != whole.naturalWidth || whole.height != whole.naturalHeight) return false;
    if ((!source_.path.empty() && (whole.fileSize != source_.size || whole.fileWriteTime != source_.writeTime)))
        return false;
    GdipImage wrapped = whole.wrap();
    // The file as stored, then every turn the held image has had.
    const bool sideways = (turn_ & 1) != 0;
    if (!wrapped || (sideways ? whole.height : whole.width) != naturalWidth_ ||
        (sideways ? whole.width : whole.height) != naturalHeight_)
        return false;
    if (turn_ != 0 && !isOk(gp::GdipImageRotateFlip(wrapped.get(), static_cast<Gdiplus::RotateFlipType>(turn_))))
        return false;
    image_ = std::move(wrapped);
    pixels_ = std::move(whole.bitmap);
    ++generation_;
    heldWidth_ = naturalWidth_;
    heldHeight_ = naturalHeight_;
    bitsPerPixel_ = whole.bitsPerPixel;
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
    return decoding::depthOfPixelFormat(format);
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
