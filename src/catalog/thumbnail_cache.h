// Finished thumbnails, and the cache that keeps them from one Catalog to the next.
#pragma once

#include <windows.h>

#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

#include "catalog/thumbnail_logic.h"
#include "core/win_handles.h"

// A finished thumbnail, handed from a decoding thread to the interface thread.
struct FinishedThumbnail {
    ThumbnailJob job;
    GdiBitmap bitmap;  // box.width x box.height, 32 bpp; empty when the file did not decode
    ThumbnailBox box;
    std::uint64_t fileSize = 0, fileWriteTime = 0;  // the file as it was decoded
};

// Thumbnails finished for a Catalog that no longer shows them (scrolled away, refilled, closed),
// kept for the next one that asks for the same file at the same size: a Catalog opened again
// shows at once what was decoded before. A thumbnail comes back only while its file still has the
// size and time it had when it was decoded. The least recently kept go first once the bitmaps
// would take more than the capacity. Safe from any thread.
class ThumbnailCache {
public:
    explicit ThumbnailCache(std::uint64_t capacityBytes = std::uint64_t{48} << 20) : capacity_(capacityBytes) {}
    void keep(FinishedThumbnail thumbnail);
    // The thumbnail kept for the job's file, cell size and orientation switch, taken out of the
    // cache and made the job's. False when there is none or its file has changed since.
    bool take(const ThumbnailJob& job, FinishedThumbnail& out);
    size_t size() const;

private:
    static std::wstring keyOf(const ThumbnailJob& job);
    mutable std::mutex mutex_;
    const std::uint64_t capacity_;
    std::uint64_t bytes_ = 0;
    std::list<FinishedThumbnail> kept_;  // newest first
    std::unordered_map<std::wstring, std::list<FinishedThumbnail>::iterator> index_;
};
