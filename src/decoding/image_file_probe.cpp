#include "decoding/image_file_probe.h"

#include <windows.h>

#include <algorithm>

#include "core/win_handles.h"

namespace {

// A file's bytes through ReadFile at explicit offsets; the file is not read ahead.
class FileByteSource final : public ByteSource {
public:
    FileByteSource(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::size_t read(std::uint64_t offset, void* buffer, std::size_t count) override {
        std::size_t total = 0;
        auto* out = static_cast<unsigned char*>(buffer);
        while (total < count && offset + total < size_) {
            OVERLAPPED at{};
            const std::uint64_t position = offset + total;
            at.Offset = static_cast<DWORD>(position & 0xFFFFFFFFu);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count - total, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(file_, out + total, ask, &got, &at) || got == 0) break;
            total += got;
        }
        return total;
    }

private:
    HANDLE file_;
    std::uint64_t size_;
};

}  // namespace

ImageProbe probeImageFile(const std::wstring& path) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return ImageProbe{};
    FileByteSource source(file.get(), static_cast<std::uint64_t>(size.QuadPart));
    return probeImage(source);
}
