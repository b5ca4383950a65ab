// Sections and values kept in the registry: each section is a sub-key of one key, each ident a
// string value of that sub-key. Every operation goes straight to the registry.
#pragma once
#include "settings/IniFiles.h"

namespace zo {

class TRegistryIniFile : public TCustomIniFile {
public:
    // Opens the key `path` under the root key (0x80000000 to 0x80000006), creating it when
    // missing (a failure shows in the first write), with the access mask given.
    TRegistryIniFile(const std::u16string& path, uint32_t rootKey, uint32_t access,
                     const TSettingsPlatform& platform);

    uint32_t RootKey() const { return FRootKey; }
    uint32_t Access() const { return FAccess; }

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
    void UpdateFile() override {}
    bool ValueExists(const std::u16string& section, const std::u16string& ident) override;

private:
    std::u16string SectionKey(const std::u16string& section) const;
    IRegistry& Registry();

    std::u16string FKeyPath;  // without a leading "\"
    uint32_t FRootKey;
    uint32_t FAccess;
};

}  // namespace zo
