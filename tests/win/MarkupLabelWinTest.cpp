#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <vector>

#include "WinTestMain.h"
#include "platform/Text.h"
#include "platform/win32/GdiPicture.h"
#include "platform/win32/GdiSurface.h"
#include "platform/win32/Gui.h"
#include "windows/FormHelp.h"
#include "windows/HelpText.h"
#include "windows/MarkupEngine.h"
#include "windows/MarkupLabel.h"

using namespace zo;

namespace {


const TFont kHelpFont{u"Segoe UI", -11, clWhite, 0, 0, 0};

// Records the texts drawn through a real GDI surface.
class RecordingSurface : public ISurface {
public:
    explicit RecordingSurface(ISurface& inner) : FInner(inner) {}
    struct TText {
        std::u16string Text;
        TRect Rect;
        TFont Font;
        int Width;
    };
    std::vector<TText> Texts;

    const TFont& Font() const override { return FInner.Font(); }
    void SetFont(const TFont& f) override { FInner.SetFont(f); }
    TSize TextExtent(std::u16string_view t) override { return FInner.TextExtent(t); }
    TSize MeasureText(std::u16string_view t, uint32_t o) override { return FInner.MeasureText(t, o); }
    void DrawText(std::u16string_view t, const TRect& r, uint32_t o) override {
        Texts.push_back({std::u16string(t), r, FInner.Font(), FInner.MeasureText(t, o).Cx});
        FInner.DrawText(t, r, o);
    }
    TColor BackgroundColor() const override { return FInner.BackgroundColor(); }
    void SetBackgroundColor(TColor c) override { FInner.SetBackgroundColor(c); }
    void FillRect(const TRect& r, TColor c) override { FInner.FillRect(r, c); }
    void Polyline(const std::vector<TPoint>& p, TColor c, int w) override { FInner.Polyline(p, c, w); }
    void FillEllipse(const TRect& r, TColor c) override { FInner.FillEllipse(r, c); }
    void DrawFocusRect(const TRect& r) override { FInner.DrawFocusRect(r); }
    void DrawPicture(const IPicture& p, const TRect& r) override { FInner.DrawPicture(p, r); }
    void TilePicture(const IPicture& p, const TRect& r) override { FInner.TilePicture(p, r); }
    void PushClip(const TRect& r) override { FInner.PushClip(r); }
    void PopClip() override { FInner.PopClip(); }
    int PixelsPerInch() const override { return FInner.PixelsPerInch(); }
    TColor ColorToRGB(TColor c) const override { return FInner.ColorToRGB(c); }

private:
    ISurface& FInner;
};

LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) {
        RECT rc;
        GetClientRect(hwnd, &rc);
        HBRUSH b = CreateSolidBrush(RGB(0x20, 0x20, 0x20));
        FillRect(reinterpret_cast<HDC>(wp), &rc, b);
        DeleteObject(b);
        return 1;
    }
    if (msg == WM_CTLCOLORSTATIC)
        return zo::win::ControlColors(reinterpret_cast<HDC>(wp), RGB(255, 255, 255), RGB(0x20, 0x20, 0x20));
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND CreateParent() {
    static bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"MarkupLabelTestParent";
        return RegisterClassW(&wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowExW(0, L"MarkupLabelTestParent", L"Help", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100,
                           483, 267, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

void PumpMessages() {
    MSG msg;
    for (int round = 0; round < 5; ++round)
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
}

}  // namespace

TEST(MarkupLabelWin, HelpTextLaysOutInFourParagraphsAndTheLabelFollowsItsHeight) {
    HWND parent = CreateParent();
    ASSERT_NE(parent, nullptr);
    {
        TMarkupLabel label;
        label.SetFont(kHelpFont);
        label.SetHTML(kHelpText);
        label.SetAutoSizing(true);
        ASSERT_TRUE(label.CreateWnd(parent, {54, 6, 54 + 401, 6 + 175}));
        EXPECT_EQ(label.Color(), 0x202020u);  // the parent's
        int newSizes = 0;
        label.OnNewSize = [&](TMarkupLabel&, int, int) { ++newSizes; };
        ShowWindow(parent, SW_SHOWNOACTIVATE);
        UpdateWindow(parent);
        PumpMessages();

        // The layout the label must show, measured on a real GDI surface.
        auto measuring = TGdiSurface::CreateMeasuring();
        ASSERT_TRUE(measuring);
        measuring->SetFont(kHelpFont);
        RecordingSurface rec(*measuring);
        THtmlDrawOutput out;
        DrawHtmlText(rec, kHelpText, {0, 0, 401, 65535}, THtmlDrawInput{}, out);
        const int gh = measuring->TextExtent(u"gh").Cy;

        EXPECT_NE(label.Height(), 175);
        EXPECT_EQ(label.Height(), out.YSize + 6);
        EXPECT_EQ(label.Width(), 401);
        EXPECT_EQ(label.Top(), 6);
        EXPECT_EQ(newSizes, 1);
        RECT wr;
        GetWindowRect(static_cast<HWND>(label.Handle()), &wr);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&wr), 2);
        EXPECT_EQ(wr.bottom - wr.top, label.Height());
        EXPECT_EQ(wr.right - wr.left, 401);
        EXPECT_EQ(wr.top, 6);

        // Lines by their top: every line starts at the left edge and none reaches past 401.
        std::map<int, std::vector<RecordingSurface::TText>> lines;
        for (const auto& t : rec.Texts) lines[t.Rect.Top].push_back(t);
        ASSERT_GE(lines.size(), 4u);
        int previousTop = -1, previousBottom = 0, blankGaps = 0;
        for (const auto& [top, runs] : lines) {
            EXPECT_EQ(runs.front().Rect.Left, 0) << "line at " << top;
            EXPECT_LE(runs.back().Rect.Left + runs.back().Width, 401 + 4) << "line at " << top;
            if (previousTop >= 0 && top - previousBottom == gh) ++blankGaps;
            previousTop = top;
            previousBottom = runs.front().Rect.Bottom;
        }
        EXPECT_EQ(blankGaps, 3);  // one blank line between each two of the four paragraphs
        EXPECT_EQ(std::count(out.StripVal.begin(), out.StripVal.end(), u'\r'), 6);

        // The styles: "Install ", "Start " and "Access Denied" bold, "Run as Administrator" italic.
        // "Run as Administrator" is the last three runs before the final ".".
        ASSERT_GE(rec.Texts.size(), 5u);
        const size_t n = rec.Texts.size();
        EXPECT_EQ(rec.Texts[n - 4].Text, u"Run ");
        EXPECT_EQ(rec.Texts[n - 1].Text, u".");
        for (size_t i = 0; i < n; ++i) {
            const auto& t = rec.Texts[i];
            const bool bold = t.Text == u"Install " || t.Text == u"Start " || t.Text == u"Access " || t.Text == u"Denied";
            const bool italic = i >= n - 4 && i < n - 1;
            EXPECT_EQ((t.Font.Style & fsBold) != 0, bold) << ToUtf8(t.Text);
            EXPECT_EQ((t.Font.Style & fsItalic) != 0, italic) << ToUtf8(t.Text);
            EXPECT_EQ(t.Font.Color, clWhite);
            EXPECT_EQ(t.Font.Name, u"Segoe UI");
        }

        // A second paint changes nothing.
        InvalidateRect(static_cast<HWND>(label.Handle()), nullptr, FALSE);
        UpdateWindow(static_cast<HWND>(label.Handle()));
        EXPECT_EQ(label.Height(), out.YSize + 6);
        EXPECT_EQ(newSizes, 1);
    }
    DestroyWindow(parent);
}

