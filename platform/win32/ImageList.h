// A list of equally sized 32-bit pictures with alpha, drawn blended onto any background, and the
// pictures taken from icon resources at the size a display scale asks for.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/win32/Gui.h"

namespace zo::win {

// An icon's image as premultiplied 32-bit pixels, top-down, as the platform draws it: by its
// alpha where it has any, otherwise opaque where its mask is clear. Empty when it cannot be read.
struct TIconPixels {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
};
TIconPixels IconPixels(HICON icon);
// The pixels as a premultiplied 32-bit DIB section for AlphaBlend, shrunk to width x height by
// area averaging when that is not their own size; null when there are none.
HBITMAP PixelsPicture(const TIconPixels& pixels, int width, int height);

// The image of sourceSize pixels of an icon resource, shrunk to size x size by area averaging, as
// a premultiplied 32-bit DIB section for AlphaBlend; null when the icon cannot be loaded.
HBITMAP LoadIconPicture(int resourceId, int sourceSize, int size, HMODULE module = GetModuleHandleW(nullptr));

class TImageList {
public:
    // Adds an icon resource's image of sourceSize pixels, shown at size. It is loaded when it is
    // first drawn: a list of states shows one image at a time, and the start-up pays only for it.
    void AddIcon(int resourceId, int sourceSize, int size);
    void Clear() { FImages.clear(); }
    int Count() const { return int(FImages.size()); }
    // Draws image index at x, y in w x h (scaled when different from its own size); nothing when
    // the image cannot be loaded.
    void Draw(HDC dc, int index, int x, int y, int w, int h) const;

private:
    struct TImage {
        int ResourceId, SourceSize, Size;
        mutable TBitmap Bitmap;
        mutable bool Loaded = false;  // tried, whether or not it could be
    };
    std::vector<TImage> FImages;
};

// Draws a premultiplied 32-bit bitmap of its own w x h blended at x, y in dw x dh.
void DrawBlended(HDC dc, HBITMAP bitmap, int w, int h, int x, int y, int dw, int dh);

}  // namespace zo::win
