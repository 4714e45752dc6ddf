// Drives the real Glimvue.exe the way Windows does: a fresh program folder with a copy of the exe,
// the main window found by process id, commands posted, caption and pixels read, files read back.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "settings.h"
#include "win/win_test_support.h"

namespace e2e {

// Waits until the condition holds or the deadline passes; returns the last answer.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000, int pollMs = 20);
// The same as an assertion whose failure message is describe()'s account of what was seen.
::testing::AssertionResult becomes(const std::function<bool()>& condition,
                                   const std::function<std::string()>& describe, int timeoutMs = 10000);

inline std::string readBytes(const std::wstring& path) { return wintest::readFile(path); }  // empty when unreadable
inline void writeBytes(const std::wstring& path, const std::string& bytes) { wintest::writeFile(path, bytes); }
// A path in quotes, as one argument of a command line.
inline std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// UTF-16LE file text (with byte-order mark) from/to a wide string; the "\r\n"-terminated lines of one.
std::string utf16File(const std::wstring& text);
std::wstring textOfUtf16File(const std::string& bytes);
std::vector<std::wstring> linesOfUtf16File(const std::string& bytes);

// A 24-bit BMP filled with one colour (0xRRGGBB).
std::string bmpBytes(int width, int height, unsigned colour);
// A JPEG encoded by the platform imaging library, its left half one colour and its right half
// another; with exifOrientation 1..8 an Exif segment holding only that orientation follows the
// start-of-image marker. Empty when encoding fails.
std::string jpegBytes(int width, int height, unsigned leftColour, unsigned rightColour, int exifOrientation);
// The Exif orientation of a file as the platform imaging library reports it here; 0 for none.
int imagingOrientation(const std::wstring& path);

// A fresh temporary folder, removed with its contents at the end.
class TempFolder : public wintest::TempFolder {
public:
    explicit TempFolder(const std::wstring& prefix) : wintest::TempFolder(prefix) {}
    void add(const std::wstring& name, const std::string& bytes) const { writeBytes(file(name), bytes); }
    void addBmp(const std::wstring& name, int width, int height, unsigned colour) const {
        add(name, bmpBytes(width, height, colour));
    }
};

SIZE clientSize(HWND window);
HWND statusBarOf(HWND window);
int statusBarHeight(HWND window);  // 0 without a status bar
// The colour on the screen at a client point (0xRRGGBB), and whether two match within a tolerance.
unsigned screenColourAt(HWND window, int x, int y);
bool coloursMatch(unsigned a, unsigned b, int tolerance);
// Text of a window and its child controls (for message boxes).
std::wstring windowTexts(HWND window);

// Real input, as a user gives it: keys (with Shift when asked) to the window that has the focus,
// and a right click at a screen point.
void pressKey(WORD key, bool shift = false);
void rightClickAt(POINT screenPoint);
// The screen's pixels in a rectangle (0xRRGGBB, row by row).
std::vector<unsigned> screenPixels(const RECT& area);

// The program folder, holding a copy of Glimvue.exe; a process still running at the end is ended.
class Glimvue : public TempFolder {
public:
    Glimvue();
    ~Glimvue();

    // Starts the program in its folder with the given argument text.
    bool start(const std::wstring& arguments);
    // The main window (the dialog owned by the hidden "Glimvue" window), once visible.
    HWND waitForMainWindow(int timeoutMs = 20000);
    HWND mainWindow() const { return main_; }
    HWND findMessageBox() const;
    // The program's open popup menu windows (class "#32768"), the most recently opened first.
    std::vector<HWND> popupMenus() const;
    bool hasVisibleWindow() const;

    void postCommand(int command) const;
    std::wstring caption() const;
    // Whether the caption becomes `want` in time; a failure tells the caption seen.
    ::testing::AssertionResult captionBecomes(const std::wstring& want, int timeoutMs = 10000) const;
    // A settings file the program wrote in its folder, read back; it must be there, written as UTF-16.
    Settings savedSettings(const std::wstring& name = L"glimvue.ini") const;
    // Text of a part of the main window's status bar (read through the program's own memory).
    std::wstring statusText(int part) const;
    // The same for any status bar of the program.
    std::wstring statusTextOf(HWND bar, int part) const;
    // The Catalog window (a visible window of the program titled "... - Glimvue Catalog"), or null.
    HWND findCatalog() const;
    HWND waitForCatalog(int timeoutMs = 20000) const;
    // The first visible top-level window of the program that accept() takes, or null.
    HWND findWindowOf(const std::function<bool(HWND)>& accept) const;
    // Sends a message whose lParam points at `size` bytes of `data`: they are copied into the
    // program's memory, and what the window wrote there is copied back. The message's result.
    LRESULT sendWithBuffer(HWND window, UINT message, WPARAM wParam, void* data, size_t size) const;
    // Asks the program to close (WM_CLOSE) and waits for the process to end.
    bool close(int timeoutMs = 20000);
    bool waitForExit(int timeoutMs = 20000);
    DWORD exitCode() const;
    DWORD processId() const { return process_.dwProcessId; }
    HANDLE processHandle() const { return process_.hProcess; }

private:
    PROCESS_INFORMATION process_{};
    HWND main_ = nullptr;
};

}  // namespace e2e
