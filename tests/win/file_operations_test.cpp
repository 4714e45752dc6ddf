// The operations on the current file, on real files: what they write, ask, report and tell the
// caller to do to the exhibit, and that a fault leaves every file as it was.
#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <gtest/gtest.h>

#include <string>

#include "display/view_image.h"
#include "file_ops_fixture.h"
#include "fileops/shortcut_file.h"

using namespace fileops_test;

namespace {

class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(exists(tree.root()));
        pics = tree.folder(L"pics");
        archive = tree.folder(L"archive");
        favorites = tree.folder(L"favorites");
        photo = pics + L"\\photo.jpg";
        ASSERT_TRUE(writeFile(photo, content("photo")));
        logPath = tree / L"archived.log";
    }

    // An operation's outcome and the message it showed last.
    ::testing::AssertionResult fails(const FileOpResult& result, FileOpOutcome outcome, const std::wstring& message) {
        if (result.outcome == outcome && test.messages.last() == message) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "outcome " << int(result.outcome) << ", message "
                                             << ::testing::PrintToString(test.messages.last());
    }
    ArchiveRequest archiveRequest(const std::wstring& path, std::wstring& folder, bool confirm = true) const {
        return ArchiveRequest{path, &folder, logPath, confirm, true};
    }

    Imaging imaging;
    Tree tree;
    TestContext test;
    std::wstring pics, archive, favorites, photo, logPath;
};

