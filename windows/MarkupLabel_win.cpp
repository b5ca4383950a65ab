// The markup label's window: a child window of the class "ZoMarkupLabel" that paints the label
// double-buffered, passes mouse input to it, shows its hints in a tool tip and opens clicked
// addresses through the shell.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <oleacc.h>

#include "platform/Dpi.h"
#include "platform/win32/Accessible.h"
#include "platform/win32/GdiPicture.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Gui.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WindowDpi.h"
#include "windows/MarkupLabel.h"

namespace zo {

namespace {

const wchar_t kClassName[] = L"ZoMarkupLabel";

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

bool RegisterLabelClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = LabelProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

class TWinLabelHost : public ILabelHost {
public:
    explicit TWinLabelHost(HWND hwnd) : FWnd(hwnd) {}
    ~TWinLabelHost() override {
        if (FTip) DestroyWindow(FTip);
        if (FWnd) {
            SetWindowLongPtrW(FWnd, GWLP_USERDATA, 0);  // no message reaches the label any more
            DestroyWindow(FWnd);
        }
    }
    void Invalidate() override { ::InvalidateRect(FWnd, nullptr, FALSE); }
    void InvalidateRect(const TRect& r) override {
        RECT rc{r.Left, r.Top, r.Right, r.Bottom};
        ::InvalidateRect(FWnd, &rc, FALSE);
    }
    void BoundsChanged(int left, int top, int width, int height) override {
        SetWindowPos(FWnd, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void Update() override { UpdateWindow(FWnd); }
    TPoint CursorPos() override {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(FWnd, &p);
        return {int(p.x), int(p.y)};
    }
    bool HandCursor() const override { return FHand; }
    void SetHandCursor(bool hand) override {
        FHand = hand;
        POINT p{};
        GetCursorPos(&p);
        if (WindowFromPoint(p) == FWnd) SetCursor(LoadCursorW(nullptr, hand ? IDC_HAND : IDC_ARROW));
    }
    void OpenAddress(const std::u16string& address) override {
        std::wstring a(address.begin(), address.end());
        // The shell is loaded when an address is first opened, not at start-up.
        static const auto open = win::SystemFunction<decltype(::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
        if (open) open(nullptr, L"open", a.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    void ShowHint(const std::u16string& text, TPoint at) override {
        if (!EnsureTip()) return;
        FTipText.assign(text.begin(), text.end());
        TOOLINFOW ti = ToolInfo();
        ti.lpszText = FTipText.data();
        // At the label's scale now: the window may have moved to another since the last hint.
        SendMessageW(FTip, TTM_SETMAXTIPWIDTH, 0, ScaleDpi(400, win::WindowDpi(FWnd)));
        SendMessageW(FTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
        POINT p{at.X, at.Y};
        ClientToScreen(FWnd, &p);
        SendMessageW(FTip, TTM_TRACKPOSITION, 0, MAKELPARAM(p.x, p.y));
        SendMessageW(FTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&ti));
        FTipShown = true;
    }
    void CancelHint() override {
        if (!FTip || !FTipShown) return;
        TOOLINFOW ti = ToolInfo();
        SendMessageW(FTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&ti));
        FTipShown = false;
        FTipText.clear();
    }
    const std::wstring& TipText() const { return FTipText; }
    // The window text is what screen readers read (the label answers for its name with it).
    void TextChanged(const std::u16string& plainText) override {
        SetWindowTextW(FWnd, win::W(plainText).c_str());
        win::AnnounceNameChange(FWnd);
    }
    void FocusOn(void* control) override { SetFocus(static_cast<HWND>(control)); }
    std::unique_ptr<ISurface> CreateMeasureSurface() override { return TGdiSurface::CreateMeasuring(win::WindowDpi(FWnd)); }
    // The parent's colour is the background it gives a static control (the style's window colour
    // in the program's windows); the button face when it gives none.
    TColor ParentColor() override {
        COLORREF color = GetSysColor(COLOR_BTNFACE);
        HWND parent = GetParent(FWnd);
        HDC dc = parent ? GetDC(FWnd) : nullptr;
        if (!dc) return color;
        const int saved = SaveDC(dc);
        const auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(FWnd)));
        LOGBRUSH lb{};
        if (brush == GetStockObject(DC_BRUSH)) color = GetDCBrushColor(dc);
        else if (brush && GetObjectW(brush, sizeof(lb), &lb) && lb.lbStyle == BS_SOLID) color = lb.lbColor;
        RestoreDC(dc, saved);
        ReleaseDC(FWnd, dc);
        return color;
    }

    bool Tracking = false;

private:
    TOOLINFOW ToolInfo() {
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.hwnd = FWnd;
        ti.uId = 1;
        return ti;
    }
    bool EnsureTip() {
        if (FTip) return true;
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        FTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0,
                               0, 0, 0, FWnd, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!FTip) return false;
        TOOLINFOW ti = ToolInfo();
        ti.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        ti.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(FTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        return true;
    }

    HWND FWnd;
    HWND FTip = nullptr;
    bool FHand = false;
    bool FTipShown = false;
    std::wstring FTipText;
};

// Paints the parent's background under the label into dc (whose origin is the label's corner).
void PaintParentBackground(HWND hwnd, HDC dc) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    POINT origin{0, 0};
    MapWindowPoints(hwnd, parent, &origin, 1);
    POINT old{};
    SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
    SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void PaintLabel(HWND hwnd, TMarkupLabel& label) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int w = rc.right, h = rc.bottom;
    if (w > 0 && h > 0) {
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
        if (mem && bmp) {
            HGDIOBJ oldBmp = SelectObject(mem, bmp);
            if (label.Transparent()) PaintParentBackground(hwnd, mem);
            {
                TGdiSurface surface(mem, win::WindowDpi(hwnd));
                label.Paint(surface);
            }
            BitBlt(dc, 0, 0, w, h, mem, 0, 0, SRCCOPY);
            SelectObject(mem, oldBmp);
        }
        if (bmp) DeleteObject(bmp);
        if (mem) DeleteDC(mem);
    }
    EndPaint(hwnd, &ps);
}

void UpdateHint(TMarkupLabel& label, TWinLabelHost& host, int x, int y) {
    const std::u16string text = label.HintText();
    if (text.empty()) {
        host.CancelHint();
        return;
    }
    const int offset = ScaleDpi(10, win::WindowDpi(static_cast<HWND>(label.Handle())));  // beside the pointer
    if (std::wstring(text.begin(), text.end()) != host.TipText()) host.ShowHint(text, {x + offset, y - offset});
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    auto* label = reinterpret_cast<TMarkupLabel*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    auto* host = label ? static_cast<TWinLabelHost*>(label->Host()) : nullptr;
    if (!label || !host) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintLabel(hwnd, *label);
        return 0;
    case WM_PRINTCLIENT: {
        TGdiSurface surface(reinterpret_cast<HDC>(wp), win::WindowDpi(hwnd));
        label->Paint(surface);
        return 0;
    }
    case WM_MOUSEMOVE: {
        const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
        if (!host->Tracking) {
            TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd, 0};
            host->Tracking = TrackMouseEvent(&tme) != FALSE;
            label->MouseEnter();
        }
        label->MouseMove(x, y);
        UpdateHint(*label, *host, x, y);
        return 0;
    }
    case WM_MOUSELEAVE:
        host->Tracking = false;
        host->CancelHint();
        label->MouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
        label->MouseDown(mbLeft, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_RBUTTONDOWN:
        label->MouseDown(mbRight, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case WM_MBUTTONDOWN:
        label->MouseDown(mbMiddle, GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return 0;
    case win::WM_ZO_DIALOGCHAR:
        return label->DialogChar(char16_t(wp)) ? TRUE : FALSE;
    case WM_SETCURSOR:
        if (LOWORD(lp) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, host->HandCursor() ? IDC_HAND : IDC_ARROW));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool TMarkupLabel::CreateWnd(void* parent, const TRect& bounds) {
    if (FHandle || !RegisterLabelClass()) return false;
    FHost.reset();
    SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    HWND hwnd = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds.Left, bounds.Top,
                                bounds.Width(), bounds.Height(), static_cast<HWND>(parent), nullptr,
                                GetModuleHandleW(nullptr), this);
    if (!hwnd) return false;
    FHandle = hwnd;
    FHost = std::make_unique<TWinLabelHost>(hwnd);
    if (!FLoader) {
        static TGdiPictureLoader loader;
        FLoader = &loader;
    }
    win::SetAccessibleRole(hwnd, ROLE_SYSTEM_STATICTEXT);
    TextChanged();
    return true;
}

}  // namespace zo
