#include "windows/MarkupLabel.h"

#include <algorithm>
#include <optional>

#include "platform/Dpi.h"
#include "platform/Text.h"

namespace zo {

namespace {

bool EqualAt(std::u16string_view s, size_t pos, std::u16string_view what, bool matchCase) {
    if (pos + what.size() > s.size()) return false;
    for (size_t i = 0; i < what.size(); ++i) {
        char16_t a = s[pos + i], b = what[i];
        if (matchCase ? a != b : AsciiUpper(a) != AsciiUpper(b)) return false;
    }
    return true;
}

bool VerticalSizing(TAlign a, TAutoSizeType t) {
    return (a == alNone || a == alTop || a == alBottom) && (t == asVertical || t == asBoth);
}
bool HorizontalSizing(TAlign a, TAutoSizeType t) {
    return (a == alNone || a == alLeft || a == alRight) && (t == asHorizontal || t == asBoth);
}

// w nested one-pixel outlines of r, top and left edges in tl, bottom and right in br; r shrinks
// by w on each side. Without a surface only r shrinks, as it would when drawn.
void Frame3D(ISurface* s, TRect& r, TColor tl, TColor br, int w) {
    for (int i = 0; i < w; ++i) {
        if (r.Right - r.Left < 1 || r.Bottom - r.Top < 1) break;
        if (s) {
            s->Polyline({{r.Left, r.Bottom - 1}, {r.Left, r.Top}, {r.Right - 1, r.Top}}, tl, 1);
            s->Polyline({{r.Right - 1, r.Top}, {r.Right - 1, r.Bottom - 1}, {r.Left - 1, r.Bottom - 1}}, br, 1);
        }
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
}

void Shrink(TRect& r, int by) { r = {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

}  // namespace

std::u16string HintPlainText(const std::u16string& markup) {
    std::u16string r;
    size_t i = 0;
    while (i < markup.size()) {
        if (markup[i] != u'<') {
            r += markup[i++];
            continue;
        }
        size_t gt = markup.find(u'>', i);
        if (gt == std::u16string::npos) break;
        std::u16string_view tag(markup.data() + i, gt + 1 - i);
        if (EqualAt(tag, 0, u"<BR>", false) || EqualAt(tag, 0, u"<HR>", false)) {
            r += u"\r\n";
        } else if (tag == u"<Z>" || tag == u"<z>") {
            size_t close = markup.find(tag == u"<Z>" ? u"</Z>" : u"</z>", gt + 1);
            if (close == std::u16string::npos) break;
            gt = close + 3;
        }
        i = gt + 1;
    }
    return r;
}

std::u16string MarkVisibleText(const std::u16string& markup, const std::u16string& text, bool matchCase,
                               std::u16string_view openTag, std::u16string_view closeTag) {
    if (text.empty()) return markup;
    std::u16string visible;
    std::vector<size_t> at;  // markup index of each visible character
    for (size_t i = 0; i < markup.size();) {
        if (markup[i] == u'<') {
            size_t gt = markup.find(u'>', i);
            if (gt == std::u16string::npos) break;
            i = gt + 1;
            continue;
        }
        visible += markup[i];
        at.push_back(i++);
    }
    std::vector<std::pair<size_t, size_t>> spans;
    for (size_t p = 0; p + text.size() <= visible.size();) {
        if (EqualAt(visible, p, text, matchCase)) {
            spans.push_back({at[p], at[p + text.size() - 1] + 1});
            p += text.size();
        } else {
            ++p;
        }
    }
    std::u16string r;
    size_t last = 0;
    for (const auto& [from, to] : spans) {
        r.append(markup, last, from - last);
        r += openTag;
        r.append(markup, from, to - from);
        r += closeTag;
        last = to;
    }
    r.append(markup, last, std::u16string::npos);
    return r;
}

std::u16string RemoveTags(const std::u16string& markup, std::u16string_view openTag, std::u16string_view closeTag) {
    std::u16string r;
    for (size_t i = 0; i < markup.size();) {
        if (EqualAt(markup, i, openTag, false)) i += openTag.size();
        else if (EqualAt(markup, i, closeTag, false)) i += closeTag.size();
        else r += markup[i++];
    }
    return r;
}

TMarkupLabel::TMarkupLabel() {
    FILChangeLink.OnChange = [this] { Repaint(); };
    FContainerLink.OnChange = [this] { Repaint(); };
}

TMarkupLabel::~TMarkupLabel() {
    FImageCache.Clear();
    FHost.reset();  // a window host destroys its window here
}

void TMarkupLabel::SetBounds(int left, int top, int width, int height) {
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FHost) FHost->BoundsChanged(left, top, width, height);
}

void TMarkupLabel::SetHTMLText(const std::vector<std::u16string>& lines) {
    std::u16string joined;
    for (const auto& line : lines)
        for (char16_t c : line)
            if (c != u'\r' && c != u'\n') joined += c;
    FHTMLText = {joined};
    FImageCache.Clear();
    TextChanged();
    HTMLChanged();
}

void TMarkupLabel::SetHTMLLines(const std::vector<std::u16string>& lines) {
    FHTMLText = lines;
    FImageCache.Clear();
    TextChanged();
    HTMLChanged();
}

void TMarkupLabel::AddHTMLLine(const std::u16string& line) {
    FHTMLText.push_back(line);
    FImageCache.Clear();
    TextChanged();
    HTMLChanged();
}

void TMarkupLabel::SetAutoSizing(bool value) {
    FAutoSizing = value;
    if (value) {
        if (FAlign == alLeft || FAlign == alRight) SetWidth(6);
        if (FAlign == alTop || FAlign == alBottom) SetHeight(6);
    }
    Repaint();
}

void TMarkupLabel::SetAutoSizeType(TAutoSizeType t) {
    FAutoSizeType = t;
    SetAutoSizing(FAutoSizing);
}

TColor TMarkupLabel::Color() const {
    if (!FParentColor) return FColor;
    return FHost ? FHost->ParentColor() : clBtnFace;
}

void TMarkupLabel::SetColor(TColor c) {
    const bool changed = FParentColor || c != FColor;
    FParentColor = false;
    FColor = c;
    if (changed) HTMLChanged();
}

void TMarkupLabel::SetParentColor(bool p) {
    if (p == FParentColor) return;
    FParentColor = p;
    HTMLChanged();
}

void TMarkupLabel::SetImages(const IImageList* images) {
    // The link tells of every change of the list, and forgets the list when the list goes.
    FILChangeLink.Attach(images);
    Repaint();
}

void TMarkupLabel::SetPictureContainer(const TPictureContainer* c) {
    FContainerLink.Attach(c);
    Repaint();
}

std::u16string TMarkupLabel::Version() const {
    const uint32_t v = PackedVersion();
    return IntToStr(v >> 24) + u"." + IntToStr((v >> 16) & 0xFF) + u"." + IntToStr((v >> 8) & 0xFF) + u"." +
           IntToStr(v & 0xFF);
}

std::u16string TMarkupLabel::BuildDisplayText() const {
    std::u16string r;
    for (size_t i = 0; i < FHTMLText.size(); ++i) {
        const std::u16string& line = FHTMLText[i];
        if (i == 0) r = line;
        else if (!r.empty() && r.back() == u'>' && !line.empty() && line[0] == u'<') r += line;
        else r += u' ' + line;
    }
    return r;
}

void TMarkupLabel::AnchorClicked(const std::u16string& anchor) {
    if (OnAnchorClick) OnAnchorClick(*this, anchor);
}

void TMarkupLabel::HTMLChanged() { Repaint(); }

void TMarkupLabel::UseShownFont(ISurface& s) const {
    TFont shown = FFont;
    shown.Height = ScaleDpi(FFont.Height, s.PixelsPerInch());
    s.SetFont(shown);
}

void TMarkupLabel::Repaint() {
    if (FHost) FHost->Invalidate();
}

// What every pass over the text is given: spacing and where its pictures come from.
THtmlDrawInput TMarkupLabel::BaseInput() {
    THtmlDrawInput in;
    in.LineSpacing = FLineSpacing;
    in.PictureContainer = PictureContainer();
    in.PictureCache = &FImageCache;
    in.Images = Images();
    in.Loader = FLoader;
    return in;
}

bool TMarkupLabel::RenderHTML(ISurface& surface, const std::u16string& text, const TRect& r, TPoint mouse,
                              bool checkAnchors, const std::function<TColor()>& blinkColor) {
    THtmlDrawInput in = BaseInput();
    in.BlinkColor = blinkColor;
    in.ShadowColor = FPrinting ? clGray : FShadowColor;
    in.ShadowOffset = FPrinting ? 1 : FShadowOffset;
    in.URLColor = FURLColor;
    in.Hover = FPrinting ? false : FHover;
    in.HoverColor = FPrinting ? clNone : FHoverColor;
    in.HoverFontColor = FPrinting ? clNone : FHoverFontColor;
    in.HoverLink = FHoverHyperLink;
    in.FocusLink = -1;
    in.WordWrap = !FEllipsis;
    in.Print = FPrinting;
    in.ResFactor = 1.0;
    in.CheckAnchors = checkAnchors;
    in.MouseX = mouse.X;
    in.MouseY = mouse.Y;
    THtmlDrawOutput out;
    const bool result = DrawHtmlText(surface, text, r, in, out);
    FXSize = out.XSize;
    FYSize = out.YSize;
    return result;
}

void TMarkupLabel::Paint(ISurface& s) {
    TRect r{0, 0, FWidth, FHeight};
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    FCaption.clear();
    const int steps = (r.Right - r.Left) / 4;
    // The parent's colour costs a call to its window: it is asked only where the colour shows.
    std::optional<TColor> known;
    const auto color = [&] { return known ? *known : *(known = Color()); };

    if (!FTransparent) {
        if (FColorTo != clNone && (FGradientType == gtFullHorizontal || FGradientType == gtFullVertical))
            FillGradient(s, r, color(), FColorTo, steps, FGradientType == gtFullHorizontal);
        else
            s.FillRect(r, color());
    }
    if (FGradientType == gtBottomLine || FGradientType == gtCenterLine || FGradientType == gtTopLine) {
        TRect band = r;
        if (FGradientType == gtBottomLine) {
            band.Top = band.Bottom - FLineWidth;
        } else if (FGradientType == gtCenterLine) {
            band.Top = band.Top + (band.Bottom - band.Top - FLineWidth) / 2;
            band.Bottom = band.Top + FLineWidth;
        } else {
            band.Bottom = band.Top + FLineWidth;
        }
        if (FColorTo != clNone) FillGradient(s, band, color(), FColorTo, steps, true);
    }
    UseShownFont(s);
    if (FUpdateCount > 0) return;

    r = TextArea(&s, color);

    const std::u16string text = BuildDisplayText();
    // Blinking text is hidden in the label's colour.
    const std::function<TColor()> blinkColor = color;

    bool extendedV = false;
    if (FAutoSizing) {
        if (HorizontalSizing(FAlign, FAutoSizeType)) r.Right += 65535;
        if (VerticalSizing(FAlign, FAutoSizeType)) {
            r.Bottom += 65535;
            extendedV = true;
        }
    }
    const TPoint mouse = FHost ? FHost->CursorPos() : TPoint{-1, -1};

    if (FAutoSizing || FVAlignment != tvaTop) {
        RenderHTML(s, text, r, mouse, true, blinkColor);
        UseShownFont(s);
    }

    bool changed = false;
    if (FAutoSizing) {
        // The text keeps a margin around it (6 pixels at 96 dots per inch).
        const int margin = ScaleDpi(6, s.PixelsPerInch());
        // A text block whose height the label follows starts at the top: moving it down for
        // centre or bottom alignment would place it outside the label.
        if (!extendedV) {
            if (FVAlignment == tvaCenter) r.Top += ScaleDpi(3, s.PixelsPerInch());
            if (FVAlignment == tvaBottom) r.Top += margin;
        }
        int tw = FXSize, th = FYSize;
        if (FBorderStyle == bsSingle) {
            tw += 2 * FBorderWidth;
            th += 2 * FBorderWidth;
        }
        if (VerticalSizing(FAlign, FAutoSizeType) && th + margin != FHeight) {
            SetHeight(th + margin);
            changed = true;
        }
        if (HorizontalSizing(FAlign, FAutoSizeType) && tw + margin != FWidth) {
            SetWidth(tw + margin);
            changed = true;
        }
    }
    if (!extendedV) {
        if (FVAlignment == tvaCenter) r.Top += (r.Bottom - r.Top - FYSize) / 2;
        else if (FVAlignment == tvaBottom) r.Top = r.Bottom - FYSize;
    }
    RenderHTML(s, text, r, mouse, false, blinkColor);
    if (FAutoSizing && OnNewSize && changed) OnNewSize(*this, FWidth, FHeight);
}

TRect TMarkupLabel::TextArea(ISurface* s, const std::function<TColor()>& color) {
    TRect r{0, 0, FWidth, FHeight};
    const bool bevel = FBevelOuter != bvNone || FBevelInner != bvNone;
    auto bevelFrame = [&](TBevelCut cut) {
        if (cut == bvNone) return;
        TColor tl = clBtnHighlight, br = clBtnShadow;
        if (cut == bvLowered) std::swap(tl, br);
        Frame3D(s, r, tl, br, FBevelWidth);
    };
    bevelFrame(FBevelOuter);
    if (FBorderWidth > 0) {
        const TColor c = s ? color() : clNone;  // the colour is asked only where it is drawn
        Frame3D(s, r, c, c, FBorderWidth);
    }
    bevelFrame(FBevelInner);

    int a = 0;
    if (FBorderStyle == bsSingle && FBorderWidth > 0 && FBorderColor != clNone) {
        a = (FBorderWidth + 1) / 2;
        const int b = FBorderWidth / 2;
        if (s)
            s->Polyline({{r.Left - a, r.Top - a},
                         {r.Right + b, r.Top - a},
                         {r.Right + b, r.Bottom + b},
                         {r.Left - a, r.Bottom + b},
                         {r.Left - a, r.Top - a}},
                        FBorderColor, FBorderWidth);
    }
    if (bevel) Shrink(r, FBevelWidth);
    if (FBorderStyle == bsSingle) Shrink(r, a);
    return r;
}

void TMarkupLabel::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) Repaint();
}

void TMarkupLabel::Doit() {
    if (!FHost) return;
    FHost->Invalidate();
    FHost->Update();
}

TSize TMarkupLabel::MeasureWith(ISurface& surface, int maxWidth) {
    UseShownFont(surface);
    RenderHTML(surface, BuildDisplayText(), {0, 0, maxWidth, 4096}, {-1, -1}, true);
    return {FXSize, FYSize};
}

TSize TMarkupLabel::GetSizeWithMaxWidth(int maxWidth) {
    if (!FHost) return {};
    auto surface = FHost->CreateMeasureSurface();
    if (!surface) return {};
    return MeasureWith(*surface, maxWidth);
}

TSize TMarkupLabel::GetSizeWithMaxWidth(ISurface& surface, int maxWidth) { return MeasureWith(surface, maxWidth); }

void TMarkupLabel::HTMLPrint(ISurface& surface, const TRect& r) {
    FPrinting = true;
    UseShownFont(surface);
    RenderHTML(surface, BuildDisplayText(), r, {-1, -1}, false);
    FPrinting = false;
}

void TMarkupLabel::HilightText(const std::u16string& text, bool doCase) {
    SetHTMLText({MarkVisibleText(BuildDisplayText(), text, doCase, u"<hi>", u"</hi>")});
}

void TMarkupLabel::MarkText(const std::u16string& text, bool doCase) {
    SetHTMLText({MarkVisibleText(BuildDisplayText(), text, doCase, u"<e>", u"</e>")});
}

void TMarkupLabel::UnHilightText() { SetHTMLText({RemoveTags(BuildDisplayText(), u"<hi>", u"</hi>")}); }

void TMarkupLabel::UnMarkText() { SetHTMLText({RemoveTags(BuildDisplayText(), u"<e>", u"</e>")}); }

std::u16string TMarkupLabel::AnchorAtPoint(int x, int y) {
    FHoverHyperLink = -1;
    if (!FHost || FWidth <= 0 || FHeight <= 0) return {};
    auto s = FHost->CreateMeasureSurface();
    if (!s) return {};
    // Where painting lays the text out, so that a link is found where it is drawn.
    TRect r = TextArea(nullptr, {});
    const std::u16string text = BuildDisplayText();
    THtmlDrawInput in = BaseInput();
    in.WordWrap = !FEllipsis;
    in.URLColor = clWhite;
    in.ShadowColor = clNone;
    in.CheckAnchors = true;
    THtmlDrawOutput out;
    UseShownFont(*s);
    if (FVAlignment != tvaTop) {
        DrawHtmlText(*s, text, r, in, out);
        if (out.YSize < r.Height()) {
            if (FVAlignment == tvaCenter) r.Top += (r.Height() - out.YSize) / 2;
            else r.Top = r.Bottom - out.YSize;
        }
        UseShownFont(*s);
    }
    in.MouseX = x;
    in.MouseY = y;
    const bool hit = DrawHtmlText(*s, text, r, in, out);
    if (!hit || out.MouseLink < 0) {
        FLastTarget.clear();
        return {};
    }
    FHoverHyperLink = out.MouseLink;
    FLastTarget = out.AnchorVal;
    FLastHoverRect = out.HoverRect;
    return out.FocusAnchor.empty() ? out.AnchorVal : out.FocusAnchor;
}

void TMarkupLabel::MouseMove(int x, int y) {
    const std::u16string anchor = AnchorAtPoint(x, y);
    if (!anchor.empty()) {
        const bool hand = FHost && FHost->HandCursor();
        if (!hand || anchor != FAnchor || FHoverHyperLink != FOldHoverHyperLink) {
            if (FAnchorHint && FHost) FHost->CancelHint();
            if (FHost) FHost->SetHandCursor(true);
            if (OnAnchorEnter) OnAnchorEnter(*this, anchor);
            if (FHover && FHost) {
                if (FCurrHoverRect.Left != -1) FHost->InvalidateRect(FCurrHoverRect);
                FHost->InvalidateRect(FLastHoverRect);
            }
        }
        FAnchor = anchor;
        FOldHoverHyperLink = FHoverHyperLink;
        FCurrHoverRect = FLastHoverRect;
    } else if (FHost && FHost->HandCursor()) {
        FHost->SetHandCursor(false);
        if (OnAnchorExit) OnAnchorExit(*this, FAnchor);
        if (FHover && FCurrHoverRect.Left != -1) FHost->InvalidateRect(FCurrHoverRect);
        FAnchor.clear();
        FOldHoverHyperLink = -1;
        FCurrHoverRect.Left = -1;
    }
}

void TMarkupLabel::MouseDown(TMouseButton button, int x, int y) {
    if (button != mbLeft) return;
    if (AnchorAtPoint(x, y).empty()) return;
    // The click acts on the anchor's target, not on the title shown as its hint.
    const std::u16string target = FLastTarget;
    AnchorClicked(target);
    if ((target.find(u"://") != std::u16string::npos || target.find(u"mailto:") != std::u16string::npos) && FHost)
        FHost->OpenAddress(target);
}

void TMarkupLabel::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}

