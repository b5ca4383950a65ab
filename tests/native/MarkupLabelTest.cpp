#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/FakeLabelHost.h"
#include "fakes/FakeSurface.h"
#include "platform/Text.h"
#include "windows/MarkupLabel.h"

using namespace zo;
using zo::fakes::FakeLabelHost;
using zo::fakes::FakePicture;
using zo::fakes::FakeSurface;
using zo::fakes::TDrawOp;

namespace {

constexpr int kGh = 14;  // text height of the fake surface for the default font

struct MarkupLabel : ::testing::Test {
    TMarkupLabel Label;
    FakeLabelHost* Host = nullptr;
    void SetUp() override {
        auto host = std::make_unique<FakeLabelHost>();
        Host = host.get();
        Label.SetHost(std::move(host));
        Label.SetBounds(54, 6, 401, 175);
        Host->Bounds.clear();
    }
    FakeSurface PaintOnce() {
        FakeSurface s;
        Label.Paint(s);
        return s;
    }
};

}  // namespace

TEST_F(MarkupLabel, DefaultsOfANewLabel) {
    TMarkupLabel l;
    EXPECT_EQ(l.Width(), 120);
    EXPECT_TRUE(l.Transparent());
    EXPECT_FALSE(l.AutoSizing());
    EXPECT_EQ(l.AutoSizeType(), asVertical);
    EXPECT_EQ(l.URLColor(), clBlue);
    EXPECT_EQ(l.ShadowColor(), clGray);
    EXPECT_EQ(l.ShadowOffset(), 2);
    EXPECT_EQ(l.LineWidth(), 2);
    EXPECT_EQ(l.BevelWidth(), 1);
    EXPECT_EQ(l.ColorTo(), clNone);
    EXPECT_EQ(l.HoverColor(), clNone);
    EXPECT_EQ(l.Version(), u"1.9.2.3");
    EXPECT_TRUE(l.BuildDisplayText().empty());
}

TEST_F(MarkupLabel, AutoSizeMakesTheHeightTextHeightPlusSixOnce) {
    int newSizes = 0;
    Label.OnNewSize = [&](TMarkupLabel&, int w, int h) {
        ++newSizes;
        EXPECT_EQ(w, 401);
        EXPECT_EQ(h, 2 * kGh + 6);
    };
    Label.SetHTML(u"first<BR>second");
    Label.SetAutoSizing(true);
    FakeSurface s = PaintOnce();
    EXPECT_EQ(Label.Height(), 2 * kGh + 6);
    EXPECT_EQ(Label.Width(), 401);
    EXPECT_EQ(Label.Top(), 6);
    ASSERT_FALSE(Host->Bounds.empty());
    EXPECT_EQ(Host->Bounds.back(), (TRect{54, 6, 455, 6 + 2 * kGh + 6}));
    // The text starts at the top; the 6 extra pixels lie below the last line.
    EXPECT_EQ(s.Texts().front().Rect.Top, 0);
    EXPECT_EQ(s.Texts().back().Rect.Top, kGh);

    PaintOnce();  // the same size again: no change, no event
    EXPECT_EQ(newSizes, 1);
    EXPECT_EQ(Host->Bounds.size(), 1u);
}

TEST_F(MarkupLabel, AtTwiceTheDesignResolutionFontListIndentAndMarginDouble) {
    Label.SetHTML(u"<UL><LI>one</UL><IND x=\"100\">two");
    Label.SetAutoSizing(true);
    FakeSurface s;
    s.FPixelsPerInch = 192;
    Label.Paint(s);
    const auto texts = s.Texts();
    ASSERT_EQ(texts.size(), 3u);  // the bullet, "one", "two" on one line
    EXPECT_EQ(texts[1].Font.Height, -22);
    EXPECT_EQ(texts[1].Rect.Left, 24);
    EXPECT_EQ(texts[2].Rect.Left, 200);
    EXPECT_EQ(Label.Height(), (22 + 3) + 12);  // one line (the pen moves along it) and the margin
    EXPECT_EQ(Label.Font().Height, -11);  // the design size stays the label's
}

TEST_F(MarkupLabel, EmptyTextAutoSizesToOneTextHeight) {
    Label.SetAutoSizing(true);
    FakeSurface s = PaintOnce();
    EXPECT_TRUE(s.Texts().empty());
    EXPECT_EQ(Label.Height(), kGh + 6);
}

TEST_F(MarkupLabel, ZeroSizeLabelNeverPaintsNorSizes) {
    Label.SetHTML(u"text");
    Label.SetAutoSizing(true);
    Label.SetHeight(0);
    Host->Bounds.clear();
    FakeSurface s = PaintOnce();
    EXPECT_TRUE(s.Ops.empty());
    EXPECT_EQ(Label.Height(), 0);
    EXPECT_TRUE(Host->Bounds.empty());
}

