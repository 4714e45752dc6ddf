// The file commands of the real program on real files: recycle, archive, shortcuts and copies,
// Move/Rename and Save As through the save dialog, and none on a pasted picture. (Faults are tested
// on the operations themselves in tests/win.)
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <map>

#include "command_ids.h"
#include "e2e/harness.h"
#include "ini_file.h"
#include "settings.h"
#include "text.h"
#include "win/win_test_support.h"

using e2e::Glimvue;
using wintest::exists;
using ::testing::AssertionResult;

namespace {

const std::wstring kProduct = L" - Glimvue";

// The save dialog's controls: the file name box (combo or edit) and the file type list.
constexpr int kFileNameCombo = 0x47C;
constexpr int kFileNameEdit = 0x480;
constexpr int kFileTypeCombo = 0x470;

// The settings file the program starts with, in its own folder.
void writeSettings(const Glimvue& program, const std::function<void(Settings&)>& change) {
    Settings settings;
    change(settings);
    IniFile file;
    ASSERT_TRUE(file.open(program.file(L"glimvue.ini"), IniFile::Write));
    writeAllSections(file, settings);
}

// Every file below a folder with its checksum.
std::map<std::wstring, std::string> snapshot(const std::wstring& folder) { return wintest::TempFolder::snapshotOf(folder); }

struct Session {
    e2e::TempFolder pictures{L"fileops"};
    e2e::TempFolder elsewhere{L"fileops-dest"};  // archive, favorites and desktop live here
    Glimvue program;

    std::wstring folder(const std::wstring& name) const {
        const std::wstring path = elsewhere.file(name);
        CreateDirectoryW(path.c_str(), nullptr);
        return path;
    }
    // Starts on the pictures folder with the settings changed as asked; the main window or null.
    HWND start(const std::function<void(Settings&)>& change = [](Settings&) {}) {
        writeSettings(program, change);
        return program.start(L"\"" + pictures.path() + L"\" -noslide -notransitions") ? program.waitForMainWindow()
                                                                                         : nullptr;
    }
    AssertionResult shows(const std::wstring& path, int timeoutMs = 10000) const {
        return program.captionBecomes(path + kProduct, timeoutMs);
    }
    // The program's next dialog (message box or file dialog), once visible.
    HWND dialog(int timeoutMs = 10000) const {
        HWND found = nullptr;
        e2e::waitFor([&] { return (found = program.findMessageBox()) != nullptr && IsWindowVisible(found); },
                     timeoutMs);
        return found;
    }
    // Answers the message box that the command shows with a button; its text.
    std::wstring answer(int button) const {
        HWND box = dialog();
        if (!box) return L"(no message box)";
        const std::wstring text = e2e::windowTexts(box);
        PostMessageW(box, WM_COMMAND, button, 0);
        e2e::waitFor([&] { return !IsWindow(box); });
        return text;
    }
    // Whether no dialog of the program shows for a while.
    bool quiet(int ms = 1500) const { return !e2e::waitFor([&] { return program.findMessageBox() != nullptr; }, ms); }
};

bool contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

// The target recorded in a shortcut file.
std::wstring shortcutTarget(const std::wstring& shortcut) {
    std::wstring target;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            wchar_t buffer[MAX_PATH + 1] = {};
            if (SUCCEEDED(file->Load(shortcut.c_str(), STGM_READ)) &&
                SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, 0)))
                target = buffer;
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return target;
}

// Width and height from a JPEG's frame header; 0 x 0 when there is none.
SIZE jpegSize(const std::string& bytes) {
    for (size_t i = 2; i + 9 < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) != 0xFF) return {0, 0};
        const unsigned marker = static_cast<unsigned char>(bytes[i + 1]);
        const size_t length = (static_cast<unsigned char>(bytes[i + 2]) << 8) | static_cast<unsigned char>(bytes[i + 3]);
        if (marker >= 0xC0 && marker <= 0xC3) {
            auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
            return {static_cast<LONG>((at(i + 7) << 8) | at(i + 8)), static_cast<LONG>((at(i + 5) << 8) | at(i + 6))};
        }
        i += 2 + length;
    }
    return {0, 0};
}

