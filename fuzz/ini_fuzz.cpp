// Feeds arbitrary bytes to the settings file reader. Besides never crashing, it checks that what was
// read survives a write and a second read unchanged, that values parse back from their own text, that
// the file opens exactly when its bytes read as text, and that a file that does not is kept whole in
// its ".bak" copy before it would be replaced.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "ini_file.h"
#include "ini_text.h"
#include "settings.h"
#include "text.h"

namespace {

struct TempFiles {
    std::filesystem::path input, output;
    TempFiles() {
        const std::string tag = std::to_string(std::random_device()());
        const auto dir = std::filesystem::temp_directory_path();
        input = dir / ("glimvue-ini-fuzz-in-" + tag + ".ini");
        output = dir / ("glimvue-ini-fuzz-out-" + tag + ".ini");
    }
    ~TempFiles() {
        std::error_code ignored;
        std::filesystem::remove(input, ignored);
        std::filesystem::remove(output, ignored);
    }
};

void check(bool condition) {
    if (!condition) std::abort();
}

// Every value the reader hands out goes through every type; what parses must format and parse back
// to the same value.
void exerciseValue(const std::wstring& value) {
    auto integer = [&](SettingType type, auto sample) {
        auto target = sample;
        if (!parseSettingValue(value, type, &target, 0)) return;
        auto again = static_cast<decltype(sample)>(target ^ 1);  // another value, whatever the target holds
        check(parseSettingValue(formatSettingValue(type, &target), type, &again, 0));
        check(again == target);
    };
    integer(SettingType::Int16, int16_t{7});
    integer(SettingType::Short, int16_t{7});
    integer(SettingType::Long, int32_t{7});
    integer(SettingType::ShortOctal, uint16_t{7});
    integer(SettingType::LongOctal, uint32_t{7});
    integer(SettingType::ShortHex, uint16_t{7});
    integer(SettingType::LongHex, uint32_t{7});

    float f = 0;
    if (parseSettingValue(value, SettingType::Float, &f, 0)) check(!formatSettingValue(SettingType::Float, &f).empty());
    double d = 0;
    if (parseSettingValue(value, SettingType::Double, &d, 0))
        check(!formatSettingValue(SettingType::Double, &d).empty());
    bool flag = false;
    parseSettingValue(value, SettingType::Bool, &flag, 0);

    std::wstring text;
    check(parseSettingValue(value, SettingType::String, &text, 5));
    check(toUtf16(text).size() <= 4);
    check(value.compare(0, text.size(), text) == 0);
}

std::wstring widePath(const std::filesystem::path& path) { return fromUtf8(path.string()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempFiles files;
    if (std::FILE* out = std::fopen(files.input.string().c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, out);
        std::fclose(out);
    } else {
        return 0;
    }

    const bool readable = detectIniText(std::string(reinterpret_cast<const char*>(data), size)).readable();
    Settings first;
    {
        IniFile file;
        const bool opened = file.open(widePath(files.input), IniFile::Read);
        check(opened == readable);
        // What cannot be read as text is kept before it is replaced; text needs no copy.
        check(checkBeforeOverwrite(widePath(files.input)) ==
              (opened ? BeforeOverwrite::Free : BeforeOverwrite::KeepFirst));
        if (!opened) return 0;
        readAllSections(file, first);
        auto visit = [](const std::wstring& key, const std::wstring& value) {
            check(!key.empty() && !value.empty());
            check(key.find_first_of(L"=\r\n") == std::wstring::npos);
            check(value.find_first_of(std::wstring(L"=\r\n\0", 4)) == std::wstring::npos);
            check(toUtf16(key).size() + toUtf16(value).size() < IniFile::kMaxLineChars);
            exerciseValue(value);
        };
        file.forEachEntry(nullptr, visit);
        file.forEachEntry(L"[Slideshow]", visit);
        file.forEachEntry(L"", visit);
    }

    {
        IniFile file;
        if (!file.open(widePath(files.output), IniFile::Write)) return 0;
        writeAllSections(file, first);
    }
    Settings second;
    second.timer = first.timer ^ 1;
    {
        IniFile file;
        if (!file.open(widePath(files.output), IniFile::Read)) return 0;
        readAllSections(file, second);
    }
    for (const auto& row : settingsSchema())
        check(formatSettingValue(row.type, row.field(first)) == formatSettingValue(row.type, row.field(second)));
    return 0;
}
