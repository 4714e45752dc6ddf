// The extensions of the system's decoders, and how a name is matched against them.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "exhibit/exhibit.h"
#include "exhibit/system_formats.h"

TEST(SystemFormats, DecoderListsGiveNewLowerCaseExtensionsOnce) {
    const std::vector<std::wstring> lists = {
        L".bmp,.dib,.rle",           // BMP's: only what the program does not read itself
        L".DDS",                     // upper case
        L" .webp , heic,.HEIF,,",    // blanks, a missing ".", empty items
        L".jpg,.jpeg,.jpe,.jfif",    // JPEG's
        L".dds,.tif,.TIFF",          // repeats and built-ins
        L".a.b,*.x,.c d,.e\\f,.ok",  // nothing that cannot be an extension
        L"",
    };
    EXPECT_EQ(systemExtensionsFrom(lists), (std::vector<std::wstring>{L".dib", L".rle", L".dds", L".webp", L".heic",
                                                                       L".heif", L".jpe", L".jfif", L".ok"}));
    EXPECT_TRUE(systemExtensionsFrom({}).empty());
    EXPECT_EQ(extensionOf(L"C:\\a.b\\Photo.WebP"), L".webp");
    EXPECT_EQ(extensionOf(L"noext"), L"");
    EXPECT_TRUE(isBuiltInExtension(L".JPEG"));
    EXPECT_FALSE(isBuiltInExtension(L".dds"));
}

TEST(SystemFormats, NamesOfSystemFormatsAreAcceptedOnceKnownAndWhileSwitchedOn) {
    auto system = std::make_shared<SystemExtensions>();
    FormatSwitches formats;
    formats.systemFormats = system;
    // Not yet known: nothing of a system format is accepted; what may be one waits.
    EXPECT_FALSE(isAcceptedImage(L"x.dds", formats));
    EXPECT_TRUE(awaitsSystemFormats(L"x.DDS", formats));
    EXPECT_TRUE(awaitsSystemFormats(L"notes.txt", formats));
    EXPECT_FALSE(awaitsSystemFormats(L"x.jpg", formats));  // the program's own: decided already
    EXPECT_FALSE(awaitsSystemFormats(L"x.tif", formats));  // switched off, still the program's own
    EXPECT_FALSE(awaitsSystemFormats(L"x.lnk", formats));
    EXPECT_FALSE(awaitsSystemFormats(L"noext", formats));
    EXPECT_FALSE(awaitsSystemFormats(L"dot.", formats));
    EXPECT_TRUE(isAcceptedImage(L"x.jpg", formats));

    std::thread([&] { system->publish(systemExtensionsFrom({L".dds,.webp"})); }).join();
    EXPECT_TRUE(system->waitUntilKnown(std::chrono::milliseconds(0)));
    system->publish({L".txt"});  // once known, the list stays
    EXPECT_EQ(system->extensions(), (std::vector<std::wstring>{L".dds", L".webp"}));
    EXPECT_TRUE(isAcceptedImage(L"D:\\p\\x.DdS", formats));
    EXPECT_TRUE(isAcceptedImage(L"y.webp", formats));
    EXPECT_FALSE(isAcceptedImage(L"notes.txt", formats));
    EXPECT_FALSE(isAcceptedImage(L"x.dds.bak", formats));
    EXPECT_FALSE(awaitsSystemFormats(L"x.dds", formats));  // known: nothing waits

    formats.wic = false;
    EXPECT_FALSE(isAcceptedImage(L"x.dds", formats));
    EXPECT_TRUE(isAcceptedImage(L"x.png", formats));
    formats.wic = true;
    formats.tif = true;
    EXPECT_TRUE(isAcceptedImage(L"x.TIFF", formats));
    formats.systemFormats.reset();
    EXPECT_FALSE(isAcceptedImage(L"x.dds", formats));
    EXPECT_FALSE(awaitsSystemFormats(L"x.dds", formats));
}

TEST(SystemFormats, WaitingForAListThatNeverComesEndsInTime) {
    SystemExtensions never;
    EXPECT_FALSE(never.known());
    EXPECT_FALSE(never.waitUntilKnown(std::chrono::milliseconds(20)));
    EXPECT_TRUE(never.extensions().empty());
    EXPECT_FALSE(never.contains(L".dds"));
}
