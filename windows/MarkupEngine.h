// The markup engine: lays out and draws, or only measures, text written in a small HTML-like
// markup inside a rectangle of a drawing surface, one line at a time, wrapping at spaces.
//
// Tags: <B> <I> <U> <S> bold, italic, underline, strikeout; <BR> line break; <FONT FACE COLOR
// BGCOLOR SIZE STYLE>; <P ALIGN INDENT BGCOLOR BGCOLORTO>; <A HREF TITLE> anchors; <IMG SRC WIDTH
// HEIGHT ALIGN WRAP>; <UL> <OL> <LI TYPE COLOR> lists; <HR COLOR>; <HI> highlight; <E> error
// mark; <Z> hidden text; <SUB> <SUP>; <SHAD> shadow; <SPAN STYLE>; <BLINK>; <BODY ...> area
// background; <IND x> pen move; <OFS x> offset; <ROT a> rotation. Entities: &amp; &quot; &sect;
// &permil; &reg; &copy; &para; &trade; &euro; &nbsp; &lt; &gt;. A tag is known by its first
// letter or two, so any tag beginning with BO is the area background and any beginning with E
// the error mark.
//
// The layout is made by position in the prepared markup, so its cost grows linearly with the
// markup's length.
#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "platform/Picture.h"
#include "platform/Surface.h"

namespace zo {

struct THtmlDrawInput {
    const TPictureContainer* PictureContainer = nullptr;
    TPictureCache* PictureCache = nullptr;
    const IImageList* Images = nullptr;
    IPictureLoader* Loader = nullptr;  // pictures from addresses and shell icons; none when null
    int MouseX = -1;
    int MouseY = -1;
    int FocusLink = -1;  // focused anchor counted from 0; -1 for none
    int HoverLink = -1;  // hovered anchor counted from 1; -1 for none
    int ShadowOffset = 2;
    TColor ShadowColor = clGray;
    bool CheckAnchors = false;  // the drawing pass only measures and hit-tests
    bool MeasureOnly = false;   // no drawing pass at all
    bool Print = false;
    double ResFactor = 1.0;
    bool Selected = false;      // tags leave colours unchanged
    bool Blink = false;         // blink phase: blinking text is visible
    bool Hover = false;
    TColor URLColor = clBlue;
    TColor HoverColor = clNone;
    TColor HoverFontColor = clNone;
    bool WordWrap = true;
    bool RightToLeft = false;
    int LineSpacing = 0;
    // The colour blinking text is hidden in (the background it is drawn over), asked only when
    // blinking text is met, perhaps more than once; without it, the surface's background colour
    // on entry.
    std::function<TColor()> BlinkColor;
};

struct THtmlDrawOutput {
    std::u16string AnchorVal;    // target of the anchor under the mouse
    std::u16string StripVal;     // the visible text, a carriage return for each <BR>
    std::u16string FocusAnchor;  // target of the focused anchor, or title of the one under the mouse
    int XSize = 0;               // text width
    int YSize = 0;               // text height
    int HyperLinks = 0;          // anchors met
    int MouseLink = -1;          // number (from 1) of the anchor under the mouse; -1 for none
    TRect HoverRect{-1, -1, -1, -1};
};

// Lays out markup in rect; returns true when the mouse point lies on an anchor (check-anchors).
bool DrawHtmlText(ISurface& surface, std::u16string_view markup, const TRect& rect,
                  const THtmlDrawInput& input, THtmlDrawOutput& output);

// The markup after entity replacement, "<#" removal and line-break conversion (done once per
// call before the layout).
std::u16string PrepareMarkup(std::u16string_view markup);

// Fills rect with bands of colour going from "from" to "to", left to right when horizontal,
// top to bottom otherwise.
void FillGradient(ISurface& surface, const TRect& rect, TColor from, TColor to, int bands, bool horizontal);

// A colour attribute value: "#RRGGBB" or a colour name ("clred", "clbtnface", ...); an unknown
// name is black; an empty value is clNone.
TColor HtmlColor(std::u16string_view value);

}  // namespace zo
