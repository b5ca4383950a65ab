// Shrinking a picture to the size a display scale asks for: each new pixel is the area-weighted
// mean of the source pixels it covers, so that a large source gives a sharp small picture.
#pragma once
#include <cstdint>

namespace zo {

// src is sw x sh premultiplied 32-bit pixels, dst dw x dh; rows top-down, no padding.
void ResamplePixels(const std::uint32_t* src, int sw, int sh, std::uint32_t* dst, int dw, int dh);

}  // namespace zo
