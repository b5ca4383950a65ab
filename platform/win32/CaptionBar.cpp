#include "platform/win32/CaptionBar.h"

#include <commctrl.h>
#include <windowsx.h>

#include <string>

#include "platform/CaptionLayout.h"
#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Subclass.h"
#include "platform/win32/Gui.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {

constexpr UINT_PTR kSubclassId = 0x43415054;
// Undocumented messages with which the themed default procedure draws the caption and frame
// outside WM_NCPAINT; answered here so that nothing paints over ours.
constexpr UINT kNcUahDrawCaption = 0x00AE, kNcUahDrawFrame = 0x00AF;
#ifndef WM_DWMCOMPOSITIONCHANGED
constexpr UINT WM_DWMCOMPOSITIONCHANGED = 0x031E;
#endif

// ---- The desktop compositor -------------------------------------------------------------------

// The compositor's entry points, looked up when the first styled window needs them. The library
// is loaded from the system folder by its full path: the panel runs as administrator from a
// folder that ordinary users may be able to write to.
struct TDwm {
    using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    using IsCompositionEnabledFn = HRESULT(WINAPI*)(BOOL*);
    SetAttributeFn SetAttribute = nullptr;
    IsCompositionEnabledFn IsCompositionEnabled = nullptr;
};

const TDwm& Dwm() {
    static const TDwm dwm{SystemFunction<HRESULT WINAPI(HWND, DWORD, LPCVOID, DWORD)>(L"dwmapi.dll", "DwmSetWindowAttribute"),
                          SystemFunction<HRESULT WINAPI(BOOL*)>(L"dwmapi.dll", "DwmIsCompositionEnabled")};
    return dwm;
}

enum : DWORD {
    kDwmNcRenderingPolicy = 2,
    kDwmNcRenderingDisabled = 1,
    kDwmDarkModeOld = 19,
    kDwmDarkMode = 20,
    kDwmBorderColor = 34,
    kDwmCaptionColor = 35,
    kDwmTextColor = 36,
};

// Sets the compositor's caption colours for the active or inactive window; false where it has
// no such attributes.
bool SetCompositorColors(HWND window, const TStyle& style, bool active) {
    const TDwm& dwm = Dwm();
    if (!dwm.SetAttribute) return false;
    const TCaptionColors c = CaptionColors(style, active);
    const COLORREF caption = c.Background, text = c.Text, border = c.Frame;
    if (FAILED(dwm.SetAttribute(window, kDwmCaptionColor, &caption, sizeof caption)) ||
        FAILED(dwm.SetAttribute(window, kDwmTextColor, &text, sizeof text)))
        return false;
    dwm.SetAttribute(window, kDwmBorderColor, &border, sizeof border);
    return true;
}

// Who draws the caption: the compositor where it draws the frame and takes our colours; where it
// draws the frame in its own colours, its frame is turned off and we draw; elsewhere we draw.
bool CompositorDrawsCaption(HWND window, const TStyle& style) {
    const TDwm& dwm = Dwm();
    BOOL composed = FALSE;
    if (!dwm.SetAttribute || !dwm.IsCompositionEnabled || FAILED(dwm.IsCompositionEnabled(&composed)) || !composed)
        return false;
    const BOOL dark = TRUE;  // light glyphs on whatever the compositor still draws
    if (FAILED(dwm.SetAttribute(window, kDwmDarkMode, &dark, sizeof dark)))
        dwm.SetAttribute(window, kDwmDarkModeOld, &dark, sizeof dark);
    if (SetCompositorColors(window, style, GetActiveWindow() == window)) return true;
    const DWORD policy = kDwmNcRenderingDisabled;
    dwm.SetAttribute(window, kDwmNcRenderingPolicy, &policy, sizeof policy);
    return false;
}

// ---- Geometry and painting --------------------------------------------------------------------

