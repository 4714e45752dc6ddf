#include "decoding/image_probe.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

std::size_t MemoryByteSource::read(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset >= size_ || count == 0) return 0;
    const std::size_t available = size_ - static_cast<std::size_t>(offset);
    const std::size_t n = std::min(count, available);
    std::memcpy(buffer, data_ + offset, n);
    return n;
}

namespace {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

std::int32_t saturate(std::uint64_t value) {
    return value > static_cast<std::uint64_t>(kInt32Max) ? kInt32Max : static_cast<std::int32_t>(value);
}

// Reads through a window of the file, so that walking many small blocks (a GIF's sub-blocks) does
// not ask the source for a few bytes at a time. Every read is checked against the file's size.
class Reader {
public:
    explicit Reader(ByteSource& source) : source_(source), size_(source.size()) {}

    std::uint64_t size() const { return size_; }
    // Reads that jump about (one small header per icon image) go straight to the source, so that
    // a file need not be read a window at a time for every few bytes it points at.
    void readExactly() { windowed_ = false; }

    // Whether `count` bytes at `offset` lie inside the file.
    bool inside(std::uint64_t offset, std::uint64_t count) const { return offset <= size_ && count <= size_ - offset; }

    bool bytes(std::uint64_t offset, void* out, std::size_t count) {
        if (!inside(offset, count)) return false;
        if (count == 0) return true;
        if (!windowed_ || count > kWindow) return source_.read(offset, out, count) == count;
        if (offset < windowStart_ || offset - windowStart_ + count > window_.size()) {
            window_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - offset)));
            const std::size_t got = source_.read(offset, window_.data(), window_.size());
            window_.resize(got);
            windowStart_ = offset;
            if (got < count) return false;
        }
        std::memcpy(out, window_.data() + (offset - windowStart_), count);
        return true;
    }

    bool u8(std::uint64_t offset, std::uint8_t& value) { return bytes(offset, &value, 1); }
    bool u16(std::uint64_t offset, bool bigEndian, std::uint16_t& value) {
        std::uint8_t b[2];
        if (!bytes(offset, b, 2)) return false;
        value = bigEndian ? static_cast<std::uint16_t>(b[0] << 8 | b[1]) : static_cast<std::uint16_t>(b[1] << 8 | b[0]);
        return true;
    }
    bool u32(std::uint64_t offset, bool bigEndian, std::uint32_t& value) {
        std::uint8_t b[4];
        if (!bytes(offset, b, 4)) return false;
        value = bigEndian ? std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3]
                          : std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
        return true;
    }
    bool i32le(std::uint64_t offset, std::int32_t& value) {
        std::uint32_t raw = 0;
        if (!u32(offset, false, raw)) return false;
        std::memcpy(&value, &raw, sizeof value);
        return true;
    }
    bool startsWith(std::uint64_t offset, const char* text, std::size_t count) {
        std::uint8_t b[16];
        if (count > sizeof b || !bytes(offset, b, count)) return false;
        return std::memcmp(b, text, count) == 0;
    }

private:
    // Small enough that a jump over a large segment reads little, large enough that a GIF's chain
    // of 255-byte sub-blocks is read in few calls.
    static constexpr std::size_t kWindow = 4096;
    ByteSource& source_;
    std::uint64_t size_;
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
    bool windowed_ = true;
};

bool overLimit(std::uint64_t width, std::uint64_t height) {
    // Each side fits 32 bits where this is called, so the product cannot wrap.
    return width * height > kMaxDecodedPixels;
}

// Size and verdict of a raster picture from its header's width and height.
ImageProbe raster(ImageFormat format, std::uint64_t width, std::uint64_t height) {
    ImageProbe probe;
    probe.format = format;
    if (width == 0 || height == 0) return probe;  // the decoder refuses it (or knows better)
    probe.width = saturate(width);
    probe.height = saturate(height);
    probe.verdict = overLimit(width, height) ? ProbeVerdict::TooLarge : ProbeVerdict::Decode;
    return probe;
}

ImageProbe unknown(ImageFormat format) {
    ImageProbe probe;
    probe.format = format;
    return probe;
}

// ---- TIFF directories (TIFF files and a JPEG's Exif block) ---------------------------------------

