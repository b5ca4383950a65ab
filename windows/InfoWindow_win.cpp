#include "windows/InfoWindow.h"

#include "platform/Failure.h"
#include "platform/win32/WindowDpi.h"

namespace zo {

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
}  // namespace

void TInfoWindow::CreateInfoWindow(const wchar_t* className, const std::u16string& caption, int clientWidth,
                                   int clientHeight, HWND owner) {
    FOwner = owner;
    FClientWidth = clientWidth;
    FClientHeight = clientHeight;
    // Made at its size and place for its owner's scale, where it comes up over the owner; sized
    // and placed again only when it comes up at another scale, before it is shown.
    const int ownerDpi = win::WindowDpi(owner);
    SIZE outer = OuterSize(ownerDpi);
    POINT at = win::CenteredOver(outer, owner);
    CreateWindowObject(className, caption, kStyle, kExStyle, at.x, at.y, outer.cx, outer.cy, owner, nullptr);
    if (!Handle()) throw EOSError(u"The window could not be created", GetLastError());
    if (Dpi() != ownerDpi) {
        outer = OuterSize(Dpi());
        at = win::CenteredOver(outer, owner);
        SetWindowPos(Handle(), nullptr, at.x, at.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ScaleResources(Dpi());
}

SIZE TInfoWindow::OuterSize(int dpi) const {
    return win::WindowSizeForClient(kStyle, kExStyle, ScaleDpi(FClientWidth, dpi), ScaleDpi(FClientHeight, dpi), dpi);
}

HWND TInfoWindow::AddControl(const wchar_t* className, std::u16string_view text, DWORD style, int id, int x, int y,
                             int w, int h, win::TFont* font) {
    TPlaced& c = FPlaced.emplace_back(TPlaced{nullptr, TRect{x, y, x + w, y + h}, font});
    // Made in its place and font: it moves only when the scale changes.
    const TRect r = ScaleDpi(c.Bounds, Dpi());
    c.Handle = win::CreateControl(Handle(), className, text, style, id, r.Left, r.Top, r.Width(), r.Height(),
                                  font ? font->get() : nullptr);
    return c.Handle;
}

void TInfoWindow::Place(const TPlaced& c, int dpi) const {
    const TRect r = ScaleDpi(c.Bounds, dpi);
    if (c.Font) SendMessageW(c.Handle, WM_SETFONT, reinterpret_cast<WPARAM>(c.Font->get()), FALSE);
    MoveWindow(c.Handle, r.Left, r.Top, r.Width(), r.Height(), FALSE);
}

void TInfoWindow::DpiChanged(int dpi, const RECT& suggested) {
    // The old fonts live until the controls hold the new ones.
    win::TRetiredFonts oldFonts;
    for (const TPlaced& c : FPlaced)
        if (c.Font) oldFonts.Take(*c.Font);
    ScaleResources(dpi);
    for (const TPlaced& c : FPlaced) Place(c, dpi);
    // Where the platform suggests, at exactly the client size of this scale (its suggestion is
    // the old size scaled, which may be a pixel off).
    const SIZE outer = OuterSize(dpi);
    TWindow::DpiChanged(dpi, RECT{suggested.left, suggested.top, suggested.left + outer.cx, suggested.top + outer.cy});
    RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void TInfoWindow::ShowModal() { win::RunModal(Handle(), FOwner); }

void TInfoWindow::Close() {
    if (Handle()) SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TInfoWindow::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_BUTTON) win::DrawPushButton(item, kButtonFace);
}

LRESULT TInfoWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            // The dialog keys arrive as IDOK (Enter) and IDCANCEL (Escape): neither is a button here.
            if (HIWORD(wp) == BN_CLICKED && lp != 0 && LOWORD(wp) != IDOK && LOWORD(wp) != IDCANCEL)
                ButtonClicked(LOWORD(wp));
            return 0;
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return win::ControlColors(reinterpret_cast<HDC>(wp), win::WindowTextColor(GetSysColor(COLOR_WINDOWTEXT)),
                                      win::WindowColor(kWindowColor));
        case WM_ERASEBKGND:
            win::EraseClient(Handle(), reinterpret_cast<HDC>(wp), kWindowColor);
            return 1;
        case WM_CLOSE:
            win::EndModal(Handle());
            return 0;
    }
    return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace zo
