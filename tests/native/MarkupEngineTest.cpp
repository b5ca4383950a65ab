#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "fakes/FakeSurface.h"
#include "platform/Dpi.h"
#include "platform/Text.h"
#include "windows/MarkupEngine.h"

using namespace zo;
using zo::fakes::FakePicture;
using zo::fakes::FakeSurface;
using zo::fakes::TDrawOp;

namespace {

// Fake metrics (default font -11): text height 14, a space 3 pixels, other characters 6 (bold 7).
constexpr int kGh = 14;

struct TLaidOut {
    FakeSurface S;
    THtmlDrawOutput Out;
    bool Result = false;
    std::vector<TDrawOp> Texts() const { return S.Texts(); }
    std::vector<std::u16string> Shown() const {
        std::vector<std::u16string> r;
        for (const auto& t : S.Texts()) r.push_back(FakeSurface::Shown(t.Text, t.Options));
        return r;
    }
    const TDrawOp* Find(std::u16string_view shown) const {
        for (const auto& op : S.Ops)
            if (op.Kind == TDrawOp::okText && FakeSurface::Shown(op.Text, op.Options) == shown) return &op;
        return nullptr;
    }
};

std::unique_ptr<TLaidOut> Lay(std::u16string_view markup, TRect r = {0, 0, 401, 1000}, THtmlDrawInput in = {},
                              int dpi = kDesignDpi) {
    auto l = std::make_unique<TLaidOut>();
    l->S.FPixelsPerInch = dpi;
    l->Result = DrawHtmlText(l->S, markup, r, in, l->Out);
    return l;
}

using Lines = std::vector<std::u16string>;

}  // namespace

TEST(MarkupEngine, EmptyMarkupDrawsNothingAndIsOneTextHeightTall) {
    for (std::u16string_view m : {u"", u"   \t  "}) {
        auto l = Lay(m);
        EXPECT_TRUE(l->S.Ops.empty());
        EXPECT_EQ(l->Out.YSize, kGh);
        EXPECT_EQ(l->Out.XSize, 0);
        EXPECT_TRUE(l->Out.StripVal.empty());
    }
}

TEST(MarkupEngine, LineBreaksInTheMiddleAndAtTheEnd) {
    auto one = Lay(u"a<BR>b");
    EXPECT_EQ(one->Out.YSize, 2 * kGh);
    EXPECT_EQ(one->Find(u"b")->Rect.Top, kGh);
    EXPECT_EQ(one->Out.StripVal, u"a\rb");

    auto two = Lay(u"a<BR><BR>b");
    EXPECT_EQ(two->Out.YSize, 3 * kGh);
    EXPECT_EQ(two->Find(u"b")->Rect.Top, 2 * kGh);

    EXPECT_EQ(Lay(u"a<BR>")->Out.YSize, kGh);
    EXPECT_EQ(Lay(u"a<BR><BR>")->Out.YSize, 2 * kGh);
    // A carriage return is a line break; a line feed is dropped.
    EXPECT_EQ(Lay(u"a\r\nb")->Out.YSize, 2 * kGh);
}

TEST(MarkupEngine, StyleTagsIgnoreCaseAndDoNotNest) {
    auto l = Lay(u"<b>x</b>y <B><B>p</B>q <I>r</i>s <B>t<BR>u");
    EXPECT_TRUE(l->Find(u"x")->Font.Style & fsBold);
    EXPECT_FALSE(l->Find(u"y ")->Font.Style & fsBold);
    EXPECT_TRUE(l->Find(u"p")->Font.Style & fsBold);
    EXPECT_FALSE(l->Find(u"q ")->Font.Style & fsBold);  // two <B>, one </B>: regular again
    EXPECT_TRUE(l->Find(u"r")->Font.Style & fsItalic);
    EXPECT_FALSE(l->Find(u"s ")->Font.Style & fsItalic);
    // A <B> left open across a line break keeps the next line bold.
    EXPECT_TRUE(l->Find(u"u")->Font.Style & fsBold);
    EXPECT_EQ(l->Find(u"u")->Rect.Top, kGh);
    // The surface ends with the entry font.
    EXPECT_EQ(l->S.Font(), TFont{});
}