TEST_F(FileOperationsTest, ArchiveAsksForTheFolderAndHonoursCancelAndTheLogSwitch) {
    // Cancel at the question: nothing moves, no folder is asked, no log is started.
    std::wstring folder;
    test.messages.answers = {IDCANCEL};
    FileOpResult result = archiveFile(test.context, archiveRequest(photo, folder));
    EXPECT_EQ(result.outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(result.change, ExhibitChange::None);
    EXPECT_TRUE(test.chooserTitles.empty());
    EXPECT_TRUE(exists(photo));
    EXPECT_FALSE(exists(logPath));

    // No folder set and none chosen: nothing happens.
    result = archiveFile(test.context, archiveRequest(photo, folder));
    EXPECT_EQ(result.outcome, FileOpOutcome::NoFolder);
    ASSERT_EQ(test.chooserTitles.size(), 1u);
    EXPECT_EQ(test.chooserTitles[0], L"Set the archive folder");
    EXPECT_TRUE(exists(photo));
    EXPECT_EQ(test.releases, 0);

    // The folder chosen then is kept in the setting; with the log off no log is written.
    test.chosenFolder = archive;
    ArchiveRequest request = archiveRequest(photo, folder);
    request.log = false;
    result = archiveFile(test.context, request);
    ASSERT_TRUE(result.done()) << test.messages.last();
    EXPECT_EQ(folder, archive);
    EXPECT_TRUE(exists(archive + L"\\photo.jpg"));
    EXPECT_FALSE(exists(logPath));
}

// A file of the destination's name that cannot be opened for reading is still there: it must not be
// taken for a free name and replaced.
TEST_F(FileOperationsTest, LockedOrUnreadableFilesOfTheDestinationNameAreLeftAsTheyWere) {
    struct Lock {
        const wchar_t* how;
        DWORD access, share;
    };
    for (const Lock& lock : {Lock{L"locked", GENERIC_READ, 0}, Lock{L"unreadable", GENERIC_WRITE, FILE_SHARE_WRITE}}) {
        SCOPED_TRACE(lock.how);
        const std::wstring folder = tree.folder(std::wstring(L"dest-") + lock.how);
        const std::string theirs = content(std::string("theirs-") + char('a' + lock.share));
        const std::wstring taken[] = {folder + L"\\photo.jpg", folder + L"\\photo.jpg.lnk"};
        std::vector<HANDLE> handles;
        for (const std::wstring& path : taken) {
            ASSERT_TRUE(writeFile(path, theirs));
            handles.push_back(CreateFileW(path.c_str(), lock.access, lock.share, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_NE(handles.back(), INVALID_HANDLE_VALUE);
            // What would have counted as free before: the name cannot be opened for reading.
            FILE* probe = _wfopen(path.c_str(), L"rb");
            EXPECT_EQ(probe, nullptr);
            if (probe) fclose(probe);
        }

        std::wstring archiveFolder = folder;
        const FileOpResult copied = sendCopy(test.context, folder, photo);
        EXPECT_TRUE(copied.done()) << test.messages.last();
        EXPECT_EQ(copied.path, folder + L"\\photo-01.jpg");
        const FileOpResult linked = sendShortcut(test.context, folder, photo);
        EXPECT_TRUE(linked.done()) << test.messages.last();
        EXPECT_EQ(linked.path, folder + L"\\photo.jpg-01.lnk");
        const FileOpResult archived = archiveFile(test.context, archiveRequest(photo, archiveFolder, false));
        EXPECT_TRUE(archived.done()) << test.messages.last();
        EXPECT_EQ(archived.path, folder + L"\\photo-02.jpg");

        for (HANDLE handle : handles) CloseHandle(handle);
        for (const std::wstring& path : taken) EXPECT_EQ(readFile(path), theirs);
        EXPECT_EQ(readFile(folder + L"\\photo-02.jpg"), content("photo"));
        ASSERT_TRUE(writeFile(photo, content("photo")));
    }
}

TEST_F(FileOperationsTest, NoFreeNameUpToNinetyNineFailsWithTheMessages) {
    ASSERT_TRUE(writeFile(favorites + L"\\photo.jpg", "0"));
    ASSERT_TRUE(writeFile(favorites + L"\\photo.jpg.lnk", "0"));
    for (int n = 1; n <= 99; ++n) {
        const std::wstring number = (n < 10 ? L"0" : L"") + std::to_wstring(n);
        ASSERT_TRUE(writeFile(favorites + L"\\photo-" + number + L".jpg", "0"));
        ASSERT_TRUE(writeFile(favorites + L"\\photo.jpg-" + number + L".lnk", "0"));
    }
    const auto before = tree.snapshot();
    std::wstring folder = favorites;
    EXPECT_TRUE(fails(sendCopy(test.context, favorites, photo), FileOpOutcome::NoFreeName, L"Copy failed"));
    EXPECT_TRUE(fails(sendShortcut(test.context, favorites, photo),
                      FileOpOutcome::NoFreeName, L"Create shortcut failed"));
    const FileOpResult archived = archiveFile(test.context, archiveRequest(photo, folder, false));
    EXPECT_EQ(archived.outcome, FileOpOutcome::NoFreeName);
    EXPECT_EQ(archived.redisplay, Redisplay::RefreshLayout);
    EXPECT_EQ(test.messages.last(), L"Archive operation failed");
    EXPECT_EQ(test.messages.shown.back().style, UINT(kExclamation));
    EXPECT_EQ(test.releases, 0);
    auto after = tree.snapshot();
    after.erase(L"archived.log");  // started before the move is tried
    EXPECT_EQ(after, before);
}

// The first drive letter nothing is mapped to.
std::wstring missingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter > L'D'; --letter)
        if (!(drives & (1u << (letter - L'A')))) return std::wstring(1, letter) + L":\\";
    return {};
}

// Each operation toward a destination that cannot take the file, and from a file removed just
// before: its own message, and every file as it was.
TEST_F(FileOperationsTest, FaultsReportAndChangeNoFile) {
    const std::wstring drive = missingDrive();
    ASSERT_FALSE(drive.empty());
    const std::wstring destinations[] = {drive + L"photos", tree / L"no\\such\\folder"};
    for (const std::wstring& destination : destinations) {
        SCOPED_TRACE(destination);
        DeleteFileW(logPath.c_str());
        const auto before = tree.snapshot();
        std::wstring folder = destination;
        test.messages.reset();
        EXPECT_TRUE(fails(sendCopy(test.context, destination, photo), FileOpOutcome::Failed, L"Copy failed"));
        EXPECT_TRUE(fails(sendShortcut(test.context, destination, photo),
                          FileOpOutcome::Failed, L"Create shortcut failed"));
        FileOpResult result = archiveFile(test.context, archiveRequest(photo, folder, false));
        EXPECT_EQ(result.outcome, FileOpOutcome::Failed);
        EXPECT_EQ(result.change, ExhibitChange::None);
        EXPECT_EQ(result.redisplay, Redisplay::ShowCurrent) << "the image was released for the move";
        EXPECT_EQ(test.messages.last(), L"Archive operation failed");
        result = copyOrMoveTo(test.context, photo, destination + L"\\renamed.jpg", true);
        EXPECT_EQ(result.outcome, FileOpOutcome::Failed);
        EXPECT_EQ(result.change, ExhibitChange::None);
        EXPECT_EQ(test.messages.last(), L"Move/Rename failed");
        EXPECT_TRUE(fails(copyOrMoveTo(test.context, photo, destination + L"\\copy.jpg", false),
                          FileOpOutcome::Failed, L"Copy failed"));
        EXPECT_EQ(test.messages.shown.size(), 5u);
        auto after = tree.snapshot();
        after.erase(L"archived.log");
        EXPECT_EQ(after, before);
        EXPECT_EQ(readFile(logPath), "\xFF\xFE") << "the log is started, but holds no record of a failed move";
    }

    // The file was removed by another program just before the command.
    ASSERT_TRUE(DeleteFileW(photo.c_str()));
    ASSERT_TRUE(DeleteFileW(logPath.c_str()));
    const auto before = tree.snapshot();
    std::wstring folder = archive;
    test.messages.reset();
    test.releases = 0;
    EXPECT_TRUE(fails(recycleFile(test.context, photo, false), FileOpOutcome::SourceMissing, L"Recycle failed"));
    EXPECT_TRUE(fails(archiveFile(test.context, archiveRequest(photo, folder, false)),
                      FileOpOutcome::SourceMissing, L"Archive operation failed"));
    EXPECT_TRUE(fails(sendCopy(test.context, favorites, photo), FileOpOutcome::SourceMissing, L"Copy failed"));
    EXPECT_TRUE(fails(sendShortcut(test.context, favorites, photo),
                      FileOpOutcome::SourceMissing, L"Create shortcut failed"));
    EXPECT_TRUE(fails(copyOrMoveTo(test.context, photo, pics + L"\\x.jpg", true),
                      FileOpOutcome::SourceMissing, L"Move/Rename failed"));
    EXPECT_EQ(test.messages.shown.size(), 5u);
    EXPECT_EQ(test.releases, 0);
    auto after = tree.snapshot();
    after.erase(L"archived.log");  // the log is started before the move, as with any archive command
    EXPECT_EQ(after, before);

}

// A folder of the host outside the build tree for the faults that need the host's help, so that
// one left behind by a crashed run cannot stand in the way of removing the build folder.
class HostFolder {
public:
    explicit HostFolder(const std::wstring& purpose)
        : host_(L"/tmp/glimvue-" + purpose + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount())) {
        if (runHost(L"mkdir -p '" + host_ + L"'") != 0) return;
        path_ = windowsPathOfHost(std::string(host_.begin(), host_.end()));
        if (path_.rfind(L"\\\\?\\", 0) == 0) path_.erase(0, 4);
        if (!exists(path_)) path_.clear();
    }
    ~HostFolder() {
        if (!path_.empty()) removeTree(path_);
    }
    HostFolder(const HostFolder&) = delete;
    const std::wstring& path() const { return path_; }  // empty when the host gave none
    const std::wstring& host() const { return host_; }

private:
    std::wstring host_, path_;
};

