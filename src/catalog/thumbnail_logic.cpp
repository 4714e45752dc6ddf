// The Catalog's thumbnails without the platform.
#include "thumbnail_logic.h"

#include <algorithm>
#include <cwctype>

ThumbnailBox fitThumbnail(int width, int height, int cell) {
    ThumbnailBox box;
    if (width <= 0 || height <= 0 || cell <= 0) return box;
    const int64_t w = width, h = height, t = cell;
    if (w < t && h < t) {
        box.width = width;
        box.height = height;
    } else if (w <= h) {
        box.height = cell;
        box.width = static_cast<int>(t * w / h);
    } else {
        box.width = cell;
        box.height = static_cast<int>(t * h / w);
    }
    box.offsetX = (cell - box.width) / 2;
    box.offsetY = (cell - box.height) / 2;
    return box;
}

decoding::Extent ThumbnailTarget::wantedSize(const ImageProbe& probe) const {
    const bool sideways = exifOrient_ && probe.verdict != ProbeVerdict::RenderAtShownSize && probe.orientation >= 5 &&
                          probe.orientation <= 8;
    const ThumbnailBox box = fitThumbnail(sideways ? probe.height : probe.width, sideways ? probe.width : probe.height, cell_);
    return sideways ? decoding::Extent{box.height, box.width} : decoding::Extent{box.width, box.height};
}

decoding::RenderPlan ThumbnailTarget::plan(const decoding::OpenedPicture& picture) const {
    const int turn = exifOrient_ && !picture.metafile ? uprightRotateFlip(picture.orientation) : 0;
    const bool sideways = (turn & 1) != 0;
    const ThumbnailBox box = fitThumbnail(sideways ? picture.naturalHeight : picture.naturalWidth,
                                          sideways ? picture.naturalWidth : picture.naturalHeight, cell_);
    return {decoding::RenderKind::DrawOpaque, box.width, box.height, turn, 0};
}

int uprightRotateFlip(unsigned orientation) {
    // GDI+: 0 none, 1 turn 90, 2 turn 180, 3 turn 270, 4 flip x, 5 turn 90 + flip x, 6 flip y,
    // 7 turn 270 + flip x.
    static const int kUpright[9] = {0, 0, 4, 2, 6, 5, 1, 7, 3};
    return orientation >= 1 && orientation <= 8 ? kUpright[orientation] : 0;
}

std::wstring_view fileNameOf(std::wstring_view path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

bool isCatalogShortcut(std::wstring_view path) {
    if (path.size() < 4) return false;
    const std::wstring_view tail = path.substr(path.size() - 4);
    const wchar_t* lnk = L".lnk";
    for (size_t i = 0; i < 4; ++i)
        if (std::towlower(static_cast<wint_t>(tail[i])) != static_cast<wint_t>(lnk[i])) return false;
    return true;
}

std::wstring catalogItemText(std::wstring_view path) {
    std::wstring text = isCatalogShortcut(path) ? L"*" : L"";
    text += fileNameOf(path);
    return text;
}

size_t typeAheadIndex(size_t count, size_t selected, wchar_t letter,
                      const std::function<std::wstring_view(size_t)>& nameAt) {
    const wint_t wanted = std::towlower(static_cast<wint_t>(letter));
    auto starts = [&](size_t i) {
        const std::wstring_view name = fileNameOf(nameAt(i));
        return !name.empty() && std::towlower(static_cast<wint_t>(name.front())) == wanted;
    };
    for (size_t i = selected + 1; i < count; ++i)
        if (starts(i)) return i;
    for (size_t i = 0; i < selected && i < count; ++i)
        if (starts(i)) return i;
    return selected;
}

void ThumbnailQueue::setVisible(long long first, long long last) {
    std::lock_guard lock(mutex_);
    first_ = first;
    last_ = last;
    std::erase_if(queue_, [&](const ThumbnailJob& job) { return !visibleLocked(job.index); });
}

uint64_t ThumbnailQueue::newGeneration() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    inFlight_.clear();
    return ++generation_;
}

uint64_t ThumbnailQueue::generation() const {
    std::lock_guard lock(mutex_);
    return generation_;
}

bool ThumbnailQueue::request(ThumbnailJob job) {
    {
        std::lock_guard lock(mutex_);
        if (stopped_ || job.generation != generation_ || !visibleLocked(job.index)) return false;
        if (inFlight_.count(job.index)) return false;
        for (const ThumbnailJob& queued : queue_)
            if (queued.index == job.index) return false;
        queue_.push_back(std::move(job));
    }
    ready_.notify_one();
    return true;
}

bool ThumbnailQueue::take(ThumbnailJob& job) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return stopped_ || !queue_.empty(); });
    if (stopped_) return false;
    job = std::move(queue_.front());
    queue_.pop_front();
    inFlight_.insert(job.index);
    return true;
}

void ThumbnailQueue::finish(const ThumbnailJob& job) {
    std::lock_guard lock(mutex_);
    if (job.generation == generation_) inFlight_.erase(job.index);
}

bool ThumbnailQueue::wanted(size_t index, uint64_t generation) const {
    std::lock_guard lock(mutex_);
    return !stopped_ && generation == generation_ && visibleLocked(index);
}

void ThumbnailQueue::stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
        queue_.clear();
    }
    ready_.notify_all();
}

size_t ThumbnailQueue::queuedCount() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}
