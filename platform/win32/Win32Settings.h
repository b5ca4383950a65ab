// The real platform services of the settings store.
#pragma once
#include <cstdint>

#include "platform/CodePage.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/ProgramEnvironment.h"
#include "platform/Registry.h"
#include "settings/IniFiles.h"

namespace zo {

// Folders opened with CreateFileW (not following a link at their name, identification only), the
// files in them with NtCreateFile relative to the folder's handle (FILE_OPEN_REPARSE_POINT, the same
// quality of service); what a handle shows from GetFileType, GetFileInformationByHandle,
// GetFinalPathNameByHandleW (which under Wine follows Unix links, so a link shows as another
// path) and its owner; renames relative to the folder (NtSetInformationFile).
class Win32FileSystem : public IFileSystem {
public:
    bool FileExists(const std::u16string& fileName) override;
    uint32_t OpenFolder(const std::u16string& folder, std::unique_ptr<IFolder>& opened) override;
    uint32_t RandomNumber(uint64_t& number) override;
    void Pause(uint32_t ms) override;
    bool ForceDirectories(const std::u16string& folder) override;
};

// GetACP, MultiByteToWideChar and WideCharToMultiByte.
class Win32CodePage : public ICodePage {
public:
    uint32_t AnsiCodePage() override;
    std::u16string ToUnicode(uint32_t codePage, std::string_view bytes) override;
    std::string FromUnicode(uint32_t codePage, std::u16string_view text) override;
};

// GetLocaleInfoW and LCMapStringW for the user's default locale.
class Win32Locale : public ILocale {
public:
    TFormatSettings FormatSettings() override;
    std::u16string UpperCase(std::u16string_view text) override;
};

// The module's own path, an application title that the program sets, and the shell's special
// folders through SHGetSpecialFolderPathW, looked up in Shell32 when asked.
class Win32ProgramEnvironment : public IProgramEnvironment {
public:
    std::u16string Title;
    std::u16string ProgramFileName() override;
    std::u16string ApplicationTitle() override { return Title; }
    std::u16string SpecialFolderPath(int csidl) override;
};

class Win32Registry : public IRegistry {
public:
    uint32_t CreateKey(uint32_t root, const std::u16string& path, uint32_t access) override;
    bool KeyExists(uint32_t root, const std::u16string& path, uint32_t access) override;
    bool ReadString(uint32_t root, const std::u16string& path, const std::u16string& name, uint32_t access,
                    std::u16string& value) override;
    uint32_t WriteString(uint32_t root, const std::u16string& path, const std::u16string& name,
                         uint32_t access, const std::u16string& value) override;
    std::vector<std::u16string> SubKeyNames(uint32_t root, const std::u16string& path, uint32_t access) override;
    std::vector<std::u16string> ValueNames(uint32_t root, const std::u16string& path, uint32_t access) override;
    uint32_t DeleteKey(uint32_t root, const std::u16string& path, uint32_t access) override;
    uint32_t DeleteValue(uint32_t root, const std::u16string& path, const std::u16string& name,
                         uint32_t access) override;
};

// One set of the real services for the whole program. The environment's Title may be set once
// the application title is known.
TSettingsPlatform DefaultSettingsPlatform();
Win32ProgramEnvironment& DefaultProgramEnvironment();

}  // namespace zo
