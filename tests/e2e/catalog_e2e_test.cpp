// The real program's Catalog: choosing, sorting and selecting, thumbnails, its menus and file
// commands on the selection, and dragging files out of it and into it.
#include <windows.h>

#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "command_ids.h"
#include "e2e/drag_support.h"
#include "e2e/harness.h"
#include "e2e/menu_support.h"
#include "ini_file.h"
#include "settings.h"
#include "text.h"

using e2e::Glimvue;
using ::testing::AssertionResult;

using wintest::exists;

namespace {

const std::wstring kQuiet = L" -noslide -notransitions -shortname";

HWND listOf(HWND catalog) { return FindWindowExW(catalog, nullptr, L"SysListView32", nullptr); }
HWND statusOf(HWND catalog) { return FindWindowExW(catalog, nullptr, L"msctls_statusbar32", nullptr); }

int itemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::vector<int> selection(HWND list) {
    std::vector<int> items;
    int item = -1;
    while ((item = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(item), LVNI_SELECTED))) >= 0)
        items.push_back(item);
    return items;
}

std::string describe(const std::vector<int>& items) {
    std::string text = "selection {";
    for (int item : items) text += " " + std::to_string(item);
    return text + " }";
}

AssertionResult selectionIs(HWND list, std::vector<int> want) {
    return e2e::becomes([&] { return selection(list) == want; },
                        [&] { return describe(selection(list)) + ", expected " + describe(want); }, 5000);
}

// Presses keys in the foreground window: each is (virtual key, with Shift).
void press(HWND window, std::initializer_list<std::pair<WORD, bool>> keys) {
    SetForegroundWindow(window);
    e2e::waitFor([&] { return GetForegroundWindow() == window; }, 2000);
    for (const auto& [key, shift] : keys) {
        e2e::pressKey(key, shift);
        Sleep(150);
    }
}

HWND openCatalog(Glimvue& program) {
    program.postCommand(CMD_CATALOG);
    return program.waitForCatalog();
}

// Starts the program on a folder with the settings changed as asked, and opens the Catalog.
HWND startCatalog(Glimvue& program, const std::wstring& folder,
                  const std::function<void(Settings&)>& change = [](Settings&) {}) {
    {
        Settings settings;
        change(settings);
        IniFile file;
        if (!file.open(program.file(L"glimvue.ini"), IniFile::Write)) return nullptr;
        writeAllSections(file, settings);
    }
    if (!program.start(L"\"" + folder + L"\"" + kQuiet) || !program.waitForMainWindow()) return nullptr;
    return openCatalog(program);
}

// The screen inside a window's client area, as 0xRRGGBB rows.
struct Capture {
    int width = 0, height = 0;
    std::vector<unsigned> pixels;
    unsigned at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Capture capture(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    Capture shot{area.right - area.left, area.bottom - area.top, e2e::screenPixels(area)};
    if (shot.pixels.size() != static_cast<size_t>(std::max(shot.width, 0)) * std::max(shot.height, 0)) shot = {};
    return shot;
}

// The bounding box of the pixels of one colour; empty (right < left) when there are none.
RECT boxOf(const Capture& shot, unsigned colour) {
    RECT box{shot.width, shot.height, -1, -1};
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            if (e2e::coloursMatch(shot.at(x, y), colour, 2)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

FILETIME lastAccess(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastAccessTime;
}

void setLastAccess(const std::wstring& path, FILETIME time) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    SetFileTime(file, nullptr, &time, nullptr);
    CloseHandle(file);
}

// Threads of the program below normal priority: the Catalog's thumbnail decoders.
int decodingThreads(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{sizeof(entry)};
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        HANDLE thread = entry.th32OwnerProcessID == process ? OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID) : nullptr;
        count += thread && GetThreadPriority(thread) == THREAD_PRIORITY_BELOW_NORMAL;
        if (thread) CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return count;
}

// Presses the first button of a dialog of the program that shows one of `buttons`.
bool answerDialog(const Glimvue& program, HWND except, std::initializer_list<int> buttons) {
    HWND dialog = program.findWindowOf([&](HWND w) {
        if (w == except || w == program.mainWindow()) return false;
        wchar_t name[64] = {};
        GetClassNameW(w, name, 64);
        if (std::wstring(name) != L"#32770") return false;
        for (int id : buttons)
            if (GetDlgItem(w, id)) return true;
        return false;
    });
    if (!dialog) return false;
    for (int id : buttons)
        if (GetDlgItem(dialog, id)) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
            return true;
        }
    return false;
}

}  // namespace

