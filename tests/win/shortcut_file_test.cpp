// Shortcut files through the shell's link object, on real files in a private temporary folder.
#include <windows.h>

#include <objbase.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "fileops/shortcut_file.h"

namespace {

void removeTree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

class TempFolder {
public:
    TempFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathW(MAX_PATH, temp);
        std::wstring base(temp, length < MAX_PATH ? length : 0);
        if (!base.empty() && base.back() != L'\\') base += L'\\';
        static LONG counter = 0;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const std::wstring candidate = base + L"glimvue-lnk-" +
                                           std::to_wstring(GetCurrentProcessId()) + L"-" +
                                           std::to_wstring(InterlockedIncrement(&counter));
            if (CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~TempFolder() {
        if (!path_.empty()) removeTree(path_);
    }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

bool writeFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

bool exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

ULONGLONG fileTime(const FILETIME& time) {
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Wine's shell link differs from Windows': it records no target attributes, times or size in the
// file, GetPath fills the find data from the target as it is now on disk, and Resolve answers S_OK
// without searching even when the target has gone. Checks of those Windows behaviours are skipped
// when running under Wine.
bool runningUnderWine() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

const std::string kJpegBytes = std::string("\xFF\xD8\xFF\xE0", 4) + "not really a picture";

// Reads the arguments stored in a shortcut, straight through the shell (COM already initialised).
std::wstring storedArguments(const std::wstring& shortcut) {
    std::wstring result = L"<unreadable>";
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return result;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        wchar_t arguments[MAX_PATH + 1] = {};
        if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetArguments(arguments, MAX_PATH)))
            result = arguments;
        file->Release();
    }
    link->Release();
    return result;
}

// Writes a shortcut with arguments and a description, which ShortcutFile::create never sets.
bool createWithArguments(const std::wstring& target, const std::wstring& shortcut) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool ok = false;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        ok = SUCCEEDED(link->SetPath(target.c_str())) &&
             SUCCEEDED(link->SetArguments(L"/slideshow")) &&
             SUCCEEDED(link->SetDescription(L"left over")) &&
             SUCCEEDED(file->Save(shortcut.c_str(), TRUE));
        file->Release();
    }
    link->Release();
    return ok;
}

TEST(ShortcutFileTest, FileTargetRoundTripsWithRecordedFindData) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring target = folder / L"photo.jpg";
    const std::wstring shortcut = folder / L"photo.jpg.lnk";
    ASSERT_TRUE(writeFile(target, kJpegBytes));

    ShortcutFile links;
    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target, shortcut));
    ASSERT_TRUE(exists(shortcut));

    std::wstring read = L"unchanged";
    ASSERT_TRUE(links.readTarget(shortcut, read, false));
    EXPECT_EQ(read, target);
    const WIN32_FIND_DATAW& data = links.targetData();
    EXPECT_EQ(std::wstring(data.cFileName), L"photo.jpg");
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(data.nFileSizeLow, kJpegBytes.size());
    EXPECT_NE(fileTime(data.ftCreationTime), 0u);
    EXPECT_NE(fileTime(data.ftLastWriteTime), 0u);
    EXPECT_NE(fileTime(data.ftLastAccessTime), 0u);

    // Resolving a shortcut whose target is in place gives the same path.
    read.clear();
    ASSERT_TRUE(links.readTarget(shortcut, read, true));
    EXPECT_EQ(read, target);
    EXPECT_EQ(std::wstring(links.targetData().cFileName), L"photo.jpg");
}

TEST(ShortcutFileTest, FolderTargetIsReportedAsFolder) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring target = folder / L"album";
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const std::wstring shortcut = folder / L"album.lnk";

    ShortcutFile links;
    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target, shortcut));
    std::wstring read;
    ASSERT_TRUE(links.readTarget(shortcut, read, false));
    EXPECT_EQ(read, target);
    EXPECT_NE(links.targetData().dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(std::wstring(links.targetData().cFileName), L"album");
}

