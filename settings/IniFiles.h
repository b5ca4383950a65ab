// INI documents: TCustomIniFile builds the typed operations on text reads and writes;
// TMemIniFile holds a whole INI file in memory and writes it back as a whole.
//
// Lookups ignore letter case (both sides upper-cased under the user's locale) and the first
// match in document order wins. Duplicate sections and duplicate names are kept and written
// back; hash tables of the first match of each name make a lookup cost the same whatever the
// size of the file.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/ProgramEnvironment.h"
#include "platform/Registry.h"
#include "platform/SystemText.h"
#include "settings/ValueText.h"

namespace zo {

using TStrings = std::vector<std::u16string>;

// The system services that the settings classes use. Registry may be null where the registry
// mode is not offered.
struct TSettingsPlatform {
    IFileSystem& Files;
    ICodePage& CodePage;
    ILocale& Locale;
    ISystemText& SystemText;
    IProgramEnvironment& Environment;
    IRegistry* Registry = nullptr;
};

// A byte stream with a position.
class TStream {
public:
    virtual ~TStream() = default;
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    virtual size_t Position() const = 0;
    virtual void SetPosition(size_t position) = 0;
    virtual size_t Size() const = 0;
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> bytes) : FData(std::move(bytes)) {}
    size_t Read(void* buffer, size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    size_t Position() const override { return FPosition; }
    void SetPosition(size_t position) override { FPosition = position; }
    size_t Size() const override { return FData.size(); }
    const std::vector<uint8_t>& Bytes() const { return FData; }

private:
    std::vector<uint8_t> FData;
    size_t FPosition = 0;
};

class TCustomIniFile {
public:
    TCustomIniFile(std::u16string fileName, const TSettingsPlatform& platform);
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::u16string& FileName() const { return FFileName; }

    // True when the section has at least one line.
    virtual bool SectionExists(const std::u16string& section);

    virtual std::u16string ReadString(const std::u16string& section, const std::u16string& ident,
                                      const std::u16string& defaultValue) = 0;
    virtual void WriteString(const std::u16string& section, const std::u16string& ident,
                             const std::u16string& value) = 0;
    virtual int32_t ReadInteger(const std::u16string& section, const std::u16string& ident,
                                int32_t defaultValue);
    virtual void WriteInteger(const std::u16string& section, const std::u16string& ident, int32_t value);
    virtual bool ReadBool(const std::u16string& section, const std::u16string& ident, bool defaultValue);
    virtual void WriteBool(const std::u16string& section, const std::u16string& ident, bool value);
    virtual int32_t ReadBinaryStream(const std::u16string& section, const std::u16string& ident,
                                     TStream& value);
    virtual TDateTime ReadDate(const std::u16string& section, const std::u16string& ident,
                               TDateTime defaultValue);
    virtual TDateTime ReadDateTime(const std::u16string& section, const std::u16string& ident,
                                   TDateTime defaultValue);
    virtual double ReadFloat(const std::u16string& section, const std::u16string& ident, double defaultValue);
    virtual TDateTime ReadTime(const std::u16string& section, const std::u16string& ident,
                               TDateTime defaultValue);
    virtual void WriteBinaryStream(const std::u16string& section, const std::u16string& ident, TStream& value);
    virtual void WriteDate(const std::u16string& section, const std::u16string& ident, TDateTime value);
    virtual void WriteDateTime(const std::u16string& section, const std::u16string& ident, TDateTime value);
    virtual void WriteFloat(const std::u16string& section, const std::u16string& ident, double value);
    virtual void WriteTime(const std::u16string& section, const std::u16string& ident, TDateTime value);
    // The names of the section's lines, in order.
    virtual void ReadSection(const std::u16string& section, TStrings& strings) = 0;
    // Every section name in order, duplicates included.
    virtual void ReadSections(TStrings& strings) = 0;
    // The sections whose names begin with prefix and "\".
    virtual void ReadSections(const std::u16string& prefix, TStrings& strings);
    // The names below section and "\": the next level only, or every level with recurse.
    virtual void ReadSubSections(const std::u16string& section, TStrings& strings, bool recurse = false);
    // The section's lines as stored.
    virtual void ReadSectionValues(const std::u16string& section, TStrings& strings) = 0;
    virtual void EraseSection(const std::u16string& section) = 0;
    virtual void DeleteKey(const std::u16string& section, const std::u16string& ident) = 0;
    virtual void UpdateFile() = 0;
    virtual bool ValueExists(const std::u16string& section, const std::u16string& ident);

protected:
    std::u16string FFileName;
    TSettingsPlatform FPlatform;
};

class TMemIniFile : public TCustomIniFile {
public:
    // Reads the file when it exists. Without an encoding, the file's encoding is detected from
    // its byte-order mark. Throws EFOpenError when the file exists but cannot be opened.
    TMemIniFile(std::u16string fileName, const TSettingsPlatform& platform,
                std::optional<uint32_t> encoding = std::nullopt);

