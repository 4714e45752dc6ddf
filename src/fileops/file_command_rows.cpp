// Command rows of the favorites, the archive and the operations on the current file.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

constexpr uint32_t kFileOperation = kNotWhileBuilding | kNeedsFile | kStopsWatcher | kShellOnly;

const CommandRow kRows[] = {
    // Favorites and Archive
    {CMD_SEND_SHORTCUT, CMD_SEND_COPY, kNeedsFile | kSuspendsSlideshow | kNotBuilt, nullptr},
    {CMD_FAVORITES_DIR, CMD_FAVORITES_DIR, kSuspendsSlideshow | kNotBuilt, nullptr},
    {CMD_DESKTOP_LINK, CMD_DESKTOP_COPY, kNeedsFile | kNotBuilt, nullptr},
    {CMD_ARCHIVE_MOVE, CMD_ARCHIVE_MOVE, kNotWhileBuilding | kNeedsFile | kStopsWatcher | kNotBuilt, nullptr},
    {CMD_ARCHIVE_COPY, CMD_ARCHIVE_COPY, kNeedsFile | kSuspendsSlideshow | kNotBuilt, nullptr},
    {CMD_CONFIRM_MOVE, CMD_CONFIRM_MOVE, kNotBuilt, on<&S::confirmarchive>},
    {CMD_ARCHIVE_DIR, CMD_ARCHIVE_DIR, kSuspendsSlideshow | kNotBuilt, nullptr},
    {CMD_ARCHIVE_LOG, CMD_ARCHIVE_LOG, kNotBuilt, on<&S::archivelog>},
    // Shell: copy, move and save as; recycle
    {CMD_COPY_FILE, CMD_MOVE_FILE, kFileOperation | kDialogWrapper | kNotBuilt, nullptr},
    {CMD_SAVE_VIEW, CMD_SAVE_VIEW, kNotWhileBuilding | kStopsWatcher | kShellOnly | kDialogWrapper | kNotBuilt, nullptr},
    {CMD_RECYCLE, CMD_RECYCLE, kFileOperation | kNotBuilt, nullptr},
    {CMD_CONFIRM_DELETE, CMD_CONFIRM_DELETE, kShellOnly | kNotBuilt, on<&S::confirmdelete>},
};

}  // namespace

std::span<const CommandRow> fileCommandRows() { return kRows; }
