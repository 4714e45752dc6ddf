#include "decoding/wic_decode.h"

#include <windows.h>

#include <propidl.h>

#include <vector>

using decoding::RenderKind;

namespace {

// The EXIF orientation the frame's metadata gives, by the JPEG-like path or the system's name; 1
// without one.
unsigned frameOrientation(IWICBitmapFrameDecode* frame) {
    ComPtr<IWICMetadataQueryReader> reader;
    if (FAILED(frame->GetMetadataQueryReader(reader.put())) || !reader) return 1;
    for (const wchar_t* query : {L"/app1/ifd/{ushort=274}", L"/ifd/{ushort=274}", L"System.Photo.Orientation"}) {
        PROPVARIANT value;
        PropVariantInit(&value);
        unsigned found = 0;
        if (SUCCEEDED(reader->GetMetadataByName(query, &value)) && value.vt == VT_UI2) found = value.uiVal;
        PropVariantClear(&value);
        if (found >= 1 && found <= 8) return found;
    }
    return 1;
}

// Depth and transparency of a pixel format, as the codec's component information tells them.
void describeFormat(IWICImagingFactory* factory, const WICPixelFormatGUID& format, int& bits, bool& alpha) {
    bits = 32;
    alpha = true;  // unless the format says otherwise
    ComPtr<IWICComponentInfo> info;
    ComPtr<IWICPixelFormatInfo2> pixelInfo;
    if (FAILED(factory->CreateComponentInfo(format, info.put())) ||
        FAILED(info->QueryInterface(IID_IWICPixelFormatInfo2, pixelInfo.putVoid())))
        return;
    UINT depth = 0;
    if (SUCCEEDED(pixelInfo->GetBitsPerPixel(&depth)))
        bits = depth == 1 || depth == 4 || depth == 8 || depth == 16 || depth == 24 || depth == 48 || depth == 64
                   ? static_cast<int>(depth)
                   : 32;
    BOOL transparent = TRUE;
    if (SUCCEEDED(pixelInfo->SupportsTransparency(&transparent))) alpha = transparent != FALSE;
}

WICBitmapInterpolationMode wicInterpolation(int gdiplusMode) {
    switch (gdiplusMode) {
        case 5: return WICBitmapInterpolationModeNearestNeighbor;  // nearest neighbour
        case 1: case 3: return WICBitmapInterpolationModeLinear;   // low quality, bilinear
        case 4: return WICBitmapInterpolationModeCubic;            // bicubic
        default: return WICBitmapInterpolationModeFant;            // the high-quality ones
    }
}

// Adds a step to the pipeline: `source` becomes the step.
template <class Step>
void chain(ComPtr<IWICBitmapSource>& source, ComPtr<Step>& step) {
    IWICBitmapSource* next = nullptr;
    if (SUCCEEDED(step->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(&next)))) source.reset(next);
    else source.reset();
}

}  // namespace

bool openWithWic(IStream* stream, std::uint64_t maxPixels, WicPicture& out) {
    out = WicPicture{};
    const LARGE_INTEGER start{};
    if (!stream || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                out.factory.putVoid())) ||
        FAILED(out.factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, out.decoder.put())) ||
        FAILED(out.decoder->GetFrame(0, out.frame.put())) || !out.frame)
        return false;
    UINT width = 0, height = 0;
    if (FAILED(out.frame->GetSize(&width, &height)) || width == 0 || height == 0 || width > INT32_MAX ||
        height > INT32_MAX || static_cast<std::uint64_t>(width) * height > maxPixels)
        return false;
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    WICPixelFormatGUID format{};
    if (FAILED(out.frame->GetPixelFormat(&format))) return false;
    describeFormat(out.factory.get(), format, out.bitsPerPixel, out.alpha);
    out.orientation = frameOrientation(out.frame.get());

    // One pixel now: a codec that decodes lazily meets a broken file inside this request.
    ComPtr<IWICFormatConverter> converter;
    std::uint32_t pixel = 0;
    const WICRect one{0, 0, 1, 1};
    return SUCCEEDED(out.factory->CreateFormatConverter(converter.put())) &&
           SUCCEEDED(converter->Initialize(out.frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                           nullptr, 0.0, WICBitmapPaletteTypeCustom)) &&
           SUCCEEDED(converter->CopyPixels(&one, 4, 4, reinterpret_cast<BYTE*>(&pixel)));
}

bool renderWithWic(const WicPicture& picture, RenderKind kind, int width, int height, int rotateFlip, int interpolation,
                   void* pixels) {
    if (!picture.frame || !pixels || width <= 0 || height <= 0 || rotateFlip < 0 || rotateFlip > 7) return false;
    const bool copy = kind == RenderKind::Copy;
    if (kind == RenderKind::DrawTransparent || (copy && (rotateFlip != 0 || width != picture.width || height != picture.height)))
        return false;
    IWICImagingFactory* factory = picture.factory.get();

    ComPtr<IWICBitmapSource> source;
    picture.frame->QueryInterface(IID_IWICBitmapSource, source.putVoid());
    ComPtr<IWICFormatConverter> converter;
    if (!source || FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(source.get(), copy ? GUID_WICPixelFormat32bppBGRA : GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom)))
        return false;
    chain(source, converter);

    // Scaled in the picture's own axes, before it is turned.
    const bool quarter = (rotateFlip & 1) != 0;
    const UINT scaledWidth = static_cast<UINT>(quarter ? height : width);
    const UINT scaledHeight = static_cast<UINT>(quarter ? width : height);
    ComPtr<IWICBitmapScaler> scaler;
    if (source && (scaledWidth != static_cast<UINT>(picture.width) || scaledHeight != static_cast<UINT>(picture.height))) {
        if (FAILED(factory->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(source.get(), scaledWidth, scaledHeight, wicInterpolation(interpolation))))
            return false;
        chain(source, scaler);
    }
    UINT madeWidth = 0, madeHeight = 0;
    if (!source || FAILED(source->GetSize(&madeWidth, &madeHeight)) || madeWidth != scaledWidth || madeHeight != scaledHeight)
        return false;
    const UINT stride = scaledWidth * 4;
    const std::uint64_t bytes = static_cast<std::uint64_t>(stride) * scaledHeight;
    if (bytes > UINT32_MAX) return false;
    if (rotateFlip == 0) {
        if (FAILED(source->CopyPixels(nullptr, stride, static_cast<UINT>(bytes), static_cast<BYTE*>(pixels)))) return false;
    } else {
        // Turned here rather than by the codecs' flip-rotator, which not every platform's turns.
        std::vector<std::uint32_t> stored(static_cast<std::size_t>(bytes / 4));
        if (FAILED(source->CopyPixels(nullptr, stride, static_cast<UINT>(bytes), reinterpret_cast<BYTE*>(stored.data()))))
            return false;
        decoding::turnPixels(stored.data(), static_cast<int>(scaledWidth), static_cast<int>(scaledHeight), rotateFlip,
                             static_cast<std::uint32_t*>(pixels));
    }
    if (!copy) {
        // Premultiplied onto black is the picture drawn on black; what is drawn is opaque.
        auto* pixel = static_cast<std::uint8_t*>(pixels);
        for (std::uint64_t i = 3; i < bytes; i += 4) pixel[i] = 0xFF;
    }
    return true;
}
