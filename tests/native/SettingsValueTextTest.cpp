// Text forms of floats, dates and times under different locale settings.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Failure.h"
#include "platform/Text.h"
#include "settings/ValueText.h"

using namespace zo;

TEST(SettingsValueText, FloatsUseFifteenDigitsAndTheShortExponentForm) {
    TFormatSettings fs;
    EXPECT_EQ(FloatToStr(0.1, fs), u"0.1");
    EXPECT_EQ(FloatToStr(-1234.5, fs), u"-1234.5");
    EXPECT_EQ(FloatToStr(1e20, fs), u"1E20");
    EXPECT_EQ(FloatToStr(1.5e-7, fs), u"1.5E-7");
    EXPECT_EQ(FloatToStr(-0.0, fs), u"0");
    double v = 0;
    // Range: the smallest subnormal and a zero with any exponent are values; a non-zero number
    // that rounds to zero and one past the largest double are not.
    for (const char16_t* text : {u" 1.5E-7 ", u"+3", u"-.5", u"5.", u"4.9E-324", u"0.000E-99999", u"0E999999"})
        EXPECT_TRUE(TryStrToFloat(text, fs, v)) << zo::ToUtf8(text);
    for (const char16_t* text : {u"", u"1,5", u"1e", u"1e999", u"NAN", u"0x10", u"1.5x", u".", u"1E-400",
                                 u"2.4703282292062327E-324", u"1.7976931348623159E308"})
        EXPECT_FALSE(TryStrToFloat(text, fs, v)) << zo::ToUtf8(text);
    // Correct rounding: halfway between two doubles goes to the even one.
    ASSERT_TRUE(TryStrToFloat(u"9007199254740993", fs, v));
    EXPECT_EQ(v, 9007199254740992.0);
    fs.DecimalSeparator = u',';
    EXPECT_TRUE(TryStrToFloat(u"-2,25", fs, v));
    EXPECT_EQ(v, -2.25);
}

TEST(SettingsValueText, TwelveHourClockWithDesignators) {
    TFormatSettings fs;  // M/d/yyyy h:mm:ss tt
    TDateTime day, noon, midnight, evening;
    ASSERT_TRUE(TryEncodeDate(1999, 12, 31, day));
    ASSERT_TRUE(TryEncodeTime(12, 0, 0, 0, noon));
    ASSERT_TRUE(TryEncodeTime(0, 30, 0, 0, midnight));
    ASSERT_TRUE(TryEncodeTime(23, 59, 59, 0, evening));
    EXPECT_EQ(DateToStr(day, fs), u"12/31/1999");
    EXPECT_EQ(TimeToStr(noon, fs), u"12:00:00 PM");
    EXPECT_EQ(TimeToStr(midnight, fs), u"12:30:00 AM");
    EXPECT_EQ(DateTimeToStr(day, fs), u"12/31/1999");
    EXPECT_EQ(DateTimeToStr(day + evening, fs), u"12/31/1999 11:59:59 PM");
    TDateTime v;
    ASSERT_TRUE(TryStrToDateTime(u"12/31/1999 11:59:59 pm", fs, v));
    EXPECT_NEAR(v, day + evening, 1e-9);
    ASSERT_TRUE(TryStrToTime(u"12:30 AM", fs, v));
    EXPECT_NEAR(v, midnight, 1e-9);
    ASSERT_TRUE(TryStrToDateTime(u"1:00 PM", fs, v));  // a time alone
    EXPECT_NEAR(v, 13.0 / 24, 1e-9);
    EXPECT_FALSE(TryStrToTime(u"13:00 PM", fs, v));
    EXPECT_FALSE(TryStrToTime(u"10:61", fs, v));
    EXPECT_FALSE(TryStrToDate(u"2/30/2001", fs, v));
    EXPECT_FALSE(TryStrToDate(u"12/31/1999 extra", fs, v));
    ASSERT_TRUE(TryStrToDate(u"2/3/01", fs, v));  // two-digit year near the current century
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(v, y, mo, d, h, mi, s, ms);
    EXPECT_EQ(y, 2001);
    EXPECT_EQ(mo, 2);
    EXPECT_EQ(d, 3);
}

TEST(SettingsValueText, DatesBeforeTheEpochAndOutOfRange) {
    TFormatSettings fs;
    fs.ShortDateFormat = u"yyyy-MM-dd";
    fs.LongTimeFormat = u"HH:mm:ss";
    TDateTime v;
    ASSERT_TRUE(TryEncodeDate(1899, 12, 29, v));
    EXPECT_EQ(v, -1);
    EXPECT_EQ(DateTimeToStr(-1.25, fs), u"1899-12-29 06:00:00");  // the fraction counts from that day
    ASSERT_TRUE(TryStrToDateTime(u"1899-12-29 06:00:00", fs, v));
    EXPECT_EQ(v, -1.25);
    EXPECT_EQ(DateToStr(0, fs), u"1899-12-30");
    EXPECT_THROW(DateToStr(1e10, fs), EConvertError);
    EXPECT_THROW(DateToStr(std::nan(""), fs), EConvertError);
}
