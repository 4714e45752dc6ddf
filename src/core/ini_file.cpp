#include "ini_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <system_error>
#include <type_traits>

#include "text.h"

// Number reading follows the C library's scanf conversions: leading blanks are skipped, an optional
// sign and the digits are taken, and whatever follows the number is ignored. Text with no digits at
// all does not parse and leaves the target as it was. A decimal integer beyond its signed target
// stops at the target's limit (70000 gives 32767 in 16 bits), so a large number never turns into a
// small or negative one. Octal and hexadecimal targets are unsigned bit patterns and keep the value
// modulo 2^bits, the same for every platform ("-1" is 0xffff for a 16-bit target).

namespace {

constexpr size_t kReadBlockBytes = 64 * 1024;
#ifdef _WIN32
constexpr size_t kMultibytePathBytes = 260;
#endif

bool isScanBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

int digitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// Reads an integer in the given base: its sign and its magnitude, which stops growing at 2^64 - 1.
bool scanInteger(const std::wstring& text, int base, bool& negative, uint64_t& magnitude) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && isScanBlank(text[i])) ++i;
    negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    if (base == 16 && i + 2 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
        digitValue(text[i + 2]) >= 0)
        i += 2;
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    const auto b = static_cast<uint64_t>(base);
    uint64_t value = 0;
    size_t digits = 0;
    for (; i < n; ++i, ++digits) {
        const int d = digitValue(text[i]);
        if (d < 0 || d >= base) break;
        const auto digit = static_cast<uint64_t>(d);
        value = value > (kMax - digit) / b ? kMax : value * b + digit;
    }
    if (digits == 0) return false;
    magnitude = value;
    return true;
}

bool startsWithNoCase(const std::wstring& text, size_t at, const wchar_t* word) {
    for (size_t k = 0; word[k]; ++k)
        if (at + k >= text.size() || foldCase(text[at + k]) != word[k]) return false;
    return true;
}

// Reads a real number: decimal digits with an optional fraction and exponent, or inf, infinity, nan.
template <typename Real>
bool scanReal(const std::wstring& text, Real& result) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n && isScanBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    if (startsWithNoCase(text, i, L"inf")) {
        result = negative ? -std::numeric_limits<Real>::infinity() : std::numeric_limits<Real>::infinity();
        return true;
    }
    if (startsWithNoCase(text, i, L"nan")) {
        result = std::numeric_limits<Real>::quiet_NaN();
        return true;
    }

    std::string digits;  // the matched number in ASCII, without its sign
    size_t integerDigits = 0, significantInteger = 0, fractionDigits = 0, zerosBeforeFraction = 0;
    bool nonZero = false;
    for (; i < n && text[i] >= L'0' && text[i] <= L'9'; ++i, ++integerDigits) {
        if (text[i] != L'0') nonZero = true;
        if (nonZero) ++significantInteger;
        digits.push_back(static_cast<char>(text[i]));
    }
    if (i < n && text[i] == L'.') {
        digits.push_back('.');
        for (++i; i < n && text[i] >= L'0' && text[i] <= L'9'; ++i, ++fractionDigits) {
            if (text[i] != L'0') nonZero = true;
            else if (!nonZero) ++zerosBeforeFraction;
            digits.push_back(static_cast<char>(text[i]));
        }
    }
    if (integerDigits + fractionDigits == 0) return false;

    long long exponent = 0;
    if (i < n && (text[i] == L'e' || text[i] == L'E')) {
        size_t j = i + 1;
        bool negativeExponent = false;
        if (j < n && (text[j] == L'+' || text[j] == L'-')) negativeExponent = text[j++] == L'-';
        if (j < n && text[j] >= L'0' && text[j] <= L'9') {
            digits.push_back('e');
            if (negativeExponent) digits.push_back('-');
            for (; j < n && text[j] >= L'0' && text[j] <= L'9'; ++j) {
                digits.push_back(static_cast<char>(text[j]));
                if (exponent < 1000000000) exponent = exponent * 10 + (text[j] - L'0');
            }
            if (negativeExponent) exponent = -exponent;
        }
    }

    Real value = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                        std::chars_format::general);
    if (parsed.ec == std::errc::result_out_of_range) {
        // Too large becomes infinity and too small becomes zero, as strtod gives them.
        const long long magnitude =
            significantInteger > 0 ? static_cast<long long>(significantInteger) + exponent
                                   : exponent - static_cast<long long>(zerosBeforeFraction);
        value = magnitude > 0 ? std::numeric_limits<Real>::infinity() : Real(0);
    } else if (parsed.ec != std::errc()) {
        return false;
    }
    result = negative ? -value : value;
    return true;
}