TEST(MarkupEngine, RunsKeepTheirTrailingSpaceAndStyle) {
    auto l = Lay(u"Click <B>Install </B>to install");
    EXPECT_EQ(l->Shown(), (Lines{u"Click ", u"Install ", u"to ", u"install"}));
    const auto t = l->Texts();
    EXPECT_EQ(t[0].Rect.Left, 0);
    EXPECT_EQ(t[1].Rect.Left, 33);  // "Click " = 5 x 6 + 3
    EXPECT_TRUE(t[1].Font.Style & fsBold);
    EXPECT_EQ(t[2].Rect.Left, 33 + 52);  // "Install " in bold, its space too = 7 x 7 + 3
    EXPECT_FALSE(t[2].Font.Style & fsBold);
    EXPECT_EQ(l->Out.XSize, 100 + 42 + 2);
    EXPECT_EQ(l->Out.YSize, kGh);
}

TEST(MarkupEngine, LineMayBreakBetweenAWordAndTheSpaceAfterAnEndTag) {
    // "Access " 45 + "Denied" 42 = 87 fits in 89, the following " " (90) does not.
    auto l = Lay(u"<B>Access Denied</B> errors", {0, 0, 89, 1000});
    EXPECT_EQ(l->Shown(), (Lines{u"Access ", u"Denied", u"errors"}));
    EXPECT_EQ(l->Find(u"errors")->Rect.Left, 0);
    EXPECT_EQ(l->Find(u"errors")->Rect.Top, kGh);
}

TEST(MarkupEngine, SecondSpaceIsARunOfItsOwnButIsTrimmedAtALineStart) {
    auto wide = Lay(u"ab.  cd");
    EXPECT_EQ(wide->Shown(), (Lines{u"ab. ", u" ", u"cd"}));
    EXPECT_EQ(wide->Find(u"cd")->Rect.Left, 24);

    // "ab. " (21) fits in 24, the lone space would reach 24: it begins the next line and is trimmed.
    auto narrow = Lay(u"ab.  cd", {0, 0, 24, 1000});
    EXPECT_EQ(narrow->Shown(), (Lines{u"ab. ", u"cd"}));
    EXPECT_EQ(narrow->Find(u"cd")->Rect.Left, 0);
    EXPECT_EQ(narrow->Out.YSize, 2 * kGh);
}

TEST(MarkupEngine, OverlongRunIsPlacedWholeEvenBehindOtherRuns) {
    auto alone = Lay(u"abcdefghij kl", {0, 0, 30, 1000});
    EXPECT_EQ(alone->Find(u"kl")->Rect.Top, kGh);
    EXPECT_EQ(alone->Out.XSize, 60 + 2);

    auto behind = Lay(u"ab abcdefghij", {0, 0, 30, 1000});
    EXPECT_EQ(behind->Find(u"abcdefghij")->Rect.Top, 0);
    EXPECT_EQ(behind->Find(u"abcdefghij")->Rect.Left, 15);
    EXPECT_EQ(behind->Out.YSize, kGh);
}

TEST(MarkupEngine, FitTestCountsTheTrailingSpaceButTheWidthDoesNot) {
    // "ab " + "cd " = 30 does not fit in 28 although "ab cd" (27) would.
    auto l = Lay(u"ab cd ef", {0, 0, 28, 1000});
    EXPECT_EQ(l->Find(u"cd ")->Rect.Top, kGh);
    EXPECT_EQ(l->Find(u"cd ")->Rect.Left, 0);
    EXPECT_EQ(l->Out.YSize, 2 * kGh);

    // "abcd " fits in 30, "ef" does not: the first line is 27 - 3 wide, so the text is 24 + 2.
    auto w = Lay(u"abcd ef", {0, 0, 30, 1000});
    EXPECT_EQ(w->Out.XSize, 26);
}

