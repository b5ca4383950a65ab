#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/MessageBoxLayout.h"

using namespace zo;

TEST(MessageBoxLayout, IconTopLeftMessageBesideItButtonCentredBelow) {
    struct Row {
        const char* what;
        TMessageBoxMetrics in;
        TRect text, button;
        TSize client;
        int dpi = kDesignDpi;
        TRect icon = {12, 12, 44, 44};
    } rows[] = {
        // One short line is centred on the icon's height; the button sets the width.
        {"short", {{20, 15}, 14, 0}, {56, 20, 76, 35}, {12, 60, 87, 83}, {99, 95}},
        // Several lines run below the icon; the button moves down with them and stays centred.
        {"tall", {{300, 60}, 14, 0}, {56, 12, 356, 72}, {146, 88, 221, 111}, {368, 123}},
        // A long button caption widens the button beyond its least width.
        {"wide button", {{20, 15}, 100, 0}, {56, 20, 76, 35}, {12, 60, 136, 83}, {148, 95}},
        // The caption bar's title can set the width.
        {"long title", {{20, 15}, 14, 250}, {56, 20, 76, 35}, {87, 60, 162, 83}, {250, 95}},
        // At 200 % the margins, gaps, icon and button grow with the text.
        {"short at 192 dpi", {{40, 30}, 28, 0}, {112, 41, 152, 71}, {24, 120, 174, 166}, {198, 190}, 192, {24, 24, 88, 88}},
    };
    for (const Row& r : rows) {
        TMessageBoxLayout l = LayOutMessageBox(r.in, r.dpi);
        EXPECT_EQ(l.Icon, r.icon) << r.what;
        EXPECT_EQ(l.Text, r.text) << r.what;
        EXPECT_EQ(l.Button, r.button) << r.what;
        EXPECT_EQ(l.Client, r.client) << r.what;
        EXPECT_LE(std::abs(l.Button.Left + l.Button.Right - l.Client.Cx), 1) << r.what;
    }
}

TEST(MessageBoxLayout, ClipboardTextIsThePlatformsLayoutWithoutAccessKeyMarks) {
    const std::u16string rule = u"---------------------------\r\n";
    EXPECT_EQ(MessageBoxClipboardText(u"Error", u"Unable to find it.", {u"OK"}),
              rule + u"Error\r\n" + rule + u"Unable to find it.\r\n" + rule + u"OK   \r\n" + rule);
    EXPECT_EQ(MessageBoxClipboardText(u"Error", u"Style 'TabletDark' not found", {u"&Close"}),
              rule + u"Error\r\n" + rule + u"Style 'TabletDark' not found\r\n" + rule + u"Close   \r\n" + rule);
    EXPECT_EQ(WithoutAccessKeyMarks(u"Save && &Quit&"), u"Save & Quit&");
}
