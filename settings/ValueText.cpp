#include "settings/ValueText.h"

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "platform/Failure.h"

namespace zo {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string_view TrimBlanks(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
    return s;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yy + (m <= 2));
}

const int64_t kEpochOffset = DaysFromCivil(1899, 12, 30);  // serial 0 in days from 1970
const double kMinDateTime = -693593.0;                       // 0001-01-01
const double kMaxDateTime = 2958466.0;                       // 10000-01-01, exclusive

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int CurrentYear() {
    using namespace std::chrono;
    auto days = floor<std::chrono::days>(system_clock::now());
    return int(year_month_day(days).year());
}

std::u16string Digits(int value, int width) {
    std::string s = std::to_string(value);
    while (int(s.size()) < width) s.insert(s.begin(), '0');
    return std::u16string(s.begin(), s.end());
}

// Calls emit(letter, count) for each picture field and literal(char) for each literal character.
template <typename Field, typename Literal>
void WalkPattern(std::u16string_view pattern, Field emit, Literal literal) {
    size_t i = 0;
    while (i < pattern.size()) {
        char16_t c = pattern[i];
        if (c == u'\'') {
            ++i;
            while (i < pattern.size()) {
                if (pattern[i] == u'\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == u'\'') {
                        literal(u'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal(pattern[i++]);
            }
            continue;
        }
        if (c == u'd' || c == u'M' || c == u'y' || c == u'h' || c == u'H' || c == u'm' || c == u's' ||
            c == u't') {
            size_t n = 1;
            while (i + n < pattern.size() && pattern[i + n] == c) ++n;
            emit(c, int(n));
            i += n;
            continue;
        }
        literal(c);
        ++i;
    }
}

void CheckRange(TDateTime value) {
    if (!(value >= kMinDateTime && value < kMaxDateTime))
        throw EConvertError(u"Invalid argument to date encode");
}

std::u16string FormatWith(std::u16string_view pattern, TDateTime value, const TFormatSettings& fs) {
    CheckRange(value);
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    std::u16string out;
    WalkPattern(
        pattern,
        [&](char16_t c, int n) {
            switch (c) {
                case u'd':
                    if (n <= 2) out += Digits(d, n);  // day names are left out
                    break;
                case u'M': out += Digits(mo, n >= 2 ? 2 : 1); break;
                case u'y': out += n <= 2 ? Digits(y % 100, n) : Digits(y, 4); break;
                case u'h': out += Digits(h % 12 == 0 ? 12 : h % 12, n >= 2 ? 2 : 1); break;
                case u'H': out += Digits(h, n >= 2 ? 2 : 1); break;
                case u'm': out += Digits(mi, n >= 2 ? 2 : 1); break;
                case u's': out += Digits(s, n >= 2 ? 2 : 1); break;
                case u't': {
                    const std::u16string& des = h < 12 ? fs.TimeAMString : fs.TimePMString;
                    out += n == 1 ? des.substr(0, 1) : des;
                    break;
                }
            }
        },
        [&](char16_t c) { out += c; });
    // A designator left empty by the locale may leave a trailing blank.
    while (!out.empty() && out.back() == u' ') out.pop_back();
    return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x -= 32;
        if (y >= u'a' && y <= u'z') y -= 32;
        if (x != y) return false;
    }
    return true;
}

// The numbers of a text, and the AM/PM designator found in it (0 none, 1 AM, 2 PM).
struct TScan {
    std::vector<int> Numbers;
    std::vector<int> Widths;
    int Designator = 0;
};

bool IsSeparator(char16_t c, std::u16string_view literals) {
    if (c <= 32 || c == 0xA0 || c == 0x202F) return true;
    return literals.find(c) != std::u16string_view::npos;
}

bool Scan(std::u16string_view text, const TFormatSettings& fs, std::u16string_view pattern, TScan& scan) {
    std::u16string literals;
    WalkPattern(pattern, [](char16_t, int) {}, [&](char16_t c) { literals += c; });
    const std::u16string_view designators[4] = {fs.TimeAMString, fs.TimePMString, u"AM", u"PM"};
    size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (IsDigit(c)) {
            int64_t v = 0;
            size_t start = i;
            while (i < text.size() && IsDigit(text[i])) {
                v = v * 10 + (text[i] - u'0');
                if (v > 99999) return false;
                ++i;
            }
            scan.Numbers.push_back(int(v));
            scan.Widths.push_back(int(i - start));
            continue;
        }
        bool matched = false;
        for (int k = 0; k < 4 && !matched; ++k) {
            const std::u16string_view des = designators[k];
            if (!des.empty() && text.size() - i >= des.size() && EqualsNoCase(text.substr(i, des.size()), des)) {
                if (scan.Designator != 0) return false;
                scan.Designator = (k % 2 == 0) ? 1 : 2;
                i += des.size();
                matched = true;
            }
        }
        if (matched) continue;
        if (!IsSeparator(c, literals)) return false;
        ++i;
    }
    return true;
}

