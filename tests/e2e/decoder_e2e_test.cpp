// The real program with pictures that crash, hang or exhaust a decoder, and decoders killed from
// outside: each costs one picture, the program goes on, and no decoder outlives the program.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <vector>

#include "command_ids.h"
#include "e2e/harness.h"
#include "text.h"

using e2e::Glimvue;

namespace {

const std::wstring kProduct = L" - Glimvue";

// Pictures that make the decoder crash, stall or take memory without end (the decoder does so only
// with GLIMVUE_DECODER_FAULTS=1, which the program and its decoders take from this process).
std::string fault(const char* what) { return std::string("GLIMVUE-FAULT:") + what; }

// The 57-byte BMP seen in use whose header places its pixels 2 GB past the end of the file.
std::string bmpPointingPastItsEnd() {
    std::string bytes = "BM";
    auto u32 = [&bytes](std::uint32_t v) { for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i) & 0xFF); };
    auto u16 = [&bytes](unsigned v) { bytes += static_cast<char>(v & 0xFF), bytes += static_cast<char>(v >> 8); };
    u32(57), u32(0), u32(0x7FFFFF30), u32(40), u32(0x303030), u32(1), u16(1), u16(4);
    for (int i = 0; i < 6; ++i) u32(0);
    return bytes + std::string(57 - bytes.size(), '0');
}

// The decoder processes the program started: its child processes.
std::vector<DWORD> decodersOf(DWORD program) {
    std::vector<DWORD> children;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ParentProcessID == program && entry.th32ProcessID != program) children.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return children;
}

bool ended(DWORD processId, DWORD timeoutMs = 5000) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process) return true;
    const bool gone = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return gone;
}

void killAll(const std::vector<DWORD>& processes) {
    for (const DWORD id : processes)
        if (const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id)) {
            TerminateProcess(process, 9);
            CloseHandle(process);
        }
}

struct Pictures : e2e::TempFolder {
    Pictures() : TempFolder(L"decoder") { SetEnvironmentVariableW(L"GLIMVUE_DECODER_FAULTS", L"1"); }
    // Whether the middle of the window's picture area shows the colour, soon.
    static bool showsColour(HWND window, unsigned colour) {
        const SIZE client = e2e::clientSize(window);
        const int middleX = client.cx / 2, middleY = (client.cy - e2e::statusBarHeight(window)) / 2;
        return e2e::waitFor([&] { return e2e::coloursMatch(e2e::screenColourAt(window, middleX, middleY), colour, 2); });
    }
    // Starts the program on the folder with the switches; its main window once `first` is shown.
    HWND startShowing(Glimvue& program, const std::wstring& switches, const std::wstring& first) const {
        if (!program.start(e2e::quoted(path()) + switches)) return nullptr;
        HWND window = program.waitForMainWindow();
        return window && becomes(program, first, 10000) ? window : nullptr;
    }
    bool shown(const Glimvue& program, const std::wstring& name) const {
        return program.caption().rfind(file(name) + kProduct, 0) == 0;
    }
    ::testing::AssertionResult becomes(const Glimvue& program, const std::wstring& name, int timeoutMs) const {
        return e2e::becomes([&] { return shown(program, name); },
                            [&] { return "caption " + toUtf8(program.caption()) + ", expected " + toUtf8(name); }, timeoutMs);
    }
};

TEST(Decoder, EveryBadPictureCostsOnlyItselfAndIsLogged) {
    Pictures pictures;
    pictures.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    pictures.add(L"b.png", fault("crash"));  // read ahead while a is shown
    pictures.add(L"c.png", fault("hang"));
    pictures.add(L"d.png", fault("hog"));
    pictures.add(L"e.bmp", bmpPointingPastItsEnd());
    pictures.addBmp(L"f.bmp", 200, 150, 0x33CC66);
    Glimvue program;
    HWND window = pictures.startShowing(program, L" -noslide -notransitions", L"a.bmp");
    ASSERT_NE(window, nullptr);
    Sleep(1500);  // the crash of the decoder reading b ahead

    // One step passes over the four, each logged and removed, and shows f.
    program.postCommand(CMD_NEXT);
    ASSERT_TRUE(pictures.becomes(program, L"f.bmp", 40000));
    EXPECT_TRUE(Pictures::showsColour(window, 0x33CC66));
    const std::vector<std::wstring> logged = e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log")));
    EXPECT_EQ(logged, (std::vector<std::wstring>{pictures.file(L"b.png"), pictures.file(L"c.png"), pictures.file(L"d.png"),
                                                 pictures.file(L"e.bmp")}));
    EXPECT_TRUE(e2e::waitFor([&] { return program.statusText(4) == L"\t2/2"; }));
    program.postCommand(CMD_NEXT);
    EXPECT_TRUE(pictures.becomes(program, L"a.bmp", 10000)) << "the program goes on";

    const std::vector<DWORD> decoders = decodersOf(program.processId());
    EXPECT_FALSE(decoders.empty());
    EXPECT_LE(decoders.size(), 4u);
    ASSERT_TRUE(program.close());
    EXPECT_EQ(program.exitCode(), 0u);
    for (const DWORD id : decoders) EXPECT_TRUE(ended(id)) << "a decoder outlived the program";
}

