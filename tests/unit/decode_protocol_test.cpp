// What the program believes of its decoder process, and the pixels it asks of it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "catalog/thumbnail_logic.h"
#include "decoding/decode_protocol.h"
#include "display/picture_targets.h"

using namespace decoding;

namespace {

constexpr std::uint64_t kMax = std::uint64_t{1} << 28;

Reply goodReply(std::uint32_t sequence) {
    Reply reply;
    reply.sequence = sequence;
    reply.status = ReplyStatus::Ok;
    reply.naturalWidth = 640;
    reply.naturalHeight = 480;
    reply.bitsPerPixel = 24;
    reply.orientation = 6;
    return reply;
}

// A decoder can say anything: only a sound account of a picture of a size the program decodes at
// all is taken, as a file's header would be.
TEST(DecoderReply, OnlyASoundAccountOfThePictureAskedForIsTaken) {
    OpenedPicture opened;
    ASSERT_TRUE(acceptOpenReply(goodReply(7), 7, kMax, opened));
    EXPECT_EQ(opened.naturalWidth, 640);
    EXPECT_EQ(opened.orientation, 6u);

    auto refused = [&](void (*spoil)(Reply&)) {
        Reply reply = goodReply(7);
        spoil(reply);
        return !acceptOpenReply(reply, 7, kMax, opened);
    };
    EXPECT_TRUE(refused([](Reply& r) { r.sequence = 6; })) << "the reply to an earlier request";
    EXPECT_TRUE(refused([](Reply& r) { r.status = ReplyStatus::Unreadable; }));
    EXPECT_TRUE(refused([](Reply& r) { r.status = static_cast<ReplyStatus>(99); }));
    EXPECT_TRUE(refused([](Reply& r) { r.naturalWidth = 0; }));
    EXPECT_TRUE(refused([](Reply& r) { r.naturalHeight = -480; }));
    EXPECT_TRUE(refused([](Reply& r) { r.naturalWidth = r.naturalHeight = 20000; })) << "above the decoding limit";
    EXPECT_TRUE(refused([](Reply& r) { r.naturalWidth = std::numeric_limits<std::int32_t>::max(); }));
    EXPECT_TRUE(refused([](Reply& r) { r.bitsPerPixel = 13; }));

    // A metafile may claim any size (it is drawn at the size shown); an orientation out of range is 1.
    Reply vector = goodReply(8);
    vector.metafile = 1;
    vector.naturalWidth = vector.naturalHeight = 2000000000;
    vector.bitsPerPixel = 0;
    vector.orientation = 77;
    ASSERT_TRUE(acceptOpenReply(vector, 8, kMax, opened));
    EXPECT_TRUE(opened.metafile);
    EXPECT_EQ(opened.orientation, 1u);
}

TEST(DecoderLimits, SectionSizeMemoryAndTimeGrowWithThePictureAndStayBounded) {
    EXPECT_EQ(pixelBytes(640, 480, kMax), 640u * 480u * 4u);
    EXPECT_EQ(pixelBytes(0, 480, kMax), 0u);
    EXPECT_EQ(pixelBytes(16385, 16384, kMax), 0u) << "just above the limit";
    EXPECT_EQ(pixelBytes(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(), kMax), 0u);

    const std::uint64_t small = decoderMemoryBudget({1000, 100, 100, kMax});
    const std::uint64_t large = decoderMemoryBudget({1000, 8000, 6000, kMax});
    EXPECT_GE(small, kDecoderBaseBytes);
    EXPECT_LT(small, kDecoderBaseBytes + (1u << 20));
    EXPECT_GE(large, kDecoderBaseBytes + 3u * 8000u * 6000u * 4u) << "room for the decoder's bitmap and working copies";
    // A header that claims more than is ever decoded, or nothing, is allowed a bounded amount.
    const std::uint64_t claimed = decoderMemoryBudget({1000, std::numeric_limits<std::int32_t>::max(), 3, kMax});
    EXPECT_LE(claimed, kDecoderBaseBytes + 1000 + 3 * 4 * kMax);
    EXPECT_EQ(decoderMemoryBudget({1000, 0, 0, kMax}), kDecoderBaseBytes + 1000 + 3 * 4 * kUnknownSizePixels);

    EXPECT_EQ(decodeTimeLimit(100, 100), kDecodeBaseMilliseconds);
    EXPECT_GT(decodeTimeLimit(16384, 16384), decodeTimeLimit(4000, 3000));
    EXPECT_LT(decodeTimeLimit(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max()), 600000u);
}

OpenedPicture picture(int w, int h, unsigned orientation = 1, bool metafile = false) {
    OpenedPicture p;
    p.naturalWidth = w;
    p.naturalHeight = h;
    p.orientation = orientation;
    p.metafile = metafile;
    return p;
}

// The view asks for the picture whole or at the size it is shown; a metafile only through its own
// target; a thumbnail fitted into its cell and turned upright.
TEST(DecodeTargets, EachTargetAsksForThePixelsItShows) {
    ShownSizeRule rule;
    rule.reduce = true;
    rule.area = {400, 300};
    rule.interpolation = 7;
    const ViewTarget view(rule);
    RenderPlan plan = view.plan(picture(1600, 1200));
    EXPECT_EQ(plan.kind, RenderKind::DrawOpaque);
    EXPECT_EQ(plan.width, 400);
    EXPECT_EQ(plan.height, 300);
    EXPECT_EQ(plan.interpolation, 7);
    plan = view.plan(picture(200, 100));
    EXPECT_EQ(plan.kind, RenderKind::Copy) << "shown at its own size: held whole";
    EXPECT_EQ(plan.width, 200);
    EXPECT_EQ(view.plan(picture(200, 100, 1, true)).width, 0) << "a metafile is declined";
    ImageProbe probe;
    probe.width = 1600;
    probe.height = 1200;
    EXPECT_EQ(view.wantedSize(probe), (Extent{400, 300}));

    const MetafileTarget metafile(320, 200);
    plan = metafile.plan(picture(2000000000, 2000000000, 1, true));
    EXPECT_EQ(plan.kind, RenderKind::DrawTransparent);
    EXPECT_EQ(plan.width, 320);
    EXPECT_EQ(metafile.plan(picture(320, 200)).width, 0) << "a raster picture is declined";

    // Orientation 6 stands the 400 x 200 picture on its side: 50 x 100 in a cell of 100.
    const ThumbnailTarget thumbnail(100, true);
    plan = thumbnail.plan(picture(400, 200, 6));
    EXPECT_EQ(plan.kind, RenderKind::DrawOpaque);
    EXPECT_EQ(plan.rotateFlip, uprightRotateFlip(6));
    EXPECT_EQ(plan.width, 50);
    EXPECT_EQ(plan.height, 100);
    probe.width = 400;
    probe.height = 200;
    probe.orientation = 6;
    EXPECT_EQ(thumbnail.wantedSize(probe), (Extent{100, 50})) << "asked of the decoder in the stored axes";
    plan = ThumbnailTarget(100, false).plan(picture(400, 200, 6));
    EXPECT_EQ(plan.rotateFlip, 0);
    EXPECT_EQ(plan.width, 100);
}

}  // namespace

