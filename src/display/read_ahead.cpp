#include "read_ahead.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <limits>

#include "image_file_probe.h"
#include "scaled_decode.h"
#include "view_image.h"

namespace gp = Gdiplus::DllExports;

namespace {

// Reads the whole file into movable global memory and reports its size and time as read through
// the same handle. False when it cannot be opened or read, or is too large to hold.
bool readWholeFile(const std::wstring& path, GlobalMemory& memory, std::uint64_t& size, std::uint64_t& writeTime) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) return false;
    size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    writeTime = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    if (size == 0 || size > (std::uint64_t{1} << 30)) return false;
    memory = GlobalMemory(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(size)));
    if (!memory) return false;
    void* bytes = GlobalLock(memory.get());
    if (!bytes) return false;
    std::uint64_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size - done, 1u << 24)), got = 0;
        ok = ReadFile(file.get(), static_cast<char*>(bytes) + done, chunk, &got, nullptr) && got == chunk;
        done += got;
    }
    GlobalUnlock(memory.get());
    return ok;
}

// Decodes the picture in `stream` and makes the decoder do its work now rather than at the first
// draw. An empty image when it does not decode or has no pixels.
GdipImage decodeFromStream(IStream* stream) {
    Gdiplus::GpImage* made = nullptr;
    const Gdiplus::GpStatus status = gp::GdipLoadImageFromStream(stream, &made);
    GdipImage image(made);  // keeps its own reference to the stream while it needs the bytes
    if (status != Gdiplus::Ok || !image) return {};
    UINT width = 0, height = 0;
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    if (gp::GdipGetImageWidth(image.get(), &width) != Gdiplus::Ok || gp::GdipGetImageHeight(image.get(), &height) != Gdiplus::Ok ||
        gp::GdipGetImageType(image.get(), &type) != Gdiplus::Ok || width == 0 || height == 0 || type != Gdiplus::ImageTypeBitmap)
        return {};
    // Reading one pixel's worth of the bitmap makes a lazy decoder decode it.
    Gdiplus::GpRect one(0, 0, 1, 1);
    Gdiplus::BitmapData locked{};
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image.get());
    if (gp::GdipBitmapLockBits(bitmap, &one, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) != Gdiplus::Ok) return {};
    gp::GdipBitmapUnlockBits(bitmap, &locked);
    return image;
}

// Decodes the file read into `memory` for a picture to be shown under `rule`: reduced to the size
// it will be shown at when that is smaller than the picture, whole otherwise.
bool decodeForRule(GlobalMemory& memory, const ImageProbe& probe, unsigned orientation, const ShownSizeRule& rule,
                   AheadPicture& out) {
    IStream* made = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &made)) || !made) return false;
    memory.release();  // the stream owns the memory now
    const ComPtr<IStream> stream(made);

    // Straight to a smaller scale where the platform's JPEG decoder can; then to the exact size.
    const Size32 probed = reducedStoredSize(rule, {probe.width, probe.height}, orientation);
    if (probed.width > 0 && probe.format == ImageFormat::Jpeg) {
        ScaledJpeg scaled;
        if (decodeJpegScaled(stream.get(), probed.width, probed.height, scaled)) {
            out.image = ViewImage::resampleForView(scaled.bitmap.get(), probed.width, probed.height, rule.interpolation);
            if (out.image) {
                out.naturalWidth = probe.width;
                out.naturalHeight = probe.height;
                out.bitsPerPixel = 24;
                return true;
            }
        }
        const LARGE_INTEGER start{};
        if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return false;
    }

    GdipImage whole = decodeFromStream(stream.get());
    if (!whole) return false;
    UINT width = 0, height = 0;
    gp::GdipGetImageWidth(whole.get(), &width);
    gp::GdipGetImageHeight(whole.get(), &height);
    out.naturalWidth = static_cast<int>(width);
    out.naturalHeight = static_cast<int>(height);
    out.bitsPerPixel = ViewImage::bitsPerPixelOf(whole.get());
    const Size32 target = reducedStoredSize(rule, {out.naturalWidth, out.naturalHeight}, orientation);
    if (target.width > 0) {
        GdipImage reduced = ViewImage::resampleForView(whole.get(), target.width, target.height, rule.interpolation);
        if (reduced) {
            whole = std::move(reduced);  // the whole decode is freed here
            out.image = std::move(whole);
            return true;
        }
    }
    out.image = std::move(whole);
    out.naturalWidth = out.naturalHeight = 0;  // held whole
    return true;
}

}  // namespace

ReadAhead::~ReadAhead() { shutDown(); }

bool ReadAhead::stampOf(const std::wstring& path, Stamp& stamp) {
    return ViewImage::stampOf(path, stamp.size, stamp.writeTime);
}

void ReadAhead::setNotify(HWND window, UINT message) {
    std::lock_guard lock(mutex_);
    notifyWindow_ = window;
    notifyMessage_ = message;
}

bool ReadAhead::finished(const std::wstring& path, const ShownSizeRule& rule) const {
    std::lock_guard lock(mutex_);
    return !path.empty() && ((held_.image && heldPath_ == path && heldRule_ == rule) || failedPath_ == path);
}

