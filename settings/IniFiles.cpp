#include "settings/IniFiles.h"

#include <algorithm>
#include <cstring>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// A text that would break the line structure of the file.
void CheckLineText(const std::u16string& text) {
    for (char16_t c : text)
        if (c == u'\r' || c == u'\n' || c == 0)
            throw EConvertError(u"A settings name or value cannot hold a line break");
}

}  // namespace

// --- helpers ------------------------------------------------------------------------------------

std::u16string_view IniLineName(std::u16string_view line) {
    size_t eq = line.find(u'=');
    return eq == std::u16string_view::npos ? std::u16string_view() : line.substr(0, eq);
}

std::string EncodingPreamble(uint32_t codePage) {
    switch (codePage) {
        case cpUTF8: return "\xEF\xBB\xBF";
        case cpUTF16LE: return "\xFF\xFE";
        case cpUTF16BE: return "\xFE\xFF";
        default: return {};
    }
}

std::u16string DecodeText(uint32_t codePage, std::string_view bytes, ICodePage& codePages) {
    if (codePage == cpUTF8) {
        // A surrogate spelt out in UTF-8 is no character: it could not be written back as it was.
        std::u16string text = FromUtf8(bytes);
        for (size_t i = 0; i < text.size(); ++i) {
            char16_t c = text[i];
            if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
                ++i;
            else if (c >= 0xD800 && c < 0xE000)
                text[i] = 0xFFFD;
        }
        return text;
    }
    if (codePage == cpUTF16LE || codePage == cpUTF16BE) {
        std::u16string out(bytes.size() / 2, u'\0');
        for (size_t i = 0; i < out.size(); ++i) {
            unsigned char a = bytes[2 * i], b = bytes[2 * i + 1];
            out[i] = codePage == cpUTF16LE ? char16_t(a | (b << 8)) : char16_t((a << 8) | b);
        }
        return out;  // an odd last byte is no character
    }
    return codePages.ToUnicode(codePage, bytes);
}

std::string EncodeText(uint32_t codePage, std::u16string_view text, ICodePage& codePages) {
    if (codePage == cpUTF8) return ToUtf8(text);
    if (codePage == cpUTF16LE || codePage == cpUTF16BE) {
        std::string out(text.size() * 2, '\0');
        for (size_t i = 0; i < text.size(); ++i) {
            char lo = char(text[i] & 0xFF), hi = char(text[i] >> 8);
            out[2 * i] = codePage == cpUTF16LE ? lo : hi;
            out[2 * i + 1] = codePage == cpUTF16LE ? hi : lo;
        }
        return out;
    }
    return codePages.FromUnicode(codePage, text);
}

// --- TMemoryStream ------------------------------------------------------------------------------

size_t TMemoryStream::Read(void* buffer, size_t count) {
    if (FPosition >= FData.size()) return 0;
    count = std::min(count, FData.size() - FPosition);
    std::memcpy(buffer, FData.data() + FPosition, count);
    FPosition += count;
    return count;
}

size_t TMemoryStream::Write(const void* buffer, size_t count) {
    if (count == 0) return 0;
    if (FPosition + count > FData.size()) FData.resize(FPosition + count);
    std::memcpy(FData.data() + FPosition, buffer, count);
    FPosition += count;
    return count;
}

// --- TCustomIniFile -----------------------------------------------------------------------------

TCustomIniFile::TCustomIniFile(std::u16string fileName, const TSettingsPlatform& platform)
    : FFileName(std::move(fileName)), FPlatform(platform) {}

bool TCustomIniFile::SectionExists(const std::u16string& section) {
    TStrings names;
    ReadSection(section, names);
    return !names.empty();
}

bool TCustomIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    TStrings names;
    ReadSection(section, names);
    const std::u16string key = FPlatform.Locale.UpperCase(ident);
    for (const auto& name : names)
        if (FPlatform.Locale.UpperCase(name) == key) return true;
    return false;
}

