// The exhibit: the ordered list of images the viewer shows, one entry per image file or shortcut.
//
// Paths live in an append-only arena of fixed chunks shared by every copy of the exhibit (a copy set
// aside, a filtered subset), so an entry is a view plus three file times and copying an exhibit
// copies no path text. Chunks never move, so a view stays valid while other paths are appended.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "system_formats.h"

// 100-nanosecond intervals since 1601-01-01 UTC, as the file system records them.
using FileTime = uint64_t;

struct ExhibitEntry {
    const wchar_t* pathData = nullptr;  // points into the exhibit's path arena, not terminated
    uint32_t pathLength = 0;
    FileTime created = 0;
    FileTime modified = 0;
    FileTime accessed = 0;

    std::wstring_view path() const { return {pathData, pathLength}; }
};

// Append-only storage for path text. Thread-compatible: one writer at a time, and readers of text
// already stored may run beside the writer.
class PathArena {
public:
    static constexpr size_t kChunkChars = 64 * 1024;
    PathArena() = default;
    PathArena(const PathArena&) = delete;
    PathArena& operator=(const PathArena&) = delete;

    // Stores the text and returns where it now lives.
    const wchar_t* store(std::wstring_view text);
    size_t bytes() const { return bytes_; }

private:
    std::vector<std::unique_ptr<wchar_t[]>> chunks_;
    size_t used_ = 0;      // characters used in the last chunk
    size_t capacity_ = 0;  // characters in the last chunk
    size_t bytes_ = 0;     // bytes allocated for chunks
};

class Exhibit {
public:
    Exhibit();

    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const ExhibitEntry& operator[](size_t index) const { return entries_[index]; }
    ExhibitEntry& operator[](size_t index) { return entries_[index]; }

    void append(std::wstring_view path, FileTime created, FileTime modified, FileTime accessed);
    // Appends an entry of another exhibit (its path is stored again unless the arena is shared).
    void appendEntry(const Exhibit& from, const ExhibitEntry& entry);
    // Inserts an entry before `index` (at the end when index is past it).
    void insert(size_t index, std::wstring_view path, FileTime created, FileTime modified, FileTime accessed);
    void clear();  // empties the list and starts a fresh arena
    void erase(size_t index);
    void shrinkToFit() { entries_.shrink_to_fit(); }

    // The entries themselves, to be reordered: a new revision.
    std::vector<ExhibitEntry>& entries() {
        touch();
        return entries_;
    }
    const std::vector<ExhibitEntry>& entries() const { return entries_; }

    // Changes when an entry may have moved to another index (inserted, erased, reordered, cleared)
    // and is unique among all exhibits of the process, so a copy put back keeps its own. Appending
    // at the end leaves it: every index still names the entry it did.
    uint64_t revision() const { return revision_; }

    // Bytes held for this exhibit: the entry array and the path arena.
    size_t memoryBytes() const;

private:
    void touch();

    std::shared_ptr<PathArena> arena_;
    std::vector<ExhibitEntry> entries_;
    uint64_t revision_ = 0;
};

// True when the path has a "." and the text from its last "." is ".lnk" in any letter case.
bool isShortcutPath(std::wstring_view path);

// The format switches, in the order of the [Formats] settings. `wic` takes the extensions of the
// system's decoders, as `systemFormats` knows them (none while it is null or not yet known).
struct FormatSwitches {
    bool bmp = true, emf = false, gif = true, ico = false, jpg = true, png = true, tif = false;
    bool wic = true;
    std::shared_ptr<const SystemExtensions> systemFormats;
};
// True when the name's extension (from its last ".", any case) belongs to a switched-on format:
// .bmp .emf .gif .ico .jpg/.jpeg .png .tif/.tiff, or a system format's. A name without "." is
// never accepted.
bool isAcceptedImage(std::wstring_view name, const FormatSwitches& formats);
// True when the name is not accepted now but may be once the system formats are known: system
// formats on, their list not yet known, and an extension the program does not decode itself.
bool awaitsSystemFormats(std::wstring_view name, const FormatSwitches& formats);
