// The settings folders made the administrators' own.
#pragma once
#include <string>

namespace zo::companion {

struct TFolderSecurityResult {
    bool Ok = false;
    unsigned long Error = 0;
    std::u16string Message;  // what was done, or which folder failed
};

// Gives "C:\ProgramData\Marnwick Software" and the settings folder below it the access list of
// SettingsFolderSecurity, taking over a folder that has another owner or a wider list.
TFolderSecurityResult SecureSettingsFolders();

}  // namespace zo::companion
