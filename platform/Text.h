// Conversions between the program's UTF-16 strings and UTF-8, and small formatting helpers that
// the portable code shares.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zo {

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

// Decimal text of a signed 32-bit value, as "%d" formats it.
std::u16string IntToStr(int64_t value);

// Replaces each "%s" in format, in order, with the next argument (a missing argument gives "").
std::u16string FormatS(std::u16string_view format, std::initializer_list<std::u16string_view> args);

// The capital of an ASCII letter; any other character as it is.
constexpr char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

// A caption without the "&" marks of its access key ("&&" stands for one "&").
std::u16string WithoutAccessKeyMarks(std::u16string_view caption);
// The character a caption's "&" marks as its access key, 0 when there is none.
char16_t AccessKeyOf(std::u16string_view caption);

}  // namespace zo
