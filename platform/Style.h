// A visual style: the colours that windows and controls paint with while it is applied.
// Stored as text, one "Name=#RRGGBB" per line; "#" lines and blank lines are ignored.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zo {

using TColorRef = uint32_t;  // 0x00BBGGRR

constexpr TColorRef RGBColor(uint8_t r, uint8_t g, uint8_t b) {
    return TColorRef(r) | (TColorRef(g) << 8) | (TColorRef(b) << 16);
}

struct TStyle {
    std::u16string Name;
    TColorRef Window = 0;             // window and dialog background
    TColorRef WindowText = 0;         // labels, check box caption
    TColorRef ButtonFace = 0;
    TColorRef ButtonFaceHot = 0;
    TColorRef ButtonFacePressed = 0;
    TColorRef ButtonFaceDisabled = 0;
    TColorRef ButtonText = 0;
    TColorRef ButtonTextDisabled = 0;
    TColorRef ButtonBorder = 0;
    TColorRef FocusBorder = 0;
    TColorRef CheckBoxFace = 0;
    TColorRef CheckBoxBorder = 0;
    TColorRef CheckMark = 0;
    TColorRef StatusText = 0;          // status pane caption, enabled
    TColorRef StatusTextDisabled = 0;  // status pane caption, disabled
    TColorRef EditFace = 0;            // text areas such as dialog details
    TColorRef EditText = 0;
    TColorRef HeadingText = 0;         // a dialog's main instruction
    TColorRef Caption = 0;             // caption bar of the active window
    TColorRef CaptionText = 0;
    TColorRef CaptionInactive = 0;     // caption bar of an inactive window
    TColorRef CaptionTextInactive = 0;
    TColorRef CaptionButtonHot = 0;    // minimise button under the pointer
    TColorRef CaptionButtonPressed = 0;
    TColorRef CloseButtonHot = 0;      // close button under the pointer
    TColorRef CloseButtonPressed = 0;
    TColorRef CloseButtonText = 0;     // the close button's cross while hot or pressed
    TColorRef Frame = 0;               // the window's border, active
    TColorRef FrameInactive = 0;
    std::optional<TColorRef> Panel;      // panels; when absent they keep their own colours
    std::optional<TColorRef> PanelText;
};

// Parses a style's text; returns nothing when a required colour is missing or malformed.
std::optional<TStyle> ParseStyle(std::u16string_view name, std::string_view text);

}  // namespace zo
