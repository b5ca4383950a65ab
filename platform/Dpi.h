// Display scale. Every size, position and font height in the program is a design size at 96 dots
// per inch; a window shows it at its own resolution through these functions, with one rounding
// rule everywhere, so that at 96 dots per inch nothing changes and controls whose edges touch at
// 96 still touch at every scale.
#pragma once
#include <cstdlib>

#include "platform/Surface.h"

namespace zo {

constexpr int kDesignDpi = 96;

// a * b / c rounded half away from zero, as the platform's MulDiv does; -1 when c is 0.
inline int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    const long long p = static_cast<long long>(a) * b;
    const long long q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<long long>(c)));
    return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

// A design size or coordinate at dpi dots per inch.
inline int ScaleDpi(int value, int dpi) { return dpi == kDesignDpi ? value : MulDivRound(value, dpi, kDesignDpi); }

// A design rectangle at dpi: each edge is scaled on its own, so that neighbours stay neighbours
// (the scaled width is the difference of the scaled edges, not the scaled width).
inline TRect ScaleDpi(const TRect& r, int dpi) {
    return TRect{ScaleDpi(r.Left, dpi), ScaleDpi(r.Top, dpi), ScaleDpi(r.Right, dpi), ScaleDpi(r.Bottom, dpi)};
}
// The same for a rectangle given as left, top, width and height.
inline TRect ScaleBounds(int left, int top, int width, int height, int dpi) {
    return ScaleDpi(TRect{left, top, left + width, top + height}, dpi);
}

}  // namespace zo
