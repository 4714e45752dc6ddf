// Names of the files the program writes for the user, and the archive log's records.
//
// Destinations: an operation that sends the current file into a folder keeps the file's name there;
// when that name is taken, the first free numbered variant is used (photo.jpg, photo-01.jpg, ...,
// photo-99.jpg), and nothing that already exists is ever replaced.
//
// Archive log: UTF-16 little-endian text starting with the byte-order mark FF FE; each record is the
// source path, " -> ", the archive folder as configured (not the new file name), CR LF.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The name of a path: the text after its last backslash (the whole text when it has none).
std::wstring nameOfPath(const std::wstring& path);

// The folder, a backslash and the name of sourcePath. A folder that already ends in a backslash (a
// drive root such as "D:\") gets no second one.
std::wstring destinationInFolder(const std::wstring& folder, const std::wstring& sourcePath);

// A folder setting as a path of its own: an absolute path ("X:\..." or "\\server\...") as it stands,
// one that starts with a single backslash on the drive of `base`, any other relative one (a name,
// ".\...", "..\...") below `base`. Empty stays empty; "X:name" (relative to that drive's current
// folder) stays as it is.
std::wstring resolveAgainst(const std::wstring& base, const std::wstring& path);

// Variant n of a taken path: "-" and n with at least two digits before the extension of its name
// (from the last "." of the name). photo.jpg -> photo-01.jpg, photo.jpg.lnk -> photo.jpg-01.lnk,
// notes -> notes-01. A "." in a folder name is not an extension.
std::wstring numberedVariant(const std::wstring& path, unsigned n);

// Highest variant number tried.
constexpr unsigned kMaxVariantNumber = 99;

// Leaves `path` naming something that does not exist: unchanged when `exists` says it is free, else
// its first free variant 1..99. False when every variant is taken; `path` then names variant 99.
bool makeUniquePath(std::wstring& path, const std::function<bool(const std::wstring&)>& exists);

// Save As filters, numbered as the dialog reports them.
enum SaveFilter : int { kSaveFilterJpeg = 1, kSaveFilterBmp = 2 };

// The path Save As writes for the name chosen with a filter: ".jpg" (JPEG) or ".bmp" (BMP) is
// appended unless the name's extension already is that one, in any letter case (view.png ->
// view.png.jpg, view.JPG stays). Empty for any other filter.
std::wstring savePathForFilter(const std::wstring& chosen, int filter);

// The question asked before recycling or archiving: "<verb> <path> <question mark text>".
std::wstring confirmationText(const std::wstring& verb, const std::wstring& path,
                              const std::wstring& questionMark);

// One archive log record: source, " -> ", the archive folder as configured, "\r\n".
std::wstring archiveLogRecord(const std::wstring& source, const std::wstring& archiveFolder);

// Makes sure a UTF-16LE log starts with its byte-order mark: a missing or empty file is created
// holding only FF FE. An existing file is never truncated or rewritten. False when the file cannot
// be opened for appending.
bool startUtf16Log(const std::wstring& logPath);

// Appends text to a UTF-16LE log as explicit little-endian units, starting the log first when it is
// missing or empty. False when the record could not be written completely.
bool appendUtf16Log(const std::wstring& logPath, const std::wstring& text);

// Whether all paths lie in one folder, and that folder (the first path up to its last backslash).
// A first path that is a bare drive ("C:") or a drive root ("C:\"), or has no backslash, never
// counts as one folder. Folders compare exactly. False for an empty list.
bool sharedFolderOf(const std::vector<std::wstring>& paths, std::wstring& folder);
