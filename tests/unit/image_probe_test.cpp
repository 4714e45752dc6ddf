#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <tuple>
#include <vector>

#include "decoding/image_probe.h"

using namespace std::string_literals;

namespace {

// Bytes as a file holds them.
std::string le16(unsigned v) { return {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
std::string be16(unsigned v) { return {char(v >> 8 & 0xFF), char(v & 0xFF)}; }
std::string le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
std::string be32(std::uint32_t v) { return be16(v >> 16) + be16(v & 0xFFFF); }

// A source that fails the test when asked for anything outside the file, and counts what it reads.
class StrictSource final : public ByteSource {
public:
    explicit StrictSource(const std::string& bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t read(std::uint64_t offset, void* buffer, std::size_t count) override {
        EXPECT_LE(offset + count, bytes_.size()) << "read past the end";
        if (offset >= bytes_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(count, bytes_.size() - offset);
        bytes_.copy(static_cast<char*>(buffer), n, offset);
        bytesRead += n;
        return n;
    }
    std::uint64_t bytesRead = 0;

private:
    const std::string& bytes_;
};

ImageProbe probe(const std::string& bytes) {
    StrictSource source(bytes);
    return probeImage(source);
}
// What a probe found, to compare in one step.
std::tuple<ImageFormat, std::int32_t, std::int32_t, ProbeVerdict> facts(const ImageProbe& p) { return {p.format, p.width, p.height, p.verdict}; }

std::string png(std::uint32_t w, std::uint32_t h) {
    return "\x89PNG\r\n\x1A\n"s + be32(13) + "IHDR" + be32(w) + be32(h) + "\x08\x02\0\0\0"s + be32(0);
}

// A JPEG segment: marker, big-endian length, payload.
std::string segment(unsigned marker, const std::string& payload) {
    return "\xFF"s + char(marker) + be16(static_cast<unsigned>(payload.size()) + 2) + payload;
}
std::string sof(unsigned marker, unsigned w, unsigned h) { return segment(marker, "\x08"s + be16(h) + be16(w) + "\x01\x01\x11\x00"s); }

// One TIFF directory of SHORT (3) or LONG (4) entries, little- or big-endian, right after the header.
std::string tiff(bool bigEndian, const std::vector<std::vector<unsigned>>& entries) {
    auto u16 = [&](unsigned v) { return bigEndian ? be16(v) : le16(v); };
    auto u32 = [&](std::uint32_t v) { return bigEndian ? be32(v) : le32(v); };
    std::string out = (bigEndian ? "MM\0*"s : "II*\0"s) + u32(8) + u16(static_cast<unsigned>(entries.size()));
    for (const auto& e : entries)  // tag, type, value
        out += u16(e[0]) + u16(e[1]) + u32(1) + (e[1] == 3 ? u16(e[2]) + u16(0) : u32(e[2]));
    return out + u32(0);
}
std::string exif(unsigned orientation, bool bigEndian) {
    return segment(0xE1, "Exif\0\0"s + tiff(bigEndian, {{274, 3, orientation}}));
}

// GIF pieces: header with logical screen, image descriptor with one block of LZW data.
std::string gifHeader(unsigned w, unsigned h, bool globalTable, const char* version = "GIF89a") {
    return version + le16(w) + le16(h) + char(globalTable ? 0x80 : 0) + "\0\0"s +
           (globalTable ? "\xFF\0\0\0\0\xFF"s : ""s);
}
std::string gifImage(bool localTable, unsigned w = 2, unsigned h = 2) {
    return "\x2C"s + le16(0) + le16(0) + le16(w) + le16(h) + char(localTable ? 0x80 : 0) +
           (localTable ? "\0\xFF\0\0\0\xFF"s : ""s) + "\x02\x03\x44\x01\x05\0"s;
}
const std::string kGraphicControl = "\x21\xF9\x04\x00\x0A\x00\x00\x00"s;
const std::string kComment = "\x21\xFE\x05hello\x03" "abc\x00"s;

// A BMP header of w x h at `bits` per pixel (with `colours` palette entries stated), followed by
// `data` bytes: the palette and pixels, as many as the test wants there to be.
std::string bmp(std::int32_t w, std::int32_t h, std::size_t data = 0, unsigned bits = 24, std::uint32_t colours = 0,
                std::uint32_t dataOffset = 14 + 40, std::uint32_t compression = 0) {
    std::string info = le32(40) + le32(static_cast<std::uint32_t>(w)) + le32(static_cast<std::uint32_t>(h)) + le16(1) +
                       le16(bits) + le32(compression) + std::string(12, '\0') + le32(colours) + le32(0);
    return "BM"s + le32(14 + 40) + le32(0) + le32(dataOffset) + info + std::string(data, '\x55');
}

std::string emf(std::int32_t boundsRight, std::int32_t boundsBottom, std::int32_t frameRight, std::int32_t frameBottom) {
    std::string out = le32(1) + le32(108);
    for (std::int32_t v : {0, 0, boundsRight, boundsBottom, 0, 0, frameRight, frameBottom})
        out += le32(static_cast<std::uint32_t>(v));
    out += " EMF"s + le32(0x10000) + le32(108) + le32(1) + le16(0) + le16(0) + le32(0) + le32(0) + le32(0);
    out += le32(1920) + le32(1080) + le32(480) + le32(270);  // device pixels and millimetres: 4 pixels per mm
    return out + std::string(108 - out.size(), '\0');
}

TEST(ImageProbe, PngSizeAgainstTheLimit) {
    ImageProbe p = probe(png(20000, 20000));
    EXPECT_EQ(facts(p), std::tuple(ImageFormat::Png, 20000, 20000, ProbeVerdict::TooLarge));
    EXPECT_TRUE(failsBeforeDecoding(p));

    EXPECT_EQ(probe(png(16384, 16384)).verdict, ProbeVerdict::Decode);  // exactly 2^28 pixels
    EXPECT_EQ(probe(png(16384, 16385)).verdict, ProbeVerdict::TooLarge);
    p = probe(png(0xFFFFFFFF, 0xFFFFFFFF));  // beyond any valid PNG: saturated, never wrapped
    EXPECT_EQ(p.width, INT32_MAX);
    EXPECT_EQ(p.verdict, ProbeVerdict::TooLarge);

    p = probe(png(640, 480));
    EXPECT_EQ(p.verdict, ProbeVerdict::Decode);
    EXPECT_FALSE(failsBeforeDecoding(p));
    EXPECT_EQ(p.orientation, 1);
    // Zero sides, a first chunk that is not the header, a file cut inside it: the decoder decides.
    EXPECT_EQ(probe(png(0, 480)).verdict, ProbeVerdict::Undecided);
    p = probe(png(640, 480).substr(0, 22));
    EXPECT_EQ(p.format, ImageFormat::Png);
    EXPECT_EQ(p.verdict, ProbeVerdict::Undecided);
}

TEST(ImageProbe, JpegFrameFoundPastLargeSegmentsWithoutReadingThem) {
    // Exif orientation first, then 40 full-size ICC segments (2.6 MB), then the frame.
    std::string file = "\xFF\xD8"s + exif(6, true);
    for (int i = 0; i < 40; ++i) file += segment(0xE2, std::string(65533, char(0xFF)));
    file += segment(0xDB, std::string(65, '\x01')) + segment(0xC4, std::string(30, '\x02')) + sof(0xC0, 6000, 4000) +
            segment(0xDA, "\x01\x01\x00\x00\x3F\x00"s) + "\x12\x34\xFF\xD9"s;
    StrictSource source(file);
    const ImageProbe p = probeImage(source);
    EXPECT_EQ(facts(p), std::tuple(ImageFormat::Jpeg, 6000, 4000, ProbeVerdict::Decode));
    EXPECT_EQ(p.orientation, 6);
    EXPECT_LT(source.bytesRead, file.size() / 10) << "segments are skipped, not read";

    // Little-endian Exif; a progressive frame; fill bytes and stray bytes before a marker are passed
    // over as the decoder passes over them; the table marker C4 is no frame.
    const ImageProbe q = probe("\xFF\xD8"s + exif(8, false) + "\x00\x11"s + "\xFF\xFF\xFF"s +
                               segment(0xC4, "\x00"s) + sof(0xC2, 65535, 65535));
    EXPECT_EQ(facts(q), std::tuple(ImageFormat::Jpeg, 65535, 65535, ProbeVerdict::TooLarge));
    EXPECT_EQ(q.orientation, 8);
    // Only the first Exif block counts; an Exif block without orientation leaves 1.
    EXPECT_EQ(probe("\xFF\xD8"s + exif(3, false) + exif(6, false) + sof(0xC0, 8, 8)).orientation, 3);
    EXPECT_EQ(probe("\xFF\xD8"s + segment(0xE1, "Exif\0\0"s + tiff(false, {{256, 3, 5}})) + sof(0xC0, 8, 8)).orientation,
              1);
}

TEST(ImageProbe, JpegWithoutAFrameIsLeftToTheDecoder) {
    const std::string head = "\xFF\xD8"s + exif(6, false) + segment(0xE0, "JFIF\0\1\1\0\0\1\0\1\0\0"s);
    const std::string whole = head + sof(0xC0, 640, 480);
    for (size_t cut = 3; cut < head.size() + 9; ++cut) {  // up to the frame's width
        const ImageProbe p = probe(whole.substr(0, cut));
        EXPECT_EQ(p.format, ImageFormat::Jpeg);
        EXPECT_EQ(p.verdict, ProbeVerdict::Undecided) << cut;
    }
    EXPECT_EQ(probe(whole).verdict, ProbeVerdict::Decode);
    // A scan or the end before any frame; a frame whose height comes later (DNL); a bad length.
    EXPECT_EQ(probe(head + segment(0xDA, "\0"s) + sof(0xC0, 64, 64)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(head + sof(0xC0, 64, 0)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(head + "\xFF\xE0\x00\x01"s + sof(0xC0, 64, 64)).verdict, ProbeVerdict::Undecided);
    // An Exif block whose directory points outside it is ignored, not followed.
    const std::string wild = "\xFF\xD8"s + segment(0xE1, "Exif\0\0II*\0"s + le32(0x7FFFFFF0)) + sof(0xC0, 8, 8);
    EXPECT_EQ(probe(wild).orientation, 1);
    EXPECT_EQ(probe(wild).verdict, ProbeVerdict::Decode);
}

TEST(ImageProbe, GifColourTablesDecideWhetherTheDecoderMayOpenIt) {
    const std::string end = ";";
    ImageProbe p = probe(gifHeader(2, 2, false) + gifImage(false) + end);
    EXPECT_EQ(p.format, ImageFormat::Gif);
    EXPECT_EQ(p.verdict, ProbeVerdict::DecoderUnsafe);
    EXPECT_TRUE(failsBeforeDecoding(p));
    // A later frame without a table is as bad as the first (the decoder reads every frame).
    EXPECT_EQ(probe(gifHeader(2, 2, false) + kGraphicControl + gifImage(true) + kGraphicControl + gifImage(false) + end)
                  .verdict,
              ProbeVerdict::DecoderUnsafe);
    // Even when the file is cut short after that descriptor.
    EXPECT_EQ(probe(gifHeader(2, 2, false) + gifImage(false).substr(0, 10)).verdict, ProbeVerdict::DecoderUnsafe);

    EXPECT_EQ(facts(probe(gifHeader(300, 200, true) + kComment + kGraphicControl + gifImage(false) + end)),
              std::tuple(ImageFormat::Gif, 300, 200, ProbeVerdict::Decode));
    // A screen of zero size takes the first image's.
    EXPECT_EQ(facts(probe(gifHeader(0, 0, true) + gifImage(false, 7, 9) + end)),
              std::tuple(ImageFormat::Gif, 7, 9, ProbeVerdict::Decode));

    // Too large: the screen or any one frame.
    EXPECT_EQ(probe(gifHeader(65535, 65535, true) + gifImage(false) + end).verdict, ProbeVerdict::TooLarge);
    EXPECT_EQ(probe(gifHeader(2, 2, true) + gifImage(false) + gifImage(true, 20000, 20000) + end).verdict,
              ProbeVerdict::TooLarge);

    // Cut short in the data, no picture at all, stray bytes: the decoder decides (it fails such
    // files cleanly).
    const std::string good = gifHeader(2, 2, true) + kGraphicControl + gifImage(false) + end;
    for (size_t cut = 6; cut < good.size(); ++cut)
        EXPECT_EQ(probe(good.substr(0, cut)).verdict, ProbeVerdict::Undecided) << cut;
    EXPECT_EQ(probe(gifHeader(2, 2, false) + end).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(gifHeader(2, 2, true) + "\x99"s + gifImage(false) + end).verdict, ProbeVerdict::Undecided);
}

TEST(ImageProbe, GifWalkReadsEachBlockOnce) {
    // 400 frames of 100 sub-blocks each: the walk reads the file about once, not per block.
    std::string file = gifHeader(16, 16, true);
    std::string data;
    for (int i = 0; i < 100; ++i) data += "\xFF"s + std::string(255, '\x11');
    for (int i = 0; i < 400; ++i) file += kGraphicControl + "\x2C"s + le16(0) + le16(0) + le16(16) + le16(16) + "\0\x02"s + data + "\0"s;
    file += ";";
    StrictSource source(file);
    EXPECT_EQ(probeImage(source).verdict, ProbeVerdict::Decode);
    EXPECT_LE(source.bytesRead, file.size() + 8192);
}

TEST(ImageProbe, TiffInBothByteOrders) {
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "MM" : "II");
        ImageProbe p = probe(tiff(bigEndian, {{256, 3, 640}, {257, 4, 480}, {274, 3, 5}}));
        EXPECT_EQ(facts(p), std::tuple(ImageFormat::Tiff, 640, 480, ProbeVerdict::Decode));
        EXPECT_EQ(p.orientation, 5);
        EXPECT_EQ(probe(tiff(bigEndian, {{256, 4, 20000}, {257, 4, 20000}})).verdict, ProbeVerdict::TooLarge);
        // No height, a height of another type, a directory cut short before the height.
        EXPECT_EQ(probe(tiff(bigEndian, {{256, 3, 640}})).verdict, ProbeVerdict::Undecided);
        EXPECT_EQ(probe(tiff(bigEndian, {{256, 3, 640}, {257, 2, 480}})).verdict, ProbeVerdict::Undecided);
        const std::string whole = tiff(bigEndian, {{256, 3, 640}, {257, 3, 480}});
        EXPECT_EQ(probe(whole.substr(0, 8 + 2 + 12 + 6)).verdict, ProbeVerdict::Undecided);
    }
}

TEST(ImageProbe, BmpHeaders) {
    ImageProbe p = probe(bmp(640, -480, 640 * 3 * 480));  // top-down
    EXPECT_EQ(facts(p), std::tuple(ImageFormat::Bmp, 640, 480, ProbeVerdict::Decode));
    EXPECT_EQ(probe(bmp(30000, 30000)).verdict, ProbeVerdict::TooLarge);
    EXPECT_EQ(probe(bmp(1, INT32_MIN)).verdict, ProbeVerdict::TooLarge);
    EXPECT_EQ(probe(bmp(1, INT32_MIN)).height, INT32_MAX);
    EXPECT_EQ(probe(bmp(-5, 10)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(bmp(640, 480).substr(0, 24)).verdict, ProbeVerdict::Undecided);
    // The old core header: 16-bit sizes.
    EXPECT_EQ(facts(probe("BM"s + le32(26) + le32(0) + le32(26) + le32(12) + le16(300) + le16(200) + le16(1) + le16(24) +
                          std::string(300 * 3 * 200, '\0'))),
              std::tuple(ImageFormat::Bmp, 300, 200, ProbeVerdict::Decode));
}

// A decoder reads wherever a BMP's header points: pixels or a palette placed outside the file are
// refused before any decoder sees them.
TEST(ImageProbe, BmpPixelsAndPaletteMustLieInsideTheFile) {
    // Rows of 5 pixels at 24 bits take 15 bytes padded to 16; the last row's padding may be missing.
    EXPECT_EQ(probe(bmp(5, 3, 16 * 3)).verdict, ProbeVerdict::Decode);
    EXPECT_EQ(probe(bmp(5, 3, 16 * 2 + 15)).verdict, ProbeVerdict::Decode);
    EXPECT_EQ(probe(bmp(5, 3, 16 * 2 + 14)).verdict, ProbeVerdict::DecoderUnsafe);
    EXPECT_EQ(probe(bmp(5, 3)).verdict, ProbeVerdict::DecoderUnsafe) << "no pixels at all";
    // The pixel data placed 2 GB past a 57-byte file, as a broken file seen in use does.
    EXPECT_EQ(probe(bmp(0x303030, 1, 3, 4, 0, 0x7FFFFF30)).verdict, ProbeVerdict::DecoderUnsafe);
    EXPECT_EQ(probe(bmp(4, 4, 4 * 4 * 3, 24, 0, 10)).verdict, ProbeVerdict::DecoderUnsafe) << "pixels inside the header";
    // 8 bits: 256 entries of 4 bytes unless fewer are stated, never more than the depth can index.
    EXPECT_EQ(probe(bmp(4, 2, 256 * 4 + 8, 8, 0, 54 + 256 * 4)).verdict, ProbeVerdict::Decode);
    EXPECT_EQ(probe(bmp(4, 2, 2 * 4 + 8, 8, 2, 54 + 2 * 4)).verdict, ProbeVerdict::Decode);
    EXPECT_EQ(probe(bmp(4, 2, 2 * 4 + 8, 8, 0, 54 + 2 * 4)).verdict, ProbeVerdict::DecoderUnsafe) << "palette cut short";
    EXPECT_EQ(probe(bmp(4, 2, 300 * 4 + 8, 8, 300, 54 + 300 * 4)).verdict, ProbeVerdict::DecoderUnsafe);
    EXPECT_EQ(probe(bmp(4, 2, 64, 7)).verdict, ProbeVerdict::DecoderUnsafe) << "no such depth";
    // Run-length data states no length: left to the decoder once it starts inside the file.
    EXPECT_EQ(probe(bmp(4, 2, 2 * 4 + 6, 8, 2, 54 + 2 * 4, 1)).verdict, ProbeVerdict::Decode);
}

TEST(ImageProbe, IcoTakesTheLargestImageByItsOwnHeader) {
    // Two entries: a 16 x 16 bitmap (height doubled for the mask) and a PNG whose directory says
    // 0 (256) but whose own header says 512.
    const std::string dib = le32(40) + le32(16) + le32(32) + le16(1) + le16(32) + std::string(24, '\0');
    auto icon = [&](const std::string& second) {
        const std::uint32_t first = 6 + 32, other = first + static_cast<std::uint32_t>(dib.size());
        return "\0\0\1\0"s + le16(2) + "\x10\x10\0\0"s + le16(1) + le16(32) + le32(40) + le32(first) + "\0\0\0\0"s +
               le16(1) + le16(32) + le32(static_cast<std::uint32_t>(second.size())) + le32(other) + dib + second;
    };
    ImageProbe p = probe(icon(png(512, 512)));
    EXPECT_EQ(facts(p), std::tuple(ImageFormat::Ico, 512, 512, ProbeVerdict::Decode));
    EXPECT_EQ(probe(icon(png(30000, 30000))).verdict, ProbeVerdict::TooLarge);
    // An image whose data lies outside the file: the directory's own size stands in.
    p = probe(icon(""));
    EXPECT_EQ(p.width, 256);
    EXPECT_EQ(p.verdict, ProbeVerdict::Decode);
    // A directory longer than the file, or empty.
    EXPECT_EQ(probe(icon(png(8, 8)).substr(0, 30)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe("\0\0\1\0\0\0"s).verdict, ProbeVerdict::Undecided);
}

TEST(ImageProbe, EmfIsRenderedAtTheShownSizeWhateverItClaims) {
    // 2e9 x 2e9 claimed bounds, a frame to match (0.01 mm at 4 pixels per mm: 25 units a pixel).
    ImageProbe p = probe(emf(2000000000, 2000000000, 2000000000, 2000000000));
    EXPECT_EQ(facts(p), std::tuple(ImageFormat::Emf, 80000000, 80000000, ProbeVerdict::RenderAtShownSize));
    EXPECT_FALSE(failsBeforeDecoding(p));

    EXPECT_EQ(facts(probe(emf(99, 49, 2500, 1250))), std::tuple(ImageFormat::Emf, 100, 50, ProbeVerdict::RenderAtShownSize));
    // No usable frame: the inclusive bounds.
    EXPECT_EQ(facts(probe(emf(99, 49, 0, 0))), std::tuple(ImageFormat::Emf, 100, 50, ProbeVerdict::RenderAtShownSize));
    // Nothing usable, or a header cut short: the decoder decides.
    EXPECT_EQ(probe(emf(-5, -5, 0, 0)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(emf(99, 49, 2500, 1250).substr(0, 80)).verdict, ProbeVerdict::Undecided);
    EXPECT_EQ(probe(emf(99, 49, 2500, 1250).substr(0, 80)).format, ImageFormat::Emf);
}

TEST(ImageProbe, UnknownContentIsLeftToTheDecoder) {
    for (const std::string& bytes : {""s, "\xFF"s, "\xFF\xD8"s, "GIF8"s, "hello, world\r\n"s, "BM"s, "\x89PNG"s,
                                     std::string(100, '\0'), "\x01\0\0\0"s + std::string(40, 'x')}) {
        const ImageProbe p = probe(bytes);
        EXPECT_EQ(p.verdict, ProbeVerdict::Undecided) << bytes.size();
        EXPECT_EQ(p.width, 0);
        EXPECT_FALSE(failsBeforeDecoding(p));
    }
    EXPECT_EQ(probe("hello"s).format, ImageFormat::Unknown);
}

TEST(ImageProbe, JpegScaleIsTheSmallestThatCoversTheShownSize) {
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 1280, 853), 4);  // 1500 x 1000
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 750, 500), 8);
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 751, 500), 4);
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 3000, 2001), 1);
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 3000, 2000), 2);
    EXPECT_EQ(jpegScaleDenominator(6000, 4000, 9000, 6000), 1);
    // Sides round up, as the decoder rounds them.
    EXPECT_EQ(scaledSide(4001, 8), 501);
    EXPECT_EQ(jpegScaleDenominator(4001, 4001, 501, 501), 8);
    EXPECT_EQ(scaledSide(INT32_MAX, 2), 1073741824);
    for (auto [w, h, sw, sh] : std::initializer_list<std::array<int, 4>>{{0, 10, 1, 1}, {10, 10, 0, 5}, {10, -1, 1, 1}, {10, 10, -3, -3}})
        EXPECT_EQ(jpegScaleDenominator(w, h, sw, sh), 1);
}

}  // namespace
