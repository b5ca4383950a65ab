// What the program's own message box shows where, and the text that Ctrl+C copies from it.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dpi.h"
#include "platform/Surface.h"
#include "platform/Text.h"  // WithoutAccessKeyMarks

namespace zo {

// Measured sizes the layout starts from (pixels at the box's resolution).
struct TMessageBoxMetrics {
    TSize Text;              // the message, already wrapped to its width limit
    int ButtonTextWidth = 0; // the button's caption
    int MinClientWidth = 0;  // what the caption bar needs to show its title
};

struct TMessageBoxLayout {
    TRect Icon;
    TRect Text;
    TRect Button;
    TSize Client;
};

constexpr int kMessageBoxIconSize = 32;  // at 96 dots per inch

// The icon at the top left, the message to its right (centred on the icon's height when it is
// lower), and the button centred below both; margins, gaps, icon and button are scaled to dpi.
TMessageBoxLayout LayOutMessageBox(const TMessageBoxMetrics& metrics, int dpi = kDesignDpi);

// The platform's own message boxes copy themselves in this form: caption, message and the button
// captions (access-key marks removed, each followed by three blanks) between dashed rules.
std::u16string MessageBoxClipboardText(std::u16string_view caption, std::u16string_view message,
                                       const std::vector<std::u16string>& buttons);

}  // namespace zo
