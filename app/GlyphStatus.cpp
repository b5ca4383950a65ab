#include "app/GlyphStatus.h"

namespace zo {

int GlyphStatusWidth(const TGlyphStatusSettings& s, bool captionEmpty, int textWidth) {
    if (captionEmpty) return s.EmptyCaptionWidth + s.ImageOffset + s.ImageWidth;
    return textWidth + 2 * s.BorderWidth + s.CaptionOffset + s.TextMargin + s.ImageOffset + s.ImageWidth;
}

TGlyphStatusLayout LayoutGlyphStatus(const TGlyphStatusSettings& s, int width, int height, int textHeightPp) {
    const int b = s.BorderWidth;
    TRectI inner{b, b, width - b, height - b};
    TGlyphStatusLayout l;
    int imageHeight = inner.Height() < s.ImageHeight ? inner.Height() : s.ImageHeight;
    int imageTop = b + (height - s.ImageHeight - b - 1) / 2;
    if (inner.Height() < s.ImageHeight) imageTop = inner.Top;
    l.Image = {s.ImageOffset + b, imageTop, s.ImageOffset + b + s.ImageWidth, imageTop + imageHeight};
    l.TextArea = inner;
    l.TextArea.Left += s.ImageWidth + s.ImageOffset;
    l.CaptionX = l.TextArea.Left + s.CaptionOffset + 1;
    // Halved toward zero, as integer division does.
    l.CaptionY = l.TextArea.Top + (l.TextArea.Height() - textHeightPp) / 2;
    return l;
}

}  // namespace zo
