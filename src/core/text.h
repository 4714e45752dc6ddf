// Small text helpers shared by the pure code: UTF-16 unit conversion (independent of the width of
// wchar_t), UTF-8 for byte-string file systems, and case-insensitive comparison.
#pragma once

#include <string>

// Wide string -> UTF-16 code units (surrogate pairs where wchar_t is 32 bits).
std::u16string toUtf16(const std::wstring& text);
// UTF-16 code units -> wide string (pairs joined where wchar_t is 32 bits; lone surrogates kept).
std::wstring fromUtf16(const std::u16string& units);

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& bytes);

wchar_t foldCase(wchar_t c);
bool equalsNoCase(const std::wstring& a, const std::wstring& b);

// The leading decimal digits of the text as an unsigned 32-bit number, at most 2^32 - 1 (a longer
// number never turns into a small one); 0 when it starts with no digit.
unsigned long parseUnsignedDigits(const std::wstring& text);

