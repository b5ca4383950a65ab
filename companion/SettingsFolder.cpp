#include "companion/SettingsFolder.h"

#include <aclapi.h>
#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <utility>
#include <vector>

#include "companion/Names.h"
#include "platform/FolderSecurity.h"
#include "platform/win32/FinalPath.h"
#include "platform/win32/OwnedHandle.h"
#include "platform/win32/WideText.h"

namespace zo::companion {

namespace {

using win::U;
using win::W;

using TAce = std::vector<BYTE>;

WELL_KNOWN_SID_TYPE SidType(TTrustee trustee) {
    switch (trustee) {
        case trAdministrators: return WinBuiltinAdministratorsSid;
        case trSystem: return WinLocalSystemSid;
        case trCreatorOwner: return WinCreatorOwnerSid;
        default: return WinBuiltinUsersSid;
    }
}

TTrustee TrusteeOf(PSID sid) {
    for (TTrustee trustee : {trAdministrators, trSystem, trUsers, trCreatorOwner})
        if (IsWellKnownSid(sid, SidType(trustee))) return trustee;
    return trOther;
}

struct TSid {
    BYTE Bytes[SECURITY_MAX_SID_SIZE];
    explicit TSid(TTrustee trustee) {
        DWORD size = sizeof Bytes;
        CreateWellKnownSid(SidType(trustee), nullptr, Bytes, &size);
    }
};

HANDLE H(TObjectHandle object) { return reinterpret_cast<HANDLE>(uintptr_t(object)); }

// Others may read and write what is open, but can neither rename nor remove it meanwhile.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Listing a folder, reading attributes, reading and setting owner and list. (For a file, listing
// is reading its data; nothing is read.)
constexpr ACCESS_MASK kObjectAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC | WRITE_OWNER | SYNCHRONIZE;

// An object's owner and list as the system keeps them; both point into Memory.
struct TDescriptor {
    PSID Owner = nullptr;
    PACL List = nullptr;
    win::TOwnedHandle<PSECURITY_DESCRIPTOR, LocalFree> Memory;
};

DWORD ReadDescriptor(HANDLE object, SECURITY_INFORMATION what, TDescriptor& found) {
    PSECURITY_DESCRIPTOR memory = nullptr;
    const DWORD error =
        GetSecurityInfo(object, SE_FILE_OBJECT, what, &found.Owner, nullptr, &found.List, nullptr, &memory);
    found.Memory.reset(memory);
    return error;
}

DWORD ReadSecurity(HANDLE object, TFolderSecurity& found) {
    TDescriptor descriptor;
    if (DWORD error = ReadDescriptor(object, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor))
        return error;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor.Memory.get(), &control, &revision);
    found.Owner = descriptor.Owner ? TrusteeOf(descriptor.Owner) : trOther;
    found.Protected = (control & SE_DACL_PROTECTED) != 0;
    found.HasList = descriptor.List != nullptr;
    const PACL list = descriptor.List;
    for (DWORD i = 0; list && i < list->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(list, i, reinterpret_cast<void**>(&ace))) continue;
        if (ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE) {
            auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);  // the same layout for both
            found.Entries.push_back(
                {TrusteeOf(&entry->SidStart), ace->AceType == ACCESS_ALLOWED_ACE_TYPE, entry->Mask, ace->AceFlags});
        } else {
            found.Entries.push_back({trOther, true, kFullControl, ace->AceFlags});  // a kind not looked into
        }
    }
    return 0;
}

TAce SimpleAce(BYTE type, BYTE flags, ACCESS_MASK mask, PSID sid) {
    const DWORD sidLength = GetLengthSid(sid);
    TAce ace(offsetof(ACCESS_ALLOWED_ACE, SidStart) + sidLength);
    auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace.data());
    entry->Header = {type, flags, WORD(ace.size())};
    entry->Mask = mask;
    CopySid(sidLength, &entry->SidStart, sid);
    return ace;
}

