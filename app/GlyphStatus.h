// Layout of the status pane: an image at the left and a one-line caption after it, with the
// pane's width following the caption.
#pragma once
#include <string>

namespace zo {

struct TRectI {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRectI&) const = default;
};

struct TGlyphStatusSettings {
    int BorderWidth = 1;   // acts as an inner margin though no frame is drawn
    int ImageOffset = 2;
    int CaptionOffset = 6;
    int ImageWidth = 16;
    int ImageHeight = 16;
    int TextMargin = 6;          // after the caption
    int EmptyCaptionWidth = 40;  // in place of the caption and its margins when there is none
};

struct TGlyphStatusLayout {
    TRectI Image;      // where the image is drawn
    TRectI TextArea;   // the caption is clipped to this
    int CaptionX = 0;  // where the caption starts
    int CaptionY = 0;
};

// Width of a pane whose caption measures textWidth pixels (an empty caption gives the default).
int GlyphStatusWidth(const TGlyphStatusSettings& s, bool captionEmpty, int textWidth);
// Places image and caption in a pane of width x height; textHeightPp is the height of "Pp".
TGlyphStatusLayout LayoutGlyphStatus(const TGlyphStatusSettings& s, int width, int height, int textHeightPp);

}  // namespace zo
