// Finding images by a piece of text in their path or name, narrowing the exhibit to the matches or
// the non-matches, and picking the newest entry after an automatic rebuild.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/setting_values.h"
#include "exhibit.h"

// The find state lives for the run; the Find/Filter dialog opens with the last text and options.
struct FindState {
    std::wstring searchText;  // at most kMaxSearchChars characters
    bool matchNameOnly = false;
    bool matchCase = false;
};

constexpr size_t kMaxSearchChars = 79;

// The text cut to kMaxSearchChars characters; a UTF-16 surrogate pair is never split by the cut
// (its first half is dropped with the second).
std::wstring clipSearchText(std::wstring_view text);

// The lower-case form used by case-blind matching: the run-time library's wide mapping, with ASCII
// and Latin-1 capitals (U+00C0..U+00DE except U+00D7) lowered whatever the process locale is.
wchar_t lowerForSearch(wchar_t c);

// The part of the path after its last "\", cut at its last "." (a shortcut's own name without
// ".lnk"). A name without "." is kept whole.
std::wstring_view searchName(std::wstring_view path);

// True when find.searchText occurs in the path (or, with matchNameOnly, in its searchName), compared
// case-blind unless matchCase. An empty search text occurs everywhere, so it matches every path; the
// viewer never searches with an empty text (it opens the dialog instead).
bool matchesSearch(std::wstring_view path, const FindState& find);

// The index of the first match at `start` or after it, else the first one before it (the search
// wraps around); -1 when nothing matches. A start at or past the end searches from 0.
long long findNextIndex(const Exhibit& exhibit, size_t start, const FindState& find);

// The entries for which matchesSearch equals keepMatches, in exhibit order. The result shares the
// exhibit's path arena, so no path text is copied.
Exhibit filterEntries(const Exhibit& exhibit, const FindState& find, bool keepMatches);


// The index of the entry with the greatest created (1), modified (2) or accessed (3) time; the first
// in exhibit order among equal times. -1 for any other kind or an empty exhibit.
long long newestIndex(const Exhibit& exhibit, int kind);
