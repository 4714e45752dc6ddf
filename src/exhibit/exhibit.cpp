#include "exhibit.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "text.h"

const wchar_t* PathArena::store(std::wstring_view text) {
    if (text.empty()) return L"";
    if (capacity_ - used_ < text.size()) {
        // A path longer than a chunk gets a chunk of its own size.
        const size_t size = std::max(kChunkChars, text.size());
        chunks_.push_back(std::make_unique<wchar_t[]>(size));
        capacity_ = size;
        used_ = 0;
        bytes_ += size * sizeof(wchar_t);
    }
    wchar_t* place = chunks_.back().get() + used_;
    std::memcpy(place, text.data(), text.size() * sizeof(wchar_t));
    used_ += text.size();
    return place;
}

Exhibit::Exhibit() : arena_(std::make_shared<PathArena>()) { touch(); }

void Exhibit::touch() {
    static std::atomic<uint64_t> lastRevision{0};
    revision_ = ++lastRevision;
}

void Exhibit::append(std::wstring_view path, FileTime created, FileTime modified, FileTime accessed) {
    ExhibitEntry entry;
    entry.pathData = arena_->store(path);
    entry.pathLength = static_cast<uint32_t>(path.size());
    entry.created = created;
    entry.modified = modified;
    entry.accessed = accessed;
    entries_.push_back(entry);
}

void Exhibit::appendEntry(const Exhibit& from, const ExhibitEntry& entry) {
    if (from.arena_ == arena_) {
        entries_.push_back(entry);
        return;
    }
    append(entry.path(), entry.created, entry.modified, entry.accessed);
}

void Exhibit::clear() {
    entries_ = {};
    arena_ = std::make_shared<PathArena>();
    touch();
}

void Exhibit::insert(size_t index, std::wstring_view path, FileTime created, FileTime modified,
                     FileTime accessed) {
    append(path, created, modified, accessed);
    if (index < entries_.size() - 1)
        std::rotate(entries_.begin() + static_cast<std::ptrdiff_t>(index), entries_.end() - 1, entries_.end());
    touch();
}

void Exhibit::erase(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    touch();
}

size_t Exhibit::memoryBytes() const { return entries_.capacity() * sizeof(ExhibitEntry) + arena_->bytes(); }

bool isShortcutPath(std::wstring_view path) {
    const size_t dot = path.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    return equalsNoCase(std::wstring(path.substr(dot)), L".lnk");
}

bool isAcceptedImage(std::wstring_view name, const FormatSwitches& formats) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    const std::wstring extension(name.substr(dot));
    struct Format {
        const wchar_t* extension;
        bool FormatSwitches::*enabled;
    };
    static const Format kFormats[] = {
        {L".bmp", &FormatSwitches::bmp}, {L".emf", &FormatSwitches::emf},  {L".gif", &FormatSwitches::gif},
        {L".ico", &FormatSwitches::ico}, {L".jpg", &FormatSwitches::jpg},  {L".jpeg", &FormatSwitches::jpg},
        {L".png", &FormatSwitches::png}, {L".tif", &FormatSwitches::tif},  {L".tiff", &FormatSwitches::tif},
    };
    for (const Format& format : kFormats)
        if (formats.*format.enabled && equalsNoCase(extension, format.extension)) return true;
    return formats.wic && formats.systemFormats && formats.systemFormats->contains(extensionOf(extension));
}

bool awaitsSystemFormats(std::wstring_view name, const FormatSwitches& formats) {
    if (!formats.wic || !formats.systemFormats || formats.systemFormats->known()) return false;
    const std::wstring extension = extensionOf(name);
    return extension.size() > 1 && !isBuiltInExtension(extension) && extension != L".lnk";
}