TEST(MarkupEngine, Entities) {
    // &nbsp; is a space without a break: the run reaches the next real space.
    auto nb = Lay(u"a&nbsp;b c", {0, 0, 20, 1000});
    EXPECT_EQ(nb->Shown(), (Lines{u"a b ", u"c"}));

    // &lt; and &gt; show a tag instead of obeying it.
    auto lt = Lay(u"&lt;B&gt;x");
    EXPECT_EQ(lt->S.AllText(), u"<B>x");
    for (const auto& t : lt->Texts()) EXPECT_FALSE(t.Font.Style & fsBold);

    // &amp; draws "&"; with " & " in the markup, prefixes are off and it draws "&&".
    EXPECT_EQ(Lay(u"R&amp;D")->S.AllText(), u"R&D");
    EXPECT_EQ(Lay(u"R&amp;D & co")->S.AllText(), u"R&&D & co");
    // An "&" before a letter underlines it and is not drawn.
    auto acc = Lay(u"&Save");
    EXPECT_EQ(acc->S.AllText(), u"Save");
    EXPECT_FALSE(acc->Texts()[0].Options & dtNoPrefix);

    EXPECT_EQ(PrepareMarkup(u"&AMP;quot;"), u"&\"");
    EXPECT_EQ(PrepareMarkup(u"&amp;amp;amp;"), u"&&&&");
    EXPECT_EQ(PrepareMarkup(u"&copy;&euro;&Trade;"), u"\u00A9\u20AC\u2122");
    EXPECT_EQ(PrepareMarkup(u"<#abc> <<#d>>"), u"#abc #d");
    EXPECT_EQ(PrepareMarkup(u"a\r\nb"), u"a<BR>b");
}

TEST(MarkupEngine, TagsAreKnownByTheirFirstLetters) {
    // BO... is the area background whatever follows; E... the error mark; Q... nothing.
    auto bo = Lay(u"<BOX bgcolor=\"clred\">x");
    ASSERT_FALSE(bo->S.Ops.empty());
    EXPECT_EQ(bo->S.Ops[0].Kind, TDrawOp::okFill);
    EXPECT_EQ(bo->S.Ops[0].Rect, (TRect{-2, 0, 401, 1000}));
    EXPECT_EQ(bo->S.Ops[0].Color, clRed);

    auto e = Lay(u"<EXTRA>ab</EXTRA>cd");
    int zigzags = 0;
    for (const auto& op : e->S.Ops)
        if (op.Kind == TDrawOp::okLine && op.Color == clRed) ++zigzags;
    EXPECT_EQ(zigzags, 1);  // under "ab" only

    auto q = Lay(u"<QUOTE>a</QUOTE>b");
    EXPECT_EQ(q->Shown(), (Lines{u"a", u"b"}));
    EXPECT_EQ(q->Texts()[1].Font, q->Texts()[0].Font);
    EXPECT_EQ(q->S.Ops.size(), 2u);
}

TEST(MarkupEngine, Colours) {
    EXPECT_EQ(HtmlColor(u"clred"), 0x0000FFu);
    EXPECT_EQ(HtmlColor(u"ClReD"), 0x0000FFu);
    EXPECT_EQ(HtmlColor(u"#FF0000"), 0x0000FFu);
    EXPECT_EQ(HtmlColor(u"#0080ff"), 0xFF8000u);
    EXPECT_EQ(HtmlColor(u"clnosuch"), 0u);
    EXPECT_EQ(HtmlColor(u""), clNone);
    EXPECT_EQ(HtmlColor(u"clBtnFace"), 0xFF00000Fu);

    auto l = Lay(u"<FONT color=\"#00FF00\">g</FONT>n<FONT COLOR=\"clred\" bgcolor=\"clyellow\">r</FONT>");
    EXPECT_EQ(l->Find(u"g")->Font.Color, 0x00FF00u);
    EXPECT_EQ(l->Find(u"n")->Font.Color, clBlack);
    EXPECT_EQ(l->Find(u"n")->Background, clNone);
    EXPECT_EQ(l->Find(u"r")->Font.Color, clRed);
    EXPECT_EQ(l->Find(u"r")->Background, 0x00FFFFu);
    EXPECT_EQ(l->S.BackgroundColor(), clNone);
}

TEST(MarkupEngine, RectangleOnlyAFewLinesTall) {
    // After line 2 the next top (28) plus gh exceeds 30: layout stops there.
    auto l = Lay(u"a<BR>b<BR>c<BR>d", {0, 0, 100, 30});
    EXPECT_EQ(l->Shown(), (Lines{u"a", u"b"}));
    EXPECT_EQ(l->Out.YSize, 2 * kGh);
    // The first line is always laid out.
    auto tiny = Lay(u"a<BR>b", {0, 0, 100, 5});
    EXPECT_EQ(tiny->Shown(), (Lines{u"a"}));
    EXPECT_EQ(tiny->Out.YSize, kGh);
}