TEST(Catalog, OpensOnTheExhibitChoosesClosesAndEndsTheProgram) {
    e2e::TempFolder images(L"catalog");
    for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e"}) images.addBmp(std::wstring(name) + L".bmp", 80, 60, 0x336699);
    Glimvue program;
    ASSERT_TRUE(program.start(L"\"" + images.path() + L"\"" + kQuiet));
    HWND main = program.waitForMainWindow();
    ASSERT_NE(main, nullptr);
    program.postCommand(CMD_NEXT);
    program.postCommand(CMD_NEXT);
    ASSERT_TRUE(program.captionBecomes(L"c - Glimvue"));

    // C: one item per entry, the current one selected, the build root in the title, the viewer hidden.
    HWND catalog = openCatalog(program);
    ASSERT_NE(catalog, nullptr);
    HWND list = listOf(catalog);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(itemCount(list), 5);
    EXPECT_TRUE(selectionIs(list, {2}));
    wchar_t title[512] = {};
    GetWindowTextW(catalog, title, 512);
    EXPECT_EQ(std::wstring(title), images.path() + L" - Glimvue Catalog");
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(e2e::becomes([&] { return program.statusTextOf(statusOf(catalog), 1) == L"\t3/5"; },
                             [&] { return "status " + toUtf8(program.statusTextOf(statusOf(catalog), 1)); }));

    // End selects the last item; Enter shows it in the main window.
    press(catalog, {{VK_END, false}});
    EXPECT_TRUE(selectionIs(list, {4}));
    press(catalog, {{VK_RETURN, false}});
    EXPECT_TRUE(e2e::waitFor([&] { return program.findCatalog() == nullptr; }));
    EXPECT_TRUE(program.captionBecomes(L"e - Glimvue"));
    EXPECT_TRUE(e2e::waitFor([&] { return IsWindowVisible(main) != 0; }));

    // A double click on the main window opens it again; Esc closes it and keeps the image.
    PostMessageW(main, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    catalog = program.waitForCatalog();
    ASSERT_NE(catalog, nullptr);
    EXPECT_TRUE(selectionIs(listOf(catalog), {4}));
    press(catalog, {{VK_HOME, false}, {VK_ESCAPE, false}});
    EXPECT_TRUE(e2e::waitFor([&] { return program.findCatalog() == nullptr; }));
    EXPECT_TRUE(program.captionBecomes(L"e - Glimvue"));

    // Exit from the Catalog ends the program.
    catalog = openCatalog(program);
    ASSERT_NE(catalog, nullptr);
    PostMessageW(catalog, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_TRUE(program.waitForExit());
}

// Type-ahead wraps, a re-sort keeps the selection, Shift selects a range, and Delete recycles
// exactly that range.
TEST(Catalog, TypeAheadResortShiftRangeAndRecyclingIt) {
    e2e::TempFolder images(L"catalog");
    const std::wstring stamp = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount());
    std::vector<std::wstring> names;
    for (const wchar_t* name : {L"apple", L"banana", L"berry", L"blue", L"cherry", L"damson"}) {
        names.push_back(std::wstring(name) + L"-" + stamp + L".bmp");
        images.addBmp(names.back(), 40, 30, 0x884422);
    }
    Glimvue program;
    HWND catalog = startCatalog(program, images.path());
    ASSERT_NE(catalog, nullptr);
    HWND list = listOf(catalog);
    ASSERT_TRUE(selectionIs(list, {0}));

    // Typing b steps through the names with b and wraps to the first one.
    for (int want : {1, 2, 3, 1}) {
        press(catalog, {{'B', false}});
        EXPECT_TRUE(selectionIs(list, {want}));
        Sleep(1100);  // a new search, not a longer prefix
    }

    // Reverse order: banana (index 1) is now index 4 and still the one selected.
    PostMessageW(catalog, WM_COMMAND, CMD_SORT_REVERSE, 0);
    EXPECT_TRUE(selectionIs(list, {4}));
    PostMessageW(catalog, WM_COMMAND, CMD_SORT_FORWARD, 0);
    EXPECT_TRUE(selectionIs(list, {1}));

    // Shift+Right twice from banana: banana, berry and blue.
    press(catalog, {{VK_RIGHT, true}, {VK_RIGHT, true}});
    ASSERT_TRUE(selectionIs(list, {1, 2, 3}));
    EXPECT_TRUE(e2e::becomes(
        [&] { return program.statusTextOf(statusOf(catalog), 2).find(L" (3 items selected)") != std::wstring::npos; },
        [&] { return "status " + toUtf8(program.statusTextOf(statusOf(catalog), 2)); }));

    press(catalog, {{VK_DELETE, false}});
    // The Catalog asks once ("Recycle selected images?"); the shell may ask too.
    int answered = 0;
    e2e::waitFor([&] {
        if (answerDialog(program, catalog, {IDOK, IDYES})) ++answered;
        return !exists(images.file(names[1])) && !exists(images.file(names[3]));
    }, 15000, 100);
    EXPECT_GE(answered, 1);
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(exists(images.file(names[i])), i == 0 || i >= 4) << toUtf8(names[i]);
    // In the Recycle Bin (the host's trash under Wine).
    const std::wstring trash = wintest::trashFolder(images.path());
    for (size_t i = 1; i <= 3 && !trash.empty(); ++i)
        EXPECT_TRUE(exists(trash + L"\\files\\" + names[i])) << toUtf8(names[i]);
    // The exhibit follows: the three entries are gone.
    EXPECT_TRUE(e2e::becomes([&] { return itemCount(list) == 3; },
                             [&] { return "items " + std::to_string(itemCount(list)); }, 15000));
    EXPECT_TRUE(selectionIs(list, {2})) << "the item at the focused place, selected where it shows";
    PostMessageW(catalog, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_TRUE(program.waitForExit());
}

// Thumbnails sit in their cells and leave last-access times alone. When the exhibit changes under
// the list, the list follows, and the file a command acts on is the one the list shows.
TEST(Catalog, ThumbnailsSitInTheirCellsAndTheListFollowsTheExhibit) {
    e2e::TempFolder images(L"catalog");
    images.addBmp(L"a.bmp", 100, 100, 0xFF0000);
    images.addBmp(L"b.bmp", 60, 40, 0x0000FF);
    images.addBmp(L"c.bmp", 100, 100, 0x00FF00);
    images.add(L"c1.dds", wintest::ddsBytes(48, 32, 0xFFFF00));  // through the system's codecs
    // d.bmp makes its decoder crash (the decoder does so with GLIMVUE_DECODER_FAULTS=1, which the
    // program takes from this process): it costs its own thumbnail only.
    SetEnvironmentVariableW(L"GLIMVUE_DECODER_FAULTS", L"1");
    images.add(L"d.bmp", "GLIMVUE-FAULT:crash");
    // An access time long past, which a look at the thumbnail must not move.
    SYSTEMTIME old{2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME oldTime{};
    SystemTimeToFileTime(&old, &oldTime);
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"}) setLastAccess(images.file(name), oldTime);

    Glimvue program;
    HWND catalog = startCatalog(program, images.path());
    ASSERT_NE(catalog, nullptr);
    HWND list = listOf(catalog);
    SetForegroundWindow(catalog);
    RECT red{}, blue{}, green{}, yellow{};
    const bool drawn = e2e::waitFor([&] {
        const Capture shot = capture(list);
        red = boxOf(shot, 0xFF0000);
        blue = boxOf(shot, 0x0000FF);
        green = boxOf(shot, 0x00FF00);
        yellow = boxOf(shot, 0xFFFF00);
        return red.right - red.left == 100 && green.right - green.left == 100 && blue.right - blue.left == 60 &&
               blue.bottom - blue.top == 40 && yellow.right - yellow.left == 48 && yellow.bottom - yellow.top == 32;
    }, 15000, 200);
    EXPECT_TRUE(drawn) << "yellow " << yellow.right - yellow.left << "x" << yellow.bottom - yellow.top << "; red " << red.left << "," << red.top << " " << red.right - red.left << "x"
                       << red.bottom - red.top << "; blue " << blue.left << "," << blue.top << " "
                       << blue.right - blue.left << "x" << blue.bottom - blue.top;
    // The 100 x 100 pictures fill their cells, so they show where the cells are: the 60 x 40 one sits
    // (20, 30) inside the middle cell.
    EXPECT_EQ(red.bottom - red.top, 100);
    const int cellStep = (green.left - red.left) / 2;
    EXPECT_EQ(blue.left - (red.left + cellStep), 20);
    EXPECT_EQ(blue.top - red.top, 30);
    EXPECT_EQ(green.top, red.top);

    // To Viewer on d.bmp, which does not decode, drops it from the exhibit: the list follows with
    // four items and nothing selected (its file is gone), so Del asks about nothing.
    auto question = [&] {
        return program.findWindowOf([&](HWND w) { return w != catalog && GetDlgItem(w, IDCANCEL) && GetDlgItem(w, IDOK); });
    };
    press(catalog, {{VK_END, false}, {VK_F5, false}});
    EXPECT_TRUE(e2e::becomes([&] { return itemCount(list) == 4; }, [&] { return "items " + std::to_string(itemCount(list)); }));
    EXPECT_TRUE(selectionIs(list, {}));
    press(catalog, {{VK_DELETE, false}});
    Sleep(500);
    EXPECT_EQ(question(), nullptr);
    // One file selected: the question names it.
    press(catalog, {{VK_END, false}, {VK_DELETE, false}});
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (box = question()) != nullptr; }));
    EXPECT_NE(e2e::windowTexts(box).find(images.file(L"c1.dds") + L" ?"), std::wstring::npos) << toUtf8(e2e::windowTexts(box));
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(e2e::waitFor([&] { return !IsWindow(box); }));
    PostMessageW(catalog, WM_COMMAND, CMD_CATALOG_CLOSE, 0);
    EXPECT_TRUE(e2e::waitFor([&] { return program.findCatalog() == nullptr; }));
    EXPECT_TRUE(program.close());
    // a.bmp is shown in the main window and b.bmp, the next, is read ahead by it: both are read as
    // a viewer reads. c.bmp was only seen as a thumbnail.
    const FILETIME now = lastAccess(images.file(L"c.bmp"));
    EXPECT_EQ(CompareFileTime(&now, &oldTime), 0);
}

