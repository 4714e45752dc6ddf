#include "ini_text.h"

#include <cstdio>
#include <vector>

#include "ini_file.h"

namespace {

constexpr size_t kBlockBytes = 64 * 1024;

// A character that can begin a settings or language file: printable ASCII, a tab or a line end.
bool isPlainTextByte(unsigned char b) { return b == '\t' || b == '\n' || b == '\r' || (b >= 0x20 && b < 0x7F); }

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

}  // namespace

void IniTextSniffer::feed(const unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const unsigned char b = bytes[i];
        if (total_ < 3) head_[total_] = b;
        ++total_;
        if (b == 0) hasNul_ = true;
        if (!utf8Valid_) continue;

        // Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
        if (pending_ > 0) {
            if (b < nextLow_ || b > nextHigh_) {
                utf8Valid_ = false;
                continue;
            }
            --pending_;
            nextLow_ = 0x80;
            nextHigh_ = 0xBF;
            continue;
        }
        if (b < 0x80) continue;
        if (b >= 0xC2 && b <= 0xDF) {
            pending_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            pending_ = 2;
            if (b == 0xE0) nextLow_ = 0xA0;
            if (b == 0xED) nextHigh_ = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            pending_ = 3;
            if (b == 0xF0) nextLow_ = 0x90;
            if (b == 0xF4) nextHigh_ = 0x8F;
        } else {
            utf8Valid_ = false;
        }
    }
}

IniTextFormat IniTextSniffer::result() const {
    using E = IniTextEncoding;
    const bool cleanUtf8 = utf8Valid_ && pending_ == 0 && !hasNul_;
    if (total_ >= 2 && head_[0] == 0xFF && head_[1] == 0xFE) return {E::Utf16LE, 2};
    if (total_ >= 2 && head_[0] == 0xFE && head_[1] == 0xFF) return {E::Utf16BE, 2};
    if (total_ >= 3 && head_[0] == 0xEF && head_[1] == 0xBB && head_[2] == 0xBF)
        return cleanUtf8 ? IniTextFormat{E::Utf8, 3} : IniTextFormat{E::Unreadable, 0};
    if (total_ >= 2 && head_[1] == 0 && head_[0] != 0 && isPlainTextByte(head_[0])) return {E::Utf16LE, 0};
    if (total_ >= 2 && head_[0] == 0 && head_[1] != 0 && isPlainTextByte(head_[1])) return {E::Utf16BE, 0};
    return cleanUtf8 ? IniTextFormat{E::Utf8, 0} : IniTextFormat{E::Unreadable, 0};
}

IniTextFormat detectIniText(const std::string& bytes) {
    IniTextSniffer sniffer;
    sniffer.feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return sniffer.result();
}

BeforeOverwrite checkBeforeOverwrite(const std::wstring& path) {
    FileCloser in{openFileWide(path, L"rb")};
    if (!in.file) return BeforeOverwrite::Free;  // nothing there to keep

    std::vector<unsigned char> block(kBlockBytes);
    IniTextSniffer sniffer;
    for (size_t got; (got = std::fread(block.data(), 1, block.size(), in.file)) > 0;)
        sniffer.feed(block.data(), got);
    if (std::ferror(in.file)) return BeforeOverwrite::LeaveAlone;
    return sniffer.result().readable() ? BeforeOverwrite::Free : BeforeOverwrite::KeepFirst;
}