// The order of day, month and year in the short date pattern, as indexes 0 (d), 1 (M), 2 (y).
std::vector<int> DateOrder(std::u16string_view pattern) {
    std::vector<int> order;
    WalkPattern(
        pattern,
        [&](char16_t c, int n) {
            int k = c == u'd' && n <= 2 ? 0 : c == u'M' ? 1 : c == u'y' ? 2 : -1;
            if (k >= 0 && std::find(order.begin(), order.end(), k) == order.end()) order.push_back(k);
        },
        [](char16_t) {});
    if (order.size() != 3) order = {1, 0, 2};
    return order;
}

bool DateFromNumbers(const int* numbers, const int* widths, size_t count, const TFormatSettings& fs,
                     TDateTime& value) {
    std::vector<int> order = DateOrder(fs.ShortDateFormat);
    int parts[3] = {0, 0, 0};
    int yearWidth = 4;
    if (count == 3) {
        for (int k = 0; k < 3; ++k) {
            parts[order[k]] = numbers[k];
            if (order[k] == 2) yearWidth = widths[k];
        }
    } else if (count == 2) {
        int k2 = 0;
        for (int k = 0; k < 3; ++k)
            if (order[k] != 2) parts[order[k]] = numbers[k2++];
        parts[2] = CurrentYear();
    } else {
        return false;
    }
    int year = parts[2];
    if (yearWidth <= 2) {
        int now = CurrentYear();
        year += now / 100 * 100;
        if (year > now + 50) year -= 100;
        if (year <= now - 50) year += 100;
    }
    return TryEncodeDate(year, parts[1], parts[0], value);
}

bool TimeFromNumbers(const int* numbers, size_t count, int designator, TDateTime& value) {
    if (count == 0 || count > 4 || (count == 1 && designator == 0)) return false;
    int h = numbers[0];
    int m = count > 1 ? numbers[1] : 0;
    int s = count > 2 ? numbers[2] : 0;
    int ms = count > 3 ? numbers[3] : 0;
    if (designator != 0) {
        if (h < 1 || h > 12) return false;
        if (designator == 1 && h == 12) h = 0;
        if (designator == 2 && h < 12) h += 12;
    }
    return TryEncodeTime(h, m, s, ms, value);
}

}  // namespace

std::u16string FloatToStr(double value, const TFormatSettings& fs) {
    if (std::isnan(value)) return u"NAN";
    if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
    if (value == 0) return u"0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", value);
    std::string s = buf;
    std::string exponent;
    size_t e = s.find('E');
    if (e != std::string::npos) {
        std::string ex = s.substr(e + 1);
        s.erase(e);
        bool neg = !ex.empty() && ex[0] == '-';
        size_t k = (!ex.empty() && (ex[0] == '-' || ex[0] == '+')) ? 1 : 0;
        while (k + 1 < ex.size() && ex[k] == '0') ++k;
        exponent = std::string("E") + (neg ? "-" : "") + ex.substr(k);
    }
    std::u16string out;
    for (char c : s) out += c == '.' ? fs.DecimalSeparator : char16_t(c);
    for (char c : exponent) out += char16_t(c);
    return out;
}

