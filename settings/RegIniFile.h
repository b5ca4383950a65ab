// TRegIniFile: the settings component. It maps section/key reads and writes onto an INI file
// (the default) or onto a registry key.
//
// Usage (the control panel's setting):
//
//     zo::TRegIniFile IniSettings(zo::DefaultSettingsPlatform());   // platform/win32/Win32Settings.h
//     IniSettings.SetPathType(zo::ptIniFile);
//     IniSettings.SetPath(u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda\\ZoradidIvavuda.ini");
//     bool on = IniSettings.ReadBool(u"Settings", u"RestartServices", false);
//     IniSettings.WriteBool(u"Settings", u"RestartServices", true);   // rewrites the whole file
//
// In INI mode the file is read once, when the storage is first needed, into a TMemIniFile kept
// in memory; every write operation then rewrites the file (AutoUpdateIniFile) by
// read-modify-write: the file as it is now, with that one change, so that what another program
// wrote in between is kept. A file over the size limit, or reached through a link, is refused. Changing
// Path, PathType, RegKey, RegAccess, SpecialFolder or FileEncoding to a different value makes
// the next operation rebuild the storage, discarding unwritten changes; assigning the same value
// again changes nothing. Failures are exceptions: EFOpenError ("Cannot open file "<path>".
// <reason>") when an existing file cannot be read, with the storage left unbuilt so that the
// next operation tries again; EFCreateError ("Cannot create file "<path>". <reason>") when the
// file cannot be written, with the change kept in memory. A missing file or folder is no error
// when reading. Tests pass fakes of the platform services to the constructor.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>

#include "settings/IniFiles.h"
#include "settings/RegistryIniFile.h"

namespace zo {

enum TPathType : uint8_t { ptIniFile, ptRegistry };
enum TRegKey : uint8_t {
    hkeyClassesRoot,
    hkeyCurrentUser,
    hkeyLocalMachine,
    hkeyUsers,
    hkeyPerformanceData,
    hkeyCurrentConfig,
    hkeyDynData
};
enum TRegAccessKey : uint8_t {
    keyQueryValue,
    keySetValue,
    keyCreateSubKey,
    keyEnumerateSubKeys,
    keyNotify,
    keyCreateLink,
    keyRead,
    keyWrite,
    keyExecute,
    keyAllAccess
};
// A set of TRegAccessKey: bit n stands for element n.
using TRegAccess = uint16_t;
constexpr TRegAccess RegAccessOf(TRegAccessKey key) { return TRegAccess(1u << key); }

enum TSpecialFolder : uint8_t {
    sfNone,
    sfUserAppDataRoaming,
    sfUserAppDataLocal,
    sfUserDocuments,
    sfProgramData
};
enum TIniFileEncoding : uint8_t { feDefault, feUTF8, feUnicode };

// The platform's predefined root key of a TRegKey, and the access mask of a TRegAccess.
uint32_t RootKeyOf(TRegKey key);
uint32_t AccessMaskOf(TRegAccess access);

// Path helpers with "\" and ":" as separators.
std::u16string ExtractFilePath(const std::u16string& path);  // up to and including the last
std::u16string ExtractFileName(const std::u16string& path);  // after the last
std::u16string ChangeFileExt(const std::u16string& path, const std::u16string& ext);

class TRegIniFile {
public:
    explicit TRegIniFile(const TSettingsPlatform& platform);
    // When AutoUpdateIniFile is false, writes the document first. A write failure there is not
    // reported (a destructor cannot raise); call UpdateIniFile before to learn of it.
    virtual ~TRegIniFile();
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    const std::u16string& Path() const { return FPath; }
    TPathType PathType() const { return FPathType; }
    TRegKey RegKey() const { return FRegKey; }
    TRegAccess RegAccess() const { return FRegAccess; }
    TSpecialFolder SpecialFolder() const { return FSpecialFolder; }
    TIniFileEncoding FileEncoding() const { return FFileEncoding; }
    bool AutoUpdateIniFile() const { return FAutoUpdateIniFile; }

    virtual void SetPath(const std::u16string& value);
    virtual void SetPathType(TPathType value);
    virtual void SetRegKey(TRegKey value);
    virtual void SetRegAccess(TRegAccess value);
    virtual void SetSpecialFolder(TSpecialFolder value);
    virtual void SetFileEncoding(TIniFileEncoding value);
    void SetAutoUpdateIniFile(bool value) { FAutoUpdateIniFile = value; }

    bool SectionExists(const std::u16string& section);
    bool ValueExists(const std::u16string& section, const std::u16string& ident);
    std::u16string ReadString(const std::u16string& section, const std::u16string& ident,
                              const std::u16string& defaultValue);
    void WriteString(const std::u16string& section, const std::u16string& ident, const std::u16string& value);
    int32_t ReadInteger(const std::u16string& section, const std::u16string& ident, int32_t defaultValue);
    void WriteInteger(const std::u16string& section, const std::u16string& ident, int32_t value);
    bool ReadBool(const std::u16string& section, const std::u16string& ident, bool defaultValue);
    void WriteBool(const std::u16string& section, const std::u16string& ident, bool value);
    TDateTime ReadDate(const std::u16string& section, const std::u16string& ident, TDateTime defaultValue);
    TDateTime ReadTime(const std::u16string& section, const std::u16string& ident, TDateTime defaultValue);
    TDateTime ReadDateTime(const std::u16string& section, const std::u16string& ident, TDateTime defaultValue);
    void WriteDate(const std::u16string& section, const std::u16string& ident, TDateTime value);
    void WriteTime(const std::u16string& section, const std::u16string& ident, TDateTime value);
    void WriteDateTime(const std::u16string& section, const std::u16string& ident, TDateTime value);
    double ReadFloat(const std::u16string& section, const std::u16string& ident, double defaultValue);
    void WriteFloat(const std::u16string& section, const std::u16string& ident, double value);
    int32_t ReadBinaryStream(const std::u16string& section, const std::u16string& ident, TStream& value);
    void WriteBinaryStream(const std::u16string& section, const std::u16string& ident, TStream& value);
    void ReadSection(const std::u16string& section, TStrings& strings);
    void ReadSections(TStrings& strings);
    void ReadSectionValues(const std::u16string& section, TStrings& strings);
    void EraseSection(const std::u16string& section);
    void DeleteKey(const std::u16string& section, const std::u16string& ident);
    // Writes the document to the file (INI mode); does nothing in registry mode or before the
    // storage was prepared.
    void UpdateIniFile();

    // The storage as built by the last preparation (null before, or after a failed one).
    TMemIniFile* IniDocument() const { return FIni.get(); }
    TRegistryIniFile* RegistryStorage() const { return FReg.get(); }

private:
    void PrepareStorage();
    std::u16string SpecialFolderPath(const std::u16string& folderPart);
    TCustomIniFile& Storage();
    // A write operation: applied to the storage, then, in INI mode with AutoUpdateIniFile, to
    // the file as it is now (read-modify-write).
    void Write(const std::function<void(TCustomIniFile&)>& edit);

    TSettingsPlatform FPlatform;
    std::u16string FPath;
    TPathType FPathType = ptIniFile;
    TRegKey FRegKey = hkeyCurrentUser;
    TRegAccess FRegAccess = RegAccessOf(keyAllAccess);
    TSpecialFolder FSpecialFolder = sfNone;
    TIniFileEncoding FFileEncoding = feDefault;
    bool FRefreshStorage = true;
    bool FAutoUpdateIniFile = true;
    std::unique_ptr<TMemIniFile> FIni;
    std::unique_ptr<TRegistryIniFile> FReg;
};

}  // namespace zo
