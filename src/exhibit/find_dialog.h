// The Find/Filter dialog (dialog template IDD_FIND).
#pragma once

#include <windows.h>

#include "core/language_table.h"
#include "exhibit/find.h"

// How the dialog was left; the values are the ones the viewer keeps as its find mode.
enum class FindMode { Find = 0, Filter = 1, Exclude = 2, Cancelled = 3 };

// Runs the dialog modally, owned by `owner` (may be null). It opens with the texts of the language
// table (dialog strings 20 to 25), the search text and the two options of `find`. Find, Filter and
// Exclude store the text box (at most kMaxSearchChars characters) and the options into `find`;
// Cancel, Esc and the close box leave `find` untouched. Enter in the text box is Filter. A dialog
// that cannot be created counts as cancelled.
FindMode runFindDialog(HINSTANCE instance, HWND owner, FindState& find, const LanguageTable& language);
