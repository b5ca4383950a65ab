// /install's walk from C:\ProgramData down to the settings folder and through everything in it.
// An ordinary user may have planted anything there before an administrator installs: first every
// object is inspected, with nothing created or changed; then the walk either refuses, or creates
// what is missing and takes over what is not the administrators' own. Every object is reached
// through an open handle of its checked folder, never by a path that could be redirected. The walk
// is portable, over a small interface of open handles, so that its decisions are tested natively;
// companion/SettingsFolder.cpp implements the interface with the system's calls.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/FolderSecurity.h"

namespace zo::companion {

using TObjectHandle = uint64_t;  // 0: none

enum TObjectKind { okFolder, okFile, okOther };  // okOther: a pipe, a device or the like

// What an open handle shows of its object.
struct TObjectFacts {
    TObjectKind Kind = okOther;
    bool ReparsePoint = false;  // a link, junction or other reparse point, opened as itself
    uint32_t Links = 1;         // the number of names of a file
    std::u16string FinalPath;   // the path the system resolves the handle to ("\\?\C:\...")
    TFolderSecurity Security;
};

class IFolderObjects {
public:
    virtual ~IFolderObjects() = default;

    // The following return 0 or the platform's error code.

    // Opens a folder by its path, following links: the trusted top of the walk.
    virtual uint32_t OpenTop(const std::u16string& path, TObjectHandle& folder) = 0;
    // Opens the object `name` in an open folder or, with `create`, makes it there as a new folder
    // (failing when the name is taken), never following a link at the name. While the handle is
    // open the object can be neither renamed nor removed. 2 or 3: there is no such object.
    virtual uint32_t OpenChild(TObjectHandle folder, const std::u16string& name, bool create,
                               TObjectHandle& object) = 0;
    virtual uint32_t Inspect(TObjectHandle object, TObjectFacts& facts) = 0;
    // The names in an open folder, without "." and "..".
    virtual uint32_t ListChildren(TObjectHandle folder, std::vector<std::u16string>& names) = 0;
    // Sets the owner and the access list through the handle: when `security` is protected,
    // exactly its entries; otherwise no entries of the object's own, only what `parent` (the open
    // folder that holds it) passes on.
    virtual uint32_t SetSecurity(TObjectHandle object, TObjectHandle parent, const TFolderSecurity& security) = 0;
    virtual void Close(TObjectHandle object) = 0;
};

struct TFolderChainResult {
    bool Ok = false;
    uint32_t Error = 0;      // the platform's code when a step failed; 0 when the walk refused
    std::u16string Message;  // what was taken over; or what is planted and what to do; or the step that failed
};

// Secures `settingsFolder` ("<top>\<vendor folder>\<settings folder>"). Refused, with nothing
// created or changed: a link, junction or other reparse point, or a handle whose final path is not
// the object's own path, at either folder or anywhere inside the settings folder; a file where a
// folder belongs; a second name of a file, or anything that is neither a file nor a folder, inside.
// Otherwise the missing folders are created, the vendor folder is given back to Administrators
// with what the top passes on when another could delete or rename in it or change its list
// (VendorFolderKept), the settings folder gets SettingsFolderSecurity when it is not the
// administrators' own already, and every file and folder in it becomes the administrators' own
// with only the list it passes on (all of them when the folder itself was taken over).
TFolderChainResult SecureSettingsFolderChain(IFolderObjects& objects, const std::u16string& settingsFolder);

}  // namespace zo::companion
