// Recycle, archive, send copy/shortcut, copy or move through the save dialog, and Save As.
//
// How files are written: a new name is claimed by creating it (which fails when anything of that
// name appeared meanwhile), then filled; a file the user agreed to replace is only replaced once its
// new content is complete under a temporary name beside it. A failure removes only what this code
// created, so the user's files are always as they were.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app.h"
#include "decoding/image_file_probe.h"
#include "file_operations.h"
#include "win_handles.h"
#include "shortcut_file.h"
#include "view_image.h"
#include "win_paths.h"

namespace {

// Whether the file written at `path` is a whole picture of the format and size asked for: its header
// says so, a BMP holds all its pixels (the header probe checks that), and a JPEG ends with the
// marker that closes its picture.
bool writtenWhole(const std::wstring& path, ImageFormat format, int width, int height) {
    const ImageProbe probe = probeImageFile(path);
    if (probe.format != format || probe.verdict != ProbeVerdict::Decode || probe.width != width || probe.height != height)
        return false;
    if (format != ImageFormat::Jpeg) return true;
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = -2;
    unsigned char marker[2] = {};
    DWORD got = 0;
    return file && SetFilePointerEx(file.get(), end, nullptr, FILE_END) && ReadFile(file.get(), marker, 2, &got, nullptr) &&
           got == 2 && marker[0] == 0xFF && marker[1] == 0xD9;
}

const std::wstring& text(const FileOpContext& context, int number) {
    return context.language->message(number);
}

int say(const FileOpContext& context, const std::wstring& message, UINT style) {
    return context.message ? context.message(message, style) : IDCANCEL;
}

void report(const FileOpContext& context, int number) { say(context, text(context, number), kExclamation); }

bool askToGoOn(const FileOpContext& context, int verb, const std::wstring& path) {
    const std::wstring question = confirmationText(text(context, verb), path, text(context, kMsgQuestion));
    return say(context, question, kOkCancelQuestion) == IDOK;
}

void releaseImage(const FileOpContext& context) {
    if (context.releaseImage) context.releaseImage();
}

FileOpResult outcome(FileOpOutcome what, Redisplay redisplay = Redisplay::None, DWORD error = 0) {
    FileOpResult result;
    result.outcome = what;
    result.redisplay = redisplay;
    result.error = error;
    return result;
}

FileOpResult success(ExhibitChange change, Redisplay redisplay, const std::wstring& path,
                     const std::wstring& source = {}) {
    FileOpResult result = outcome(FileOpOutcome::Done, redisplay);
    result.change = change;
    result.path = path;
    result.source = source;
    return result;
}

// The file to act on is still a file.
bool fileIsThere(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Takes a free name by creating an empty file there; fails when anything of that name exists.
bool claimName(const std::wstring& path, DWORD& error) {
    const FileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    return true;
}

// Copies into a name that does not exist; nothing is left behind when the copy fails.
bool copyToNewName(const std::wstring& source, const std::wstring& destination, DWORD& error) {
    if (!claimName(destination, error)) return false;
    if (CopyFileW(source.c_str(), destination.c_str(), FALSE)) return true;
    error = GetLastError();
    SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(destination.c_str());
    return false;
}

// A free temporary name beside `path`, claimed.
bool claimTemporaryBeside(const std::wstring& path, std::wstring& temporary, DWORD& error) {
    temporary = path + L".tmp";
    if (!makeUniquePath(temporary)) {
        error = ERROR_FILE_EXISTS;
        return false;
    }
    return claimName(temporary, error);
}

// Puts a finished temporary file in place of `destination`, replacing it only when allowed; the
// temporary file is removed when that fails.
bool putInPlace(const std::wstring& temporary, const std::wstring& destination, bool replace, DWORD& error) {
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(temporary.c_str(), destination.c_str(), flags)) return true;
    error = GetLastError();
    SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(temporary.c_str());
    return false;
}

// Copies onto a name the user chose, replacing what is there only with a complete copy.
bool copyReplacing(const std::wstring& source, const std::wstring& destination, DWORD& error) {
    if (!pathIsTaken(destination)) return copyToNewName(source, destination, error);
    std::wstring temporary;
    if (!claimTemporaryBeside(destination, temporary, error)) return false;
    if (!CopyFileW(source.c_str(), temporary.c_str(), FALSE)) {
        error = GetLastError();
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temporary.c_str());
        return false;
    }
    return putInPlace(temporary, destination, true, error);
}

