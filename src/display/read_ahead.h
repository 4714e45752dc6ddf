// Decoding the next picture while the current one is shown.
//
// A worker thread has the decoder process decode the file the next step in the direction of travel
// will show, so that the step finds it ready. When the wanted picture changes while a decode runs, a
// second worker starts on the new one at once and the first one's result is thrown away when it
// ends. At most one picture is held. It is keyed by the path and by the file's size and last-write
// time as the decoder read them: a picture whose file has changed since is never handed out. A file
// found not to decode is remembered as such until the next request, so that the step reports it at
// once instead of decoding it again.
//
// A picture that will be shown smaller than its pixels is held at the size it will be shown
// (ShownSizeRule), made so by the decoder. The rule is part of the key: a picture held for another
// zoom, rotation or window size is never handed out. Metafiles (drawn at the size shown) and
// shortcuts are not read ahead.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include <atomic>

#include "decoding/picture_decoder.h"
#include "display/shown_size.h"

class ReadAhead {
public:
    explicit ReadAhead(PictureDecoder& decoder) : decoder_(decoder) {}
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
    // still has the size and time it had when it was read (Taken), or says that the file was found
    // not to decode (Unreadable). Anything else held is dropped. Nothing: the caller decodes the
    // file itself.
    enum class Taken { Picture, Unreadable, Nothing };
    Taken take(const std::wstring& path, const ShownSizeRule& rule, DecodedPicture& out);
    // Drops the held picture and forgets the request; a decode under way is discarded when it ends.
    void drop();
    // Whether a decoded picture for `path` is held (tests and benchmarks).
    bool holds(const std::wstring& path) const;
    // Waits until the worker has nothing to do, at most `milliseconds`; true when it is idle.
    bool waitIdle(DWORD milliseconds) const;
    // Ends the workers: a decode under way is cancelled (its decoder process ended) and the workers
    // are joined, which takes moments.
    void shutDown();

private:
    void run(int worker);

    PictureDecoder& decoder_;
    std::atomic<bool> cancel_{false};

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::thread workers_[2];
    bool started_ = false, stopping_ = false;
    int busy_ = 0;                  // workers inside a decode
    std::wstring decoding_[2];      // the path each worker decodes; empty when idle
    std::wstring wanted_;           // the path asked for; empty for none
    ShownSizeRule wantedRule_, decodingRule_[2];
    std::wstring failedPath_;       // the last path the worker did not make a picture of
    bool failedUnreadable_ = false; // ... because it does not decode (else: declined, a metafile)
    HWND notifyWindow_ = nullptr;
    UINT notifyMessage_ = 0;
    std::wstring heldPath_;
    ShownSizeRule heldRule_;
    DecodedPicture held_;
};
