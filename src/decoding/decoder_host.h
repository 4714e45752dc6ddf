// The decoder process: the program started with a private switch, with no window, decoding the
// pictures the program asks for into the sections it hands over.
//
// It reads each file into memory and decodes it from there through a checked stream, after the
// same header probe the program runs, so it never keeps a user's file open and a header that points
// outside the file reads nothing. It ends when the program that started it ends. A fault inside a
// decoder ends it at once, without an error dialog or a debugger: the program sees it go and counts
// the picture as unreadable.
//
// For tests, an environment variable GLIMVUE_DECODER_FAULTS=1 lets a file whose bytes begin with
// "GLIMVUE-FAULT:crash", ":hang", ":hog" or ":exit" make the decoder crash, stall, take memory
// without end or exit while it opens that file. Nothing else changes with it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "decoding/decode_protocol.h"

// The private switch; its value names the handles the decoder process inherits.
inline constexpr wchar_t kDecoderSwitch[] = L"--glimvue-decoder=";

// Whether the command line starts the decoder process: its first argument begins with the switch.
bool isDecoderCommandLine(const wchar_t* commandLine);
// Runs the decoder process until the program that started it ends or stops it; the exit code.
int runDecoderProcess(const wchar_t* commandLine);

// One picture between Open and Render, decoded in this process (the decoder process's work; tests
// call it directly). GDI+ must be started.
class PictureDecodeSession {
public:
    PictureDecodeSession();
    ~PictureDecodeSession();
    PictureDecodeSession(const PictureDecodeSession&) = delete;
    PictureDecodeSession& operator=(const PictureDecodeSession&) = delete;

    // Reads and decodes `path` (at a reduced scale where the decoder can and the hint allows) and
    // fills the Open fields of `reply`. Returns the reply's status.
    decoding::ReplyStatus open(const std::wstring& path, int hintWidth, int hintHeight, decoding::Reply& reply);
    // Makes the pixels of the opened picture in `section` (a pagefile section of at least
    // width * height * 4 bytes, zero-filled), top row first. Ends the session either way.
    decoding::ReplyStatus render(const decoding::Request& request, HANDLE section);
    void close();

private:
    struct Opened;
    std::unique_ptr<Opened> opened_;
};
