#include "decoding/scaled_decode.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "decoding/image_probe.h"

namespace gp = Gdiplus::DllExports;

namespace {

// COM for this thread while the decode runs, unless the thread already has it in another model.
class ComScope {
public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT result_;
};

// Bytes per pixel of the decoder's formats that the bitmap can take; 0 for any other.
int bytesPerPixel(const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) return 3;
    if (IsEqualGUID(format, GUID_WICPixelFormat32bppBGR) || IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) return 4;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) return 1;
    return 0;
}

// The scaled size the decoder will produce that covers the shown size and is smaller than the
// picture, trying the smallest scale first. The decoder has the last word on each size.
bool chooseSize(IWICBitmapSourceTransform* transform, UINT naturalWidth, UINT naturalHeight, int shownWidth,
                int shownHeight, UINT& width, UINT& height) {
    constexpr UINT kMax = static_cast<UINT>(std::numeric_limits<std::int32_t>::max());
    if (naturalWidth == 0 || naturalHeight == 0 || naturalWidth > kMax || naturalHeight > kMax) return false;
    const auto w = static_cast<std::int32_t>(naturalWidth), h = static_cast<std::int32_t>(naturalHeight);
    for (int d = jpegScaleDenominator(w, h, shownWidth, shownHeight); d > 1; d /= 2) {
        width = static_cast<UINT>(scaledSide(w, d));
        height = static_cast<UINT>(scaledSide(h, d));
        if (FAILED(transform->GetClosestSize(&width, &height))) return false;
        if (width >= static_cast<UINT>(shownWidth) && height >= static_cast<UINT>(shownHeight) && width > 0 &&
            height > 0 && (width < naturalWidth || height < naturalHeight) && width <= naturalWidth &&
            height <= naturalHeight)
            return true;
    }
    return false;
}

}  // namespace

bool decodeThroughTransform(IWICBitmapSourceTransform* transform, UINT naturalWidth, UINT naturalHeight,
                            int shownWidth, int shownHeight, ScaledJpeg& out) {
    out = ScaledJpeg{};
    if (!transform) return false;
    UINT width = 0, height = 0;
    if (!chooseSize(transform, naturalWidth, naturalHeight, shownWidth, shownHeight, width, height)) return false;

    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(transform->GetClosestPixelFormat(&format))) return false;
    const int bytes = bytesPerPixel(format);
    if (bytes == 0) return false;  // CMYK and the like: the full decode converts them

    Gdiplus::GpBitmap* made = nullptr;
    if (gp::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0, PixelFormat24bppRGB,
                                      nullptr, &made) != Gdiplus::Ok || !made)
        return false;
    GdipImage bitmap(made);
    Gdiplus::GpRect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData locked{};
    if (gp::GdipBitmapLockBits(made, &all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &locked) != Gdiplus::Ok)
        return false;

    bool copied = false;
    if (bytes == 3 && locked.Stride > 0) {
        // The bitmap's rows are B, G, R bytes like the decoder's: decode straight into them.
        const std::uint64_t size = static_cast<std::uint64_t>(locked.Stride) * height;
        if (size <= std::numeric_limits<UINT>::max())
            copied = SUCCEEDED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                                     static_cast<UINT>(locked.Stride), static_cast<UINT>(size),
                                                     static_cast<BYTE*>(locked.Scan0))) &&
                     bytesPerPixel(format) == 3;
    } else if (locked.Stride > 0) {
        // Grey or 32-bit rows: decode into a buffer of their own, then spread them into the bitmap.
        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bytes + 3) & ~std::uint64_t{3};
        const std::uint64_t size = stride * height;
        std::unique_ptr<BYTE[]> buffer;
        if (size <= std::numeric_limits<UINT>::max()) buffer.reset(new (std::nothrow) BYTE[static_cast<size_t>(size)]);
        if (buffer && SUCCEEDED(transform->CopyPixels(nullptr, width, height, &format, WICBitmapTransformRotate0,
                                                      static_cast<UINT>(stride), static_cast<UINT>(size), buffer.get())) &&
            bytesPerPixel(format) == bytes) {
            for (UINT y = 0; y < height; ++y) {
                const BYTE* from = buffer.get() + y * stride;
                BYTE* to = static_cast<BYTE*>(locked.Scan0) + static_cast<size_t>(y) * static_cast<size_t>(locked.Stride);
                for (UINT x = 0; x < width; ++x, from += bytes, to += 3) {
                    if (bytes == 1) {
                        to[0] = to[1] = to[2] = from[0];
                    } else {
                        to[0] = from[0], to[1] = from[1], to[2] = from[2];
                    }
                }
            }
            copied = true;
        }
    }
    if (gp::GdipBitmapUnlockBits(made, &locked) != Gdiplus::Ok || !copied) return false;

    out.bitmap = std::move(bitmap);
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.denominator = static_cast<int>((naturalWidth + width / 2) / width);
    return true;
}

namespace {

// Set once the platform's JPEG decoder is found to have no source transform (Wine's): making the
// decoder may decode the whole picture already, which is not done twice for nothing.
std::atomic<bool> noSourceTransform{false};

// The scaled decode through a decoder made by `makeDecoder` from the imaging factory.
template <class MakeDecoder>
bool decodeScaledWith(int shownWidth, int shownHeight, ScaledJpeg& out, MakeDecoder makeDecoder) {
    out = ScaledJpeg{};
    if (shownWidth <= 0 || shownHeight <= 0 || noSourceTransform.load()) return false;
    ComScope com;
    if (!com.usable()) return false;
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.putVoid())))
        return false;
    ComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(makeDecoder(factory.get(), decoder.put()))) return false;
    GUID container{};
    if (FAILED(decoder->GetContainerFormat(&container)) || !IsEqualGUID(container, GUID_ContainerFormatJpeg)) return false;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
    UINT naturalWidth = 0, naturalHeight = 0;
    if (FAILED(frame->GetSize(&naturalWidth, &naturalHeight))) return false;
    ComPtr<IWICBitmapSourceTransform> transform;
    if (FAILED(frame->QueryInterface(kIidWicSourceTransform, transform.putVoid()))) {
        noSourceTransform = true;
        return false;
    }
    return decodeThroughTransform(transform.get(), naturalWidth, naturalHeight, shownWidth, shownHeight, out);
}

}  // namespace

bool decodeJpegScaled(IStream* stream, int shownWidth, int shownHeight, ScaledJpeg& out) {
    if (!stream) {
        out = ScaledJpeg{};
        return false;
    }
    return decodeScaledWith(shownWidth, shownHeight, out, [stream](IWICImagingFactory* factory, IWICBitmapDecoder** decoder) {
        const LARGE_INTEGER start{};
        if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return E_FAIL;
        return factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, decoder);
    });
}
