// Caption and status-bar texts.
#include "caption_text.h"

#include <algorithm>

#include "exhibit/exhibit.h"
#include "text.h"

namespace {

std::wstring decimal(uint64_t value) {
    std::wstring digits;
    do {
        digits.push_back(static_cast<wchar_t>(L'0' + value % 10));
        value /= 10;
    } while (value != 0);
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::wstring decimal(long long value) {
    if (value >= 0) return decimal(static_cast<uint64_t>(value));
    // Negate in unsigned arithmetic so the lowest value has a magnitude too.
    return L"-" + decimal(0 - static_cast<uint64_t>(value));
}

std::wstring decimal(int value) { return decimal(static_cast<long long>(value)); }

}  // namespace

std::wstring formatTwoDecimals(uint64_t numerator, uint32_t denominator) {
    if (denominator == 0) return L"0.00";
    const uint64_t whole = numerator / denominator;
    const uint64_t rest = numerator % denominator;  // below 2^32, so rest * 200 fits
    // Hundredths of the remainder, rounded half up; 100 carries into the whole part.
    uint64_t hundredths = (rest * 200 + denominator) / (2 * static_cast<uint64_t>(denominator));
    uint64_t units = whole;
    if (hundredths >= 100) {
        units += 1;
        hundredths -= 100;
    }
    std::wstring text = decimal(units);
    text.push_back(L'.');
    text.push_back(static_cast<wchar_t>(L'0' + hundredths / 10));
    text.push_back(static_cast<wchar_t>(L'0' + hundredths % 10));
    return text;
}

std::wstring composeCaption(const CaptionInput& input) {
    if (!input.title) return input.productName;
    if (input.exhibitEmpty) return input.buildRoot + L" - " + input.productName;

    const std::wstring& path = input.currentPath;
    const bool shortcut = isShortcutPath(path);
    std::wstring caption;
    if (input.fullname || input.pasted) {
        caption = shortcut ? L"*" + path : path;
    } else {
        const size_t slash = path.rfind(L'\\');
        caption = slash == std::wstring::npos ? path : path.substr(slash + 1);
        if (shortcut) caption.insert(0, 1, L'*');
        const size_t dot = caption.rfind(L'.');
        if (dot != std::wstring::npos) caption.resize(dot);
    }
    caption += L" - ";
    caption += input.productName;
    if (input.zoomPercent != 100 && !input.collage) {
        caption += L" (Zoom: " + decimal(input.shownWidth) + L" x " + decimal(input.shownHeight) + L")";
    }
    return caption;
}

std::wstring trayTipText(const std::wstring& caption) {
    constexpr size_t kTipUnits = 127;
    std::u16string units = toUtf16(caption);
    if (units.size() <= kTipUnits) return caption;
    size_t keep = kTipUnits;
    // Do not leave the first half of a surrogate pair at the end.
    if (units[keep - 1] >= 0xD800 && units[keep - 1] <= 0xDBFF) --keep;
    units.resize(keep);
    return fromUtf16(units);
}

std::wstring fileSizePart(bool pasted, bool sizeReadable, uint32_t sizeBytes, const std::wstring& kb,
                          const std::wstring& notAFile) {
    if (pasted) return L"\t" + notAFile;
    if (!sizeReadable) return L"\t!" + kb;
    return L"\t" + formatTwoDecimals(sizeBytes, 1024) + kb;
}

std::wstring dimensionsPart(int width, int height, int bitsPerPixel) {
    return L"\t" + decimal(width) + L"x" + decimal(height) + L"x" + decimal(bitsPerPixel);
}

std::wstring zoomPart(bool collage, int tileWidth, int pictureWidth, int zoomPercent, int zoomLock,
                      bool manualZoom) {
    if (collage) {
        const long long percent =
            pictureWidth == 0 ? 0 : static_cast<long long>(tileWidth) * 100 / pictureWidth;
        return L"\t" + decimal(percent) + L"%";
    }
    const bool locked = zoomLock != 0 && !manualZoom;
    return (locked ? L"\t!" : L"\t") + decimal(zoomPercent) + L"%";
}

std::wstring scrollPart(bool collage, const std::wstring& collageWord, bool squeeze, bool manualZoom,
                        int rangeX, int rangeY, int scrollStep) {
    if (collage) return L"\t" + collageWord;
    if (squeeze && !manualZoom) return L"";
    const long long step = scrollStep < 1 ? 1 : scrollStep;
    auto steps = [step](int range) { return range <= 0 ? 0LL : range / step + 1; };
    return L"\t H:" + decimal(steps(rangeX)) + L" V:" + decimal(steps(rangeY));
}

std::wstring positionPart(bool pasted, size_t index, size_t count) {
    const std::wstring total = decimal(static_cast<uint64_t>(count));
    if (pasted) return L"\t?/" + total;
    return L"\t" + decimal(static_cast<uint64_t>(index) + 1) + L"/" + total;
}
