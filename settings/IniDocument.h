// The settings document without the file around it: the text of an INI file parsed into
// sections and lines, its lookups and edits; the rule by which a stored value reads as a number
// or a switch; the text encodings. TMemIniFile builds on these, and the service reads its
// setting with them alone (settings/SettingsFile.h reads the file), so both programs read the
// file by one code.
//
// Lookups ignore letter case (both sides upper-cased under the user's locale) and the first
// match in document order wins. Duplicate sections and duplicate names are kept and written
// back; hash tables of the first match of each name make a lookup cost the same whatever the
// size of the file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace zo {

using TStrings = std::vector<std::u16string>;

class TIniDocument {
public:
    // Names are folded with the locale's upper case; it must outlive the document.
    explicit TIniDocument(ILocale& locale) : FLocale(locale) {}
    TIniDocument(const TIniDocument&) = delete;
    TIniDocument& operator=(const TIniDocument&) = delete;

    void Clear();
    // Replaces the document by the decoded text of a file: lines are trimmed, blank lines,
    // comments (";") and lines before the first section header are dropped.
    void Parse(std::u16string text);
    // The document as the lines that FileText holds, without their line breaks.
    TStrings GetStrings() const;
    // Replaces the document by parsing the lines.
    void SetStrings(const TStrings& lines);
    // The whole document as a file holds it: CR LF line breaks, a blank line after each section.
    std::u16string FileText() const;
    bool Empty() const { return FHeaders.empty(); }

    std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                              std::u16string_view defaultValue);
    // Throws EConvertError for a text that would break the line structure of the file.
    void WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value);
    // The names of the section's lines, in order.
    void ReadSection(std::u16string_view section, TStrings& strings);
    // Every section name in order, duplicates included.
    void ReadSections(TStrings& strings) const;
    // The section's lines as stored.
    void ReadSectionValues(std::u16string_view section, TStrings& strings);
    void EraseSection(std::u16string_view section);
    void DeleteKey(std::u16string_view section, std::u16string_view ident);
    // True when the section has at least one line.
    bool SectionExists(std::u16string_view section);
    bool ValueExists(std::u16string_view section, std::u16string_view ident);

private:
    // An open-addressing table from a case-folded name to the number of its first entry; a slot
    // holds that number plus one (with some bits of the name's hash above it while Tagged), 0
    // when free. Names themselves stay in the document.
    struct TNameTable {
        std::vector<uint32_t> Slots;
        size_t Count = 0;
        bool Tagged = true;
        bool Built = false;
        size_t Scanned = 0;  // names read by lookups made without the table
    };
    static bool WorthATable(const TNameTable& table, size_t names);
    template <typename NameOf>
    std::optional<uint32_t> Lookup(const TNameTable& table, std::u16string_view name, NameOf nameOf) const;
    template <typename NameOf>
    void Rehash(TNameTable& table, size_t slots, bool tagged, NameOf nameOf) const;
    // Room for count names without growing.
    template <typename NameOf>
    void ReserveNames(TNameTable& table, size_t count, NameOf nameOf) const;
    template <typename NameOf>
    void InsertFirst(TNameTable& table, std::u16string_view name, uint32_t value, NameOf nameOf) const;

    std::u16string Fold(std::u16string_view name) const;
    uint64_t NameHash(std::u16string_view name) const;
    uint64_t FoldedHash(std::u16string_view name) const;
    bool SameName(std::u16string_view a, std::u16string_view b) const;

    std::u16string_view EntryText(size_t entry) const;
    // The name an entry holds: a section's or a line's.
    std::u16string_view NameAt(size_t entry, bool line) const;
    std::u16string_view SectionName(size_t ordinal) const { return EntryText(FHeaders[ordinal]); }
    // The entry after the section's last line.
    size_t SectionEnd(size_t ordinal) const;
    std::optional<uint32_t> FindSection(std::u16string_view name);
    // The entry of the first line of that name in the section.
    std::optional<size_t> FindLine(uint32_t ordinal, std::u16string_view ident);
    uint32_t AddSection(std::u16string_view name);
    void AddLine(uint32_t ordinal, std::u16string_view text);
    uint32_t AppendText(std::u16string_view text);
    void ReplaceLine(size_t entry, std::u16string_view text);
    void EraseEntries(size_t first, size_t last);
    void CompactText();
    // Fills the entry arrays from a parsed text, whose header entries end with their own mark.
    void IndexEntries(size_t entries, size_t headers);

    ILocale& FLocale;
    // Every section name and every line, each followed by "\n" (which no name or value can
    // hold), in FText; FEntries holds where each one starts, in document order, and FHeaders
    // which entries are section headers. A few bytes per line, so that a document costs about
    // what its file does.
    std::u16string FText;
    size_t FGarbage = 0;  // characters of FText that no entry uses any more
    std::vector<uint32_t> FEntries;
    std::vector<uint32_t> FHeaders;
    // Built once lookups have read as many names as a table takes in. Section names to section ordinals, and for sections of more
    // than a few lines, line names to the line's place in its section: neither moves when a
    // line is added at a section's end, which is where writes add lines.
    TNameTable FSectionTable;
    std::unordered_map<uint32_t, TNameTable> FLineTables;
};

// Signed decimal digits, or hexadecimal digits after "$", "x", "X", "0x" or "0X", after optional
// leading spaces and an optional sign; nothing may follow. Decimal values must fit 32 bits;
// hexadecimal values up to FFFFFFFF are taken as the 32-bit pattern.
bool TryStrToInt(std::u16string_view text, int32_t& value);
// The value of a hexadecimal digit, -1 for any other character.
int HexDigit(char16_t c);

// What a stored value reads as: an integer (TryStrToInt), defaultValue for anything else. A
// switch is on for any integer but 0.
int32_t StoredInteger(std::u16string_view text, int32_t defaultValue);
bool StoredBool(std::u16string_view text, bool defaultValue);

// The name of an INI line: the text before its first "=", empty when it has none.
std::u16string_view IniLineName(std::u16string_view line);

// Byte-order mark of an encoding: EF BB BF for 65001, FF FE for 1200, FE FF for 1201, else none.
std::string EncodingPreamble(uint32_t codePage);
std::u16string DecodeText(uint32_t codePage, std::string_view bytes, ICodePage& codePages);
std::string EncodeText(uint32_t codePage, std::u16string_view text, ICodePage& codePages);

}  // namespace zo
