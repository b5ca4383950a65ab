#include <gtest/gtest.h>

#include "platform/Text.h"

using namespace zo;

TEST(Text, Utf8RoundTripKeepsSurrogatePairsAndBmp) {
    std::u16string s = u"a\u00e9\u20ac\U0001F600z";
    EXPECT_EQ(FromUtf8(ToUtf8(s)), s);
    EXPECT_EQ(ToUtf8(u"\u00e9"), "\xC3\xA9");
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters) {
    EXPECT_EQ(FromUtf8("a\xC3"), u"a\uFFFD");
    EXPECT_EQ(FromUtf8("\xE2\x28\xA1"), u"\uFFFD(\uFFFD");
}

TEST(Text, FormatSFillsInOrderAndToleratesMissingArguments) {
    EXPECT_EQ(FormatS(u"Cannot open file \"%s\". %s", {u"C:\\a.ini", u"Denied"}),
              u"Cannot open file \"C:\\a.ini\". Denied");
    EXPECT_EQ(FormatS(u"Style '%s' not found", {}), u"Style '' not found");
    EXPECT_EQ(IntToStr(-5), u"-5");
}
