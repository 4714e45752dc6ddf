// Checks shared by the commands that act on the current image file.
#include <windows.h>

#include "app.h"
#include "viewer.h"

bool Viewer::checkIsFile() {
    if (store.currentPathCopy() != shell.pastedImageName) return true;
    showMessage(language.message(kMsgNotAFile), kInformation);
    return false;
}