int32_t TCustomIniFile::ReadInteger(const std::u16string& section, const std::u16string& ident,
                                    int32_t defaultValue) {
    std::u16string text = ReadString(section, ident, u"");
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) text.replace(0, 2, u"$");
    int32_t value;
    return TryStrToInt(text, value) ? value : defaultValue;
}

void TCustomIniFile::WriteInteger(const std::u16string& section, const std::u16string& ident, int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::u16string& section, const std::u16string& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::u16string& section, const std::u16string& ident, bool value) {
    WriteString(section, ident, value ? u"1" : u"0");
}

int32_t TCustomIniFile::ReadBinaryStream(const std::u16string& section, const std::u16string& ident,
                                         TStream& value) {
    const std::u16string text = ReadString(section, ident, u"");
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        int hi = HexDigit(text[i]), lo = HexDigit(text[i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes.push_back(uint8_t(hi * 16 + lo));
    }
    if (!bytes.empty()) value.Write(bytes.data(), bytes.size());
    return int32_t(bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const std::u16string& section, const std::u16string& ident,
                                       TStream& value) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text;
    uint8_t buffer[4096];
    for (size_t n; (n = value.Read(buffer, sizeof buffer)) > 0;)
        for (size_t i = 0; i < n; ++i) {
            text += digits[buffer[i] >> 4];
            text += digits[buffer[i] & 15];
        }
    WriteString(section, ident, text);
}

namespace {
// A typed value read as text and converted with the user's locale settings; the default when the
// key is missing, empty or not convertible.
template <typename T, typename TryParse>
T ReadConverted(TCustomIniFile& ini, const std::u16string& section, const std::u16string& ident, T defaultValue,
                TryParse tryParse) {
    const std::u16string text = ini.ReadString(section, ident, u"");
    T value;
    return !text.empty() && tryParse(text, value) ? value : defaultValue;
}
}  // namespace

TDateTime TCustomIniFile::ReadDate(const std::u16string& section, const std::u16string& ident,
                                   TDateTime defaultValue) {
    const auto& fs = FPlatform.Locale.FormatSettings();
    return ReadConverted(*this, section, ident, defaultValue,
                         [&](const std::u16string& t, TDateTime& v) { return TryStrToDate(t, fs, v); });
}

TDateTime TCustomIniFile::ReadDateTime(const std::u16string& section, const std::u16string& ident,
                                       TDateTime defaultValue) {
    const auto& fs = FPlatform.Locale.FormatSettings();
    return ReadConverted(*this, section, ident, defaultValue,
                         [&](const std::u16string& t, TDateTime& v) { return TryStrToDateTime(t, fs, v); });
}

TDateTime TCustomIniFile::ReadTime(const std::u16string& section, const std::u16string& ident,
                                   TDateTime defaultValue) {
    const auto& fs = FPlatform.Locale.FormatSettings();
    return ReadConverted(*this, section, ident, defaultValue,
                         [&](const std::u16string& t, TDateTime& v) { return TryStrToTime(t, fs, v); });
}

double TCustomIniFile::ReadFloat(const std::u16string& section, const std::u16string& ident,
                                 double defaultValue) {
    const auto& fs = FPlatform.Locale.FormatSettings();
    return ReadConverted(*this, section, ident, defaultValue,
                         [&](const std::u16string& t, double& v) { return TryStrToFloat(t, fs, v); });
}

void TCustomIniFile::WriteDate(const std::u16string& section, const std::u16string& ident, TDateTime value) {
    WriteString(section, ident, DateToStr(value, FPlatform.Locale.FormatSettings()));
}

void TCustomIniFile::WriteDateTime(const std::u16string& section, const std::u16string& ident,
                                   TDateTime value) {
    WriteString(section, ident, DateTimeToStr(value, FPlatform.Locale.FormatSettings()));
}

void TCustomIniFile::WriteTime(const std::u16string& section, const std::u16string& ident, TDateTime value) {
    WriteString(section, ident, TimeToStr(value, FPlatform.Locale.FormatSettings()));
}

void TCustomIniFile::WriteFloat(const std::u16string& section, const std::u16string& ident, double value) {
    WriteString(section, ident, FloatToStr(value, FPlatform.Locale.FormatSettings()));
}

void TCustomIniFile::ReadSections(const std::u16string& prefix, TStrings& strings) {
    TStrings all;
    ReadSections(all);
    strings.clear();
    const std::u16string key = FPlatform.Locale.UpperCase(prefix + u"\\");
    for (auto& name : all)
        if (name.size() >= key.size() && FPlatform.Locale.UpperCase(name.substr(0, key.size())) == key)
            strings.push_back(name);
}

void TCustomIniFile::ReadSubSections(const std::u16string& section, TStrings& strings, bool recurse) {
    TStrings below;
    ReadSections(section, below);
    strings.clear();
    const size_t skip = section.size() + 1;
    std::unordered_map<std::u16string, bool> seen;
    for (auto& name : below) {
        std::u16string rest = name.substr(skip);
        if (!recurse) rest = rest.substr(0, rest.find(u'\\'));
        if (rest.empty()) continue;
        if (seen.emplace(FPlatform.Locale.UpperCase(rest), true).second) strings.push_back(rest);
    }
}

// --- TMemIniFile --------------------------------------------------------------------------------

namespace {

constexpr char16_t kEnd = u'\n';
// Sections of at most this many lines are searched line by line rather than through a table.
constexpr size_t kLinearSection = 8;

bool IsAscii(std::u16string_view s) {
    for (char16_t c : s)
        if (c >= 128) return false;
    return true;
}

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; }

uint64_t HashFolded(std::u16string_view folded, bool asciiToUpper) {
    uint64_t h = 1469598103934665603ull;
    for (char16_t c : folded) {
        h ^= asciiToUpper ? AsciiUpper(c) : c;
        h *= 1099511628211ull;
    }
    return h ^ (h >> 29);
}

uint32_t CheckedSize(size_t size) {
    if (size >= UINT32_MAX) throw EConvertError(u"The settings document is too large");
    return uint32_t(size);
}

}  // namespace

