#include "settings/IniDocument.h"

#include <algorithm>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

namespace {

// A text that would break the line structure of the file.
void CheckLineText(std::u16string_view text) {
    for (char16_t c : text)
        if (c == u'\r' || c == u'\n' || c == 0)
            throw EConvertError(u"A settings name or value cannot hold a line break");
}

constexpr char16_t kEnd = u'\n';
// Sections of at most this many lines are searched line by line rather than through a table.
constexpr size_t kLinearSection = 8;

constexpr uint64_t kHashStart = 1469598103934665603ull;
uint64_t HashStep(uint64_t h, char16_t c) { return (h ^ c) * 1099511628211ull; }

// The tables take the low bits, which the steps above leave depending only on the low bits of
// each character: numbered names ("k1", "k2", ...) then crowd into long probe runs. A final mix
// spreads every bit over the low ones.
uint64_t MixHash(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

uint32_t CheckedSize(size_t size) {
    if (size >= UINT32_MAX) throw EConvertError(u"The settings document is too large");
    return uint32_t(size);
}

}  // namespace

std::u16string TIniDocument::Fold(std::u16string_view name) const { return FLocale.UpperCase(name); }

// ASCII names, nearly all of them, are folded here without a call to the locale; that gives the
// same result, since the locale maps ASCII letters to ASCII capitals.
uint64_t TIniDocument::NameHash(std::u16string_view name) const {
    uint64_t h = kHashStart;
    for (char16_t c : name) {
        if (c >= 128) return FoldedHash(name);
        h = HashStep(h, AsciiUpper(c));
    }
    return MixHash(h);
}

uint64_t TIniDocument::FoldedHash(std::u16string_view name) const {
    uint64_t h = kHashStart;
    for (char16_t c : Fold(name)) h = HashStep(h, c);
    return MixHash(h);
}

// One pass over both names. Folding keeps the length and maps an ASCII letter to its capital in
// place, so a pair of ASCII characters that differ after AsciiUpper decides at once; the locale
// is asked only when some character is beyond ASCII and no ASCII pair differs.
bool TIniDocument::SameName(std::u16string_view a, std::u16string_view b) const {
    if (a.size() != b.size()) return false;
    bool ascii = true;
    for (size_t i = 0; i < a.size(); ++i) {
        if ((a[i] | b[i]) >= 128)
            ascii = false;
        else if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    }
    return ascii || Fold(a) == Fold(b);
}

// A section's name is its whole entry; a line's name is the text before its first "=", empty
// when it has none. Read in one pass to the end mark or the "=".
std::u16string_view TIniDocument::NameAt(size_t entry, bool line) const {
    const char16_t* const start = FText.data() + FEntries[entry];
    const char16_t* p = start;
    while (*p != kEnd && !(line && *p == u'=')) ++p;
    return line && *p == kEnd ? std::u16string_view() : std::u16string_view(start, size_t(p - start));
}

// A slot holds, above the entry's number plus one, the top bits of its name's hash, so that a
// probe reads a name from the document (a cache miss or two in a large one) only when those
// match. A table whose numbers outgrow the low bits holds the numbers alone.
namespace {
constexpr unsigned kIndexBits = 26;
constexpr uint32_t kIndexMask = (uint32_t(1) << kIndexBits) - 1;
uint32_t Tag(uint64_t hash) { return uint32_t(hash >> (64 - (32 - kIndexBits))) << kIndexBits; }
}  // namespace

template <typename NameOf>
std::optional<uint32_t> TIniDocument::Lookup(const TNameTable& table, std::u16string_view name, NameOf nameOf) const {
    if (table.Slots.empty()) return std::nullopt;
    const size_t mask = table.Slots.size() - 1;
    const uint64_t hash = NameHash(name);
    const uint32_t tag = table.Tagged ? Tag(hash) : 0, indexMask = table.Tagged ? kIndexMask : UINT32_MAX;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        const uint32_t slot = table.Slots[i];
        if (slot == 0) return std::nullopt;
        if ((slot & ~indexMask) == tag && SameName(nameOf((slot & indexMask) - 1), name)) return (slot & indexMask) - 1;
    }
}

