// Shortcut files through the shell's link object, on real files in a private temporary folder.
#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "fileops/shortcut_file.h"

namespace {

class ShortcutFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        const std::string name = "glimvue-lnk-" + std::to_string(GetCurrentProcessId()) + "-";
        folder_ = (std::filesystem::temp_directory_path() / (name + std::to_string(++counter))).wstring();
        ASSERT_TRUE(std::filesystem::create_directory(folder_));
        target_ = at(L"photo.jpg");
        writeFile(target_, kJpeg);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    std::wstring at(const std::wstring& name) const { return folder_ + L"\\" + name; }
    static void writeFile(const std::wstring& path, const std::string& bytes) {
        std::ofstream(path.c_str(), std::ios::binary) << bytes;
    }

    const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + "not really a picture";
    std::wstring folder_, target_;
};

// Runs fn on a shell-link object of its own (COM already initialised on this thread).
template <class Fn>
bool withShellLink(Fn fn) {
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    const bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                               reinterpret_cast<void**>(&link))) &&
                    SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                    fn(link, file);
    if (file) file->Release();
    if (link) link->Release();
    return ok;
}

TEST_F(ShortcutFileTest, TargetsRoundTripWithTheirFindDataAndReadWithoutResolving) {
    const std::wstring album = at(L"album");
    ASSERT_TRUE(CreateDirectoryW(album.c_str(), nullptr));
    // A target path close to MAX_PATH: nested folders, then a name padding it to 250 characters.
    std::wstring deep = folder_;
    while (deep.size() + 71 < 250) deep += L"\\" + std::wstring(40, L'd');
    ASSERT_TRUE(std::filesystem::create_directories(deep));
    deep += L"\\" + std::wstring(250 - deep.size() - 5, L'p') + L".jpg";
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
    std::string noise;
    for (int i = 0; i < 512; ++i) noise += static_cast<char>((i * 7919 + 13) & 0xFF);
    writeFile(at(L"garbage.lnk"), noise);
    writeFile(at(L"empty.lnk"), "");
    // A valid 76-byte header (size, then the link class 00021401-0000-0000-C000-000000000046) with
    // no parts: the file loads but names no target.
    writeFile(at(L"bare.lnk"), std::string("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20) +
                                   std::string(56, '\0'));

    ShortcutFile links;
    std::wstring read = L"unchanged";
    EXPECT_FALSE(links.readTarget(good, read, false)) << "not open yet";
    EXPECT_FALSE(links.create(target_, good)) << "not open yet";
    EXPECT_EQ(read, L"unchanged");

    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target_, good));
    for (const wchar_t* bad : {L"garbage.lnk", L"missing.lnk", L"empty.lnk", L"bare.lnk", L""}) {
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

    // A shortcut made after reading one with arguments takes none of them.
    const std::wstring withArguments = at(L"with-arguments.lnk"), plain = at(L"plain.lnk");
    ASSERT_TRUE(withShellLink([&](IShellLinkW* link, IPersistFile* file) {
        return SUCCEEDED(link->SetPath(target_.c_str())) && SUCCEEDED(link->SetArguments(L"/slideshow")) &&
               SUCCEEDED(file->Save(withArguments.c_str(), TRUE));
    }));
    ASSERT_TRUE(links.readTarget(withArguments, read, false));
    ASSERT_TRUE(links.create(target_, plain));
    for (const auto& [shortcut, expected] : {std::pair{withArguments, L"/slideshow"}, std::pair{plain, L""}}) {
        wchar_t arguments[MAX_PATH + 1] = L"<unread>";
        EXPECT_TRUE(withShellLink([&](IShellLinkW* link, IPersistFile* file) {
            return SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
                   SUCCEEDED(link->GetArguments(arguments, MAX_PATH));
        }));
        EXPECT_STREQ(arguments, expected);
    }
}

// Runs fn on a new thread and returns its answer.
template <typename Fn>
bool onThread(Fn fn) {
    bool result = false;
    std::thread([&] { result = fn(); }).join();
    return result;
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
    // A fresh thread is left without COM; a thread already in the multithreaded apartment can use
    // the object and stays in it.
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