TEST(MarkupEngine, BrokenTagsDropTheRest) {
    EXPECT_EQ(Lay(u"ab<B cd")->S.AllText(), u"ab");
    EXPECT_EQ(Lay(u"ab <c")->S.AllText(), u"ab ");
}

TEST(MarkupEngine, ParagraphAlignmentAndIndent) {
    auto l = Lay(u"<P align=\"right\">ab</P>cd<BR><P ALIGN=\"center\">ef</P><P indent=\"10\">gh</P>");
    EXPECT_EQ(l->Find(u"ab")->Rect.Left, 401 - 12);
    EXPECT_EQ(l->Find(u"cd")->Rect.Left, 0);  // </P> returns to the left
    EXPECT_EQ(l->Find(u"ef")->Rect.Left, (401 - 12) / 2);
    EXPECT_EQ(l->Find(u"gh")->Rect.Left, 10);
}

TEST(MarkupEngine, SuperscriptSubscriptAndHiddenText) {
    auto sup = Lay(u"a<SUP>b</SUP>");
    EXPECT_EQ(sup->Out.YSize, kGh + kGh / 4);
    EXPECT_EQ(sup->Find(u"a")->Rect.Bottom, kGh + kGh / 4);
    EXPECT_EQ(sup->Find(u"b")->Rect.Bottom, kGh);

    auto sub = Lay(u"a<SUB>b</SUB>");
    EXPECT_EQ(sub->Find(u"a")->Rect.Bottom, kGh);
    EXPECT_EQ(sub->Find(u"b")->Rect.Bottom, kGh + kGh / 4);

    auto z = Lay(u"<Z>secret </Z>shown");
    EXPECT_EQ(z->Shown(), (Lines{u"shown"}));
    EXPECT_EQ(z->Find(u"shown")->Rect.Left, 0);
    EXPECT_EQ(z->Out.StripVal, u"shown");
}

TEST(MarkupEngine, FontSizeFaceAndLists) {
    auto f = Lay(u"<FONT size=\"12\" face=\"Arial\">x</FONT>y<FONT size=\"2\">z</FONT>");
    EXPECT_EQ(f->Find(u"x")->Font.Height, -16);
    EXPECT_EQ(f->Find(u"x")->Font.Name, u"Arial");
    EXPECT_EQ(f->Find(u"y")->Font.Height, -11);
    EXPECT_EQ(f->Find(u"z")->Font.Height, FontHeightFromSize(8 + 2, 96));

    auto ul = Lay(u"<UL><LI>one<LI>two</UL>");
    EXPECT_EQ(ul->Find(u"one")->Rect.Top, 0);
    EXPECT_EQ(ul->Find(u"two")->Rect.Top, kGh);
    ASSERT_NE(ul->Find(u"\u00B7"), nullptr);
    EXPECT_EQ(ul->Find(u"\u00B7")->Font.Name, u"Symbol");
    EXPECT_EQ(ul->Find(u"one")->Rect.Left, 12);

    auto ol = Lay(u"<OL><LI>a<LI>b</OL>");
    EXPECT_NE(ol->Find(u"1. "), nullptr);
    EXPECT_NE(ol->Find(u"2. "), nullptr);
}

TEST(MarkupEngine, AnchorsAreColouredAndHitTested) {
    THtmlDrawInput in;
    auto drawn = Lay(u"go <A href=\"http://x\" title=\"T\">here</A> now", {0, 0, 401, 1000}, in);
    EXPECT_EQ(drawn->Find(u"here")->Font.Color, clBlue);
    EXPECT_TRUE(drawn->Find(u"here")->Font.Style & fsUnderline);
    EXPECT_EQ(drawn->Find(u"now")->Font.Color, clBlack);
    EXPECT_FALSE(drawn->Find(u"now")->Font.Style & fsUnderline);
    EXPECT_EQ(drawn->Out.HyperLinks, 1);

    in.CheckAnchors = true;
    in.MouseX = 20;  // "go " is 15 wide, "here" 24
    in.MouseY = 5;
    auto hit = Lay(u"go <A href=\"http://x\" title=\"T\">here</A> now", {0, 0, 401, 1000}, in);
    EXPECT_TRUE(hit->Result);
    EXPECT_TRUE(hit->S.Ops.empty());
    EXPECT_EQ(hit->Out.AnchorVal, u"http://x");
    EXPECT_EQ(hit->Out.FocusAnchor, u"T");
    EXPECT_EQ(hit->Out.MouseLink, 1);
    EXPECT_EQ(hit->Out.HoverRect, (TRect{15, 0, 39, kGh}));

    in.MouseX = 45;  // on " now"
    auto miss = Lay(u"go <A href=\"http://x\">here</A> now", {0, 0, 401, 1000}, in);
    EXPECT_FALSE(miss->Result);
    EXPECT_TRUE(miss->Out.AnchorVal.empty());
    EXPECT_EQ(miss->Out.MouseLink, -1);

    in.MouseX = 20;
    in.MouseY = kGh + 3;  // below the anchor's line, on the next one
    auto below = Lay(u"go <A href=\"http://x\">here</A><BR>next line", {0, 0, 401, 1000}, in);
    EXPECT_FALSE(below->Result);
    EXPECT_TRUE(below->Out.AnchorVal.empty());
}

