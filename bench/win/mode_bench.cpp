// Window-mode change benchmark, run under Wine or Windows against the real Glimvue.exe:
//
//   mode_bench.exe GLIMVUE_EXE [REPETITIONS] [WIDTH HEIGHT]
//
// The program is started in a fresh folder on one large JPEG (3000 x 2000 by default). From this
// process, each repetition times, interleaved on the same window:
//   - one repaint: RedrawWindow with RDW_INVALIDATE | RDW_UPDATENOW, which returns once the
//     program's paint has run;
//   - F11 on and F11 off (command 1012), and P on and P off (command 1202, crop): the command sent
//     with SendMessage (it returns when the command handler has), then RedrawWindow with
//     RDW_UPDATENOW alone, which returns once every paint the change left pending has run.
// The ratio of each change to the repaint (medians) says how many repaints a mode change costs. A
// repaint that leaves the picture's size alone copies the surface kept from the last resample, so
// compare the changes with the repaint of a build from before that surface was kept, too (run this
// twice, once per program, in one session).
// Prints a table and one RESULT line; nothing is asserted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "e2e/harness.h"

using namespace bench;

namespace {

constexpr int kFullScreen = 1012;
constexpr int kCrop = 1202;

bool settle(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result) != 0;
}

double timeRepaint(HWND window) {
    const double start = nowMs();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    return nowMs() - start;
}

double timeCommand(HWND window, int command) {
    DWORD_PTR result = 0;
    const double start = nowMs();
    SendMessageTimeoutW(window, WM_COMMAND, static_cast<WPARAM>(command), 0, SMTO_NORMAL, 20000, &result);
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return nowMs() - start;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mode_bench GLIMVUE_EXE [REPETITIONS] [WIDTH HEIGHT]\n");
        return 2;
    }
    _putenv_s("GLIMVUE_EXE", argv[1]);  // the harness takes the program from there
    const int repetitions = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    const int width = argc > 4 ? std::atoi(argv[3]) : 3000;
    const int height = argc > 4 ? std::atoi(argv[4]) : 2000;

    e2e::TempFolder pictures(L"gvmode");
    const std::string jpeg = e2e::jpegBytes(width, height, 0x3060C0, 0xC09030, 0);
    if (jpeg.empty()) {
        std::fprintf(stderr, "could not encode the test picture\n");
        return 1;
    }
    pictures.add(L"big.jpg", jpeg);

    e2e::Glimvue program;
    if (!program.start(L"-noslide -noautorefresh -nosave -notransitions \"" + pictures.path() + L"\"")) {
        std::fprintf(stderr, "could not start the program\n");
        return 1;
    }
    HWND window = program.waitForMainWindow(90000);  // a cold Wine on a busy machine takes a while
    if (!window || !e2e::waitFor([&] { return program.caption().find(L"big") != std::wstring::npos; }, 30000)) {
        std::fprintf(stderr, "the program did not show the picture (window %p, caption \"%ls\", exit %lu)\n", (void*)window, program.caption().c_str(), program.exitCode());
        return 1;
    }
    settle(window);
    timeRepaint(window);  // warm up: the first paint after start-up

    std::vector<double> repaint, fullOn, fullOff, cropOn, cropOff;
    for (int i = 0; i < repetitions; ++i) {
        repaint.push_back(timeRepaint(window));
        fullOn.push_back(timeCommand(window, kFullScreen));
        fullOff.push_back(timeCommand(window, kFullScreen));
        repaint.push_back(timeRepaint(window));
        cropOn.push_back(timeCommand(window, kCrop));
        cropOff.push_back(timeCommand(window, kCrop));
    }
    program.close();

    const double base = median(repaint);
    auto row = [&](const char* name, const std::vector<double>& values) {
        std::printf("%-16s median %8.1f ms  min %8.1f ms  %5.2f repaints\n", name, median(values), minimum(values),
                    base > 0 ? median(values) / base : 0.0);
    };
    std::printf("picture %d x %d, %d repetitions\n", width, height, repetitions);
    row("one repaint", repaint);
    row("F11 on", fullOn);
    row("F11 off", fullOff);
    row("P (crop) on", cropOn);
    row("P (crop) off", cropOff);
    std::printf("RESULT repaint_ms=%.1f f11_on=%.2f f11_off=%.2f crop_on=%.2f crop_off=%.2f\n", base,
                median(fullOn) / base, median(fullOff) / base, median(cropOn) / base, median(cropOff) / base);
    return 0;
}
