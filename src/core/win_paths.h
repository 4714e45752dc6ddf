// Path helpers over the Windows API, without fixed-size buffers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A file time as one 64-bit count of 100-nanosecond intervals.
inline uint64_t toFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The full path of a module's file (the program when module is null).
std::wstring modulePath(HMODULE module);
// The full path of a (possibly relative) path, resolved against the current directory/drive.
std::wstring fullPath(const std::wstring& path);
// The file-system path of a shell folder (CSIDL_...); empty when there is none.
std::wstring knownFolderPath(int csidl);
// The last component of an existing path with the letter case found on disk; empty when the path
// cannot be found.
std::wstring nameOnDisk(const std::wstring& path);
bool pathExists(const std::wstring& path);
// The folder of a path: up to its last backslash, keeping the backslash of a drive root ("C:\"
// rather than the drive-relative "C:").
std::wstring folderOfPath(const std::wstring& path);