TMemIniFile::TMemIniFile(std::u16string fileName, const TSettingsPlatform& platform,
                         std::optional<uint32_t> encoding)
    : TCustomIniFile(std::move(fileName), platform), FEncoding(encoding) {
    LoadValues();
}

std::u16string TMemIniFile::Fold(std::u16string_view name) const { return FPlatform.Locale.UpperCase(name); }

// ASCII names, nearly all of them, are folded here without a call to the locale; that gives the
// same result, since the locale maps ASCII letters to ASCII capitals.
uint64_t TMemIniFile::NameHash(std::u16string_view name) const {
    return IsAscii(name) ? HashFolded(name, true) : HashFolded(Fold(name), false);
}

bool TMemIniFile::SameName(std::u16string_view a, std::u16string_view b) const {
    if (IsAscii(a) && IsAscii(b)) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
        return true;
    }
    return Fold(a) == Fold(b);
}

template <typename NameOf>
std::optional<uint32_t> TMemIniFile::Lookup(const TNameTable& table, std::u16string_view name, NameOf nameOf) const {
    if (table.Slots.empty()) return std::nullopt;
    const size_t mask = table.Slots.size() - 1;
    for (size_t i = size_t(NameHash(name)) & mask;; i = (i + 1) & mask) {
        const uint32_t slot = table.Slots[i];
        if (slot == 0) return std::nullopt;
        if (SameName(nameOf(slot - 1), name)) return slot - 1;
    }
}

template <typename NameOf>
void TMemIniFile::InsertFirst(TNameTable& table, std::u16string_view name, uint32_t value, NameOf nameOf) const {
    if ((table.Count + 1) * 4 > table.Slots.size() * 3) {  // keep the table at most three quarters full
        TNameTable grown;
        grown.Slots.assign(std::max<size_t>(16, table.Slots.size() * 2), 0);
        for (uint32_t slot : table.Slots)
            if (slot) InsertFirst(grown, nameOf(slot - 1), slot - 1, nameOf);
        table = std::move(grown);
    }
    const size_t mask = table.Slots.size() - 1;
    for (size_t i = size_t(NameHash(name)) & mask;; i = (i + 1) & mask) {
        uint32_t& slot = table.Slots[i];
        if (slot == 0) {
            slot = value + 1;
            ++table.Count;
            return;
        }
        if (SameName(nameOf(slot - 1), name)) return;  // an earlier entry of that name wins
    }
}