TEST(MarkupLabelWin, SurfaceRestoresTheDeviceContextsSelections) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
    SetTextColor(dc, RGB(1, 2, 3));
    {
        TGdiSurface s(dc);
        s.SetFont({u"Arial", -20, clRed, 0, fsBold | fsItalic, 0});
        EXPECT_NE(GetCurrentObject(dc, OBJ_FONT), font);
        EXPECT_GT(s.TextExtent(u"Wide text").Cx, 0);
        s.DrawText(u"x", {0, 0, 10, 10}, 0);
        s.PushClip({0, 0, 5, 5});
        s.PopClip();
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    DeleteDC(dc);
}

TEST(MarkupLabelWin, PicturesFromAFileAddressLoadAndMissingOnesTakeNoSpace) {
    // A 4 x 3 32-bit bitmap file.
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + L"markup_label_test.bmp";
    {
        const int w = 4, h = 3;
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof(ih);
        ih.biWidth = w;
        ih.biHeight = h;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        ih.biCompression = BI_RGB;
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof(fh) + sizeof(ih);
        fh.bfSize = fh.bfOffBits + w * h * 4;
        std::vector<uint32_t> px(w * h, 0xFF3366CCu);
        FILE* f = _wfopen(path.c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        fwrite(&fh, sizeof(fh), 1, f);
        fwrite(&ih, sizeof(ih), 1, f);
        fwrite(px.data(), 4, px.size(), f);
        fclose(f);
    }
    std::u16string url = u"file:///";
    for (wchar_t c : path) url += (c == L'\\') ? u'/' : char16_t(c);

    TGdiPictureLoader loader;
    TPicturePtr pic = loader.LoadFromAddress(url);
    ASSERT_TRUE(pic);
    EXPECT_EQ(pic->Width(), 4);
    EXPECT_EQ(pic->Height(), 3);
    EXPECT_FALSE(loader.LoadFromAddress(u"file:///Z:/no/such/picture.png"));

    // Tiled, the small picture covers a whole label-sized area to its last pixel, and no more.
    {
        const int w = 45, h = 401;
        void* bits = nullptr;
        HBITMAP dib = zo::win::CreateDib32(w + 1, h + 1, &bits);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, dib);
        {
            TGdiSurface s(dc);
            s.TilePicture(*pic, {0, 0, w, h});
        }
        GdiFlush();
        const auto* px = static_cast<const uint32_t*>(bits);
        auto at = [&](int x, int y) { return px[size_t(y) * (w + 1) + x] & 0xFFFFFF; };
        EXPECT_EQ(at(0, 0), 0x3366CCu);
        EXPECT_EQ(at(w / 2, h / 2), 0x3366CCu);
        EXPECT_EQ(at(w - 1, h - 1), 0x3366CCu);
        EXPECT_EQ(at(w, h - 1), 0u);
        EXPECT_EQ(at(w - 1, h), 0u);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(dib);
    }

    auto s = TGdiSurface::CreateMeasuring();
    RecordingSurface rec(*s);
    TPictureCache cache;
    THtmlDrawInput in;
    in.Loader = &loader;
    in.PictureCache = &cache;
    THtmlDrawOutput out;
    DrawHtmlText(rec, u"<IMG src=\"" + url + u"\" width=\"40\">a<IMG src=\"file:///Z:/no/such.png\">b", {0, 0, 400, 400},
                 in, out);
    ASSERT_EQ(rec.Texts.size(), 2u);
    EXPECT_EQ(rec.Texts[0].Rect.Left, 40 * s->PixelsPerInch() / 96);
    EXPECT_EQ(rec.Texts[1].Rect.Left, rec.Texts[0].Rect.Left + rec.Texts[0].Width);
    EXPECT_EQ(cache.Count(), 2u);
    DeleteFileW(path.c_str());
}

