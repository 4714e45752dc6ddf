#include "file_names.h"

#include <cstdio>
#include <string>

#include "ini_file.h"
#include "text.h"

namespace {

// Where the name of a path starts: after its last backslash.
size_t nameStart(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? 0 : slash + 1;
}

std::wstring twoDigitsAtLeast(unsigned n) {
    std::wstring digits = std::to_wstring(n);
    if (digits.size() < 2) digits.insert(0, 2 - digits.size(), L'0');
    return digits;
}

// The text from the last "." of the path's name; empty when the name has none.
std::wstring extensionOfName(const std::wstring& path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart(path)) return {};
    return path.substr(dot);
}

// Units as little-endian bytes, whatever the width of wchar_t.
std::string littleEndianBytes(const std::u16string& units) {
    std::string bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    }
    return bytes;
}

// Opens the log for appending (never truncating) and writes the byte-order mark when it is empty.
std::FILE* openStartedLog(const std::wstring& logPath) {
    std::FILE* log = openFileWide(logPath, L"ab");
    if (!log) return nullptr;
    // Where an append stream starts is left to the library: ask for the end explicitly.
    if (std::fseek(log, 0, SEEK_END) != 0) {
        std::fclose(log);
        return nullptr;
    }
    if (std::ftell(log) == 0) {
        static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
        if (std::fwrite(kByteOrderMark, 1, sizeof kByteOrderMark, log) != sizeof kByteOrderMark) {
            std::fclose(log);
            return nullptr;
        }
    }
    return log;
}

}  // namespace

std::wstring nameOfPath(const std::wstring& path) { return path.substr(nameStart(path)); }

std::wstring resolveAgainst(const std::wstring& base, const std::wstring& path) {
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.empty() || (path.size() >= 2 && path[1] == L':') || (path.size() >= 2 && isSlash(path[0]) && isSlash(path[1])))
        return path;
    if (isSlash(path[0])) {
        // The root of the base's drive: "X:", or "\\server\share" of a network folder.
        size_t rootLength = base.size() >= 2 && base[1] == L':' ? 2 : 0;
        if (base.starts_with(L"\\\\")) {
            const size_t server = base.find(L'\\', 2);
            const size_t share = server == std::wstring::npos ? server : base.find(L'\\', server + 1);
            rootLength = share == std::wstring::npos ? base.size() : share;
        }
        return base.substr(0, rootLength) + path;
    }
    if (base.empty()) return path;
    return (isSlash(base.back()) ? base : base + L"\\") + path;
}

std::wstring destinationInFolder(const std::wstring& folder, const std::wstring& sourcePath) {
    std::wstring destination = folder;
    if (destination.empty() || destination.back() != L'\\') destination += L'\\';
    return destination + nameOfPath(sourcePath);
}

std::wstring numberedVariant(const std::wstring& path, unsigned n) {
    const std::wstring extension = extensionOfName(path);
    return path.substr(0, path.size() - extension.size()) + L"-" + twoDigitsAtLeast(n) + extension;
}

bool makeUniquePath(std::wstring& path, const std::function<bool(const std::wstring&)>& exists) {
    if (!exists(path)) return true;
    const std::wstring taken = path;
    for (unsigned n = 1; n <= kMaxVariantNumber; ++n) {
        path = numberedVariant(taken, n);
        if (!exists(path)) return true;
    }
    return false;
}

std::wstring savePathForFilter(const std::wstring& chosen, int filter) {
    const wchar_t* wanted = filter == kSaveFilterJpeg  ? L".jpg"
                            : filter == kSaveFilterBmp ? L".bmp"
                                                       : nullptr;
    if (!wanted) return {};
    const size_t dot = chosen.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : chosen.substr(dot);
    return equalsNoCase(extension, wanted) ? chosen : chosen + wanted;
}

std::wstring confirmationText(const std::wstring& verb, const std::wstring& path,
                              const std::wstring& questionMark) {
    return verb + L" " + path + L" " + questionMark;
}

std::wstring archiveLogRecord(const std::wstring& source, const std::wstring& archiveFolder) {
    return source + L" -> " + archiveFolder + L"\r\n";
}

bool startUtf16Log(const std::wstring& logPath) {
    std::FILE* log = openStartedLog(logPath);
    if (!log) return false;
    return std::fclose(log) == 0;
}

bool appendUtf16Log(const std::wstring& logPath, const std::wstring& text) {
    std::FILE* log = openStartedLog(logPath);
    if (!log) return false;
    const std::string bytes = littleEndianBytes(toUtf16(text));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), log) == bytes.size();
    const bool closed = std::fclose(log) == 0;
    return written && closed;
}

bool sharedFolderOf(const std::vector<std::wstring>& paths, std::wstring& folder) {
    if (paths.empty()) return false;
    const std::wstring& first = paths.front();
    if (!first.empty() && first.back() == L':') return false;
    if (first.size() >= 2 && first[first.size() - 2] == L':') return false;
    const size_t slash = first.rfind(L'\\');
    if (slash == std::wstring::npos) return false;
    const std::wstring candidate = first.substr(0, slash);
    for (const std::wstring& path : paths) {
        const size_t cut = path.rfind(L'\\');
        if (cut == std::wstring::npos || path.compare(0, cut, candidate) != 0 || cut != candidate.size())
            return false;
    }
    folder = candidate;
    return true;
}
