// The status pane: a static child window (its caption is its window text) drawn by its owner with
// an image from an image list and a one-line caption, its width following the caption.
#pragma once
#include <windows.h>

#include <string>

#include "app/GlyphStatus.h"
#include "platform/win32/Gui.h"
#include "platform/win32/ImageList.h"

namespace zo {

class TGlyphStatus {
public:
    TGlyphStatus(HWND parent, int id, int left, int top, int height, const std::u16string& caption,
                 const win::TImageList& images, HFONT font, COLORREF fontColor,
                 const TGlyphStatusSettings& settings = {});
    HWND Handle() const { return FHandle; }

    const std::u16string& Caption() const { return FCaption; }
    void SetCaption(const std::u16string& caption);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int index);
    COLORREF FontColor() const { return FFontColor; }
    void SetFontColor(COLORREF color);
    // The colour the caption is drawn in: the style's while one is applied, else the font's.
    COLORREF CaptionColor() const;

    // Shows the pane at another resolution: its place, height, font and the settings scaled to it
    // (the images must have the settings' size); the width follows the caption.
    void Rescale(int left, int top, int height, HFONT font, const TGlyphStatusSettings& settings);

    // Called from the parent's WM_DRAWITEM.
    void Draw(const DRAWITEMSTRUCT& item) const;

private:
    HWND FHandle;
    std::u16string FCaption;
    int FImageIndex = 2;
    COLORREF FFontColor;
    const win::TImageList& FImages;
    HFONT FFont;
    TGlyphStatusSettings FSettings;
    // The width the caption needs in the font with the settings.
    int Width() const;
    void UpdateWidth();
};

}  // namespace zo