// Presses the button of the shell's own recycle confirmation, if it asks one, until the file is gone.
bool recycledAway(const Session& s, const std::wstring& file) {
    return e2e::waitFor([&] {
        if (HWND box = s.program.findMessageBox(); box && IsWindowVisible(box) && GetDlgItem(box, IDYES))
            PostMessageW(box, WM_COMMAND, IDYES, 0);
        return !exists(file);
    }, 15000, 50);
}

}  // namespace

TEST(FileCommands, RecycleAsksAndCancelKeepsTheFileOkPutsItInTheRecycleBin) {
    Session s;
    const std::wstring name = L"recycle-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount()) + L".bmp";
    s.pictures.addBmp(name, 80, 60, 0x3366CC);
    s.pictures.addBmp(L"z.bmp", 80, 60, 0xCC6633);
    const std::wstring file = s.pictures.file(name);
    ASSERT_NE(s.start(), nullptr);
    ASSERT_TRUE(s.shows(file));
    const auto before = snapshot(s.pictures.path());

    s.program.postCommand(CMD_RECYCLE);
    EXPECT_TRUE(contains(s.answer(IDCANCEL), L"Recycle " + file + L" ?"));
    EXPECT_EQ(snapshot(s.pictures.path()), before);
    EXPECT_TRUE(s.shows(file));

    s.program.postCommand(CMD_RECYCLE);
    EXPECT_TRUE(contains(s.answer(IDOK), L"Recycle " + file + L" ?"));
    ASSERT_TRUE(recycledAway(s, file));
    EXPECT_TRUE(s.shows(s.pictures.file(L"z.bmp"))) << "the next entry becomes current";

    // The file is in the Recycle Bin (the host's trash under Wine), with where it came from.
    const std::wstring trash = wintest::trashFolder(s.elsewhere.path());
    if (trash.empty()) GTEST_SKIP() << "no host trash to look into";
    const std::wstring trashed = trash + L"\\files\\" + name, info = trash + L"\\info\\" + name + L".trashinfo";
    EXPECT_EQ(wintest::checksum(e2e::readBytes(trashed)), before.at(name));
    EXPECT_NE(e2e::readBytes(info).find("Path="), std::string::npos);
    DeleteFileW(trashed.c_str());
    DeleteFileW(info.c_str());
}

TEST(FileCommands, MoveToArchiveTwiceWithOneNameKeepsBothAndLogsEach) {
    Session s;
    const std::wstring archive = s.folder(L"archive");
    for (const wchar_t* sub : {L"one", L"two"}) CreateDirectoryW(s.pictures.file(sub).c_str(), nullptr);
    s.pictures.addBmp(L"one\\photo.bmp", 80, 60, 0x3366CC);
    s.pictures.addBmp(L"two\\photo.bmp", 80, 60, 0xCC6633);
    const std::string first = e2e::readBytes(s.pictures.file(L"one\\photo.bmp"));
    const std::string second = e2e::readBytes(s.pictures.file(L"two\\photo.bmp"));
    ASSERT_NE(s.start([&](Settings& settings) { settings.archive = archive; }), nullptr);
    ASSERT_TRUE(s.shows(s.pictures.file(L"one\\photo.bmp")));

    s.program.postCommand(CMD_ARCHIVE_MOVE);
    EXPECT_TRUE(contains(s.answer(IDOK), L"Archive " + s.pictures.file(L"one\\photo.bmp") + L" ?"));
    ASSERT_TRUE(s.shows(s.pictures.file(L"two\\photo.bmp")));
    s.program.postCommand(CMD_ARCHIVE_MOVE);
    s.answer(IDOK);
    ASSERT_TRUE(e2e::waitFor([&] { return exists(archive + L"\\photo-01.bmp"); }));

    EXPECT_EQ(e2e::readBytes(archive + L"\\photo.bmp"), first);
    EXPECT_EQ(e2e::readBytes(archive + L"\\photo-01.bmp"), second);
    EXPECT_FALSE(exists(s.pictures.file(L"one\\photo.bmp")));
    EXPECT_FALSE(exists(s.pictures.file(L"two\\photo.bmp")));
    const std::string log = e2e::readBytes(s.program.file(L"archived.log"));
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(e2e::textOfUtf16File(log), s.pictures.file(L"one\\photo.bmp") + L" -> " + archive + L"\r\n" +
                                              s.pictures.file(L"two\\photo.bmp") + L" -> " + archive + L"\r\n");
}

