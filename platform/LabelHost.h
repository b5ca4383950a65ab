// What a windowed control such as the markup label needs of the window that carries it. The
// Win32 window implements it (windows/MarkupLabel_win.cpp); the native tests use a fake.
#pragma once
#include <memory>
#include <string>

#include "platform/Surface.h"

namespace zo {

class ILabelHost {
public:
    virtual ~ILabelHost() = default;
    // Repaint the whole control, or a part of it (control coordinates).
    virtual void Invalidate() = 0;
    virtual void InvalidateRect(const TRect& rect) = 0;
    // The control's bounds changed (parent coordinates); the window follows.
    virtual void BoundsChanged(int left, int top, int width, int height) = 0;
    // Paint at once.
    virtual void Update() = 0;
    // The mouse position in control coordinates.
    virtual TPoint CursorPos() = 0;
    virtual bool HandCursor() const = 0;
    virtual void SetHandCursor(bool hand) = 0;
    // Opens an address with the shell's "open" verb in a normal window.
    virtual void OpenAddress(const std::u16string& address) = 0;
    virtual void ShowHint(const std::u16string& text, TPoint at) = 0;
    virtual void CancelHint() = 0;
    // The background colour of the window that carries the control.
    virtual TColor ParentColor() = 0;
    // An off-screen surface for measuring.
    virtual std::unique_ptr<ISurface> CreateMeasureSurface() = 0;
    // The control's text as screen readers are to read it.
    virtual void TextChanged(const std::u16string& plainText) { (void)plainText; }
    // Gives the keyboard focus to control (a handle the host knows).
    virtual void FocusOn(void* control) { (void)control; }
};

}  // namespace zo