template <typename NameOf>
void TIniDocument::Rehash(TNameTable& table, size_t slots, bool tagged, NameOf nameOf) const {
    TNameTable grown;
    grown.Slots.assign(slots, 0);
    grown.Tagged = tagged;
    grown.Built = table.Built;
    grown.Scanned = table.Scanned;
    const uint32_t indexMask = table.Tagged ? kIndexMask : UINT32_MAX;
    for (uint32_t slot : table.Slots)
        if (slot) InsertFirst(grown, nameOf((slot & indexMask) - 1), (slot & indexMask) - 1, nameOf);
    table = std::move(grown);
}

template <typename NameOf>
void TIniDocument::ReserveNames(TNameTable& table, size_t count, NameOf nameOf) const {
    if (count * 4 <= table.Slots.size() * 3) return;  // the common case, once per insert
    size_t slots = 16;
    while (slots * 3 < count * 4) slots *= 2;  // at most three quarters full
    if (slots > table.Slots.size()) Rehash(table, slots, table.Tagged, nameOf);
}

template <typename NameOf>
void TIniDocument::InsertFirst(TNameTable& table, std::u16string_view name, uint32_t value, NameOf nameOf) const {
    ReserveNames(table, table.Count + 1, nameOf);
    if (table.Tagged && value >= kIndexMask) Rehash(table, table.Slots.size(), false, nameOf);
    const size_t mask = table.Slots.size() - 1;
    const uint64_t hash = NameHash(name);
    const uint32_t tag = table.Tagged ? Tag(hash) : 0, indexMask = table.Tagged ? kIndexMask : UINT32_MAX;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        uint32_t& slot = table.Slots[i];
        if (slot == 0) {
            slot = tag | (value + 1);
            ++table.Count;
            return;
        }
        // An earlier entry of that name wins.
        if ((slot & ~indexMask) == tag && SameName(nameOf((slot & indexMask) - 1), name)) return;
    }
}

std::u16string_view TIniDocument::EntryText(size_t entry) const {
    const size_t start = FEntries[entry];
    return std::u16string_view(FText).substr(start, FText.find(kEnd, start) - start);
}

size_t TIniDocument::SectionEnd(size_t ordinal) const {
    return ordinal + 1 < FHeaders.size() ? FHeaders[ordinal + 1] : FEntries.size();
}

// A table is built only once the lookups without it have read twice as many names as it would
// take in: a file read for a few values is searched straight through, at the speed of reading
// memory in order (a second lookup that finds its name early costs next to nothing, where a
// table would cost a pass over every name), and many lookups still cost the same whatever the
// size of the file.
bool TIniDocument::WorthATable(const TNameTable& table, size_t names) {
    return table.Built || table.Scanned >= 2 * names;
}

std::optional<uint32_t> TIniDocument::FindSection(std::u16string_view name) {
    auto nameOf = [this](uint32_t ordinal) { return NameAt(FHeaders[ordinal], false); };
    if (!WorthATable(FSectionTable, FHeaders.size())) {
        for (uint32_t k = 0; k < FHeaders.size(); ++k)
            if (SameName(nameOf(k), name)) {
                FSectionTable.Scanned += k + 1;
                return k;
            }
        FSectionTable.Scanned += FHeaders.size();
        return std::nullopt;
    }
    if (!FSectionTable.Built) {
        for (uint32_t k = 0; k < FHeaders.size(); ++k) InsertFirst(FSectionTable, nameOf(k), k, nameOf);
        FSectionTable.Built = true;
    }
    return Lookup(FSectionTable, name, nameOf);
}