TEST(ShortcutFileTest, NothingCarriesOverFromAnEarlierShortcut) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring target = folder / L"good.jpg";
    const std::wstring good = folder / L"good.lnk";
    ASSERT_TRUE(writeFile(target, kJpegBytes));
    std::string noise;
    for (int i = 0; i < 512; ++i) noise += static_cast<char>((i * 7919 + 13) & 0xFF);
    ASSERT_TRUE(writeFile(folder / L"garbage.lnk", noise));
    ASSERT_TRUE(writeFile(folder / L"empty.lnk", ""));
    // A valid 76-byte header with no parts: the file loads but names no target.
    std::string header(76, '\0');
    header[0] = 0x4C;
    const unsigned char linkClass[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    for (int i = 0; i < 16; ++i) header[4 + i] = static_cast<char>(linkClass[i]);
    ASSERT_TRUE(writeFile(folder / L"bare.lnk", header));

    ShortcutFile links;
    std::wstring read = L"unchanged";
    EXPECT_FALSE(links.readTarget(good, read, false)) << "not open yet";
    EXPECT_EQ(read, L"unchanged");
    EXPECT_FALSE(links.create(target, good)) << "not open yet";

    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target, good));
    for (const wchar_t* bad : {L"garbage.lnk", L"missing.lnk", L"empty.lnk", L"bare.lnk"}) {
        SCOPED_TRACE(testing::Message() << "after " << std::string(bad, bad + wcslen(bad)));
        for (bool resolve : {false, true}) {
            read = L"unchanged";
            ASSERT_TRUE(links.readTarget(good, read, false));
            ASSERT_EQ(read, target);
            read = L"previous";
            EXPECT_FALSE(links.readTarget(folder / bad, read, resolve));
            EXPECT_EQ(read, L"previous");
            EXPECT_EQ(links.targetData().cFileName[0], L'\0');
            EXPECT_EQ(fileTime(links.targetData().ftLastWriteTime), 0u);
        }
    }
    EXPECT_FALSE(links.readTarget(L"", read, false));

    // A shortcut made after reading another one takes nothing from it.
    ASSERT_TRUE(createWithArguments(target, folder / L"with-arguments.lnk"));
    ASSERT_TRUE(links.readTarget(folder / L"with-arguments.lnk", read, false));
    ASSERT_TRUE(links.create(target, folder / L"plain.lnk"));
    EXPECT_EQ(storedArguments(folder / L"with-arguments.lnk"), L"/slideshow");
    EXPECT_EQ(storedArguments(folder / L"plain.lnk"), L"");
}

TEST(ShortcutFileTest, MovedTargetKeepsRecordedPathWithoutResolving) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring target = folder / L"before.jpg";
    const std::wstring shortcut = folder / L"before.lnk";
    ASSERT_TRUE(writeFile(target, kJpegBytes));

    ShortcutFile links;
    ASSERT_TRUE(links.open());
    ASSERT_TRUE(links.create(target, shortcut));
    ASSERT_TRUE(MoveFileW(target.c_str(), (folder / L"after.jpg").c_str()));

    std::wstring read;
    ASSERT_TRUE(links.readTarget(shortcut, read, false));
    EXPECT_EQ(read, target);
    EXPECT_EQ(std::wstring(links.targetData().cFileName), L"before.jpg");
    if (!runningUnderWine()) {
        // Windows reports the find data recorded when the shortcut was made.
        EXPECT_EQ(links.targetData().nFileSizeLow, kJpegBytes.size());
        EXPECT_NE(fileTime(links.targetData().ftLastWriteTime), 0u);
    }

    // With the target gone altogether, resolving must either fail (leaving the output alone) or
    // give some path; it must not report a target it did not read. Windows' silent search fails
    // here or finds some match; Wine succeeds with the recorded path without searching.
    ASSERT_TRUE(DeleteFileW((folder / L"after.jpg").c_str()));
    read = L"previous";
    if (links.readTarget(shortcut, read, true))
        EXPECT_FALSE(read.empty());
    else
        EXPECT_EQ(read, L"previous");
    // The shortcut itself still reads without resolving.
    ASSERT_TRUE(links.readTarget(shortcut, read, false));
    EXPECT_EQ(read, target);
}