// A folder in which nothing may be created, even by the administrator (the host's immutable flag),
// holding one file written before.
class ReadOnlyFolder {
public:
    ReadOnlyFolder() : folder_(L"readonly") {
        if (folder_.path().empty() || !writeFile(folder_.path() + L"\\old.jpg", content("old"))) return;
        runHost(L"chattr +i '" + folder_.host() + L"' 2>/dev/null");
        const std::wstring probe = folder_.path() + L"\\probe";
        HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            active_ = true;
        } else {
            CloseHandle(file);
            DeleteFileW(probe.c_str());
        }
    }
    ~ReadOnlyFolder() { runHost(L"chattr -i '" + folder_.host() + L"' 2>/dev/null"); }
    bool active() const { return active_; }
    const std::wstring& path() const { return folder_.path(); }

private:
    HostFolder folder_;
    bool active_ = false;
};

TEST_F(FileOperationsTest, ReadOnlyArchiveFolderFailsTheMoveAndKeepsTheFile) {
    ReadOnlyFolder readOnly;
    if (!readOnly.active()) GTEST_SKIP() << "this host cannot make a folder read-only for the administrator";
    const auto before = tree.snapshot();
    const auto archiveBefore = Tree::snapshotOf(readOnly.path());
    std::wstring folder = readOnly.path();
    const FileOpResult result = archiveFile(test.context, archiveRequest(photo, folder, false));
    EXPECT_EQ(result.outcome, FileOpOutcome::Failed);
    EXPECT_EQ(result.change, ExhibitChange::None);
    EXPECT_EQ(test.messages.last(), L"Archive operation failed");
    EXPECT_TRUE(fails(sendCopy(test.context, readOnly.path(), photo), FileOpOutcome::Failed, L"Copy failed"));
    auto after = tree.snapshot();
    EXPECT_EQ(after.erase(L"archived.log"), 1u);
    EXPECT_EQ(readFile(logPath), "\xFF\xFE") << "the log holds no record of a move that failed";
    EXPECT_EQ(after, before);
    EXPECT_EQ(Tree::snapshotOf(readOnly.path()), archiveBefore);
}

