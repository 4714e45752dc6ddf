// Shortcut files (".lnk"): reading a shortcut's target with the find data the shortcut recorded
// for it, and writing new shortcuts, through the shell's link object.
//
// One ShortcutFile serves one operation (a scan, a drop, a look-up, a shortcut creation). It is
// opened, used and closed on one thread: open() joins that thread to a single-threaded apartment.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

#include <string>

#include "core/win_handles.h"

class ShortcutFile {
public:
    ShortcutFile() = default;
    ~ShortcutFile();  // closes when open
    ShortcutFile(const ShortcutFile&) = delete;
    ShortcutFile& operator=(const ShortcutFile&) = delete;

    // Initialises COM on the calling thread and creates the shell-link object with its
    // persist-file interface. True when both exist. Opening an open object reopens it.
    bool open();
    // Releases the link object and balances open()'s COM initialisation. Safe to call twice.
    void close();
    bool isOpen() const { return static_cast<bool>(file_); }

    // Reads the target path of the shortcut at shortcutPath. With resolve, the shell first looks
    // for a moved target silently (and updates the shortcut); a failed search gives false.
    // False when not open, when the shortcut cannot be loaded or names no path; targetPath is then
    // left as it was. targetData() is cleared at the start of every call, so a failed read never
    // leaves another shortcut's find data behind.
    bool readTarget(const std::wstring& shortcutPath, std::wstring& targetPath, bool resolve);
    // Find data of the target as recorded in the shortcut (attributes, times, size, name) from the
    // last readTarget; all zero after a failed one.
    const WIN32_FIND_DATAW& targetData() const { return targetData_; }

    // Writes a shortcut file at shortcutPath pointing at targetPath. False when not open or when
    // the path cannot be set or the file cannot be saved.
    bool create(const std::wstring& targetPath, const std::wstring& shortcutPath);

private:
    // Gives a link object without state from an earlier shortcut: after a load or a path change,
    // the old one is replaced by a new one. False when no object can be made.
    bool freshLink();
    bool createLink();
    void releaseLink();

    ComPtr<IShellLinkW> link_;
    ComPtr<IPersistFile> file_;
    bool used_ = false;            // link_ holds state from a load or a SetPath
    bool uninitialize_ = false;    // open() initialised COM and owes a CoUninitialize
    WIN32_FIND_DATAW targetData_{};
};
