// Command rows of ordering, viewing other folders, the exhibit and find.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

MenuState formatState(const Settings& s, const CommandContext&, CommandId id) {
    static constexpr bool Settings::*kFormats[] = {&S::bmp, &S::emf, &S::gif, &S::ico, &S::jpg, &S::png, &S::tif, &S::wic};
    return {s.*kFormats[id - CMD_FORMAT_BMP], false};
}
MenuState landscapeState(const Settings&, const CommandContext& c, CommandId) { return {c.landscapeFilter, false}; }
MenuState portraitState(const Settings&, const CommandContext& c, CommandId) { return {c.portraitFilter, false}; }

const CommandRow kRows[] = {
    // Sort
    {CMD_SORT_FORWARD, CMD_SORT_RANDOM, 0, inRange<&S::sort, CMD_SORT_FORWARD>},
    {CMD_SORT_TREE, CMD_SORT_ACCESSED, 0, inRange<&S::sortby, CMD_SORT_TREE>},
    {CMD_SORT_CASE, CMD_SORT_CASE, 0, on<&S::sortcase>},
    // View
    {CMD_VIEW_EXHIBIT, CMD_VIEW_ARCHIVE, kNotWhileBuilding, nullptr},
    {CMD_VIEW_IMAGEDIR, CMD_VIEW_IMAGEDIR, kNotWhileBuilding | kNeedsFile, nullptr},
    {CMD_VIEW_LINKDIR, CMD_VIEW_LINKDIR, kNotWhileBuilding | kNeedsExhibit, nullptr},
    // Exhibit and Formats
    {CMD_FOLDER, CMD_FOLDER, kNotWhileBuilding | kSuspendsSlideshow, nullptr},
    {CMD_REFRESH, CMD_REFRESH, kNotWhileBuilding, nullptr},
    {CMD_SUBFOLDERS, CMD_SUBFOLDERS, kNotWhileBuilding, on<&S::subfolders>},
    {CMD_HIDDEN, CMD_HIDDEN, kNotWhileBuilding, on<&S::hidden>},
    {CMD_AUTOREFRESH, CMD_AUTOREFRESH, 0, on<&S::autorefresh>},
    {CMD_AUTOFIND_CREATE, CMD_AUTOFIND_ACCESS, 0, inRange<&S::autofindtype, CMD_AUTOFIND_CREATE, kAutoFindCreated>},
    // The format switches rebuild even while a build runs (the running one stops).
    {CMD_FORMAT_BMP, CMD_FORMAT_WIC, 0, formatState},
    {CMD_REMOVEFAIL, CMD_REMOVEFAIL, 0, on<&S::removefail>},
    {CMD_LOGERRORS, CMD_LOGERRORS, 0, on<&S::logerrors>},
    {CMD_LOGLNKFAIL, CMD_LOGLNKFAIL, 0, on<&S::loglnkfail>},
    // Find
    {CMD_FIND, CMD_FIND_NEXT, kSuspendsSlideshow, nullptr},
    {CMD_LANDSCAPE, CMD_LANDSCAPE, 0, landscapeState},
    {CMD_PORTRAIT, CMD_PORTRAIT, 0, portraitState},
    {CMD_BOOKMARK, CMD_BOOKMARK, kNotWhileBuilding, nullptr},
    {CMD_GOTO_MARK, CMD_GOTO_MARK, 0, nullptr},
    {CMD_MARK_ON_EXIT, CMD_MARK_ON_EXIT, 0, on<&S::markexit>},
    // Go To asks in the dialog wrapper and shows the entry after it.
    {CMD_GOTO, CMD_GOTO, kNeedsExhibit, nullptr},
};

}  // namespace

std::span<const CommandRow> exhibitCommandRows() { return kRows; }