// A small drive of the host, holding one file, with no free space left.
class FullDrive {
public:
    FullDrive() : folder_(L"full") {
        if (folder_.path().empty()) return;
        mounted_ = runHost(L"mount -t tmpfs -o size=256k glimvue-test '" + folder_.host() + L"' 2>/dev/null") == 0 &&
                   runHost(L"mountpoint -q '" + folder_.host() + L"'") == 0;
        if (!mounted_ || !writeFile(path() + L"\\kept.jpg", content("kept", 5000))) return;
        // Fill what is left, so that the next write fails for want of space.
        runHost(L"dd if=/dev/zero of='" + folder_.host() + L"/filler' bs=4096 2>/dev/null; sync");
        full_ = true;
    }
    ~FullDrive() {
        if (mounted_) runHost(L"umount '" + folder_.host() + L"' 2>/dev/null");
    }
    bool full() const { return full_; }
    const std::wstring& path() const { return folder_.path(); }

private:
    HostFolder folder_;
    bool mounted_ = false, full_ = false;
};

TEST_F(FileOperationsTest, FullDriveFailsEveryWriteAndKeepsWhatWasThere) {
    FullDrive drive;
    if (!drive.full()) GTEST_SKIP() << "this host cannot mount a small drive";
    const std::wstring full = drive.path();
    const std::string big = content("big", 64 * 1024);
    ASSERT_TRUE(writeFile(photo, big));
    const auto before = tree.snapshot();
    const auto driveBefore = Tree::snapshotOf(full);

    EXPECT_TRUE(fails(sendCopy(test.context, full, photo), FileOpOutcome::Failed, L"Copy failed"));
    EXPECT_TRUE(fails(sendShortcut(test.context, full, photo), FileOpOutcome::Failed, L"Create shortcut failed"));
    std::wstring folder = full;
    EXPECT_TRUE(fails(archiveFile(test.context, archiveRequest(photo, folder, false)),
                      FileOpOutcome::Failed, L"Archive operation failed"));
    // Replacing a file the user chose: the old one stays whole when the new one cannot be written.
    EXPECT_TRUE(fails(copyOrMoveTo(test.context, photo, full + L"\\kept.jpg", false),
                      FileOpOutcome::Failed, L"Copy failed"));
    EXPECT_TRUE(fails(copyOrMoveTo(test.context, photo, full + L"\\kept.jpg", true),
                      FileOpOutcome::Failed, L"Move/Rename failed"));
    EXPECT_NE(rewriteFile(full + L"\\kept.jpg", [&](const std::wstring& t) { return writeFile(t, big); }), 0u);
    HBITMAP view = CreateBitmap(64, 64, 1, 32, nullptr);
    EXPECT_TRUE(fails(saveViewTo(test.context, ViewPicture{view, 64, 64}, full + L"\\kept.jpg", kSaveFilterJpeg, true),
                      FileOpOutcome::Failed, L"Save failed"));
    DeleteObject(view);

    auto after = tree.snapshot();
    after.erase(L"archived.log");
    EXPECT_EQ(after, before);
    EXPECT_EQ(Tree::snapshotOf(full), driveBefore);
}

