#include "system_formats.h"

#include <algorithm>
#include <cwctype>

std::wstring extensionOf(std::wstring_view name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return {};
    std::wstring extension(name.substr(dot));
    for (wchar_t& c : extension)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return extension;
}

bool isBuiltInExtension(std::wstring_view extension) {
    static constexpr std::wstring_view kBuiltIn[] = {L".bmp", L".emf", L".gif", L".ico", L".jpg",
                                                     L".jpeg", L".png", L".tif", L".tiff"};
    const std::wstring lower = extensionOf(extension);
    return std::find(std::begin(kBuiltIn), std::end(kBuiltIn), lower) != std::end(kBuiltIn);
}

namespace {

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
    return text;
}

bool isExtensionCharacter(wchar_t c) {
    return c > L' ' && c != L'.' && c != L'*' && c != L'?' && c != L'\\' && c != L'/' && c != L':' && c != L'"' &&
           c != L'<' && c != L'>' && c != L'|' && c != L',' && c != L';';
}

}  // namespace

std::vector<std::wstring> systemExtensionsFrom(const std::vector<std::wstring>& decoderLists) {
    std::vector<std::wstring> out;
    for (const std::wstring& list : decoderLists) {
        std::wstring_view rest = list;
        while (!rest.empty()) {
            const size_t comma = rest.find(L',');
            std::wstring_view item = trimmed(rest.substr(0, comma));
            rest = comma == std::wstring_view::npos ? std::wstring_view{} : rest.substr(comma + 1);
            if (!item.empty() && item.front() == L'.') item.remove_prefix(1);
            if (item.empty() || !std::all_of(item.begin(), item.end(), isExtensionCharacter)) continue;
            const std::wstring extension = extensionOf(L"." + std::wstring(item));
            if (isBuiltInExtension(extension) || std::find(out.begin(), out.end(), extension) != out.end()) continue;
            out.push_back(extension);
        }
    }
    return out;
}

void SystemExtensions::publish(std::vector<std::wstring> extensions) {
    {
        std::lock_guard lock(mutex_);
        if (known_.load(std::memory_order_relaxed)) return;
        extensions_ = std::move(extensions);
        known_.store(true, std::memory_order_release);
    }
    changed_.notify_all();
}

bool SystemExtensions::contains(std::wstring_view extension) const {
    return known() && std::find(extensions_.begin(), extensions_.end(), extension) != extensions_.end();
}

bool SystemExtensions::waitUntilKnown(std::chrono::milliseconds limit) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return known_.load(std::memory_order_relaxed); });
}

const std::vector<std::wstring>& SystemExtensions::extensions() const {
    static const std::vector<std::wstring> kNone;
    return known() ? extensions_ : kNone;
}
