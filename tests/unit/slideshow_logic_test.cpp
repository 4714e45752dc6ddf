// Navigation steps, folder jumps, the count-down and the end-of-pass decisions of the slideshow.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "display/slideshow_logic.h"

TEST(SlideshowNavigation, StepsWrapBothWaysWhateverTheStepSize) {
    EXPECT_EQ(navigationStep(true, true), 5);  // Shift wins over Ctrl
    EXPECT_EQ(navigationStep(false, true), 10);
    EXPECT_EQ(navigationStep(false, false), 1);
    EXPECT_EQ(previousIndex(3, navigationStep(false, true), 25), 18u);
    EXPECT_EQ(previousIndex(1, navigationStep(true, false), 3), 2u);
    EXPECT_EQ(nextIndex(23, navigationStep(true, false), 25), 3u);
    EXPECT_EQ(nextIndex(3, 10, 7), 6u);
    EXPECT_EQ(previousIndex(3, 10, 7), 0u);
    EXPECT_EQ(nextIndex(SIZE_MAX - 1, SIZE_MAX - 1, SIZE_MAX), SIZE_MAX - 2);  // no wrap-around
    EXPECT_EQ(previousIndex(0, SIZE_MAX, 10), 5u);
    EXPECT_EQ(nextIndex(5, 1, 0), 0u);
    EXPECT_EQ(previousIndex(5, 1, 0), 0u);
}

TEST(SlideshowNavigation, FolderJumpsFindTheNeighbouringFolder) {
    Exhibit e, split;
    for (const wchar_t* p : {L"C:\\A\\1", L"C:\\A\\2", L"C:\\B\\1", L"C:\\B\\2", L"C:\\B\\3", L"C:\\C\\1"})
        e.append(p, 0, 0, 0);
    // An index past the end is taken modulo; back from inside a folder goes to the one before it.
    const std::vector<size_t> next{nextFolderIndex(e, 0), nextFolderIndex(e, 5), nextFolderIndex(e, 9)},
        previous{previousFolderIndex(e, 5), previousFolderIndex(e, 4), previousFolderIndex(e, 0)};
    EXPECT_EQ(next, (std::vector<size_t>{2, 0, 5}));
    EXPECT_EQ(previous, (std::vector<size_t>{2, 0, 5}));
    // Case matters, and the run walked back does not wrap past index 0 although 2 shares it.
    for (const wchar_t* p : {L"C:\\X\\1", L"C:\\x\\1", L"C:\\X\\2"}) split.append(p, 0, 0, 0);
    EXPECT_EQ(nextFolderIndex(split, 0), 1u);
    EXPECT_EQ(previousFolderIndex(split, 1), 0u);
    EXPECT_EQ(nextFolderIndex(Exhibit(), 4), 0u);
    EXPECT_EQ(previousFolderIndex(Exhibit(), 4), 0u);
}

TEST(SlideshowTimer, CountDownFiresAtTheDocumentedTimes) {
    auto armsBeforeAdvance = [](uint32_t remaining) {
        std::vector<uint32_t> arms;
        for (TickResult r = slideTick(remaining, 1000); !r.advance && arms.size() < 10;
             r = slideTick(r.remainingMs, 1000))
            arms.push_back(r.armMs);
        return arms;
    };
    EXPECT_EQ(armsBeforeAdvance(2500), (std::vector<uint32_t>{1000, 500}));
    EXPECT_TRUE(armsBeforeAdvance(800).empty() && armsBeforeAdvance(0).empty());
    EXPECT_TRUE(slideTick(5000, 0).advance);
    EXPECT_EQ(slideshowReadout(4294967295u, true), L"\t4294967.30");
    EXPECT_EQ(slideshowReadout(1500, false) + stoppedReadout(), L"\t!\t...");
}

TEST(SlideshowTimer, EndOfPassFollowsLoopAndShuffleSettings) {
    auto plan = [](size_t i, size_t n, int loop, bool shuffle, int sort, bool collage, bool building) {
        const AdvancePlan p = planAdvance(i, n, loop, shuffle, sort, collage, building);
        return std::vector<size_t>{p.reshuffle, static_cast<size_t>(p.action), p.nextIndex, p.randomPick};
    };
    const size_t show = 0, exit = 1, pause = 2, stop = 3;
    EXPECT_EQ(plan(4, 5, 0, false, 0, false, false), (std::vector<size_t>{0, show, 0, 0}));
    EXPECT_EQ(plan(4, 5, 1, false, 0, false, false)[1], pause);
    EXPECT_EQ(plan(4, 5, 2, false, 0, false, false)[1], exit);
    EXPECT_EQ(plan(2, 5, 2, false, 0, false, false), (std::vector<size_t>{0, show, 3, 0}));
    EXPECT_EQ(plan(9, 5, 1, false, 0, false, false), (std::vector<size_t>{0, show, 0, 0}));
    // Reshuffle only at the end, in random order, with two or more entries, and unless exiting.
    EXPECT_EQ(plan(4, 5, 1, true, 2, false, false), (std::vector<size_t>{1, pause, 0, 0}));
    EXPECT_EQ(plan(4, 5, 2, true, 2, false, false)[0] + plan(4, 5, 0, true, 1, false, false)[0] +
                  plan(3, 5, 0, true, 2, false, false)[0], 0u);
    EXPECT_EQ(plan(0, 1, 0, true, 2, true, false), (std::vector<size_t>{0, show, 0, 0}));
    EXPECT_EQ(plan(0, 1, 0, false, 0, false, false)[1] + plan(0, 0, 0, false, 0, true, false)[1], 2 * stop);
    EXPECT_EQ(plan(1, 5, 0, false, 2, false, true), (std::vector<size_t>{0, show, 2, 1}));
    EXPECT_EQ(plan(1, 5, 0, false, 0, false, true)[3], 0u);
}

TEST(SlideshowTimer, RandomPickStaysInRangeAndSpreadsEvenly) {
    std::mt19937 engine(12345);
    std::vector<int> hits(7, 0);
    for (int n = 0; n < 70000; ++n) ++hits.at(randomPick(engine, 7));
    for (int h : hits) EXPECT_NEAR(h, 10000, 500);
    EXPECT_EQ(randomPick(engine, 1) + randomPick(engine, 0), 0u);
    std::mt19937 a(7), b(7);  // a seed replays: r / (0xFFFFFFFF / n), redrawn while out of range
    uint32_t k;
    do k = static_cast<uint32_t>(b()) / (0xFFFFFFFFu / 3); while (k > 2);
    EXPECT_EQ(randomPick(a, 3), k);
}