struct TCaptionState {
    bool Active = false;
    bool ByCompositor = false;
    bool LeaveTracked = false;  // a WM_NCMOUSELEAVE is on order
    TCaptionMouse Mouse;
    // The title's font at the resolution it was made for (made again when that changes).
    TFont Font;
    int FontDpi = 0;
};

// Where a window and its parts lie: read once for each paint or hit test.
struct TGeometry {
    RECT Outer{};   // the window on the screen
    RECT Client{};  // the client area in window coordinates: its left and top are the frame's offset
    bool Bar = false;  // the window has a caption bar to draw; Frame describes it then
    TCaptionFrame Frame;
};

TGeometry FrameOf(HWND window) {
    TGeometry g;
    GetWindowRect(window, &g.Outer);
    GetClientRect(window, &g.Client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&g.Client), 2);
    OffsetRect(&g.Client, -g.Outer.left, -g.Outer.top);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE), ex = GetWindowLongPtrW(window, GWL_EXSTYLE);
    g.Bar = (style & WS_CAPTION) == WS_CAPTION && !IsIconic(window);
    if (!g.Bar) return g;
    TCaptionFrame& frame = g.Frame;
    frame.Width = g.Outer.right - g.Outer.left;
    frame.Border = g.Client.left;
    frame.ClientTop = g.Client.top;
    frame.Dpi = WindowDpi(window);
    frame.IconSize = SystemMetricAt(SM_CXSMICON, frame.Dpi);
    frame.Tool = ex & WS_EX_TOOLWINDOW;
    frame.Close = style & WS_SYSMENU;
    frame.Minimise = (style & WS_SYSMENU) && (style & WS_MINIMIZEBOX) && !frame.Tool;
    frame.Icon = (style & WS_SYSMENU) && !frame.Tool && !(ex & WS_EX_DLGMODALFRAME);
    return g;
}

// The platform's caption font (a tool window's smaller one) at the window's resolution.
HFONT CaptionFont(TCaptionState& state, const TCaptionFrame& frame) {
    if (!state.Font || state.FontDpi != frame.Dpi) {
        const NONCLIENTMETRICSW ncm = NonClientMetricsAt(frame.Dpi);
        state.Font = TFont(CreateFontIndirectW(frame.Tool ? &ncm.lfSmCaptionFont : &ncm.lfCaptionFont));
        state.FontDpi = frame.Dpi;
    }
    return state.Font;
}

HICON SmallIcon(HWND window) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
    if (!icon) icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    if (!icon) icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
    return icon;
}

// A cross for the close button, a bar for the minimise button, centred in r, in strokes of the
// given width.
void DrawGlyph(HDC dc, const RECT& r, TCaptionPart button, COLORREF color, int stroke) {
    const int size = std::max(6, int(r.bottom - r.top) * 2 / 5) & ~1;
    const int x = (r.left + r.right - size) / 2, y = (r.top + r.bottom - size) / 2;
    if (button == TCaptionPart::cpMinimise) {
        FillSolid(dc, RECT{x, y + size / 2, x + size + 1, y + size / 2 + stroke}, color);
        return;
    }
    TPen pen(CreatePen(PS_SOLID, stroke, color));
    TSelect sel(dc, pen);
    // A line leaves out its last pixel: each runs one further.
    MoveToEx(dc, x, y, nullptr);
    LineTo(dc, x + size + 1, y + size + 1);
    MoveToEx(dc, x + size, y, nullptr);
    LineTo(dc, x - 1, y + size + 1);
}

void DrawButtons(HDC dc, const TCaptionLayout& l, const TCaptionState& state, const TStyle& style, int dpi) {
    for (TCaptionPart button : {TCaptionPart::cpMinimise, TCaptionPart::cpClose}) {
        const TRect& r = button == TCaptionPart::cpClose ? l.Close : l.Minimise;
        if (r.Empty()) continue;
        const TCaptionButtonLook look = CaptionButtonLook(style, button, state.Active, state.Mouse);
        FillSolid(dc, ToRect(r), look.Face);
        DrawGlyph(dc, ToRect(r), button, look.Glyph, ScaleDpi(1, dpi));
    }
}

