#include <gtest/gtest.h>

#include "platform/Failure.h"
#include "platform/Style.h"

using namespace zo;

TEST(FailureBoxText, AddsFullStopOnlyAfterCharactersAboveFullStop) {
    EXPECT_EQ(FailureBoxText(u"Cannot create file \"C:\\x.ini\". Access is denied"),
              u"Cannot create file \"C:\\x.ini\". Access is denied.");
    EXPECT_EQ(FailureBoxText(u"Code 5"), u"Code 5.");
    EXPECT_EQ(FailureBoxText(u"Already done."), u"Already done.");
    EXPECT_EQ(FailureBoxText(u"(see log)"), u"(see log)");
    EXPECT_EQ(FailureBoxText(u"Stop!"), u"Stop!");
    EXPECT_EQ(FailureBoxText(u"trailing "), u"trailing ");
    EXPECT_EQ(FailureBoxText(u"path/"), u"path/.");  // "/" comes after "."
    EXPECT_EQ(FailureBoxText(u"caf\u00e9"), u"caf\u00e9.");
    EXPECT_EQ(FailureBoxText(u""), u"");
}

TEST(Style, ParsesColoursAndOptionalPanelEntries) {
    std::string text =
        "# comment\n"
        "Window=#1F1F22\nWindowText=#F2F2F2\nButtonFace=#3A3A3F\nButtonFaceHot=#4A4A52\n"
        "ButtonFacePressed=#2A5C8A\nButtonFaceDisabled=#2A2A2E\nButtonText=#FFFFFF\n"
        "ButtonTextDisabled=#76767C\nButtonBorder=#5A5A62\nFocusBorder=#3D8FD6\n"
        "CheckBoxFace=#2B2B30\nCheckBoxBorder=#8A8A92\nCheckMark=#FFFFFF\n"
        "StatusText=#E6E6E6\r\nStatusTextDisabled=#808088\n EditFace = #2b2b30 \n"
        "EditText=#E6E6E6\nHeadingText=#6CB2F0\n"
        "Caption=#2B2B30\nCaptionText=#FFFFFF\nCaptionInactive=#232326\nCaptionTextInactive=#8A8A92\n"
        "CaptionButtonHot=#45454C\nCaptionButtonPressed=#5A5A62\nCloseButtonHot=#C42B1C\n"
        "CloseButtonPressed=#9B2318\nCloseButtonText=#FFFFFF\nFrame=#5A5A62\nFrameInactive=#3A3A3F\n";
    std::optional<TStyle> s = ParseStyle(u"TabletDark", text);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->Window, RGBColor(0x1F, 0x1F, 0x22));
    EXPECT_EQ(s->StatusText, RGBColor(0xE6, 0xE6, 0xE6));
    EXPECT_EQ(s->EditFace, RGBColor(0x2B, 0x2B, 0x30));
    EXPECT_EQ(s->CloseButtonHot, RGBColor(0xC4, 0x2B, 0x1C));
    EXPECT_FALSE(s->Panel.has_value());

    std::optional<TStyle> withPanel = ParseStyle(u"X", text + "Panel=#102030\n");
    ASSERT_TRUE(withPanel);
    EXPECT_EQ(withPanel->Panel, RGBColor(0x10, 0x20, 0x30));

    EXPECT_FALSE(ParseStyle(u"X", "Window=#1F1F22\n"));           // colours missing
    EXPECT_FALSE(ParseStyle(u"X", text + "Panel=#12345G\n"));     // malformed colour
    EXPECT_FALSE(ParseStyle(u"X", text + "no equals sign\n"));
}