TEST(ShortcutFileTest, TargetPathNearTheLimitRoundTrips) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    // Nest folders until the target path is 250 characters long.
    std::wstring parent = folder.path();
    const std::wstring name = L"picture.jpg";
    while (parent.size() + 1 + name.size() < 250) {
        const size_t room = 250 - (parent.size() + 1 + name.size());
        const size_t part = room > 41 ? 40 : room - 1;
        if (part == 0) {
            parent += L"x";  // make up a one-character difference in the last folder name
            ASSERT_TRUE(MoveFileW(parent.substr(0, parent.size() - 1).c_str(), parent.c_str()));
            continue;
        }
        parent += L"\\" + std::wstring(part, L'd');
        ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr));
    }
    const std::wstring target = parent + L"\\" + name;
    ASSERT_EQ(target.size(), 250u);
    ASSERT_TRUE(writeFile(target, kJpegBytes));

    ShortcutFile links;
    ASSERT_TRUE(links.open());
    const std::wstring shortcut = folder / L"deep.lnk";
    ASSERT_TRUE(links.create(target, shortcut));
    std::wstring read;
    ASSERT_TRUE(links.readTarget(shortcut, read, false));
    EXPECT_EQ(read, target);
    EXPECT_EQ(std::wstring(links.targetData().cFileName), name);
}

TEST(ShortcutFileTest, CreateIntoMissingFolderFails) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring target = folder / L"photo.jpg";
    ASSERT_TRUE(writeFile(target, kJpegBytes));
    const std::wstring shortcut = folder / L"no-such-folder\\photo.lnk";

    ShortcutFile links;
    ASSERT_TRUE(links.open());
    EXPECT_FALSE(links.create(target, shortcut));
    EXPECT_FALSE(exists(shortcut));
    EXPECT_FALSE(links.create(L"", folder / L"empty-target.lnk"));
    // The object stays usable after the failure.
    EXPECT_TRUE(links.create(target, folder / L"photo.lnk"));
}

// Runs fn on a new thread and returns what it returned.
template <typename Fn>
bool onThread(Fn fn) {
    bool result = false;
    std::thread worker([&] { result = fn(); });
    worker.join();
    return result;
}

TEST(ShortcutFileTest, ObjectsShareOneThreadOrRunOnTheirOwn) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::wstring first = folder / L"first.jpg";
    const std::wstring second = folder / L"second.jpg";
    ASSERT_TRUE(writeFile(first, kJpegBytes));
    ASSERT_TRUE(writeFile(second, kJpegBytes));

    {
        ShortcutFile a, b;
        ASSERT_TRUE(a.open());
        ASSERT_TRUE(b.open());
        ASSERT_TRUE(a.create(first, folder / L"first.lnk"));
        ASSERT_TRUE(b.create(second, folder / L"second.lnk"));
        b.close();  // closing one leaves the other's COM in place
        std::wstring read;
        ASSERT_TRUE(a.readTarget(folder / L"second.lnk", read, false));
        EXPECT_EQ(read, second);
    }

    // Two threads, each with its own object, reading at the same time.
    auto reader = [&folder](const std::wstring& name, const std::wstring& expected, bool* ok) {
        ShortcutFile links;
        *ok = links.open();
        for (int i = 0; i < 50 && *ok; ++i) {
            std::wstring read;
            *ok = links.readTarget(folder / name, read, false) && read == expected;
        }
    };
    bool firstOk = false, secondOk = false;
    std::thread one(reader, L"first.lnk", first, &firstOk);
    std::thread two(reader, L"second.lnk", second, &secondOk);
    one.join();
    two.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);

    // open/close leaves the thread's COM state as it found it: fully uninitialised afterwards on a
    // fresh thread, still initialised on a thread that had joined the multithreaded apartment.
    EXPECT_TRUE(onThread([] {
        {
            ShortcutFile links;
            if (!links.open()) return false;
        }
        const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again)) CoUninitialize();
        return again == S_OK;
    }));
    EXPECT_TRUE(onThread([&] {
        if (CoInitializeEx(nullptr, COINIT_MULTITHREADED) != S_OK) return false;
        bool ok = false;
        {
            ShortcutFile links;
            std::wstring read;
            ok = links.open() && links.readTarget(folder / L"first.lnk", read, false) &&
                 read == first;
        }
        const HRESULT again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again)) CoUninitialize();
        CoUninitialize();
        return ok && again == S_FALSE;
    }));
}

}  // namespace