TEST_F(MarkupLabel, AutoSizingWithAlignmentFollowsOnlyTheMatchingDimension) {
    Label.SetHTML(u"abc");  // 18 wide
    Label.SetAlign(alLeft);
    Label.SetAutoSizing(true);
    EXPECT_EQ(Label.Width(), 6);
    PaintOnce();
    EXPECT_EQ(Label.Width(), 6);  // asVertical: an alLeft label keeps its width
    EXPECT_EQ(Label.Height(), 175);
    Label.SetAutoSizeType(asHorizontal);
    PaintOnce();
    EXPECT_EQ(Label.Width(), 18 + 2 + 6);

    TMarkupLabel top;
    top.SetBounds(0, 0, 100, 50);
    top.SetAlign(alTop);
    top.SetHTML(u"abc");
    top.SetAutoSizing(true);
    EXPECT_EQ(top.Height(), 6);
    FakeSurface s;
    top.Paint(s);
    EXPECT_EQ(top.Height(), kGh + 6);
    EXPECT_EQ(top.Width(), 100);
}

TEST_F(MarkupLabel, LinesJoinWithASpaceUnlessTagMeetsTag) {
    Label.SetHTMLLines({u"one", u"two"});
    EXPECT_EQ(Label.BuildDisplayText(), u"one two");
    Label.SetHTMLLines({u"<B>x</B>", u"<I>y</I>", u"z"});
    EXPECT_EQ(Label.BuildDisplayText(), u"<B>x</B><I>y</I> z");
    Label.SetHTMLLines({u"a>", u"b"});
    EXPECT_EQ(Label.BuildDisplayText(), u"a> b");
    // Assigning a whole list joins it with no separator and drops line breaks.
    Label.SetHTMLText({u"one\r\n", u"two", u"th\rree"});
    EXPECT_EQ(Label.HTMLText().size(), 1u);
    EXPECT_EQ(Label.BuildDisplayText(), u"onetwothree");
}

TEST_F(MarkupLabel, PaintingClearsTheCaptionAndChangesRepaint) {
    Label.SetCaption(u"inherited");
    const int before = Host->Invalidations;
    Label.SetHTML(u"x");
    EXPECT_GT(Host->Invalidations, before);
    PaintOnce();
    EXPECT_TRUE(Label.Caption().empty());

    // A change of the image list repaints; a destroyed list is no longer the label's.
    struct List : IImageList {
        int Count() const override { return 0; }
        TPicturePtr Item(int) const override { return nullptr; }
        void Change() const { Changed(); }
    };
    auto images = std::make_unique<List>();
    Label.SetImages(images.get());
    const int linked = Host->Invalidations;
    images->Change();
    EXPECT_EQ(Host->Invalidations, linked + 1);
    images.reset();
    EXPECT_EQ(Label.Images(), nullptr);
}

TEST_F(MarkupLabel, BackgroundIsTheParentsColourUntilOneIsSet) {
    Label.SetTransparent(false);
    EXPECT_TRUE(Label.ParentColor());
    ASSERT_EQ(PaintOnce().Ops.at(0).Color, 0x202020u);
    Host->Parent = 0x303030;  // follows the parent
    EXPECT_EQ(PaintOnce().Ops.at(0).Color, 0x303030u);
    Label.SetColor(clRed);
    EXPECT_FALSE(Label.ParentColor());
    EXPECT_EQ(PaintOnce().Ops.at(0).Color, clRed);
}

TEST_F(MarkupLabel, ATransparentLabelAsksItsParentsColourOnlyForBlinkingText) {
    Label.SetHTML(u"plain");
    PaintOnce();
    EXPECT_EQ(Host->ParentColorAsks, 0);
    // Blinking text is drawn in the background's colour.
    Label.SetHTML(u"a <blink>b</blink>");
    const FakeSurface s = PaintOnce();
    EXPECT_GT(Host->ParentColorAsks, 0);
    ASSERT_EQ(s.Texts().size(), 2u);
    EXPECT_EQ(s.Texts().at(1).Text, u"b");
    EXPECT_EQ(s.Texts().at(1).Font.Color, 0x202020u);
}