struct TiffFields {
    std::uint32_t width = 0, height = 0;
    bool hasWidth = false, hasHeight = false;
    std::uint16_t orientation = 1;
};

// The first directory of a TIFF structure that starts at `base` and spans `limit` bytes. Offsets
// inside it are relative to `base`; nothing outside [base, base + limit) is read. False when the
// header is not a TIFF header.
bool readTiffDirectory(Reader& reader, std::uint64_t base, std::uint64_t limit, TiffFields& fields) {
    if (!reader.inside(base, limit) || limit < 8) return false;
    bool bigEndian;
    if (reader.startsWith(base, "II*\0", 4))
        bigEndian = false;
    else if (reader.startsWith(base, "MM\0*", 4))
        bigEndian = true;
    else
        return false;
    std::uint32_t directory = 0;
    std::uint16_t count = 0;
    if (!reader.u32(base + 4, bigEndian, directory) || directory > limit || limit - directory < 2 ||
        !reader.u16(base + directory, bigEndian, count))
        return true;  // a TIFF without a readable directory: nothing known
    // Entries that lie past the end are not read; a cut-short directory gives what it holds.
    const std::uint64_t room = (limit - directory - 2) / 12;
    const std::uint64_t entries = std::min<std::uint64_t>(count, room);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t at = base + directory + 2 + i * 12;
        std::uint16_t tag = 0, type = 0, shortValue = 0;
        std::uint32_t valueCount = 0, longValue = 0;
        if (!reader.u16(at, bigEndian, tag) || !reader.u16(at + 2, bigEndian, type) ||
            !reader.u32(at + 4, bigEndian, valueCount) || !reader.u16(at + 8, bigEndian, shortValue) ||
            !reader.u32(at + 8, bigEndian, longValue))
            break;
        if (valueCount < 1 || (type != 3 && type != 4)) continue;  // SHORT 3 and LONG 4 only
        const std::uint32_t value = type == 3 ? shortValue : longValue;
        if (tag == 256) fields.width = value, fields.hasWidth = true;
        if (tag == 257) fields.height = value, fields.hasHeight = true;
        if (tag == 274 && type == 3) fields.orientation = shortValue;
    }
    return true;
}

ImageProbe probeTiff(Reader& reader) {
    TiffFields fields;
    readTiffDirectory(reader, 0, reader.size(), fields);
    ImageProbe probe = fields.hasWidth && fields.hasHeight ? raster(ImageFormat::Tiff, fields.width, fields.height)
                                                           : unknown(ImageFormat::Tiff);
    probe.orientation = fields.orientation;
    return probe;
}

// ---- JPEG --------------------------------------------------------------------------------------

bool isStartOfFrame(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

ImageProbe probeJpeg(Reader& reader) {
    std::uint16_t orientation = 1;
    bool exifSeen = false;
    std::uint64_t at = 2;  // after the start-of-image marker
    auto finish = [&](ImageProbe probe) {
        probe.orientation = orientation;
        return probe;
    };
    for (;;) {
        // The next marker: bytes other than FF between segments are skipped as the decoder skips
        // them, and so are fill bytes FF before the marker code.
        std::uint8_t byte = 0;
        if (!reader.u8(at, byte)) return finish(unknown(ImageFormat::Jpeg));
        ++at;
        if (byte != 0xFF) continue;
        do {
            if (!reader.u8(at, byte)) return finish(unknown(ImageFormat::Jpeg));
            ++at;
        } while (byte == 0xFF);
        const std::uint8_t marker = byte;
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) return finish(unknown(ImageFormat::Jpeg));  // no frame before the scan
        std::uint16_t length = 0;
        if (!reader.u16(at, true, length) || length < 2) return finish(unknown(ImageFormat::Jpeg));
        if (isStartOfFrame(marker)) {
            std::uint16_t height = 0, width = 0;
            if (length < 8 || !reader.u16(at + 3, true, height) || !reader.u16(at + 5, true, width))
                return finish(unknown(ImageFormat::Jpeg));
            return finish(raster(ImageFormat::Jpeg, width, height));  // height 0: defined later, undecided
        }
        if (marker == 0xE1 && !exifSeen && length >= 2 + 6 + 8 && reader.startsWith(at + 2, "Exif\0\0", 6)) {
            exifSeen = true;
            TiffFields fields;
            if (readTiffDirectory(reader, at + 8, length - 8u, fields)) orientation = fields.orientation;
        }
        at += length;
    }
}

