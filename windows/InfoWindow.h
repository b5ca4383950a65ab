// What the About and Help windows share: a fixed-size tool window (thin caption bar with a close
// button only) centred on the window that opens it, shown modally, painted in the applied style,
// with owner-drawn buttons. Enter and Escape do nothing; the caption's close button, the system's
// close command (Alt+F4) and the window's own Close button close it. Sizes are given at 96 dots
// per inch and shown at the window's resolution; moved to a monitor of another scale, the window
// makes its fonts and pictures again and lays itself out anew.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/Gui.h"

namespace zo {

class TInfoWindow : public win::TWindow {
public:
    // Shows the window above its owner, which takes no input meanwhile, until it closes; the
    // window is destroyed when this returns.
    void ShowModal();
    // Closes the window, which ends its modal showing.
    void Close();

protected:
    static constexpr COLORREF kWindowColor = RGB(255, 255, 255);  // the window's own colour
    static constexpr COLORREF kButtonFace = RGB(255, 255, 255);
    // Text that is white of its own (not a system colour): white over the style's dark
    // background, and the window-text colour over the window's own white, where white would not
    // be seen.
    static COLORREF OwnWhiteText() { return win::ActiveStyle() ? RGB(255, 255, 255) : GetSysColor(COLOR_WINDOWTEXT); }

    // Creates the hidden window with a client area of clientWidth x clientHeight (at 96 dots per
    // inch), centred on owner, and makes its fonts and pictures (ScaleResources).
    void CreateInfoWindow(const wchar_t* className, const std::u16string& caption, int clientWidth, int clientHeight,
                          HWND owner);
    HWND Owner() const { return FOwner; }
    // A child control at x, y of w x h (at 96 dots per inch) in font (none: the system's), one of
    // the window's own that ScaleResources makes anew; kept in its place and font at every scale.
    HWND AddControl(const wchar_t* className, std::u16string_view text, DWORD style, int id, int x, int y, int w,
                    int h, win::TFont* font);

    // Makes the window's fonts and pictures for dpi, freeing those of the scale before; controls
    // are placed and given their fonts afterwards.
    virtual void ScaleResources(int dpi) = 0;
    // A click of a button of this window (never the dialog keys' IDOK and IDCANCEL).
    virtual void ButtonClicked(int id) = 0;
    // Paints an owner-drawn control; buttons are drawn by default.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void DpiChanged(int dpi, const RECT& suggested) override;

private:
    struct TPlaced {
        HWND Handle;
        TRect Bounds;
        win::TFont* Font;  // the window's own: its scale's font is made in ScaleResources
    };
    HWND FOwner = nullptr;
    int FClientWidth = 0, FClientHeight = 0;
    std::vector<TPlaced> FPlaced;

    SIZE OuterSize(int dpi) const;
    void Place(const TPlaced& control, int dpi) const;
};

}  // namespace zo
