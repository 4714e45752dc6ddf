#include "read_ahead.h"

#include <windows.h>

#include <chrono>

#include "display/picture_targets.h"
#include "display/view_image.h"

ReadAhead::~ReadAhead() { shutDown(); }

void ReadAhead::setNotify(HWND window, UINT message) {
    std::lock_guard lock(mutex_);
    notifyWindow_ = window;
    notifyMessage_ = message;
}

bool ReadAhead::finished(const std::wstring& path, const ShownSizeRule& rule) const {
    std::lock_guard lock(mutex_);
    return !path.empty() && ((held_.bitmap && heldPath_ == path && heldRule_ == rule) || failedPath_ == path);
}

void ReadAhead::request(const std::wstring& path, const ShownSizeRule& rule) {
    std::lock_guard lock(mutex_);
    if (stopping_ || path.empty()) return;
    if (path == wanted_ && rule == wantedRule_) return;
    if (held_.bitmap && path == heldPath_ && rule == heldRule_) return;
    held_ = DecodedPicture{};
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

ReadAhead::Taken ReadAhead::take(const std::wstring& path, const ShownSizeRule& rule, DecodedPicture& out) {
    DecodedPicture picture;
    {
        std::lock_guard lock(mutex_);
        if (!path.empty() && failedPath_ == path) {
            failedPath_.clear();
            if (failedUnreadable_) return Taken::Unreadable;
        }
        if (!held_.bitmap || heldPath_ != path || !(heldRule_ == rule)) {
            if (path != wanted_ || !(rule == wantedRule_)) {
                // The step went elsewhere, or the picture would be shown at another size: what is
                // held or decoding is of no use.
                held_ = DecodedPicture{};
                heldPath_.clear();
                wanted_.clear();
            }
            return Taken::Nothing;
        }
        picture = std::move(held_);
        held_ = DecodedPicture{};
        failedPath_.clear();
        heldPath_.clear();
        wanted_.clear();
    }
    std::uint64_t size = 0, writeTime = 0;
    if (!ViewImage::stampOf(path, size, writeTime) || size != picture.fileSize || writeTime != picture.fileWriteTime)
        return Taken::Nothing;  // changed on disk since it was read
    out = std::move(picture);
    return Taken::Picture;
}

void ReadAhead::drop() {
    std::lock_guard lock(mutex_);
    failedPath_.clear();
    held_ = DecodedPicture{};
    heldPath_.clear();
    wanted_.clear();
}

bool ReadAhead::holds(const std::wstring& path) const {
    std::lock_guard lock(mutex_);
    return held_.bitmap && heldPath_ == path;
}

bool ReadAhead::waitIdle(DWORD milliseconds) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] {
        return busy_ == 0 && (wanted_.empty() || (held_.bitmap && heldPath_ == wanted_ && heldRule_ == wantedRule_));
    });
}

void ReadAhead::shutDown() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        held_ = DecodedPicture{};
        heldPath_.clear();
        wanted_.clear();
        changed_.notify_all();
    }
    // A decode under way is cancelled: its decoder process is ended, and the worker returns at once.
    cancel_ = true;
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    started_ = false;
}

void ReadAhead::run(int worker) {
    std::unique_lock lock(mutex_);
    const int other = 1 - worker;
    for (;;) {
        // Work: the wanted picture, unless it is held already or the other worker decodes it.
        changed_.wait(lock, [this, other] {
            return stopping_ || (!wanted_.empty() && !(held_.bitmap && heldPath_ == wanted_ && heldRule_ == wantedRule_) &&
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

        DecodedPicture picture;
        const DecodeOutcome outcome = decoder_.decode(path, ViewTarget(rule), picture, &cancel_);

        lock.lock();
        --busy_;
        decoding_[worker].clear();
        if (stopping_) {
            changed_.notify_all();
            return;
        }
        if (path == wanted_ && rule == wantedRule_) {
            // Still wanted (a file changed since it was read is caught by the stamp when taken).
            if (picture.bitmap) {
                held_ = std::move(picture);
                heldPath_ = path;
                heldRule_ = rule;
            } else {
                // Does not decode: the step reports it when it gets there. A picture declined (a
                // metafile) is left to the step to draw at the size it is shown.
                wanted_.clear();
                failedPath_ = path;
                failedUnreadable_ = outcome == DecodeOutcome::Unreadable;
            }
            if (notifyWindow_) PostMessageW(notifyWindow_, notifyMessage_, 0, 0);
        } else if (picture.bitmap) {
            // No longer wanted: thrown away, outside the lock.
            lock.unlock();
            picture = DecodedPicture{};
            lock.lock();
        }
        changed_.notify_all();
    }
}