TEST(MarkupEngine, PicturesTakeTheirSpaceOnlyWhenFound) {
    TPictureContainer container;
    auto pic = std::make_shared<FakePicture>(20, 30);
    container.Add(u"logo", pic);
    THtmlDrawInput in;
    in.PictureContainer = &container;
    auto l = Lay(u"a<IMG src=\"logo\">b", {0, 0, 401, 1000}, in);
    EXPECT_EQ(l->Out.YSize, 30);
    EXPECT_EQ(l->Find(u"b")->Rect.Left, 26);
    ASSERT_EQ(l->S.Ops[1].Kind, TDrawOp::okPicture);
    EXPECT_EQ(l->S.Ops[1].Rect, (TRect{6, 0, 26, 30}));

    auto sized = Lay(u"<IMG src=\"LOGO\" width=\"10\">b", {0, 0, 401, 1000}, in);
    EXPECT_EQ(sized->S.Ops[0].Rect, (TRect{0, 0, 10, 15}));

    for (std::u16string_view m : {u"a<IMG src=\"nosuch\">b", u"a<IMG src=\"IDX:3\">b", u"a<IMG src=\"http://h/p.png\">b"}) {
        auto missing = Lay(m, {0, 0, 401, 1000}, in);
        EXPECT_EQ(missing->Find(u"b")->Rect.Left, 6) << ToUtf8(m);
        EXPECT_EQ(missing->Out.YSize, kGh);
    }
}

TEST(MarkupEngine, PicturesFromAnAddressAreLoadedOnceIntoTheCache) {
    struct Loader : IPictureLoader {
        int Calls = 0;
        TPicturePtr LoadFromAddress(const std::u16string& a) override {
            ++Calls;
            return a == u"http://h/ok.png" ? std::make_shared<FakePicture>(16, 16) : nullptr;
        }
        TPicturePtr ShellIcon(const std::u16string&, bool) override { return nullptr; }
    } loader;
    TPictureCache cache;
    THtmlDrawInput in;
    in.Loader = &loader;
    in.PictureCache = &cache;
    const std::u16string_view m = u"<IMG src=\"http://h/ok.png\"><IMG src=\"http://h/bad.png\">x";
    auto first = Lay(m, {0, 0, 401, 1000}, in);
    auto second = Lay(m, {0, 0, 401, 1000}, in);
    EXPECT_EQ(loader.Calls, 2);
    EXPECT_EQ(cache.Count(), 2u);
    EXPECT_EQ(second->Find(u"x")->Rect.Left, 16);
}

TEST(MarkupEngine, LayoutOfManyLinesIsConsistentWithOneLine) {
    // A long text wraps into lines that each fit, and every word appears once, in order.
    std::u16string m;
    for (int i = 0; i < 200; ++i) m += u"word" + std::u16string(1, char16_t(u'a' + i % 26)) + u" <B>b</B> ";
    auto l = Lay(m, {0, 0, 150, 100000});
    std::u16string all;
    int lines = 0, lastTop = -1;
    for (const auto& t : l->Texts()) {
        all += t.Text;
        EXPECT_LE(t.Rect.Left, 150);
        if (t.Rect.Top != lastTop) ++lines, lastTop = t.Rect.Top;
    }
    EXPECT_EQ(l->Out.YSize, lines * kGh);
    std::u16string expected;
    for (int i = 0; i < 200; ++i) expected += u"word" + std::u16string(1, char16_t(u'a' + i % 26)) + u" b ";
    while (!expected.empty() && expected.back() == u' ') expected.pop_back();
    // Spaces trimmed at line starts are the only difference.
    std::u16string a, b;
    for (char16_t c : all) if (c != u' ') a += c;
    for (char16_t c : expected) if (c != u' ') b += c;
    EXPECT_EQ(a, b);
}

