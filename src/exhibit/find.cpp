#include "find.h"

#include <algorithm>
#include <cwctype>
#include <vector>

std::wstring clipSearchText(std::wstring_view text) {
    if (text.size() <= kMaxSearchChars) return std::wstring(text);
    size_t length = kMaxSearchChars;
    const auto last = static_cast<unsigned long>(text[length - 1]);
    const auto next = static_cast<unsigned long>(text[length]);
    if (last >= 0xD800 && last <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) --length;
    return std::wstring(text.substr(0, length));
}

wchar_t lowerForSearch(wchar_t c) {
    const auto code = static_cast<unsigned long>(c);
    if (code >= L'A' && code <= L'Z') return static_cast<wchar_t>(code + 32);
    // Latin-1 capitals; U+00D7 is the multiplication sign.
    if (code >= 0xC0 && code <= 0xDE && code != 0xD7) return static_cast<wchar_t>(code + 32);
    if (code < 0x80) return c;
    return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
}

std::wstring_view searchName(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring_view::npos) name = name.substr(0, dot);
    return name;
}

namespace {

std::wstring lowered(std::wstring_view text) {
    std::wstring copy(text);
    for (wchar_t& c : copy) c = lowerForSearch(c);
    return copy;
}

// A matcher prepares the search text once for a run over many paths.
class Matcher {
public:
    explicit Matcher(const FindState& find)
        : find_(find), needle_(find.matchCase ? find.searchText : lowered(find.searchText)) {}

    bool operator()(std::wstring_view path) const {
        const std::wstring_view subject = find_.matchNameOnly ? searchName(path) : path;
        if (needle_.empty()) return true;
        if (find_.matchCase) return subject.find(needle_) != std::wstring_view::npos;
        // The needle is lowered already; each path character is lowered as it is compared.
        return std::search(subject.begin(), subject.end(), needle_.begin(), needle_.end(),
                           [](wchar_t fromPath, wchar_t fromNeedle) {
                               return lowerForSearch(fromPath) == fromNeedle;
                           }) != subject.end();
    }

private:
    const FindState& find_;
    std::wstring needle_;
};

}  // namespace

bool matchesSearch(std::wstring_view path, const FindState& find) { return Matcher(find)(path); }

long long findNextIndex(const Exhibit& exhibit, size_t start, const FindState& find) {
    const size_t count = exhibit.size();
    if (start > count) start = count;
    const Matcher matches(find);
    for (size_t i = start; i < count; ++i)
        if (matches(exhibit[i].path())) return static_cast<long long>(i);
    for (size_t i = 0; i < start; ++i)
        if (matches(exhibit[i].path())) return static_cast<long long>(i);
    return -1;
}

Exhibit filterEntries(const Exhibit& exhibit, const FindState& find, bool keepMatches) {
    const Matcher matches(find);
    // A copy shares the path arena, so dropping the other entries leaves a subset without copying text.
    Exhibit result = exhibit;
    std::erase_if(result.entries(),
                  [&](const ExhibitEntry& entry) { return matches(entry.path()) != keepMatches; });
    result.shrinkToFit();
    return result;
}

long long newestIndex(const Exhibit& exhibit, int kind) {
    FileTime ExhibitEntry::*time = nullptr;
    switch (kind) {
        case kAutoFindCreated: time = &ExhibitEntry::created; break;
        case kAutoFindModified: time = &ExhibitEntry::modified; break;
        case kAutoFindAccessed: time = &ExhibitEntry::accessed; break;
        default: return -1;
    }
    if (exhibit.empty()) return -1;
    size_t best = 0;
    for (size_t i = 1; i < exhibit.size(); ++i)
        if (exhibit[i].*time > exhibit[best].*time) best = i;
    return static_cast<long long>(best);
}