namespace {

// The help text's white font on an opaque black label, so that lit columns can be counted.
void WhiteOnBlack(TMarkupLabel& label) {
    label.SetFont(kHelpFont);
    label.SetColor(clBlack);
    label.SetTransparent(false);
}

// How many text pixels each column holds, after paint drew over black into a 32-bit section or
// into a bitmap compatible with the screen, the kind the label's double buffer uses.
template <typename TPaint>
std::vector<int> InkColumns(int w, int h, bool screenBitmap, TPaint paint) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP bmp = screenBitmap ? CreateCompatibleBitmap(screen, w, h)
                               : zo::win::CreateDib32(w, h, &bits);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, w, h};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    paint(dc);
    GdiFlush();
    SelectObject(dc, old);
    std::vector<uint32_t> px(size_t(w) * h);
    BITMAPINFO bi{};  // read back as top-down 32-bit pixels, whatever the bitmap's own format
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    GetDIBits(dc, bmp, 0, h, px.data(), &bi, DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::vector<int> ink(w, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (px[size_t(y) * w + x] & 0xFFFFFF) ++ink[x];
    return ink;
}

}  // namespace

TEST(MarkupLabelWin, WordsDrawnRunByRunKeepTheGapOfASpaceBetweenThem) {
    // Words with glyphs whose drawn advance may differ from the measured one at small sizes
    // ("w", "W", "v", "m"), each drawn by the engine as a run of its own.
    const std::u16string words[] = {u"as",      u"well", u"as",       u"a",       u"Windows", u"service",
                                    u"will",    u"attempt", u"when", u"clicking", u"Vuzuvaz", u"icon"};
    std::u16string text;
    for (const auto& w : words) text += (text.empty() ? u"" : u" ") + w;
    const int width = 460, height = 24;

    HWND parent = CreateParent();
    ASSERT_NE(parent, nullptr);
    {
        TMarkupLabel label;
        WhiteOnBlack(label);
        label.SetHTML(text);
        ASSERT_TRUE(label.CreateWnd(parent, {0, 0, width, height}));
        HWND hwnd = static_cast<HWND>(label.Handle());

        auto measuring = TGdiSurface::CreateMeasuring();
        ASSERT_TRUE(measuring);
        measuring->SetFont(kHelpFont);
        const int space = measuring->TextExtent(u" ").Cx;
        ASSERT_GT(space, 0);
        ASSERT_LT(measuring->TextExtent(text).Cx, width - 10);  // one line

        for (bool screenBitmap : {false, true}) {
            SCOPED_TRACE(screenBitmap ? "screen-compatible bitmap" : "32-bit section");
            const std::vector<int> ink = InkColumns(width, height, screenBitmap, [&](HDC dc) {
                SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
            });
            ASSERT_GT(*std::max_element(ink.begin(), ink.end()), 0) << "nothing drawn";

            // The same line drawn at once: splitting it into runs changes no column.
            const std::vector<int> whole = InkColumns(width, height, screenBitmap, [&](HDC dc) {
                TGdiSurface s(dc);
                s.SetFont(kHelpFont);
                s.DrawText(text, {0, 0, width, height}, 0);
            });
            EXPECT_EQ(ink, whole);

            // Each word starts where the measured text before it ends; the blank columns before
            // it are the space plus the bearings of the glyphs beside it, give or take a pixel
            // of the glyphs' own rounding.
            std::u16string before;
            for (size_t i = 0; i + 1 < std::size(words); ++i) {
                before += words[i] + u" ";
                const int start = measuring->TextExtent(before).Cx;
                int gap = 0;
                if (ink[start - 1] == 0) {
                    int a = start - 1, b = start - 1;
                    while (a > 0 && ink[a - 1] == 0) --a;
                    while (b + 1 < width && ink[b + 1] == 0) ++b;
                    gap = b - a + 1;
                }
                ABC last{}, first{};
                GetCharABCWidthsW(measuring->Handle(), words[i].back(), words[i].back(), &last);
                GetCharABCWidthsW(measuring->Handle(), words[i + 1].front(), words[i + 1].front(), &first);
                const int expected = space + std::max(0, int(last.abcC)) + std::max(0, int(first.abcA));
                EXPECT_GE(gap, expected) << "between \"" << ToUtf8(words[i]) << "\" and \"" << ToUtf8(words[i + 1]) << "\"";
                EXPECT_LE(gap, expected + 1) << "between \"" << ToUtf8(words[i]) << "\" and \"" << ToUtf8(words[i + 1]) << "\"";
            }
            // No text reaches past the measured width of the line.
            int lastInk = width - 1;
            while (lastInk > 0 && ink[lastInk] == 0) --lastInk;
            EXPECT_LE(lastInk, measuring->TextExtent(text).Cx + 1);
        }
    }
    DestroyWindow(parent);
}