    std::u16string ReadString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& defaultValue) override;
    void WriteString(const std::u16string& section, const std::u16string& ident,
                     const std::u16string& value) override;
    void ReadSection(const std::u16string& section, TStrings& strings) override;
    void ReadSections(TStrings& strings) override;
    using TCustomIniFile::ReadSections;
    void ReadSectionValues(const std::u16string& section, TStrings& strings) override;
    void EraseSection(const std::u16string& section) override;
    void DeleteKey(const std::u16string& section, const std::u16string& ident) override;
    // Writes the whole document, replacing the file. Throws EFCreateError when the file cannot
    // be created; the document is kept as it is.
    void UpdateFile() override;
    bool SectionExists(const std::u16string& section) override;
    bool ValueExists(const std::u16string& section, const std::u16string& ident) override;

    void Clear();
    // The document as the lines that UpdateFile writes.
    TStrings GetStrings() const;
    // Replaces the document by parsing the lines.
    void SetStrings(const TStrings& lines);
    void Rename(const std::u16string& fileName, bool reload);

    // The code page used to write the file (1200 UTF-16 LE, 1201 UTF-16 BE, 65001 UTF-8, or a
    // single- or multi-byte code page); unset until a file was read or an encoding given.
    const std::optional<uint32_t>& Encoding() const { return FEncoding; }
    void SetEncoding(std::optional<uint32_t> encoding) { FEncoding = encoding; }

    // The encoded form of the document, byte-order mark first, as UpdateFile writes it.
    std::string Serialize();

private:
    // An open-addressing table from a case-folded name to the number of its first entry; a slot
    // holds that number plus one, 0 when free. Names themselves stay in the document.
    struct TNameTable {
        std::vector<uint32_t> Slots;
        size_t Count = 0;
    };
    template <typename NameOf>
    std::optional<uint32_t> Lookup(const TNameTable& table, std::u16string_view name, NameOf nameOf) const;
    template <typename NameOf>
    void InsertFirst(TNameTable& table, std::u16string_view name, uint32_t value, NameOf nameOf) const;

    std::u16string Fold(std::u16string_view name) const;
    uint64_t NameHash(std::u16string_view name) const;
    bool SameName(std::u16string_view a, std::u16string_view b) const;

    std::u16string_view EntryText(size_t entry) const;
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
    // Parses decoded text (the rules of SetStrings), reusing its storage for the document.
    void Parse(std::u16string text);
    void LoadValues();

    // The document: every section name and every line, each followed by "\n" (which no name or
    // value can hold), in FText; FEntries holds where each one starts, in document order, and
    // FHeaders which entries are section headers. A few bytes per line, so that a document
    // costs about what its file does.
    std::u16string FText;
    size_t FGarbage = 0;  // characters of FText that no entry uses any more
    std::vector<uint32_t> FEntries;
    std::vector<uint32_t> FHeaders;
    // Built when first needed. Section names to section ordinals, and for sections of more
    // than a few lines, line names to the line's place in its section: neither moves when a
    // line is added at a section's end, which is where writes add lines.
    TNameTable FSectionTable;
    bool FSectionTableValid = false;
    std::unordered_map<uint32_t, TNameTable> FLineTables;
    std::optional<uint32_t> FEncoding;
};

// Writes a whole file through a new file in the same folder that then replaces it, so that a
// failure leaves the old file as it was. Throws EFCreateError, naming the file and the reason.
void WriteWholeFile(const TSettingsPlatform& platform, const std::u16string& fileName, const std::string& bytes);

// The name of an INI line: the text before its first "=", empty when it has none.
std::u16string_view IniLineName(std::u16string_view line);

// Byte-order mark of an encoding: EF BB BF for 65001, FF FE for 1200, FE FF for 1201, else none.
std::string EncodingPreamble(uint32_t codePage);
std::u16string DecodeText(uint32_t codePage, std::string_view bytes, ICodePage& codePages);
std::string EncodeText(uint32_t codePage, std::u16string_view text, ICodePage& codePages);

}  // namespace zo
