#include "error_log.h"

#include <cstdio>
#include <string>

#include "exhibit.h"
#include "ini_file.h"
#include "text.h"

namespace {

// The record as bytes: each UTF-16 code unit low byte first, whatever the width of wchar_t.
std::string recordBytes(const std::wstring& imagePath) {
    const std::u16string units = toUtf16(imagePath + L"\r\n");
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

// A log that cannot be read does not exist yet: start it with the byte-order mark alone.
void createIfMissing(const std::wstring& logPath) {
    PlainFile probe;
    if (probe.open(logPath, L"rb")) return;
    PlainFile fresh;
    if (!fresh.open(logPath, L"wb")) return;
    static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
    std::fwrite(kByteOrderMark, 1, sizeof kByteOrderMark, fresh.stream());
}

}  // namespace

bool appendErrorLog(const std::wstring& logPath, const std::wstring& imagePath) {
    createIfMissing(logPath);

    std::FILE* log = openFileWide(logPath, L"ab");
    if (!log) return false;
    const std::string bytes = recordBytes(imagePath);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), log) == bytes.size();
    const bool closed = std::fclose(log) == 0;
    return written && closed;
}

bool shouldLogFailure(const std::wstring& imagePath, bool logerrors, bool loglnkfail) {
    return isShortcutPath(imagePath) ? loglnkfail : logerrors;
}