TEST(FileCommands, ShortcutsAndCopiesGoToFavoritesAndDesktopUnderFreeNames) {
    Session s;
    const std::wstring favorites = s.folder(L"favorites"), desktop = s.folder(L"desktop");
    s.pictures.addBmp(L"photo.bmp", 80, 60, 0x3366CC);
    const std::wstring file = s.pictures.file(L"photo.bmp");
    ASSERT_NE(s.start([&](Settings& settings) {
        settings.favorites = favorites;
        settings.desktop = desktop;
    }), nullptr);
    ASSERT_TRUE(s.shows(file));

    for (int i = 0; i < 3; ++i) s.program.postCommand(CMD_SEND_SHORTCUT);
    // A shortcut's name is claimed first and then written: wait for the content.
    ASSERT_TRUE(e2e::waitFor([&] { return shortcutTarget(favorites + L"\\photo.bmp-02.lnk") == file; }));
    for (const wchar_t* name : {L"photo.bmp.lnk", L"photo.bmp-01.lnk", L"photo.bmp-02.lnk"})
        EXPECT_EQ(shortcutTarget(favorites + L"\\" + name), file) << toUtf8(name);

    s.program.postCommand(CMD_SEND_COPY);
    s.program.postCommand(CMD_DESKTOP_COPY);
    s.program.postCommand(CMD_DESKTOP_COPY);
    s.program.postCommand(CMD_DESKTOP_LINK);
    ASSERT_TRUE(e2e::waitFor([&] { return shortcutTarget(desktop + L"\\photo.bmp.lnk") == file; }));
    const std::string bytes = e2e::readBytes(file);
    EXPECT_EQ(e2e::readBytes(favorites + L"\\photo.bmp"), bytes);
    EXPECT_EQ(e2e::readBytes(desktop + L"\\photo.bmp"), bytes);
    EXPECT_EQ(e2e::readBytes(desktop + L"\\photo-01.bmp"), bytes);
    EXPECT_EQ(shortcutTarget(desktop + L"\\photo.bmp.lnk"), file);
    EXPECT_TRUE(exists(file));
    EXPECT_TRUE(s.quiet(500));
    EXPECT_TRUE(s.shows(file)) << "sending leaves the current entry";
}