void DrawBar(HWND window, HDC dc, const TCaptionLayout& l, TCaptionState& state, const TStyle& style,
             const TCaptionFrame& frame) {
    const TCaptionColors colors = CaptionColors(style, state.Active);
    FillSolid(dc, ToRect(l.Bar), colors.Background);
    if (!l.IconPicture.Empty()) {
        if (HICON icon = SmallIcon(window)) {
            const TRect& r = l.IconPicture;
            DrawIconEx(dc, r.Left, r.Top, icon, r.Right - r.Left, r.Bottom - r.Top, 0, nullptr, DI_NORMAL);
        }
    }
    std::wstring title = W(WindowText(window));
    RECT text = ToRect(l.Title);
    TSelect font(dc, CaptionFont(state, frame));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colors.Text);
    DrawTextW(dc, title.c_str(), int(title.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    DrawButtons(dc, l, state, style, frame.Dpi);
}

// What a repaint covers: the whole frame, or only the caption's buttons (the mouse over them).
enum class TRepaint { rpFrame, rpButtons };

// Paints the border and the caption bar into dc, whose origin is the window's top left corner.
// The bar is drawn off screen and copied in one piece, so that it never shows half drawn.
void PaintFrame(HWND window, HDC dc, const TGeometry& g, TCaptionState& state, const TStyle& style,
                TRepaint what = TRepaint::rpFrame) {
    if (!g.Bar) return;
    const TCaptionFrame& frame = g.Frame;
    const RECT& client = g.Client;
    const SIZE size{g.Outer.right - g.Outer.left, g.Outer.bottom - g.Outer.top};
    const TCaptionLayout l = LayoutCaption(frame);
    if (l.Bar.Empty()) return;
    TRect area = l.Bar;
    if (what == TRepaint::rpButtons) {
        area.Left = !l.Minimise.Empty() ? l.Minimise.Left : l.Close.Left;
        if (l.Close.Empty() && l.Minimise.Empty()) return;
    } else {
        const COLORREF border = CaptionColors(style, state.Active).Frame;
        FillSolid(dc, RECT{0, 0, size.cx, l.Bar.Top}, border);
        FillSolid(dc, RECT{0, l.Bar.Top, client.left, size.cy}, border);
        FillSolid(dc, RECT{client.right, l.Bar.Top, size.cx, size.cy}, border);
        FillSolid(dc, RECT{client.left, client.bottom, client.right, size.cy}, border);
    }
    const int w = area.Right - area.Left, h = area.Bottom - area.Top;
    HDC mem = CreateCompatibleDC(dc);
    TBitmap bitmap(mem ? CreateCompatibleBitmap(dc, w, h) : nullptr);
    auto draw = [&](HDC target) {
        if (what == TRepaint::rpButtons)
            DrawButtons(target, l, state, style, frame.Dpi);
        else
            DrawBar(window, target, l, state, style, frame);
    };
    if (mem && bitmap) {
        TSelect sel(mem, bitmap);
        SetViewportOrgEx(mem, -area.Left, -area.Top, nullptr);
        draw(mem);
        BitBlt(dc, area.Left, area.Top, w, h, mem, area.Left, area.Top, SRCCOPY);
    } else {
        draw(dc);
    }
    if (mem) DeleteDC(mem);
}

void PaintNow(HWND window, TCaptionState& state, const TStyle& style, TRepaint what = TRepaint::rpFrame) {
    if (!IsWindowVisible(window)) return;
    HDC dc = GetWindowDC(window);
    if (!dc) return;
    PaintFrame(window, dc, FrameOf(window), state, style, what);
    ReleaseDC(window, dc);
}

// Runs the default handling of a message that would repaint the platform's caption (a new title
// or icon) with the window marked hidden meanwhile, so that it changes its state but paints
// nothing; the window is not hidden, moved or repainted by this.
LRESULT DefaultWithoutPainting(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    if (style & WS_VISIBLE) SetWindowLongPtrW(window, GWL_STYLE, style & ~WS_VISIBLE);
    LRESULT result = DefSubclass(window, msg, wp, lp);
    if (style & WS_VISIBLE) SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_VISIBLE);
    return result;
}