std::u16string_view TMemIniFile::EntryText(size_t entry) const {
    const size_t start = FEntries[entry];
    return std::u16string_view(FText).substr(start, FText.find(kEnd, start) - start);
}

size_t TMemIniFile::SectionEnd(size_t ordinal) const {
    return ordinal + 1 < FHeaders.size() ? FHeaders[ordinal + 1] : FEntries.size();
}

std::optional<uint32_t> TMemIniFile::FindSection(std::u16string_view name) {
    auto nameOf = [this](uint32_t ordinal) { return SectionName(ordinal); };
    if (!FSectionTableValid) {
        FSectionTable = {};
        for (uint32_t k = 0; k < FHeaders.size(); ++k) InsertFirst(FSectionTable, SectionName(k), k, nameOf);
        FSectionTableValid = true;
    }
    return Lookup(FSectionTable, name, nameOf);
}

std::optional<size_t> TMemIniFile::FindLine(uint32_t ordinal, std::u16string_view ident) {
    const size_t first = FHeaders[ordinal] + 1, end = SectionEnd(ordinal);
    if (end - first <= kLinearSection) {
        for (size_t e = first; e < end; ++e)
            if (SameName(IniLineName(EntryText(e)), ident)) return e;
        return std::nullopt;
    }
    auto nameOf = [this, first](uint32_t place) { return IniLineName(EntryText(first + place)); };
    auto [it, added] = FLineTables.try_emplace(ordinal);
    if (added)
        for (size_t e = first; e < end; ++e) InsertFirst(it->second, nameOf(uint32_t(e - first)), uint32_t(e - first), nameOf);
    const auto place = Lookup(it->second, ident, nameOf);
    return place ? std::optional<size_t>(first + *place) : std::nullopt;
}

uint32_t TMemIniFile::AppendText(std::u16string_view text) {
    const uint32_t start = CheckedSize(FText.size());
    CheckedSize(FText.size() + text.size() + 1);
    FText += text;
    FText += kEnd;
    return start;
}

uint32_t TMemIniFile::AddSection(std::u16string_view name) {
    const uint32_t ordinal = CheckedSize(FHeaders.size());
    FHeaders.push_back(CheckedSize(FEntries.size()));
    FEntries.push_back(AppendText(name));
    if (FSectionTableValid)
        InsertFirst(FSectionTable, name, ordinal, [this](uint32_t k) { return SectionName(k); });
    return ordinal;
}

void TMemIniFile::AddLine(uint32_t ordinal, std::u16string_view text) {
    const size_t end = SectionEnd(ordinal);
    CheckedSize(FEntries.size() + 1);
    FEntries.insert(FEntries.begin() + std::ptrdiff_t(end), AppendText(text));
    for (size_t k = ordinal + 1; k < FHeaders.size(); ++k) ++FHeaders[k];
    auto table = FLineTables.find(ordinal);
    if (table != FLineTables.end()) {
        const size_t first = FHeaders[ordinal] + 1;
        InsertFirst(table->second, IniLineName(text), uint32_t(end - first),
                    [this, first](uint32_t place) { return IniLineName(EntryText(first + place)); });
    }
}

void TMemIniFile::ReplaceLine(size_t entry, std::u16string_view text) {
    FGarbage += EntryText(entry).size() + 1;
    FEntries[entry] = AppendText(text);
    CompactText();
}

void TMemIniFile::EraseEntries(size_t first, size_t last) {
    for (size_t e = first; e < last; ++e) FGarbage += EntryText(e).size() + 1;
    FEntries.erase(FEntries.begin() + std::ptrdiff_t(first), FEntries.begin() + std::ptrdiff_t(last));
    CompactText();
}

