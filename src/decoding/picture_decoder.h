// The one way the program decodes a picture file: in a decoder process.
//
// Every decode (the shown picture, the one read ahead, thumbnails, collage tiles, the wallpaper,
// the whole picture for the clipboard) asks a PictureDecoder. It probes the file's header here
// (a picture that is too large or known to crash the decoder is refused before any decoder sees
// it), then hands the file to one of its decoder processes, which decodes it into a shared section
// that becomes the bitmap here without a copy.
//
// A decoder process that crashes, exits, does not answer within the time its picture may take, or
// uses more memory than its picture may need is ended, the picture counts as unreadable like any
// file that does not decode, and a fresh process serves the next request. Each process sits in a
// job object that ends it when the program ends, however it ends, and it ends by itself when the
// program's process goes. On Windows it runs with a low-integrity, restricted token where the
// system allows one.
//
// Safe to call from any thread; a caller waits for its own picture only. Decoder processes are
// reused; up to `maxProcesses` run at once, and a caller beyond that waits for one to be free.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/win_handles.h"
#include "decoding/decode_protocol.h"
#include "decoding/decode_target.h"

// A decoded picture: a DIB section over the pixels the decoder made, 32 bits, top row first.
struct DecodedPicture {
    GdiBitmap bitmap;
    void* bits = nullptr;
    int width = 0, height = 0;              // of the pixels, as planned
    int naturalWidth = 0, naturalHeight = 0;  // the picture's own size in its stored axes
    int bitsPerPixel = 0;
    unsigned orientation = 1;               // EXIF, 1..8 (applied only where the plan turned it)
    bool alpha = false;                     // the pixels carry transparency
    std::uint64_t fileSize = 0, fileWriteTime = 0;  // the file as the decoder read it

    explicit operator bool() const { return static_cast<bool>(bitmap); }
    // A GDI+ bitmap over the same pixels (no copy). It must be disposed of before `bitmap` goes.
    GdipImage wrap() const;
};

enum class DecodeOutcome {
    Decoded,
    Unreadable,  // refused by the probe, not decodable, or its decoder failed (crash, time, memory)
    Declined,    // decodable, but the target's plan turned it down (a metafile asked for as a raster picture)
    Cancelled,   // the caller's cancel flag was raised, or the decoder is shutting down
};

class DecoderProcess;

class PictureDecoder {
public:
    // `program`: the executable started as the decoder (this program). `maxProcesses` >= 1.
    PictureDecoder(std::wstring program, unsigned maxProcesses);
    ~PictureDecoder();
    PictureDecoder(const PictureDecoder&) = delete;
    PictureDecoder& operator=(const PictureDecoder&) = delete;

    // Starts one decoder process now, so that its start overlaps the caller's own work.
    void warmUp();
    // Decodes `path` for `target`. `cancel`, when given, is watched while the decoder works:
    // raised, the decoder is ended and the outcome is Cancelled.
    DecodeOutcome decode(const std::wstring& path, const DecodeTarget& target, DecodedPicture& out,
                         const std::atomic<bool>* cancel = nullptr);
    // Ends decoder processes beyond `keep` that have nothing to do.
    void trimIdle(unsigned keep);
    // Ends every decoder process; decodes under way come back Cancelled within moments. Later calls
    // of decode() come back Cancelled at once.
    void shutDown();

    // Decoder processes that have been ended for failing (tests and benchmarks).
    unsigned failures() const { return failures_.load(); }
    // The process identifiers of the running decoder processes (tests).
    std::vector<DWORD> processIds() const;

private:
    // A decoder process for one decode: an idle one, a new one while fewer than the most run, or
    // the next one to be free. Null when stopping or cancelled, or when none can be started.
    std::unique_ptr<DecoderProcess> acquire(const std::atomic<bool>* cancel = nullptr);
    void giveBack(std::unique_ptr<DecoderProcess> process);

    const std::wstring program_;
    const unsigned maxProcesses_;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
    std::vector<std::unique_ptr<DecoderProcess>> idle_;
    std::vector<DecoderProcess*> busy_;
    unsigned running_ = 0;  // idle + busy + being started
    bool stopping_ = false;
    std::atomic<bool> stopFlag_{false};
    std::atomic<unsigned> failures_{0};
};

// The executable of this process (the decoder processes are started from it).
std::wstring thisProgramPath();
