#include "platform/FolderSecurity.h"

namespace zo {

namespace {

bool Administrative(TTrustee trustee) { return trustee == trAdministrators || trustee == trSystem; }

}  // namespace

TFolderSecurity SettingsFolderSecurity() {
    return TFolderSecurity{trAdministrators, true, true,
                           {{trAdministrators, true, kFullControl}, {trSystem, true, kFullControl},
                            {trUsers, true, kReadAndExecute}}};
}

bool OnlyAdministratorsChange(const TFolderSecurity& found) {
    // An unprotected list takes in whatever the folder above grants; that is not checked here.
    if (!Administrative(found.Owner) || !found.Protected || !found.HasList) return false;
    for (const auto& entry : found.Entries)
        if (entry.Allow && !Administrative(entry.Trustee) && (entry.Mask & kChangeBits)) return false;
    return true;
}

}  // namespace zo