bool TryStrToFloat(std::u16string_view text, const TFormatSettings& fs, double& value) {
    text = TrimBlanks(text);
    std::string ascii;
    size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii += '-';
        ++i;
    }
    size_t digits = 0;
    bool nonZero = false;  // a digit of the number other than 0
    const auto digit = [&] {
        nonZero |= text[i] != u'0';
        ascii += char(text[i++]);
        ++digits;
    };
    while (i < text.size() && IsDigit(text[i])) digit();
    if (i < text.size() && text[i] == fs.DecimalSeparator) {
        ascii += '.';
        ++i;
        while (i < text.size() && IsDigit(text[i])) digit();
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == u'E' || text[i] == u'e')) {
        ascii += 'e';
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ascii += char(text[i++]);
        size_t expDigits = 0;
        while (i < text.size() && IsDigit(text[i])) ascii += char(text[i++]), ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != text.size()) return false;
    // The C library's conversion: it rounds correctly, as std::from_chars does, without linking
    // that one's 40 KB parser into the Windows programs. Out of range, as with from_chars: a value
    // too large, or a non-zero number that rounds to zero (a tiny one that keeps a value is taken).
    char* end = nullptr;
    const double v = std::strtod(ascii.c_str(), &end);
    if (end != ascii.c_str() + ascii.size() || std::isinf(v) || (v == 0 && nonZero)) return false;
    value = v;
    return true;
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    value = double(DaysFromCivil(year, unsigned(month), unsigned(day)) - kEpochOffset);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 ||
        msec > 999)
        return false;
    value = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
    return true;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second,
                    int& msec) {
    CheckRange(value);
    double whole = std::trunc(value);
    int64_t days = int64_t(whole);
    int64_t ms = std::llround(std::fabs(value - whole) * 86400000.0);
    if (ms >= 86400000) {  // rounding reached the next midnight
        ms = 0;
        days += value < 0 ? -1 : 1;
    }
    CivilFromDays(days + kEpochOffset, year, month, day);
    hour = int(ms / 3600000);
    minute = int(ms / 60000 % 60);
    second = int(ms / 1000 % 60);
    msec = int(ms % 1000);
}

std::u16string DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatWith(fs.ShortDateFormat, value, fs);
}

std::u16string TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatWith(fs.LongTimeFormat, value, fs);
}

std::u16string DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
    CheckRange(value);
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    std::u16string out = DateToStr(value, fs);
    if (h != 0 || mi != 0 || s != 0 || ms != 0) out += u" " + TimeToStr(value, fs);
    return out;
}

bool TryStrToDate(std::u16string_view text, const TFormatSettings& fs, TDateTime& value) {
    TScan scan;
    if (!Scan(text, fs, fs.ShortDateFormat, scan) || scan.Designator != 0) return false;
    return DateFromNumbers(scan.Numbers.data(), scan.Widths.data(), scan.Numbers.size(), fs, value);
}

bool TryStrToTime(std::u16string_view text, const TFormatSettings& fs, TDateTime& value) {
    TScan scan;
    if (!Scan(text, fs, fs.LongTimeFormat, scan)) return false;
    return TimeFromNumbers(scan.Numbers.data(), scan.Numbers.size(), scan.Designator, value);
}

bool TryStrToDateTime(std::u16string_view text, const TFormatSettings& fs, TDateTime& value) {
    TScan scan;
    if (!Scan(text, fs, fs.ShortDateFormat + fs.LongTimeFormat, scan)) return false;
    const size_t n = scan.Numbers.size();
    if (n >= 3) {
        TDateTime date, time = 0;
        if (DateFromNumbers(scan.Numbers.data(), scan.Widths.data(), 3, fs, date) &&
            (n == 3 ? scan.Designator == 0
                    : TimeFromNumbers(scan.Numbers.data() + 3, n - 3, scan.Designator, time))) {
            value = date < 0 ? date - time : date + time;
            return true;
        }
    }
    if (TimeFromNumbers(scan.Numbers.data(), n, scan.Designator, value)) return true;
    return scan.Designator == 0 && DateFromNumbers(scan.Numbers.data(), scan.Widths.data(), n, fs, value);
}

}  // namespace zo
