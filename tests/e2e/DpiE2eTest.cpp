// The panel at 100 %, 150 % and 200 % display scale: the main, About and Help windows take their
// design sizes times the scale, and no text is cut.
#include <gtest/gtest.h>

#include "PanelDriver.h"
#include "platform/Dpi.h"
#include "platform/win32/GdiSurface.h"
#include "windows/FormHelp.h"
#include "windows/MarkupEngine.h"

using namespace e2e;

namespace {

// Sets the display scale that programs started from now on run at, and puts 96 back at the end.
class DisplayScale {
public:
    explicit DisplayScale(int dpi) { Set(dpi); }
    ~DisplayScale() { Set(zo::kDesignDpi); }

private:
    static void Set(int dpi) {
        const DWORD value = DWORD(dpi);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &value, sizeof value);
    }
};

void ExpectClientSize(HWND window, int width, int height, int dpi) {
    RECT r;
    GetClientRect(window, &r);
    const std::wstring caption = TextOf(window);
    SCOPED_TRACE(std::string(caption.begin(), caption.end()));
    EXPECT_NEAR(r.right, zo::ScaleDpi(width, dpi), 1);
    EXPECT_NEAR(r.bottom, zo::ScaleDpi(height, dpi), 1);
}

// A control's design font: "Segoe UI" at a character height in pixels at 96 dpi. Another
// process's font handle cannot be read, so the test makes the same font at the same scale.
struct TDesignFont {
    int Height = 12;
    bool Bold = false;
    bool Drawn = true;  // false for a picture, whose text is only its name for screen readers
};
using TFontOf = TDesignFont (*)(const std::wstring& text);

SIZE TextExtent(const std::wstring& text, TDesignFont design, int dpi) {
    HFONT font = CreateFontW(-zo::ScaleDpi(design.Height, dpi), 0, 0, 0, design.Bold ? FW_BOLD : FW_NORMAL, 0, 0, 0,
                             ANSI_CHARSET, 0, 0, 0, 0, L"Segoe UI");
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return size;
}

// Every button, label and check box with a text shows all of it: its text in its font fits its
// client rectangle (a check box's after the glyph and the gap before the caption).
void ExpectNoTextClipped(HWND window, int dpi, TFontOf fontOf) {
    for (HWND h : Children(window)) {
        const std::wstring text = TextOf(h);
        if (text.empty() || (ClassOf(h) != L"Button" && ClassOf(h) != L"Static")) continue;
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        if (!fontOf(text).Drawn) continue;
        const SIZE extent = TextExtent(text, fontOf(text), dpi);
        const bool checkBox = ClassOf(h) == L"Button" && (GetWindowLongW(h, GWL_STYLE) & BS_TYPEMASK) == BS_CHECKBOX;
        RECT r;
        GetClientRect(h, &r);
        EXPECT_LE(extent.cx + (checkBox ? zo::ScaleDpi(13, dpi) + zo::ScaleDpi(4, dpi) : 0), r.right);
        EXPECT_LE(extent.cy, r.bottom);
    }
}

TDesignFont MainFont(const std::wstring& text) {
    if (text == L"Zudazuv Orerozo Vuzuvaz") return {12, false, false};  // the picture of the gears
    const bool small = text == L"Service Status:" || text.starts_with(L"Service is") || text == kChecking ||
                       text.starts_with(L"Copyright");
    return {small ? 11 : 12, false};
}
TDesignFont AboutFont(const std::wstring& text) {
    if (text == L"Zudazuv Orerozo Vuzuvaz") return {28, true};
    if (text.starts_with(L"Version")) return {11, true};
    return {12, false};
}
TDesignFont HelpFont(const std::wstring& text) { return {12, false, text != L"Help"}; }  // "Help": the icon

