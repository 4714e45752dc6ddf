#include "catalog/thumbnail_cache.h"

#include <windows.h>

#include <algorithm>

void ThumbnailCache::keep(FinishedThumbnail thumbnail) {
    if (!thumbnail.bitmap || isCatalogShortcut(thumbnail.job.path)) return;  // a shortcut's file is another
    const std::uint64_t bytes = std::uint64_t(std::max(thumbnail.box.width, 0)) * std::uint64_t(std::max(thumbnail.box.height, 0)) * 4;
    const std::wstring key = keyOf(thumbnail.job);
    std::list<FinishedThumbnail> dropped;  // freed outside the lock
    const std::lock_guard lock(mutex_);
    if (const auto found = index_.find(key); found != index_.end()) {
        const FinishedThumbnail& old = *found->second;
        bytes_ -= std::uint64_t(old.box.width) * std::uint64_t(old.box.height) * 4;
        dropped.splice(dropped.end(), kept_, found->second);
        index_.erase(found);
    }
    kept_.push_front(std::move(thumbnail));
    index_[key] = kept_.begin();
    bytes_ += bytes;
    while (bytes_ > capacity_ && kept_.size() > 1) {
        const FinishedThumbnail& oldest = kept_.back();
        bytes_ -= std::uint64_t(oldest.box.width) * std::uint64_t(oldest.box.height) * 4;
        index_.erase(keyOf(oldest.job));
        dropped.splice(dropped.end(), kept_, std::prev(kept_.end()));
    }
}

bool ThumbnailCache::take(const ThumbnailJob& job, FinishedThumbnail& out) {
    {
        const std::lock_guard lock(mutex_);
        const auto found = index_.find(keyOf(job));
        if (found == index_.end()) return false;
        out = std::move(*found->second);
        bytes_ -= std::uint64_t(out.box.width) * std::uint64_t(out.box.height) * 4;
        kept_.erase(found->second);
        index_.erase(found);
    }
    WIN32_FILE_ATTRIBUTE_DATA now{};
    const bool same = GetFileAttributesExW(job.path.c_str(), GetFileExInfoStandard, &now) &&
                      ((std::uint64_t(now.nFileSizeHigh) << 32) | now.nFileSizeLow) == out.fileSize &&
                      ((std::uint64_t(now.ftLastWriteTime.dwHighDateTime) << 32) | now.ftLastWriteTime.dwLowDateTime) == out.fileWriteTime;
    if (!same) {
        out = FinishedThumbnail{};
        return false;
    }
    out.job = job;
    return true;
}

size_t ThumbnailCache::size() const {
    const std::lock_guard lock(mutex_);
    return kept_.size();
}

std::wstring ThumbnailCache::keyOf(const ThumbnailJob& job) {
    return std::to_wstring(job.cell) + (job.exifOrient ? L"|o|" : L"|-|") + job.path;
}