std::optional<size_t> TIniDocument::FindLine(uint32_t ordinal, std::u16string_view ident) {
    const size_t first = FHeaders[ordinal] + 1, end = SectionEnd(ordinal);
    TNameTable* table = end - first <= kLinearSection ? nullptr : &FLineTables[ordinal];
    if (!table || !WorthATable(*table, end - first)) {
        for (size_t e = first; e < end; ++e)
            if (SameName(NameAt(e, true), ident)) {
                if (table) table->Scanned += e - first + 1;
                return e;
            }
        if (table) table->Scanned += end - first;
        return std::nullopt;
    }
    auto nameOf = [this, first](uint32_t place) { return NameAt(first + place, true); };
    if (!table->Built) {
        ReserveNames(*table, end - first, nameOf);
        for (size_t e = first; e < end; ++e) InsertFirst(*table, nameOf(uint32_t(e - first)), uint32_t(e - first), nameOf);
        table->Built = true;
    }
    const auto place = Lookup(*table, ident, nameOf);
    return place ? std::optional<size_t>(first + *place) : std::nullopt;
}

uint32_t TIniDocument::AppendText(std::u16string_view text) {
    const uint32_t start = CheckedSize(FText.size());
    CheckedSize(FText.size() + text.size() + 1);
    FText += text;
    FText += kEnd;
    return start;
}

uint32_t TIniDocument::AddSection(std::u16string_view name) {
    const uint32_t ordinal = CheckedSize(FHeaders.size());
    FHeaders.push_back(CheckedSize(FEntries.size()));
    FEntries.push_back(AppendText(name));
    if (FSectionTable.Built)
        InsertFirst(FSectionTable, name, ordinal, [this](uint32_t k) { return NameAt(FHeaders[k], false); });
    return ordinal;
}

void TIniDocument::AddLine(uint32_t ordinal, std::u16string_view text) {
    const size_t end = SectionEnd(ordinal);
    CheckedSize(FEntries.size() + 1);
    FEntries.insert(FEntries.begin() + std::ptrdiff_t(end), AppendText(text));
    for (size_t k = ordinal + 1; k < FHeaders.size(); ++k) ++FHeaders[k];
    auto table = FLineTables.find(ordinal);
    if (table != FLineTables.end() && table->second.Built) {
        const size_t first = FHeaders[ordinal] + 1;
        InsertFirst(table->second, IniLineName(text), uint32_t(end - first),
                    [this, first](uint32_t place) { return NameAt(first + place, true); });
    }
}

void TIniDocument::ReplaceLine(size_t entry, std::u16string_view text) {
    FGarbage += EntryText(entry).size() + 1;
    FEntries[entry] = AppendText(text);
    CompactText();
}

void TIniDocument::EraseEntries(size_t first, size_t last) {
    for (size_t e = first; e < last; ++e) FGarbage += EntryText(e).size() + 1;
    FEntries.erase(FEntries.begin() + std::ptrdiff_t(first), FEntries.begin() + std::ptrdiff_t(last));
    CompactText();
}

// Replaced and removed text stays in FText until it is half of it.
void TIniDocument::CompactText() {
    if (FGarbage < 4096 || FGarbage * 2 < FText.size()) return;
    std::u16string text;
    text.reserve(FText.size() - FGarbage);
    for (size_t e = 0; e < FEntries.size(); ++e) {
        const std::u16string_view entry = EntryText(e);
        FEntries[e] = uint32_t(text.size());
        text += entry;
        text += kEnd;
    }
    FText = std::move(text);
    FGarbage = 0;
}

void TIniDocument::Clear() {
    FText.clear();
    FText.shrink_to_fit();
    FGarbage = 0;
    FEntries.clear();
    FEntries.shrink_to_fit();
    FHeaders.clear();
    FHeaders.shrink_to_fit();
    FSectionTable = {};
    FLineTables.clear();
}

