// Owners for everything the program hands back to the system: GDI objects, device contexts, the
// object selected into a device context, kernel handles, GDI+ images and graphics, menus, hooks, COM
// interfaces and global memory. Each owner is move-only and frees what it holds when it goes out of
// scope; a moved-from owner holds nothing. No other file of the program releases a handle by hand.
#pragma once

#include <windows.h>

#include <objidl.h>
#include <gdiplus.h>

#include <utility>

namespace handles {

// One owner template; Traits names the empty value and how a value is freed.
template <class Traits>
class Owner {
public:
    using Handle = typename Traits::Handle;

    Owner() = default;
    explicit Owner(Handle handle) : handle_(handle) {}
    ~Owner() { reset(); }
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : handle_(other.release()) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }
    // Gives up ownership without freeing.
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    // Frees what is held, then holds `handle`.
    void reset(Handle handle = Traits::empty()) {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::empty()) Traits::free(old);
    }

private:
    Handle handle_ = Traits::empty();
};

template <class T>
struct GdiObjectTraits {
    using Handle = T;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { DeleteDC(h); }
};
// Events, threads, files opened with a null-on-failure call.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void free(Handle h) { CloseHandle(h); }
};
// Files from CreateFileW, whose failure value is INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void free(Handle h) { CloseHandle(h); }
};
struct ChangeNotificationTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void free(Handle h) { FindCloseChangeNotification(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void free(Handle h) { FindClose(h); }
};
struct MenuTraits {
    using Handle = HMENU;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { DestroyMenu(h); }
};
struct AcceleratorTraits {
    using Handle = HACCEL;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { DestroyAcceleratorTable(h); }
};
struct HookTraits {
    using Handle = HHOOK;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { UnhookWindowsHookEx(h); }
};
struct GlobalMemoryTraits {
    using Handle = HGLOBAL;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { GlobalFree(h); }
};
struct LocalMemoryTraits {
    using Handle = HLOCAL;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { LocalFree(h); }
};
struct GdipImageTraits {
    using Handle = Gdiplus::GpImage*;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { Gdiplus::DllExports::GdipDisposeImage(h); }
};
struct GdipGraphicsTraits {
    using Handle = Gdiplus::GpGraphics*;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { Gdiplus::DllExports::GdipDeleteGraphics(h); }
};
struct RegistryKeyTraits {
    using Handle = HKEY;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { RegCloseKey(h); }
};
struct IconTraits {
    using Handle = HICON;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { DestroyIcon(h); }
};
struct CoTaskMemoryTraits {
    using Handle = void*;
    static constexpr Handle empty() { return nullptr; }
    static void free(Handle h) { CoTaskMemFree(h); }
};

}  // namespace handles

using GdiBitmap = handles::Owner<handles::GdiObjectTraits<HBITMAP>>;
using GdiBrush = handles::Owner<handles::GdiObjectTraits<HBRUSH>>;
using GdiFont = handles::Owner<handles::GdiObjectTraits<HFONT>>;
using GdiRegion = handles::Owner<handles::GdiObjectTraits<HRGN>>;
using MemoryDC = handles::Owner<handles::MemoryDcTraits>;
using KernelHandle = handles::Owner<handles::KernelHandleTraits>;
using FileHandle = handles::Owner<handles::FileHandleTraits>;
using ChangeNotification = handles::Owner<handles::ChangeNotificationTraits>;
using FindHandle = handles::Owner<handles::FindHandleTraits>;
using MenuHandle = handles::Owner<handles::MenuTraits>;
using AcceleratorTable = handles::Owner<handles::AcceleratorTraits>;
using HookHandle = handles::Owner<handles::HookTraits>;
using GlobalMemory = handles::Owner<handles::GlobalMemoryTraits>;
using LocalMemory = handles::Owner<handles::LocalMemoryTraits>;
using GdipImage = handles::Owner<handles::GdipImageTraits>;
using GdipGraphics = handles::Owner<handles::GdipGraphicsTraits>;
using CoTaskMemory = handles::Owner<handles::CoTaskMemoryTraits>;
using IconHandle = handles::Owner<handles::IconTraits>;
using RegistryKey = handles::Owner<handles::RegistryKeyTraits>;