TCaptionPart ButtonOfHit(WPARAM hit) {
    return hit == HTCLOSE ? TCaptionPart::cpClose : hit == HTMINBUTTON ? TCaptionPart::cpMinimise : TCaptionPart::cpNone;
}

// The caption part under a point given in screen coordinates.
TCaptionPart PartAtScreen(HWND window, POINT p) {
    const TGeometry g = FrameOf(window);
    if (!g.Bar) return TCaptionPart::cpNone;
    return CaptionPartAt(LayoutCaption(g.Frame), p.x - g.Outer.left, p.y - g.Outer.top);
}

void SetMouse(HWND window, TCaptionState& state, const TStyle& style, TCaptionMouse mouse) {
    if (mouse.Hot == state.Mouse.Hot && mouse.Pressed == state.Mouse.Pressed) return;
    state.Mouse = mouse;
    PaintNow(window, state, style, TRepaint::rpButtons);
}

LRESULT HitTest(HWND window, WPARAM wp, LPARAM lp) {
    const LRESULT hit = DefSubclass(window, WM_NCHITTEST, wp, lp);
    switch (hit) {
        case HTCAPTION: case HTSYSMENU: case HTCLOSE: case HTMINBUTTON: case HTMAXBUTTON: case HTHELP:
            break;
        default:
            return hit;
    }
    // Our buttons need not lie where the platform's would: what is drawn is what is hit.
    switch (PartAtScreen(window, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) {
        case TCaptionPart::cpClose: return HTCLOSE;
        case TCaptionPart::cpMinimise: return HTMINBUTTON;
        case TCaptionPart::cpIcon: return HTSYSMENU;
        case TCaptionPart::cpCaption: return HTCAPTION;
        case TCaptionPart::cpNone: break;
    }
    return hit;
}

// The left button released while it is held for one of our buttons (the window has the capture):
// the button's command runs when it is released over it.
LRESULT ReleaseButton(HWND window, TCaptionState& state, const TStyle& style, LPARAM lp) {
    POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(window, &p);
    const TCaptionPart pressed = state.Mouse.Pressed;
    const TCaptionPart over = PartAtScreen(window, p);
    state.Mouse.Pressed = TCaptionPart::cpNone;  // first, so that losing the capture changes nothing
    state.LeaveTracked = false;
    ReleaseCapture();
    SetMouse(window, state, style, TCaptionMouse{});
    // The command may destroy the window and this state with it: nothing is touched after it.
    if (over == pressed)
        SendMessageW(window, WM_SYSCOMMAND, pressed == TCaptionPart::cpClose ? SC_CLOSE : SC_MINIMIZE, MAKELPARAM(p.x, p.y));
    return 0;
}

LRESULT CALLBACK CaptionProc(HWND window, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR ref) {
    auto* state = reinterpret_cast<TCaptionState*>(ref);
    if (msg == WM_NCDESTROY) {
        RemoveSubclass(window, CaptionProc, id);
        delete state;
        return DefSubclass(window, msg, wp, lp);
    }
    const TStyle* style = ActiveStyle();
    if (!style) return DefSubclass(window, msg, wp, lp);
    if (msg == WM_DWMCOMPOSITIONCHANGED) {
        state->ByCompositor = CompositorDrawsCaption(window, *style);
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    }
    if (state->ByCompositor) {
        if (msg == WM_NCACTIVATE) SetCompositorColors(window, *style, wp != FALSE);
        return DefSubclass(window, msg, wp, lp);
    }
    switch (msg) {
        case WM_NCPAINT:
            PaintNow(window, *state, *style);
            return 0;
        case WM_NCACTIVATE: {
            state->Active = wp != FALSE;
            // -1: the platform records the new state without repainting its caption.
            LRESULT result = DefSubclass(window, msg, wp, -1);
            PaintNow(window, *state, *style);
            return result;
        }
        case WM_SETTEXT:
        case WM_SETICON: {
            LRESULT result = DefaultWithoutPainting(window, msg, wp, lp);
            PaintNow(window, *state, *style);
            return result;
        }
        case kNcUahDrawCaption:
        case kNcUahDrawFrame:
            return 0;
        case WM_PRINT:
            if ((lp & PRF_NONCLIENT) && (!(lp & PRF_CHECKVISIBLE) || IsWindowVisible(window))) {
                HDC dc = reinterpret_cast<HDC>(wp);
                const TGeometry g = FrameOf(window);
                PaintFrame(window, dc, g, *state, *style);
                // The rest is drawn with the client area's origin where it lies in the window.
                POINT old;
                OffsetViewportOrgEx(dc, g.Client.left, g.Client.top, &old);
                LRESULT result = DefSubclass(window, msg, wp, lp & ~PRF_NONCLIENT);
                SetViewportOrgEx(dc, old.x, old.y, nullptr);
                return result;
            }
            break;
        case WM_NCHITTEST:
            return HitTest(window, wp, lp);
        case WM_NCMOUSEMOVE: {
            const TCaptionPart part = ButtonOfHit(wp);
            if (part != TCaptionPart::cpNone && !state->LeaveTracked) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE | TME_NONCLIENT, window, 0};
                state->LeaveTracked = TrackMouseEvent(&tme) != FALSE;
            }
            SetMouse(window, *state, *style, TCaptionMouse{part, state->Mouse.Pressed});
            if (part != TCaptionPart::cpNone) return 0;  // the platform would draw its own hot button
            break;
        }
        case WM_NCMOUSELEAVE:
            state->LeaveTracked = false;
            if (state->Mouse.Pressed == TCaptionPart::cpNone) SetMouse(window, *state, *style, TCaptionMouse{});
            break;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
            if (TCaptionPart part = ButtonOfHit(wp); part != TCaptionPart::cpNone) {
                SetCapture(window);
                SetMouse(window, *state, *style, TCaptionMouse{part, part});
                return 0;
            }
            if (msg == WM_NCLBUTTONDOWN && wp == HTSYSMENU) {
                // The window menu, as the platform opens it, without its drawing of a pressed icon.
                SendMessageW(window, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, lp);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (state->Mouse.Pressed != TCaptionPart::cpNone) {
                POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
                ClientToScreen(window, &p);
                const TCaptionPart pressed = state->Mouse.Pressed;
                SetMouse(window, *state, *style,
                         TCaptionMouse{PartAtScreen(window, p) == pressed ? pressed : TCaptionPart::cpNone, pressed});
                return 0;
            }
            break;
        case WM_LBUTTONUP:
            if (state->Mouse.Pressed != TCaptionPart::cpNone) return ReleaseButton(window, *state, *style, lp);
            break;
        case WM_CAPTURECHANGED:
            if (state->Mouse.Pressed != TCaptionPart::cpNone) SetMouse(window, *state, *style, TCaptionMouse{});
            break;
    }
    return DefSubclass(window, msg, wp, lp);
}

}  // namespace

void ApplyCaptionBar(HWND window) {
    const TStyle* style = ActiveStyle();
    if (!style || !window) return;
    if (FindSubclass(window, CaptionProc, kSubclassId, nullptr)) return;
    auto* state = new TCaptionState;
    state->Active = GetActiveWindow() == window;
    state->ByCompositor = CompositorDrawsCaption(window, *style);
    if (!SetSubclass(window, CaptionProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
        delete state;
        return;
    }
    // A window already on screen shows the new caption at once.
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

}  // namespace zo::win
