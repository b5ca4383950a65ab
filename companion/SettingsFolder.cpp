#include "companion/SettingsFolder.h"

#include <windows.h>
#include <aclapi.h>

#include <vector>

#include "companion/Names.h"
#include "platform/FolderSecurity.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace zo::companion {

namespace {

using win::U;

WELL_KNOWN_SID_TYPE SidType(TTrustee trustee) {
    switch (trustee) {
        case trAdministrators: return WinBuiltinAdministratorsSid;
        case trSystem: return WinLocalSystemSid;
        default: return WinBuiltinUsersSid;
    }
}

TTrustee TrusteeOf(PSID sid) {
    if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return trAdministrators;
    if (IsWellKnownSid(sid, WinLocalSystemSid)) return trSystem;
    if (IsWellKnownSid(sid, WinBuiltinUsersSid)) return trUsers;
    return trOther;
}

struct TSid {
    BYTE Bytes[SECURITY_MAX_SID_SIZE];
    explicit TSid(TTrustee trustee) {
        DWORD size = sizeof Bytes;
        CreateWellKnownSid(SidType(trustee), nullptr, Bytes, &size);
    }
};

// The folder's owner and access list as found; false when they cannot be read.
bool ReadSecurity(const wchar_t* folder, TFolderSecurity& found, DWORD& error) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    error = GetNamedSecurityInfoW(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                  &owner, nullptr, &dacl, nullptr, &sd);
    if (error) return false;
    const win::TOwnedHandle<PSECURITY_DESCRIPTOR, LocalFree> descriptor(sd);  // owner and dacl point into it
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(sd, &control, &revision);
    found.Owner = owner ? TrusteeOf(owner) : trOther;
    found.Protected = (control & SE_DACL_PROTECTED) != 0;
    found.HasList = dacl != nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace))) continue;
        if (ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE) {
            auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);  // the same layout for both
            found.Entries.push_back({TrusteeOf(&entry->SidStart), ace->AceType == ACCESS_ALLOWED_ACE_TYPE, entry->Mask});
        } else {
            found.Entries.push_back({trOther, true, kChangeBits});  // a kind not looked into: replaced
        }
    }
    return true;
}

// Taking a folder over needs the privileges that an administrator has but does not use unasked.
void EnableOwnershipPrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    for (const wchar_t* name : {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

DWORD WriteSecurity(const wchar_t* folder, const TFolderSecurity& wanted) {
    std::vector<TSid> sids;
    sids.reserve(wanted.Entries.size() + 1);
    DWORD size = sizeof(ACL);
    for (const auto& entry : wanted.Entries) {
        sids.emplace_back(entry.Trustee);
        size += sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sids.back().Bytes);
    }
    std::vector<BYTE> acl(size);
    auto* list = reinterpret_cast<PACL>(acl.data());
    if (!InitializeAcl(list, size, ACL_REVISION)) return GetLastError();
    for (size_t i = 0; i < wanted.Entries.size(); ++i)
        if (!AddAccessAllowedAceEx(list, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   wanted.Entries[i].Mask, sids[i].Bytes))
            return GetLastError();
    TSid owner(wanted.Owner);
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(folder), SE_FILE_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                     PROTECTED_DACL_SECURITY_INFORMATION,
                                 owner.Bytes, nullptr, list, nullptr);
}

}  // namespace

TFolderSecurityResult SecureSettingsFolders() {
    const std::wstring settings = kSettingsFolder;
    const std::wstring folders[] = {settings.substr(0, settings.find_last_of(L'\\')), settings};
    EnableOwnershipPrivileges();
    std::u16string fixed;
    for (const auto& folder : folders) {
        TFolderSecurity found;
        DWORD error = 0;
        if (ReadSecurity(folder.c_str(), found, error) && OnlyAdministratorsChange(found)) continue;
        // Another owner or a wider list (or one that cannot be read): taken over and replaced.
        if ((error = WriteSecurity(folder.c_str(), SettingsFolderSecurity())))
            return {false, error, u"Could not secure the settings folder \"" + U(folder.c_str()) + u"\""};
        fixed += (fixed.empty() ? u"\"" : u", \"") + U(folder.c_str()) + u"\"";
    }
    if (fixed.empty()) return {true, 0, u"The settings folders are the administrators' own."};
    return {true, 0, u"Taken over and fixed, for another owner or a wider access list: " + fixed + u"."};
}

}  // namespace zo::companion