void ReadAhead::request(const std::wstring& path, const ShownSizeRule& rule) {
    std::lock_guard lock(mutex_);
    if (stopping_ || path.empty()) return;
    if (path == wanted_ && rule == wantedRule_) return;
    if (held_.image && path == heldPath_ && rule == heldRule_) return;
    held_ = AheadPicture{};
    heldPath_.clear();
    failedPath_.clear();
    wanted_ = path;
    wantedRule_ = rule;
    if (!started_) {
        started_ = true;
        for (int worker = 0; worker < 2; ++worker) workers_[worker] = std::thread([this, worker] { run(worker); });
    }
    changed_.notify_all();
}

bool ReadAhead::take(const std::wstring& path, const ShownSizeRule& rule, AheadPicture& out) {
    AheadPicture picture;
    {
        std::lock_guard lock(mutex_);
        if (!held_.image || heldPath_ != path || !(heldRule_ == rule)) {
            if (path != wanted_ || !(rule == wantedRule_)) {
                // The step went elsewhere, or the picture would be shown at another size: what is
                // held or decoding is of no use.
                held_ = AheadPicture{};
                heldPath_.clear();
                wanted_.clear();
            }
            return false;
        }
        picture = std::move(held_);
        held_ = AheadPicture{};
        failedPath_.clear();
        heldPath_.clear();
        wanted_.clear();
    }
    Stamp now;
    if (!stampOf(path, now) || now.size != picture.size || now.writeTime != picture.writeTime)
        return false;  // changed on disk since it was read
    out = std::move(picture);
    return true;
}

void ReadAhead::drop() {
    std::lock_guard lock(mutex_);
    failedPath_.clear();
    held_ = AheadPicture{};
    heldPath_.clear();
    wanted_.clear();
}

bool ReadAhead::holds(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    return held_.image && heldPath_ == path;
}

bool ReadAhead::waitIdle(DWORD milliseconds) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
        return busy_ == 0 && (wanted_.empty() || (held_.image && heldPath_ == wanted_ && heldRule_ == wantedRule_));
    });
}

bool ReadAhead::shutDown() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        held_ = AheadPicture{};
        heldPath_.clear();
        wanted_.clear();
        changed_.notify_all();
    }
    if (!started_) return true;
    // A decode under way gets a moment to end; past that the thread is left to finish by itself so
    // that closing the program never waits for a large picture.
    std::unique_lock lock(mutex_);
    const bool ended = changed_.wait_for(lock, std::chrono::milliseconds(1500), [this] { return busy_ == 0; });
    lock.unlock();
    for (std::thread& worker : workers_) {
        if (!worker.joinable()) continue;
        if (ended)
            worker.join();
        else
            worker.detach();
    }
    started_ = false;
    return ended;
}

void ReadAhead::run(int worker) {
    std::unique_lock lock(mutex_);
    const int other = 1 - worker;
    for (;;) {
        // Work: the wanted picture, unless it is held already or the other worker decodes it.
        changed_.wait(lock, [this, other] {
            return stopping_ || (!wanted_.empty() && !(held_.image && heldPath_ == wanted_ && heldRule_ == wantedRule_) &&
                                 !(decoding_[other] == wanted_ && decodingRule_[other] == wantedRule_));
        });
        if (stopping_) {
            changed_.notify_all();
            return;
        }
        const std::wstring path = wanted_;
        const ShownSizeRule rule = wantedRule_;
        decoding_[worker] = path;
        decodingRule_[worker] = rule;
        ++busy_;
        lock.unlock();

        AheadPicture picture;
        const ImageProbe probe = probeImageFile(path);
        if (!failsBeforeDecoding(probe) && probe.verdict != ProbeVerdict::RenderAtShownSize) {
            GlobalMemory memory;
            picture.orientation = probe.orientation >= 1 && probe.orientation <= 8 ? probe.orientation : 1;
            if (readWholeFile(path, memory, picture.size, picture.writeTime) &&
                !decodeForRule(memory, probe, picture.orientation, rule, picture))
                picture.image.reset();
        }

        lock.lock();
        --busy_;
        decoding_[worker].clear();
        if (stopping_) {
            // GDI+ may be stopped already: the picture is leaked rather than freed through it.
            static_cast<void>(picture.image.release());
            changed_.notify_all();
            return;
        }
        if (path == wanted_ && rule == wantedRule_) {
            // Still wanted (a file changed since it was read is caught by the stamp when taken).
            if (picture.image) {
                held_ = std::move(picture);
                heldPath_ = path;
                heldRule_ = rule;
            } else {
                wanted_.clear();  // does not decode: the step reports it when it gets there
                failedPath_ = path;
            }
            if (notifyWindow_) PostMessageW(notifyWindow_, notifyMessage_, 0, 0);
        } else if (picture.image) {
            // No longer wanted: thrown away, outside the lock.
            lock.unlock();
            picture.image.reset();
            lock.lock();
        }
        changed_.notify_all();
    }
}