// Moves to another volume by copying and then removing the source. When the source cannot be
// removed, a copy this call created is taken back, so the file is in one place only.
bool moveByCopy(const std::wstring& source, const std::wstring& destination, bool replace, DWORD& error) {
    const bool existed = pathIsTaken(destination);
    if (existed && !replace) {
        error = ERROR_FILE_EXISTS;
        return false;
    }
    if (!(existed ? copyReplacing(source, destination, error) : copyToNewName(source, destination, error)))
        return false;
    if (DeleteFileW(source.c_str())) return true;
    error = GetLastError();
    if (!existed) {
        SetFileAttributesW(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(destination.c_str());
    }
    return false;
}

// Moves a file; within a volume a rename, across volumes a complete copy first.
bool moveFile(const std::wstring& source, const std::wstring& destination, bool replace, DWORD& error) {
    if (MoveFileExW(source.c_str(), destination.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
    error = GetLastError();
    if (error != ERROR_NOT_SAME_DEVICE) return false;
    return moveByCopy(source, destination, replace, error);
}

std::wstring extensionWithoutDot(const std::wstring& path) {
    const std::wstring name = nameOfPath(path);
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
}

constexpr DWORD kSaveDialogFlags = OFN_NODEREFERENCELINKS | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;

std::wstring fileTitle(const std::wstring& path) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int attempt = 0; attempt < 2; ++attempt) {
        const short needed = GetFileTitleW(path.c_str(), buffer.data(), static_cast<WORD>(buffer.size()));
        if (needed == 0) return buffer.data();
        if (needed < 0) break;
        buffer.resize(static_cast<size_t>(needed) + 1);
    }
    return nameOfPath(path);
}

int CALLBACK preselectFolder(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

bool runFileDialog(const FileDialogRequest& request, std::wstring& chosen, int& filterIndex) {
    std::wstring buffer(32768, L'\0');
    request.name.copy(buffer.data(), std::min(request.name.size(), buffer.size() - 1));
    const std::wstring filter(request.filter, request.filterChars);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = request.folder.empty() ? nullptr : request.folder.c_str();
    dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    dialog.lpstrDefExt = request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
    // Relative folders in the settings, the exhibit root and the programs named by the user stay
    // where they were: the dialog leaves the current directory alone.
    dialog.Flags = request.flags | OFN_NOCHANGEDIR;
    if (!(request.open ? GetOpenFileNameW(&dialog) : GetSaveFileNameW(&dialog))) return false;
    chosen = buffer.c_str();
    filterIndex = static_cast<int>(dialog.nFilterIndex);
    return !chosen.empty();
}

FileOpContext::FileOpContext(HWND ownerWindow, const LanguageTable& table)
    : owner(ownerWindow),
      language(&table),
      message([](const std::wstring& text, UINT style) { return showMessage(text, style); }),
      chooseFolder([ownerWindow](const std::wstring& title, const std::wstring& preselect) {
          return browseForFolder(ownerWindow, title, preselect);
      }) {}

bool pathIsTaken(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:  // its folder is missing: nothing of that name is there
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return false;
        default:
            return true;  // present but unreadable, or unknown: never treat as free
    }
}

bool makeUniquePath(std::wstring& path) {
    return makeUniquePath(path, [](const std::wstring& candidate) { return pathIsTaken(candidate); });
}

FileOpResult recycleFile(const FileOpContext& context, const std::wstring& path, bool confirm) {
    if (confirm && !askToGoOn(context, kMsgRecycle, path)) return outcome(FileOpOutcome::Cancelled);
    if (!fileIsThere(path)) {
        report(context, kMsgRecycleFailed);
        return outcome(FileOpOutcome::SourceMissing, Redisplay::RefreshLayout, ERROR_FILE_NOT_FOUND);
    }
    releaseImage(context);
    std::wstring from = path;
    from.push_back(L'\0');  // the list ends with an empty name: c_str() adds the second terminator
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO;
    const int status = SHFileOperationW(&operation);
    if (status != 0) {
        report(context, kMsgRecycleFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::ShowCurrent, static_cast<DWORD>(status));
    }
    // Declined in the shell's own confirmation: the file stays, and so does its entry.
    if (operation.fAnyOperationsAborted || pathIsTaken(path))
        return outcome(FileOpOutcome::Cancelled, Redisplay::ShowCurrent);
    return success(ExhibitChange::RemoveCurrent, Redisplay::ShowCurrent, path, path);
}

FileOpResult archiveFile(const FileOpContext& context, const ArchiveRequest& request) {
    if (request.confirm && !askToGoOn(context, kMsgArchive, request.path)) return outcome(FileOpOutcome::Cancelled);
    std::wstring& folder = *request.archiveFolder;
    if (folder.empty() && context.chooseFolder) folder = context.chooseFolder(text(context, kMsgSetArchive), folder);
    if (folder.empty()) return outcome(FileOpOutcome::NoFolder);
    if (request.log) startUtf16Log(request.logPath);  // a log that cannot be written is skipped

    if (!fileIsThere(request.path)) {
        report(context, kMsgArchiveFailed);
        return outcome(FileOpOutcome::SourceMissing, Redisplay::RefreshLayout, ERROR_FILE_NOT_FOUND);
    }
    std::wstring destination = destinationInFolder(folder, request.path);
    if (!makeUniquePath(destination)) {
        report(context, kMsgArchiveFailed);
        return outcome(FileOpOutcome::NoFreeName, Redisplay::RefreshLayout, ERROR_FILE_EXISTS);
    }
    releaseImage(context);
    DWORD error = 0;
    if (!moveFile(request.path, destination, false, error)) {
        report(context, kMsgArchiveFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::ShowCurrent, error);
    }
    if (request.log) appendUtf16Log(request.logPath, archiveLogRecord(request.path, folder));
    return success(ExhibitChange::RemoveCurrent, Redisplay::ShowCurrent, destination, request.path);
}

FileOpResult sendCopy(const FileOpContext& context, const std::wstring& folder, const std::wstring& path) {
    if (folder.empty()) return outcome(FileOpOutcome::NoFolder);
    if (!fileIsThere(path)) {
        report(context, kMsgCopyFailed);
        return outcome(FileOpOutcome::SourceMissing, Redisplay::RefreshLayout, ERROR_FILE_NOT_FOUND);
    }
    std::wstring destination = destinationInFolder(folder, path);
    if (!makeUniquePath(destination)) {
        report(context, kMsgCopyFailed);
        return outcome(FileOpOutcome::NoFreeName, Redisplay::RefreshLayout, ERROR_FILE_EXISTS);
    }
    DWORD error = 0;
    if (!copyToNewName(path, destination, error)) {
        report(context, kMsgCopyFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::RefreshLayout, error);
    }
    return success(ExhibitChange::None, Redisplay::None, destination);
}

FileOpResult sendShortcut(const FileOpContext& context, const std::wstring& folder, const std::wstring& target) {
    if (folder.empty()) return outcome(FileOpOutcome::NoFolder);
    if (!fileIsThere(target)) {
        report(context, kMsgCreateShortcutFailed);
        return outcome(FileOpOutcome::SourceMissing, Redisplay::RefreshLayout, ERROR_FILE_NOT_FOUND);
    }
    std::wstring shortcut = destinationInFolder(folder, target) + L".lnk";
    if (!makeUniquePath(shortcut)) {
        report(context, kMsgCreateShortcutFailed);
        return outcome(FileOpOutcome::NoFreeName, Redisplay::RefreshLayout, ERROR_FILE_EXISTS);
    }
    DWORD error = 0;
    if (!claimName(shortcut, error)) {
        report(context, kMsgCreateShortcutFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::RefreshLayout, error);
    }
    ShortcutFile link;
    if (!link.open() || !link.create(target, shortcut)) {
        link.close();
        DeleteFileW(shortcut.c_str());
        report(context, kMsgCreateShortcutFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::RefreshLayout, ERROR_WRITE_FAULT);
    }
    return success(ExhibitChange::None, Redisplay::None, shortcut);
}

FileOpResult copyOrMoveTo(const FileOpContext& context, const std::wstring& path, const std::wstring& chosen,
                          bool move) {
    const int failure = move ? kMsgMoveRenameFailed : kMsgCopyFailed;
    if (!fileIsThere(path)) {
        report(context, failure);
        return outcome(FileOpOutcome::SourceMissing, Redisplay::None, ERROR_FILE_NOT_FOUND);
    }
    DWORD error = 0;
    if (move) {
        releaseImage(context);
        if (!moveFile(path, chosen, true, error)) {
            report(context, failure);
            return outcome(FileOpOutcome::Failed, Redisplay::ShowCurrent, error);
        }
        return success(ExhibitChange::ReplaceCurrent, Redisplay::ShowCurrent, chosen, path);
    }
    if (!copyReplacing(path, chosen, error)) {
        report(context, failure);
        return outcome(FileOpOutcome::Failed, Redisplay::None, error);
    }
    return success(ExhibitChange::InsertIfAbsent, Redisplay::ShowCurrent, chosen);
}

FileOpResult copyOrMoveAs(const FileOpContext& context, const std::wstring& path, bool move) {
    static const wchar_t kFilter[] = L"Source format\0\0";
    FileDialogRequest dialog;
    dialog.owner = context.owner;
    dialog.filter = kFilter;
    dialog.filterChars = sizeof kFilter / sizeof kFilter[0];
    dialog.title = text(context, move ? kMsgMoveRenameFile : kMsgCopyFile);
    dialog.folder = folderOfPath(path);
    dialog.name = nameOfPath(path);
    dialog.defaultExtension = extensionWithoutDot(path);
    dialog.flags = kSaveDialogFlags;
    std::wstring chosen;
    int filter = 0;
    if (!runFileDialog(dialog, chosen, filter)) return outcome(FileOpOutcome::Cancelled);
    return copyOrMoveTo(context, path, chosen, move);
}

FileOpResult saveViewTo(const FileOpContext& context, const ViewPicture& picture, const std::wstring& chosen,
                        int filter, bool replaceChosen) {
    std::wstring target = savePathForFilter(chosen, filter);
    if (target.empty() || !picture.bitmap || picture.width <= 0 || picture.height <= 0) {
        report(context, kMsgSaveFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::None, ERROR_INVALID_PARAMETER);
    }
    // Only the name the dialog asked about may be replaced; one made by adding the extension may not.
    const bool replace = replaceChosen && target == chosen;
    if (!replace && !makeUniquePath(target)) {
        report(context, kMsgSaveFailed);
        return outcome(FileOpOutcome::NoFreeName, Redisplay::None, ERROR_FILE_EXISTS);
    }
    DWORD error = 0;
    std::wstring temporary;
    if (!claimTemporaryBeside(target, temporary, error)) {
        report(context, kMsgSaveFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::None, error);
    }
    ViewImage image;
    int status = image.loadFromBitmapHandle(picture.bitmap)
                           ? image.saveScaled(temporary, filter == kSaveFilterJpeg ? ViewImage::SaveJpeg
                                                                                    : ViewImage::SaveBmp,
                                              picture.width, picture.height)
                           : -1;
    image.release();
    // An encoder that loses its writes (a full drive) may still report success: only a file that
    // reads back as a whole picture of the format and size written may take the place of anything.
    if (status == 0 && !writtenWhole(temporary, filter == kSaveFilterJpeg ? ImageFormat::Jpeg : ImageFormat::Bmp,
                                     picture.width, picture.height))
        status = -2;
    if (status != 0) {
        DeleteFileW(temporary.c_str());
        report(context, kMsgSaveFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::None, static_cast<DWORD>(status));
    }
    if (!putInPlace(temporary, target, replace, error)) {
        report(context, kMsgSaveFailed);
        return outcome(FileOpOutcome::Failed, Redisplay::None, error);
    }
    return success(ExhibitChange::InsertIfAbsent, Redisplay::ShowCurrent, target);
}

FileOpResult saveViewAs(const FileOpContext& context, const SaveViewRequest& request) {
    static const wchar_t kFilter[] = L"JPG/JPEG Files (*.jpg)\0*.jpg;*jpeg\0BMP Files (*.bmp)\0*.bmp\0\0";
    FileDialogRequest dialog;
    dialog.owner = context.owner;
    dialog.filter = kFilter;
    dialog.filterChars = sizeof kFilter / sizeof kFilter[0];
    dialog.folder = request.pasted ? request.exhibitRoot : folderOfPath(request.currentPath);
    dialog.name = request.pasted ? std::wstring(L"Clipboard_Image") : fileTitle(request.currentPath);
    dialog.flags = kSaveDialogFlags;
    std::wstring chosen;
    int filter = 0;
    if (!runFileDialog(dialog, chosen, filter)) return outcome(FileOpOutcome::Cancelled);
    return saveViewTo(context, request.picture, chosen, filter, true);
}

std::wstring browseForFolder(HWND owner, const std::wstring& title, const std::wstring& preselect, UINT extraFlags) {
    BROWSEINFOW browse{};
    browse.hwndOwner = owner;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | extraFlags;
    browse.lpfn = preselectFolder;
    browse.lParam = preselect.empty() ? 0 : reinterpret_cast<LPARAM>(preselect.c_str());

    ShowCursor(TRUE);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    std::wstring path;
    if (chosen) {
        std::wstring buffer(32768, L'\0');
        if (SHGetPathFromIDListEx(chosen, buffer.data(), static_cast<DWORD>(buffer.size()), GPFIDL_DEFAULT))
            path = buffer.c_str();
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    ShowCursor(FALSE);
    return path;
}

DWORD rewriteFile(const std::wstring& path, const std::function<bool(const std::wstring& temporary)>& write) {
    // A read-only file is not replaced (Windows refuses it; some systems would not).
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
    DWORD error = 0;
    std::wstring temporary;
    if (!claimTemporaryBeside(path, temporary, error)) return error;
    bool written = write && write(temporary);
    if (!written) {
        error = ERROR_WRITE_FAULT;
    } else {
        // On the disk before it takes the old file's place, not only in the system's cache.
        const FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        written = file && FlushFileBuffers(file.get());
        if (!written) error = GetLastError();
    }
    if (!written) {
        SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(temporary.c_str());
        return error ? error : ERROR_WRITE_FAULT;
    }
    return putInPlace(temporary, path, true, error) ? 0 : error;
}

DWORD keepBackup(const std::wstring& path) {
    return rewriteFile(path + L".bak",
                       [&](const std::wstring& copy) { return CopyFileW(path.c_str(), copy.c_str(), FALSE) != FALSE; });
}

bool readFileTimes(const std::wstring& path, uint64_t& created, uint64_t& modified, uint64_t& accessed) {
    created = modified = accessed = 0;
    const FileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    FILETIME c{}, a{}, m{};
    const bool read = GetFileTime(file.get(), &c, &a, &m) != 0;
    if (!read) return false;
    created = toFileTime(c);
    modified = toFileTime(m);
    accessed = toFileTime(a);
    return true;
}
