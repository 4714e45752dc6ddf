// Feeds arbitrary command lines through the splitter and every argument through the switch or path
// handling, on one settings object, as start-up does. Nothing here may crash or trip a sanitizer.
//
// Input: the first byte picks the reading of the rest: even = UTF-16LE units (an odd last byte is
// dropped), odd = one character per byte (so plain text corpus files read as they look).

#include <cstddef>
#include <cstdint>
#include <string>

#include "command_line.h"
#include "settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool utf16 = (data[0] & 1) == 0;
    ++data;
    --size;

    std::wstring line;
    if (utf16) {
        for (size_t i = 0; i + 1 < size; i += 2)
            line += static_cast<wchar_t>(data[i] | (static_cast<unsigned>(data[i + 1]) << 8));
    } else {
        for (size_t i = 0; i < size; ++i) line += static_cast<wchar_t>(data[i]);
    }

    static Settings defaults;
    Settings settings = defaults;
    const auto arguments = splitCommandLine(line);
    if (arguments.empty()) __builtin_trap();  // element 0, the program, is always there

    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!argument.empty() && argument[0] == L'-') {
            const SwitchOutcome outcome = applySwitch(settings, argument);
            if (!outcome.recognized && outcome.action != SwitchAction::None) __builtin_trap();
            if (outcome.action == SwitchAction::Preset && (outcome.value < 1 || outcome.value > 5))
                __builtin_trap();
            // After a recognised switch a fit mode in force leaves no fixed zoom.
            if (outcome.recognized && (settings.squeeze || settings.shrink || settings.stretch) &&
                settings.zoom != 0)
                __builtin_trap();
        } else {
            const std::wstring path = cleanPathArgument(argument);
            if (!path.empty() && path.back() == L' ') __builtin_trap();
            (void)isSettingsFileArgument(path);
        }
    }
    return 0;
}
