#include "exhibit_order.h"

#include <algorithm>
#include <array>

namespace {

// Code units compared as unsigned values whatever the width and signedness of wchar_t.
inline uint32_t unit(wchar_t c) {
    if constexpr (sizeof(wchar_t) == 2) return static_cast<uint16_t>(c);
    else return static_cast<uint32_t>(c);
}

constexpr std::array<uint8_t, 128> makeAsciiLower() {
    std::array<uint8_t, 128> table{};
    for (unsigned c = 0; c < 128; ++c) table[c] = static_cast<uint8_t>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return table;
}
constexpr std::array<uint8_t, 128> kAsciiLower = makeAsciiLower();

// Lower-case form of a code unit beyond ASCII: Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals. Fixed tables rather than the C library, so the order does not depend on the locale.
uint32_t lowerWide(uint32_t c) {
    if (c < 0x100) return (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? c + 0x20 : c;
    if (c < 0x180) {
        if (c == 0x130) return 'i';
        if (c == 0x178) return 0xFF;
        const bool evenUpper = (c < 0x138) || (c >= 0x14A && c < 0x178);
        const bool oddUpper = (c >= 0x139 && c < 0x149) || (c >= 0x179 && c < 0x17F);
        if (evenUpper && c % 2 == 0) return c + 1;
        if (oddUpper && c % 2 == 1) return c + 1;
        return c;
    }
    if (c >= 0x386 && c <= 0x3AB) {
        if (c >= 0x391 && c != 0x3A2) return c + 0x20;
        if (c == 0x386) return 0x3AC;
        if (c >= 0x388 && c <= 0x38A) return c + 0x25;
        if (c == 0x38C) return 0x3CC;
        if (c == 0x38E || c == 0x38F) return c + 0x3F;
        return c;
    }
    if (c >= 0x400 && c <= 0x42F) return c < 0x410 ? c + 0x50 : c + 0x20;
    return c;
}

inline uint32_t lower(uint32_t c) { return c < 0x80 ? kAsciiLower[c] : lowerWide(c); }

// In the strict tree order "\" is read as '"'.
template <bool Strict>
inline uint32_t mapped(wchar_t c) {
    const uint32_t u = unit(c);
    if constexpr (Strict) return u == '\\' ? uint32_t('"') : u;
    else return u;
}

struct TextResult {
    int order;         // text order of a against b
    size_t firstDiff;  // first position where the (mapped) units differ exactly; the shorter
                       // length when one is a prefix of the other or both are equal
};

// One pass over the common part. Raw equal units are equal under every mapping, so the mapping
// and the case lowering are applied only where the raw units differ.
template <bool Strict, bool Fold>
inline TextResult compareText(std::wstring_view a, std::wstring_view b) {
    const wchar_t* pa = a.data();
    const wchar_t* pb = b.data();
    const size_t common = std::min(a.size(), b.size());
    size_t firstDiff = common;
    size_t i = 0;
    for (;;) {
        while (i < common && pa[i] == pb[i]) ++i;
        if (i == common) break;
        uint32_t ca = mapped<Strict>(pa[i]), cb = mapped<Strict>(pb[i]);
        if (ca != cb) {
            if (firstDiff == common) firstDiff = i;
            if constexpr (Fold) {
                ca = lower(ca);
                cb = lower(cb);
            }
            if (ca != cb) return {ca < cb ? -1 : 1, firstDiff};
        }
        ++i;
    }
    const int order = a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
    return {order, firstDiff};
}

constexpr size_t kNoSeparator = 0xFFFFFFFFu;

template <bool Strict>
inline size_t lastSeparator(std::wstring_view text) {
    for (size_t i = text.size(); i-- > 0;) {
        const uint32_t u = unit(text[i]);
        if (u == '\\' || (Strict && u == '"')) return i;
    }
    return kNoSeparator;
}

// The tree rule given both last separator positions (sa of a, sb of b).
template <bool Strict, bool Fold>
inline bool treeLessAt(std::wstring_view a, size_t sa, std::wstring_view b, size_t sb) {
    const TextResult text = compareText<Strict, Fold>(a, b);
    if (sa == sb) return text.order < 0;
    if (text.order < 0) {
        if (sb >= a.size()) return true;
        // sb < length(a) and sb < length(b): the first sb units agree exactly when the first
        // exact difference lies at or beyond sb.
        return text.firstDiff < sb;
    }
    if (text.order > 0) {
        if (sa >= b.size()) return false;
        return text.firstDiff >= sa;
    }
    return false;
}

template <bool Strict, bool Fold>
bool treeLessT(std::wstring_view a, std::wstring_view b) {
    return treeLessAt<Strict, Fold>(a, lastSeparator<Strict>(a), b, lastSeparator<Strict>(b));
}

// An entry with its last separator found once, so a comparison reads each path only from the
// front (the ends of long paths would otherwise be fetched again at every comparison).
struct TreeItem {
    ExhibitEntry entry;
    uint32_t lastSeparator;
};

template <bool Strict, bool Fold>
void sortTree(std::vector<ExhibitEntry>& entries) {
    std::vector<TreeItem> items;
    items.reserve(entries.size());
    for (const ExhibitEntry& entry : entries)
        items.push_back({entry, static_cast<uint32_t>(lastSeparator<Strict>(entry.path()))});
    introSort(items.begin(), items.end(), [](const TreeItem& x, const TreeItem& y) {
        return treeLessAt<Strict, Fold>(x.entry.path(), x.lastSeparator, y.entry.path(), y.lastSeparator);
    });
    for (size_t i = 0; i < items.size(); ++i) entries[i] = items[i].entry;
}

template <bool Fold>
void sortName(std::vector<ExhibitEntry>& entries) {
    introSort(entries.begin(), entries.end(), [](const ExhibitEntry& x, const ExhibitEntry& y) {
        return compareText<false, Fold>(x.path(), y.path()).order < 0;
    });
}

template <FileTime ExhibitEntry::*Time>
void sortTime(std::vector<ExhibitEntry>& entries) {
    introSort(entries.begin(), entries.end(),
              [](const ExhibitEntry& x, const ExhibitEntry& y) { return x.*Time < y.*Time; });
}

}  // namespace

int comparePathText(std::wstring_view a, std::wstring_view b, bool caseSensitive) {
    return caseSensitive ? compareText<false, false>(a, b).order : compareText<false, true>(a, b).order;
}

bool treeLess(std::wstring_view a, std::wstring_view b, bool strict, bool caseSensitive) {
    if (strict) return caseSensitive ? treeLessT<true, false>(a, b) : treeLessT<true, true>(a, b);
    return caseSensitive ? treeLessT<false, false>(a, b) : treeLessT<false, true>(a, b);
}

void shuffleEntries(ExhibitEntry* first, ExhibitEntry* last, std::mt19937& engine) {
    shuffleRange(first, last, engine);
}

void orderEntries(std::vector<ExhibitEntry>& entries, int sort, int sortby, bool sortcase,
                  std::mt19937& engine) {
    if (sort >= kSortRandom) {
        shuffleRange(entries.begin(), entries.end(), engine);
        return;
    }
    switch (sortby) {
        case kSortTree:
            sortcase ? sortTree<false, false>(entries) : sortTree<false, true>(entries);
            break;
        case kSortTreeStrict:
            sortcase ? sortTree<true, false>(entries) : sortTree<true, true>(entries);
            break;
        case kSortName:
            sortcase ? sortName<false>(entries) : sortName<true>(entries);
            break;
        case kSortCreated: sortTime<&ExhibitEntry::created>(entries); break;
        case kSortModified: sortTime<&ExhibitEntry::modified>(entries); break;
        case kSortAccessed: sortTime<&ExhibitEntry::accessed>(entries); break;
        default: break;  // no key: the current order stays
    }
    if (sort == kSortReverse) std::reverse(entries.begin(), entries.end());
}
