#include "platform/win32/CheckBox.h"

#include <algorithm>

#include "platform/win32/Gui.h"
#include "platform/win32/Subclass.h"

namespace zo::win {

namespace {
// Design sizes at 96 dpi: the check glyph's size under the plain look, kept in the style, and the
// gap between glyph and caption.
constexpr int kGlyph = 13;
constexpr int kGap = 4;
}  // namespace

int TCheckBox::Width(const std::wstring& caption, HFONT font, int dpi) {
    // Room for the focus rectangle's right edge after the caption.
    return ScaleDpi(kGlyph, dpi) + ScaleDpi(kGap, dpi) + TextSize(font, caption).cx + ScaleDpi(2, dpi);
}

void TCheckBox::Create(HWND parent, int id, const std::u16string& caption, int x, int y, int h, HFONT font,
                       COLORREF ownBackground, int dpi) {
    FBackground = ownBackground;
    FFont = font;
    FDpi = dpi;
    std::wstring text = W(caption);
    // BS_CHECKBOX, not the automatic kind: the state changes only through SetChecked.
    FHandle = CreateWindowExW(0, L"BUTTON", text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX, x, y,
                              Width(text, font, dpi), h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
    SetSubclass(FHandle, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void TCheckBox::Rescale(int x, int y, int h, HFONT font, int dpi) {
    FFont = font;
    FDpi = dpi;
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(FHandle, nullptr, x, y, Width(W(WindowText(FHandle)), font, dpi), h, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TCheckBox::SetChecked(bool checked) {
    if (checked == FChecked) return;
    Restore(checked);
    if (OnClick) OnClick();
}

void TCheckBox::Restore(bool checked) {
    FChecked = checked;
    SendMessageW(FHandle, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    InvalidateRect(FHandle, nullptr, TRUE);
    UpdateWindow(FHandle);
}

// Escape pressed while Space holds the box down cancels the toggle. The pushed state is asked for
// only on Escape: asking on every message would make each message, the query's own included, send
// another one to this procedure.
LRESULT CALLBACK TCheckBox::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    auto* self = reinterpret_cast<TCheckBox*>(data);
    const auto pushed = [hwnd] { return (SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0; };
    switch (msg) {
        case WM_GETDLGCODE: {
            auto* m = reinterpret_cast<MSG*>(lp);
            if (m && m->message == WM_KEYDOWN && m->wParam == VK_ESCAPE && pushed())
                return DefSubclass(hwnd, msg, wp, lp) | DLGC_WANTMESSAGE;
            break;
        }
        case WM_KEYDOWN:
            if (wp == VK_ESCAPE && pushed()) {
                self->FSpaceCancelled = true;
                SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
                if (GetCapture() == hwnd) ReleaseCapture();
                return 0;
            }
            if (wp == VK_SPACE) self->FSpaceCancelled = false;
            break;
        case WM_KEYUP:
            if (wp == VK_SPACE && self->FSpaceCancelled) {
                self->FSpaceCancelled = false;
                return 0;
            }
            break;
        case WM_NCDESTROY:
            RemoveSubclass(hwnd, SubclassProc, id);
            break;
    }
    return DefSubclass(hwnd, msg, wp, lp);
}

LRESULT TCheckBox::CustomDraw(NMCUSTOMDRAW& draw) const {
    if (draw.dwDrawStage != CDDS_PREPAINT) return CDRF_DODEFAULT;
    HDC dc = draw.hdc;
    RECT rc = draw.rc;
    const TStyle* s = ActiveStyle();
    FillSolid(dc, rc, WindowColor(FBackground));
    const int glyph = ScaleDpi(kGlyph, FDpi);
    const auto at = [this](int design) { return ScaleDpi(design, FDpi); };
    RECT box{rc.left, rc.top + (rc.bottom - rc.top - glyph) / 2, 0, 0};
    box.right = box.left + glyph;
    box.bottom = box.top + glyph;
    const bool pressed = draw.uItemState & CDIS_SELECTED;
    COLORREF face = s ? s->CheckBoxFace : GetSysColor(COLOR_WINDOW);
    if (pressed) face = s ? s->ButtonFacePressed : GetSysColor(COLOR_BTNFACE);
    FillSolid(dc, box, face);
    FrameSolid(dc, box, s ? s->CheckBoxBorder : GetSysColor(COLOR_WINDOWTEXT));
    if (FChecked) {
        TPen pen(CreatePen(PS_SOLID, at(2), s ? s->CheckMark : GetSysColor(COLOR_WINDOWTEXT)));
        TSelect sel(dc, pen);
        POINT tick[3] = {{box.left + at(3), box.top + at(6)}, {box.left + at(5), box.top + at(9)},
                         {box.left + at(10), box.top + at(3)}};
        Polyline(dc, tick, 3);
    }
    std::wstring caption = W(WindowText(FHandle));
    TSelect sel(dc, FFont);
    RECT text{box.right + at(kGap), rc.top, rc.right, rc.bottom};
    RECT measure = text;
    DrawTextW(dc, caption.c_str(), int(caption.size()), &measure, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, WindowTextColor(GetSysColor(COLOR_WINDOWTEXT)));
    DrawTextW(dc, caption.c_str(), int(caption.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    if (draw.uItemState & CDIS_FOCUS) {
        const int h = measure.bottom - measure.top;
        RECT focus{text.left - 1, rc.top + (rc.bottom - rc.top - h) / 2 - 1, 0, 0};
        focus.right = std::min<LONG>(rc.right, text.left + (measure.right - measure.left) + 1);
        focus.bottom = focus.top + h + 2;
        SetTextColor(dc, WindowTextColor(GetSysColor(COLOR_WINDOWTEXT)));
        SetBkColor(dc, WindowColor(FBackground));
        DrawFocusRect(dc, &focus);
    }
    return CDRF_SKIPDEFAULT;
}

}  // namespace zo::win
