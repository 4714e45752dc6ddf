// Command rows of the favorites, the archive and the operations on the current file.
#include "core/command_ids.h"
#include "shell/command_rows.h"

namespace {

using namespace menu_state;
using S = Settings;

constexpr uint32_t kFileOperation = kNotWhileBuilding | kNeedsFile | kStopsWatcher | kShellOnly;

const CommandRow kRows[] = {
    // Favorites and Archive
    {CMD_SEND_SHORTCUT, CMD_SEND_COPY, kNeedsFile | kSuspendsSlideshow, nullptr},
    {CMD_FAVORITES_DIR, CMD_FAVORITES_DIR, kSuspendsSlideshow, nullptr},
    {CMD_DESKTOP_LINK, CMD_DESKTOP_COPY, kNeedsFile, nullptr},
    {CMD_ARCHIVE_MOVE, CMD_ARCHIVE_MOVE, kNotWhileBuilding | kNeedsFile | kStopsWatcher, nullptr},
    {CMD_ARCHIVE_COPY, CMD_ARCHIVE_COPY, kNeedsFile | kSuspendsSlideshow, nullptr},
    {CMD_CONFIRM_MOVE, CMD_CONFIRM_MOVE, 0, on<&S::confirmarchive>},
    {CMD_ARCHIVE_DIR, CMD_ARCHIVE_DIR, kSuspendsSlideshow, nullptr},
    {CMD_ARCHIVE_LOG, CMD_ARCHIVE_LOG, 0, on<&S::archivelog>},
    // Shell: copy, move and save as; recycle
    {CMD_COPY_FILE, CMD_MOVE_FILE, kFileOperation | kDialogWrapper, nullptr},
    {CMD_SAVE_VIEW, CMD_SAVE_VIEW, kNotWhileBuilding | kStopsWatcher | kShellOnly | kDialogWrapper, nullptr},
    {CMD_RECYCLE, CMD_RECYCLE, kFileOperation, nullptr},
    {CMD_CONFIRM_DELETE, CMD_CONFIRM_DELETE, kShellOnly, on<&S::confirmdelete>},
};

}  // namespace

std::span<const CommandRow> fileCommandRows() { return kRows; }
