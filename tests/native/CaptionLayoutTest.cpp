// The caption bar the program draws: where its parts lie, which part a point hits, and how its
// buttons look as the mouse moves over them and presses them.
#include <gtest/gtest.h>

#include "platform/CaptionLayout.h"

using namespace zo;
using P = TCaptionPart;

namespace {

struct LayoutRow {
    const char* name;
    TCaptionFrame frame;
    TRect bar, icon, minimise, close;
    int titleLeft, titleRight;
    TRect picture = {};  // where the icon is drawn
};

// Windows of 491 and 374 pixels with a 3-pixel frame: a main window (icon, minimise, close), a
// tool window (close only), a dialog without a window menu, and a window without a caption; and
// the main window at 200 %, whose gaps and icon grow with it.
const LayoutRow kLayouts[] = {
    {"main", {491, 3, 25, 16, true, true, true, false},
     {3, 3, 488, 25}, {3, 3, 28, 25}, {422, 3, 455, 25}, {455, 3, 488, 25}, 28, 416, {9, 6, 25, 22}},
    {"main at 192 dpi", {982, 6, 50, 32, true, true, true, false, 192},
     {6, 6, 976, 50}, {6, 6, 56, 50}, {844, 6, 910, 50}, {910, 6, 976, 50}, 56, 832, {18, 12, 50, 44}},
    {"tool", {374, 3, 20, 16, false, false, true, true},
     {3, 3, 371, 20}, {}, {}, {354, 3, 371, 20}, 9, 348},
    {"dialog", {374, 3, 25, 16, false, false, false, false},
     {3, 3, 371, 25}, {}, {}, {}, 9, 365},
    {"no caption", {374, 3, 3, 16, true, true, true, false}, {}, {}, {}, {}, 0, 0},
};

}  // namespace

TEST(CaptionLayout, PartsLieWhereTheyAreDrawnAndPointsHitThem) {
    for (const LayoutRow& row : kLayouts) {
        SCOPED_TRACE(row.name);
        const TCaptionLayout l = LayoutCaption(row.frame);
        EXPECT_EQ(l.Bar, row.bar);
        EXPECT_EQ(l.Icon, row.icon);
        EXPECT_EQ(l.Minimise, row.minimise);
        EXPECT_EQ(l.Close, row.close);
        EXPECT_EQ(l.Title.Left, row.titleLeft);
        EXPECT_EQ(l.Title.Right, row.titleRight);
        if (!row.icon.Empty()) EXPECT_EQ(l.IconPicture, row.picture);  // centred on the bar
        // Each part's corners hit it; the frame around the bar hits nothing.
        for (auto [r, part] : {std::pair{row.close, P::cpClose}, {row.minimise, P::cpMinimise}, {row.icon, P::cpIcon}})
            if (!r.Empty()) {
                EXPECT_EQ(CaptionPartAt(l, r.Left, r.Top), part);
                EXPECT_EQ(CaptionPartAt(l, r.Right - 1, r.Bottom - 1), part);
            }
        if (!l.Bar.Empty()) EXPECT_EQ(CaptionPartAt(l, l.Title.Left, l.Bar.Top), P::cpCaption);
        EXPECT_EQ(CaptionPartAt(l, 1, 1), P::cpNone);
        EXPECT_EQ(CaptionPartAt(l, row.frame.Width - 1, 10), P::cpNone);
    }
}

TEST(CaptionLayout, ButtonsAreHotUnderThePointerAndPressedOnlyWhileHeldOverThem) {
    TStyle s;
    s.Caption = 1, s.CaptionText = 2, s.CaptionInactive = 3, s.CaptionTextInactive = 4;
    s.CaptionButtonHot = 5, s.CaptionButtonPressed = 6, s.CloseButtonHot = 7, s.CloseButtonPressed = 8;
    s.CloseButtonText = 9;
    const struct {
        P button;
        bool active;
        TCaptionMouse mouse;
        TColorRef face, glyph;
    } rows[] = {
        {P::cpClose, true, {}, 1, 2},
        {P::cpClose, false, {}, 3, 4},
        {P::cpClose, true, {P::cpClose, P::cpNone}, 7, 9},
        {P::cpClose, false, {P::cpClose, P::cpClose}, 8, 9},
        {P::cpClose, true, {P::cpNone, P::cpClose}, 1, 2},          // held, but the pointer left it
        {P::cpClose, true, {P::cpClose, P::cpMinimise}, 1, 2},      // held for the other button
        {P::cpMinimise, true, {P::cpMinimise, P::cpNone}, 5, 2},
        {P::cpMinimise, false, {P::cpMinimise, P::cpMinimise}, 6, 4},
        {P::cpMinimise, true, {P::cpClose, P::cpNone}, 1, 2},
    };
    for (const auto& row : rows) {
        const TCaptionButtonLook look = CaptionButtonLook(s, row.button, row.active, row.mouse);
        EXPECT_EQ(look.Face, row.face) << int(row.button) << " hot " << int(row.mouse.Hot) << " pressed "
                                       << int(row.mouse.Pressed) << " active " << row.active;
        EXPECT_EQ(look.Glyph, row.glyph);
    }
}
