#include "fakes/FakeSurface.h"

#include <cstdlib>

namespace zo::fakes {

std::u16string FakeSurface::Shown(std::u16string_view text, uint32_t options) {
    if (options & dtNoPrefix) return std::u16string(text);
    std::u16string r;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) ++i;
        else if (text[i] == u'&') continue;
        r += text[i];
    }
    return r;
}

int FakeSurface::Width(std::u16string_view shown) const {
    int w = 0;
    for (char16_t c : shown) w += (c == u' ') ? 3 : ((FFont.Style & fsBold) ? 7 : 6);
    return w;
}

TSize FakeSurface::TextExtent(std::u16string_view text) { return {Width(text), std::abs(FFont.Height) + 3}; }

TSize FakeSurface::MeasureText(std::u16string_view text, uint32_t options) {
    const bool cut = (options & dtEndEllipsis) && !text.empty();
    return {Width(cut ? u"..." : Shown(text, options)), std::abs(FFont.Height) + 3};
}

void FakeSurface::DrawText(std::u16string_view text, const TRect& rect, uint32_t options) {
    TDrawOp op;
    op.Kind = TDrawOp::okText;
    op.Text = text;
    op.Rect = rect;
    op.Font = FFont;
    op.Background = FBackground;
    op.Options = options;
    Ops.push_back(op);
}

void FakeSurface::FillRect(const TRect& rect, TColor color) {
    TDrawOp op;
    op.Kind = TDrawOp::okFill;
    op.Rect = rect;
    op.Color = color;
    Ops.push_back(op);
}

void FakeSurface::Polyline(const std::vector<TPoint>& points, TColor color, int) {
    TDrawOp op;
    op.Kind = TDrawOp::okLine;
    op.Points = points;
    op.Color = color;
    Ops.push_back(op);
}

void FakeSurface::FillEllipse(const TRect& rect, TColor color) {
    TDrawOp op;
    op.Kind = TDrawOp::okEllipse;
    op.Rect = rect;
    op.Color = color;
    Ops.push_back(op);
}

void FakeSurface::DrawFocusRect(const TRect& rect) {
    TDrawOp op;
    op.Kind = TDrawOp::okFocus;
    op.Rect = rect;
    Ops.push_back(op);
}

void FakeSurface::RecordPicture(TDrawOp::TKind kind, const IPicture& picture, const TRect& rect) {
    TDrawOp op;
    op.Kind = kind;
    op.Rect = rect;
    op.Picture = &picture;
    Ops.push_back(op);
}

void FakeSurface::DrawPicture(const IPicture& picture, const TRect& rect) {
    RecordPicture(TDrawOp::okPicture, picture, rect);
}

void FakeSurface::TilePicture(const IPicture& picture, const TRect& area) { RecordPicture(TDrawOp::okTile, picture, area); }

std::vector<TDrawOp> FakeSurface::Texts() const {
    std::vector<TDrawOp> r;
    for (const auto& op : Ops)
        if (op.Kind == TDrawOp::okText) r.push_back(op);
    return r;
}

std::u16string FakeSurface::AllText() const {
    std::u16string r;
    for (const auto& op : Ops)
        if (op.Kind == TDrawOp::okText) r += Shown(op.Text, op.Options);
    return r;
}

}  // namespace zo::fakes
