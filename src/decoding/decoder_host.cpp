#include "decoding/decoder_host.h"

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "core/win_handles.h"
#include "decoding/checked_stream.h"
#include "decoding/image_probe.h"
#include "decoding/scaled_decode.h"
#include "decoding/wic_decode.h"

namespace gp = Gdiplus::DllExports;
using namespace decoding;

namespace {

constexpr std::uint64_t kMaxFileBytes = std::uint64_t{1} << 30;
constexpr PROPID kOrientationTag = 0x0112;

bool isOk(Gdiplus::GpStatus status) { return status == Gdiplus::Ok; }

// Reads the whole file; its size and last-write time as read through the same handle.
bool readWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes, std::uint64_t& size,
                   std::uint64_t& writeTime) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info)) return false;
    size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    writeTime = (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
    if (size == 0 || size > kMaxFileBytes) return false;
    bytes.resize(static_cast<std::size_t>(size));
    std::uint64_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::uint64_t>(size - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr) || got != chunk) return false;
        done += got;
    }
    return true;
}

// The faults a test can ask of the decoder (see the header). Only with GLIMVUE_DECODER_FAULTS=1.
void actOnTestFault(const std::vector<std::uint8_t>& bytes) {
    static const bool enabled = [] {
        wchar_t value[4] = {};
        return GetEnvironmentVariableW(L"GLIMVUE_DECODER_FAULTS", value, 4) == 1 && value[0] == L'1';
    }();
    constexpr char kPrefix[] = "GLIMVUE-FAULT:";
    constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
    if (!enabled || bytes.size() < kPrefixLength + 3 || std::memcmp(bytes.data(), kPrefix, kPrefixLength) != 0) return;
    const std::string fault(reinterpret_cast<const char*>(bytes.data()) + kPrefixLength,
                            std::min<std::size_t>(bytes.size() - kPrefixLength, 5));
    if (fault.rfind("crash", 0) == 0) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    } else if (fault.rfind("hang", 0) == 0) {
        for (;;) Sleep(1000);
    } else if (fault.rfind("hog", 0) == 0) {
        for (;;) {
            auto* block = static_cast<volatile char*>(VirtualAlloc(nullptr, 16 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            if (!block) {
                Sleep(10);
                continue;
            }
            for (std::size_t i = 0; i < (16u << 20); i += 4096) block[i] = 1;
        }
    } else if (fault.rfind("exit", 0) == 0) {
        ExitProcess(3);
    }
}

// Whether pixels of this format may be transparent: a format with alpha, or a palette (whose
// entries may carry it).
bool mayHaveAlpha(Gdiplus::PixelFormat format) {
    return (format & (PixelFormatAlpha | PixelFormatPAlpha | PixelFormatIndexed)) != 0;
}

// The EXIF orientation GDI+ reads from the file's properties; 1 without one.
unsigned orientationProperty(Gdiplus::GpImage* image) {
    UINT size = 0;
    if (!isOk(gp::GdipGetPropertyItemSize(image, kOrientationTag, &size)) || size < sizeof(Gdiplus::PropertyItem) + 2 ||
        size > 4096)
        return 1;
    std::vector<std::uint64_t> buffer((size + 7) / 8);
    auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
    if (!isOk(gp::GdipGetPropertyItem(image, kOrientationTag, size, item))) return 1;
    // The value must point inside the item's own buffer.
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const auto value = reinterpret_cast<std::uintptr_t>(item->value);
    if (item->length < 2 || value < begin || value - begin > size - 2) return 1;
    std::uint16_t raw = 0;
    std::memcpy(&raw, reinterpret_cast<const unsigned char*>(buffer.data()) + (value - begin), sizeof raw);
    return raw >= 1 && raw <= 8 ? raw : 1;
}

// Ends the process at once on any fault, without a dialog or a debugger.
LONG WINAPI endAtOnce(EXCEPTION_POINTERS*) {
    TerminateProcess(GetCurrentProcess(), 0xDEC0);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

struct PictureDecodeSession::Opened {
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    ComPtr<IStream> stream;  // GDI+ may read from it for as long as the image lives
    GdipImage image;
    WicPicture wic;  // a picture GDI+ does not decode, through the system's codecs
    bool metafile = false;
    int width = 0, height = 0;  // of `image`
};

PictureDecodeSession::PictureDecodeSession() = default;
PictureDecodeSession::~PictureDecodeSession() { close(); }

void PictureDecodeSession::close() {
    if (!opened_) return;
    opened_->image.reset();  // before the stream it reads from
    opened_->wic = WicPicture{};
    opened_.reset();
}

ReplyStatus PictureDecodeSession::open(const std::wstring& path, int hintWidth, int hintHeight, Reply& reply) {
    close();
    reply.status = ReplyStatus::Unreadable;
    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
    if (!readWholeFile(path, *bytes, reply.fileSize, reply.fileWriteTime)) return reply.status;
    actOnTestFault(*bytes);

    MemoryByteSource source(bytes->data(), bytes->size());
    const ImageProbe probe = probeImage(source);
    if (failsBeforeDecoding(probe)) return reply.status;

    auto opened = std::make_unique<Opened>();
    opened->bytes = bytes;
    opened->stream = ComPtr<IStream>(createCheckedStream(bytes));

    // A JPEG wanted smaller: straight to a reduced scale where the platform's decoder can.
    if (probe.format == ImageFormat::Jpeg && hintWidth > 0 && hintHeight > 0 && probe.width > 0 && probe.height > 0) {
        ScaledJpeg scaled;
        if (decodeJpegScaled(opened->stream.get(), hintWidth, hintHeight, scaled)) {
            opened->image = std::move(scaled.bitmap);
            opened->width = scaled.width;
            opened->height = scaled.height;
            reply.naturalWidth = probe.width;
            reply.naturalHeight = probe.height;
            reply.bitsPerPixel = 24;
            reply.orientation = probe.orientation;
            reply.alpha = 0;
            reply.metafile = 0;
            opened_ = std::move(opened);
            return reply.status = ReplyStatus::Ok;
        }
        const LARGE_INTEGER start{};
        if (FAILED(opened->stream->Seek(start, STREAM_SEEK_SET, nullptr))) return reply.status;
    }

    Gdiplus::GpImage* made = nullptr;
    const Gdiplus::GpStatus status = gp::GdipLoadImageFromStream(opened->stream.get(), &made);
    opened->image.reset(made);
    if (!isOk(status) || !opened->image) {
        opened->image.reset();
        // A format GDI+ does not know: the system's codecs may.
        WicPicture& wic = opened->wic;
        if (!openWithWic(opened->stream.get(), kMaxDecodedPixels, wic)) return reply.status;
        reply.naturalWidth = opened->width = wic.width;
        reply.naturalHeight = opened->height = wic.height;
        reply.bitsPerPixel = wic.bitsPerPixel;
        reply.alpha = wic.alpha ? 1 : 0;
        reply.metafile = 0;
        reply.orientation = wic.orientation;
        opened_ = std::move(opened);
        return reply.status = ReplyStatus::Ok;
    }
    Gdiplus::ImageType type = Gdiplus::ImageTypeUnknown;
    UINT width = 0, height = 0;
    if (!isOk(gp::GdipGetImageType(made, &type)) || !isOk(gp::GdipGetImageWidth(made, &width)) ||
        !isOk(gp::GdipGetImageHeight(made, &height)) || width == 0 || height == 0 || width > INT32_MAX ||
        height > INT32_MAX)
        return reply.status;
    reply.naturalWidth = static_cast<std::int32_t>(width);
    reply.naturalHeight = static_cast<std::int32_t>(height);
    opened->width = reply.naturalWidth;
    opened->height = reply.naturalHeight;
    if (type == Gdiplus::ImageTypeMetafile) {
        opened->metafile = true;
        reply.metafile = 1;
        reply.bitsPerPixel = 32;
        reply.alpha = 1;
        reply.orientation = 1;
    } else if (type == Gdiplus::ImageTypeBitmap) {
        if (static_cast<std::uint64_t>(width) * height > kMaxDecodedPixels) return reply.status;
        // Reading one pixel makes a lazy decoder decode the picture now, inside this request.
        Gdiplus::GpRect one(0, 0, 1, 1);
        Gdiplus::BitmapData locked{};
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(made);
        if (!isOk(gp::GdipBitmapLockBits(bitmap, &one, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked)))
            return reply.status;
        gp::GdipBitmapUnlockBits(bitmap, &locked);
        Gdiplus::PixelFormat format = 0;
        gp::GdipGetImagePixelFormat(made, &format);
        reply.bitsPerPixel = depthOfPixelFormat(format);
        if (reply.bitsPerPixel == 0) reply.bitsPerPixel = 32;
        reply.alpha = mayHaveAlpha(format) ? 1 : 0;
        reply.metafile = 0;
        reply.orientation = probe.format == ImageFormat::Jpeg || probe.format == ImageFormat::Tiff
                                ? probe.orientation
                                : orientationProperty(made);
    } else {
        return reply.status;
    }
    opened_ = std::move(opened);
    return reply.status = ReplyStatus::Ok;
}

ReplyStatus PictureDecodeSession::render(const Request& request, HANDLE section) {
    struct Closer {
        PictureDecodeSession& session;
        ~Closer() { session.close(); }
    } closer{*this};
    const int w = request.width, h = request.height;
    const std::uint64_t bytes = pixelBytes(w, h, kMaxDecodedPixels);
    if (!opened_ || !section || bytes == 0 || request.sectionBytes < bytes) return ReplyStatus::BadRequest;
    if (request.rotateFlip < 0 || request.rotateFlip > 7) return ReplyStatus::BadRequest;
    if (opened_->wic.frame) {
        if (request.kind == RenderKind::DrawTransparent ||
            (request.kind == RenderKind::Copy && (request.rotateFlip != 0 || w != opened_->width || h != opened_->height)))
            return ReplyStatus::BadRequest;
        void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(bytes));
        if (!view) return ReplyStatus::Unreadable;
        const bool made = renderWithWic(opened_->wic, request.kind, w, h, request.rotateFlip, request.interpolation, view);
        UnmapViewOfFile(view);
        return made ? ReplyStatus::Ok : ReplyStatus::Unreadable;
    }
    Gdiplus::GpImage* image = opened_->image.get();
    if (request.rotateFlip != 0 && !isOk(gp::GdipImageRotateFlip(image, static_cast<Gdiplus::RotateFlipType>(request.rotateFlip))))
        return ReplyStatus::Unreadable;

    switch (request.kind) {
    case RenderKind::Copy: {
        UINT iw = 0, ih = 0;
        if (opened_->metafile || !isOk(gp::GdipGetImageWidth(image, &iw)) || !isOk(gp::GdipGetImageHeight(image, &ih)) ||
            static_cast<int>(iw) != w || static_cast<int>(ih) != h)
            return ReplyStatus::BadRequest;
        void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(bytes));
        if (!view) return ReplyStatus::Unreadable;
        Gdiplus::PixelFormat format = 0;
        gp::GdipGetImagePixelFormat(image, &format);
        Gdiplus::GpRect all(0, 0, w, h);
        Gdiplus::BitmapData data{};
        data.Width = static_cast<UINT>(w);
        data.Height = static_cast<UINT>(h);
        data.Stride = w * 4;
        data.PixelFormat = mayHaveAlpha(format) ? PixelFormat32bppARGB : PixelFormat32bppRGB;
        data.Scan0 = view;
        auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
        const bool copied = isOk(gp::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                                        data.PixelFormat, &data)) &&
                            isOk(gp::GdipBitmapUnlockBits(bitmap, &data));
        UnmapViewOfFile(view);
        return copied ? ReplyStatus::Ok : ReplyStatus::Unreadable;
    }
    case RenderKind::DrawOpaque: {
        // Through a device context onto black, as the painting draws: the same pixels a paint gives.
        BITMAPINFO info = topDownDib32(w, h);
        void* bits = nullptr;
        const MemoryDC dc(CreateCompatibleDC(nullptr));
        const GdiBitmap surface(dc ? CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, section, 0) : nullptr);
        if (!surface || !bits) return ReplyStatus::Unreadable;
        bool drawn = false;
        {
            const SelectedObject selected(dc.get(), surface.get());
            Gdiplus::GpGraphics* made = nullptr;
            if (isOk(gp::GdipCreateFromHDC(dc.get(), &made)) && made) {
                const GdipGraphics graphics(made);
                drawn = isOk(gp::GdipSetInterpolationMode(made, static_cast<Gdiplus::InterpolationMode>(request.interpolation))) &&
                        isOk(gp::GdipDrawImageRectI(made, image, 0, 0, w, h));
            }
        }
        GdiFlush();
        return drawn ? ReplyStatus::Ok : ReplyStatus::Unreadable;
    }
    case RenderKind::DrawTransparent: {
        void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(bytes));
        if (!view) return ReplyStatus::Unreadable;
        bool drawn = false;
        {
            Gdiplus::GpBitmap* made = nullptr;
            if (isOk(gp::GdipCreateBitmapFromScan0(w, h, w * 4, PixelFormat32bppARGB, static_cast<BYTE*>(view), &made)) && made) {
                const GdipImage target(made);
                Gdiplus::GpGraphics* context = nullptr;
                if (isOk(gp::GdipGetImageGraphicsContext(made, &context)) && context) {
                    const GdipGraphics graphics(context);
                    gp::GdipSetInterpolationMode(context, Gdiplus::InterpolationModeHighQualityBicubic);
                    drawn = isOk(gp::GdipDrawImageRectI(context, image, 0, 0, w, h));
                }
            }
        }
        UnmapViewOfFile(view);
        return drawn ? ReplyStatus::Ok : ReplyStatus::Unreadable;
    }
    }
    return ReplyStatus::BadRequest;
}