// A window's device context from GetDC, released to that window.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    WindowDC(WindowDC&& other) noexcept
        : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDC& operator=(WindowDC&&) = delete;

    HDC get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// An object selected into a device context for a scope; the one it replaced is selected back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectedObject() {
        if (dc_ && previous_) SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    SelectedObject(SelectedObject&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectedObject& operator=(SelectedObject&&) = delete;

private:
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A COM interface pointer; Release when it goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* pointer) : pointer_(pointer) {}
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) reset(std::exchange(other.pointer_, nullptr));
        return *this;
    }

    T* get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    void reset(T* pointer = nullptr) {
        T* old = std::exchange(pointer_, pointer);
        if (old) old->Release();
    }
    // For calls that hand out an interface: the slot to fill (what was held is released first).
    T** put() {
        reset();
        return &pointer_;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

private:
    T* pointer_ = nullptr;
};

// The imaging library, started for as long as the owner lives (or until reset).
class GdiplusSession {
public:
    GdiplusSession() {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&token_, &input, nullptr) != Gdiplus::Ok) token_ = 0;
    }
    ~GdiplusSession() { reset(); }
    GdiplusSession(const GdiplusSession&) = delete;
    GdiplusSession& operator=(const GdiplusSession&) = delete;

    void reset() {
        if (token_) Gdiplus::GdiplusShutdown(std::exchange(token_, 0));
    }
    bool started() const { return token_ != 0; }
    // Forgets the library without stopping it: a thread still inside it at exit must not have it
    // stopped under it. The process's end frees it.
    void abandon() { token_ = 0; }

private:
    ULONG_PTR token_ = 0;
};

// An off-screen drawing surface: a memory device context, the bitmap selected into it, and the
// bitmap the context was created with, which is selected back before the surface's own bitmap is
// deleted and before the context itself is.
// The header of an uncompressed 32-bit DIB of width x height, its top row first.
inline BITMAPINFO topDownDib32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

class OffscreenSurface {
public:
    OffscreenSurface() = default;
    ~OffscreenSurface() { release(); }
    OffscreenSurface(const OffscreenSurface&) = delete;
    OffscreenSurface& operator=(const OffscreenSurface&) = delete;
    OffscreenSurface(OffscreenSurface&& other) noexcept
        : dc_(std::move(other.dc_)),
          bitmap_(std::move(other.bitmap_)),
          initialBitmap_(std::exchange(other.initialBitmap_, nullptr)),
          width_(std::exchange(other.width_, 0)),
          height_(std::exchange(other.height_, 0)) {}
    OffscreenSurface& operator=(OffscreenSurface&&) = delete;

    // A memory context compatible with `reference` (the screen when null), without a bitmap yet.
    bool create(HDC reference) {
        release();
        dc_.reset(CreateCompatibleDC(reference));
        return static_cast<bool>(dc_);
    }

    // Gives the surface a fresh bitmap of the size (at least 1 x 1) compatible with `reference`;
    // the previous bitmap is deselected before it is deleted. When no bitmap of that size can be
    // made, the previous one is released all the same and the surface holds none (size 0 x 0).
    bool resize(HDC reference, int width, int height) {
        if (!dc_) return false;
        GdiBitmap fresh(CreateCompatibleBitmap(reference, width > 0 ? width : 1, height > 0 ? height : 1));
        if (!fresh) {
            dropBitmap();
            return false;
        }
        HGDIOBJ previous = SelectObject(dc_.get(), fresh.get());
        if (!initialBitmap_) initialBitmap_ = static_cast<HBITMAP>(previous);
        bitmap_ = std::move(fresh);  // the old bitmap, no longer selected, is deleted here
        width_ = width;
        height_ = height;
        return true;
    }

    // Selects the original bitmap back, then deletes the surface's bitmap and the context.
    void release() {
        dropBitmap();
        dc_.reset();
        initialBitmap_ = nullptr;
    }

    HDC dc() const { return dc_.get(); }
    HBITMAP bitmap() const { return bitmap_.get(); }
    bool hasBitmap() const { return static_cast<bool>(bitmap_); }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    void dropBitmap() {
        if (bitmap_ && initialBitmap_) SelectObject(dc_.get(), initialBitmap_);
        bitmap_.reset();
        width_ = height_ = 0;
    }

    MemoryDC dc_;
    GdiBitmap bitmap_;
    HBITMAP initialBitmap_ = nullptr;  // the context's own; never deleted by the program
    int width_ = 0, height_ = 0;
};