// ---- PNG, BMP ----------------------------------------------------------------------------------

ImageProbe probePng(Reader& reader) {
    std::uint32_t length = 0, width = 0, height = 0;
    if (!reader.u32(8, true, length) || length != 13 || !reader.startsWith(12, "IHDR", 4) ||
        !reader.u32(16, true, width) || !reader.u32(20, true, height))
        return unknown(ImageFormat::Png);
    return raster(ImageFormat::Png, width, height);
}

// Width and height of a device-independent bitmap header at `at` (a BMP file's, or an icon
// image's, whose height counts the mask too). False when the header is not one.
bool dibSize(Reader& reader, std::uint64_t at, std::uint64_t& width, std::uint64_t& height) {
    std::uint32_t headerSize = 0;
    if (!reader.u32(at, false, headerSize)) return false;
    if (headerSize == 12) {
        std::uint16_t w = 0, h = 0;
        if (!reader.u16(at + 4, false, w) || !reader.u16(at + 6, false, h)) return false;
        width = w, height = h;
        return true;
    }
    std::int32_t w = 0, h = 0;
    if (headerSize < 16 || !reader.i32le(at + 4, w) || !reader.i32le(at + 8, h)) return false;
    width = w > 0 ? static_cast<std::uint64_t>(w) : 0;
    // A negative height is a top-down bitmap; its magnitude still fits 32 bits.
    height = h < 0 ? static_cast<std::uint64_t>(-static_cast<std::int64_t>(h)) : static_cast<std::uint64_t>(h);
    return true;
}

// Whether a BMP's pixel data and palette lie inside the file as its header places them. A decoder
// reads wherever the header points: data claimed past the end is refused, not read.
bool bmpLayoutInside(Reader& reader, std::uint64_t width, std::uint64_t height) {
    std::uint32_t dataOffset = 0, headerSize = 0;
    if (!reader.u32(10, false, dataOffset) || !reader.u32(14, false, headerSize)) return false;
    const bool core = headerSize == 12;
    std::uint16_t bits = 0;
    std::uint32_t compression = 0, colours = 0;
    if (!reader.u16(core ? 24 : 28, false, bits)) return false;
    if (!core && (headerSize < 40 || !reader.u32(30, false, compression) || !reader.u32(46, false, colours))) return false;
    const std::uint64_t headerEnd = 14 + std::uint64_t{headerSize};
    if (dataOffset < headerEnd || dataOffset >= reader.size()) return false;
    // A palette: never more entries than the depth can index, and inside the file.
    if (bits >= 1 && bits <= 8) {
        const std::uint64_t most = std::uint64_t{1} << bits;
        if (colours > most) return false;
        const std::uint64_t entries = colours == 0 ? most : colours;
        if (!reader.inside(headerEnd, entries * (core ? 3 : 4))) return false;
    }
    constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    if (compression == kRgb || compression == kBitFields || compression == kAlphaBitFields) {
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
        // Rows are padded to four bytes; the last row's padding may be left out.
        const std::uint64_t rowBits = width * bits, rowBytes = (rowBits + 31) / 32 * 4;
        const std::uint64_t needed = rowBytes * (height - 1) + (rowBits + 7) / 8;
        return reader.inside(dataOffset, needed);
    }
    return true;  // run-length or embedded data: its length is not in the header
}

ImageProbe probeBmp(Reader& reader) {
    std::uint64_t width = 0, height = 0;
    if (!dibSize(reader, 14, width, height)) return unknown(ImageFormat::Bmp);
    ImageProbe probe = raster(ImageFormat::Bmp, width, height);
    if (probe.verdict == ProbeVerdict::Decode && !bmpLayoutInside(reader, width, height))
        probe.verdict = ProbeVerdict::DecoderUnsafe;
    return probe;
}

// ---- ICO ---------------------------------------------------------------------------------------

