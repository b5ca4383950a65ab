#include <gtest/gtest.h>

#include "app/GlyphStatus.h"
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
