// A drawing surface with fixed metrics that records what was drawn.
//
// Metrics: a space is 3 pixels wide, every other character 6 (7 in bold); a text is
// |font height| + 3 pixels tall (14 for the usual height -11). Prefix processing ("&x" -> x,
// "&&" -> "&") applies to measured and drawn text unless dtNoPrefix is given. As the platform's
// measuring call (which has no width to fit into), measuring with dtEndEllipsis gives the width of
// the ellipsis alone, whatever the text.
#pragma once
#include <string>
#include <vector>

#include "platform/Picture.h"
#include "platform/Surface.h"

namespace zo::fakes {

struct TDrawOp {
    enum TKind { okText, okFill, okLine, okEllipse, okFocus, okPicture, okTile } Kind = okText;
    std::u16string Text;  // as given to DrawText (before prefix processing)
    TRect Rect;
    TFont Font;
    TColor Background = clNone;  // text background at the call
    TColor Color = clNone;       // fill, line or ellipse colour
    uint32_t Options = 0;
    std::vector<TPoint> Points;
    const IPicture* Picture = nullptr;
};

class FakeSurface : public ISurface {
public:
    explicit FakeSurface(TFont font = {}) : FFont(std::move(font)) {}

    const TFont& Font() const override { return FFont; }
    void SetFont(const TFont& font) override { FFont = font; }
    TSize TextExtent(std::u16string_view text) override;
    TSize MeasureText(std::u16string_view text, uint32_t options) override;
    void DrawText(std::u16string_view text, const TRect& rect, uint32_t options) override;
    TColor BackgroundColor() const override { return FBackground; }
    void SetBackgroundColor(TColor color) override { FBackground = color; }
    void FillRect(const TRect& rect, TColor color) override;
    void Polyline(const std::vector<TPoint>& points, TColor color, int width) override;
    void FillEllipse(const TRect& rect, TColor color) override;
    void DrawFocusRect(const TRect& rect) override;
    void DrawPicture(const IPicture& picture, const TRect& rect) override;
    void TilePicture(const IPicture& picture, const TRect& area) override;
    void RecordPicture(TDrawOp::TKind kind, const IPicture& picture, const TRect& rect);
    void PushClip(const TRect& rect) override { FClips.push_back(rect); }
    void PopClip() override {
        if (!FClips.empty()) FClips.pop_back();
    }
    int PixelsPerInch() const override { return FPixelsPerInch; }
    TColor ColorToRGB(TColor color) const override { return IsSystemColor(color) ? 0x00808080 : color; }

    // The text that a single-line call shows for this text (prefix processing applied).
    static std::u16string Shown(std::u16string_view text, uint32_t options);
    int Width(std::u16string_view shown) const;

    // The texts drawn, in order.
    std::vector<TDrawOp> Texts() const;
    std::u16string AllText() const;

    std::vector<TDrawOp> Ops;
    int FPixelsPerInch = 96;
    size_t ClipDepth() const { return FClips.size(); }

private:
    TFont FFont;
    TColor FBackground = clNone;
    std::vector<TRect> FClips;
};

class FakePicture : public IPicture {
public:
    FakePicture(int w, int h) : FW(w), FH(h) {}
    int Width() const override { return FW; }
    int Height() const override { return FH; }

private:
    int FW, FH;
};

}  // namespace zo::fakes