void TMarkupLabel::MouseLeave() {
    if (FHover && FHoverHyperLink != -1 && FCurrHoverRect.Left != -1 && FHost) FHost->InvalidateRect(FCurrHoverRect);
    FHoverHyperLink = -1;
    if (FHost && FHost->HandCursor()) FHost->SetHandCursor(false);
    FAnchor.clear();
    FCurrHoverRect.Left = -1;
    if (OnMouseLeave) OnMouseLeave(*this);
}

std::u16string TMarkupLabel::HintText() {
    if (FAnchorHint && !FAnchor.empty()) {
        std::u16string text = FAnchor;
        if (OnAnchorHint) OnAnchorHint(*this, text);
        return text;
    }
    if (FHintShowFull) return FHTMLHint ? BuildDisplayText() : HintPlainText(BuildDisplayText());
    return {};
}

std::u16string TMarkupLabel::MarkedPlainText(const std::u16string& display) {
    if (!FHost) return {};
    auto s = FHost->CreateMeasureSurface();
    if (!s) return {};
    UseShownFont(*s);
    THtmlDrawInput in = BaseInput();
    in.MeasureOnly = true;
    in.WordWrap = !FEllipsis;
    THtmlDrawOutput out;
    DrawHtmlText(*s, display, {0, 0, std::max(FWidth, 1), 65535}, in, out);
    std::u16string text;
    for (char16_t c : out.StripVal) text += c == u'\r' ? std::u16string(u"\r\n") : std::u16string(1, c);
    return text;
}

// The engine draws "&x" as x underlined, the access key, unless the text has a free-standing " & ".
std::u16string TMarkupLabel::PlainText() {
    const std::u16string display = BuildDisplayText();
    const std::u16string marked = MarkedPlainText(display);
    return display.find(u" & ") == std::u16string::npos ? WithoutAccessKeyMarks(marked) : marked;
}

void TMarkupLabel::TextChanged() {
    if (FHost) FHost->TextChanged(PlainText());
}

bool TMarkupLabel::DialogChar(char16_t key) {
    if (!FFocusControl || !FHost) return false;
    const std::u16string display = BuildDisplayText();
    if (display.find(u" & ") != std::u16string::npos) return false;
    const char16_t accessKey = AccessKeyOf(MarkedPlainText(display));
    if (!accessKey || AsciiUpper(accessKey) != AsciiUpper(key)) return false;
    FHost->FocusOn(FFocusControl);
    return true;
}

}  // namespace zo
