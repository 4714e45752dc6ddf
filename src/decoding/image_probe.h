// A look at a picture file's header before it is handed to the platform decoder.
//
// The decoder trusts what a header claims: a 5 MB PNG that says 20000 x 20000 makes it allocate
// gigabytes and freeze the window, an EMF claiming 2e9 x 2e9 bounds is rendered at that size, and a
// GIF without any colour table crashes the decoder outright. The probe reads only the few bytes that
// say what the file is and how large it decodes, and tells the loader whether to decode it, report
// it as unreadable without decoding, or (for an EMF) render it at the size it is shown.
//
// Formats are told by content, never by extension: BMP, GIF, ICO, JPEG, PNG, TIFF (either byte
// order) and EMF. Everything read is bounds-checked against the file's size; a header that is not
// recognised or is cut short leaves the decision to the decoder, which then fails the file like any
// unreadable one.
#pragma once

#include <cstddef>
#include <cstdint>

// Random access to a file's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Copies up to `count` bytes starting at `offset` into `buffer` and returns how many it copied:
    // fewer than asked only at the end of the file or when reading fails.
    virtual std::size_t read(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// Bytes already in memory; the memory must outlive the source.
class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size) : data_(static_cast<const std::uint8_t*>(data)), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

enum class ImageFormat : std::uint8_t { Unknown, Bmp, Gif, Ico, Jpeg, Png, Tiff, Emf };

enum class ProbeVerdict : std::uint8_t {
    // Not recognised, or the header is cut short or malformed: decode as usual and let the decoder
    // accept or fail it.
    Undecided,
    // A recognised raster picture within the size limit: decode it.
    Decode,
    // Its decoded size would exceed kMaxDecodedPixels: fail it without decoding.
    TooLarge,
    // It has what the platform decoder is known to crash on (a GIF image with neither a global nor a
    // local colour table; a BMP whose pixels or palette lie outside the file): fail it without decoding.
    DecoderUnsafe,
    // A vector picture (EMF): never render it at its claimed size; render it at the size it is shown.
    RenderAtShownSize,
};

// Largest picture that is decoded: 256 megapixels (2^28 pixels), 1 GiB at 32 bits per pixel. A
// picture above it is reported as unreadable like any file that does not decode.
constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 28;

struct ImageProbe {
    ImageFormat format = ImageFormat::Unknown;
    ProbeVerdict verdict = ProbeVerdict::Undecided;
    // Size in pixels as the header gives it, saturated at INT32_MAX; 0 when unknown. GIF: the logical
    // screen. ICO: the largest image in the file. EMF: the claimed frame converted to pixels at the
    // metafile's own resolution (the bounds when the frame is unusable).
    std::int32_t width = 0, height = 0;
    // EXIF orientation (tag 274) of a JPEG's Exif block or a TIFF's first directory as stored; 1 when
    // the file has none. Meaningful values are 1..8.
    std::uint16_t orientation = 1;
};

// Reads the header of the file behind `source`. Never reads outside the file; reads at most a few
// small blocks, except for a GIF, whose block chain is walked to the end (each image's colour table
// matters), which reads the file once through.
ImageProbe probeImage(ByteSource& source);

// Whether the loader reports the file as unreadable without handing it to the decoder.
inline bool failsBeforeDecoding(const ImageProbe& probe) {
    return probe.verdict == ProbeVerdict::TooLarge || probe.verdict == ProbeVerdict::DecoderUnsafe;
}

// ---- Decoding at a reduced scale --------------------------------------------------------------

// Denominator (1, 2, 4 or 8) of the smallest JPEG decode scale whose result, ceil(natural / d) on
// each side, still covers the shown size. 1 when the picture is shown at or above its natural size,
// and for any size <= 0. Sizes are in the file's stored orientation: for EXIF orientations 5..8
// (turned a quarter) the caller swaps the shown width and height first.
int jpegScaleDenominator(std::int32_t naturalWidth, std::int32_t naturalHeight, std::int32_t shownWidth,
                         std::int32_t shownHeight);
// ceil(natural / denominator): one side of a picture decoded at 1/denominator.
std::int32_t scaledSide(std::int32_t natural, int denominator);
