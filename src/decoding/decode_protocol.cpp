#include "decoding/decode_protocol.h"

#include <algorithm>

namespace decoding {

namespace {

bool knownDepth(std::int32_t bits) {
    switch (bits) {
        case 1: case 4: case 8: case 16: case 24: case 32: case 48: case 64: return true;
        default: return false;
    }
}

}  // namespace

bool acceptOpenReply(const Reply& reply, std::uint32_t sequence, std::uint64_t maxPixels, OpenedPicture& out) {
    if (reply.sequence != sequence || reply.status != ReplyStatus::Ok) return false;
    if (reply.naturalWidth <= 0 || reply.naturalHeight <= 0) return false;
    const bool metafile = reply.metafile != 0;
    // A metafile is drawn at the size it is shown, never at the size it claims: any claim will do.
    if (!metafile && pixelBytes(reply.naturalWidth, reply.naturalHeight, maxPixels) == 0) return false;
    if (!metafile && !knownDepth(reply.bitsPerPixel)) return false;
    out.naturalWidth = reply.naturalWidth;
    out.naturalHeight = reply.naturalHeight;
    out.bitsPerPixel = metafile ? 32 : reply.bitsPerPixel;
    out.orientation = reply.orientation >= 1 && reply.orientation <= 8 ? reply.orientation : 1;
    out.alpha = reply.alpha != 0;
    out.metafile = metafile;
    out.fileSize = reply.fileSize;
    out.fileWriteTime = reply.fileWriteTime;
    return true;
}

void turnPixels(const std::uint32_t* from, int width, int height, int rotateFlip, std::uint32_t* to) {
    if (rotateFlip < 0 || rotateFlip > 7 || width <= 0 || height <= 0) return;
    const bool quarter = (rotateFlip & 1) != 0, mirror = (rotateFlip & 4) != 0;
    const int outWidth = quarter ? height : width;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int tx = x, ty = y;
            switch (rotateFlip & 3) {
                case 1: tx = height - 1 - y, ty = x; break;
                case 2: tx = width - 1 - x, ty = height - 1 - y; break;
                case 3: tx = y, ty = width - 1 - x; break;
                default: break;
            }
            if (mirror) tx = outWidth - 1 - tx;
            to[static_cast<std::size_t>(ty) * static_cast<std::size_t>(outWidth) + static_cast<std::size_t>(tx)] =
                from[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
        }
}

int depthOfPixelFormat(std::uint32_t format) {
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

std::uint64_t pixelBytes(std::int64_t width, std::int64_t height, std::uint64_t maxPixels) {
    if (width <= 0 || height <= 0) return 0;
    const auto w = static_cast<std::uint64_t>(width), h = static_cast<std::uint64_t>(height);
    // Each side alone is at most maxPixels, so the product is only formed when it cannot overflow.
    if (w > maxPixels || h > maxPixels || w > maxPixels / h) return 0;
    return w * h * 4;
}

std::uint64_t decoderMemoryBudget(const MemoryBudgetInput& input) {
    std::uint64_t pixels = kUnknownSizePixels;
    if (input.width > 0 && input.height > 0) {
        const auto w = static_cast<std::uint64_t>(input.width), h = static_cast<std::uint64_t>(input.height);
        pixels = w <= input.maxPixels && h <= input.maxPixels && w <= input.maxPixels / h ? w * h : input.maxPixels;
    }
    pixels = std::min(pixels, std::max<std::uint64_t>(input.maxPixels, 1));
    return kDecoderBaseBytes + input.fileBytes + 3 * 4 * pixels;
}

unsigned decodeTimeLimit(std::int64_t width, std::int64_t height) {
    if (width <= 0 || height <= 0) return kDecodeBaseMilliseconds + 16 * kDecodeMillisecondsPerMegapixel;
    const std::uint64_t megapixels =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(std::min<std::int64_t>(height, 1 << 30)) >> 20, 1 << 12);
    return kDecodeBaseMilliseconds + static_cast<unsigned>(megapixels) * kDecodeMillisecondsPerMegapixel;
}

}  // namespace decoding
