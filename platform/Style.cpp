#include "platform/Style.h"

#include <cstring>
#include <utility>
#include <vector>

namespace zo {

namespace {

std::optional<TColorRef> ParseHexColor(std::string_view v) {
    if (v.size() != 7 || v[0] != '#') return std::nullopt;
    uint32_t rgb = 0;
    for (char c : v.substr(1)) {
        int d = (c >= '0' && c <= '9') ? c - '0'
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                         : -1;
        if (d < 0) return std::nullopt;
        rgb = rgb * 16 + uint32_t(d);
    }
    return RGBColor(uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb));
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<TStyle> ParseStyle(std::u16string_view name, std::string_view text) {
    TStyle style;
    style.Name = name;
    const std::pair<const char*, TColorRef*> required[] = {
        {"Window", &style.Window},
        {"WindowText", &style.WindowText},
        {"ButtonFace", &style.ButtonFace},
        {"ButtonFaceHot", &style.ButtonFaceHot},
        {"ButtonFacePressed", &style.ButtonFacePressed},
        {"ButtonFaceDisabled", &style.ButtonFaceDisabled},
        {"ButtonText", &style.ButtonText},
        {"ButtonTextDisabled", &style.ButtonTextDisabled},
        {"ButtonBorder", &style.ButtonBorder},
        {"FocusBorder", &style.FocusBorder},
        {"CheckBoxFace", &style.CheckBoxFace},
        {"CheckBoxBorder", &style.CheckBoxBorder},
        {"CheckMark", &style.CheckMark},
        {"StatusText", &style.StatusText},
        {"StatusTextDisabled", &style.StatusTextDisabled},
        {"EditFace", &style.EditFace},
        {"EditText", &style.EditText},
        {"HeadingText", &style.HeadingText},
        {"Caption", &style.Caption},
        {"CaptionText", &style.CaptionText},
        {"CaptionInactive", &style.CaptionInactive},
        {"CaptionTextInactive", &style.CaptionTextInactive},
        {"CaptionButtonHot", &style.CaptionButtonHot},
        {"CaptionButtonPressed", &style.CaptionButtonPressed},
        {"CloseButtonHot", &style.CloseButtonHot},
        {"CloseButtonPressed", &style.CloseButtonPressed},
        {"CloseButtonText", &style.CloseButtonText},
        {"Frame", &style.Frame},
        {"FrameInactive", &style.FrameInactive},
    };
    std::vector<bool> seen(std::size(required), false);
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = Trim(text.substr(0, eol));
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (line.empty() || line[0] == '#') continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        std::string_view key = Trim(line.substr(0, eq));
        std::optional<TColorRef> value = ParseHexColor(Trim(line.substr(eq + 1)));
        if (!value) return std::nullopt;
        if (key == "Panel") {
            style.Panel = value;
        } else if (key == "PanelText") {
            style.PanelText = value;
        } else {
            for (size_t i = 0; i < std::size(required); ++i)
                if (key == required[i].first) {
                    *required[i].second = *value;
                    seen[i] = true;
                }
        }
    }
    for (bool s : seen)
        if (!s) return std::nullopt;
    return style;
}

}  // namespace zo