// The first characters of the text that fit in `maxUnits` UTF-16 units; a surrogate pair is never cut.
std::wstring keepUtf16Units(const std::wstring& text, size_t maxUnits) {
    size_t used = 0, i = 0;
    while (i < text.size()) {
        size_t take = 1, cost = 1;
        const auto c = static_cast<uint32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
                const auto next = static_cast<uint32_t>(text[i + 1]);
                if (next >= 0xDC00 && next <= 0xDFFF) take = cost = 2;
            }
        } else if (c > 0xFFFF && c <= 0x10FFFF) {
            cost = 2;
        }
        if (used + cost > maxUnits) break;
        used += cost;
        i += take;
    }
    return text.substr(0, i);
}

template <typename Int>
bool parseInteger(const std::wstring& text, int base, void* target) {
    bool negative = false;
    uint64_t magnitude = 0;
    if (!scanInteger(text, base, negative, magnitude)) return false;
    Int& result = *static_cast<Int*>(target);
    if constexpr (std::is_signed_v<Int>) {
        using Unsigned = std::make_unsigned_t<Int>;
        const auto maximum = static_cast<uint64_t>(std::numeric_limits<Int>::max());
        if (!negative)
            result = magnitude > maximum ? std::numeric_limits<Int>::max() : static_cast<Int>(magnitude);
        else if (magnitude > maximum)
            result = std::numeric_limits<Int>::min();
        else
            result = static_cast<Int>(0 - static_cast<Unsigned>(magnitude));
    } else {
        const uint64_t bits = negative ? 0 - magnitude : magnitude;
        result = static_cast<Int>(bits);
    }
    return true;
}

std::wstring widenAscii(const char* text) {
    std::wstring wide;
    for (; *text; ++text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*text)));
    return wide;
}

std::wstring formatReal(double value) {
    if (std::isnan(value)) return L"nan";
    if (std::isinf(value)) return value < 0 ? L"-inf" : L"inf";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return widenAscii(buffer);
}

bool isDelimiter(wchar_t c) { return c == L'=' || c == L'\n' || c == L'\r'; }

// Splits a line into its first two tokens; false when it has fewer than two.
bool splitEntry(const std::wstring& line, std::wstring& key, std::wstring& value) {
    size_t i = 0;
    const size_t n = line.size();
    auto nextToken = [&](std::wstring& token) {
        while (i < n && isDelimiter(line[i])) ++i;
        const size_t start = i;
        while (i < n && !isDelimiter(line[i])) ++i;
        token.assign(line, start, i - start);
        return !token.empty();
    };
    return nextToken(key) && nextToken(value);
}

bool containsNul(const std::wstring& text) { return text.find(L'\0') != std::wstring::npos; }

// Wide characters to the multibyte code page; characters it lacks become "?".
std::string wideToNarrow(const std::wstring& text) {
    std::string bytes;
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (wchar_t c : text) {
        const size_t length = std::wcrtomb(buffer, c, &state);
        if (length == static_cast<size_t>(-1)) {
            bytes.push_back('?');
            state = std::mbstate_t{};
        } else {
            bytes.append(buffer, length);
        }
    }
    return bytes;
}

#ifdef _WIN32
std::FILE* openMultibyte(const std::wstring& path, const char* mode) {
    char buffer[kMultibytePathBytes];
    const size_t length = std::wcstombs(buffer, path.c_str(), sizeof buffer);
    if (length == static_cast<size_t>(-1) || length >= sizeof buffer) return nullptr;
    return std::fopen(buffer, mode);
}
#endif

}  // namespace

bool parseSettingValue(const std::wstring& text, SettingType type, void* target, size_t maxChars) {
    if (!target) return false;
    switch (type) {
    case SettingType::Int16:
    case SettingType::Short:
        return parseInteger<int16_t>(text, 10, target);
    case SettingType::Long:
        return parseInteger<int32_t>(text, 10, target);
    case SettingType::ShortOctal:
        return parseInteger<uint16_t>(text, 8, target);
    case SettingType::LongOctal:
        return parseInteger<uint32_t>(text, 8, target);
    case SettingType::ShortHex:
        return parseInteger<uint16_t>(text, 16, target);
    case SettingType::LongHex:
        return parseInteger<uint32_t>(text, 16, target);
    case SettingType::Bool:
        if (equalsNoCase(text, L"TRUE")) *static_cast<bool*>(target) = true;
        else if (equalsNoCase(text, L"FALSE")) *static_cast<bool*>(target) = false;
        else return false;
        return true;
    case SettingType::Float:
        return scanReal(text, *static_cast<float*>(target));
    case SettingType::Double:
        return scanReal(text, *static_cast<double*>(target));
    case SettingType::String:
        *static_cast<std::wstring*>(target) = keepUtf16Units(text, maxChars > 0 ? maxChars - 1 : 0);
        return true;
    }
    return false;
}

