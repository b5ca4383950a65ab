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

TMessageBoxLayout LayOutMessageBox(const TMessageBoxMetrics& m) {
    TMessageBoxLayout l;
    l.Icon = {kMargin, kMargin, kMargin + kMessageBoxIconSize, kMargin + kMessageBoxIconSize};
    const int textLeft = l.Icon.Right + kIconGap;
    const int textTop = kMargin + std::max(0, (kMessageBoxIconSize - m.Text.Cy) / 2);
    l.Text = {textLeft, textTop, textLeft + m.Text.Cx, textTop + m.Text.Cy};
    const int buttonWidth = std::max(kButtonMinWidth, m.ButtonTextWidth + kButtonPadding);
    l.Client.Cx = std::max({l.Text.Right + kMargin, buttonWidth + 2 * kMargin, m.MinClientWidth});
    const int buttonTop = std::max(l.Icon.Bottom, l.Text.Bottom) + kButtonGap;
    const int buttonLeft = (l.Client.Cx - buttonWidth) / 2;
    l.Button = {buttonLeft, buttonTop, buttonLeft + buttonWidth, buttonTop + kButtonHeight};
    l.Client.Cy = l.Button.Bottom + kMargin;
    return l;
}

std::u16string WithoutAccessKeyMarks(std::u16string_view caption) {
    std::u16string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

std::u16string MessageBoxClipboardText(std::u16string_view caption, std::u16string_view message,
                                       const std::vector<std::u16string>& buttons) {
    const std::u16string rule = u"---------------------------\r\n";
    std::u16string text = rule + std::u16string(caption) + u"\r\n" + rule + std::u16string(message) + u"\r\n" + rule;
    for (const std::u16string& b : buttons) text += WithoutAccessKeyMarks(b) + u"   ";
    return text + u"\r\n" + rule;
}

}  // namespace zo