// The settings and language files are rewritten whole or not at all.
TEST_F(FileOperationsTest, RewritingAFileReplacesItWholeOrLeavesItAsItWas) {
    const std::wstring ini = tree / L"settings.ini";
    ASSERT_TRUE(writeFile(ini, "old"));
    const auto before = tree.snapshot();
    auto writes = [](const char* text) { return [text](const std::wstring& t) { return writeFile(t, text); }; };
    // Stopped half way (a full drive, a crash): the old file stays and nothing is left beside it.
    EXPECT_EQ(rewriteFile(ini, [](const std::wstring& t) { return writeFile(t, "ne") && false; }),
              static_cast<DWORD>(ERROR_WRITE_FAULT));
    EXPECT_EQ(tree.snapshot(), before);
    // A file that may not be replaced: the same, with the reason.
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_NE(rewriteFile(ini, writes("new")), 0u);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(tree.snapshot(), before);
    // Written whole, it takes the old one's place; a copy kept beside it likewise.
    EXPECT_EQ(rewriteFile(ini, writes("new")), 0u);
    EXPECT_EQ(keepBackup(ini), 0u);
    EXPECT_EQ(readFile(ini) + readFile(ini + L".bak"), "newnew");
    EXPECT_EQ(tree.snapshot().size(), before.size() + 1);
}

TEST_F(FileOperationsTest, MoveAndCopyThroughAChosenNameKeepTheExhibitInStep) {
    // Rename within the folder: the entry is replaced by the new name at its place.
    const std::wstring renamed = pics + L"\\renamed.jpg";
    FileOpResult result = copyOrMoveTo(test.context, photo, renamed, true);
    ASSERT_TRUE(result.done()) << test.messages.last();
    EXPECT_EQ(result.change, ExhibitChange::ReplaceCurrent);
    EXPECT_EQ(result.redisplay, Redisplay::ShowCurrent);
    EXPECT_EQ(result.path, renamed);
    EXPECT_EQ(test.releases, 1);
    EXPECT_FALSE(exists(photo));
    EXPECT_EQ(readFile(renamed), content("photo"));

    // Copy onto an existing file the user agreed to replace: the copy becomes a new entry.
    const std::wstring other = pics + L"\\other.jpg";
    ASSERT_TRUE(writeFile(other, content("other")));
    result = copyOrMoveTo(test.context, renamed, other, false);
    ASSERT_TRUE(result.done()) << test.messages.last();
    EXPECT_EQ(result.change, ExhibitChange::InsertIfAbsent);
    EXPECT_EQ(result.path, other);
    EXPECT_EQ(readFile(other), content("photo"));
    EXPECT_EQ(readFile(renamed), content("photo"));
    EXPECT_EQ(test.releases, 1) << "a copy leaves the image loaded";
    // Nothing temporary is left beside the files.
    EXPECT_EQ(tree.snapshot().size(), 5u);  // pics, archive, favorites, and the two files
}

// The save dialog's controls: the file name box and the file type list.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeCombo = 0x470;

std::wstring dialogFileName(HWND dialog) {
    const std::wstring name = DialogAnswerer::childText(dialog, kFileNameCombo);
    return name.empty() ? DialogAnswerer::childText(dialog, kFileNameEdit) : name;
}
// (Renaming through the dialog is tested on the real program.)
TEST_F(FileOperationsTest, CancelledCopyDialogChangesNothing) {
    std::wstring seenTitle;
    DialogAnswerer answerer([&](HWND dialog) {
        if (!GetDlgItem(dialog, kFileTypeCombo)) return false;
        seenTitle = DialogAnswerer::title(dialog);
        DialogAnswerer::press(dialog, IDCANCEL);
        return true;
    });
    const auto before = tree.snapshot();
    EXPECT_EQ(copyOrMoveAs(test.context, photo, false).outcome, FileOpOutcome::Cancelled);
    EXPECT_EQ(tree.snapshot(), before);
    EXPECT_EQ(seenTitle, L"Copy File");
}

// A w x h bitmap in one colour (COLORREF), as the view bitmap holds the displayed picture.
HBITMAP solidBitmap(int w, int h, COLORREF colour) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// Size and centre colour of a saved picture (0 x 0 when it cannot be decoded).
ImageInfo decode(const std::wstring& path) { return decodeInfo(path).value_or(ImageInfo{}); }

