#include <gtest/gtest.h>

#include "app/GlyphStatus.h"
#include "app/MainLayout.h"
#include "app/ServiceState.h"

using namespace zo;

TEST(ServiceState, ProcessAloneDecidesRunningAndEachStateEnablesItsButtons) {
    EXPECT_EQ(DecideServiceState(false, true), TServiceState::ssRunning);
    EXPECT_EQ(DecideServiceState(true, true), TServiceState::ssRunning);
    EXPECT_EQ(DecideServiceState(true, false), TServiceState::ssStopped);
    EXPECT_EQ(DecideServiceState(false, false), TServiceState::ssNotInstalled);

    TServiceStateView running = ViewOf(TServiceState::ssRunning);
    EXPECT_EQ(running.Caption, u"Service is installed and running.");
    EXPECT_EQ(running.ImageIndex, 0);
    EXPECT_EQ(running.FontColor, RGBColor(0, 128, 0));
    EXPECT_TRUE(!running.Install && !running.Start && running.Stop && !running.Uninstall);

    TServiceStateView stopped = ViewOf(TServiceState::ssStopped);
    EXPECT_EQ(stopped.Caption, u"Service is installed but NOT running.");
    EXPECT_EQ(stopped.ImageIndex, 1);
    EXPECT_EQ(stopped.FontColor, RGBColor(255, 0, 0));
    EXPECT_TRUE(!stopped.Install && stopped.Start && !stopped.Stop && stopped.Uninstall);

    TServiceStateView missing = ViewOf(TServiceState::ssNotInstalled);
    EXPECT_EQ(missing.Caption, u"Service is NOT installed.");
    EXPECT_EQ(missing.ImageIndex, 1);
    EXPECT_TRUE(missing.Install && !missing.Start && !missing.Stop && !missing.Uninstall);

    TServiceStateView checking = ViewOf(TServiceState::ssChecking);
    EXPECT_EQ(checking.Caption, u"Checking service status...");
    EXPECT_EQ(checking.ImageIndex, 2);
    EXPECT_TRUE(checking.UseWindowTextColor);
    EXPECT_TRUE(!checking.Install && !checking.Start && !checking.Stop && !checking.Uninstall);
}

TEST(ServiceState, CopyrightLineHasNoLeadingZeros) {
    EXPECT_EQ(CopyrightLine(2026), u"Copyright \u00a9 2006-2026 Marnwick Software");
    EXPECT_EQ(CopyrightLine(10000), u"Copyright \u00a9 2006-10000 Marnwick Software");
}

TEST(GlyphStatus, WidthFollowsCaptionAndEmptyCaptionGivesDefault) {
    TGlyphStatusSettings s;
    EXPECT_EQ(GlyphStatusWidth(s, false, 100), 132);
    EXPECT_EQ(GlyphStatusWidth(s, true, 0), 58);
    EXPECT_EQ(GlyphStatusWidth(s, false, 0), 32);  // a caption measuring 0 is not an empty one
}

TEST(GlyphStatus, ImageAndCaptionPlacementInTheStandardPane) {
    TGlyphStatusSettings s;
    TGlyphStatusLayout l = LayoutGlyphStatus(s, 160, 23, 15);
    EXPECT_EQ(l.Image, (TRectI{3, 3, 19, 19}));
    EXPECT_EQ(l.TextArea, (TRectI{19, 1, 159, 22}));
    EXPECT_EQ(l.CaptionX, 26);
    EXPECT_EQ(l.CaptionY, 1 + (21 - 15) / 2);
    // Text taller than the area: halved toward zero, so it starts above the area's top.
    EXPECT_EQ(LayoutGlyphStatus(s, 160, 23, 24).CaptionY, 1 + (21 - 24) / 2);
    EXPECT_EQ(LayoutGlyphStatus(s, 160, 23, 24).CaptionY, 0);
}

TEST(GlyphStatus, LowPaneShrinksTheImageToTheInnerHeight) {
    TGlyphStatusSettings s;
    TGlyphStatusLayout l = LayoutGlyphStatus(s, 100, 12, 10);
    EXPECT_EQ(l.Image.Top, 1);
    EXPECT_EQ(l.Image.Height(), 10);
}

// Every design size scales by the window's resolution with one rounding rule: halves round away
// from zero, rectangles scale edge by edge, so neighbours and the band at the bottom edge still
// touch, and at 96 nothing changes.
TEST(DisplayScale, MainWindowAndStatusPaneAtEachResolution) {
    EXPECT_EQ(ScaleDpi(1, 144), 2);
    EXPECT_EQ(ScaleDpi(-1, 144), -2);
    EXPECT_EQ(ScaleDpi(23, 144), 35);
    EXPECT_EQ(ScaleDpi(13, 120), 16);
    EXPECT_EQ(ScaleBounds(6, 5, 90, 30, 120), (TRect{8, 6, 120, 44}));  // width 112, not 90 * 1.25 rounded alone
    struct Row {
        int Dpi, ClientWidth, ClientHeight;
        TRect Install, Image1;
        int StatusWidth100, StatusWidthEmpty;
        TRectI StatusImage;
        int CaptionX;
    };
    const Row rows[] = {
        {96, 485, 244, {6, 5, 96, 35}, {408, 133, 456, 181}, 132, 58, {3, 3, 19, 19}, 26},
        {120, 606, 305, {8, 6, 120, 44}, {510, 166, 570, 226}, 141, 73, {4, 4, 24, 24}, 33},
        {144, 728, 366, {9, 8, 144, 53}, {612, 200, 684, 272}, 149, 87, {5, 6, 29, 30}, 39},
        {192, 970, 488, {12, 10, 192, 70}, {816, 266, 912, 362}, 164, 116, {6, 7, 38, 39}, 51},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Dpi);
        const TMainSize client = MainClientSize(r.Dpi);
        EXPECT_EQ(client.Width, r.ClientWidth);
        EXPECT_EQ(client.Height, r.ClientHeight);
        EXPECT_EQ(MainControlBounds(mcInstall, r.Dpi), r.Install);
        EXPECT_EQ(MainControlBounds(mcImage1, r.Dpi), r.Image1);
        EXPECT_EQ(MainControlBounds(mcImage1, r.Dpi).Width(), MainControlBounds(mcImage1, r.Dpi).Height());
        // The copyright band fills the bottom of the client area to its edges.
        EXPECT_EQ(MainControlBounds(mcCopyright, r.Dpi), (TRect{0, ScaleDpi(217, r.Dpi), client.Width, client.Height}));
        const TGlyphStatusSettings s = GlyphStatusSettingsAt(r.Dpi);
        EXPECT_EQ(GlyphStatusWidth(s, false, 100), r.StatusWidth100);
        EXPECT_EQ(GlyphStatusWidth(s, true, 0), r.StatusWidthEmpty);
        const TRect pane = MainControlBounds(mcStatus, r.Dpi);
        const TGlyphStatusLayout l = LayoutGlyphStatus(s, 200, pane.Height(), ScaleDpi(15, r.Dpi));
        EXPECT_EQ(l.Image, r.StatusImage);
        EXPECT_EQ(l.Image.Width(), ScaleDpi(16, r.Dpi));
        EXPECT_EQ(l.CaptionX, r.CaptionX);
        EXPECT_GE(l.CaptionX, l.Image.Right);  // caption and image never overlap
    }
}
