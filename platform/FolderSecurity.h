// Who may change what in a folder: the access list the service program gives its settings
// folders, and the check of one found on disk. The system's own form is built from this in
// companion/SettingsFolder.cpp.
#pragma once
#include <cstdint>
#include <vector>

namespace zo {

enum TTrustee { trAdministrators, trSystem, trUsers, trOther };

struct TAccessEntry {
    TTrustee Trustee;
    bool Allow;
    uint32_t Mask;  // the system's access bits
};

struct TFolderSecurity {
    TTrustee Owner = trOther;
    bool Protected = false;  // inherits nothing from the folder above
    bool HasList = true;     // no list at all lets everyone do everything
    std::vector<TAccessEntry> Entries;
};

// Full control, and reading with listing and traversing.
constexpr uint32_t kFullControl = 0x1F01FF, kReadAndExecute = 0x1200A9;
// Every bit that creates, changes, deletes or renames something, or changes who may.
constexpr uint32_t kChangeBits = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x10000000 | 0x40000000;

// The settings folders': owned by Administrators, protected, full control for Administrators and
// SYSTEM, reading for Users, each entry passed on to everything made inside.
TFolderSecurity SettingsFolderSecurity();

// True when only Administrators or SYSTEM own the folder or can change anything in it.
bool OnlyAdministratorsChange(const TFolderSecurity& found);

}  // namespace zo
