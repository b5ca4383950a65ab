// Text forms of the typed settings values: floating-point numbers, dates and times (integers are
// read in settings/IniDocument.h, which the service needs without the rest).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Locale.h"

namespace zo {

// Days since 30 December 1899; the fraction is the time of day.
using TDateTime = double;

// Up to 15 significant digits with the locale's decimal separator; the exponent form ("1E20",
// "1.5E-7") for very large and very small values.
std::u16string FloatToStr(double value, const TFormatSettings& fs);
// Optional surrounding spaces, a sign, digits with at most one decimal separator, an optional
// exponent. False for anything else and for values out of range.
bool TryStrToFloat(std::u16string_view text, const TFormatSettings& fs, double& value);

// Formatting with the short date and long time patterns. A date-time shows its time only when
// the time is not midnight. Throws EConvertError for a value outside the years 1 to 9999.
std::u16string DateToStr(TDateTime value, const TFormatSettings& fs);
std::u16string TimeToStr(TDateTime value, const TFormatSettings& fs);
std::u16string DateTimeToStr(TDateTime value, const TFormatSettings& fs);

// Parsing: the numbers of the text are taken in the order of the pattern's fields; blanks and
// the characters that the pattern uses literally separate them. A date of two numbers
// is in the current year; a two-digit year lies within 50 years of the current one.
bool TryStrToDate(std::u16string_view text, const TFormatSettings& fs, TDateTime& value);
bool TryStrToTime(std::u16string_view text, const TFormatSettings& fs, TDateTime& value);
bool TryStrToDateTime(std::u16string_view text, const TFormatSettings& fs, TDateTime& value);

bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec);

}  // namespace zo
