#include "platform/FolderSecurity.h"

namespace zo {

namespace {

// The system's access bits for files and folders.
constexpr uint32_t kReadData = 0x1, kWriteData = 0x2, kAppendData = 0x4, kWriteExtended = 0x10, kDeleteChild = 0x40,
                   kWriteAttributes = 0x100, kDelete = 0x10000, kWriteList = 0x40000, kWriteOwner = 0x80000;
constexpr uint32_t kGenericAll = 0x10000000, kGenericExecute = 0x20000000, kGenericWrite = 0x40000000,
                   kGenericRead = 0x80000000;

bool Administrative(TTrustee trustee) { return trustee == trAdministrators || trustee == trSystem; }

// Generic rights as the file rights they stand for.
uint32_t Mapped(uint32_t mask) {
    if (mask & kGenericRead) mask |= 0x120089;
    if (mask & kGenericWrite) mask |= 0x120116;
    if (mask & kGenericExecute) mask |= 0x1200A0;
    if (mask & kGenericAll) mask |= kFullControl;
    return mask & 0x0FFFFFFF;
}

// The rights the user holds through the entries for which `applies` holds, the first entry that
// names a right deciding it. CREATOR OWNER stands for whoever made the object: never the user
// for what someone else made.
template <class Applies>
uint32_t Granted(const TFolderSecurity& security, Applies applies) {
    if (!security.HasList) return kFullControl;
    uint32_t granted = 0, decided = 0;
    for (const auto& entry : security.Entries) {
        if (!applies(entry.Flags)) continue;
        const bool names = entry.Trustee == trUsers || (entry.Allow && entry.Trustee == trOther);
        if (!names) continue;
        const uint32_t bits = Mapped(entry.Mask) & ~decided;
        if (entry.Allow) granted |= bits;
        decided |= bits;
    }
    return granted;
}

bool ChangesAnything(const TUserPowers& p) {
    return p.Create || p.DeleteOrRenameInside || p.DeleteOrRename || p.ChangeAttributes || p.ChangeList ||
           p.TakeOwnership;
}

// Users may list what is in the settings folder, and no more: one who could open a file there
// could hold it, shared with nobody, and keep every writer out.
bool ListingOnly(const TUserPowers& p) { return !ChangesAnything(p) && !p.Read; }

}  // namespace

TUserPowers OrdinaryUserPowers(const TFolderSecurity& security, bool folder) {
    const uint32_t own = Granted(security, [](uint8_t flags) { return !(flags & aeInheritOnly); });
    // What a file or a folder made in the folder by someone else takes from it.
    const uint32_t inFile = Granted(security, [](uint8_t flags) { return (flags & aeObjectInherit) != 0; });
    const uint32_t inFolder = Granted(security, [](uint8_t flags) { return (flags & aeContainerInherit) != 0; });
    TUserPowers p;
    p.Read = (own & kReadData) && (!folder || (inFile & kReadData));
    p.Create = (own & (kWriteData | kAppendData)) != 0;
    p.DeleteOrRenameInside = folder && ((own & kDeleteChild) || ((inFile | inFolder) & kDelete));
    p.DeleteOrRename = (own & kDelete) != 0;
    p.ChangeAttributes = (own & (kWriteAttributes | kWriteExtended)) != 0;
    // An owner may always change the list.
    p.ChangeList = (own & kWriteList) || !Administrative(security.Owner);
    p.TakeOwnership = (own & kWriteOwner) != 0;
    if (p.ChangeList || p.TakeOwnership) p = {true, true, folder, true, true, true, true};
    return p;
}

TFolderSecurity SettingsFolderSecurity() {
    // Users may list the folder (and folders in it), but open none of its files: one who could
    // open the settings file could hold it shared with nobody, and so lock the writers out.
    return TFolderSecurity{trAdministrators, true, true,
                           {{trAdministrators, true, kFullControl}, {trSystem, true, kFullControl},
                            {trUsers, true, kReadAndExecute, aeContainerInherit}}};
}

TFolderSecurity InheritedOnly() { return TFolderSecurity{trAdministrators, false, true, {}}; }

bool OnlyAdministratorsChange(const TFolderSecurity& found) {
    return found.Protected && ListingOnly(OrdinaryUserPowers(found));
}

bool VendorFolderKept(const TFolderSecurity& found) {
    const TUserPowers p = OrdinaryUserPowers(found);
    return !p.DeleteOrRenameInside && !p.DeleteOrRename && !p.ChangeList && !p.TakeOwnership;
}

bool InsideKept(const TFolderSecurity& found, bool folder) {
    for (const auto& entry : found.Entries)
        if (!(entry.Flags & aeInherited)) return false;
    // A file moved in keeps the entries its old folder passed on, reading ones too.
    return !found.Protected && ListingOnly(OrdinaryUserPowers(found, folder));
}

}  // namespace zo