namespace {

// The command line after the program's name (quoted or not) and the blanks that follow it.
const wchar_t* firstArgument(const wchar_t* commandLine) {
    const wchar_t* at = commandLine;
    if (*at == L'"') {
        ++at;
        while (*at && *at != L'"') ++at;
        if (*at) ++at;
    } else {
        while (*at && *at != L' ' && *at != L'\t') ++at;
    }
    while (*at == L' ' || *at == L'\t') ++at;
    return at;
}

}  // namespace

bool isDecoderCommandLine(const wchar_t* commandLine) {
    return commandLine && std::wcsncmp(firstArgument(commandLine), kDecoderSwitch, std::wcslen(kDecoderSwitch)) == 0;
}

int runDecoderProcess(const wchar_t* commandLine) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endAtOnce);

    // The handles: control block, request event, reply event, the program's process.
    if (!isDecoderCommandLine(commandLine)) return 2;
    const wchar_t* value = firstArgument(commandLine) + std::wcslen(kDecoderSwitch);
    HANDLE handles[4] = {};
    for (HANDLE& handle : handles) {
        wchar_t* end = nullptr;
        handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(value, &end, 16)));
        if (end == value || !handle) return 2;
        value = *end == L',' ? end + 1 : end;
    }
    const KernelHandle mapping(handles[0]), requestEvent(handles[1]), replyEvent(handles[2]), parent(handles[3]);
    auto* block = static_cast<ControlBlock*>(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, sizeof(ControlBlock)));
    if (!block) return 2;
    if (block->magic != kControlMagic || block->version != kProtocolVersion) {
        UnmapViewOfFile(block);
        return 2;
    }

    const GdiplusSession imaging;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    block->decoderProcessId = GetCurrentProcessId();
    block->ready = imaging.started() ? 1 : 0;
    SetEvent(replyEvent.get());
    if (!imaging.started()) return 2;

    PictureDecodeSession session;
    auto request = std::make_unique<Request>();
    for (;;) {
        const HANDLE waits[2] = {requestEvent.get(), parent.get()};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) break;
        // The request is copied out before it is acted on.
        std::memcpy(request.get(), &block->request, sizeof(Request));
        Reply reply;
        reply.sequence = request->sequence;
        if (request->phase == Phase::Open) {
            const std::size_t units = std::min<std::size_t>(request->pathUnits, kMaxPathUnits - 1);
            const std::wstring path(reinterpret_cast<const wchar_t*>(request->path), units);
            session.open(path, request->hintWidth, request->hintHeight, reply);
        } else if (request->phase == Phase::Render) {
            const KernelHandle section(reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(request->section)));
            reply.status = session.render(*request, section.get());
        } else {
            session.close();
            reply.status = ReplyStatus::BadRequest;
        }
        block->reply = reply;
        SetEvent(replyEvent.get());
    }
    session.close();
    UnmapViewOfFile(block);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
