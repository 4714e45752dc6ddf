// The shell's own context menu for files, and shell verbs invoked on them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Shows the Explorer-style context menu of the files at a screen point, owned by `owner`, and
// carries out what is chosen. Nothing is shown for an empty list or when the shell has no menu.
void showShellContextMenu(const std::vector<std::wstring>& paths, POINT point, HWND owner);

// Invokes a verb ("cut", "copy", "paste", ...) of the shell's context menu on the files. False when
// the shell has no menu for them or the verb failed.
bool invokeShellVerb(const std::vector<std::wstring>& paths, const char* verb);
