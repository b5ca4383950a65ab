#include "app/GlyphStatusControl.h"

#include "platform/win32/Accessible.h"

namespace zo {

TGlyphStatus::TGlyphStatus(HWND parent, int id, int left, int top, int height, const std::u16string& caption,
                           const win::TImageList& images, HFONT font, COLORREF fontColor,
                           const TGlyphStatusSettings& settings)
    : FCaption(caption), FFontColor(fontColor), FImages(images), FFont(font), FSettings(settings) {
    std::wstring text = win::W(caption);
    FHandle = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, left, top, Width(), height,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void TGlyphStatus::Rescale(int left, int top, int height, HFONT font, const TGlyphStatusSettings& settings) {
    FFont = font;
    FSettings = settings;
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(FHandle, nullptr, left, top, Width(), height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TGlyphStatus::SetCaption(const std::u16string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    std::wstring text = win::W(caption);
    SetWindowTextW(FHandle, text.c_str());
    win::AnnounceNameChange(FHandle);  // a screen reader speaks the new state
    InvalidateRect(FHandle, nullptr, TRUE);
    UpdateWidth();
}

void TGlyphStatus::SetImageIndex(int index) {
    if (index == FImageIndex) return;
    FImageIndex = index;
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TGlyphStatus::SetFontColor(COLORREF color) {
    if (color == FFontColor) return;
    FFontColor = color;
    UpdateWidth();
    InvalidateRect(FHandle, nullptr, TRUE);
}

COLORREF TGlyphStatus::CaptionColor() const {
    const bool enabled = IsWindowEnabled(FHandle);
    if (const TStyle* s = win::ActiveStyle()) return enabled ? s->StatusText : s->StatusTextDisabled;
    return enabled ? FFontColor : GetSysColor(COLOR_GRAYTEXT);
}

int TGlyphStatus::Width() const {
    const int textWidth =
        FCaption.empty() ? 0 : win::TextSize(FFont, win::W(FCaption), DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX).cx;
    return GlyphStatusWidth(FSettings, FCaption.empty(), textWidth);
}

void TGlyphStatus::UpdateWidth() {
    RECT wr;
    GetClientRect(FHandle, &wr);
    SetWindowPos(FHandle, nullptr, 0, 0, Width(), wr.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TGlyphStatus::Draw(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    const RECT& rc = item.rcItem;
    // Transparent: the window's background shows through.
    win::FillSolid(dc, rc, win::WindowColor(RGB(255, 255, 255)));
    win::TSelect sel(dc, FFont);
    SIZE pp{};
    GetTextExtentPoint32W(dc, L"Pp", 2, &pp);
    TGlyphStatusLayout l = LayoutGlyphStatus(FSettings, rc.right - rc.left, rc.bottom - rc.top, pp.cy);
    FImages.Draw(dc, FImageIndex, l.Image.Left, l.Image.Top, l.Image.Width(), l.Image.Height());
    RECT clip{l.TextArea.Left, l.TextArea.Top, l.TextArea.Right, l.TextArea.Bottom};
    std::wstring text = win::W(FCaption);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CaptionColor());
    ExtTextOutW(dc, l.CaptionX, l.CaptionY, ETO_CLIPPED, &clip, text.c_str(), UINT(text.size()), nullptr);
}

}  // namespace zo
