#include "platform/win32/ImageList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "platform/Resample.h"
#include "platform/win32/DpiMetrics.h"

namespace zo::win {

namespace {

// A bitmap's rows as top-down 32-bit pixels (a monochrome one reads as black and white); empty
// when it cannot be read.
std::vector<std::uint32_t> Pixels32(HBITMAP bitmap, int w, int h) {
    std::vector<std::uint32_t> px(size_t(w) * h);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    const int rows = bitmap ? GetDIBits(screen, bitmap, 0, UINT(h), px.data(), &bi, DIB_RGB_COLORS) : 0;
    ReleaseDC(nullptr, screen);
    if (rows != h) px.clear();
    return px;
}

// Icons keep straight alpha; blending wants it premultiplied.
void Premultiply(std::vector<std::uint32_t>& pixels) {
    for (std::uint32_t& p : pixels) {
        const std::uint32_t a = p >> 24;
        // Most pixels of a picture are clear or opaque; only the edge between needs the divisions.
        if (a == 255) continue;
        if (a == 0) {
            p = 0;
            continue;
        }
        p = (a << 24) | (((p >> 16) & 0xFF) * a / 255) << 16 | (((p >> 8) & 0xFF) * a / 255) << 8 | (p & 0xFF) * a / 255;
    }
}

}  // namespace

TIconPixels IconPixels(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {};
    TBitmap color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    if (!GetObjectW(color ? color.get() : mask.get(), sizeof(bm), &bm)) return {};
    // A monochrome icon has no colour bitmap: its mask holds the mask above and the colours below.
    const int w = bm.bmWidth, h = color ? bm.bmHeight : bm.bmHeight / 2;
    if (w <= 0 || h <= 0) return {};
    TIconPixels out{w, h, {}};
    if (color) {
        out.Pixels = Pixels32(color, w, h);
        if (out.Pixels.empty()) return {};
        // The platform blends an icon by its alpha when it has any, and otherwise lets the mask
        // decide which pixels show.
        if (std::any_of(out.Pixels.begin(), out.Pixels.end(), [](std::uint32_t p) { return p >> 24 != 0; })) {
            Premultiply(out.Pixels);
            return out;
        }
    }
    const std::vector<std::uint32_t> masks = Pixels32(mask, w, color ? h : 2 * h);
    if (masks.empty()) return {};
    if (!color) out.Pixels.assign(masks.begin() + std::ptrdiff_t(w) * h, masks.end());
    for (size_t i = 0; i < out.Pixels.size(); ++i)  // white in the mask: the background shows
        out.Pixels[i] = (masks[i] & 0xFFFFFF) ? 0 : 0xFF000000u | (out.Pixels[i] & 0xFFFFFF);
    return out;
}

HBITMAP PixelsPicture(const TIconPixels& pixels, int width, int height) {
    if (pixels.Pixels.empty() || width <= 0 || height <= 0) return nullptr;
    void* bits = nullptr;
    HBITMAP dst = CreateDib32(width, height, &bits);
    if (!dst) return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    if (width == pixels.Width && height == pixels.Height)
        std::copy(pixels.Pixels.begin(), pixels.Pixels.end(), out);
    else
        ResamplePixels(pixels.Pixels.data(), pixels.Width, pixels.Height, out, width, height);
    return dst;
}

HBITMAP LoadIconPicture(int resourceId, int sourceSize, int size, HMODULE module) {
    const TIcon icon = LoadIconAt(module, MAKEINTRESOURCEW(resourceId), sourceSize);
    return PixelsPicture(IconPixels(icon), size, size);
}

void TImageList::AddIcon(int resourceId, int sourceSize, int size) {
    FImages.push_back(TImage{resourceId, sourceSize, size, TBitmap(), false});
}

void DrawBlended(HDC dc, HBITMAP bitmap, int w, int h, int x, int y, int dw, int dh) {
    HDC mem = CreateCompatibleDC(dc);
    {
        TSelect sel(mem, bitmap);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, dw, dh, mem, 0, 0, w, h, blend);
    }
    DeleteDC(mem);
}

void TImageList::Draw(HDC dc, int index, int x, int y, int w, int h) const {
    if (index < 0 || index >= Count()) return;
    const TImage& image = FImages[size_t(index)];
    if (!image.Loaded) {
        image.Bitmap = TBitmap(LoadIconPicture(image.ResourceId, image.SourceSize, image.Size));
        image.Loaded = true;
    }
    if (image.Bitmap) DrawBlended(dc, image.Bitmap, image.Size, image.Size, x, y, w, h);
}

}  // namespace zo::win
