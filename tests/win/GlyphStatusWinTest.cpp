// The status pane as a real window: its width follows its caption in the real font, and the
// colour it draws its caption in comes from the style while one is applied.
#include <gtest/gtest.h>

#include "app/GlyphStatusControl.h"
#include "platform/win32/Gui.h"

using namespace zo;

namespace {

struct PaneHost {
    HWND Parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 400, 100, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    win::TFont Font = win::CreateUiFont(L"Segoe UI", 11);
    win::TImageList Images;
    ~PaneHost() { DestroyWindow(Parent); }
};

int TextWidth(HWND window, HFONT font, const wchar_t* text) {
    HDC dc = GetDC(window);
    SIZE size{};
    {
        win::TSelect sel(dc, font);
        GetTextExtentPoint32W(dc, text, lstrlenW(text), &size);
    }
    ReleaseDC(window, dc);
    return size.cx;
}

int Width(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r.right - r.left;
}

}  // namespace

TEST(GlyphStatusWin, WidthFollowsTheCaptionAndKeepsItsWindowText) {
    PaneHost host;
    TGlyphStatus pane(host.Parent, 1, 106, 190, 23, u"Checking service status...", host.Images, host.Font,
                      GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Width(pane.Handle()), TextWidth(pane.Handle(), host.Font, L"Checking service status...") + 32);
    pane.SetCaption(u"Service is installed but NOT running.");
    wchar_t text[64];
    GetWindowTextW(pane.Handle(), text, 64);
    EXPECT_STREQ(text, L"Service is installed but NOT running.");
    EXPECT_EQ(Width(pane.Handle()), TextWidth(pane.Handle(), host.Font, text) + 32);
    pane.SetCaption(u"");
    EXPECT_EQ(Width(pane.Handle()), 58);
    RECT r;
    GetClientRect(pane.Handle(), &r);
    EXPECT_EQ(r.bottom, 23);
}

TEST(GlyphStatusWin, StyleColourWinsOverTheFontColourUntilTheStyleIsGone) {
    PaneHost host;
    TGlyphStatus pane(host.Parent, 1, 106, 190, 23, u"Service is NOT installed.", host.Images, host.Font,
                      RGB(255, 0, 0));
    win::ClearStyle();
    pane.SetFontColor(RGB(0, 128, 0));
    EXPECT_EQ(pane.CaptionColor(), RGB(0, 128, 0));
    EnableWindow(pane.Handle(), FALSE);
    EXPECT_EQ(pane.CaptionColor(), GetSysColor(COLOR_GRAYTEXT));
    EnableWindow(pane.Handle(), TRUE);

    ASSERT_TRUE(win::ApplyStyle(u"tabletdark"));  // found whatever the letter case
    const TStyle* style = win::ActiveStyle();
    ASSERT_NE(style, nullptr);
    EXPECT_EQ(pane.CaptionColor(), style->StatusText);
    pane.SetFontColor(RGB(255, 0, 0));
    EXPECT_EQ(pane.CaptionColor(), style->StatusText);
    EXPECT_EQ(pane.FontColor(), RGB(255, 0, 0));  // still stored
    EnableWindow(pane.Handle(), FALSE);
    EXPECT_EQ(pane.CaptionColor(), style->StatusTextDisabled);

    win::ClearStyle();
    EnableWindow(pane.Handle(), TRUE);
    EXPECT_EQ(pane.CaptionColor(), RGB(255, 0, 0));
    EXPECT_FALSE(win::ApplyStyle(u"NoSuchStyle"));
}