// -catlaunch on a tree whose scan goes on after the Catalog opened: the end of the build fills it
// and its thumbnails come without input. Only one Catalog opens; the end of the session under it
// stops its decoders and saves the user's own auto-refresh. -nomenu opens none.
TEST(Catalog, OpensAtStartUpWithCatlaunchFillsWhenTheBuildEndsAndNotUnderNomenu) {
    e2e::TempFolder images(L"catalog");
    images.addBmp(L"a.bmp", 40, 30, 0x123456);
    images.addBmp(L"b.bmp", 40, 30, 0x654321);
    // Many names before the pictures three folders down: the scan rests until start-up is over.
    CreateDirectoryW(images.file(L"names").c_str(), nullptr);
    for (int i = 0; i < 1500; ++i) images.add(L"names\\n" + std::to_wstring(i) + L".txt", "");
    for (const wchar_t* folder : {L"deep", L"deep\\1", L"deep\\1\\2"}) CreateDirectoryW(images.file(folder).c_str(), nullptr);
    for (int i = 0; i < 6; ++i) images.addBmp(L"deep\\1\\2\\p" + std::to_wstring(i) + L".bmp", 60, 60, 0x20C040);
    {
        Glimvue program;
        ASSERT_TRUE(program.start(L"\"" + images.path() + L"\"" + kQuiet + L" -catlaunch -noautorefresh"));
        HWND catalog = program.waitForCatalog();
        ASSERT_NE(catalog, nullptr);
        HWND list = listOf(catalog);
        EXPECT_TRUE(e2e::becomes([&] { return itemCount(list) == 8; },
                                 [&] { return "items " + std::to_string(itemCount(list)); }, 15000));
        RECT deep{};
        EXPECT_TRUE(e2e::waitFor([&] { return (deep = boxOf(capture(list), 0x20C040)).right > deep.left; }, 15000, 200))
            << "no thumbnail of the pictures found last";
        HWND main = GetWindow(catalog, GW_OWNER);  // hidden while the Catalog is open
        PostMessageW(main, WM_COMMAND, CMD_CATALOG, 0);  // as the tray's menu would
        Sleep(1000);
        EXPECT_EQ(program.findWindowOf([&](HWND w) {
            wchar_t title[512] = {};
            return w != catalog && GetWindowTextW(w, title, 512) && std::wstring(title).ends_with(L"Glimvue Catalog");
        }), nullptr) << "a second Catalog";
        // The session ends: the decoders stop before the imaging library, and the settings are saved
        // before the answer (the system then ends the process).
        EXPECT_GT(decodingThreads(main), 0);
        SendMessageW(main, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(decodingThreads(main), 0);
        EXPECT_FALSE(program.savedSettings().autorefresh) << "the Catalog's own auto-refresh was saved";
    }
    {
        Glimvue program;
        ASSERT_TRUE(program.start(L"\"" + images.path() + L"\"" + kQuiet + L" -catlaunch -nomenu"));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        Sleep(500);
        EXPECT_EQ(program.findCatalog(), nullptr);
        EXPECT_TRUE(program.close());
    }
}

namespace {


// The files on the clipboard and whether they were cut (moved on paste) rather than copied.
std::vector<std::wstring> clipboardFiles(bool* cut = nullptr) {
    std::vector<std::wstring> files;
    if (!e2e::waitFor([] { return OpenClipboard(nullptr) != 0; }, 2000)) return files;
    if (HANDLE drop = GetClipboardData(CF_HDROP)) files = e2e::filesOf(static_cast<HDROP>(drop));
    if (cut) {
        const HANDLE effect = GetClipboardData(RegisterClipboardFormatW(CFSTR_PREFERREDDROPEFFECT));
        const auto* value = effect ? static_cast<const DWORD*>(GlobalLock(effect)) : nullptr;
        *cut = value && (*value & DROPEFFECT_MOVE);
        if (value) GlobalUnlock(effect);
    }
    CloseClipboard();
    return files;
}

void pressWithCtrl(HWND window, WORD letter) {
    SetForegroundWindow(window);
    e2e::key(VK_CONTROL, true);
    e2e::pressKey(letter);
    e2e::key(VK_CONTROL, false);
    Sleep(150);
}

// Real keys to the open menu, whose loop takes what the keyboard gives its thread.
void menuKeys(std::initializer_list<WORD> keys) {
    for (WORD key : keys) {
        e2e::pressKey(key);
        Sleep(150);
    }
}

// The centre of an item's cell on the screen (the list writes the rectangle into the program's memory).
POINT itemCentre(const Glimvue& program, HWND list, int item) {
    RECT cell{};
    cell.left = LVIR_BOUNDS;
    program.sendWithBuffer(list, LVM_GETITEMRECT, item, &cell, sizeof cell);
    POINT centre{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
    ClientToScreen(list, &centre);
    return centre;
}

// The pointer carried to `to` in a hand's steps with the left button down (pressed at `from` first
// when `press`), `atEnd` run there, and the button released.
void carry(POINT from, POINT to, bool press, const std::function<void()>& atEnd = [] {}) {
    if (press) {
        e2e::mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
        Sleep(200);
        e2e::mouse(MOUSEEVENTF_LEFTDOWN);
    }
    for (int step = 1; step <= 10; ++step) {
        Sleep(80);
        e2e::mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x + (to.x - from.x) * step / 10,
                   from.y + (to.y - from.y) * step / 10);
    }
    Sleep(600);
    atEnd();
    e2e::mouse(MOUSEEVENTF_LEFTUP);
}

}  // namespace

// F1 opens the Catalog Menu at the client origin; File Ops pinned comes back in place after Copy
// and Esc unpins it; Copy and Cut put the selection on the clipboard. F8 and F9 act on every
// selected thumbnail: a shortcut each in the favorites, and, after the one question, each moved to
// the archive and logged; a name already in the archive is kept.
TEST(Catalog, MenuPinsClipboardFavoritesAndArchiveTakeTheWholeSelection) {
    e2e::TempFolder images(L"catalog"), elsewhere(L"catalog-dest");
    unsigned colour = 0x553311;
    for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) images.addBmp(std::wstring(name) + L".bmp", 40, 30, colour += 0x10);
    const std::wstring archive = elsewhere.file(L"archive"), favorites = elsewhere.file(L"favorites");
    CreateDirectoryW(archive.c_str(), nullptr);
    CreateDirectoryW(favorites.c_str(), nullptr);
    e2e::writeBytes(archive + L"\\c.bmp", "kept");
    const std::string b = e2e::readBytes(images.file(L"b.bmp")), c = e2e::readBytes(images.file(L"c.bmp"));
    Glimvue program;
    HWND catalog = startCatalog(program, images.path(), [&](Settings& s) {
        s.archive = archive;
        s.favorites = favorites;
        s.archivelog = s.confirmarchive = true;
    });
    ASSERT_NE(catalog, nullptr);
    HWND list = listOf(catalog);
    press(catalog, {{VK_RIGHT, false}, {VK_RIGHT, true}});
    ASSERT_TRUE(selectionIs(list, {1, 2}));

    POINT origin{0, 0};
    ClientToScreen(catalog, &origin);
    press(catalog, {{VK_F1, false}});
    RECT root{}, fileOps{};
    ASSERT_TRUE(e2e::menuOpensAt(program, origin, &root));
    menuKeys({VK_UP, VK_UP, VK_UP, VK_UP, VK_UP, VK_UP, VK_RIGHT, VK_RETURN});  // File Ops' Pin
    ASSERT_TRUE(e2e::menuOpensAt(program, origin, &fileOps));
    EXPECT_LT(fileOps.bottom - fileOps.top, root.bottom - root.top) << "File Ops alone, not the whole menu";
    menuKeys({VK_DOWN, VK_DOWN, VK_RETURN});  // from its Pin, selected, to Cut and Copy
    bool cut = true;
    EXPECT_TRUE(e2e::waitFor([&] { return clipboardFiles(&cut) == std::vector{images.file(L"b.bmp"), images.file(L"c.bmp")}; }));
    EXPECT_FALSE(cut);
    RECT again{};
    ASSERT_TRUE(e2e::menuOpensAt(program, origin, &again)) << "the pinned File Ops after Copy";
    EXPECT_EQ(again.bottom - again.top, fileOps.bottom - fileOps.top);
    menuKeys({VK_ESCAPE});
    ASSERT_TRUE(e2e::menusClose(program));
    Sleep(500);
    EXPECT_TRUE(program.popupMenus().empty()) << "Esc unpinned File Ops";
    press(catalog, {{VK_F1, false}});
    ASSERT_TRUE(e2e::menuOpensAt(program, origin, &again));
    EXPECT_EQ(again.bottom - again.top, root.bottom - root.top) << "the whole menu again";
    menuKeys({VK_ESCAPE});
    ASSERT_TRUE(e2e::menusClose(program));

    // Ctrl+X: the same files, to be moved by the paste (Wine's shell offers them as a copy).
    ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
    pressWithCtrl(catalog, 'X');
    EXPECT_TRUE(e2e::waitFor([&] { return clipboardFiles(&cut).size() == 2; }));
    if (!wintest::underWine()) EXPECT_TRUE(cut);

    press(catalog, {{VK_F8, false}});
    EXPECT_TRUE(e2e::waitFor([&] { return exists(favorites + L"\\b.bmp.lnk") && exists(favorites + L"\\c.bmp.lnk"); }));
    EXPECT_FALSE(exists(favorites + L"\\a.bmp.lnk") || exists(favorites + L"\\d.bmp.lnk"));

    press(catalog, {{VK_F9, false}});
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (box = program.findMessageBox()) != nullptr; }));
    EXPECT_NE(e2e::windowTexts(box).find(L"Archive selected images?"), std::wstring::npos) << toUtf8(e2e::windowTexts(box));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return !exists(images.file(L"b.bmp")) && !exists(images.file(L"c.bmp")); }, 15000));
    EXPECT_EQ(e2e::readBytes(archive + L"\\b.bmp"), b);
    EXPECT_EQ(e2e::readBytes(archive + L"\\c.bmp"), "kept") << "a file already in the archive is never replaced";
    EXPECT_EQ(e2e::readBytes(archive + L"\\c-01.bmp"), c) << "the archived c.bmp under the next free name";
    EXPECT_TRUE(exists(images.file(L"a.bmp")) && exists(images.file(L"d.bmp")));
    const std::vector<std::wstring> log = e2e::linesOfUtf16File(e2e::readBytes(program.file(L"archived.log")));
    EXPECT_EQ(log, (std::vector<std::wstring>{images.file(L"b.bmp") + L" -> " + archive,
                                              images.file(L"c.bmp") + L" -> " + archive}));
    EXPECT_TRUE(e2e::becomes([&] { return itemCount(list) == 2; },
                             [&] { return "items " + std::to_string(itemCount(list)); }, 15000));
    PostMessageW(catalog, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_TRUE(program.waitForExit());
}