// The entries an object takes from the folder that holds it, as the system gives them to a new
// object: those passed on to files (to a file) or to folders (to a folder), marked inherited; a
// folder passes them on further unless they say otherwise. CREATOR OWNER's become the owner's,
// and generic rights the file rights they stand for; what goes on further keeps both.
DWORD InheritedEntries(HANDLE folder, bool isFolder, PSID owner, std::vector<TAce>& aces, BYTE& revision) {
    TDescriptor parent;
    if (DWORD error = ReadDescriptor(folder, DACL_SECURITY_INFORMATION, parent)) return error;
    if (!parent.List) return ERROR_INVALID_ACL;  // nothing to pass on: no list is not given to anything
    revision = parent.List->AclRevision;
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    for (DWORD i = 0; i < parent.List->AceCount; ++i) {
        ACE_HEADER* ace = nullptr;
        if (!GetAce(parent.List, i, reinterpret_cast<void**>(&ace))) return GetLastError();
        const BYTE flags = ace->AceFlags, onward = flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        const bool applies = flags & (isFolder ? CONTAINER_INHERIT_ACE : OBJECT_INHERIT_ACE);
        const bool passesOn = isFolder && onward && !(flags & NO_PROPAGATE_INHERIT_ACE);
        if (!applies && !passesOn) continue;
        auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
        const bool simple = ace->AceType == ACCESS_ALLOWED_ACE_TYPE || ace->AceType == ACCESS_DENIED_ACE_TYPE;
        const bool creator = simple && IsWellKnownSid(&entry->SidStart, WinCreatorOwnerSid);
        const bool generic = simple && (entry->Mask & (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL));
        TAce copy(reinterpret_cast<BYTE*>(ace), reinterpret_cast<BYTE*>(ace) + ace->AceSize);
        BYTE& copyFlags = reinterpret_cast<ACE_HEADER*>(copy.data())->AceFlags;
        if (applies && (creator || generic)) {
            ACCESS_MASK mask = entry->Mask;
            MapGenericMask(&mask, &mapping);
            aces.push_back(SimpleAce(ace->AceType, INHERITED_ACE, mask, creator ? owner : &entry->SidStart));
            if (!passesOn) continue;
            copyFlags = INHERITED_ACE | onward | INHERIT_ONLY_ACE;
        } else {
            copyFlags = INHERITED_ACE | (passesOn ? onward : 0) | (applies ? 0 : INHERIT_ONLY_ACE);
        }
        aces.push_back(std::move(copy));
    }
    return 0;
}

DWORD MakeList(const std::vector<TAce>& aces, BYTE revision, std::vector<BYTE>& list) {
    DWORD size = sizeof(ACL);
    for (const auto& ace : aces) size += DWORD(ace.size());
    list.assign(size, 0);
    auto* acl = reinterpret_cast<PACL>(list.data());
    if (!InitializeAcl(acl, size, revision)) return GetLastError();
    for (const auto& ace : aces)
        if (!AddAce(acl, revision, MAXDWORD, const_cast<BYTE*>(ace.data()), DWORD(ace.size()))) return GetLastError();
    return 0;
}

// Every open is through a handle that is not redirected by a link at the name (the link itself
// is opened), with the backup privileges' access whatever the object's list says, and, should the
// name be a pipe, without letting its server act as this program.
class TWin32FolderObjects : public IFolderObjects {
public:
    uint32_t OpenTop(const std::u16string& path, TObjectHandle& folder) override {
        const HANDLE handle = CreateFileW(
            W(path), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE, kShare,
            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
            nullptr);
        if (handle == INVALID_HANDLE_VALUE) return GetLastError();
        folder = reinterpret_cast<uintptr_t>(handle);
        return 0;
    }