// Replaced and removed text stays in FText until it is half of it.
void TMemIniFile::CompactText() {
    if (FGarbage < 4096 || FGarbage * 2 < FText.size()) return;
    std::u16string text;
    text.reserve(FText.size() - FGarbage);
    for (auto& start : FEntries) {
        const std::u16string_view entry = std::u16string_view(FText).substr(start, FText.find(kEnd, start) - start);
        start = uint32_t(text.size());
        text += entry;
        text += kEnd;
    }
    FText = std::move(text);
    FGarbage = 0;
}

void TMemIniFile::Clear() {
    FText.clear();
    FText.shrink_to_fit();
    FGarbage = 0;
    FEntries.clear();
    FEntries.shrink_to_fit();
    FHeaders.clear();
    FHeaders.shrink_to_fit();
    FSectionTable = {};
    FSectionTableValid = false;
    FLineTables.clear();
}

void TMemIniFile::Parse(std::u16string t) {
    Clear();
    // Each kept line is written back into t, trimmed, at or before the place where it was read,
    // so no unread text is overwritten; only a last line without a line break may need one more
    // character for its end mark.
    const size_t n = t.size();
    size_t w = 0, i = 0;
    // At most one entry a line: reserved at once rather than grown by copying.
    FEntries.reserve(size_t(std::count_if(t.begin(), t.end(), [](char16_t c) { return c == u'\n' || c == u'\r'; })) + 1);
    auto move = [&](size_t from, size_t to) {
        std::char_traits<char16_t>::move(&t[w], &t[from], to - from);
        w += to - from;
    };
    auto endEntry = [&]() {
        if (w < t.size())
            t[w] = kEnd;
        else
            t.push_back(kEnd);
        ++w;
    };
    while (i < n) {
        size_t start = i;
        while (i < n && t[i] != u'\r' && t[i] != u'\n') ++i;
        size_t end = i;
        if (i < n) i += (t[i] == u'\r' && i + 1 < n && t[i + 1] == u'\n') ? 2 : 1;
        while (start < end && t[start] <= 32) ++start;
        while (end > start && t[end - 1] <= 32) --end;
        if (start == end || t[start] == u';') continue;
        if (end - start >= 2 && t[start] == u'[' && t[end - 1] == u']') {
            size_t nameStart = start + 1, nameEnd = end - 1;
            while (nameStart < nameEnd && t[nameStart] <= 32) ++nameStart;
            while (nameEnd > nameStart && t[nameEnd - 1] <= 32) --nameEnd;
            FHeaders.push_back(CheckedSize(FEntries.size()));
            FEntries.push_back(CheckedSize(w));
            move(nameStart, nameEnd);
            endEntry();
            continue;
        }
        if (FHeaders.empty()) continue;
        FEntries.push_back(CheckedSize(w));
        const size_t eq = std::u16string_view(t).substr(start, end - start).find(u'=');
        if (eq == std::u16string_view::npos) {
            move(start, end);
        } else {
            size_t nameEnd = start + eq, valueStart = start + eq + 1;
            while (nameEnd > start && t[nameEnd - 1] <= 32) --nameEnd;
            while (valueStart < end && t[valueStart] <= 32) ++valueStart;
            move(start, nameEnd);
            t[w++] = u'=';
            move(valueStart, end);
        }
        endEntry();
    }
    CheckedSize(w);
    t.resize(w);
    FText = std::move(t);
    // Trimmed lines are shorter than they were in the file; the room they left is given back
    // when it is worth a copy.
    auto fit = [](auto& v) {
        if (v.capacity() > v.size() + v.size() / 16) v.shrink_to_fit();
    };
    fit(FText);
    fit(FEntries);
    fit(FHeaders);
}

void TMemIniFile::SetStrings(const TStrings& lines) {
    std::u16string text;
    size_t size = 0;
    for (const auto& line : lines) size += line.size() + 1;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += u'\n';
    }
    Parse(std::move(text));
}

