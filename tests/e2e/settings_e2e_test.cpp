// Start-up and shut-down of the real program: the settings file it writes, the command line it
// reads, the language template it writes, and the commands of the Settings menu.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "command_ids.h"
#include "e2e/harness.h"
#include "ini_file.h"
#include "shell/placement.h"
#include "text.h"

using e2e::Glimvue;
using e2e::quoted;
namespace fs = std::filesystem;

namespace {

// An exhibit root holding one small image.
struct Root : e2e::TempFolder {
    explicit Root(const wchar_t* prefix = L"root") : TempFolder(prefix) { addBmp(L"a.bmp", 40, 30, 0x3366CC); }
};

}  // namespace

TEST(Settings, FirstRunWritesCompleteDefaultFileAtExit) {
    Glimvue program;
    const Root root;
    // Without wrap the window keeps the rectangle it was created with, from which the presets are derived.
    ASSERT_TRUE(program.start(quoted(root.path()) + L" -nowrap"));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    RECT r{};
    GetWindowRect(window, &r);
    ASSERT_TRUE(program.close());
    EXPECT_EQ(program.exitCode(), 0u);

    Settings expected;
    expected.wrap = false;
    expected.folder = root.path();
    expected.windowRect = {r.left, r.top, r.right, r.bottom};
    // The presets derive from that rectangle (their arithmetic is tested with the placement).
    expected.presetRects = initialPresets(expected.windowRect, GetSystemMetrics(SM_CXSCREEN),
                                          GetSystemMetrics(SM_CYSCREEN), GetSystemMetrics(SM_CXSIZEFRAME));
    IniFile file;
    ASSERT_TRUE(file.open(program.file(L"expected.ini"), IniFile::Write));
    writeAllSections(file, expected);
    file.close();
    EXPECT_EQ(e2e::readBytes(program.file(L"glimvue.ini")), e2e::readBytes(program.file(L"expected.ini")));
}

TEST(Settings, CommandLineIsAppliedLeftToRightOverSettingsFiles) {
    const Root root;
    root.add(L"Picture.JPG", "not really a picture");
    // The .ini sets slide=TRUE; whichever comes last wins. An image named makes its folder the root.
    for (const auto& [arguments, slide] : {std::pair{quoted(root.path()) + L" -noslide custom.ini", true},
                                           {quoted(root.file(L"picture.jpg")) + L" custom.ini -noslide", false}}) {
        SCOPED_TRACE(toUtf8(arguments));
        Glimvue program;
        program.add(L"custom.ini", e2e::utf16File(L"[Slideshow]\r\nslide=TRUE\r\ntimer=1234\r\n"));
        ASSERT_TRUE(program.start(arguments));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        ASSERT_TRUE(program.close());
        // The settings file named on the command line is the one written at exit.
        EXPECT_FALSE(fs::exists(program.file(L"glimvue.ini")));
        const Settings saved = program.savedSettings(L"custom.ini");
        EXPECT_EQ(saved.slide, slide);
        EXPECT_EQ(saved.timer, 1234);
        EXPECT_EQ(saved.folder, root.path());
    }
}

TEST(Settings, SwitchesPathsAndNumbersReachTheSavedFile) {
    const Root root, second(L"second");
    Glimvue program;
    // Two folders: the second is the exhibit root, even with trailing blanks. Switches are
    // case-sensitive; number switches read leading digits; -z turns the fit modes off.
    ASSERT_TRUE(program.start(quoted(root.path()) + L" \"" + second.path() +
                              L"   \" -FULLSCREEN -t3000 -z150 -b300 -tfoo -title -sortrandom"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    const Settings saved = program.savedSettings();
    EXPECT_EQ(saved.folder, second.path());
    EXPECT_EQ(saved.layer, 0);
    EXPECT_EQ(saved.timer, 0) << "-tfoo is a number switch without digits";
    EXPECT_EQ(saved.zoom, 150);
    EXPECT_FALSE(saved.squeeze || saved.shrink);
    EXPECT_EQ(saved.opacity, 255) << "-b300 is kept within 0..255";
    EXPECT_TRUE(saved.title);
    EXPECT_EQ(saved.sort, 2);
}

TEST(Settings, SaveNowAndSaveOnExitOffAndTheOwnerWindowForwardsCommands) {
    const Root root;
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(root.path()) + L" -noslide"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    program.postCommand(CMD_SAVE_NOW);
    // The file appears whole: it is written beside and then put in place.
    ASSERT_TRUE(e2e::waitFor([&] { return fs::exists(program.file(L"glimvue.ini")); }));
    EXPECT_FALSE(program.savedSettings().slide);

    // A file that may not be written (read-only): Save Now says so and leaves it as it was.
    const std::wstring ini = program.file(L"glimvue.ini");
    const std::string saved = e2e::readBytes(ini);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    program.postCommand(CMD_SAVE_NOW);
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (box = program.findMessageBox()) != nullptr; }));
    EXPECT_NE(e2e::windowTexts(box).find(ini + L" could not be written"), std::wstring::npos);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(e2e::readBytes(ini), saved);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Save on Exit off: closing writes nothing. Exit goes to the hidden owner window, which passes it on.
    fs::remove(program.file(L"glimvue.ini"));
    program.postCommand(CMD_SAVE_ON_EXIT);
    HWND owner = GetWindow(program.mainWindow(), GW_OWNER);
    ASSERT_NE(owner, nullptr);
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(CMD_EXIT, 0), 0);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(fs::exists(program.file(L"glimvue.ini")));
}

TEST(Language, TranslateWritesTemplateKeepsBackupAndExitsWithoutWindow) {
    Glimvue program;
    const std::string previous = e2e::utf16File(L"[Messages]\r\nNo match=Kein Treffer\r\n");
    program.add(L"glimvue.lang.ini", previous);
    ASSERT_TRUE(program.start(L"-translate -fullscreen"));
    bool sawWindow = false;
    ASSERT_TRUE(e2e::waitFor([&] {
        sawWindow = sawWindow || program.hasVisibleWindow();
        return program.waitForExit(0);
    }, 20000, 5));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(e2e::readBytes(program.file(L"glimvue.lang.ini.bak")), previous);
    EXPECT_FALSE(fs::exists(program.file(L"glimvue.ini"))) << "-translate ends before saving settings";
    // The template is English (its sections are tested on the language table).
    const auto lines = e2e::linesOfUtf16File(e2e::readBytes(program.file(L"glimvue.lang.ini")));
    for (const wchar_t* entry : {L"Slideshow\tPause=Slideshow\tPause", L"No match=No match"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), entry), lines.end()) << toUtf8(entry);
}

TEST(Language, TranslatedMessageReportsMissingRoot) {
    Glimvue program;
    program.add(L"glimvue.lang.ini", e2e::utf16File(L"[Messages]\r\nis unavailable=ist nicht da\r\n"));
    const std::wstring missing = program.file(L"no such folder");
    ASSERT_TRUE(program.start(quoted(missing)));
    // Nothing can be built from the missing root: the folder chooser comes first; cancel it.
    HWND box = nullptr;
    auto boxSays = [&](const std::wstring& text) {
        box = program.findMessageBox();
        return box && e2e::windowTexts(box).find(text) != std::wstring::npos;
    };
    ASSERT_TRUE(e2e::waitFor([&] { return boxSays(L"Set exhibit root"); }, 20000));
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(e2e::waitFor([&] { return boxSays(missing + L" ist nicht da"); }, 20000));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    // The program's own folder took the missing root's place.
    EXPECT_EQ(program.savedSettings().folder, program.path());
}
