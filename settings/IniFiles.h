// INI files: TCustomIniFile builds the typed operations on text reads and writes;
// TMemIniFile holds a whole INI file in memory (a TIniDocument) and writes it back as a whole.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/ProgramEnvironment.h"
#include "platform/Registry.h"
#include "platform/SystemText.h"
#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"
#include "settings/ValueText.h"

namespace zo {

// The system services that the settings classes use. Registry may be null where the registry
// mode is not offered.
struct TSettingsPlatform {
    IFileSystem& Files;
    ICodePage& CodePage;
    ILocale& Locale;
    ISystemText& SystemText;
    IProgramEnvironment& Environment;
    IRegistry* Registry = nullptr;
    // A larger file is refused when read, and never rewritten.
    uint64_t MaxFileBytes = kMaxSettingsFileBytes;
    TSettingsFiles FileAccess() const { return TSettingsFiles{Files, CodePage, Locale, SystemText, MaxFileBytes}; }
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
    // Writes the whole document, replacing the file's content. Throws EFCreateError when the file
    // cannot be written, ESettingsRefused when the document would be over the size limit; the
    // document is kept as it is.
    void UpdateFile() override;
    // Read-modify-write (RewriteFile): the document is read anew from the file, held for the
    // writers' turn (emptied when there is none), `edit` is applied and the result is written
    // back, so that what another program wrote since the last read is kept. Throws EFCreateError
    // as UpdateFile, the document then holding the change; ESettingsRefused when the file cannot
    // be rewritten without loss or the result would be over the size limit, the document then
    // holding what the file says.
    void UpdateFile(const std::function<void(TMemIniFile&)>& edit);
    bool SectionExists(const std::u16string& section) override;
    bool ValueExists(const std::u16string& section, const std::u16string& ident) override;

    void Clear() { FDocument.Clear(); }
    // The document as the lines that UpdateFile writes.
    TStrings GetStrings() const { return FDocument.GetStrings(); }
    // Replaces the document by parsing the lines.
    void SetStrings(const TStrings& lines) { FDocument.SetStrings(lines); }
    void Rename(const std::u16string& fileName, bool reload);

    // The code page of the file (1200 UTF-16 LE, 1201 UTF-16 BE, 65001 UTF-8, or a single- or
    // multi-byte code page); unset until a file was read or an encoding given. A given one is
    // used for writing; a detected one only when the file had its byte-order mark, else the
    // writing takes the ANSI code page when it holds every character, UTF-8 when not.
    const std::optional<uint32_t>& Encoding() const { return FEncoding; }
    void SetEncoding(std::optional<uint32_t> encoding) {
        FEncoding = encoding;
        FEncodingGiven = encoding.has_value();
    }

    // The encoded form of the document, byte-order mark first, as UpdateFile writes it.
    std::string Serialize();

private:
    void LoadValues();
    void TakeText(TIniText&& read);

    TIniDocument FDocument;
    std::optional<uint32_t> FEncoding;
    bool FEncodingGiven = false;
    bool FMarked = false;  // the file read had the byte-order mark of its encoding
};

}  // namespace zo
