// The real program among other instances: with -single a new instance closes the others, which end
// cleanly. (The wallpaper, the clipboard, the tray icon and the hotkey are tested on their modules in
// tests/win.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "e2e/harness.h"

using e2e::Glimvue;

namespace {

const std::wstring kQuiet = L" -noslide -notransitions";

}  // namespace

TEST(Instances, SingleInstanceClosesTheOthers) {
    e2e::TempFolder pictures(L"single");
    pictures.addBmp(L"a.bmp", 120, 90, 0x208040);
    const std::wstring arguments = e2e::quoted(pictures.path()) + kQuiet;
    Glimvue first, second;
    ASSERT_TRUE(first.start(arguments));
    ASSERT_NE(first.waitForMainWindow(), nullptr);
    ASSERT_TRUE(second.start(arguments + L" -single"));
    ASSERT_NE(second.waitForMainWindow(), nullptr);
    EXPECT_TRUE(first.waitForExit());
    EXPECT_EQ(first.exitCode(), 0u);
    EXPECT_FALSE(second.waitForExit(1000)) << "the new instance runs on";
    EXPECT_TRUE(second.close());
}
