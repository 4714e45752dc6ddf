// The Catalog's thumbnail placement, type-ahead and the queue of decodes.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "catalog/thumbnail_logic.h"

namespace {

void expectBox(const ThumbnailBox& box, int w, int h, int x, int y) {
    EXPECT_EQ(box.width, w);
    EXPECT_EQ(box.height, h);
    EXPECT_EQ(box.offsetX, x);
    EXPECT_EQ(box.offsetY, y);
}

}  // namespace

TEST(ThumbnailBox, SmallPicturesKeepTheirSizeAndLargeOnesFillTheCellCentred) {
    expectBox(fitThumbnail(60, 40, 100), 60, 40, 20, 30);
    expectBox(fitThumbnail(400, 200, 100), 100, 50, 0, 25);
    expectBox(fitThumbnail(200, 400, 100), 50, 100, 25, 0);
    expectBox(fitThumbnail(100, 100, 100), 100, 100, 0, 0);
    // One side at the cell size is not "smaller in both directions": it is scaled (to the same size).
    expectBox(fitThumbnail(100, 30, 100), 100, 30, 0, 35);
    expectBox(fitThumbnail(99, 99, 100), 99, 99, 0, 0);
    // A camera photo: integer arithmetic truncates, and nothing overflows on huge sides.
    expectBox(fitThumbnail(6000, 4000, 100), 100, 66, 0, 17);
    expectBox(fitThumbnail(2000000000, 3, 100), 100, 0, 0, 50);
    expectBox(fitThumbnail(0, 40, 100), 0, 0, 0, 0);
    expectBox(fitThumbnail(60, -1, 100), 0, 0, 0, 0);
}

TEST(ThumbnailBox, EveryExifOrientationHasItsUprightTurn) {
    const int expected[] = {0, 0, 4, 2, 6, 5, 1, 7, 3};
    for (unsigned o = 0; o <= 8; ++o) EXPECT_EQ(uprightRotateFlip(o), expected[o]) << o;
    EXPECT_EQ(uprightRotateFlip(9), 0);
    EXPECT_EQ(uprightRotateFlip(0xFFFFFFFFu), 0);
}

TEST(TypeAhead, FindsTheNextNameWithTheLetterAndWraps) {
    const std::vector<std::wstring> paths = {L"C:\\p\\apple.jpg", L"C:\\p\\Banana.jpg", L"C:\\p\\cherry.jpg",
                                             L"C:\\q\\bread.png", L"C:\\q\\b\\x.png",  L"blue.gif"};
    auto nameAt = [&](size_t i) -> std::wstring_view { return paths[i]; };
    EXPECT_EQ(typeAheadIndex(paths.size(), 0, L'b', nameAt), 1u);
    EXPECT_EQ(typeAheadIndex(paths.size(), 1, L'B', nameAt), 3u);  // case does not matter
    EXPECT_EQ(typeAheadIndex(paths.size(), 3, L'b', nameAt), 5u);  // the folder "b" does not count
    EXPECT_EQ(typeAheadIndex(paths.size(), 5, L'b', nameAt), 1u);  // wraps to the first b
    EXPECT_EQ(typeAheadIndex(paths.size(), 2, L'c', nameAt), 2u);  // only itself: stays
    EXPECT_EQ(typeAheadIndex(paths.size(), 4, L'z', nameAt), 4u);  // none: stays
    EXPECT_EQ(fileNameOf(L"C:\\p\\apple.jpg"), L"apple.jpg");
    EXPECT_EQ(fileNameOf(L"apple.jpg"), L"apple.jpg");
    EXPECT_EQ(fileNameOf(L"C:\\p\\"), L"");
    EXPECT_EQ(catalogItemText(L"C:\\p\\apple.jpg"), L"apple.jpg");
    EXPECT_EQ(catalogItemText(L"C:\\p\\Apple.JPG.LNK"), L"*Apple.JPG.LNK");
    EXPECT_EQ(catalogItemText(L".lnk"), L"*.lnk");
    EXPECT_FALSE(isCatalogShortcut(L"lnk"));
    EXPECT_FALSE(isCatalogShortcut(L"C:\\a.lnkx"));
}

TEST(ThumbnailQueue, OnlyItemsOnScreenOfTheCurrentFillAreDecodedOnce) {
    ThumbnailQueue queue;
    const uint64_t fill = queue.generation();
    queue.setVisible(10, 19);
    EXPECT_FALSE(queue.request({5, fill, L"a", true, 100}));   // off screen
    EXPECT_TRUE(queue.request({10, fill, L"a", true, 100}));
    EXPECT_FALSE(queue.request({10, fill, L"a", true, 100}));  // already queued
    EXPECT_TRUE(queue.request({11, fill, L"b", true, 100}));
    EXPECT_TRUE(queue.request({12, fill, L"c", true, 100}));
    EXPECT_EQ(queue.queuedCount(), 3u);

    ThumbnailJob job;
    ASSERT_TRUE(queue.take(job));
    EXPECT_EQ(job.index, 10u);  // in the order asked
    EXPECT_FALSE(queue.request({10, fill, L"a", true, 100}));  // being decoded
    // Scrolling on drops what left the screen, queued or being decoded.
    queue.setVisible(12, 21);
    EXPECT_EQ(queue.queuedCount(), 1u);
    EXPECT_FALSE(queue.wanted(10, fill));
    EXPECT_TRUE(queue.wanted(12, fill));
    queue.finish(job);
    queue.setVisible(10, 19);
    EXPECT_TRUE(queue.request({10, fill, L"a", true, 100}));  // back on screen: asked again

    // A refill makes every earlier request stale.
    const uint64_t next = queue.newGeneration();
    EXPECT_NE(next, fill);
    EXPECT_EQ(queue.queuedCount(), 0u);
    EXPECT_FALSE(queue.wanted(12, fill));
    EXPECT_FALSE(queue.request({13, fill, L"d", true, 100}));
    EXPECT_TRUE(queue.request({13, next, L"d", true, 100}));
    queue.setVisible(0, -1);  // nothing on screen
    EXPECT_EQ(queue.queuedCount(), 0u);
}

TEST(ThumbnailQueue, ThreadsTakeEveryRequestOnceAndStopWhenAsked) {
    ThumbnailQueue queue;
    queue.setVisible(0, 999);
    std::atomic<int> taken{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < 3; ++t)
        pool.emplace_back([&] {
            ThumbnailJob job;
            while (queue.take(job)) {
                ++taken;
                queue.finish(job);
            }
        });
    const uint64_t fill = queue.generation();
    for (size_t i = 0; i < 1000; ++i) queue.request({i, fill, L"x", true, 100});
    for (int spin = 0; spin < 5000 && taken < 1000; ++spin) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    queue.stop();
    for (std::thread& thread : pool) thread.join();
    EXPECT_EQ(taken.load(), 1000);
    EXPECT_FALSE(queue.request({0, fill, L"x", true, 100}));
}