namespace {

// While the text is parsed, a header's entry ends with this mark instead, so that the entry arrays
// can be built after the text is trimmed; no kept line holds it, since it breaks lines.
constexpr char16_t kHeaderEnd = u'\r';

bool Blank(char16_t c) { return c <= 32; }

// Writes each kept line back into t, trimmed and followed by its end mark, at or before the place
// where it was read, so no unread text is overwritten. Returns the length written; counts the
// entries and the headers among them.
size_t CompactLines(std::u16string& text, size_t& entries, size_t& headers) {
    char16_t* const t = text.data();
    const size_t n = text.size();
    size_t w = 0, i = 0;
    auto move = [&](size_t from, size_t to) {
        while (from < to) t[w++] = t[from++];
    };
    // A header gives up its brackets, and lines before the first header are dropped: from the
    // first header on, the writing stays at least two characters behind the reading, so a mark
    // always fits before the line's own end.
    auto endEntry = [&](char16_t mark) {
        ++entries;
        t[w++] = mark;
    };
    while (i < n) {
        size_t start = i;
        while (i < n && t[i] != u'\r' && t[i] != u'\n') ++i;
        size_t end = i;
        if (i < n) i += (t[i] == u'\r' && i + 1 < n && t[i + 1] == u'\n') ? 2 : 1;
        while (start < end && Blank(t[start])) ++start;
        while (end > start && Blank(t[end - 1])) --end;
        if (start == end || t[start] == u';') continue;
        if (end - start >= 2 && t[start] == u'[' && t[end - 1] == u']') {
            size_t nameStart = start + 1, nameEnd = end - 1;
            while (nameStart < nameEnd && Blank(t[nameStart])) ++nameStart;
            while (nameEnd > nameStart && Blank(t[nameEnd - 1])) --nameEnd;
            move(nameStart, nameEnd);
            endEntry(kHeaderEnd);
            ++headers;
            continue;
        }
        if (headers == 0) continue;
        size_t eq = start;
        while (eq < end && t[eq] != u'=') ++eq;
        if (eq == end) {
            move(start, end);
        } else {
            size_t nameEnd = eq, valueStart = eq + 1;
            while (nameEnd > start && Blank(t[nameEnd - 1])) --nameEnd;
            while (valueStart < end && Blank(t[valueStart])) ++valueStart;
            move(start, nameEnd);
            t[w++] = u'=';
            move(valueStart, end);
        }
        endEntry(kEnd);
    }
    return w;
}

}  // namespace

void TIniDocument::Parse(std::u16string t) {
    Clear();
    size_t entries = 0, headers = 0;
    const size_t w = CompactLines(t, entries, headers);
    CheckedSize(w);
    t.resize(w);
    // Trimmed lines are shorter than they were in the file. The room they left is given back by
    // a copy when that copy peaks no higher than the entry arrays built next, or when it gives
    // back more than it takes; else it stays, as the lesser cost while loading.
    const size_t slack = t.capacity() - w;
    if (slack > w / 16 && (w <= 2 * (entries + headers) || slack >= w)) t.shrink_to_fit();
    FText = std::move(t);
    IndexEntries(entries, headers);
}

void TIniDocument::IndexEntries(size_t entries, size_t headers) {
    FEntries.reserve(entries);
    FHeaders.reserve(headers);
    char16_t* const text = FText.data();
    for (size_t p = 0, start = 0; p < FText.size(); ++p) {
        if (text[p] != kEnd && text[p] != kHeaderEnd) continue;
        if (text[p] == kHeaderEnd) {
            FHeaders.push_back(uint32_t(FEntries.size()));
            text[p] = kEnd;
        }
        FEntries.push_back(uint32_t(start));
        start = p + 1;
    }
}

