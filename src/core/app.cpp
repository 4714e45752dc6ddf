// The application record and the program-wide routines.
#include <windows.h>

#include "app.h"

Application app;
Viewer* theViewer = nullptr;

int showMessage(const std::wstring& text, UINT style) {
    return MessageBoxW(app.mainWindow, text.c_str(), app.productName, style);
}

void outOfMemory() {
    showMessage(L"Out Of Memory", kInformation);
    ExitProcess(1);
}
