#include "platform/CaptionLayout.h"

#include <algorithm>

namespace zo {

namespace {
constexpr int kPadding = 6;  // between the bar's left edge, the icon and the title (at 96 dpi)
}

TCaptionLayout LayoutCaption(const TCaptionFrame& f) {
    TCaptionLayout l;
    const int height = f.ClientTop - f.Border;
    if (height <= 0 || f.Width <= 2 * f.Border) return l;
    l.Bar = {f.Border, f.Border, f.Width - f.Border, f.ClientTop};
    // Buttons run from the right edge; a normal window's are wider than high, as the platform's.
    const int buttonWidth = f.Tool ? height : height * 3 / 2;
    int right = l.Bar.Right;
    if (f.Close) {
        l.Close = {right - buttonWidth, l.Bar.Top, right, l.Bar.Bottom};
        right = l.Close.Left;
    }
    if (f.Minimise) {
        l.Minimise = {right - buttonWidth, l.Bar.Top, right, l.Bar.Bottom};
        right = l.Minimise.Left;
    }
    int left = l.Bar.Left;
    const int padding = ScaleDpi(kPadding, f.Dpi);
    if (f.Icon) {
        // The icon's area takes the bar's whole height, so that a click just beside the picture
        // still opens the window menu.
        const int size = std::min(f.IconSize, height);
        l.Icon = {left, l.Bar.Top, left + padding + size + padding / 2, l.Bar.Bottom};
        const int top = l.Bar.Top + (height - size) / 2;
        l.IconPicture = {left + padding, top, left + padding + size, top + size};
        left = l.Icon.Right;
    } else {
        left += padding;
    }
    l.Title = {left, l.Bar.Top, std::max(left, right - padding), l.Bar.Bottom};
    return l;
}

TCaptionPart CaptionPartAt(const TCaptionLayout& l, int x, int y) {
    if (l.Close.Contains(x, y)) return TCaptionPart::cpClose;
    if (l.Minimise.Contains(x, y)) return TCaptionPart::cpMinimise;
    if (l.Icon.Contains(x, y)) return TCaptionPart::cpIcon;
    if (l.Bar.Contains(x, y)) return TCaptionPart::cpCaption;
    return TCaptionPart::cpNone;
}

TCaptionColors CaptionColors(const TStyle& s, bool active) {
    if (active) return {s.Caption, s.CaptionText, s.Frame};
    return {s.CaptionInactive, s.CaptionTextInactive, s.FrameInactive};
}

TCaptionButtonLook CaptionButtonLook(const TStyle& s, TCaptionPart button, bool active, TCaptionMouse mouse) {
    const TCaptionColors bar = CaptionColors(s, active);
    const bool close = button == TCaptionPart::cpClose;
    if (mouse.Pressed == button && mouse.Hot == button)
        return {close ? s.CloseButtonPressed : s.CaptionButtonPressed, close ? s.CloseButtonText : bar.Text};
    if (mouse.Hot == button && mouse.Pressed == TCaptionPart::cpNone)
        return {close ? s.CloseButtonHot : s.CaptionButtonHot, close ? s.CloseButtonText : bar.Text};
    return {bar.Background, bar.Text};
}

}  // namespace zo