std::wstring formatSettingValue(SettingType type, const void* target) {
    if (!target) return {};
    char buffer[32];
    switch (type) {
    case SettingType::Int16:
    case SettingType::Short:
        std::snprintf(buffer, sizeof buffer, "%hd", static_cast<short>(*static_cast<const int16_t*>(target)));
        return widenAscii(buffer);
    case SettingType::Long:
        std::snprintf(buffer, sizeof buffer, "%ld", static_cast<long>(*static_cast<const int32_t*>(target)));
        return widenAscii(buffer);
    case SettingType::ShortOctal:
        std::snprintf(buffer, sizeof buffer, "%ho",
                      static_cast<unsigned short>(*static_cast<const uint16_t*>(target)));
        return widenAscii(buffer);
    case SettingType::LongOctal:
        std::snprintf(buffer, sizeof buffer, "%lo",
                      static_cast<unsigned long>(*static_cast<const uint32_t*>(target)));
        return widenAscii(buffer);
    case SettingType::ShortHex:
        std::snprintf(buffer, sizeof buffer, "%hx",
                      static_cast<unsigned short>(*static_cast<const uint16_t*>(target)));
        return widenAscii(buffer);
    case SettingType::LongHex:
        std::snprintf(buffer, sizeof buffer, "%lx",
                      static_cast<unsigned long>(*static_cast<const uint32_t*>(target)));
        return widenAscii(buffer);
    case SettingType::Bool:
        return *static_cast<const bool*>(target) ? L"TRUE" : L"FALSE";
    case SettingType::Float:
        return formatReal(*static_cast<const float*>(target));
    case SettingType::Double:
        return formatReal(*static_cast<const double*>(target));
    case SettingType::String:
        return *static_cast<const std::wstring*>(target);
    }
    return {};
}

IniFile::~IniFile() { close(); }

bool IniFile::open(const std::wstring& path, Mode mode) {
    close();
    if ((mode != Read && mode != Write) || containsNul(path)) return false;
    // Reading is always binary: the bytes tell how the text is encoded. Writing falls back to the
    // system code page in text mode only when the wide path cannot be opened at all.
#ifdef _WIN32
    file_ = _wfopen(path.c_str(), mode == Write ? L"wb" : L"rb");
    wideText_ = file_ != nullptr;
    if (!file_) file_ = openMultibyte(path, mode == Write ? "w" : "rb");
#else
    file_ = std::fopen(toUtf8(path).c_str(), mode == Write ? "wb" : "rb");
    wideText_ = true;
#endif
    if (!file_) {
        wideText_ = false;
        return false;
    }
    mode_ = mode;
    wroteAnything_ = false;
    writeFailed_ = false;
    readPos_ = readEnd_ = 0;
    if (mode == Read) {
        readBuffer_.resize(kReadBlockBytes);
        IniTextSniffer sniffer;
        while ((readEnd_ = std::fread(readBuffer_.data(), 1, readBuffer_.size(), file_)) > 0)
            sniffer.feed(readBuffer_.data(), readEnd_);
        format_ = sniffer.result();
        if (!format_.readable()) {
            close();
            return false;
        }
        wideText_ = format_.encoding != IniTextEncoding::Utf8;
        readPos_ = readEnd_ = 0;
    } else if (wideText_) {
        const unsigned char bom[2] = {0xFF, 0xFE};
        writeFailed_ = std::fwrite(bom, 1, sizeof bom, file_) != sizeof bom;
    }
    return true;
}

bool IniFile::close() {
    bool ok = !(mode_ == Write && writeFailed_);
    if (file_) {
        if (mode_ == Write && (std::fflush(file_) != 0 || std::ferror(file_))) ok = false;
        if (std::fclose(file_) != 0 && mode_ == Write) ok = false;
    }
    file_ = nullptr;
    writeFailed_ = false;
    wideText_ = false;
    wroteAnything_ = false;
    format_ = {};
    readBuffer_.clear();
    readBuffer_.shrink_to_fit();
    readPos_ = readEnd_ = 0;
    return ok;
}

int IniFile::readByte() {
    if (readPos_ == readEnd_) {
        readPos_ = 0;
        readEnd_ = std::fread(readBuffer_.data(), 1, readBuffer_.size(), file_);
        if (readEnd_ == 0) return EOF;
    }
    return readBuffer_[readPos_++];
}