TEST(Decoder, PicturesOfTheSystemsCodecsAreGatheredAndShownUnlessTurnedOff) {
    Pictures pictures;
    pictures.add(L"a.dds", wintest::ddsBytes(64, 48, 0xFFFF00));  // Wine's imaging component decodes DDS
    pictures.addBmp(L"b.bmp", 64, 48, 0x3366CC);
    Glimvue program;
    HWND window = pictures.startShowing(program, L" -nowic -noslide -notransitions", L"b.bmp");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(e2e::waitFor([&] { return program.statusText(4) == L"\t1/1"; })) << toUtf8(program.statusText(4));

    // Exhibit > Formats > System formats: gathered, and shown as its own colour.
    program.postCommand(CMD_FORMAT_WIC);
    EXPECT_TRUE(e2e::waitFor([&] { return program.statusText(4).ends_with(L"/2"); }, 15000)) << toUtf8(program.statusText(4));
    program.postCommand(CMD_FIRST);
    ASSERT_TRUE(pictures.becomes(program, L"a.dds", 10000));
    EXPECT_TRUE(Pictures::showsColour(window, 0xFFFF00));
    EXPECT_TRUE(e2e::readBytes(program.file(L"errors.log")).empty());
    ASSERT_TRUE(program.close());
    EXPECT_NE(e2e::textOfUtf16File(e2e::readBytes(program.file(L"glimvue.ini"))).find(L"\r\nwic=TRUE\r\n"), std::wstring::npos);
}

TEST(Decoder, ADecoderKilledDuringAStepCostsThatPictureOnly) {
    Pictures pictures;
    pictures.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    pictures.add(L"b.png", fault("hang"));
    pictures.addBmp(L"c.bmp", 200, 150, 0x33CC66);
    Glimvue program;
    ASSERT_TRUE(program.start(e2e::quoted(pictures.path()) + L" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(pictures.becomes(program, L"a.bmp", 10000));

    // The step to b waits on its decoder, which is killed: b fails at once (long before its time
    // limit) and the step goes on to c.
    program.postCommand(CMD_NEXT);
    Sleep(700);
    const ULONGLONG killed = GetTickCount64();
    killAll(decodersOf(program.processId()));
    ASSERT_TRUE(pictures.becomes(program, L"c.bmp", 10000));
    EXPECT_LT(GetTickCount64() - killed, 4000u);
    EXPECT_EQ(e2e::linesOfUtf16File(e2e::readBytes(program.file(L"errors.log"))),
              std::vector<std::wstring>{pictures.file(L"b.png")});
    // The next step is decoded by a fresh decoder.
    program.postCommand(CMD_NEXT);
    EXPECT_TRUE(pictures.becomes(program, L"a.bmp", 10000));
    ASSERT_TRUE(program.close());
}

// Closing the Catalog while a decoder stalls on a thumbnail ends that decode at once.
TEST(Decoder, TheCatalogClosesAtOnceWhileADecoderStalls) {
    Pictures pictures;
    pictures.addBmp(L"a.bmp", 100, 100, 0x3366CC);
    pictures.add(L"b.png", fault("hang"));
    Glimvue program;
    ASSERT_TRUE(program.start(e2e::quoted(pictures.path()) + L" -noslide -notransitions"));
    ASSERT_NE(program.waitForMainWindow(), nullptr);
    ASSERT_TRUE(pictures.becomes(program, L"a.bmp", 10000));
    program.postCommand(CMD_CATALOG);
    HWND catalog = program.waitForCatalog();
    ASSERT_NE(catalog, nullptr);
    Sleep(1500);  // b's thumbnail stalls in its decoder
    const ULONGLONG start = GetTickCount64();
    PostMessageW(catalog, WM_COMMAND, CMD_CATALOG_CLOSE, 0);
    EXPECT_TRUE(e2e::waitFor([&] { return program.findCatalog() == nullptr; }, 5000));
    EXPECT_LT(GetTickCount64() - start, 1500u) << "closing waited for the stalled decoder";
    // The main window shows its picture again; a stalled picture it decodes on the interface thread
    // (not through the read-ahead) holds it up to that picture's time limit.
    ASSERT_TRUE(program.close(20000));
}

// However the program ends (closed, ended from outside, or its interface crashing), its decoder
// processes end with it.
TEST(Decoder, NoDecoderOutlivesTheProgramHoweverItEnds) {
    Pictures pictures;
    pictures.addBmp(L"a.bmp", 200, 150, 0x3366CC);
    pictures.addBmp(L"b.bmp", 200, 150, 0x33CC66);
    for (const int ending : {0, 1, 2}) {
        SCOPED_TRACE(ending == 0 ? "closed" : ending == 1 ? "ended from outside" : "interface crashed");
        Glimvue program;
        ASSERT_TRUE(program.start(e2e::quoted(pictures.path()) + L" -noslide -notransitions"));
        ASSERT_NE(program.waitForMainWindow(), nullptr);
        ASSERT_TRUE(pictures.becomes(program, L"a.bmp", 10000));
        std::vector<DWORD> decoders;
        ASSERT_TRUE(e2e::waitFor([&] { return !(decoders = decodersOf(program.processId())).empty(); }));
        if (ending == 0) {
            ASSERT_TRUE(program.close());
        } else if (ending == 1) {
            TerminateProcess(program.processHandle(), 7);
        } else {
            // A fault on a thread of the program: a jump to an address where nothing is.
            const HANDLE thread = CreateRemoteThread(program.processHandle(), nullptr, 0,
                                                     reinterpret_cast<LPTHREAD_START_ROUTINE>(std::uintptr_t{16}), nullptr, 0, nullptr);
            ASSERT_NE(thread, nullptr);
            CloseHandle(thread);
        }
        // A crashed program may wait in the system's crash report as long as it likes; its decoders
        // do not wait with it.
        if (ending != 2) EXPECT_TRUE(program.waitForExit(30000));
        for (const DWORD id : decoders) EXPECT_TRUE(ended(id)) << "decoder " << id << " outlived the program";
    }
}

}  // namespace
