// The drawing surface over a Win32 device context (GDI). Every GDI object it creates is owned by
// RAII and deleted; the device context gets back its previous selections, colours and clip when
// the surface ends. Plain text is drawn with each glyph at the advance the measuring calls report,
// so that a run drawn at a measured position ends where the measurement says.
#pragma once
#include <windows.h>

#include <memory>
#include <vector>

#include "platform/Surface.h"

namespace zo {

class TGdiSurface : public ISurface {
public:
    // A surface over dc, which stays the caller's, showing pixelsPerInch dots per inch (0: what
    // the device context reports; a window's own resolution may differ from it).
    explicit TGdiSurface(HDC dc, int pixelsPerInch = 0);
    // A surface over a memory device context compatible with the screen, which it owns (for
    // measuring).
    static std::unique_ptr<TGdiSurface> CreateMeasuring(int pixelsPerInch = 0);
    ~TGdiSurface() override;
    TGdiSurface(const TGdiSurface&) = delete;
    TGdiSurface& operator=(const TGdiSurface&) = delete;

    HDC Handle() const { return FDC; }

    const TFont& Font() const override { return FFont; }
    void SetFont(const TFont& font) override;
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
    void PushClip(const TRect& rect) override;
    void PopClip() override;
    int PixelsPerInch() const override;
    TColor ColorToRGB(TColor color) const override;

private:
    TGdiSurface(HDC dc, bool ownsDC, int pixelsPerInch);
    HFONT FontHandle(const TFont& font);

    HDC FDC;
    bool FOwnsDC;
    int FPixelsPerInch;
    int FSavedState;
    TFont FFont;
    TColor FBackground = clNone;
    struct TCachedFont {
        TFont Font;
        HFONT Handle;
    };
    std::vector<TCachedFont> FFonts;
    std::vector<HRGN> FClips;  // the clip each PushClip replaced (null: none)
};

}  // namespace zo
