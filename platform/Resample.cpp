#include "platform/Resample.h"

#include <algorithm>
#include <cmath>

namespace zo {

namespace {
// How much of source cell i lies in [from, to), in source units.
double Overlap(int i, double from, double to) { return std::max(0.0, std::min(to, i + 1.0) - std::max(from, double(i))); }
}  // namespace

void ResamplePixels(const std::uint32_t* src, int sw, int sh, std::uint32_t* dst, int dw, int dh) {
    const double fx = double(sw) / dw, fy = double(sh) / dh;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) {
            const double x0 = x * fx, x1 = x0 + fx, y0 = y * fy, y1 = y0 + fy;
            double sum[4] = {}, total = 0;
            for (int sy = int(y0); sy < sh && sy < y1; ++sy)
                for (int sx = int(x0); sx < sw && sx < x1; ++sx) {
                    const double w = Overlap(sx, x0, x1) * Overlap(sy, y0, y1);
                    const std::uint32_t p = src[sy * sw + sx];
                    for (int c = 0; c < 4; ++c) sum[c] += w * ((p >> (8 * c)) & 0xFF);
                    total += w;
                }
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c)
                out |= std::uint32_t(std::lround(total > 0 ? sum[c] / total : 0)) << (8 * c);
            dst[y * dw + x] = out;
        }
}

}  // namespace zo
