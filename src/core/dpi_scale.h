// Interface metrics are designed for 96 DPI (100 %); on a screen of another DPI they are scaled by
// DPI / 96. Picture pixels are never scaled: they are device pixels.
#pragma once

#include <cstdint>

inline constexpr int kDesignDpi = 96;

// `value` pixels at `fromDpi` in pixels at `toDpi`, rounded to the nearest pixel (halves away
// from zero). A DPI that is not positive counts as 96.
constexpr int rescaleDpi(int value, int fromDpi, int toDpi) {
    const int64_t from = fromDpi > 0 ? fromDpi : kDesignDpi, to = toDpi > 0 ? toDpi : kDesignDpi;
    const int64_t product = int64_t{value} * to;
    return static_cast<int>(product >= 0 ? (product + from / 2) / from : -((-product + from / 2) / from));
}

// A metric of the 96-DPI design at `dpi`.
constexpr int scaleToDpi(int logical, int dpi) { return rescaleDpi(logical, kDesignDpi, dpi); }