TEST(MarkupLabelWin, WithoutWordWrapRunsFollowEachOtherAndAnOverflowEndsInAnEllipsis) {
    auto measuring = TGdiSurface::CreateMeasuring();
    ASSERT_TRUE(measuring);
    measuring->SetFont(kHelpFont);

    // The ellipsis option changes nothing in what a run measures.
    THtmlDrawOutput wrapped, unwrapped;
    THtmlDrawInput in;
    in.MeasureOnly = true;
    DrawHtmlText(*measuring, u"restart them.", {0, 0, 400, 100}, in, wrapped);
    in.WordWrap = false;
    DrawHtmlText(*measuring, u"restart them.", {0, 0, 400, 100}, in, unwrapped);
    EXPECT_GT(wrapped.XSize, 40);
    EXPECT_EQ(unwrapped.XSize, wrapped.XSize);

    // Three runs on one line, the last too long for it: each starts where the one before ends.
    const std::u16string markup = u"restart <B>them</B> when the service will not stop on its own";
    const int width = 160, height = 20;
    RecordingSurface rec(*measuring);
    THtmlDrawInput draw;
    draw.WordWrap = false;
    THtmlDrawOutput out;
    DrawHtmlText(rec, markup, {0, 0, width, height}, draw, out);
    ASSERT_EQ(rec.Texts.size(), 3u);
    for (size_t i = 1; i < rec.Texts.size(); ++i) {
        measuring->SetFont(rec.Texts[i - 1].Font);
        const int previousWidth = measuring->TextExtent(rec.Texts[i - 1].Text).Cx;
        EXPECT_GT(previousWidth, 20);
        EXPECT_EQ(rec.Texts[i].Rect.Left, rec.Texts[i - 1].Rect.Left + previousWidth) << ToUtf8(rec.Texts[i].Text);
    }

    // The label shows the line cut at its edge by three dots.
    HWND parent = CreateParent();
    ASSERT_NE(parent, nullptr);
    {
        TMarkupLabel label;
        WhiteOnBlack(label);
        label.SetEllipsis(true);
        label.SetHTML(markup);
        ASSERT_TRUE(label.CreateWnd(parent, {0, 0, width, height}));
        const std::vector<int> ink = InkColumns(width, height, true, [&](HDC dc) {
            SendMessageW(static_cast<HWND>(label.Handle()), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        });
        // Groups of inked columns from the right: the last three are dots, one or two pixels
        // each way, and before them come letters.
        std::vector<std::pair<int, int>> groups;  // widest column's ink, width
        for (int x = width - 1; x >= 0 && groups.size() < 4;) {
            if (ink[x] == 0) {
                --x;
                continue;
            }
            int tallest = 0, w = 0;
            for (; x >= 0 && ink[x] > 0; --x, ++w) tallest = std::max(tallest, ink[x]);
            groups.push_back({tallest, w});
        }
        ASSERT_EQ(groups.size(), 4u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_LE(groups[i].first, 2) << "dot " << i;
            EXPECT_LE(groups[i].second, 2) << "dot " << i;
        }
        EXPECT_GT(groups[3].first, 2) << "a letter before the dots";
    }
    DestroyWindow(parent);
}

namespace {

// What a screen reader gets for a control through the accessibility interface (MSAA).
struct TAccessible {
    HRESULT Result = E_FAIL;
    std::wstring Name;
    LONG Role = 0;
};

// keep, when given, receives the object (the caller releases it).
TAccessible AccessibleOf(HWND control, IAccessible** keep = nullptr) {
    using FromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const auto fromWindow = reinterpret_cast<FromWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), "AccessibleObjectFromWindow")));
    TAccessible a;
    IAccessible* acc = nullptr;
    if (!fromWindow) return a;
    a.Result = fromWindow(control, DWORD(OBJID_CLIENT), __uuidof(IAccessible), reinterpret_cast<void**>(&acc));
    if (FAILED(a.Result) || !acc) return a;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(acc->get_accName(self, &name)) && name) a.Name = name;
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(acc->get_accRole(self, &role)) && role.vt == VT_I4) a.Role = role.lVal;
    if (keep)
        *keep = acc;
    else
        acc->Release();
    return a;
}

}  // namespace

