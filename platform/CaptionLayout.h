// A caption bar drawn by the program: where its parts lie in a window of a given frame, which
// part a point falls on, and the colours of the bar and its buttons in a style.
#pragma once
#include "platform/Dpi.h"
#include "platform/Style.h"
#include "platform/Surface.h"

namespace zo {

enum class TCaptionPart { cpNone, cpCaption, cpIcon, cpMinimise, cpClose };

// What a window's frame offers, in window coordinates (0, 0 is the window's top left corner).
struct TCaptionFrame {
    int Width = 0;      // of the whole window
    int Border = 0;     // the frame's thickness: from the window's edge to the client area
    int ClientTop = 0;  // the client area's top edge, which is the caption bar's bottom edge
    int IconSize = 16;  // the small icon's size at the window's resolution
    bool Icon = false, Minimise = false, Close = false;
    bool Tool = false;  // a tool window's thin caption: square buttons
    int Dpi = kDesignDpi;  // the window's resolution, which scales the gaps
};

// Every rectangle is empty where the window has no such part; all are empty without a caption.
struct TCaptionLayout {
    TRect Bar, Icon, Title, Minimise, Close;
    TRect IconPicture;  // where the icon is drawn, inside Icon
};

TCaptionLayout LayoutCaption(const TCaptionFrame& frame);
// The part under a point in window coordinates; cpNone outside the caption bar.
TCaptionPart CaptionPartAt(const TCaptionLayout& layout, int x, int y);

struct TCaptionColors {
    TColorRef Background, Text, Frame;
};
TCaptionColors CaptionColors(const TStyle& style, bool active);

// The mouse over the caption's buttons: the button under the pointer, and the button that the
// left button went down on and is still held over (cpNone for neither).
struct TCaptionMouse {
    TCaptionPart Hot = TCaptionPart::cpNone;
    TCaptionPart Pressed = TCaptionPart::cpNone;
};
// A caption button's face and glyph colours: pressed only while held down over it, hot while the
// pointer is over it and no button is held, otherwise the bar's own colours.
struct TCaptionButtonLook {
    TColorRef Face, Glyph;
};
TCaptionButtonLook CaptionButtonLook(const TStyle& style, TCaptionPart button, bool active, TCaptionMouse mouse);

}  // namespace zo
