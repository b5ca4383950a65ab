#include "settings/IniFiles.h"

#include <cstring>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

namespace {

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && s.front() <= 32) s.remove_prefix(1);
    while (!s.empty() && s.back() <= 32) s.remove_suffix(1);
    return s;
}

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

TStrings SplitIniText(std::u16string_view text) {
    size_t nul = text.find(char16_t(0));
    if (nul != std::u16string_view::npos) text = text.substr(0, nul);
    TStrings lines;
    size_t start = 0, i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.emplace_back(text.substr(start, i - start));
            i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
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

TMemIniFile::TMemIniFile(std::u16string fileName, const TSettingsPlatform& platform,
                         std::optional<uint32_t> encoding)
    : TCustomIniFile(std::move(fileName), platform), FEncoding(encoding) {
    LoadValues();
}

std::u16string TMemIniFile::Fold(std::u16string_view name) const { return FPlatform.Locale.UpperCase(name); }

TMemIniFile::TSection* TMemIniFile::FindSection(const std::u16string& name) {
    auto it = FSectionIndex.find(Fold(name));
    return it == FSectionIndex.end() ? nullptr : &*it->second.First();
}

TMemIniFile::TLines::iterator* TMemIniFile::FindLine(TSection& section, const std::u16string& ident) {
    auto it = section.Index.find(Fold(ident));
    return it == section.Index.end() ? nullptr : &it->second.First();
}

TMemIniFile::TSection& TMemIniFile::AddSection(std::u16string name) {
    std::u16string key = Fold(name);
    FSections.push_back(TSection{std::move(name), {}, {}});
    auto it = std::prev(FSections.end());
    auto [entry, added] = FSectionIndex.try_emplace(std::move(key), TMatches<TSections::iterator>{it, {}});
    if (!added) entry->second.Add(it);
    return *it;
}

void TMemIniFile::AddLine(TSection& section, std::u16string text) {
    std::u16string key = Fold(IniLineName(text));
    section.Lines.push_back(std::move(text));
    auto it = std::prev(section.Lines.end());
    auto [entry, added] = section.Index.try_emplace(std::move(key), TMatches<TLines::iterator>{it, {}});
    if (!added) entry->second.Add(it);
}

void TMemIniFile::Clear() {
    FSectionIndex.clear();
    FSections.clear();
}

void TMemIniFile::SetStrings(const TStrings& lines) {
    Clear();
    TSection* current = nullptr;
    for (const auto& raw : lines) {
        std::u16string_view line = Trim(raw);
        if (line.empty() || line.front() == u';') continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            current = &AddSection(std::u16string(Trim(line.substr(1, line.size() - 2))));
            continue;
        }
        if (!current) continue;
        size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            AddLine(*current, std::u16string(line));
        } else {
            std::u16string text(Trim(line.substr(0, eq)));
            text += u'=';
            text += Trim(line.substr(eq + 1));
            AddLine(*current, std::move(text));
        }
    }
}

TStrings TMemIniFile::GetStrings() const {
    TStrings out;
    for (const auto& section : FSections) {
        out.push_back(u"[" + section.Name + u"]");
        out.insert(out.end(), section.Lines.begin(), section.Lines.end());
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
    SetStrings(SplitIniText(DecodeText(*FEncoding, body, FPlatform.CodePage)));
}

void TMemIniFile::Rename(const std::u16string& fileName, bool reload) {
    FFileName = fileName;
    if (reload) LoadValues();
}

std::u16string TMemIniFile::ReadString(const std::u16string& section, const std::u16string& ident,
                                       const std::u16string& defaultValue) {
    TSection* s = FindSection(section);
    if (!s) return defaultValue;
    TLines::iterator* line = FindLine(*s, ident);
    if (!line) return defaultValue;
    const std::u16string& text = **line;
    const size_t skip = IniLineName(text).size() + 1;
    return skip <= text.size() ? text.substr(skip) : std::u16string();
}

void TMemIniFile::WriteString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& value) {
    CheckLineText(section);
    CheckLineText(ident);
    CheckLineText(value);
    TSection* s = FindSection(section);
    if (!s) s = &AddSection(section);
    std::u16string text = ident + u"=" + value;
    if (TLines::iterator* line = FindLine(*s, ident))
        **line = std::move(text);  // same name up to letter case, so the index entry still holds
    else
        AddLine(*s, std::move(text));
}

void TMemIniFile::ReadSection(const std::u16string& section, TStrings& strings) {
    strings.clear();
    if (TSection* s = FindSection(section))
        for (const auto& line : s->Lines) strings.emplace_back(IniLineName(line));
}

void TMemIniFile::ReadSections(TStrings& strings) {
    strings.clear();
    for (const auto& section : FSections) strings.push_back(section.Name);
}

void TMemIniFile::ReadSectionValues(const std::u16string& section, TStrings& strings) {
    strings.clear();
    if (TSection* s = FindSection(section)) strings.assign(s->Lines.begin(), s->Lines.end());
}

void TMemIniFile::EraseSection(const std::u16string& section) {
    auto it = FSectionIndex.find(Fold(section));
    if (it == FSectionIndex.end()) return;
    TSections::iterator target = it->second.First();
    it->second.PopFirst();
    if (it->second.Empty) FSectionIndex.erase(it);
    FSections.erase(target);
}

void TMemIniFile::DeleteKey(const std::u16string& section, const std::u16string& ident) {
    TSection* s = FindSection(section);
    if (!s) return;
    auto it = s->Index.find(Fold(ident));
    if (it == s->Index.end()) return;
    TLines::iterator target = it->second.First();
    it->second.PopFirst();
    if (it->second.Empty) s->Index.erase(it);
    s->Lines.erase(target);
}

bool TMemIniFile::SectionExists(const std::u16string& section) {
    TSection* s = FindSection(section);
    return s && !s->Lines.empty();
}

bool TMemIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    TSection* s = FindSection(section);
    return s && FindLine(*s, ident) != nullptr;
}

std::string TMemIniFile::Serialize() {
    if (FSections.empty()) return {};
    std::u16string text;
    for (const auto& section : FSections) {
        text += u'[';
        text += section.Name;
        text += u"]\r\n";
        for (const auto& line : section.Lines) {
            text += line;
            text += u"\r\n";
        }
        text += u"\r\n";
    }
    const uint32_t codePage = FEncoding ? *FEncoding : FPlatform.CodePage.AnsiCodePage();
    return EncodingPreamble(codePage) + EncodeText(codePage, text, FPlatform.CodePage);
}

void TMemIniFile::UpdateFile() {
    const std::string bytes = Serialize();
    bool created = false;
    if (uint32_t code = FPlatform.Files.CreateAndWriteAllBytes(FFileName, bytes, created)) {
        if (created) throw EWriteError(u"Stream write error");
        throw EFCreateError(FormatS(u"Cannot create file \"%s\". %s",
                                    {FFileName, SysErrorMessage(FPlatform.SystemText, code)}));
    }
}

}  // namespace zo
