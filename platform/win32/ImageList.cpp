#include "platform/win32/ImageList.h"

#include <cstdint>

#include "platform/Resample.h"
#include "platform/win32/DpiMetrics.h"

namespace zo::win {

HBITMAP LoadIconPicture(int resourceId, int sourceSize, int size, HMODULE module) {
    TIcon icon = LoadIconAt(module, MAKEINTRESOURCEW(resourceId), sourceSize);
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return nullptr;
    TBitmap color(info.hbmColor), mask(info.hbmMask);
    std::vector<std::uint32_t> src(size_t(sourceSize) * sourceSize);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), sourceSize, -sourceSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC screen = GetDC(nullptr);
    const int rows = color ? GetDIBits(screen, color, 0, UINT(sourceSize), src.data(), &bi, DIB_RGB_COLORS) : 0;
    ReleaseDC(nullptr, screen);
    if (rows != sourceSize) return nullptr;
    for (std::uint32_t& p : src) {  // icons keep straight alpha; blending wants it premultiplied
        const std::uint32_t a = p >> 24;
        // Most pixels of a picture are clear or opaque; only the edge between needs the divisions.
        if (a == 255) continue;
        if (a == 0) {
            p = 0;
            continue;
        }
        p = (a << 24) | (((p >> 16) & 0xFF) * a / 255) << 16 | (((p >> 8) & 0xFF) * a / 255) << 8 | (p & 0xFF) * a / 255;
    }
    void* bits = nullptr;
    HBITMAP dst = CreateDib32(size, size, &bits);
    if (dst) ResamplePixels(src.data(), sourceSize, sourceSize, static_cast<std::uint32_t*>(bits), size, size);
    return dst;
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
