// A two-state check box: a real BUTTON check box window drawn in the applied style, whose every
// change of state, by code or by the user, runs its click handler once.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "platform/Dpi.h"

namespace zo::win {

class TCheckBox {
public:
    TCheckBox() = default;
    TCheckBox(const TCheckBox&) = delete;
    TCheckBox& operator=(const TCheckBox&) = delete;

    // Creates the window at x, y, h high (pixels at dpi), as wide as the glyph, a 4-pixel gap (at
    // 96 dpi) and the caption.
    void Create(HWND parent, int id, const std::u16string& caption, int x, int y, int h, HFONT font,
                COLORREF ownBackground, int dpi = kDesignDpi);
    // Shows the box at another resolution: its place (pixels at dpi), font, glyph and width.
    void Rescale(int x, int y, int h, HFONT font, int dpi);
    HWND Handle() const { return FHandle; }

    bool Checked() const { return FChecked; }
    // A change of state repaints the box and then runs OnClick; the same state does nothing.
    void SetChecked(bool checked);
    // Puts the box back in a state without running OnClick: for a change that could not be kept.
    void Restore(bool checked);
    std::function<void()> OnClick;

    // The parent forwards these: BN_CLICKED of the box, and its NM_CUSTOMDRAW.
    void Clicked() { SetChecked(!FChecked); }
    LRESULT CustomDraw(NMCUSTOMDRAW& draw) const;

private:
    HWND FHandle = nullptr;
    // The box's width for caption in font at dpi.
    static int Width(const std::wstring& caption, HFONT font, int dpi);
    HFONT FFont = nullptr;
    COLORREF FBackground = 0;
    int FDpi = kDesignDpi;
    bool FChecked = false;
    bool FSpaceCancelled = false;
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
};

}  // namespace zo::win