TEST(FileCommands, MoveRenameThroughTheDialogAndTheCaptionFollows) {
    Session s;
    s.pictures.addBmp(L"a.bmp", 80, 60, 0x3366CC);
    s.pictures.addBmp(L"b.bmp", 80, 60, 0xCC6633);
    const std::string bytes = e2e::readBytes(s.pictures.file(L"b.bmp"));
    ASSERT_NE(s.start(), nullptr);
    ASSERT_TRUE(s.shows(s.pictures.file(L"a.bmp")));
    s.program.postCommand(CMD_NEXT);
    ASSERT_TRUE(s.shows(s.pictures.file(L"b.bmp")));

    s.program.postCommand(CMD_MOVE_FILE);
    HWND dialog = s.dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(GetDlgItem(dialog, kFileTypeCombo), nullptr) << "the save dialog";
    EXPECT_TRUE(contains(e2e::windowTexts(dialog), L"Move/Rename File"));
    const std::wstring renamed = s.pictures.file(L"renamed.bmp");
    SetDlgItemTextW(dialog, GetDlgItem(dialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit, renamed.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);

    ASSERT_TRUE(s.shows(renamed));
    EXPECT_FALSE(exists(s.pictures.file(L"b.bmp")));
    EXPECT_EQ(e2e::readBytes(renamed), bytes);
    // The renamed file kept its place: the next entry is still a.bmp (wrapping), the previous too.
    s.program.postCommand(CMD_PREVIOUS);
    EXPECT_TRUE(s.shows(s.pictures.file(L"a.bmp")));
    s.program.postCommand(CMD_NEXT);
    EXPECT_TRUE(s.shows(renamed));
}

TEST(FileCommands, SaveAsOfAZoomedViewWritesAJpegOfTheViewsSize) {
    Session s;
    // Wider than the status bar's parts, so that the window is exactly the view.
    s.pictures.addBmp(L"a.bmp", 600, 150, 0x3366CC);
    ASSERT_NE(s.start(), nullptr);
    ASSERT_TRUE(s.shows(s.pictures.file(L"a.bmp")));
    s.program.postCommand(CMD_ZOOM_IN);
    ASSERT_TRUE(e2e::waitFor([&] { return e2e::clientSize(s.program.mainWindow()).cx > 600; }));
    Sleep(300);
    SIZE view = e2e::clientSize(s.program.mainWindow());
    view.cy -= e2e::statusBarHeight(s.program.mainWindow());
    EXPECT_EQ(view.cx, 660);
    EXPECT_EQ(view.cy, 165);

    s.program.postCommand(CMD_SAVE_VIEW);
    HWND dialog = s.dialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(GetDlgItem(dialog, kFileTypeCombo), nullptr) << "the save dialog";
    const std::wstring chosen = s.elsewhere.file(L"view");
    SetDlgItemTextW(dialog, GetDlgItem(dialog, kFileNameCombo) ? kFileNameCombo : kFileNameEdit, chosen.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);

    ASSERT_TRUE(e2e::waitFor([&] { return jpegSize(e2e::readBytes(chosen + L".jpg")).cx > 0; }));
    const SIZE saved = jpegSize(e2e::readBytes(chosen + L".jpg"));
    EXPECT_EQ(saved.cx, view.cx);
    EXPECT_EQ(saved.cy, view.cy);
    EXPECT_GT(saved.cx, 600) << "the zoomed view, not the file";
    EXPECT_TRUE(exists(s.pictures.file(L"a.bmp")));
}

// A picture pasted from the clipboard is no file: every command that works on the current file says
// so and touches nothing, on disk or in the folders it would write to.
TEST(FileCommands, AfterPasteEveryFileCommandSaysNotAFile) {
    Session s;
    s.pictures.addBmp(L"a.bmp", 120, 90, 0x3366CC);
    s.pictures.addBmp(L"b.bmp", 120, 90, 0xCC6633);
    const std::wstring archive = s.folder(L"archive"), favorites = s.folder(L"favorites"),
                       desktop = s.folder(L"desktop");
    ASSERT_NE(s.start([&](Settings& settings) {
        settings.archive = archive;
        settings.favorites = favorites;
        settings.desktop = desktop;
        settings.confirmdelete = false;
        settings.confirmarchive = false;
    }), nullptr);
    ASSERT_TRUE(s.shows(s.pictures.file(L"a.bmp")));

    s.program.postCommand(CMD_COPY_VIEW);
    s.program.postCommand(CMD_PASTE);
    ASSERT_TRUE(e2e::becomes([&] { return contains(s.program.caption(), L"Clipboard_Image"); },
                             [&] { return "caption " + toUtf8(s.program.caption()); }));
    const auto pictures = snapshot(s.pictures.path()), elsewhere = snapshot(s.elsewhere.path());

    for (int command : {CMD_SEND_SHORTCUT, CMD_SEND_COPY, CMD_DESKTOP_LINK, CMD_DESKTOP_COPY, CMD_ARCHIVE_MOVE,
                        CMD_ARCHIVE_COPY, CMD_COPY_FILE, CMD_MOVE_FILE, CMD_RECYCLE}) {
        s.program.postCommand(command);
        EXPECT_TRUE(contains(s.answer(IDOK), L"Not a file")) << "command " << command;
    }
    EXPECT_TRUE(s.quiet(500));
    EXPECT_EQ(snapshot(s.pictures.path()), pictures);
    EXPECT_EQ(snapshot(s.elsewhere.path()), elsewhere);
    EXPECT_TRUE(contains(s.program.caption(), L"Clipboard_Image")) << "the pasted picture stays";

    // A large pasted picture is fitted like any picture: with Squeeze on, the window stays on the screen.
    {
        const HDC screen = GetDC(nullptr);
        const HBITMAP large = CreateCompatibleBitmap(screen, 4000, 3000);
        ReleaseDC(nullptr, screen);
        ASSERT_TRUE(large && OpenClipboard(nullptr));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, large);
        CloseClipboard();
    }
    s.program.postCommand(CMD_PASTE);
    RECT r{};
    EXPECT_TRUE(e2e::becomes(
        [&] { return GetWindowRect(s.program.mainWindow(), &r) && r.right - r.left > 400; },
        [&] { return "window " + std::to_string(r.right - r.left) + " wide"; }));
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= GetSystemMetrics(SM_CXSCREEN) &&
                r.bottom <= GetSystemMetrics(SM_CYSCREEN))
        << r.left << "," << r.top << " " << r.right - r.left << "x" << r.bottom - r.top;
}
