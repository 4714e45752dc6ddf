#include "read_ahead.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <chrono>
#include <limits>

#include "image_file_probe.h"

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

// Decodes the picture in `memory` and makes the decoder do its work now rather than at the first
// draw. An empty image when it does not decode or has no pixels.
GdipImage decodeFromMemory(GlobalMemory& memory) {
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &stream)) || !stream) return {};
    memory.release();  // the stream owns the memory now
    Gdiplus::GpImage* made = nullptr;
    const Gdiplus::GpStatus status = gp::GdipLoadImageFromStream(stream, &made);
    stream->Release();  // the image keeps its own reference while it needs the bytes
    GdipImage image(made);
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

}  // namespace

ReadAhead::~ReadAhead() { shutDown(); }

bool ReadAhead::stampOf(const std::wstring& path, Stamp& stamp) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

void ReadAhead::setNotify(HWND window, UINT message) {
    std::lock_guard lock(mutex_);
    notifyWindow_ = window;
    notifyMessage_ = message;
}

bool ReadAhead::finished(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    return !path.empty() && ((held_ && heldPath_ == path) || failedPath_ == path);
}

void ReadAhead::request(const std::wstring& path) {
    std::lock_guard lock(mutex_);
    if (stopping_ || path.empty()) return;
    if (path == wanted_ || (held_ && path == heldPath_)) return;
    held_.reset();
    heldPath_.clear();
    failedPath_.clear();
    wanted_ = path;
    if (!started_) {
        started_ = true;
        for (int worker = 0; worker < 2; ++worker) workers_[worker] = std::thread([this, worker] { run(worker); });
    }
    changed_.notify_all();
}

bool ReadAhead::take(const std::wstring& path, GdipImage& out, unsigned& orientation) {
    GdipImage picture;
    Stamp stamp;
    {
        std::lock_guard lock(mutex_);
        if (!held_ || heldPath_ != path) {
            if (path != wanted_) {
                // The step went elsewhere: what is held or decoding is of no use.
                held_.reset();
                heldPath_.clear();
                wanted_.clear();
            }
            return false;
        }
        picture = std::move(held_);
        failedPath_.clear();
        stamp = heldStamp_;
        orientation = heldOrientation_;
        heldPath_.clear();
        wanted_.clear();
    }
    Stamp now;
    if (!stampOf(path, now) || !(now == stamp)) return false;  // changed on disk since it was read
    out = std::move(picture);
    return true;
}

void ReadAhead::drop() {
    std::lock_guard lock(mutex_);
    failedPath_.clear();
    held_.reset();
    heldPath_.clear();
    wanted_.clear();
}

bool ReadAhead::holds(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    return held_ && heldPath_ == path;
}

bool ReadAhead::waitIdle(DWORD milliseconds) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return busy_ == 0 && (wanted_.empty() || (held_ && heldPath_ == wanted_)); });
}

bool ReadAhead::shutDown() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        held_.reset();
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
            return stopping_ || (!wanted_.empty() && !(held_ && heldPath_ == wanted_) && decoding_[other] != wanted_);
        });
        if (stopping_) {
            changed_.notify_all();
            return;
        }
        const std::wstring path = wanted_;
        decoding_[worker] = path;
        ++busy_;
        lock.unlock();

        GdipImage picture;
        Stamp stamp;
        unsigned orientation = 1;
        const ImageProbe probe = probeImageFile(path);
        if (!failsBeforeDecoding(probe) && probe.verdict != ProbeVerdict::RenderAtShownSize) {
            GlobalMemory memory;
            if (readWholeFile(path, memory, stamp.size, stamp.writeTime)) picture = decodeFromMemory(memory);
            orientation = probe.orientation >= 1 && probe.orientation <= 8 ? probe.orientation : 1;
        }

        lock.lock();
        --busy_;
        decoding_[worker].clear();
        if (stopping_) {
            // GDI+ may be stopped already: the picture is leaked rather than freed through it.
            static_cast<void>(picture.release());
            changed_.notify_all();
            return;
        }
        if (path == wanted_) {
            // Still wanted (a file changed since it was read is caught by the stamp when taken).
            if (picture) {
                held_ = std::move(picture);
                heldPath_ = path;
                heldStamp_ = stamp;
                heldOrientation_ = orientation;
            } else {
                wanted_.clear();  // does not decode: the step reports it when it gets there
                failedPath_ = path;
            }
            if (notifyWindow_) PostMessageW(notifyWindow_, notifyMessage_, 0, 0);
        } else if (picture) {
            // No longer wanted: thrown away, outside the lock.
            lock.unlock();
            picture.reset();
            lock.lock();
        }
        changed_.notify_all();
    }
}
