// The file extensions of the system's own picture decoders (on Windows, the codecs installed for
// its imaging component: WebP, HEIF, AVIF, JPEG XR, DDS, camera RAW, ...).
//
// They are found at run time, off the path to the first picture, so the list becomes known some
// time after start-up; until then a scan keeps the names it cannot yet decide aside and settles
// them once the list is known. Pure code.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The extension of a name: the text from its last "." on, lower-cased ("" for a name without ".").
std::wstring extensionOf(std::wstring_view name);

// True for the extensions the program decodes itself: .bmp .emf .gif .ico .jpg .jpeg .png .tif .tiff.
bool isBuiltInExtension(std::wstring_view extension);

// The extensions of the system's decoders from their lists as the decoders give them (each a
// comma-separated list such as ".dds,.DDS" or "heic, .heif"): lower-cased, each with its ".", in
// the order first met, without repeats, empty items or the built-in extensions, and without
// anything that cannot be an extension (blanks inside, another ".", wildcards or path characters).
std::vector<std::wstring> systemExtensionsFrom(const std::vector<std::wstring>& decoderLists);

// The list, once known. Written once (by the thread that enumerates the decoders), read by any.
class SystemExtensions {
public:
    // Makes the list known; later calls change nothing.
    void publish(std::vector<std::wstring> extensions);
    bool known() const { return known_.load(std::memory_order_acquire); }
    // Whether the extension (lower-case, with its ".") is a system format's; false until known.
    bool contains(std::wstring_view extension) const;
    // Waits until the list is known or the time has passed; whether it is known.
    bool waitUntilKnown(std::chrono::milliseconds limit) const;
    // The list; empty until known.
    const std::vector<std::wstring>& extensions() const;

private:
    std::vector<std::wstring> extensions_;
    std::atomic<bool> known_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
};