TEST(DecoderPixels, TurnsAndMirrorsAsGdiplusRotateFlipTypes) {
    // 3 x 2: 0 1 2 / 3 4 5, turned by each type.
    const std::vector<std::uint32_t> from = {0, 1, 2, 3, 4, 5};
    const std::vector<std::uint32_t> expected[8] = {
        {0, 1, 2, 3, 4, 5}, {3, 0, 4, 1, 5, 2}, {5, 4, 3, 2, 1, 0}, {2, 5, 1, 4, 0, 3},
        {2, 1, 0, 5, 4, 3}, {0, 3, 1, 4, 2, 5}, {3, 4, 5, 0, 1, 2}, {5, 2, 4, 1, 3, 0},
    };
    for (int type = 0; type < 8; ++type) {
        std::vector<std::uint32_t> to(6, 99);
        decoding::turnPixels(from.data(), 3, 2, type, to.data());
        EXPECT_EQ(to, expected[type]) << "type " << type;
    }
    std::vector<std::uint32_t> untouched(6, 99);
    decoding::turnPixels(from.data(), 3, 2, 8, untouched.data());
    decoding::turnPixels(from.data(), 0, 2, 1, untouched.data());
    EXPECT_EQ(untouched, std::vector<std::uint32_t>(6, 99));
}
