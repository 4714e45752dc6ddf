// Table-driven reader and writer of INI-style text files (the settings file and the language file),
// and the routine that opens a plain file by a wide path (used by the logs).
//
// File format written: UTF-16LE with a byte-order mark, CRLF line ends, "key=value" lines, one empty
// line before every section header but the first. Files are read as UTF-16LE, UTF-16BE or UTF-8, as
// their bytes show (ini_text.h); a file that is none of these does not open for reading. Reading
// compares headers case-sensitively over the header's own length, keys without regard to case and
// without trimming, skips "#" comments, and cuts a value at its first "=". A value that does not
// parse leaves its target unchanged.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ini_text.h"

enum class SettingType : int {
    Int16 = 1,       // int16_t, read "%d" and stored as 16 bits, written "%hd"
    Bool = 2,        // bool, "TRUE"/"FALSE" (any case); anything else leaves the target unchanged
    Short = 3,       // int16_t, "%hd"
    Long = 4,        // int32_t, "%ld"
    ShortOctal = 5,  // uint16_t, "%ho"
    LongOctal = 6,   // uint32_t, "%lo"
    ShortHex = 7,    // uint16_t, "%hx"
    LongHex = 8,     // uint32_t, "%lx"
    Float = 9,       // float, "%g"
    Double = 10,     // double, "%lg"
    String = 11,     // std::wstring, at most maxChars - 1 characters kept when read
};

struct SettingDescriptor {
    std::wstring key;
    SettingType type = SettingType::String;
    void* target = nullptr;  // a null target ends the table
};

using SettingsTable = std::vector<SettingDescriptor>;

// Converts a value text into the target by the type's rules. Returns false (target unchanged) when the
// text does not parse. maxChars applies to strings only.
bool parseSettingValue(const std::wstring& text, SettingType type, void* target, size_t maxChars);
// Formats the target by its type, as written to the file.
std::wstring formatSettingValue(SettingType type, const void* target);

class IniFile {
public:
    enum Mode { Read = 0, Write = 1 };

    IniFile() = default;
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    // Opens for reading (the file must exist and read as text) or writing (created or emptied).
    // Failure leaves the object closed; every later call then does nothing.
    bool open(const std::wstring& path, Mode mode);
    bool isOpen() const { return file_ != nullptr; }
    // True when the open file is UTF-16 text (always so when writing, but for the narrow fall-back).
    bool wideText() const { return wideText_; }
    // How the file open for reading is taken as text.
    IniTextEncoding encoding() const { return format_.encoding; }

    // Fills the table's targets from the section whose header line starts with `header`
    // (e.g. L"[Slideshow]"); a null header reads from the top of the file.
    void readSection(const SettingsTable& table, const wchar_t* header, size_t maxChars);
    // The lines of a section as the reader sees them: every non-comment line with a key and a value,
    // in file order. readSection is built on it; the language file matches keys against texts that
    // change while the section is read.
    void forEachEntry(const wchar_t* header,
                      const std::function<void(const std::wstring& key, const std::wstring& value)>& visit);
    // Appends the section: header line (none when null), then one line per descriptor.
    void writeSection(const SettingsTable& table, const wchar_t* header);
    // Closes the file. For a file open for writing, false when any of it could not be written (a
    // full drive, a failing device) or the file did not close cleanly.
    bool close();

    // Longest line kept when reading; the rest of a longer line is dropped (a value can never use it:
    // strings keep at most a path's length).
    static constexpr size_t kMaxLineChars = 4096;

private:
    bool readLine(std::wstring& line);  // false at end of file
    int readByte();                     // EOF at the end of the file
    void rewindForReading();
    void writeText(const std::wstring& text);
    void writeLineEnd();

    std::FILE* file_ = nullptr;
    Mode mode_ = Read;
    bool wideText_ = false;
    bool wroteAnything_ = false;
    bool writeFailed_ = false;
    IniTextFormat format_;
    // Reading goes through a block buffer of its own so that huge files stream at a steady pace.
    std::vector<unsigned char> readBuffer_;
    size_t readPos_ = 0;
    size_t readEnd_ = 0;
};

// A plain stdio stream opened by a wide path with a wide mode ("rb", "wb", "ab"), falling back to the
// multibyte form of the path. Closed by close() or the destructor.
class PlainFile {
public:
    PlainFile() = default;
    ~PlainFile() { close(); }
    PlainFile(const PlainFile&) = delete;
    PlainFile& operator=(const PlainFile&) = delete;

    bool open(const std::wstring& path, const wchar_t* mode);
    std::FILE* stream() const { return file_; }
    void close();

private:
    std::FILE* file_ = nullptr;
};

// Opens a stdio stream by wide path (the platform's wide open on Windows, the UTF-8 path elsewhere).
std::FILE* openFileWide(const std::wstring& path, const wchar_t* mode);