TStrings TMemIniFile::GetStrings() const {
    TStrings out;
    out.reserve(FEntries.size() + FHeaders.size());
    for (size_t k = 0; k < FHeaders.size(); ++k) {
        out.push_back(u"[" + std::u16string(SectionName(k)) + u"]");
        for (size_t e = FHeaders[k] + 1; e < SectionEnd(k); ++e) out.emplace_back(EntryText(e));
        out.emplace_back();
    }
    return out;
}

void TMemIniFile::LoadValues() {
    if (FFileName.empty() || !FPlatform.Files.FileExists(FFileName)) {
        Clear();
        return;
    }
    std::string bytes;
    bool opened = false;
    if (uint32_t code = FPlatform.Files.ReadAllBytes(FFileName, bytes, opened)) {
        if (opened) throw EReadError(u"Stream read error");
        throw EFOpenError(FormatS(u"Cannot open file \"%s\". %s",
                                  {FFileName, SysErrorMessage(FPlatform.SystemText, code)}));
    }
    if (!FEncoding) {
        if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
            FEncoding = cpUTF8;
        else if (bytes.compare(0, 2, "\xFF\xFE") == 0)
            FEncoding = cpUTF16LE;
        else if (bytes.compare(0, 2, "\xFE\xFF") == 0)
            FEncoding = cpUTF16BE;
        else
            FEncoding = FPlatform.CodePage.AnsiCodePage();
    }
    const std::string preamble = EncodingPreamble(*FEncoding);
    std::string_view body = bytes;
    if (!preamble.empty() && body.substr(0, preamble.size()) == preamble) body.remove_prefix(preamble.size());
    std::u16string text = DecodeText(*FEncoding, body, FPlatform.CodePage);
    std::string().swap(bytes);
    const size_t nul = text.find(char16_t(0));  // a NUL ends the text
    if (nul != std::u16string::npos) text.resize(nul);
    Parse(std::move(text));
}

void TMemIniFile::Rename(const std::u16string& fileName, bool reload) {
    FFileName = fileName;
    if (reload) LoadValues();
}

std::u16string TMemIniFile::ReadString(const std::u16string& section, const std::u16string& ident,
                                       const std::u16string& defaultValue) {
    const auto k = FindSection(section);
    if (!k) return defaultValue;
    const auto line = FindLine(*k, ident);
    if (!line) return defaultValue;
    const std::u16string_view text = EntryText(*line);
    const size_t skip = IniLineName(text).size() + 1;
    return skip <= text.size() ? std::u16string(text.substr(skip)) : std::u16string();
}

void TMemIniFile::WriteString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& value) {
    CheckLineText(section);
    CheckLineText(ident);
    CheckLineText(value);
    auto k = FindSection(section);
    if (!k) k = AddSection(section);
    const std::u16string text = ident + u"=" + value;
    if (const auto line = FindLine(*k, ident))
        ReplaceLine(*line, text);  // same name up to letter case, so the tables still hold
    else
        AddLine(*k, text);
}

void TMemIniFile::ReadSection(const std::u16string& section, TStrings& strings) {
    strings.clear();
    if (const auto k = FindSection(section))
        for (size_t e = FHeaders[*k] + 1; e < SectionEnd(*k); ++e) strings.emplace_back(IniLineName(EntryText(e)));
}

void TMemIniFile::ReadSections(TStrings& strings) {
    strings.clear();
    for (size_t k = 0; k < FHeaders.size(); ++k) strings.emplace_back(SectionName(k));
}

void TMemIniFile::ReadSectionValues(const std::u16string& section, TStrings& strings) {
    strings.clear();
    if (const auto k = FindSection(section))
        for (size_t e = FHeaders[*k] + 1; e < SectionEnd(*k); ++e) strings.emplace_back(EntryText(e));
}

// Removing entries moves later sections and lines, so the tables are built again when needed.
void TMemIniFile::EraseSection(const std::u16string& section) {
    const auto k = FindSection(section);
    if (!k) return;
    const size_t first = FHeaders[*k], end = SectionEnd(*k);
    EraseEntries(first, end);
    FHeaders.erase(FHeaders.begin() + std::ptrdiff_t(*k));
    for (size_t j = *k; j < FHeaders.size(); ++j) FHeaders[j] -= uint32_t(end - first);
    FSectionTableValid = false;
    FSectionTable = {};
    FLineTables.clear();
}

