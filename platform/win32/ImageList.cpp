#include "platform/win32/ImageList.h"

namespace zo::win {

HBITMAP LoadPremultipliedBitmap(int resourceId, int* width, int* height) {
    HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                                  IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bmp) return nullptr;
    DIBSECTION ds{};
    if (GetObjectW(bmp, sizeof ds, &ds) != sizeof ds || ds.dsBm.bmBitsPixel != 32 || !ds.dsBm.bmBits) {
        DeleteObject(bmp);
        return nullptr;
    }
    auto* px = static_cast<BYTE*>(ds.dsBm.bmBits);
    const size_t count = size_t(ds.dsBm.bmWidth) * size_t(std::abs(ds.dsBm.bmHeight));
    for (size_t i = 0; i < count; ++i, px += 4) {
        const unsigned a = px[3];
        px[0] = BYTE(px[0] * a / 255);
        px[1] = BYTE(px[1] * a / 255);
        px[2] = BYTE(px[2] * a / 255);
    }
    if (width) *width = ds.dsBm.bmWidth;
    if (height) *height = std::abs(ds.dsBm.bmHeight);
    return bmp;
}

bool TImageList::AddResource(int resourceId) {
    int w = 0, h = 0;
    HBITMAP bmp = LoadPremultipliedBitmap(resourceId, &w, &h);
    if (!bmp) return false;
    FImages.push_back(TImage{TBitmap(bmp), w, h});
    return true;
}

void TImageList::Draw(HDC dc, int index, int x, int y, int w, int h) const {
    if (index < 0 || index >= Count()) return;
    const TImage& image = FImages[size_t(index)];
    HDC mem = CreateCompatibleDC(dc);
    {
        TSelect sel(mem, image.Bitmap);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        AlphaBlend(dc, x, y, w, h, mem, 0, 0, image.Width, image.Height, blend);
    }
    DeleteDC(mem);
}

}  // namespace zo::win
