#include "decoding/checked_stream.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

class CheckedStream final : public IStream {
public:
    explicit CheckedStream(std::shared_ptr<const std::vector<std::uint8_t>> bytes, std::uint64_t position = 0)
        : bytes_(std::move(bytes)), position_(position) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) || IsEqualIID(iid, IID_IStream)) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
        if (read) *read = 0;
        if (count == 0) return S_OK;
        if (!buffer) return STG_E_INVALIDPOINTER;
        const std::uint64_t size = bytes_->size();
        const ULONG n = position_ >= size ? 0 : static_cast<ULONG>(std::min<std::uint64_t>(count, size - position_));
        if (n) std::memcpy(buffer, bytes_->data() + position_, n);
        position_ += n;
        if (read) *read = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* written) override {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        std::int64_t base = 0;
        switch (origin) {
            case STREAM_SEEK_SET: base = 0; break;
            case STREAM_SEEK_CUR: base = static_cast<std::int64_t>(position_); break;
            case STREAM_SEEK_END: base = static_cast<std::int64_t>(bytes_->size()); break;
            default: return STG_E_INVALIDFUNCTION;
        }
        const std::int64_t offset = move.QuadPart;
        // Before the start, or so far past the end that the sum overflows: refused, position kept.
        if ((offset < 0 && base + offset < 0) || (offset > 0 && offset > INT64_MAX - base)) return STG_E_INVALIDFUNCTION;
        position_ = static_cast<std::uint64_t>(base + offset);
        if (newPosition) newPosition->QuadPart = position_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override {
        if (read) read->QuadPart = 0;
        if (written) written->QuadPart = 0;
        if (!target) return STG_E_INVALIDPOINTER;
        const std::uint64_t size = bytes_->size();
        const std::uint64_t n = position_ >= size ? 0 : std::min<std::uint64_t>(count.QuadPart, size - position_);
        std::uint64_t done = 0;
        while (done < n) {
            const ULONG chunk = static_cast<ULONG>(std::min<std::uint64_t>(n - done, 1u << 24));
            ULONG put = 0;
            const HRESULT result = target->Write(bytes_->data() + position_ + done, chunk, &put);
            done += put;
            if (FAILED(result) || put != chunk) break;
        }
        position_ += done;
        if (read) read->QuadPart = done;
        if (written) written->QuadPart = done;
        return done == n ? S_OK : STG_E_WRITEFAULT;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_->size();
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream** out) override {
        if (!out) return STG_E_INVALIDPOINTER;
        *out = new CheckedStream(bytes_, position_);
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
    std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
    std::uint64_t position_ = 0;
};

}  // namespace

IStream* createCheckedStream(std::shared_ptr<const std::vector<std::uint8_t>> bytes) {
    return new CheckedStream(std::move(bytes));
}
