// Drives the real Glimvue.exe the way Windows does: a fresh program folder with a copy of the exe,
// the main window found by process id, commands posted, caption and pixels read, files read back.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Waits until the condition holds or the deadline passes; returns the last answer.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000, int pollMs = 20);

// Folder with the sample images, as a Windows path.
std::wstring samplesFolder();
// A fresh empty temporary folder (removed by the caller with removeTree).
std::wstring makeTempFolder(const std::wstring& prefix);
void removeTree(const std::wstring& folder);

// A 24-bit BMP file of the given size filled with one colour (0xRRGGBB).
std::string bmpBytes(int width, int height, unsigned colour);
// A fresh temporary folder holding one small image, a.bmp (a folder the program can build from).
std::wstring makeImageFolder(const std::wstring& prefix);

std::string readBytes(const std::wstring& path);
void writeBytes(const std::wstring& path, const std::string& bytes);
bool fileExists(const std::wstring& path);

// A JPEG of the given size, its left half one colour and its right half another (0xRRGGBB),
// encoded by the platform imaging library; with exifOrientation 1..8 an Exif segment holding only
// that orientation follows the start-of-image marker. Empty when encoding fails.
std::string jpegBytes(int width, int height, unsigned leftColour, unsigned rightColour, int exifOrientation);
// The Exif orientation of a file as the platform imaging library reports it in this process;
// 0 when it reports none.
int imagingOrientation(const std::wstring& path);

// Client size of a window.
SIZE clientSize(HWND window);
// The status bar child of a window, if any, and its height (0 without one).
HWND statusBarOf(HWND window);
int statusBarHeight(HWND window);
// The colour on the screen at a client point of a window (0xRRGGBB), and whether two colours
// match within a tolerance per channel.
unsigned screenColourAt(HWND window, int x, int y);
bool coloursMatch(unsigned a, unsigned b, int tolerance);
// Full lines ("\r\n"-terminated) of a UTF-16LE text file.
std::vector<std::wstring> linesOfUtf16File(const std::string& bytes);

// UTF-8 of a wide string, for test messages.
std::string toNarrow(const std::wstring& text);

// UTF-16LE file text (with byte-order mark) from/to a wide string.
std::string utf16File(const std::wstring& text);
std::wstring textOfUtf16File(const std::string& bytes);

class Glimvue {
public:
    Glimvue();   // makes a program folder holding a copy of Glimvue.exe
    ~Glimvue();  // ends a process still running and removes the folder
    Glimvue(const Glimvue&) = delete;
    Glimvue& operator=(const Glimvue&) = delete;

    const std::wstring& folder() const { return folder_; }
    std::wstring file(const std::wstring& name) const { return folder_ + L"\\" + name; }

    // Starts the program with the given argument text; the working directory defaults to its folder.
    bool start(const std::wstring& arguments, const std::wstring& workingDirectory = L"");
    // The main window (the dialog owned by the hidden "Glimvue" window), once visible.
    HWND waitForMainWindow(int timeoutMs = 20000);
    HWND mainWindow() const { return main_; }
    // A message box of the program, if one is shown.
    HWND findMessageBox() const;
    // Any visible top-level window of the process.
    bool hasVisibleWindow() const;

    void postCommand(int command) const;
    std::wstring caption() const;
    // Text of a part of the main window's status bar (read through the program's own memory).
    std::wstring statusText(int part) const;
    // Asks the program to close (WM_CLOSE) and waits for the process to end.
    bool close(int timeoutMs = 20000);
    bool waitForExit(int timeoutMs = 20000);
    DWORD exitCode() const;
    DWORD processId() const { return process_.dwProcessId; }

private:
    std::wstring folder_;
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

// Text of a window and its child controls (for message boxes).
std::wstring windowTexts(HWND window);

}  // namespace e2e
