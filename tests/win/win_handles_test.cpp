// The handle owners: a move leaves the source empty and frees nothing twice, and the off-screen
// surface puts the context's own bitmap back before it deletes one of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "core/win_handles.h"

namespace {

bool isGdiObject(HGDIOBJ object) { return GetObjectType(object) != 0; }

TEST(WinHandles, MovingAnOwnerLeavesTheSourceEmptyAndFreesOnce) {
    GdiBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    const HBRUSH handle = brush.get();
    ASSERT_TRUE(isGdiObject(handle));
    GdiBrush moved(std::move(brush));
    EXPECT_FALSE(brush);
    EXPECT_EQ(moved.get(), handle);
    GdiBrush assigned;
    assigned = std::move(moved);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(isGdiObject(handle));
    assigned.reset();
    EXPECT_FALSE(isGdiObject(handle)) << "the brush outlived its owner";

    KernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();
    KernelHandle other = std::move(event);
    EXPECT_FALSE(event);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
    other.reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the event outlived its owner";

    FileHandle none;  // a failed CreateFileW result is empty and frees nothing
    EXPECT_FALSE(FileHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(none);
}

TEST(WinHandles, SelectedObjectPutsThePreviousOneBack) {
    const WindowDC screen(nullptr);
    ASSERT_TRUE(screen);
    MemoryDC dc(CreateCompatibleDC(screen.get()));
    const HGDIOBJ original = GetCurrentObject(dc.get(), OBJ_BRUSH);
    const GdiBrush brush(CreateSolidBrush(RGB(9, 9, 9)));
    {
        const SelectedObject selected(dc.get(), brush.get());
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), original);
}

TEST(WinHandles, SurfaceResizeDeselectsBeforeDeletingAndRestoresTheOriginalBitmap) {
    OffscreenSurface surface;
    const WindowDC screen(nullptr);
    ASSERT_TRUE(surface.create(screen.get()));
    const HGDIOBJ original = GetCurrentObject(surface.dc(), OBJ_BITMAP);
    ASSERT_TRUE(surface.resize(screen.get(), 40, 30));
    const HBITMAP first = surface.bitmap();
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_BITMAP), first);
    EXPECT_EQ(surface.width(), 40);
    EXPECT_EQ(surface.height(), 30);

    ASSERT_TRUE(surface.resize(screen.get(), 0, 0));  // an empty size still gets a 1 x 1 bitmap
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_BITMAP), surface.bitmap());
    EXPECT_FALSE(isGdiObject(first)) << "the replaced bitmap was not deleted";

    // No bitmap of this size can be made: the old one goes all the same, the original is back.
    const HBITMAP second = surface.bitmap();
    EXPECT_FALSE(surface.resize(screen.get(), 1 << 30, 1 << 30));
    EXPECT_FALSE(surface.hasBitmap());
    EXPECT_EQ(surface.width(), 0);
    EXPECT_EQ(GetCurrentObject(surface.dc(), OBJ_BITMAP), original);
    EXPECT_FALSE(isGdiObject(second));

    ASSERT_TRUE(surface.resize(screen.get(), 8, 8));
    OffscreenSurface moved(std::move(surface));
    EXPECT_EQ(surface.dc(), nullptr);
    EXPECT_FALSE(surface.hasBitmap());
    const HBITMAP third = moved.bitmap();
    const HDC dc = moved.dc();
    moved.release();
    EXPECT_FALSE(isGdiObject(third));
    EXPECT_FALSE(isGdiObject(dc));
}

}  // namespace
