// Operations on the current image file: recycle, move to the archive, send a copy or a shortcut into
// a folder, copy or move/rename through the save dialog, and save the displayed view as JPEG or BMP.
//
// Each operation asks and reports through the program's message boxes with the texts of the
// LanguageTable, and returns what happened and what the caller must do to the exhibit and the view
// afterwards. Nothing that exists is replaced unless the user chose to replace it in the save
// dialog, and then only once the new content is complete: a failure part-way leaves every file as it
// was.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "file_names.h"
#include "language_table.h"

// Asks and reports for the operations. The defaults are the real dialogs; tests replace them.
struct FileOpContext {
    HWND owner = nullptr;  // owner of the save and folder dialogs (the main window)
    const LanguageTable* language = nullptr;
    // The message box routine: text and style (kInformation, kExclamation, kOkCancelQuestion);
    // returns the button pressed (IDOK, IDCANCEL, ...).
    std::function<int(const std::wstring& text, UINT style)> message;
    // Runs right before the current file is moved or removed, so that the decoded image no longer
    // holds it open (ViewImage::release).
    std::function<void()> releaseImage;
    // Folder chooser titled `title`, starting at `preselect`; the chosen folder or empty when
    // cancelled.
    std::function<std::wstring(const std::wstring& title, const std::wstring& preselect)> chooseFolder;

    // A context with the real message box routine and folder chooser.
    FileOpContext(HWND owner, const LanguageTable& language);
};

enum class FileOpOutcome {
    Done,
    Cancelled,      // the user declined (question, dialog, or the shell's own confirmation)
    NoFolder,       // no destination folder set and none chosen
    NoFreeName,     // the name and all its numbered variants up to 99 are taken
    SourceMissing,  // the file is no longer there (removed by another program)
    Failed,         // the platform refused; `error` says why
};

// What the caller does to the exhibit once the operation has returned.
enum class ExhibitChange {
    None,
    RemoveCurrent,    // the file `source` left its folder: remove its entry
    ReplaceCurrent,   // `source` was moved or renamed to `path`: its entry takes the new path at its place
    InsertIfAbsent,   // a new file: unless an entry names `path`, insert it at the current index
};

// What the caller does to the view afterwards.
enum class Redisplay {
    None,
    RefreshLayout,  // Viewer::refreshLayout
    ShowCurrent,    // Viewer::showCurrent (the image was released, or the current entry changed)
};

struct FileOpResult {
    FileOpOutcome outcome = FileOpOutcome::Failed;
    ExhibitChange change = ExhibitChange::None;
    Redisplay redisplay = Redisplay::None;
    std::wstring path;  // the file written, or where the file went
    std::wstring source;  // the file acted on
    DWORD error = 0;    // the platform's error code for Failed

    bool done() const { return outcome == FileOpOutcome::Done; }
};

// Whether anything of that name exists (file or folder). Only an answer that nothing is there counts
// as free: a name whose attributes cannot be read for another reason counts as taken.
bool pathIsTaken(const std::wstring& path);
// makeUniquePath over the file system: free means nothing of that name exists (pathIsTaken).
bool makeUniquePath(std::wstring& path);

// Recycle: with `confirm`, asks "Recycle <path> ?" first. The file goes to the Recycle Bin through
// the shell, undoably (the shell's own confirmation applies). A refusal shows "Recycle failed".
// Done: remove the current entry and show the new current one.
FileOpResult recycleFile(const FileOpContext& context, const std::wstring& path, bool confirm);

// Move to the archive. `archiveFolder` is the setting, as configured; when it is empty the folder
// chooser ("Set the archive folder") is asked and a chosen folder is stored into it. With `log`,
// the archive log is started (byte-order mark) before the move and gets the record after it.
struct ArchiveRequest {
    std::wstring path;             // the current file
    std::wstring* archiveFolder;   // in/out
    std::wstring logPath;          // archived.log beside the program
    bool confirm = true;           // confirmarchive
    bool log = true;               // archivelog
};
FileOpResult archiveFile(const FileOpContext& context, const ArchiveRequest& request);

