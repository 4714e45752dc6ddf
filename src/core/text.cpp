#include "text.h"

#include <algorithm>
#include <cstdint>
#include <cwctype>

namespace {

constexpr bool kWideIs16 = sizeof(wchar_t) == 2;
constexpr char32_t kReplacement = 0xFFFD;

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Code points of a wide string: pairs are joined where wchar_t is 16 bits; lone surrogates and values
// beyond U+10FFFF come out as they are and are judged by the caller.
template <typename Visit>
void forEachCodePoint(const std::wstring& text, Visit visit) {
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (kWideIs16) {
            c &= 0xFFFF;
            if (isHighSurrogate(c) && i + 1 < text.size()) {
                const char32_t next = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
                if (isLowSurrogate(next)) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                    ++i;
                }
            }
        }
        visit(c);
    }
}

void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (kWideIs16) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

}  // namespace

std::u16string toUtf16(const std::wstring& text) {
    std::u16string units;
    units.reserve(text.size());
    if constexpr (kWideIs16) {
        for (wchar_t c : text) units.push_back(static_cast<char16_t>(c));
    } else {
        for (wchar_t w : text) {
            const auto c = static_cast<char32_t>(w);
            if (c < 0x10000) {
                units.push_back(static_cast<char16_t>(c));  // lone surrogates stay as they are
            } else if (c <= 0x10FFFF) {
                const char32_t v = c - 0x10000;
                units.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
                units.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
            } else {
                units.push_back(static_cast<char16_t>(kReplacement));
            }
        }
    }
    return units;
}

std::wstring fromUtf16(const std::u16string& units) {
    std::wstring text;
    text.reserve(units.size());
    if constexpr (kWideIs16) {
        for (char16_t u : units) text.push_back(static_cast<wchar_t>(u));
    } else {
        for (size_t i = 0; i < units.size(); ++i) {
            char32_t c = units[i];
            if (isHighSurrogate(c) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
                c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
                ++i;
            }
            text.push_back(static_cast<wchar_t>(c));
        }
    }
    return text;
}

std::string toUtf8(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    forEachCodePoint(text, [&bytes](char32_t c) {
        if (isSurrogate(c) || c > 0x10FFFF) c = kReplacement;
        if (c < 0x80) {
            bytes.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (c >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (c >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (c >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    });
    return bytes;
}

std::wstring fromUtf8(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        char32_t c = 0, minimum = 0;
        if (lead < 0x80) {
            text.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, c = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, c = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, c = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length != 0 && i + length <= bytes.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto b = static_cast<unsigned char>(bytes[i + k]);
            if ((b & 0xC0) != 0x80) valid = false;
            else c = (c << 6) | (b & 0x3F);
        }
        if (valid && (c < minimum || c > 0x10FFFF || isSurrogate(c))) valid = false;
        if (!valid) {
            // One replacement character per byte that does not begin a well-formed sequence.
            text.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        appendCodePoint(text, c);
        i += length;
    }
    return text;
}

wchar_t foldCase(wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c))); }

bool equalsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && foldCase(a[i]) != foldCase(b[i])) return false;
    return true;
}


unsigned long parseUnsignedDigits(const std::wstring& text) {
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') break;
        value = std::min<uint64_t>(value * 10u + static_cast<uint64_t>(c - L'0'), UINT32_MAX);
    }
    return static_cast<unsigned long>(value);
}