// Columns of the status pane, left to right, that hold anything but the background: the image
// must be a run of its scaled width, then at least one empty column, then the caption.
void ExpectStatusImageBeforeCaption(HWND main, HWND pane, int dpi) {
    RECT r = ChildRect(main, pane);
    HDC dc = GetDC(main);
    const COLORREF background = GetPixel(dc, r.left, r.top);
    std::vector<bool> used;
    for (int x = r.left; x < r.right; ++x) {
        bool any = false;
        for (int y = r.top; y < r.bottom && !any; ++y) any = GetPixel(dc, x, y) != background;
        used.push_back(any);
    }
    ReleaseDC(main, dc);
    size_t first = 0;
    while (first < used.size() && !used[first]) ++first;
    size_t end = first;
    while (end < used.size() && used[end]) ++end;
    EXPECT_NEAR(int(end - first), zo::ScaleDpi(16, dpi), 1) << "the image is not shown at its scaled size";
    size_t caption = end;
    while (caption < used.size() && !used[caption]) ++caption;
    EXPECT_GT(caption, end) << "image and caption touch";
    EXPECT_LT(caption, used.size()) << "no caption after the image";
}

class DpiE2e : public ::testing::TestWithParam<int> {};

TEST_P(DpiE2e, WindowsTakeTheirDesignSizesTimesTheScaleWithNoTextCut) {
    const int dpi = GetParam();
    DisplayScale scale(dpi);
    TPanel panel;
    ASSERT_TRUE(panel.WaitForMainWindow());
    const HWND main = panel.Main();
    ExpectClientSize(main, 485, 244, dpi);
    ExpectNoTextClipped(main, dpi, MainFont);
    HWND pane = ChildAt(main, zo::ScaleDpi(106, dpi), zo::ScaleDpi(190, dpi));
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(WaitFor([&] { return TextOf(pane) != kChecking; }, 8000));  // the first poll's caption
    Sleep(300);
    ExpectStatusImageBeforeCaption(main, pane, dpi);

    Click(panel.Control(L"About"));
    HWND about = WaitForTopWindow(L"About Quillora 5 Zudazuv Orerozo Vuzuvaz", panel.Process().Id(), 10000);
    ASSERT_NE(about, nullptr);
    ExpectClientSize(about, 368, 157, dpi);
    ExpectNoTextClipped(about, dpi, AboutFont);
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }, 5000));

    Click(panel.Control(L"Help"));
    HWND help = WaitForTopWindow(L"Help", panel.Process().Id(), 10000);
    ASSERT_NE(help, nullptr);
    ExpectClientSize(help, 467, 228, dpi);
    ExpectNoTextClipped(help, dpi, HelpFont);
    // The label holds every line of the help text (at least the height the text takes in the
    // scaled font and width) and lies inside the window, above the Close button.
    auto measuring = zo::TGdiSurface::CreateMeasuring();
    ASSERT_TRUE(measuring);
    measuring->SetFont(zo::TFont{u"Segoe UI", -zo::ScaleDpi(11, dpi), zo::clWhite, 0, 0, 0});
    zo::THtmlDrawOutput out;
    zo::DrawHtmlText(*measuring, zo::kHelpText, {0, 0, zo::ScaleDpi(401, dpi), 65535}, zo::THtmlDrawInput{}, out);
    HWND label = nullptr;
    for (HWND h : Children(help))
        if (ClassOf(h) == L"ZoMarkupLabel") label = h;
    ASSERT_NE(label, nullptr);
    HWND close = ChildByText(help, L"Close");
    ASSERT_NE(close, nullptr);
    Sleep(300);
    RECT client, r = ChildRect(help, label);
    GetClientRect(help, &client);
    EXPECT_GE(r.bottom - r.top, out.YSize);
    EXPECT_GE(r.top, 0);
    EXPECT_LE(r.bottom, ChildRect(help, close).top);
    EXPECT_LE(r.right, client.right);
    Click(close);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(help); }, 5000));

    Click(panel.Control(L"Exit"));
    EXPECT_EQ(panel.Process().Wait(10000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Scales, DpiE2e, ::testing::Values(96, 144, 192));

}  // namespace
