#include "settings/RegistryIniFile.h"

#include "platform/Failure.h"
#include "platform/Text.h"

namespace zo {

TRegistryIniFile::TRegistryIniFile(const std::u16string& path, uint32_t rootKey, uint32_t access,
                                   const TSettingsPlatform& platform)
    : TCustomIniFile(path, platform), FRootKey(rootKey), FAccess(access) {
    FKeyPath = path;
    while (!FKeyPath.empty() && FKeyPath.front() == u'\\') FKeyPath.erase(0, 1);
    while (!FKeyPath.empty() && FKeyPath.back() == u'\\') FKeyPath.pop_back();
    Registry().CreateKey(FRootKey, FKeyPath, FAccess);
}

IRegistry& TRegistryIniFile::Registry() {
    if (!FPlatform.Registry) throw ERegistryException(u"The registry is not available");
    return *FPlatform.Registry;
}

std::u16string TRegistryIniFile::SectionKey(const std::u16string& section) const {
    if (FKeyPath.empty()) return section;
    return section.empty() ? FKeyPath : FKeyPath + u"\\" + section;
}

std::u16string TRegistryIniFile::ReadString(const std::u16string& section, const std::u16string& ident,
                                            const std::u16string& defaultValue) {
    std::u16string value;
    return Registry().ReadString(FRootKey, SectionKey(section), ident, FAccess, value) ? value : defaultValue;
}

void TRegistryIniFile::WriteString(const std::u16string& section, const std::u16string& ident,
                                   const std::u16string& value) {
    if (uint32_t code = Registry().WriteString(FRootKey, SectionKey(section), ident, FAccess, value))
        throw ERegistryException(FormatS(u"Failed to set data for \"%s\". %s",
                                         {ident, SysErrorMessage(FPlatform.SystemText, code)}));
}

void TRegistryIniFile::ReadSection(const std::u16string& section, TStrings& strings) {
    strings = Registry().ValueNames(FRootKey, SectionKey(section), FAccess);
}

void TRegistryIniFile::ReadSections(TStrings& strings) {
    strings = Registry().SubKeyNames(FRootKey, FKeyPath, FAccess);
}

void TRegistryIniFile::ReadSectionValues(const std::u16string& section, TStrings& strings) {
    strings.clear();
    for (const auto& name : Registry().ValueNames(FRootKey, SectionKey(section), FAccess))
        strings.push_back(name + u"=" + ReadString(section, name, u""));
}

void TRegistryIniFile::EraseSection(const std::u16string& section) {
    const std::u16string key = SectionKey(section);
    if (!Registry().KeyExists(FRootKey, key, FAccess)) return;
    if (uint32_t code = Registry().DeleteKey(FRootKey, key, FAccess))
        throw ERegistryException(FormatS(u"Failed to delete key \"%s\". %s",
                                         {section, SysErrorMessage(FPlatform.SystemText, code)}));
}

void TRegistryIniFile::DeleteKey(const std::u16string& section, const std::u16string& ident) {
    if (!ValueExists(section, ident)) return;
    if (uint32_t code = Registry().DeleteValue(FRootKey, SectionKey(section), ident, FAccess))
        throw ERegistryException(FormatS(u"Failed to delete value \"%s\". %s",
                                         {ident, SysErrorMessage(FPlatform.SystemText, code)}));
}

bool TRegistryIniFile::ValueExists(const std::u16string& section, const std::u16string& ident) {
    std::u16string value;
    return Registry().ReadString(FRootKey, SectionKey(section), ident, FAccess, value);
}

}  // namespace zo
