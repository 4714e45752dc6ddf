// The Catalog's thumbnails without the platform: where a picture sits in its cell, the turn that
// makes it upright, the type-ahead search over the names, and the queue that hands the items on
// screen to the decoding threads.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "decoding/decode_target.h"

// A picture of width x height inside the square cell of side `cell`: its drawn size and its offsets
// inside the cell. A picture smaller than the cell in both directions keeps its size and is centred;
// otherwise the longer side fills the cell and the other is centred. Sizes <= 0 give an empty box.
struct ThumbnailBox {
    int width = 0, height = 0;
    int offsetX = 0, offsetY = 0;
};
ThumbnailBox fitThumbnail(int width, int height, int cell);

// The GDI+ rotate/flip type (0..7) that turns a picture of EXIF orientation 1..8 upright; 0 (no
// change) for orientation 1 and for values outside 1..8.
int uprightRotateFlip(unsigned orientation);

// A Catalog thumbnail: the picture fitted into the cell, turned upright when `exifOrient` (a
// metafile is drawn as it stands), resampled onto black.
class ThumbnailTarget final : public DecodeTarget {
public:
    ThumbnailTarget(int cell, bool exifOrient) : cell_(cell), exifOrient_(exifOrient) {}
    decoding::Extent wantedSize(const ImageProbe& probe) const override;
    decoding::RenderPlan plan(const decoding::OpenedPicture& picture) const override;

private:
    int cell_;
    bool exifOrient_;
};

// The file name of a path: the text after the last backslash (all of it without one).
std::wstring_view fileNameOf(std::wstring_view path);

// Whether the path names a shortcut (".lnk", any case).
bool isCatalogShortcut(std::wstring_view path);
// The text of an item: the file name, with "*" before it for a shortcut.
std::wstring catalogItemText(std::wstring_view path);

// Type-ahead: the item to jump to when `letter` is typed while `selected` is the first selected
// item. Searches the names after `selected` to the end, then from 0 up to the item before it, for
// the first whose file name starts with the letter (case-insensitive); answers `selected` when none
// matches. `nameAt` gives the path of an item.
size_t typeAheadIndex(size_t count, size_t selected, wchar_t letter,
                      const std::function<std::wstring_view(size_t)>& nameAt);

// One decode asked of the threads: an item of the list and what it needs, taken on the interface
// thread when the list asked for the item.
struct ThumbnailJob {
    size_t index = 0;
    uint64_t generation = 0;  // the list's fill the item belongs to
    std::wstring path;        // the entry's path (image or shortcut)
    bool exifOrient = true;
    int cell = 100;           // thumbsize
};

// The queue between the interface thread and the decoding threads. The interface thread tells it
// which items are on screen and asks for the ones it has no thumbnail of; the threads take the
// requests in order. A request for an item that left the screen, or of an earlier fill of the list,
// is dropped before it is decoded, and its result is refused after. What is queued is bounded by
// the items on screen.
class ThumbnailQueue {
public:
    // The items on screen are first..last (none when last < first). Queued requests outside are dropped.
    void setVisible(long long first, long long last);
    // The list was emptied or refilled: every request so far is of the old fill. Returns the new fill.
    uint64_t newGeneration();
    uint64_t generation() const;
    // Asks for a decode. Refused (false) when the item is not on screen, or is already queued or
    // being decoded in this fill.
    bool request(ThumbnailJob job);
    // A decoding thread: waits for the next request; false once stopped.
    bool take(ThumbnailJob& job);
    // A decoding thread is done with the item (decoded or given up).
    void finish(const ThumbnailJob& job);
    // Whether an item of that fill is still wanted: on screen and the fill still current.
    bool wanted(size_t index, uint64_t generation) const;
    // Ends the waiting of every thread; no request is taken after.
    void stop();
    size_t queuedCount() const;

private:
    bool visibleLocked(size_t index) const {
        return static_cast<long long>(index) >= first_ && static_cast<long long>(index) <= last_;
    }
    mutable std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ThumbnailJob> queue_;
    std::set<size_t> inFlight_;  // being decoded in the current fill
    long long first_ = 0, last_ = -1;
    uint64_t generation_ = 1;
    bool stopped_ = false;
};
