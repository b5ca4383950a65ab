// Who may do what to a folder or file: what an ordinary user can do under an owner and access
// list, the list the service program gives its settings folder, and the decisions of /install
// about the folders it finds. The system's own form is built from this in
// companion/SettingsFolder.cpp.
#pragma once
#include <cstdint>
#include <vector>

namespace zo {

// trOther is anyone else: a user, Everyone, another group.
enum TTrustee { trAdministrators, trSystem, trUsers, trCreatorOwner, trOther };

// The system's entry flags: passed on to files, to folders, only one level down, not for the
// object itself but only for what is made in it, and taken from the folder above.
enum : uint8_t {
    aeObjectInherit = 0x1,
    aeContainerInherit = 0x2,
    aeNoPropagate = 0x4,
    aeInheritOnly = 0x8,
    aeInherited = 0x10
};

struct TAccessEntry {
    TTrustee Trustee;
    bool Allow;
    uint32_t Mask;  // the system's access bits
    uint8_t Flags = aeObjectInherit | aeContainerInherit;
};

struct TFolderSecurity {
    TTrustee Owner = trOther;
    bool Protected = false;  // inherits nothing from the folder above
    bool HasList = true;     // no list at all lets everyone do everything
    std::vector<TAccessEntry> Entries;
};

// Full control, and reading with listing and traversing.
constexpr uint32_t kFullControl = 0x1F01FF, kReadAndExecute = 0x1200A9;

// What an ordinary user can do to an object: a user in Users but not in Administrators, who may,
// to be safe, be anyone an entry allows something to (a user, Everyone, another group), but is
// kept out only by entries that deny Users. Entries are taken in the list's order, as the system
// takes them (it orders those that deny first). A user who may change the list or take the
// ownership can give themselves everything, and so can everything.
struct TUserPowers {
    bool Read = false;                  // list the folder and read its files (a file: read it)
    bool Create = false;                // create a file or folder in it (a file: write it)
    bool DeleteOrRenameInside = false;  // delete or rename what someone else made in the folder
    bool DeleteOrRename = false;        // delete or rename the object itself
    bool ChangeAttributes = false;
    bool ChangeList = false;
    bool TakeOwnership = false;
    bool operator==(const TUserPowers&) const = default;
};
TUserPowers OrdinaryUserPowers(const TFolderSecurity& security, bool folder = true);

// The settings folder's: owned by Administrators, protected, full control for Administrators and
// SYSTEM, passed on to everything made inside; listing for Users, passed on to folders only.
TFolderSecurity SettingsFolderSecurity();
// Owned by Administrators, with no entries of its own: only what the folder above passes on.
TFolderSecurity InheritedOnly();

// The decisions of /install. An owner other than Administrators or SYSTEM can always change the
// list, so each also asks for Administrators or SYSTEM as the owner.
// The settings folder is kept as found when Administrators or SYSTEM own it, its list is protected
// and an ordinary user can change nothing in it, nor read its files.
bool OnlyAdministratorsChange(const TFolderSecurity& found);
// The vendor folder, which other products share, is kept when Administrators or SYSTEM own it and
// no one else can delete or rename it or what is in it, change its list or take its ownership.
bool VendorFolderKept(const TFolderSecurity& found);
// A file or folder in the settings folder is kept when Administrators or SYSTEM own it, it has
// nothing but what the folder passes on, and an ordinary user can change nothing in it.
bool InsideKept(const TFolderSecurity& found, bool folder);

}  // namespace zo
