#include "app/MainLayout.h"

namespace zo {

namespace {
constexpr int kClientWidth = 485, kClientHeight = 244;

struct TDesignBounds {
    short Left, Top, Width, Height;
};
constexpr TDesignBounds kDesign[mcControlCount] = {
    {6, 5, 90, 30},     {6, 40, 90, 30},    {6, 75, 90, 30},  {6, 110, 90, 30},   // Install .. Uninstall
    {388, 5, 90, 30},   {388, 40, 90, 30},  {388, 75, 90, 30},                       // Exit, About, Help
    {0, 217, kClientWidth, kClientHeight - 217},                                     // copyright band
    {106, 153, 173, 17},                                                             // check box
    {106, 12, 93, 15},  {106, 47, 86, 15},  {106, 82, 86, 15}, {106, 117, 108, 15},  // Label1 .. Label4
    {6, 195, 73, 13},   {106, 190, 160, 23}, {408, 133, 48, 48},                     // Label5, status, Image1
};
}  // namespace

TMainSize MainClientSize(int dpi) { return {ScaleDpi(kClientWidth, dpi), ScaleDpi(kClientHeight, dpi)}; }

TRect MainControlBounds(TMainControl control, int dpi) {
    const TDesignBounds& b = kDesign[control];
    return ScaleBounds(b.Left, b.Top, b.Width, b.Height, dpi);
}

TGlyphStatusSettings GlyphStatusSettingsAt(int dpi) {
    TGlyphStatusSettings d, s;
    for (auto field : {&TGlyphStatusSettings::BorderWidth, &TGlyphStatusSettings::ImageOffset,
                       &TGlyphStatusSettings::CaptionOffset, &TGlyphStatusSettings::ImageWidth,
                       &TGlyphStatusSettings::ImageHeight, &TGlyphStatusSettings::TextMargin,
                       &TGlyphStatusSettings::EmptyCaptionWidth})
        s.*field = ScaleDpi(d.*field, dpi);
    return s;
}

}  // namespace zo
