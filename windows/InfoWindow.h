// What the About and Help windows share: a fixed-size tool window (thin caption bar with a close
// button only) centred on the window that opens it, shown modally, painted in the applied style,
// with owner-drawn buttons. Enter and Escape do nothing; the caption's close button, the system's
// close command (Alt+F4) and the window's own Close button close it.
#pragma once
#include <windows.h>

#include <string>

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

    // Creates the hidden window with a client area of clientWidth x clientHeight, centred on owner.
    void CreateInfoWindow(const wchar_t* className, const std::u16string& caption, int clientWidth, int clientHeight,
                          HWND owner);
    HWND Owner() const { return FOwner; }

    // A click of a button of this window (never the dialog keys' IDOK and IDCANCEL).
    virtual void ButtonClicked(int id) = 0;
    // Paints an owner-drawn control; buttons are drawn by default.
    virtual void DrawItem(const DRAWITEMSTRUCT& item);

    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    HWND FOwner = nullptr;
};

}  // namespace zo
