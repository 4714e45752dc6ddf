// Start-up and shut-down of the real program: the settings file it writes, the command line it
// reads, the language template it writes, and the commands of the Settings menu.
#include <windows.h>

#include <gtest/gtest.h>

#include "command_ids.h"
#include "e2e/harness.h"
#include "ini_file.h"
#include "settings.h"

using e2e::Glimvue;

namespace {

Rect32 windowRectOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}

// The bytes the program should write for these settings.
std::string expectedFile(Settings settings, const std::wstring& scratchFolder) {
    const std::wstring path = scratchFolder + L"\\expected.ini";
    IniFile file;
    EXPECT_TRUE(file.open(path, IniFile::Write));
    writeAllSections(file, settings);
    file.close();
    return e2e::readBytes(path);
}

Settings readSettingsFile(const std::wstring& path) {
    Settings settings;
    IniFile file;
    EXPECT_TRUE(file.open(path, IniFile::Read)) << "no settings file";
    readAllSections(file, settings);
    return settings;
}

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace

TEST(Settings, FirstRunWritesCompleteDefaultFileAtExit) {
    Glimvue program;
    const std::wstring root = e2e::makeImageFolder(L"root");
    // Without wrap the window keeps the rectangle it was created with, from which the presets
    // are derived.
    ASSERT_TRUE(program.start(quoted(root) + L" -nowrap"));
    HWND window = program.waitForMainWindow();
    ASSERT_NE(window, nullptr);
    const Rect32 rect = windowRectOf(window);
    ASSERT_TRUE(program.close());
    EXPECT_EQ(program.exitCode(), 0u);

    Settings expected;
    expected.wrap = false;
    expected.folder = root;
    expected.windowRect = rect;
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int frame = GetSystemMetrics(SM_CXSIZEFRAME);
    const int grow[3][2] = {{56, 31}, {136, 76}, {216, 121}};
    for (int i = 0; i < 3; ++i)
        expected.presetRects[i] = {rect.left - grow[i][0], rect.top - grow[i][1], rect.right + grow[i][0],
                                   rect.bottom + grow[i][1]};
    expected.presetRects[3] = {0, 0, screenWidth / 5 + 2 * frame, screenHeight};
    expected.presetRects[4] = {screenWidth - 2 * frame - screenWidth / 5, 0, screenWidth, screenHeight};

    const std::string written = e2e::readBytes(program.file(L"glimvue.ini"));
    EXPECT_EQ(written, expectedFile(expected, program.folder()));
    e2e::removeTree(root);
}

TEST(Settings, CommandLineIsAppliedLeftToRightOverSettingsFiles) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    struct Case {
        std::wstring arguments;
        bool slide;
    };
    // The .ini sets slide=TRUE; whichever comes last wins.
    for (const Case& c : {Case{L"-noslide custom.ini", true}, Case{L"custom.ini -noslide", false}}) {
        Glimvue program;
        e2e::writeBytes(program.file(L"custom.ini"), e2e::utf16File(L"[Slideshow]\r\nslide=TRUE\r\ntimer=1234\r\n"));
        ASSERT_TRUE(program.start(quoted(root) + L" " + c.arguments));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        ASSERT_TRUE(program.close());
        // The settings file named on the command line is the one written at exit.
        EXPECT_FALSE(e2e::fileExists(program.file(L"glimvue.ini")));
        const Settings saved = readSettingsFile(program.file(L"custom.ini"));
        EXPECT_EQ(saved.slide, c.slide) << c.arguments;
        EXPECT_EQ(saved.timer, 1234);
    }
    e2e::removeTree(root);
}

TEST(Settings, SwitchesPathsAndNumbersReachTheSavedFile) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    const std::wstring second = e2e::makeImageFolder(L"second");
    Glimvue program;
    // Two folders: the second is the exhibit root, even with trailing blanks. Switches are
    // case-sensitive; number switches read leading digits; -z turns the fit modes off.
    ASSERT_TRUE(program.start(quoted(root) + L" \"" + second + L"   \" -FULLSCREEN -t3000 -z150 -b300 -r90 -nosortcase"
                              L" -tfoo -title -sortrandom"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    const Settings saved = readSettingsFile(program.file(L"glimvue.ini"));
    EXPECT_EQ(saved.folder, second);
    EXPECT_EQ(saved.layer, 0);
    EXPECT_EQ(saved.timer, 0) << "-tfoo is a number switch without digits";
    EXPECT_EQ(saved.zoom, 150);
    EXPECT_FALSE(saved.squeeze);
    EXPECT_FALSE(saved.shrink);
    EXPECT_EQ(saved.opacity, 300);
    EXPECT_EQ(saved.rotation, 90);
    EXPECT_TRUE(saved.title);
    EXPECT_EQ(saved.sort, 2);
    e2e::removeTree(root);
    e2e::removeTree(second);
}

TEST(Settings, ImageArgumentMakesItsFolderTheRoot) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    e2e::writeBytes(root + L"\\Picture.JPG", "not really a picture");
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(root + L"\\picture.jpg")));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    EXPECT_EQ(readSettingsFile(program.file(L"glimvue.ini")).folder, root);
    e2e::removeTree(root);
}

