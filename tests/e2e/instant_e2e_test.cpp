// The real program under a burst of steps: the caption follows the target at once, the burst costs
// about one decode, and closing never waits behind pictures that are no longer wanted.
#include <windows.h>

#include <gtest/gtest.h>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;

namespace {

const std::wstring kProduct = L" - Glimvue";

struct Photos : e2e::TempFolder {
    Photos() : TempFolder(L"instant") {
        const unsigned colours[][2] = {{0x3366CC, 0xCC6633}, {0x33CC66, 0x6633CC}, {0xCCCC33, 0x33CCCC}, {0x993366, 0x669933}};
        wchar_t name = L'a';
        for (const auto& pair : colours) add(std::wstring(1, name++) + L".jpg", e2e::jpegBytes(3000, 2000, pair[0], pair[1], 1));
    }
    // Whether a caption names this picture (a scaled picture's caption goes on with its zoom).
    bool names(const std::wstring& caption, const std::wstring& name) const { return caption.rfind(file(name) + kProduct, 0) == 0; }
};

TEST(Instant, BurstOfStepsEndsOnTheTargetAndCloseNeverWaitsBehindIt) {
    const Photos photos;
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + photos.path() + L"\" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(e2e::waitFor([&] { return photos.names(program.caption(), L"a.jpg"); }));
    Sleep(1500);  // the decode ahead of b has ended

    // Ten steps at once: the caption names the tenth target (10 mod 4: c) at once and stays there.
    for (int i = 0; i < 10; ++i) program.postCommand(CMD_NEXT);
    EXPECT_TRUE(e2e::waitFor([&] { return photos.names(program.caption(), L"c.jpg"); }, 3000))
        << toUtf8(program.caption());
    EXPECT_TRUE(e2e::waitFor([&] { return program.statusText(4) == L"\t3/4"; }, 5000))
        << toUtf8(program.statusText(4));

    // Forty more, then close: the program ends without decoding what was passed over.
    for (int i = 0; i < 40; ++i) program.postCommand(CMD_NEXT);
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(program.close(20000));
    EXPECT_LT(GetTickCount64() - start, 4000u) << "closing waited behind the pictures";
    EXPECT_EQ(program.exitCode(), 0u);
}

}  // namespace
