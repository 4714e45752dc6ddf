// Reads arbitrary bytes as a language file into a table with captured menu texts, then writes the
// template back out and reads that again. No step may crash or read out of bounds, and no text may
// exceed its limit.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "core/language_table.h"

namespace {

class FakeMenu : public MenuTextSource {
public:
    bool itemText(int32_t command, std::wstring& text) const override {
        if ((command >= 2000 && command <= 2027) || command >= 3011) {
            text = L"Pin";
        } else {
            text = L"Item " + std::to_wstring(command) + L"\tKey";
        }
        return true;
    }
    bool submenuText(int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(position);
        return true;
    }
    bool innerSubmenuText(int32_t parent, int32_t position, std::wstring& text) const override {
        text = L"Sub " + std::to_wstring(parent) + L"." + std::to_wstring(position);
        return true;
    }
};

// The two files of this process, removed when it ends.
struct TempFiles {
    std::filesystem::path input, output;
    TempFiles() {
        const auto stem = std::filesystem::temp_directory_path() /
                          ("glimvue_language_fuzz_" + std::to_string(::getpid()));
        input = stem.string() + ".in.ini";
        output = stem.string() + ".out.ini";
    }
    ~TempFiles() {
        std::error_code ignored;
        std::filesystem::remove(input, ignored);
        std::filesystem::remove(output, ignored);
    }
};

void checkLimits(const std::vector<LanguageEntry>& entries) {
    for (const auto& entry : entries)
        if (entry.text.size() > LanguageTable::kMaxTextChars) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempFiles files;
    static const std::wstring input = files.input.wstring();
    static const std::wstring output = files.output.wstring();

    if (std::FILE* file = std::fopen(files.input.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }

    LanguageTable table;
    static const FakeMenu menu;
    table.captureMenuTexts(menu);
    table.captureCatalogMenuTexts(menu);
    table.loadLanguage(input);
    for (const auto* entries : {&table.messages(), &table.dialogStrings(), &table.menuItems(), &table.level2Menus(),
                                &table.level3Menus(), &table.catalogItems(), &table.catalogLevel2()})
        checkLimits(*entries);
    if (!table.writeLanguageTemplate(output)) std::abort();

    // The written file read on top of the translated table.
    LanguageTable again;
    again.captureMenuTexts(menu);
    again.captureCatalogMenuTexts(menu);
    again.loadLanguage(input);
    again.loadLanguage(output);
    return 0;
}
