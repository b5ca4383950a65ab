#include "platform/Surface.h"

#include <cstdlib>

#include "platform/Dpi.h"

namespace zo {

int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    long long p = static_cast<long long>(a) * b;
    long long q = (std::llabs(p) * 2 + std::llabs(c)) / (2 * std::llabs(static_cast<long long>(c)));
    return static_cast<int>(((p < 0) != (c < 0)) ? -q : q);
}

int FontSizeFromHeight(int height, int pixelsPerInch) { return MulDivRound(-height, 72, pixelsPerInch); }

int FontHeightFromSize(int size, int pixelsPerInch) { return -MulDivRound(size, pixelsPerInch, 72); }

}  // namespace zo
