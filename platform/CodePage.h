// Text encodings: the system's ANSI code page and conversions between code pages and UTF-16.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace zo {

// Code page numbers with a fixed meaning everywhere.
constexpr uint32_t cpUTF16LE = 1200;
constexpr uint32_t cpUTF16BE = 1201;
constexpr uint32_t cpUTF8 = 65001;

class ICodePage {
public:
    virtual ~ICodePage() = default;

    // The system's ANSI code page.
    virtual uint32_t AnsiCodePage() = 0;

    // Decodes bytes of a single- or multi-byte code page (never 1200/1201/65001, which the
    // portable code handles itself). Invalid sequences become the code page's replacement.
    virtual std::u16string ToUnicode(uint32_t codePage, std::string_view bytes) = 0;

    // Encodes text in a single- or multi-byte code page; characters that it cannot represent
    // become the code page's default character.
    virtual std::string FromUnicode(uint32_t codePage, std::u16string_view text) = 0;
};

}  // namespace zo
