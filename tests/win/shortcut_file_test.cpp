// Shortcut files through the shell's link object, on real files in a private temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <future>
#include <string>

#include "fileops/shortcut_file.h"
#include "win_test_support.h"

namespace {

class ShortcutFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(wintest::writeFile(target_, kJpeg)); }
    std::wstring at(const std::wstring& name) const { return folder_.file(name); }
    static void writeFile(const std::wstring& path, const std::string& bytes) { wintest::writeFile(path, bytes); }

    const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "not really a picture";
    const wintest::TempFolder folder_;
    const std::wstring target_ = folder_.file(L"photo.jpg");
};

TEST_F(ShortcutFileTest, TargetsRoundTripWithTheirFindDataAndReadWithoutResolving) {
    const std::wstring album = at(L"album");
    ASSERT_TRUE(CreateDirectoryW(album.c_str(), nullptr));
    // A target path of 250 characters, close to MAX_PATH.
    const std::wstring deepFolder = folder_.file(std::wstring(241 - folder_.path().size(), L'd'));
    ASSERT_TRUE(CreateDirectoryW(deepFolder.c_str(), nullptr));
    const std::wstring deep = deepFolder + L"\\pic.jpg";
    ASSERT_EQ(deep.size(), 250u);
    writeFile(deep, kJpeg);
    ShortcutFile links;
    ASSERT_TRUE(links.open());
    for (const std::wstring& target : {target_, album, deep}) {
        const std::wstring shortcut = target + L".lnk";
        ASSERT_TRUE(links.create(target, shortcut));
        for (bool resolve : {false, true}) {
            std::wstring read;
            ASSERT_TRUE(links.readTarget(shortcut, read, resolve));
            EXPECT_EQ(read, target);
            const WIN32_FIND_DATAW& data = links.targetData();
            EXPECT_EQ(data.cFileName, target.substr(target.rfind(L'\\') + 1));
            EXPECT_EQ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, target == album);
            if (target != album) EXPECT_EQ(data.nFileSizeLow, kJpeg.size());
            EXPECT_NE(data.ftLastWriteTime.dwLowDateTime | data.ftLastWriteTime.dwHighDateTime, 0u);
        }
    }
    // Without resolving, a moved target still reads as the recorded path.
    const std::wstring moved = at(L"moved.jpg");
    ASSERT_TRUE(MoveFileW(target_.c_str(), moved.c_str()));
    std::wstring read;
    ASSERT_TRUE(links.readTarget(target_ + L".lnk", read, false));
    EXPECT_EQ(read, target_);
    EXPECT_STREQ(links.targetData().cFileName, L"photo.jpg");
    // Creating fails without a target or into a missing folder, and the object stays usable.
    EXPECT_FALSE(links.create(moved, at(L"no-such-folder\\moved.lnk")));
    EXPECT_EQ(GetFileAttributesW(at(L"no-such-folder\\moved.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(links.create(L"", at(L"empty-target.lnk")));
    EXPECT_TRUE(links.create(moved, at(L"moved.lnk")));
}

TEST_F(ShortcutFileTest, NothingCarriesOverFromAnEarlierShortcut) {
    const std::wstring good = at(L"good.lnk");
    // A 76-byte header (its size, then the link class) with no parts: it loads but names no target.
    writeFile(at(L"bare.lnk"), std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20) +
                                   std::string(56, '\0'));
    ShortcutFile links;
    std::wstring read = L"unchanged";
    EXPECT_FALSE(links.readTarget(good, read, false)) << "not open yet";
    EXPECT_FALSE(links.create(target_, good)) << "not open yet";
    EXPECT_EQ(read, L"unchanged");
    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target_, good));
    for (const wchar_t* bad : {L"missing.lnk", L"bare.lnk", L""}) {
        for (bool resolve : {false, true}) {
            SCOPED_TRACE(testing::Message() << "after \"" << bad << "\", resolve " << resolve);
            ASSERT_TRUE(links.readTarget(good, read, false));
            ASSERT_EQ(read, target_);
            read = L"previous";
            EXPECT_FALSE(links.readTarget(*bad ? at(bad) : L"", read, resolve));
            EXPECT_EQ(read, L"previous");
            EXPECT_EQ(links.targetData().cFileName[0], L'\0');
            EXPECT_EQ(links.targetData().ftLastWriteTime.dwLowDateTime, 0u);
        }
    }
}

// Joins the multithreaded apartment and leaves it again: S_OK on a thread without COM, S_FALSE on
// one already in it, RPC_E_CHANGED_MODE on a thread left in a single-threaded apartment.
HRESULT tryComAgain() {
    const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(again)) CoUninitialize();
    return again;
}

TEST_F(ShortcutFileTest, OpenAndCloseBalanceTheThreadsCom) {
    {
        ShortcutFile a, b;
        ASSERT_TRUE(a.open() && b.open() && b.create(target_, at(L"b.lnk")));
        b.close();  // closing one leaves the other's COM in place
        std::wstring read;
        ASSERT_TRUE(a.readTarget(at(L"b.lnk"), read, false));
        EXPECT_EQ(read, target_);
    }
    // A fresh thread is left without COM; one already in the multithreaded apartment uses it and stays.
    const auto onThread = [](auto fn) { return std::async(std::launch::async, fn).get(); };
    EXPECT_TRUE(onThread([] { return [] { return ShortcutFile().open(); }() && tryComAgain() == S_OK; }));
    EXPECT_TRUE(onThread([&] {
        if (CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_OK) return false;
        std::wstring read;
        const bool ok = [&] {
            ShortcutFile links;
            return links.open() && links.readTarget(at(L"b.lnk"), read, false);
        }() && read == target_ && tryComAgain() == S_FALSE;
        CoUninitialize();
        return ok;
    }));
}

}  // namespace