// The Help text is read as its plain text (tags left out), and the icon as a named picture. A screen
// reader may hold the text's object after the window is gone: every call then fails as one to a
// disconnected object does, none answers with empty data.
TEST(MarkupLabelWin, HelpTextAndIconHaveAccessibleNamesWhileTheyExist) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IAccessible* kept = nullptr;
    {
        TfrmHelp help(nullptr);
        const TAccessible text = AccessibleOf(static_cast<HWND>(help.HelpLabel().Handle()), &kept);
        ASSERT_HRESULT_SUCCEEDED(text.Result);
        EXPECT_EQ(text.Name.rfind(L"Zoradid Ivavuda runs as a Windows service.  It's purpose", 0), 0u) 
            << ToUtf8(std::u16string(text.Name.begin(), text.Name.end()));
        EXPECT_NE(text.Name.find(L"Click Install to install"), std::wstring::npos);
        EXPECT_EQ(text.Name.find(L"<B>"), std::wstring::npos);
        EXPECT_EQ(text.Role, ROLE_SYSTEM_STATICTEXT);
        const TAccessible picture = AccessibleOf(FindWindowExW(help.Handle(), nullptr, L"Static", L"Help"));
        EXPECT_EQ(picture.Name, L"Help");
        EXPECT_EQ(picture.Role, ROLE_SYSTEM_GRAPHIC);
    }
    ASSERT_TRUE(kept);
    VARIANT self{}, v{};
    self.vt = VT_I4;  // CHILDID_SELF
    BSTR text = nullptr;
    LONG n = 0;
    IDispatch* parent = nullptr;
    for (HRESULT result : {kept->get_accName(self, &text), kept->get_accRole(self, &v), kept->get_accState(self, &v),
                           kept->get_accParent(&parent), kept->get_accChildCount(&n),
                           kept->accLocation(&n, &n, &n, &n, self), kept->GetTypeInfoCount(nullptr)})
        EXPECT_EQ(result, RPC_E_DISCONNECTED);
    kept->Release();
    CoUninitialize();
}
