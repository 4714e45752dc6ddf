// What the program and its decoder process say to each other, and the limits the program holds a
// decoder to.
//
// Pictures are decoded in a separate process (the same program started with a private switch), so
// that a decoder that crashes, hangs or runs away with memory costs one picture and never the
// program. The two talk through one small block of shared memory and two events: the program writes
// a request and sets the request event, the decoder writes its reply and sets the reply event.
//
// A decode takes two exchanges. Open: the decoder reads the file, decodes it and tells its natural
// size, depth, orientation and whether it has transparency. The program then decides the size it
// wants the pixels at, makes a shared section of exactly that size and hands it over. Render: the
// decoder draws or copies the picture into the section, which becomes the program's bitmap without
// a copy.
//
// Everything the decoder writes is checked here as a file's header would be: a decoder is assumed
// to be able to say anything. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace decoding {

constexpr std::uint32_t kControlMagic = 0x43445647;  // "GVDC"
constexpr std::uint32_t kProtocolVersion = 1;
// Longest path a request carries, in UTF-16 code units, terminator included.
constexpr std::size_t kMaxPathUnits = 32768;

enum class Phase : std::uint32_t { Open = 1, Render = 2 };

// How the pixels are made at Render.
enum class RenderKind : std::uint32_t {
    // The decoded picture as it is, at its natural size: 32 bits, with alpha when it has any.
    Copy = 1,
    // Resampled to the given size through a device context onto black, as the painting resamples:
    // 32 bits, opaque.
    DrawOpaque = 2,
    // Drawn at the given size onto transparency (a metafile at the size it is shown): 32 bits with alpha.
    DrawTransparent = 3,
};

enum class ReplyStatus : std::uint32_t {
    Ok = 1,
    Unreadable = 2,  // the file does not decode (or is refused by the header check)
    BadRequest = 3,  // the request made no sense to the decoder
};

struct Request {
    std::uint32_t sequence = 0;
    Phase phase = Phase::Open;
    // Open: the size the picture will be wanted at (stored axes), so that a decoder that can decode
    // at a reduced scale does so; 0 x 0 for the whole picture.
    std::int32_t hintWidth = 0, hintHeight = 0;
    // Render: what to make, and its size.
    RenderKind kind = RenderKind::Copy;
    std::int32_t width = 0, height = 0;
    std::int32_t rotateFlip = 0;     // applied before drawing (a thumbnail turned upright), 0..7
    std::int32_t interpolation = 0;  // of DrawOpaque
    std::uint64_t section = 0;       // the section's handle value inside the decoder process
    std::uint64_t sectionBytes = 0;
    std::uint32_t pathUnits = 0;     // without the terminator
    char16_t path[kMaxPathUnits] = {};
};

struct Reply {
    std::uint32_t sequence = 0;
    ReplyStatus status = ReplyStatus::Unreadable;
    // Open: the picture as decoded, in its stored axes.
    std::int32_t naturalWidth = 0, naturalHeight = 0;
    std::int32_t bitsPerPixel = 0;
    std::uint32_t orientation = 1;  // EXIF, 1..8
    std::uint32_t alpha = 0;        // the picture has transparency
    std::uint32_t metafile = 0;     // a vector picture: drawn at any size, never copied
    std::uint64_t fileSize = 0, fileWriteTime = 0;  // of the file as the decoder read it
};

// The block both processes map. `ready` is set by the decoder once it can take requests.
struct ControlBlock {
    std::uint32_t magic = kControlMagic;
    std::uint32_t version = kProtocolVersion;
    std::uint32_t ready = 0;
    std::uint32_t decoderProcessId = 0;
    Reply reply;
    Request request;
};

struct Extent {
    std::int32_t width = 0, height = 0;
    bool operator==(const Extent&) const = default;
};

// The pixels the program asks of an opened picture.
struct RenderPlan {
    RenderKind kind = RenderKind::Copy;
    std::int32_t width = 0, height = 0;
    std::int32_t rotateFlip = 0;
    std::int32_t interpolation = 0;
};

// What an Open reply says, after checking: a picture the program can lay out and ask pixels of.
struct OpenedPicture {
    int naturalWidth = 0, naturalHeight = 0;
    int bitsPerPixel = 0;
    unsigned orientation = 1;
    bool alpha = false;
    bool metafile = false;
    std::uint64_t fileSize = 0, fileWriteTime = 0;
};

// Checks an Open reply to request `sequence`. False for any reply that is not a sound account of a
// decoded picture: another sequence, a status other than Ok, a side <= 0, a raster picture of more
// than `maxPixels`, a depth not among 1, 4, 8, 16, 24, 32, 48, 64. An orientation outside 1..8 is
// taken as 1 (as a file's would be).
bool acceptOpenReply(const Reply& reply, std::uint32_t sequence, std::uint64_t maxPixels, OpenedPicture& out);

// Writes the width x height pixels of `from` (top row first) into `to`, turned by a GDI+
// RotateFlipType 0..7: a quarter turn clockwise per step of its low two bits, then mirrored left to
// right when 4 is set; for odd types `to` is height pixels wide. Nothing for other types.
void turnPixels(const std::uint32_t* from, int width, int height, int rotateFlip, std::uint32_t* to);

// Bits per pixel of a GDI+ pixel format: 1, 4, 8, 16, 24, 32, 48 or 64; 0 for a format not known.
int depthOfPixelFormat(std::uint32_t format);

// Bytes of a 32-bit top-down picture of width x height; 0 for a side <= 0 or more than `maxPixels`.
std::uint64_t pixelBytes(std::int64_t width, std::int64_t height, std::uint64_t maxPixels);

// The memory a decoder may use for one picture: a base for the process itself, the file (read into
// memory whole), and a few times the decoded picture (the decoder's bitmap, its working copies and
// the pixels handed back). A picture whose size the header does not tell is allowed what a picture
// of `unknownPixels` would be.
struct MemoryBudgetInput {
    std::uint64_t fileBytes = 0;
    std::int64_t width = 0, height = 0;  // from the header; 0 when unknown
    std::uint64_t maxPixels = 0;         // the largest picture decoded at all
};
constexpr std::uint64_t kDecoderBaseBytes = std::uint64_t{160} << 20;
constexpr std::uint64_t kUnknownSizePixels = std::uint64_t{64} << 20;
std::uint64_t decoderMemoryBudget(const MemoryBudgetInput& input);

// How long a decode may take before its decoder is given up: a base for reading and starting, and
// time for every megapixel, as the slowest decoder takes them (with room for a loaded machine).
constexpr unsigned kDecodeBaseMilliseconds = 6000;
constexpr unsigned kDecodeMillisecondsPerMegapixel = 60;
unsigned decodeTimeLimit(std::int64_t width, std::int64_t height);

}  // namespace decoding