ImageProbe probeIco(Reader& reader) {
    std::uint16_t count = 0;
    if (!reader.u16(4, false, count) || count == 0 || !reader.inside(6, std::uint64_t{count} * 16))
        return unknown(ImageFormat::Ico);
    std::vector<std::uint8_t> directory(std::size_t{count} * 16);
    if (!reader.bytes(6, directory.data(), directory.size())) return unknown(ImageFormat::Ico);
    reader.readExactly();
    std::uint64_t bestWidth = 0, bestHeight = 0;
    bool tooLarge = false;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = directory.data() + i * 16;
        const std::uint8_t w8 = entry[0], h8 = entry[1];
        const std::uint32_t offset = std::uint32_t{entry[12]} | std::uint32_t{entry[13]} << 8 |
                                     std::uint32_t{entry[14]} << 16 | std::uint32_t{entry[15]} << 24;
        // The image's own header is what the decoder follows; the directory's bytes (0 = 256) only
        // stand in when that header cannot be read.
        std::uint64_t width = w8 ? w8 : 256, height = h8 ? h8 : 256;
        std::uint32_t w = 0, h = 0;
        std::uint64_t dibWidth = 0, dibHeight = 0;
        if (reader.startsWith(offset, "\x89PNG\r\n\x1A\n", 8)) {
            if (reader.startsWith(offset + 12, "IHDR", 4) && reader.u32(offset + 16, true, w) &&
                reader.u32(offset + 20, true, h))
                width = w, height = h;
        } else if (dibSize(reader, offset, dibWidth, dibHeight)) {
            width = dibWidth, height = dibHeight / 2;  // the colour image above its mask
        }
        if (overLimit(width, height)) tooLarge = true;
        if (width * height > bestWidth * bestHeight) bestWidth = width, bestHeight = height;
    }
    ImageProbe probe = raster(ImageFormat::Ico, bestWidth, bestHeight);
    if (tooLarge) probe.verdict = ProbeVerdict::TooLarge;
    return probe;
}

// ---- GIF ---------------------------------------------------------------------------------------

// Skips a chain of data sub-blocks starting at `at`; false when it runs past the end of the file.
bool skipSubBlocks(Reader& reader, std::uint64_t& at) {
    for (;;) {
        std::uint8_t length = 0;
        if (!reader.u8(at, length)) return false;
        at += 1 + std::uint64_t{length};
        if (length == 0) return true;
        if (at > reader.size()) return false;
    }
}

ImageProbe probeGif(Reader& reader) {
    std::uint16_t screenWidth = 0, screenHeight = 0;
    std::uint8_t flags = 0;
    if (!reader.u16(6, false, screenWidth) || !reader.u16(8, false, screenHeight) || !reader.u8(10, flags))
        return unknown(ImageFormat::Gif);
    std::uint64_t at = 13;
    const bool globalTable = flags & 0x80;
    if (globalTable) at += 3u << ((flags & 7) + 1);

    std::uint64_t width = screenWidth, height = screenHeight;
    bool tooLarge = overLimit(screenWidth, screenHeight);
    int images = 0;
    bool complete = false;
    // Every image is looked at, not only the first: the decoder reads them all when it opens the file.
    for (;;) {
        std::uint8_t introducer = 0;
        if (!reader.u8(at, introducer)) break;  // cut short
        if (introducer == 0x3B) {
            complete = true;
            break;
        }
        if (introducer == 0x21) {  // extension: label, then sub-blocks
            at += 2;
            if (!skipSubBlocks(reader, at)) break;
            continue;
        }
        if (introducer != 0x2C) break;  // not a GIF block: the decoder decides
        std::uint16_t imageWidth = 0, imageHeight = 0;
        std::uint8_t imageFlags = 0;
        if (!reader.u16(at + 5, false, imageWidth) || !reader.u16(at + 7, false, imageHeight) ||
            !reader.u8(at + 9, imageFlags))
            break;
        const bool localTable = imageFlags & 0x80;
        if (!localTable && !globalTable) {
            ImageProbe probe = unknown(ImageFormat::Gif);
            probe.verdict = ProbeVerdict::DecoderUnsafe;
            probe.width = screenWidth, probe.height = screenHeight;
            return probe;
        }
        if (images == 0 && (width == 0 || height == 0)) width = imageWidth, height = imageHeight;
        if (overLimit(imageWidth, imageHeight)) tooLarge = true;
        ++images;
        at += 10;
        if (localTable) at += 3u << ((imageFlags & 7) + 1);
        at += 1;  // the LZW minimum code size
        if (!skipSubBlocks(reader, at)) break;
    }
    ImageProbe probe = raster(ImageFormat::Gif, width, height);
    if (tooLarge)
        probe.verdict = ProbeVerdict::TooLarge;
    else if (!complete || images == 0)
        probe.verdict = ProbeVerdict::Undecided;  // cut short, stray bytes, or no picture at all
    return probe;
}

