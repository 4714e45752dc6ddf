// The error log: one line per image that could not be decoded, kept beside the program.
//
// File format: UTF-16 little-endian text starting with the byte-order mark FF FE; each record is
// the full path of the image followed by CR LF. No time stamp, no other field; the file only grows.
#pragma once

#include <string>

// Appends one record (the path and "\r\n" as UTF-16LE) to the log; a log that does not exist is
// first created holding only the byte-order mark FF FE. A log that cannot be opened is skipped
// quietly. Returns whether the record was written.
bool appendErrorLog(const std::wstring& logPath, const std::wstring& imagePath);

// Whether a load failure of this entry goes to the log: a shortcut (".lnk") only when loglnkfail is
// on, any other file only when logerrors is on.
bool shouldLogFailure(const std::wstring& imagePath, bool logerrors, bool loglnkfail);
