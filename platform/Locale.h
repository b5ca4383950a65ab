// The user's locale: the formats of dates, times and numbers, and letter case.
#pragma once
#include <string>
#include <string_view>

namespace zo {

// Text forms of the user's locale. The two patterns use the system's picture codes: d, dd
// (day), M, MM (month), yy, yyyy (year), h, hh (12-hour), H, HH (24-hour), m, mm, s, ss, t, tt
// (the AM/PM designator); text in single quotes and any other character stand for themselves.
struct TFormatSettings {
    char16_t DecimalSeparator = u'.';
    std::u16string ShortDateFormat = u"M/d/yyyy";
    std::u16string LongTimeFormat = u"h:mm:ss tt";
    std::u16string TimeAMString = u"AM";
    std::u16string TimePMString = u"PM";
};

class ILocale {
public:
    virtual ~ILocale() = default;

    // The user's current settings.
    virtual TFormatSettings FormatSettings() = 0;

    // The text in upper case under the user's locale rules; the result has the same length, and
    // ASCII letters map to ASCII capitals (the file-system casing, not a language's own).
    virtual std::u16string UpperCase(std::u16string_view text) = 0;
};

}  // namespace zo