TEST(Settings, SaveCommandsAndSaveOnExitToggle) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(root) + L" -noslide"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);

    program.postCommand(CMD_SAVE_NOW);
    // The file is complete once its last section is there.
    ASSERT_TRUE(e2e::waitFor([&] {
        return e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.ini"))).find(L"hidekey=27\r\n") !=
               std::wstring::npos;
    }));
    EXPECT_FALSE(readSettingsFile(program.file(L"glimvue.ini")).slide);

    // Save on Exit off: closing writes nothing.
    DeleteFileW(program.file(L"glimvue.ini").c_str());
    program.postCommand(CMD_SAVE_ON_EXIT);
    // A command sent to the hidden owner window reaches the main window too.
    HWND owner = GetWindow(program.mainWindow(), GW_OWNER);
    ASSERT_NE(owner, nullptr);
    PostMessageW(owner, WM_COMMAND, MAKEWPARAM(CMD_EXIT, 0), 0);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(e2e::fileExists(program.file(L"glimvue.ini")));
    e2e::removeTree(root);
}

TEST(Settings, NoMenuBlocksSettingsCommandsButNotExit) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    Glimvue program;
    ASSERT_TRUE(program.start(quoted(root) + L" -nomenu"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    program.postCommand(CMD_SAVE_NOW);
    program.postCommand(CMD_SAVE_ON_EXIT);  // ignored: the file is still written at exit
    Sleep(300);
    EXPECT_FALSE(e2e::fileExists(program.file(L"glimvue.ini")));
    program.postCommand(CMD_EXIT);
    ASSERT_TRUE(program.waitForExit());
    EXPECT_TRUE(e2e::fileExists(program.file(L"glimvue.ini")));
    e2e::removeTree(root);
}

TEST(Settings, MalformedSettingsFileLoadsWhatItCan) {
    const std::wstring root = e2e::makeImageFolder(L"root");
    Glimvue program;
    std::string bytes = e2e::utf16File(L"[Slideshow]\r\ntimer=777\r\n" + std::wstring(20000, L'x') +
                                       L"\r\nloop=2\r\n[Image]\r\nzoomstep=notanumber\r\nwrap=maybe\r\n");
    bytes += std::string("\x00\xD8\x41", 3);  // a lone surrogate and an odd trailing byte
    e2e::writeBytes(program.file(L"glimvue.ini"), bytes);
    ASSERT_TRUE(program.start(quoted(root)));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    const Settings saved = readSettingsFile(program.file(L"glimvue.ini"));
    EXPECT_EQ(saved.timer, 777);
    EXPECT_EQ(saved.loop, 2);
    EXPECT_EQ(saved.zoomstep, 10);
    EXPECT_TRUE(saved.wrap);
    e2e::removeTree(root);
}

TEST(Language, TranslateWritesTemplateKeepsBackupAndExitsWithoutWindow) {
    Glimvue program;
    const std::string previous = e2e::utf16File(L"[Messages]\r\nNo match=Kein Treffer\r\n");
    e2e::writeBytes(program.file(L"glimvue.lang.ini"), previous);
    ASSERT_TRUE(program.start(L"-translate -fullscreen"));
    bool sawWindow = false;
    e2e::waitFor([&] {
        sawWindow = sawWindow || program.hasVisibleWindow();
        return program.waitForExit(0);
    }, 20000, 5);
    ASSERT_TRUE(program.waitForExit(0));
    EXPECT_EQ(program.exitCode(), 0u);
    EXPECT_FALSE(sawWindow);
    EXPECT_EQ(e2e::readBytes(program.file(L"glimvue.lang.ini.bak")), previous);
    EXPECT_FALSE(e2e::fileExists(program.file(L"glimvue.ini"))) << "-translate ends before saving settings";

    // Count the entries of each section of the template.
    const std::wstring text = e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.lang.ini")));
    std::vector<std::pair<std::wstring, int>> sections;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line[0] == L'[')
            sections.push_back({line, 0});
        else if (!line.empty() && !sections.empty())
            ++sections.back().second;
        start = end + 2;
    }
    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"[Language]", 5},      {L"[Menu Items]", 227},   {L"[Level2 Menus]", 17}, {L"[Level3 Menus]", 8},
        {L"[Dialogs]", 36},      {L"[Messages]", 27},      {L"[Catalog Menu]", 38}, {L"[Catalog Level2]", 3}};
    EXPECT_EQ(sections, expected);
    EXPECT_NE(text.find(L"\r\nSlideshow\tPause=Slideshow\tPause\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"\r\nNo match=No match\r\n"), std::wstring::npos) << "the template is English";
}

TEST(Language, TranslatedMessageReportsMissingRoot) {
    Glimvue program;
    e2e::writeBytes(program.file(L"glimvue.lang.ini"),
                    e2e::utf16File(L"[Messages]\r\nis unavailable=ist nicht da\r\n"));
    const std::wstring missing = program.folder() + L"\\no such folder";
    ASSERT_TRUE(program.start(quoted(missing)));
    // Nothing can be built from the missing root: the folder chooser comes first; cancel it.
    HWND box = nullptr;
    ASSERT_TRUE(e2e::waitFor([&] { return (box = program.findMessageBox()) != nullptr; }, 20000));
    ASSERT_NE(e2e::windowTexts(box).find(L"Set exhibit root"), std::wstring::npos) << e2e::windowTexts(box);
    PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(e2e::waitFor([&] {
        box = program.findMessageBox();
        return box && e2e::windowTexts(box).find(L"Set exhibit root") == std::wstring::npos;
    }, 20000));
    EXPECT_NE(e2e::windowTexts(box).find(missing + L" ist nicht da"), std::wstring::npos) << e2e::windowTexts(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(program.close());
    // The program's own folder took the missing root's place.
    EXPECT_EQ(readSettingsFile(program.file(L"glimvue.ini")).folder, program.folder());
}
