// A fresh temporary folder per test, and raw UTF-16LE bytes built without the code under test.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "text.h"

// A file-system path for a wide path: byte-string systems take its UTF-8 form.
inline std::filesystem::path fsPath(const std::wstring& wide) {
#ifdef _WIN32
    return std::filesystem::path(wide);
#else
    return std::filesystem::path(toUtf8(wide));
#endif
}

// UTF-16 units as little-endian bytes, and back.
inline std::string le16(const std::u16string& units) {
    std::string bytes;
    for (char16_t u : units) bytes += std::string{char(u & 0xFF), char(u >> 8)};
    return bytes;
}
inline std::u16string fromLe16(const std::string& bytes) {
    std::u16string units;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        units += char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8);
    return units;
}
// A file as the program writes it: byte-order mark, then the units.
inline std::string utf16File(const std::u16string& units) { return "\xFF\xFE" + le16(units); }

class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        dir_ = std::filesystem::temp_directory_path() /
               ("glimvue-test-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::wstring path(const std::wstring& name = L"test.ini") const {
        return dir_.wstring() + wchar_t(std::filesystem::path::preferred_separator) + name;
    }
    void writeBytes(const std::string& bytes, const std::wstring& name = L"test.ini") const {
        std::ofstream out(fsPath(path(name)), std::ios::binary);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }
    std::string readBytes(const std::wstring& name = L"test.ini") const {
        std::ifstream in(fsPath(path(name)), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::filesystem::path dir_;
};