void TMemIniFile::DeleteKey(const std::u16string& section, const std::u16string& ident) {
    const auto k = FindSection(section);
    if (!k) return;
    const auto line = FindLine(*k, ident);
    if (!line) return;
    EraseEntries(*line, *line + 1);
    for (size_t j = *k + 1; j < FHeaders.size(); ++j) --FHeaders[j];
    FLineTables.erase(*k);
}

bool TMemIniFile::SectionExists(const std::u16string& section) {
    const auto k = FindSection(section);
    return k && SectionEnd(*k) > FHeaders[*k] + 1;
}

bool TMemIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    const auto k = FindSection(section);
    return k && FindLine(*k, ident).has_value();
}

std::string TMemIniFile::Serialize() {
    if (FHeaders.empty()) return {};
    // Each entry's text without its end mark, plus CR LF; "[" and "]" and a blank line a section.
    std::u16string text(FText.size() - FGarbage + FEntries.size() + 4 * FHeaders.size(), u'\0');
    char16_t* out = text.data();
    const char16_t* const all = FText.data();
    auto copyEntry = [&](size_t entry) {  // copies up to the end mark, in one pass
        for (const char16_t* in = all + FEntries[entry]; *in != kEnd;) *out++ = *in++;
    };
    auto lineBreak = [&]() {
        *out++ = u'\r';
        *out++ = u'\n';
    };
    for (size_t k = 0; k < FHeaders.size(); ++k) {
        *out++ = u'[';
        copyEntry(FHeaders[k]);
        *out++ = u']';
        lineBreak();
        for (size_t e = FHeaders[k] + 1; e < SectionEnd(k); ++e) {
            copyEntry(e);
            lineBreak();
        }
        lineBreak();
    }
    const uint32_t codePage = FEncoding ? *FEncoding : FPlatform.CodePage.AnsiCodePage();
    return EncodingPreamble(codePage) + EncodeText(codePage, text, FPlatform.CodePage);
}

void TMemIniFile::UpdateFile() { WriteWholeFile(FPlatform, FFileName, Serialize()); }

void WriteWholeFile(const TSettingsPlatform& platform, const std::u16string& fileName, const std::string& bytes) {
    IFileSystem& files = platform.Files;
    auto cannotCreate = [&](uint32_t code) {
        return EFCreateError(
            FormatS(u"Cannot create file \"%s\". %s", {fileName, SysErrorMessage(platform.SystemText, code)}));
    };
    // Fails, as creating the file itself would, while another program has the file open.
    if (uint32_t code = files.CheckReplaceable(fileName)) {
        // The folder may be writable by anyone, so a link there may lead to any file. It is
        // refused rather than replaced: what was read through it belongs to that other file and
        // must not be copied into a file that anyone can read.
        if (code == fsLink)
            throw EFCreateError(FormatS(
                u"Cannot create file \"%s\". It is a link to another file, and settings are never written through a link",
                {fileName}));
        throw cannotCreate(code);
    }
    // The new file sits next to the old one, so the replace stays on one volume and is one step.
    // A name left by a write that never finished is passed over.
    std::u16string temporary;
    bool created = false;
    uint32_t code = fsFileExists;
    for (int attempt = 0; attempt < 100 && !created && code == fsFileExists; ++attempt) {
        temporary = fileName + u".~" + IntToStr(attempt);
        code = files.CreateNewAndWriteAllBytes(temporary, bytes, created);
    }
    if (code == 0) code = files.MoveOver(temporary, fileName);
    if (code == 0) return;
    if (!created) throw cannotCreate(code);
    files.RemoveFile(temporary);
    throw EFCreateError(FormatS(u"Cannot write file \"%s\". %s (error %s)",
                                {fileName, SysErrorMessage(platform.SystemText, code), IntToStr(code)}));
}

}  // namespace zo
