// How the bytes of a settings or language file are taken as text, and keeping a copy of a file that
// cannot be read before the program replaces it.
//
// The program writes UTF-16LE with a byte-order mark. A user's editor may save the file again as
// UTF-8 (with or without a mark) or as UTF-16 big-endian, and all of these are read. A file that is
// none of them (bytes that are not UTF-8 and no UTF-16 mark, or binary data with null bytes) is not
// read at all, and is copied to "<name>.bak" before it is overwritten, so nothing the user wrote is
// lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class IniTextEncoding {
    Utf16LE,
    Utf16BE,
    Utf8,
    Unreadable,
};

struct IniTextFormat {
    IniTextEncoding encoding = IniTextEncoding::Utf8;
    size_t start = 0;  // bytes before the text: the byte-order mark, if any

    bool readable() const { return encoding != IniTextEncoding::Unreadable; }
};

// Decides how a file is read from all of its bytes, given in pieces of any size.
//   FF FE ...       UTF-16LE after the mark (whatever follows)
//   FE FF ...       UTF-16BE after the mark
//   EF BB BF ...    UTF-8 after the mark, when the rest is well-formed UTF-8 without null bytes
//   x 00 ...        UTF-16LE from the first byte (no mark), when x is a printable ASCII character,
//                   a tab or a line end; 00 x ... likewise UTF-16BE
//   anything else   UTF-8 when it is well-formed UTF-8 without null bytes (plain ASCII is), else
//                   unreadable. An empty file is (empty) UTF-8.
class IniTextSniffer {
public:
    void feed(const unsigned char* bytes, size_t count);
    IniTextFormat result() const;

private:
    unsigned char head_[3] = {0, 0, 0};
    uint64_t total_ = 0;
    bool utf8Valid_ = true;
    bool hasNul_ = false;
    int pending_ = 0;  // continuation bytes still expected by the current UTF-8 sequence
    unsigned char nextLow_ = 0x80, nextHigh_ = 0xBF;  // allowed range of the next continuation byte
};

IniTextFormat detectIniText(const std::string& bytes);

// What must happen before the file at `path` is overwritten. Free: nothing is there, or it reads as
// text. KeepFirst: it cannot be read as text, so its bytes are to be kept as path + ".bak" first.
// LeaveAlone: not even its bytes can be read, and it must not be overwritten.
enum class BeforeOverwrite { Free, KeepFirst, LeaveAlone };
BeforeOverwrite checkBeforeOverwrite(const std::wstring& path);