// Send a copy of the file into a folder under a free name (the favorites, archive or desktop
// folder). A failure shows "Copy failed". The exhibit does not change.
FileOpResult sendCopy(const FileOpContext& context, const std::wstring& folder, const std::wstring& path);

// Write a shortcut to `target` into a folder as <name>.lnk under a free name (name.jpg.lnk,
// name.jpg-01.lnk, ...). A failure shows "Create shortcut failed". The exhibit does not change.
FileOpResult sendShortcut(const FileOpContext& context, const std::wstring& folder, const std::wstring& target);

// Copy File... (move false) or Move/Rename... (move true): the save dialog titled "Copy File" or
// "Move/Rename File" starts in the file's folder with its name; the file is then copied or moved to
// the name chosen (replacing a file there only after the dialog asked). A failure shows "Copy
// failed" or "Move/Rename failed".
FileOpResult copyOrMoveAs(const FileOpContext& context, const std::wstring& path, bool move);
// The same without the dialog, to a name already chosen (an existing file there is replaced).
FileOpResult copyOrMoveTo(const FileOpContext& context, const std::wstring& path, const std::wstring& chosen,
                          bool move);

// The displayed view to save: a bitmap of the displayed image at its displayed size.
struct ViewPicture {
    HBITMAP bitmap = nullptr;
    int width = 0;
    int height = 0;
};

// Save As: the save dialog with the JPEG and BMP filters starts at the current file's folder and
// title (or, for the pasted picture, at `exhibitRoot` with the name "Clipboard_Image"); the picture
// is written at its size as JPEG or BMP under the chosen name with the filter's extension. A name
// that only exists because the extension was appended is not replaced: the first free variant is
// used. A failure shows "Save failed". GDI+ must be started.
struct SaveViewRequest {
    std::wstring currentPath;  // the current entry, or the pasted picture's pseudo path
    bool pasted = false;       // the current picture came from the clipboard
    std::wstring exhibitRoot;
    ViewPicture picture;
};
FileOpResult saveViewAs(const FileOpContext& context, const SaveViewRequest& request);
// The same without the dialog: writes the picture to `chosen` as the filter says.
FileOpResult saveViewTo(const FileOpContext& context, const ViewPicture& picture,
                        const std::wstring& chosen, int filter, bool replaceChosen);

// The platform's save dialog (open dialog with `open`) started in `folder` with `name` in its name
// box; `filter` is a double-terminated filter list. It never changes the current directory. The
// chosen path and the filter it was chosen with; false when cancelled.
struct FileDialogRequest {
    HWND owner = nullptr;
    const wchar_t* filter = nullptr;
    size_t filterChars = 0;
    std::wstring title;  // empty: the platform's own
    std::wstring folder;
    std::wstring name;
    std::wstring defaultExtension;  // empty: none
    DWORD flags = 0;
    bool open = false;
};
bool runFileDialog(const FileDialogRequest& request, std::wstring& chosen, int& filterIndex);

// The folder choosers: the shell's folder browser owned by `owner`, titled `title`, with `preselect`
// selected, the browser's `extraFlags` added. The chosen folder, or empty. COM is initialised for the
// browser and uninitialised only when that initialisation succeeded, so a caller's COM stays as it was.
std::wstring browseForFolder(HWND owner, const std::wstring& title, const std::wstring& preselect, UINT extraFlags = 0);

// Rewrites the file at `path` so that it is never found half written (a full drive, a crash, the
// power gone): `write` fills a new file beside it (a free temporary name) and says whether all of it
// was written; that file is flushed to the disk and then takes the old one's place in one step. When
// anything fails the old file stays exactly as it was and nothing new is left behind; a read-only
// file is never replaced. Returns 0, or the platform's error code.
DWORD rewriteFile(const std::wstring& path, const std::function<bool(const std::wstring& temporary)>& write);

// Keeps a copy of the file as path + ".bak" (replacing an older copy, also as rewriteFile does).
DWORD keepBackup(const std::wstring& path);

// Creation, last-write and last-access times of a file, for a new exhibit entry. False (times 0)
// when the file cannot be opened.
bool readFileTimes(const std::wstring& path, uint64_t& created, uint64_t& modified, uint64_t& accessed);
