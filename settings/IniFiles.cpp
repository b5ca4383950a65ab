#include "settings/IniFiles.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

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
    return StoredInteger(ReadString(section, ident, u""), defaultValue);
}

void TCustomIniFile::WriteInteger(const std::u16string& section, const std::u16string& ident, int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::u16string& section, const std::u16string& ident, bool defaultValue) {
    return StoredBool(ReadString(section, ident, u""), defaultValue);
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
    : TCustomIniFile(std::move(fileName), platform), FDocument(platform.Locale), FEncoding(encoding),
      FEncodingGiven(encoding.has_value()) {
    LoadValues();
}

void TMemIniFile::LoadValues() {
    TakeText(ReadSettingsFile(FPlatform.FileAccess(), FFileName, FEncodingGiven ? FEncoding : std::nullopt));
}

void TMemIniFile::TakeText(TIniText&& read) {
    if (!FEncodingGiven) {
        FEncoding = read.Found ? read.Encoding : std::nullopt;
        FMarked = read.Found && read.Marked;
    }
    FDocument.Parse(std::move(read.Text));
}

void TMemIniFile::Rename(const std::u16string& fileName, bool reload) {
    FFileName = fileName;
    if (reload) LoadValues();
}

std::u16string TMemIniFile::ReadString(const std::u16string& section, const std::u16string& ident,
                                       const std::u16string& defaultValue) {
    return FDocument.ReadString(section, ident, defaultValue);
}

void TMemIniFile::WriteString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& value) {
    FDocument.WriteString(section, ident, value);
}

void TMemIniFile::ReadSection(const std::u16string& section, TStrings& strings) {
    FDocument.ReadSection(section, strings);
}

void TMemIniFile::ReadSections(TStrings& strings) { FDocument.ReadSections(strings); }

void TMemIniFile::ReadSectionValues(const std::u16string& section, TStrings& strings) {
    FDocument.ReadSectionValues(section, strings);
}

void TMemIniFile::EraseSection(const std::u16string& section) { FDocument.EraseSection(section); }

void TMemIniFile::DeleteKey(const std::u16string& section, const std::u16string& ident) {
    FDocument.DeleteKey(section, ident);
}

bool TMemIniFile::SectionExists(const std::u16string& section) { return FDocument.SectionExists(section); }

bool TMemIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    return FDocument.ValueExists(section, ident);
}

std::string TMemIniFile::Serialize() {
    return EncodeIniDocument(FDocument, FEncoding, FEncodingGiven, FMarked, FPlatform.CodePage);
}

void TMemIniFile::UpdateFile() {
    RewriteFile(FPlatform.FileAccess(), FFileName, FEncodingGiven ? FEncoding : std::nullopt, false,
                [this](TIniText*) { return TRewrite{&FDocument, FEncoding, FEncodingGiven, FMarked}; });
}

void TMemIniFile::UpdateFile(const std::function<void(TMemIniFile&)>& edit) {
    std::optional<TIniText> read;  // the file as it was, for a save that is refused
    try {
        RewriteFile(FPlatform.FileAccess(), FFileName, FEncodingGiven ? FEncoding : std::nullopt, true,
                    [&](TIniText* current) {
                        read = current ? *current : TIniText{};
                        TakeText(current ? std::move(*current) : TIniText{});
                        edit(*this);
                        return TRewrite{&FDocument, FEncoding, FEncodingGiven, FMarked};
                    });
    } catch (const ESettingsRefused&) {
        if (read) TakeText(std::move(*read));  // the document says what the file says
        throw;
    }
}

}  // namespace zo
