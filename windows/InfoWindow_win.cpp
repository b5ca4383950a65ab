#include "windows/InfoWindow.h"

#include "platform/Failure.h"

namespace zo {

namespace {
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW;
}  // namespace

void TInfoWindow::CreateInfoWindow(const wchar_t* className, const std::u16string& caption, int clientWidth,
                                   int clientHeight, HWND owner) {
    FOwner = owner;
    SIZE outer = win::WindowSizeForClient(kStyle, kExStyle, clientWidth, clientHeight);
    CreateWindowObject(className, caption, kStyle, kExStyle, 0, 0, outer.cx, outer.cy, owner, nullptr);
    if (!Handle()) throw EOSError(u"The window could not be created", GetLastError());
    win::CenterOver(Handle(), owner);
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
