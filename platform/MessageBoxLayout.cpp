#include "platform/MessageBoxLayout.h"

#include <algorithm>

namespace zo {

namespace {
constexpr int kMargin = 12;
constexpr int kIconGap = 12;       // between the icon and the message
constexpr int kButtonGap = 16;     // between the message and the button
constexpr int kButtonMinWidth = 75;
constexpr int kButtonPadding = 24; // around the button's caption
constexpr int kButtonHeight = 23;
}  // namespace

TMessageBoxLayout LayOutMessageBox(const TMessageBoxMetrics& m, int dpi) {
    const auto px = [dpi](int designPixels) { return ScaleDpi(designPixels, dpi); };
    const int margin = px(kMargin);
    TMessageBoxLayout l;
    l.Icon = ScaleBounds(kMargin, kMargin, kMessageBoxIconSize, kMessageBoxIconSize, dpi);
    const int textLeft = l.Icon.Right + px(kIconGap);
    const int textTop = margin + std::max(0, (l.Icon.Height() - m.Text.Cy) / 2);
    l.Text = {textLeft, textTop, textLeft + m.Text.Cx, textTop + m.Text.Cy};
    const int buttonWidth = std::max(px(kButtonMinWidth), m.ButtonTextWidth + px(kButtonPadding));
    l.Client.Cx = std::max({l.Text.Right + margin, buttonWidth + 2 * margin, m.MinClientWidth});
    const int buttonTop = std::max(l.Icon.Bottom, l.Text.Bottom) + px(kButtonGap);
    const int buttonLeft = (l.Client.Cx - buttonWidth) / 2;
    l.Button = {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + px(kButtonHeight)};
    l.Client.Cy = l.Button.Bottom + margin;
    return l;
}

std::u16string MessageBoxClipboardText(std::u16string_view caption, std::u16string_view message,
                                       const std::vector<std::u16string>& buttons) {
    const std::u16string rule = u"---------------------------\r\n";
    std::u16string text = rule + std::u16string(caption) + u"\r\n" + rule + std::u16string(message) + u"\r\n" + rule;
    for (const std::u16string& b : buttons) text += WithoutAccessKeyMarks(b) + u"   ";
    return text + u"\r\n" + rule;
}

}  // namespace zo