TEST(MarkupEngine, ImageListPicturesByIndex) {
    struct List : IImageList {
        int Count() const override { return 2; }
        TPicturePtr Item(int) const override { return std::make_shared<FakePicture>(16, 16); }
    } images;
    THtmlDrawInput in;
    in.Images = &images;
    auto l = Lay(u"<IMG src=\"IDX:1\">a<IMG src=\"idx:2\">b", {0, 0, 401, 1000}, in);
    EXPECT_EQ(l->Find(u"a")->Rect.Left, 16);
    EXPECT_EQ(l->Find(u"b")->Rect.Left, 22);  // index 2 is out of range: no space
    EXPECT_EQ(l->Out.YSize, 16);
}

TEST(MarkupEngine, TextBackgroundsComeOnlyFromTags) {
    auto l = Lay(u"a<HI>b</HI>c<SPAN style=\"background-color:#00FF00\">d</SPAN>e");
    EXPECT_EQ(l->Find(u"a")->Background, clNone);
    EXPECT_EQ(l->Find(u"b")->Background, clHighlight);
    EXPECT_EQ(l->Find(u"b")->Font.Color, clHighlightText);
    EXPECT_EQ(l->Find(u"c")->Background, clNone);
    EXPECT_EQ(l->Find(u"c")->Font.Color, clBlack);
    EXPECT_EQ(l->Find(u"d")->Background, 0x00FF00u);
    EXPECT_EQ(l->Find(u"e")->Background, clNone);

    auto p = Lay(u"<P bgcolor=\"clyellow\">x</P>y");
    ASSERT_EQ(p->S.Ops[0].Kind, TDrawOp::okFill);
    EXPECT_EQ(p->S.Ops[0].Rect, (TRect{0, 0, 401, kGh}));
    EXPECT_EQ(p->Find(u"x")->Background, 0x00FFFFu);
    EXPECT_EQ(p->Find(u"y")->Background, clNone);
}

TEST(MarkupEngine, FocusAndHoverOfAnchors) {
    THtmlDrawInput in;
    in.FocusLink = 1;  // the second anchor
    in.Hover = true;
    in.HoverLink = 2;
    in.HoverColor = clRed;
    in.HoverFontColor = clWhite;
    auto l = Lay(u"<A href=\"one\">a</A> <A href=\"two\">bb</A>", {0, 0, 401, 1000}, in);
    EXPECT_FALSE(l->Find(u"a")->Font.Style & fsUnderline);  // hover mode: only the hovered one
    EXPECT_EQ(l->Find(u"a")->Font.Color, clBlue);
    EXPECT_TRUE(l->Find(u"bb")->Font.Style & fsUnderline);
    EXPECT_EQ(l->Find(u"bb")->Font.Color, clWhite);
    EXPECT_EQ(l->Find(u"bb")->Background, clRed);
    EXPECT_EQ(l->Out.FocusAnchor, u"two");
    int focus = 0;
    for (const auto& op : l->S.Ops)
        if (op.Kind == TDrawOp::okFocus) {
            ++focus;
            EXPECT_EQ(op.Rect, (TRect{9, 0, 21, kGh}));
        }
    EXPECT_EQ(focus, 1);
    EXPECT_EQ(l->S.BackgroundColor(), clNone);
}

