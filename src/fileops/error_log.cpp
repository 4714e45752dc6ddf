#include "error_log.h"

#include <string>

#include "exhibit.h"
#include "file_names.h"

bool appendErrorLog(const std::wstring& logPath, const std::wstring& imagePath) {
    // Appended, never truncated: a log that exists but cannot be read keeps what it holds.
    return appendUtf16Log(logPath, imagePath + L"\r\n");
}

bool shouldLogFailure(const std::wstring& imagePath, bool logerrors, bool loglnkfail) {
    return isShortcutPath(imagePath) ? loglnkfail : logerrors;
}
