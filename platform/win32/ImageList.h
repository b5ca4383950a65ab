// A list of equally sized 32-bit pictures with alpha, drawn blended onto any background.
#pragma once
#include <windows.h>

#include <vector>

#include "platform/win32/Gui.h"

namespace zo::win {

class TImageList {
public:
    // Adds a 32-bit bitmap resource with straight alpha; false when it cannot be loaded.
    bool AddResource(int resourceId);
    int Count() const { return int(FImages.size()); }
    // Draws image index at x, y in w x h (scaled when different from its own size).
    void Draw(HDC dc, int index, int x, int y, int w, int h) const;

private:
    struct TImage {
        TBitmap Bitmap;
        int Width, Height;
    };
    std::vector<TImage> FImages;
};

// Loads a bitmap resource as a premultiplied 32-bit DIB section (for AlphaBlend).
HBITMAP LoadPremultipliedBitmap(int resourceId, int* width = nullptr, int* height = nullptr);

}  // namespace zo::win
