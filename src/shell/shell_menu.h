// The program's popup menus as they are tracked, the shell's own context menu for files, and shell
// verbs invoked on them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Tracks a popup menu of the program at a screen point for `owner`, returning the command chosen
// (0: none) without notifying the owner, the right button choosing too. The item of the command
// `highlight` (0: none) starts selected, as the arrow keys would select it. `byUser` tells whether
// the user closed it (a key or a mouse button, or after it had been open for a while); a menu that
// closes at once without either was taken away by the system.
struct TrackedMenu {
    UINT chosen = 0;
    bool byUser = true;
};
TrackedMenu trackMenu(HMENU menu, int x, int y, HWND owner, UINT highlight);

// Shows the Explorer-style context menu of the files at a screen point, owned by `owner`, and
// carries out what is chosen. Nothing is shown for an empty list or when the shell has no menu.
void showShellContextMenu(const std::vector<std::wstring>& paths, POINT point, HWND owner);

// Invokes a verb ("cut", "copy", "paste", ...) of the shell's context menu on the files. False when
// the shell has no menu for them or the verb failed.
bool invokeShellVerb(const std::vector<std::wstring>& paths, const char* verb);