void IniFile::rewindForReading() {
    std::rewind(file_);
    readPos_ = readEnd_ = 0;
    for (size_t i = 0; i < format_.start; ++i) readByte();  // the byte-order mark
}

bool IniFile::readLine(std::wstring& line) {
    line.clear();
    bool gotAnything = false;
    std::u16string units;
    if (format_.encoding == IniTextEncoding::Utf8) {
        // Enough bytes for kMaxLineChars characters; the line is cut to its units below.
        std::string bytes;
        for (;;) {
            const int byte = readByte();
            if (byte == EOF) break;
            gotAnything = true;
            if (byte == '\n') break;
            if (bytes.size() < 4 * kMaxLineChars) bytes.push_back(static_cast<char>(byte));
        }
        units = toUtf16(fromUtf8(bytes));
        if (units.size() > kMaxLineChars) units.resize(kMaxLineChars);
    } else {
        const bool bigEndian = format_.encoding == IniTextEncoding::Utf16BE;
        for (;;) {
            const int first = readByte();
            if (first == EOF) break;
            const int second = readByte();
            if (second == EOF) break;  // an odd last byte is not a character
            gotAnything = true;
            const auto unit = static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
            if (unit == u'\n') break;
            if (units.size() < kMaxLineChars) units.push_back(unit);
        }
    }
    if (!units.empty() && units.back() == u'\r') units.pop_back();
    line = fromUtf16(units);
    // A line is text up to its first null character, as it always was for the C-string reader.
    const size_t nul = line.find(L'\0');
    if (nul != std::wstring::npos) line.resize(nul);
    return gotAnything;
}

void IniFile::forEachEntry(const wchar_t* header,
                           const std::function<void(const std::wstring& key, const std::wstring& value)>& visit) {
    if (!file_ || mode_ != Read || !visit) return;
    rewindForReading();
    std::wstring line;
    if (header) {
        const std::wstring wanted = header;
        bool found = false;
        while (!found && readLine(line)) found = line.starts_with(wanted);
        if (!found) return;
    }
    std::wstring key, value;
    while (readLine(line)) {
        if (!line.empty() && line.front() == L'[') break;
        if (!line.empty() && line.front() == L'#') continue;
        if (splitEntry(line, key, value)) visit(key, value);
    }
}

void IniFile::readSection(const SettingsTable& table, const wchar_t* header, size_t maxChars) {
    forEachEntry(header, [&](const std::wstring& key, const std::wstring& value) {
        for (const auto& descriptor : table) {
            if (!descriptor.target) break;
            if (equalsNoCase(key, descriptor.key))
                parseSettingValue(value, descriptor.type, descriptor.target, maxChars);
        }
    });
}

void IniFile::writeText(const std::wstring& text) {
    if (!file_ || mode_ != Write) return;
    wroteAnything_ = true;
    if (wideText_) {
        const std::u16string units = toUtf16(text);
        std::string bytes;
        bytes.reserve(units.size() * 2);
        for (char16_t unit : units) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>(unit >> 8));
        }
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) writeFailed_ = true;
    } else {
        const std::string bytes = wideToNarrow(text);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) writeFailed_ = true;
    }
}

void IniFile::writeLineEnd() {
    // The narrow fall-back stream is in text mode and turns "\n" into the platform's line end itself.
    writeText(wideText_ ? L"\r\n" : L"\n");
}

void IniFile::writeSection(const SettingsTable& table, const wchar_t* header) {
    if (!file_ || mode_ != Write) return;
    if (wroteAnything_) writeLineEnd();
    if (header) {
        writeText(header);
        writeLineEnd();
    }
    for (const auto& descriptor : table) {
        if (!descriptor.target) break;
        writeText(descriptor.key + L"=" + formatSettingValue(descriptor.type, descriptor.target));
        writeLineEnd();
    }
}

bool PlainFile::open(const std::wstring& path, const wchar_t* mode) {
    close();
    file_ = openFileWide(path, mode);
    return file_ != nullptr;
}

void PlainFile::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

std::FILE* openFileWide(const std::wstring& path, const wchar_t* mode) {
    if (!mode || containsNul(path)) return nullptr;
#ifdef _WIN32
    if (std::FILE* file = _wfopen(path.c_str(), mode)) return file;
    char narrowMode[4];  // at most three characters
    const size_t length = std::wcstombs(narrowMode, mode, sizeof narrowMode);
    if (length == static_cast<size_t>(-1) || length >= sizeof narrowMode) return nullptr;
    return openMultibyte(path, narrowMode);
#else
    return std::fopen(toUtf8(path).c_str(), toUtf8(mode).c_str());
#endif
}
