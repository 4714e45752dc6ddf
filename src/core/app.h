// The application record and the program-wide routines every Windows-bound file may use.
#pragma once

#include <windows.h>

#include <string>

class PictureDecoder;
#include "glimvue_version.h"

class Viewer;

struct Application {
    HINSTANCE instance = nullptr;
    HWND mainWindow = nullptr;
    // The decoder processes' pool, made first thing at start and ended last.
    PictureDecoder* decoder = nullptr;
    const wchar_t* productName = L"Glimvue";
    const wchar_t* productVersion = L"" GLIMVUE_SHORT_VERSION_TEXT;
    // Registered at start for talking to the Blackbox shell's skin plug-in.
    UINT skinWindowMessage = RegisterWindowMessageW(L"BBLEANSKIN_WINDOWMSG");
    UINT skinMessage = RegisterWindowMessageW(L"BBLEANSKIN_MSG");
};

extern Application app;
// The one Viewer; null before the main window is initialised and after shut-down.
extern Viewer* theViewer;

// Message boxes of the program: owned by the main window, titled with the product name.
enum MessageStyle : UINT {
    kInformation = MB_OK | MB_ICONINFORMATION,   // 0x40
    kExclamation = MB_OK | MB_ICONEXCLAMATION,   // 0x30
    kOkCancelQuestion = MB_OKCANCEL | MB_ICONQUESTION,  // 0x21
};
int showMessage(const std::wstring& text, UINT style);

// Called when an allocation fails: "Out Of Memory", exit code 1.
void outOfMemory();

// Hands the pages the process no longer touches back to the system (after a picture is dropped,
// the menu closes, the Catalog ends).
inline void trimWorkingSet() {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}
