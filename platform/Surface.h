// The drawing surface: what the markup engine and the label need of the platform's text and
// graphics primitives. The Win32 implementation draws on a device context (platform/win32/
// GdiSurface.h); the native tests use a surface with fixed metrics that records what was drawn.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zo {

// 0x00BBGGRR: an RGB colour with red in the low byte; 0xFF0000nn: the system colour number nn;
// clNone: no colour.
using TColor = uint32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clGray = 0x808080;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
constexpr TColor clBtnShadow = 0xFF000010;
constexpr TColor clBtnHighlight = 0xFF000014;

inline bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == 0xFF000000u; }

// Font style bits.
enum : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
    std::u16string Name = u"Segoe UI";
    int Height = -11;      // character height in pixels, negative as the platform counts it
    TColor Color = clBlack;
    uint8_t Charset = 0;   // ANSI
    uint8_t Style = 0;     // fsBold | fsItalic | ...
    int Orientation = 0;   // escapement and orientation in tenths of a degree

    bool operator==(const TFont&) const = default;
};

// Size in points of a font at a resolution, and the height for a size (rounded as MulDiv does).
int FontSizeFromHeight(int height, int pixelsPerInch);
int FontHeightFromSize(int size, int pixelsPerInch);

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int Cx = 0;
    int Cy = 0;
    bool operator==(const TSize&) const = default;
};

// Left, Top, Right, Bottom; right and bottom exclusive.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    bool operator==(const TRect&) const = default;
};

// Text options of the single-line text calls. Every call is single line, bottom-aligned and
// expands tabs.
enum : uint32_t {
    dtNoPrefix = 1,         // "&" is drawn as it stands (otherwise "&x" underlines x, "&&" is "&")
    dtEndEllipsis = 2,      // overflowing text is cut with an ellipsis at the right edge
    dtRtlReading = 4,       // right-to-left reading order
    dtExternalLeading = 8,  // the line height includes the font's external leading
};

class IPicture;

class ISurface {
public:
    virtual ~ISurface() = default;

    // The current font; SetFont selects a font of these attributes.
    virtual const TFont& Font() const = 0;
    virtual void SetFont(const TFont& font) = 0;

    // Width and height of text in the current font (no prefix processing).
    virtual TSize TextExtent(std::u16string_view text) = 0;
    // Extent of text as the single-line text call would draw it with these options.
    virtual TSize MeasureText(std::u16string_view text, uint32_t options) = 0;
    // Draws text into rect, single line, bottom-aligned, in the font colour; the text cells are
    // filled with the background colour when it is not clNone.
    virtual void DrawText(std::u16string_view text, const TRect& rect, uint32_t options) = 0;

    // Background colour of text and of filled shapes' interiors; clNone is a transparent one.
    virtual TColor BackgroundColor() const = 0;
    virtual void SetBackgroundColor(TColor color) = 0;

    virtual void FillRect(const TRect& rect, TColor color) = 0;
    // A line through the points in a pen of the colour and width.
    virtual void Polyline(const std::vector<TPoint>& points, TColor color, int width) = 0;
    virtual void FillEllipse(const TRect& rect, TColor color) = 0;
    // The platform's dotted focus frame.
    virtual void DrawFocusRect(const TRect& rect) = 0;
    // A picture stretched into rect.
    virtual void DrawPicture(const IPicture& picture, const TRect& rect) = 0;
    // The picture at its own size, repeated from area's top-left corner over the whole of area
    // (and nothing outside it), at a cost that does not grow with the number of tiles.
    virtual void TilePicture(const IPicture& picture, const TRect& area) = 0;

    // Clip rectangles nest: PopClip restores the clip that PushClip replaced.
    virtual void PushClip(const TRect& rect) = 0;
    virtual void PopClip() = 0;

    virtual int PixelsPerInch() const = 0;
    // The RGB value of a colour (system colours resolved); clNone stays clNone.
    virtual TColor ColorToRGB(TColor color) const = 0;
};

}  // namespace zo