TEST_F(FileOperationsTest, SaveAsWritesTheViewAtItsSizeWithTheFiltersNameRules) {
    HBITMAP view = solidBitmap(37, 23, RGB(0x20, 0x80, 0xF0));
    const ViewPicture picture{view, 37, 23};

    // A name the dialog did not ask about (the extension was added) is not replaced. (The names
    // themselves are tested with the file-name rules.)
    ASSERT_TRUE(writeFile(pics + L"\\view.bmp", content("theirs")));
    FileOpResult result = saveViewTo(test.context, picture, pics + L"\\view", kSaveFilterBmp, true);
    ASSERT_TRUE(result.done()) << test.messages.last();
    EXPECT_EQ(result.path, pics + L"\\view-01.bmp");
    EXPECT_EQ(result.change, ExhibitChange::InsertIfAbsent);
    EXPECT_EQ(readFile(pics + L"\\view.bmp"), content("theirs"));
    const ImageInfo saved = decode(result.path);
    EXPECT_EQ(saved.width, 37);
    EXPECT_EQ(saved.height, 23);
    EXPECT_EQ(saved.centre, 0xFF2080F0u) << "BMP keeps the colours exactly";

    // The name chosen in the dialog (which asked before replacing) is replaced.
    ASSERT_TRUE(writeFile(pics + L"\\view.JPG", content("old")));
    result = saveViewTo(test.context, picture, pics + L"\\view.JPG", kSaveFilterJpeg, true);
    ASSERT_TRUE(result.done()) << test.messages.last();
    EXPECT_EQ(result.path, pics + L"\\view.JPG");
    EXPECT_EQ(decode(result.path).width, 37);
    EXPECT_EQ(readFile(result.path).substr(0, 2), "\xFF\xD8") << "a JPEG file";
    EXPECT_TRUE(test.messages.shown.empty());

    // Any other filter, or no picture, fails with "Save failed" and writes nothing.
    const auto before = tree.snapshot();
    EXPECT_TRUE(fails(saveViewTo(test.context, picture, pics + L"\\x.gif", 3, true),
                      FileOpOutcome::Failed, L"Save failed"));
    EXPECT_EQ(saveViewTo(test.context, ViewPicture{}, pics + L"\\x.jpg", kSaveFilterJpeg, true).outcome,
              FileOpOutcome::Failed);
    EXPECT_EQ(saveViewTo(test.context, picture, tree / L"missing\\x.jpg", kSaveFilterJpeg, true).outcome,
              FileOpOutcome::Failed);
    EXPECT_EQ(test.messages.shown.size(), 3u);
    EXPECT_EQ(tree.snapshot(), before);
    DeleteObject(view);
}

TEST_F(FileOperationsTest, SaveAsOfThePastedPictureStartsInTheExhibitRoot) {
    HBITMAP view = solidBitmap(40, 30, RGB(0, 0xFF, 0));
    SaveViewRequest request;
    request.currentPath = L"Clipboard_Image";
    request.pasted = true;
    request.exhibitRoot = pics;
    request.picture = {view, 40, 30};
    std::wstring seenName;
    {
        DialogAnswerer answerer([&](HWND dialog) {
            HWND types = GetDlgItem(dialog, kFileTypeCombo);
            if (!types) return false;
            seenName = dialogFileName(dialog);
            // The second filter, BMP.
            SendMessageW(types, CB_SETCURSEL, 1, 0);
            for (WORD notification : {CBN_SELCHANGE, CBN_SELENDOK})
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeCombo, notification), reinterpret_cast<LPARAM>(types));
            DialogAnswerer::press(dialog, IDOK);
            return true;
        });
        const FileOpResult result = saveViewAs(test.context, request);
        ASSERT_TRUE(result.done()) << test.messages.last();
        EXPECT_EQ(result.path, pics + L"\\Clipboard_Image.bmp");
    }
    EXPECT_EQ(seenName, L"Clipboard_Image");
    const ImageInfo saved = decode(pics + L"\\Clipboard_Image.bmp");
    EXPECT_EQ(saved.width, 40);
    EXPECT_EQ(saved.height, 30);
    DeleteObject(view);
}

}  // namespace
