#include "platform/win32/GdiSurface.h"

#include <algorithm>

#include "platform/win32/GdiPicture.h"
#include "platform/win32/Gui.h"

namespace zo {

namespace {

struct TMemoryDC {
    HDC Handle;
    explicit TMemoryDC(HDC compatible) : Handle(CreateCompatibleDC(compatible)) {}
    ~TMemoryDC() {
        if (Handle) DeleteDC(Handle);
    }
    TMemoryDC(const TMemoryDC&) = delete;
    TMemoryDC& operator=(const TMemoryDC&) = delete;
};

const wchar_t* Wide(std::u16string_view s) { return reinterpret_cast<const wchar_t*>(s.data()); }

UINT Format(uint32_t options) {
    UINT f = DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS;
    if (options & dtExternalLeading) f |= DT_EXTERNALLEADING;
    if (options & dtNoPrefix) f |= DT_NOPREFIX;
    if (options & dtEndEllipsis) f |= DT_END_ELLIPSIS;
    if (options & dtRtlReading) f |= DT_RTLREADING;
    return f;
}

RECT Win(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

// Characters that are drawn one after the other, each at its own advance, with no shaping, no
// reordering and no fallback font: Latin, Greek, Cyrillic and the common punctuation and signs.
bool SimpleChar(char16_t c) {
    if (c < 0x20) return false;  // tabs and line breaks are DrawTextW's business
    return c < 0x0590 || (c >= 0x1E00 && c < 0x2000) || (c >= 0x2010 && c < 0x2028) || (c >= 0x2030 && c < 0x205F) ||
           (c >= 0x20A0 && c < 0x20D0) || (c >= 0x2100 && c < 0x2150);
}

// Text that can be placed glyph by glyph at the positions GetTextExtentExPointW gives: no prefix
// character to interpret, no ellipsis to make, left to right, not rotated.
bool PlainText(std::u16string_view text, uint32_t options, int orientation) {
    if (text.empty() || orientation != 0) return false;
    if (options & (dtRtlReading | dtExternalLeading)) return false;
    for (char16_t c : text) {
        if (!SimpleChar(c)) return false;
        if (c == u'&' && !(options & dtNoPrefix)) return false;
    }
    return true;
}

// The text as a single-line call cuts it with an ellipsis to fit the width of rc (unchanged when
// it fits).
std::u16string EllipsisText(HDC dc, std::u16string_view text, const RECT& rc, UINT format) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.resize(text.size() + 5, L'\0');  // room for the dots the call may add
    RECT r{0, 0, rc.right - rc.left, rc.bottom - rc.top};
    ::DrawTextW(dc, buffer.data(), int(text.size()), &r, format | DT_CALCRECT | DT_MODIFYSTRING | DT_END_ELLIPSIS);
    std::u16string cut;
    for (size_t i = 0; i < buffer.size() && buffer[i] != L'\0'; ++i) cut += char16_t(buffer[i]);
    return cut;
}

}  // namespace

TGdiSurface::TGdiSurface(HDC dc, int pixelsPerInch) : TGdiSurface(dc, false, pixelsPerInch) {}

TGdiSurface::TGdiSurface(HDC dc, bool ownsDC, int pixelsPerInch)
    : FDC(dc), FOwnsDC(ownsDC), FPixelsPerInch(pixelsPerInch), FSavedState(SaveDC(dc)) {
    // The surface starts with the device context's font.
    LOGFONTW lf{};
    if (HGDIOBJ f = GetCurrentObject(dc, OBJ_FONT); f && GetObjectW(f, sizeof(lf), &lf)) {
        FFont.Name.assign(reinterpret_cast<const char16_t*>(lf.lfFaceName));
        FFont.Height = lf.lfHeight;
        FFont.Charset = lf.lfCharSet;
        FFont.Style = uint8_t((lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
                              (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0));
        FFont.Orientation = lf.lfOrientation;
    }
    FFont.Color = GetTextColor(dc);
}

std::unique_ptr<TGdiSurface> TGdiSurface::CreateMeasuring(int pixelsPerInch) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    return std::unique_ptr<TGdiSurface>(new TGdiSurface(dc, true, pixelsPerInch));
}

TGdiSurface::~TGdiSurface() {
    while (!FClips.empty()) PopClip();
    if (FSavedState) RestoreDC(FDC, FSavedState);  // previous font, colours, modes back
    for (auto& f : FFonts) DeleteObject(f.Handle);
    if (FOwnsDC) DeleteDC(FDC);
}

HFONT TGdiSurface::FontHandle(const TFont& font) {
    for (auto& f : FFonts) {
        TFont a = f.Font, b = font;
        a.Color = b.Color = 0;  // the colour is not part of the GDI font
        if (a == b) return f.Handle;
    }
    if (FFonts.size() >= 64) {
        // Too many: start again (none of them may stay selected while deleted).
        RestoreDC(FDC, FSavedState);
        FSavedState = SaveDC(FDC);
        for (auto& f : FFonts) DeleteObject(f.Handle);
        FFonts.clear();
    }
    LOGFONTW lf{};
    lf.lfHeight = font.Height;
    lf.lfEscapement = font.Orientation;
    lf.lfOrientation = font.Orientation;
    lf.lfWeight = (font.Style & fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (font.Style & fsItalic) ? TRUE : FALSE;
    lf.lfUnderline = (font.Style & fsUnderline) ? TRUE : FALSE;
    lf.lfStrikeOut = (font.Style & fsStrikeOut) ? TRUE : FALSE;
    lf.lfCharSet = font.Charset;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH;
    std::u16string name = font.Name.substr(0, LF_FACESIZE - 1);
    for (size_t i = 0; i < name.size(); ++i) lf.lfFaceName[i] = wchar_t(name[i]);
    HFONT h = CreateFontIndirectW(&lf);
    if (!h) h = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    else FFonts.push_back({font, h});
    return h;
}

void TGdiSurface::SetFont(const TFont& font) {
    FFont = font;
    SelectObject(FDC, FontHandle(font));
}

TSize TGdiSurface::TextExtent(std::u16string_view text) {
    SIZE sz{};
    if (text.empty()) {
        TEXTMETRICW tm{};
        GetTextMetricsW(FDC, &tm);
        return {0, int(tm.tmHeight)};
    }
    GetTextExtentPoint32W(FDC, Wide(text), int(text.size()), &sz);
    return {int(sz.cx), int(sz.cy)};
}

TSize TGdiSurface::MeasureText(std::u16string_view text, uint32_t options) {
    RECT rc{0, 0, 0, 0};
    ::DrawTextW(FDC, Wide(text), int(text.size()), &rc, Format(options) | DT_CALCRECT);
    return {int(rc.right - rc.left), int(rc.bottom - rc.top)};
}

void TGdiSurface::DrawText(std::u16string_view text, const TRect& rect, uint32_t options) {
    if (FFont.Color == clNone) return;
    SetTextColor(FDC, ColorToRGB(FFont.Color));
    if (FBackground == clNone) {
        SetBkMode(FDC, TRANSPARENT);
    } else {
        SetBkMode(FDC, OPAQUE);
        SetBkColor(FDC, ColorToRGB(FBackground));
    }
    RECT rc = Win(rect);
    std::u16string cut;
    if ((options & dtEndEllipsis) && PlainText(text, options & ~uint32_t(dtEndEllipsis), FFont.Orientation)) {
        // The platform cuts the text; it is then drawn as any other. Left to draw its own cut
        // text, Wine places the dots after the glyphs' drawn advances and may push the last one
        // past the edge.
        cut = EllipsisText(FDC, text, rc, Format(options));
        text = cut;
        options &= ~uint32_t(dtEndEllipsis);
    }
    if (PlainText(text, options, FFont.Orientation)) {
        // Each glyph goes exactly where the measurement puts it. Left to itself, the text output
        // may advance by other widths than the measuring calls report (Wine draws small
        // monochrome text with the advances of its monochrome hinting, a "w" two pixels wider),
        // and text drawn run by run would then overlap the gap after each run. The price is a
        // glyph drawn narrower than it measures leaving a pixel before the next ("them ." under
        // Wine); letting the platform place the glyphs inside a run and the measurement only its
        // start loses whole word gaps instead ("wellas"), the worse of the two.
        const int n = int(text.size());
        std::vector<int> ends(static_cast<size_t>(n), 0);
        SIZE sz{};
        if (GetTextExtentExPointW(FDC, Wide(text), n, 0, nullptr, ends.data(), &sz)) {
            std::vector<INT> dx(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i) dx[size_t(i)] = ends[size_t(i)] - (i > 0 ? ends[size_t(i) - 1] : 0);
            // Single line, bottom aligned, clipped to the rectangle, as DrawTextW places it.
            const UINT oldAlign = SetTextAlign(FDC, TA_LEFT | TA_TOP | TA_NOUPDATECP);
            ExtTextOutW(FDC, rc.left, rc.bottom - sz.cy, ETO_CLIPPED, &rc, Wide(text), UINT(n), dx.data());
            SetTextAlign(FDC, oldAlign);
            return;
        }
    }
    ::DrawTextW(FDC, Wide(text), int(text.size()), &rc, Format(options));
}

void TGdiSurface::FillRect(const TRect& rect, TColor color) {
    if (color == clNone) return;
    const win::TBrush brush(CreateSolidBrush(ColorToRGB(color)));
    RECT rc = Win(rect);
    ::FillRect(FDC, &rc, brush);
}

void TGdiSurface::Polyline(const std::vector<TPoint>& points, TColor color, int width) {
    if (points.size() < 2 || color == clNone) return;
    const win::TPen pen(CreatePen(PS_SOLID, width, ColorToRGB(color)));
    if (!pen) return;
    win::TSelect sel(FDC, pen);
    std::vector<POINT> pts;
    for (const auto& p : points) pts.push_back({p.X, p.Y});
    ::Polyline(FDC, pts.data(), int(pts.size()));
}

void TGdiSurface::FillEllipse(const TRect& rect, TColor color) {
    if (color == clNone) return;
    const win::TBrush brush(CreateSolidBrush(ColorToRGB(color)));
    if (!brush) return;
    win::TSelect b(FDC, brush);
    win::TSelect p(FDC, GetStockObject(NULL_PEN));
    Ellipse(FDC, rect.Left, rect.Top, rect.Right + 1, rect.Bottom + 1);
}

void TGdiSurface::DrawFocusRect(const TRect& rect) {
    RECT rc = Win(rect);
    ::DrawFocusRect(FDC, &rc);
}

void TGdiSurface::DrawPicture(const IPicture& picture, const TRect& rect) {
    const auto* gdi = dynamic_cast<const TGdiPicture*>(&picture);
    if (!gdi || !gdi->Bitmap()) return;
    TMemoryDC mem(FDC);
    if (!mem.Handle) return;
    win::TSelect sel(mem.Handle, gdi->Bitmap());
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(FDC, HALFTONE);
    AlphaBlend(FDC, rect.Left, rect.Top, rect.Width(), rect.Height(), mem.Handle, 0, 0, gdi->Width(), gdi->Height(),
               bf);
}

void TGdiSurface::TilePicture(const IPicture& picture, const TRect& area) {
    const auto* gdi = dynamic_cast<const TGdiPicture*>(&picture);
    if (!gdi || !gdi->Bitmap()) return;
    const int w = gdi->Width(), h = gdi->Height();
    // Only the part of the area that can show is covered (an auto-sizing label lays its text out
    // in a rectangle 65535 pixels taller than itself).
    RECT visible = Win(area), clip{};
    if (GetClipBox(FDC, &clip) == ERROR || !IntersectRect(&visible, &visible, &clip)) return;
    if (w <= 0 || h <= 0) return;
    // One block of whole tiles, about kBlock pixels each way, made by doubling the tiles already
    // in it; the area is then covered block by block. However small the picture, that is a few
    // copies for the block and (visible size / kBlock)^2 blends.
    constexpr int kBlock = 256;
    const auto tiles = [](int size, int tile) {
        return std::max(1, std::min((kBlock + tile - 1) / tile, (size + tile - 1) / tile));
    };
    const int bw = w * tiles(area.Width(), w), bh = h * tiles(area.Height(), h);
    TMemoryDC src(FDC);
    if (!src.Handle) return;
    win::TSelect srcSel(src.Handle, gdi->Bitmap());
    // Blocks start on the tile grid of the area's corner, from the first one that can show.
    const auto cover = [&](HDC from) {
        const int x0 = area.Left + (visible.left - area.Left) / bw * bw;
        const int y0 = area.Top + (visible.top - area.Top) / bh * bh;
        const BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        const int saved = SaveDC(FDC);
        IntersectClipRect(FDC, area.Left, area.Top, area.Right, area.Bottom);
        for (int y = y0; y < visible.bottom; y += bh)
            for (int x = x0; x < visible.right; x += bw) AlphaBlend(FDC, x, y, bw, bh, from, 0, 0, bw, bh, bf);
        RestoreDC(FDC, saved);
    };
    // A picture of kBlock pixels or more each way is its own block.
    if (bw == w && bh == h) {
        cover(src.Handle);
        return;
    }
    TMemoryDC block(FDC);
    void* bits = nullptr;
    const win::TBitmap blockBitmap(win::CreateDib32(bw, bh, &bits));
    if (!block.Handle || !blockBitmap) return;
    win::TSelect blockSel(block.Handle, blockBitmap);
    BitBlt(block.Handle, 0, 0, w, h, src.Handle, 0, 0, SRCCOPY);  // premultiplied pixels as they are
    for (int cw = w; cw < bw; cw *= 2)
        BitBlt(block.Handle, cw, 0, std::min(cw, bw - cw), h, block.Handle, 0, 0, SRCCOPY);
    for (int ch = h; ch < bh; ch *= 2)
        BitBlt(block.Handle, 0, ch, bw, std::min(ch, bh - ch), block.Handle, 0, 0, SRCCOPY);
    cover(block.Handle);
}

void TGdiSurface::PushClip(const TRect& rect) {
    HRGN saved = CreateRectRgn(0, 0, 0, 0);
    if (saved && GetClipRgn(FDC, saved) != 1) {
        DeleteObject(saved);
        saved = nullptr;
    }
    FClips.push_back(saved);
    IntersectClipRect(FDC, rect.Left, rect.Top, rect.Right, rect.Bottom);
}

void TGdiSurface::PopClip() {
    if (FClips.empty()) return;
    HRGN saved = FClips.back();
    FClips.pop_back();
    SelectClipRgn(FDC, saved);
    if (saved) DeleteObject(saved);
}

int TGdiSurface::PixelsPerInch() const { return FPixelsPerInch > 0 ? FPixelsPerInch : GetDeviceCaps(FDC, LOGPIXELSY); }

TColor TGdiSurface::ColorToRGB(TColor color) const {
    if (color == clNone) return clNone;
    if (IsSystemColor(color)) return GetSysColor(int(color & 0xFF));
    return color & 0x00FFFFFF;
}

}  // namespace zo