void TIniDocument::SetStrings(const TStrings& lines) {
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

TStrings TIniDocument::GetStrings() const {
    TStrings out;
    out.reserve(FEntries.size() + FHeaders.size());
    for (size_t k = 0; k < FHeaders.size(); ++k) {
        out.push_back(u"[" + std::u16string(SectionName(k)) + u"]");
        for (size_t e = FHeaders[k] + 1; e < SectionEnd(k); ++e) out.emplace_back(EntryText(e));
        out.emplace_back();
    }
    return out;
}

std::u16string TIniDocument::FileText() const {
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
    return text;
}

std::u16string TIniDocument::ReadString(std::u16string_view section, std::u16string_view ident,
                                        std::u16string_view defaultValue) {
    const auto k = FindSection(section);
    if (!k) return std::u16string(defaultValue);
    const auto line = FindLine(*k, ident);
    if (!line) return std::u16string(defaultValue);
    const std::u16string_view text = EntryText(*line);
    const size_t skip = IniLineName(text).size() + 1;
    return skip <= text.size() ? std::u16string(text.substr(skip)) : std::u16string();
}

void TIniDocument::WriteString(std::u16string_view section, std::u16string_view ident, std::u16string_view value) {
    CheckLineText(section);
    CheckLineText(ident);
    CheckLineText(value);
    auto k = FindSection(section);
    if (!k) k = AddSection(section);
    std::u16string text;
    text.reserve(ident.size() + 1 + value.size());
    ((text += ident) += u'=') += value;
    if (const auto line = FindLine(*k, ident))
        ReplaceLine(*line, text);  // same name up to letter case, so the tables still hold
    else
        AddLine(*k, text);
}

void TIniDocument::ReadSection(std::u16string_view section, TStrings& strings) {
    strings.clear();
    if (const auto k = FindSection(section))
        for (size_t e = FHeaders[*k] + 1; e < SectionEnd(*k); ++e) strings.emplace_back(IniLineName(EntryText(e)));
}

void TIniDocument::ReadSections(TStrings& strings) const {
    strings.clear();
    for (size_t k = 0; k < FHeaders.size(); ++k) strings.emplace_back(SectionName(k));
}

void TIniDocument::ReadSectionValues(std::u16string_view section, TStrings& strings) {
    strings.clear();
    if (const auto k = FindSection(section))
        for (size_t e = FHeaders[*k] + 1; e < SectionEnd(*k); ++e) strings.emplace_back(EntryText(e));
}

// Removing entries moves later sections and lines, so the tables are built again when needed.
void TIniDocument::EraseSection(std::u16string_view section) {
    const auto k = FindSection(section);
    if (!k) return;
    const size_t first = FHeaders[*k], end = SectionEnd(*k);
    EraseEntries(first, end);
    FHeaders.erase(FHeaders.begin() + std::ptrdiff_t(*k));
    for (size_t j = *k; j < FHeaders.size(); ++j) FHeaders[j] -= uint32_t(end - first);
    FSectionTable = {};
    FLineTables.clear();
}

void TIniDocument::DeleteKey(std::u16string_view section, std::u16string_view ident) {
    const auto k = FindSection(section);
    if (!k) return;
    const auto line = FindLine(*k, ident);
    if (!line) return;
    EraseEntries(*line, *line + 1);
    for (size_t j = *k + 1; j < FHeaders.size(); ++j) --FHeaders[j];
    FLineTables.erase(*k);
}

bool TIniDocument::SectionExists(std::u16string_view section) {
    const auto k = FindSection(section);
    return k && SectionEnd(*k) > FHeaders[*k] + 1;
}

bool TIniDocument::ValueExists(std::u16string_view section, std::u16string_view ident) {
    const auto k = FindSection(section);
    return k && FindLine(*k, ident).has_value();
}

// --- values and encodings -----------------------------------------------------------------------

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool TryStrToInt(std::u16string_view text, int32_t& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    bool hex = false;
    if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size()) return false;
    uint64_t v = 0;
    for (; i < text.size(); ++i) {
        int digit = hex ? HexDigit(text[i]) : (text[i] >= u'0' && text[i] <= u'9' ? text[i] - u'0' : -1);
        if (digit < 0) return false;
        v = v * (hex ? 16 : 10) + uint64_t(digit);
        if (v > 0xFFFFFFFFull) return false;
    }
    if (hex) {
        uint32_t pattern = uint32_t(v);
        if (negative) pattern = 0u - pattern;
        value = int32_t(pattern);
        return true;
    }
    if (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull) return false;
    value = negative ? int32_t(-int64_t(v)) : int32_t(v);
    return true;
}

int32_t StoredInteger(std::u16string_view text, int32_t defaultValue) {
    int32_t value;
    return TryStrToInt(text, value) ? value : defaultValue;
}

bool StoredBool(std::u16string_view text, bool defaultValue) { return StoredInteger(text, defaultValue ? 1 : 0) != 0; }

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

}  // namespace zo