// The Apps key and a right click on a thumbnail open the shell's menu for the selection; a right
// click between thumbnails opens nothing. A thumbnail dragged out reaches another program as its
// file; files dragged in are offered to the folder of the thumbnail under the pointer, or the root.
TEST(Catalog, ShellMenuAndDraggingOutAndIn) {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    e2e::TempFolder images(L"catalog"), site(L"catalog-site"), other(L"catalog-other");
    images.addBmp(L"a.bmp", 40, 30, 0x114477);
    CreateDirectoryW(images.file(L"sub").c_str(), nullptr);
    images.addBmp(L"sub\\b.bmp", 40, 30, 0x447711);
    other.addBmp(L"x.bmp", 40, 30, 0x771144);
    Glimvue program;
    HWND catalog = startCatalog(program, images.path(), [](Settings& s) { s.subfolders = true; });
    ASSERT_NE(catalog, nullptr);
    HWND list = listOf(catalog);
    ASSERT_EQ(itemCount(list), 2);
    HWND status = statusOf(catalog);

    press(catalog, {{VK_APPS, false}});
    EXPECT_TRUE(e2e::waitFor([&] { return !program.popupMenus().empty(); })) << "no shell menu on Apps";
    menuKeys({VK_ESCAPE});
    ASSERT_TRUE(e2e::menusClose(program));
    e2e::rightClickAt(itemCentre(program, list, 1));
    EXPECT_TRUE(e2e::waitFor([&] { return !program.popupMenus().empty(); })) << "no shell menu on a right click";
    menuKeys({VK_ESCAPE});
    ASSERT_TRUE(e2e::menusClose(program));
    RECT client{};
    GetClientRect(list, &client);
    POINT empty{client.right - 20, client.bottom - 20};
    ClientToScreen(list, &empty);
    e2e::rightClickAt(empty);
    EXPECT_FALSE(e2e::waitFor([&] { return !program.popupMenus().empty(); }, 1500)) << "a menu between thumbnails";

    // Out: item 0 dragged by hand onto another program's window, which copies what it is given.
    {
        e2e::FolderWindowTarget target(site.path());
        e2e::OtherProgramWindow window(&target);
        const POINT from = itemCentre(program, list, 0), to = e2e::centreOf(window.window);
        std::thread hand([&] { carry(from, to, true); });
        const bool dropped = wintest::pumpUntil([&] { return target.dropped.load(); }, 15000);
        hand.join();
        EXPECT_TRUE(dropped) << "nothing dropped on the other program";
        EXPECT_EQ(target.paths, std::vector<std::wstring>{images.file(L"a.bmp")});
        EXPECT_TRUE(exists(site.file(L"a.bmp")) && exists(images.file(L"a.bmp")));
    }

    // In: x.bmp dragged from another program onto the thumbnail of sub\b.bmp is offered to its folder.
    IDataObject* data = e2e::dataObjectFor(other.path(), L"x.bmp");
    ASSERT_NE(data, nullptr);
    e2e::OtherProgramWindow source(nullptr);
    const POINT from = e2e::centreOf(source.window), to = itemCentre(program, list, 1);
    std::wstring folderShown;
    e2e::mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, from.x, from.y);
    e2e::mouse(MOUSEEVENTF_LEFTDOWN);
    wintest::pumpFor(200);
    std::thread hand([&] { carry(from, to, false, [&] { folderShown = program.statusTextOf(status, 2); }); });
    e2e::HandDropSource dropSource;
    DWORD effect = 0;
    const HRESULT result = DoDragDrop(data, &dropSource, DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    hand.join();
    data->Release();
    EXPECT_EQ(result, DRAGDROP_S_DROP);
    EXPECT_EQ(folderShown, images.file(L"sub")) << "the folder under the pointer, in the status bar";
    EXPECT_TRUE(exists(other.file(L"x.bmp"))) << "the dragged file stays where it was";
    if (!wintest::underWine()) EXPECT_TRUE(e2e::waitFor([&] { return exists(images.file(L"sub\\x.bmp")); }));
    // (Wine's folder drop target accepts the drop without copying.) The program may still read the
    // dragged data from this thread, so its messages are run until the program has ended.
    PostMessageW(catalog, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_TRUE(wintest::pumpUntil([&] { return program.waitForExit(0); }, 20000));
    OleUninitialize();
}