TEST_F(MarkupLabel, UpdateBlockPaintsOnlyTheBackground) {
    Label.SetTransparent(false);
    Label.SetColor(0x123456);
    Label.SetHTML(u"text");
    Label.BeginUpdate();
    Label.BeginUpdate();
    FakeSurface s = PaintOnce();
    ASSERT_EQ(s.Ops.size(), 1u);
    EXPECT_EQ(s.Ops[0].Kind, TDrawOp::okFill);
    EXPECT_EQ(s.Ops[0].Color, 0x123456u);
    const int before = Host->Invalidations;
    Label.EndUpdate();
    EXPECT_EQ(Host->Invalidations, before);  // still inside the outer block
    Label.EndUpdate();
    EXPECT_EQ(Host->Invalidations, before + 1);
    Label.EndUpdate();  // at zero: nothing
    EXPECT_EQ(Host->Invalidations, before + 1);
    EXPECT_EQ(PaintOnce().Texts().size(), 1u);
}

TEST_F(MarkupLabel, BordersAndBevelsShrinkTheTextArea) {
    Label.SetHTML(u"x");
    Label.SetBevelOuter(bvRaised);
    Label.SetBevelWidth(2);
    Label.SetBorderStyle(bsSingle);
    Label.SetBorderWidth(1);
    FakeSurface s = PaintOnce();
    // Outer bevel 2, border frame 1, bevel shrink again 2, single border a = 1.
    EXPECT_EQ(s.Texts().at(0).Rect.Left, 2 + 1 + 2 + 1);
    int outlines = 0;
    for (const auto& op : s.Ops)
        if (op.Kind == TDrawOp::okLine && (op.Color == clBtnHighlight || op.Color == clBtnShadow)) ++outlines;
    EXPECT_EQ(outlines, 4);  // two nested frames, each a top-left and a bottom-right line
}

// Links are found where a bevelled label draws them: inside both bevels and the bevel width again.
TEST_F(MarkupLabel, AnchorsOfABevelledLabelAreFoundWhereTheyAreDrawn) {
    Label.SetBounds(0, 0, 200, 44);
    Label.SetBevelOuter(bvRaised);
    Label.SetBevelInner(bvRaised);
    Label.SetBevelWidth(5);
    Label.SetHTML(u"<A href=\"x\">link</A>");
    const TRect drawn = PaintOnce().Texts().at(0).Rect;
    EXPECT_EQ(drawn.Left, 15);
    EXPECT_EQ(drawn.Top, 15);
    EXPECT_EQ(Label.AnchorAtPoint(drawn.Left + 2, drawn.Top + 2), u"x");
    EXPECT_EQ(Label.AnchorAtPoint(drawn.Left + 2, drawn.Top - 5), u"");  // above the word
}

// The picture container is not owned: when it goes, the label forgets it and repaints.
TEST_F(MarkupLabel, APictureContainerThatGoesIsForgotten) {
    Label.SetHTML(u"<IMG src=\"dot\">x");
    auto container = std::make_unique<TPictureContainer>();
    container->Add(u"dot", std::make_shared<FakePicture>(8, 8));
    Label.SetPictureContainer(container.get());
    const auto pictures = [](const FakeSurface& s) {
        return std::count_if(s.Ops.begin(), s.Ops.end(), [](const TDrawOp& op) { return op.Kind == TDrawOp::okPicture; });
    };
    EXPECT_EQ(pictures(PaintOnce()), 1);
    const int before = Host->Invalidations;
    container.reset();
    EXPECT_EQ(Label.PictureContainer(), nullptr);
    EXPECT_GT(Host->Invalidations, before);
    EXPECT_EQ(pictures(PaintOnce()), 0);  // no read of the freed container
}

// The character that "&" marks in the text moves the focus to FocusControl; screen readers get
// the text without the mark.
TEST_F(MarkupLabel, TheTextsAccessKeyFocusesFocusControl) {
    int control = 0;
    struct TRow {
        const char16_t* Markup;
        bool FocusControlSet;
        char16_t Key;
        bool Taken;
        const char16_t* PlainText;
    };
    const TRow rows[] = {
        {u"<B>&Name</B> of it", true, u'n', true, u"Name of it"},
        {u"<B>&Name</B> of it", true, u'N', true, u"Name of it"},
        {u"<B>&Name</B> of it", true, u'o', false, u"Name of it"},
        {u"<B>&Name</B> of it", false, u'n', false, u"Name of it"},
        {u"a&&b &Name", true, u'b', false, u"a&b Name"},
        {u"a&&b &Name", true, u'n', true, u"a&b Name"},
        {u"<Z>&Hidden</Z>&Name", true, u'h', false, u"Name"},
        {u"Tom & &Jerry", true, u'j', false, u"Tom & &Jerry"},  // a free-standing "&": no access key
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(ToUtf8(row.Markup));
        Host->Focused.clear();
        Label.SetFocusControl(row.FocusControlSet ? &control : nullptr);
        Label.SetHTML(row.Markup);
        EXPECT_EQ(Label.DialogChar(row.Key), row.Taken);
        EXPECT_EQ(Host->Focused, row.Taken ? std::vector<void*>{&control} : std::vector<void*>{});
        EXPECT_EQ(Host->Text, row.PlainText);
    }
}

