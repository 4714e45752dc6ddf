// Decoding the next picture while the current one is shown.
//
// A worker thread decodes the file the next step in the direction of travel will show, so that the
// step finds it ready. A decode cannot be stopped half-way: when the wanted picture changes while
// one runs, a second worker starts on the new one at once and the first one's result is thrown
// away when it ends. At most one picture is held. It is keyed by the path and by the file's
// size and last-write time as they were read when it was decoded: a picture whose file has changed
// since is never handed out. A file that does not decode is not remembered: the step decodes it
// again on the interface thread and reports it then, as it reports any unreadable file.
//
// A picture that will be shown smaller than its pixels is held at the size it will be shown
// (ShownSizeRule): decoded straight to a smaller scale where the platform can (JPEG through the
// imaging component), otherwise decoded whole, resampled as the painting resamples and the whole
// decode freed at once. The rule is part of the key: a picture held for another zoom, rotation or
// window size is never handed out.
//
// The file is read into memory and decoded from there, so the read-ahead never keeps the user's
// file open. Pictures the header probe refuses (too large, unsafe for the decoder) and metafiles
// (rendered at the size shown) are not read ahead.
//
// GDI+ must be started before the first request and stay started until the object is destroyed
// or shutDown() has returned.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "core/win_handles.h"
#include "shown_size.h"

// A picture decoded ahead, as handed to the step that shows it.
struct AheadPicture {
    GdipImage image;
    unsigned orientation = 1;         // EXIF orientation of the file
    int naturalWidth = 0, naturalHeight = 0;  // the picture's own size (stored axes); the image may be smaller
    int bitsPerPixel = 0;             // of the picture as decoded whole
    std::uint64_t size = 0, writeTime = 0;    // the file's, as it was read
};

class ReadAhead {
public:
    ReadAhead() = default;
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Off: nothing is decoded ahead, only the pictures steps ask for (benchmarks compare the two).
    bool aheadEnabled = true;

    // The window told (by a posted `message`) each time the worker ends a decode it was asked for.
    void setNotify(HWND window, UINT message);
    // Whether the worker is done with `path` under `rule`: decoded and held, or found not to decode.
    bool finished(const std::wstring& path, const ShownSizeRule& rule) const;
    // Asks for `path` to be decoded ahead, to be shown under `rule` (the worker starts on first
    // use). A held picture of another path or rule is dropped; a request for the path and rule
    // already held or being decoded changes nothing.
    void request(const std::wstring& path, const ShownSizeRule& rule);
    // Hands over the picture decoded ahead for `path` under `rule` when it is ready and the file
    // still has the size and time it had when it was read. Anything else held is dropped. False
    // when there is nothing usable (the caller decodes the file itself).
    bool take(const std::wstring& path, const ShownSizeRule& rule, AheadPicture& out);
    // Drops the held picture and forgets the request; a decode under way is discarded when it ends.
    void drop();
    // Whether a decoded picture for `path` is held (tests and benchmarks).
    bool holds(const std::wstring& path) const;
    // Waits until the worker has nothing to do, at most `milliseconds`; true when it is idle.
    bool waitIdle(DWORD milliseconds) const;
    // Ends the worker. Waits a moment for a decode under way; a decoder that takes longer is left to
    // finish on its own (its result is thrown away and the process may end meanwhile). True when
    // the worker has ended; false when it is still inside the decoder, in which case the imaging
    // library must not be stopped under it.
    bool shutDown();

private:
    struct Stamp {
        std::uint64_t size = 0, writeTime = 0;
        bool operator==(const Stamp&) const = default;
    };
    static bool stampOf(const std::wstring& path, Stamp& stamp);
    void run(int worker);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::thread workers_[2];
    bool started_ = false, stopping_ = false;
    int busy_ = 0;                  // workers inside a decode
    std::wstring decoding_[2];      // the path each worker decodes; empty when idle
    std::wstring wanted_;           // the path asked for; empty for none
    ShownSizeRule wantedRule_, decodingRule_[2];
    std::wstring failedPath_;       // the last path found not to decode
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    std::wstring heldPath_;
    ShownSizeRule heldRule_;
    AheadPicture held_;
};