// ---- EMF ---------------------------------------------------------------------------------------

ImageProbe probeEmf(Reader& reader) {
    std::int32_t bounds[4] = {}, frame[4] = {}, device[2] = {}, millimetres[2] = {};
    for (int i = 0; i < 4; ++i)
        if (!reader.i32le(8 + 4 * i, bounds[i]) || !reader.i32le(24 + 4 * i, frame[i])) return unknown(ImageFormat::Emf);
    for (int i = 0; i < 2; ++i)
        if (!reader.i32le(72 + 4 * i, device[i]) || !reader.i32le(80 + 4 * i, millimetres[i]))
            return unknown(ImageFormat::Emf);

    // The frame is in 0.01 mm; the reference device's pixels per millimetre turn it into pixels, as
    // the imaging library sizes a metafile. The inclusive bounds stand in when that is not possible.
    auto side = [&](int axis) -> std::uint64_t {
        const std::int64_t extent = std::int64_t{frame[axis + 2]} - frame[axis];
        if (extent > 0 && device[axis] > 0 && millimetres[axis] > 0) {
            const double pixels = static_cast<double>(extent) * device[axis] / (millimetres[axis] * 100.0);
            return pixels >= static_cast<double>(kInt32Max) ? static_cast<std::uint64_t>(kInt32Max)
                                                             : static_cast<std::uint64_t>(pixels + 0.5);
        }
        const std::int64_t inclusive = std::int64_t{bounds[axis + 2]} - bounds[axis] + 1;
        return inclusive > 0 ? static_cast<std::uint64_t>(inclusive) : 0;
    };
    const std::uint64_t width = side(0), height = side(1);
    ImageProbe probe = unknown(ImageFormat::Emf);
    if (width == 0 || height == 0) return probe;
    probe.width = saturate(width);
    probe.height = saturate(height);
    probe.verdict = ProbeVerdict::RenderAtShownSize;
    return probe;
}

}  // namespace

ImageProbe probeImage(ByteSource& source) {
    Reader reader(source);
    if (reader.startsWith(0, "\x89PNG\r\n\x1A\n", 8)) return probePng(reader);
    if (reader.startsWith(0, "GIF87a", 6) || reader.startsWith(0, "GIF89a", 6)) return probeGif(reader);
    if (reader.startsWith(0, "\xFF\xD8\xFF", 3)) return probeJpeg(reader);
    if (reader.startsWith(0, "II*\0", 4) || reader.startsWith(0, "MM\0*", 4)) return probeTiff(reader);
    if (reader.startsWith(0, "BM", 2)) return probeBmp(reader);
    if (reader.startsWith(0, "\x01\0\0\0", 4) && reader.startsWith(40, " EMF", 4)) return probeEmf(reader);
    if (reader.startsWith(0, "\0\0\x01\0", 4)) return probeIco(reader);
    return ImageProbe{};
}

int jpegScaleDenominator(std::int32_t naturalWidth, std::int32_t naturalHeight, std::int32_t shownWidth,
                         std::int32_t shownHeight) {
    if (naturalWidth <= 0 || naturalHeight <= 0 || shownWidth <= 0 || shownHeight <= 0) return 1;
    for (int denominator : {8, 4, 2})
        if (scaledSide(naturalWidth, denominator) >= shownWidth && scaledSide(naturalHeight, denominator) >= shownHeight)
            return denominator;
    return 1;
}

std::int32_t scaledSide(std::int32_t natural, int denominator) {
    if (natural <= 0 || denominator <= 0) return 0;
    return static_cast<std::int32_t>((std::int64_t{natural} + denominator - 1) / denominator);
}