TEST_F(MarkupLabel, VerticalAlignmentPlacesTheTextBlock) {
    Label.SetHTML(u"x");
    Label.SetBounds(0, 0, 100, 54);
    Label.SetVAlignment(tvaCenter);
    EXPECT_EQ(PaintOnce().Texts().at(0).Rect.Top, (54 - kGh) / 2);
    Label.SetVAlignment(tvaBottom);
    EXPECT_EQ(PaintOnce().Texts().at(0).Rect.Top, 54 - kGh);
}

TEST_F(MarkupLabel, HilightAndMarkWrapVisibleTextAndAreUndone) {
    Label.SetHTML(u"Click <B>Install</B> to install");
    Label.HilightText(u"install", false);
    EXPECT_EQ(Label.BuildDisplayText(), u"Click <B><hi>Install</hi></B> to <hi>install</hi>");
    Label.UnHilightText();
    EXPECT_EQ(Label.BuildDisplayText(), u"Click <B>Install</B> to install");
    Label.MarkText(u"install", true);
    EXPECT_EQ(Label.BuildDisplayText(), u"Click <B>Install</B> to <e>install</e>");
    Label.UnMarkText();
    Label.SetHTML(u"ab<B>cd</B>");
    Label.HilightText(u"bc", true);  // across a tag
    EXPECT_EQ(Label.BuildDisplayText(), u"a<hi>b<B>c</hi>d</B>");
}

TEST_F(MarkupLabel, AnchorsChangeTheCursorAndClicksOpenAddresses) {
    Label.SetBounds(0, 0, 401, 40);
    Label.SetHTML(u"go <A href=\"http://example.test/\" title=\"Site\">here</A> or <A href=\"local\">there</A>");
    std::vector<std::u16string> entered, clicked;
    Label.OnAnchorEnter = [&](TMarkupLabel&, const std::u16string& a) { entered.push_back(a); };
    Label.OnAnchorClick = [&](TMarkupLabel&, const std::u16string& a) { clicked.push_back(a); };
    int exits = 0;
    Label.OnAnchorExit = [&](TMarkupLabel&, const std::u16string&) { ++exits; };

    EXPECT_EQ(Label.AnchorAtPoint(20, 5), u"Site");  // the title when there is one
    EXPECT_EQ(Label.HoverHyperLink(), 1);
    Label.MouseMove(20, 5);
    EXPECT_TRUE(Host->Hand);
    Label.MouseMove(22, 5);  // same anchor: no second enter
    EXPECT_EQ(entered, (std::vector<std::u16string>{u"Site"}));
    Label.MouseMove(5, 5);  // off the anchors
    EXPECT_FALSE(Host->Hand);
    EXPECT_EQ(exits, 1);

    Label.MouseDown(mbLeft, 20, 5);
    Label.MouseDown(mbLeft, 60, 5);  // "go here or " = 15 + 24 + 3 + 9 = 51
    Label.MouseDown(mbRight, 20, 5);
    Label.MouseDown(mbLeft, 5, 5);
    EXPECT_EQ(clicked, (std::vector<std::u16string>{u"http://example.test/", u"local"}));
    EXPECT_EQ(Host->Opened, (std::vector<std::u16string>{u"http://example.test/"}));
}

TEST_F(MarkupLabel, HintsShowAnchorsOrThePlainText) {
    Label.SetHTML(u"a<BR>b<Z>hidden</Z><B>c</B><HR>d");
    EXPECT_TRUE(Label.HintText().empty());
    Label.SetHintShowFull(true);
    EXPECT_EQ(Label.HintText(), u"a\r\nbc\r\nd");
    Label.SetHTMLHint(true);
    EXPECT_EQ(Label.HintText(), u"a<BR>b<Z>hidden</Z><B>c</B><HR>d");
}

TEST_F(MarkupLabel, SizeWithMaxWidthAndPrinting) {
    Label.SetHTML(u"abcd efgh");
    EXPECT_EQ(Label.GetSizeWithMaxWidth(1000), (TSize{51 + 2, kGh}));
    EXPECT_EQ(Label.GetSizeWithMaxWidth(40), (TSize{24 + 2, 2 * kGh}));
    FakeSurface printer;
    Label.SetHTML(u"<SHAD>s</SHAD>");
    Label.HTMLPrint(printer, {0, 0, 100, 100});
    ASSERT_EQ(printer.Texts().size(), 2u);
    EXPECT_EQ(printer.Texts()[0].Font.Color, clGray);
    EXPECT_EQ(printer.Texts()[0].Rect.Left, 1);  // shadow offset 1 when printing
}
