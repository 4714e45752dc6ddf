// Feeds arbitrary bytes to the image header probe. Besides never crashing or reading outside the
// file, it checks that what it reports hangs together: sizes are never negative, a verdict other
// than "undecided" comes with a format and the verdict that format can have, a picture to decode
// lies within the limit, and the probe reads a file about once at most.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "decoding/image_probe.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

class CheckedSource final : public ByteSource {
public:
    CheckedSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, void* buffer, std::size_t count) override {
        check(offset <= size_ && count <= size_ - offset);  // the probe asks only for what is there
        std::memcpy(buffer, data_ + offset, count);
        bytesRead += count;
        return count;
    }
    std::uint64_t bytesRead = 0;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckedSource source(data, size);
    const ImageProbe probe = probeImage(source);
    check(probe.width >= 0 && probe.height >= 0);
    check(source.bytesRead <= 3 * static_cast<std::uint64_t>(size) + 8192);  // about once, icons a little more
    if (probe.verdict == ProbeVerdict::Undecided) return 0;
    check(probe.format != ImageFormat::Unknown);
    check((probe.format == ImageFormat::Emf) == (probe.verdict == ProbeVerdict::RenderAtShownSize));
    if (probe.verdict == ProbeVerdict::DecoderUnsafe) {
        check(probe.format == ImageFormat::Gif || probe.format == ImageFormat::Bmp);
        return 0;
    }
    const std::uint64_t pixels = static_cast<std::uint64_t>(probe.width) * static_cast<std::uint64_t>(probe.height);
    if (probe.verdict == ProbeVerdict::Decode || probe.verdict == ProbeVerdict::RenderAtShownSize)
        check(probe.width > 0 && probe.height > 0);
    if (probe.verdict == ProbeVerdict::Decode) check(pixels <= kMaxDecodedPixels);
    // A GIF or an icon may be too large by another frame or image than the one whose size it reports.
    if (probe.verdict == ProbeVerdict::TooLarge && probe.format != ImageFormat::Gif && probe.format != ImageFormat::Ico)
        check(pixels > kMaxDecodedPixels);
    const int d = jpegScaleDenominator(probe.width, probe.height, probe.width / 3, probe.height / 5);
    check(d == 1 || d == 2 || d == 4 || d == 8);
    check(scaledSide(probe.width, d) >= probe.width / 3 && scaledSide(probe.height, d) >= probe.height / 5);
    return 0;
}