    // Relative to the folder's handle, so the object is the one in the folder that was checked.
    uint32_t OpenChild(TObjectHandle folder, const std::u16string& name, bool create, TObjectHandle& object) override {
        if (name.size() > 32767) return ERROR_FILENAME_EXCED_RANGE;
        UNICODE_STRING text{USHORT(name.size() * 2), USHORT(name.size() * 2), const_cast<PWSTR>(W(name))};
        SECURITY_QUALITY_OF_SERVICE quality{sizeof quality, SecurityIdentification, SECURITY_STATIC_TRACKING, FALSE};
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, H(folder), nullptr);
        attributes.SecurityQualityOfService = &quality;
        IO_STATUS_BLOCK status{};
        HANDLE handle = nullptr;
        const NTSTATUS result = NtCreateFile(&handle, kObjectAccess, &attributes, &status, nullptr,
                                             FILE_ATTRIBUTE_NORMAL, kShare, create ? FILE_CREATE : FILE_OPEN,
                                             FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                                                 FILE_SYNCHRONOUS_IO_NONALERT | (create ? FILE_DIRECTORY_FILE : 0),
                                             nullptr, 0);
        if (!NT_SUCCESS(result)) return RtlNtStatusToDosError(result);
        object = reinterpret_cast<uintptr_t>(handle);
        return 0;
    }

    uint32_t Inspect(TObjectHandle object, TObjectFacts& facts) override {
        facts = {};
        if (GetFileType(H(object)) != FILE_TYPE_DISK) return 0;  // a pipe, a device: refused for what it is
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(H(object), &info)) return GetLastError();
        facts.Kind = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? okFolder : okFile;
        facts.ReparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        facts.Links = info.nNumberOfLinks;
        if (uint32_t error = win::FinalPathOf(H(object), facts.FinalPath)) return error;
        return ReadSecurity(H(object), facts.Security);
    }

    uint32_t ListChildren(TObjectHandle folder, std::vector<std::u16string>& names) override {
        names.clear();
        std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned for the entries
        for (auto kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
            if (!GetFileInformationByHandleEx(H(folder), kind, buffer.data(),
                                              DWORD(buffer.size() * sizeof(LONGLONG)))) {
                const DWORD error = GetLastError();
                return error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND ? 0 : error;
            }
            for (auto* entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(buffer.data());;
                 entry = reinterpret_cast<FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<BYTE*>(entry) +
                                                                  entry->NextEntryOffset)) {
                std::u16string name = U(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
                if (name != u"." && name != u"..") names.push_back(std::move(name));
                if (!entry->NextEntryOffset) break;
            }
        }
    }

    // Through the handle with SetKernelObjectSecurity. SetSecurityInfo would also go on by itself
    // through what a folder holds, opening it by its own rules; the walk checks and takes over
    // each of those objects itself.
    uint32_t SetSecurity(TObjectHandle object, TObjectHandle parent, const TFolderSecurity& security) override {
        TSid owner(security.Owner);
        std::vector<TAce> aces;
        BYTE revision = ACL_REVISION;
        if (security.Protected) {
            for (const auto& entry : security.Entries)
                aces.push_back(SimpleAce(entry.Allow ? ACCESS_ALLOWED_ACE_TYPE : ACCESS_DENIED_ACE_TYPE, entry.Flags,
                                         entry.Mask, TSid(entry.Trustee).Bytes));
        } else {
            BY_HANDLE_FILE_INFORMATION info{};
            if (!GetFileInformationByHandle(H(object), &info)) return GetLastError();
            const bool isFolder = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            if (DWORD error = InheritedEntries(H(parent), isFolder, owner.Bytes, aces, revision)) return error;
        }
        std::vector<BYTE> list;
        if (DWORD error = MakeList(aces, revision, list)) return error;
        SECURITY_DESCRIPTOR descriptor;
        InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&descriptor, owner.Bytes, FALSE);
        SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(list.data()), FALSE);
        const SECURITY_DESCRIPTOR_CONTROL kind = security.Protected ? SE_DACL_PROTECTED : SE_DACL_AUTO_INHERITED;
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED | SE_DACL_AUTO_INHERITED, kind);
        const SECURITY_INFORMATION what =
            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
            (security.Protected ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
        return SetKernelObjectSecurity(H(object), what, &descriptor) ? 0 : GetLastError();
    }

    void Close(TObjectHandle object) override { CloseHandle(H(object)); }
};

// Reading and taking over what an ordinary user made needs the privileges that an administrator
// has but does not use unasked. 0, or the code of the first one that the account does not hold:
// without them the walk would make folders that it then could not give to the administrators.
DWORD EnableOwnershipPrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return GetLastError();
    DWORD error = 0;
    for (const wchar_t* name : {SE_TAKE_OWNERSHIP_NAME, SE_RESTORE_NAME, SE_BACKUP_NAME}) {
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
            !AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
            error = GetLastError();
        else if (GetLastError() == ERROR_NOT_ALL_ASSIGNED)
            error = ERROR_PRIVILEGE_NOT_HELD;
        if (error) break;
    }
    CloseHandle(token);
    return error;
}

}  // namespace

TFolderChainResult SecureSettingsFolders() {
    if (const DWORD error = EnableOwnershipPrivileges())
        return {false, error, u"the settings folders are made and taken over only with an administrator's rights"};
    TWin32FolderObjects objects;
    return SecureSettingsFolderChain(objects, U(kSettingsFolder));
}

}  // namespace zo::companion
