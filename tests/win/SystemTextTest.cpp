#include <gtest/gtest.h>

#include "WinTestMain.h"
#include "platform/SystemText.h"
#include "platform/win32/Win32SystemText.h"

TEST(Win32SystemText, GivesTheSystemsDescriptionWithoutTrailingFullStop) {
    zo::Win32SystemText text;
    std::u16string raw = text.SystemMessage(5);
    ASSERT_FALSE(raw.empty());
    std::u16string trimmed = zo::SysErrorMessage(text, 5);
    ASSERT_FALSE(trimmed.empty());
    EXPECT_NE(trimmed.back(), u'.');
    EXPECT_NE(trimmed.back(), u'\n');
    EXPECT_EQ(raw.compare(0, trimmed.size(), trimmed), 0);
}