// Cases where the engine departs from a plain reading of its markup, one row each.
TEST(MarkupEngine, DepartureCases) {
    TPictureContainer container;
    container.Add(u"dot", std::make_shared<FakePicture>(1, 1));
    struct List : IImageList {
        int Count() const override { return 1; }
        TPicturePtr Item(int) const override { return std::make_shared<FakePicture>(16, 12); }
    } images;
    struct TCase {
        const char* Name;
        std::u16string_view Markup;
        bool WordWrap;
        TRect Rect;
        std::function<void(const TLaidOut&)> Check;
        int Dpi = kDesignDpi;
    };
    const TCase cases[] = {
        {"without word wrap the runs follow each other at their measured widths", u"ab <B>cd</B> ef", false,
         {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             ASSERT_EQ(l.Shown(), (Lines{u"ab ", u"cd", u" ef"}));
             EXPECT_EQ(l.Find(u"cd")->Rect.Left, 15);
             EXPECT_EQ(l.Find(u" ef")->Rect.Left, 15 + 14);
             EXPECT_EQ(l.Out.XSize, 15 + 14 + 15 + 2);
         }},
        {"a rule takes a lower-case hexadecimal colour", u"a<HR color=\"#ff0000\">b", true, {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             int rules = 0;
             for (const auto& op : l.S.Ops)
                 if (op.Kind == TDrawOp::okLine) {
                     ++rules;
                     EXPECT_EQ(op.Color, clRed);
                 }
             EXPECT_EQ(rules, 1);
         }},
        {"an empty DIR makes the area gradient run top to bottom",
         u"<BODY bgcolor=\"clred\" bgcolorto=\"clblue\" dir=\"\">x", true, {0, 0, 100, 64},
         [](const TLaidOut& l) {
             ASSERT_EQ(l.S.Ops[0].Kind, TDrawOp::okFill);
             EXPECT_EQ(l.S.Ops[0].Rect, (TRect{-2, 0, 100, 1}));
         }},
        {"each paragraph background saves the one before it",
         u"<P bgcolor=\"clyellow\">a<P bgcolor=\"clred\">b</P>c", true, {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             EXPECT_EQ(l.Find(u"b")->Background, clRed);
             EXPECT_EQ(l.Find(u"c")->Background, 0x00FFFFu);
         }},
        {"a paragraph's background is painted before the runs already on its line",
         u"a link and <P bgcolor=\"clyellow\">b<BR>c", true, {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             ASSERT_FALSE(l.S.Ops.empty());
             EXPECT_EQ(l.S.Ops[0].Kind, TDrawOp::okFill);
             EXPECT_EQ(l.S.Ops[0].Rect, (TRect{0, 0, 401, kGh}));
             for (size_t i = 1; i < l.S.Ops.size(); ++i)
                 if (l.S.Ops[i].Kind == TDrawOp::okFill)
                     EXPECT_GT(l.S.Ops[i].Rect.Top, 0) << "a fill over the first line";
             EXPECT_EQ(l.Find(u"b")->Background, 0x00FFFFu);
         }},
        {"a body background after text is painted before any text", u"x<BR>y <BODY bgcolor=\"clred\">z", true,
         {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             int fills = 0;
             for (size_t i = 0; i < l.S.Ops.size(); ++i)
                 if (l.S.Ops[i].Kind == TDrawOp::okFill) {
                     ++fills;
                     EXPECT_EQ(i, 0u) << "a fill after text";
                     EXPECT_EQ(l.S.Ops[i].Color, clRed);
                 }
             EXPECT_EQ(fills, 1);
         }},
        {"a one-pixel picture tiles the whole rectangle", u"<BODY background=\"dot\">x", true, {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             int tiles = 0;
             for (const auto& op : l.S.Ops)
                 if (op.Kind == TDrawOp::okTile) {
                     ++tiles;
                     EXPECT_EQ(op.Rect, (TRect{0, 0, 401, 1000}));
                 }
             EXPECT_EQ(tiles, 1);
         }},
        {"at twice the design resolution an image-list background takes the size it takes in IMG",
         u"<BODY background=\"IDX:0\">x<IMG src=\"IDX:0\">", true, {0, 0, 401, 1000},
         [](const TLaidOut& l) {
             std::vector<TRect> pictures;
             for (const auto& op : l.S.Ops)
                 if (op.Kind == TDrawOp::okPicture) pictures.push_back(op.Rect);
             ASSERT_EQ(pictures.size(), 2u);
             EXPECT_EQ(pictures[0], (TRect{0, 0, 32, 24}));
             EXPECT_EQ(pictures[1].Width(), 32);
             EXPECT_EQ(pictures[1].Height(), 24);
         },
         2 * kDesignDpi},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        THtmlDrawInput in;
        in.WordWrap = c.WordWrap;
        in.PictureContainer = &container;
        in.Images = &images;
        c.Check(*Lay(c.Markup, c.Rect, in, c.Dpi));
    }
}
