#include <gtest/gtest.h>

#include "display/shown_size.h"

namespace {

// The size a picture is held at follows the turns it will get: the EXIF turn, then the rotation
// unless the picture already has the reference's shape.
TEST(ShownSizeTest, HeldSizeIsTheShownSizeInTheStoredAxes) {
    ShownSizeRule rule;
    rule.area = {800, 600};
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 1), (Size32{})) << "off unless asked";
    rule.reduce = true;
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 1), (Size32{800, 600}));
    EXPECT_EQ(reducedStoredSize(rule, {0, 3000}, 1), (Size32{}));
    EXPECT_EQ(reducedStoredSize(rule, {640, 480}, 1), (Size32{})) << "shown at its own size";
    rule.fit.stretch = true;
    EXPECT_EQ(reducedStoredSize(rule, {700, 500}, 1), (Size32{})) << "stretched: larger than it is";
    rule.fit.stretch = false;
    rule.exifOrient = true;
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 6), (Size32{600, 450})) << "upright 3000 x 4000 fits 450 x 600";
    rule.rotation = 90;
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 6), (Size32{800, 600})) << "turned twice: as stored";
    rule.rotateAspect = true;
    rule.reference = {600, 800};
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 6), (Size32{600, 450})) << "tall like the reference: not rotated";
    rule.zoomPercent = 50;
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 1), (Size32{2000, 1500}));
    rule.zoomPercent = 100;
    EXPECT_EQ(reducedStoredSize(rule, {4000, 3000}, 1), (Size32{}));
}

}  // namespace
