// An in-memory tree of folders and files behind handles, for the walk of /install. A link shows as
// the system shows it: a reparse point opened as itself, or followed to where it leads. Every call
// is recorded in order.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "companion/FolderChain.h"

namespace fakes {

using namespace zo::companion;

struct TFakeObject {
    TObjectKind Kind = okFolder;
    bool ReparsePoint = false;
    uint32_t Links = 1;
    std::u16string LeadsTo;  // a link that the platform follows: where it leads
    zo::TFolderSecurity Security;
};

class FakeFolderObjects : public IFolderObjects {
public:
    std::map<std::u16string, TFakeObject> Objects;  // by path
    std::vector<std::string> Calls;                 // "open <path>", "create <path>", "set <path> protected", ...

    std::vector<std::string> Changes() const {  // the calls that create or change something
        std::vector<std::string> changes;
        for (const auto& call : Calls)
            if (call.starts_with("create ") || call.starts_with("set ")) changes.push_back(call);
        return changes;
    }
    size_t OpenHandles() const { return FHandles.size(); }

    uint32_t OpenTop(const std::u16string& path, TObjectHandle& folder) override { return Open("open ", path, folder); }
    uint32_t OpenChild(TObjectHandle folder, const std::u16string& name, bool create, TObjectHandle& object) override {
        const std::u16string path = FHandles.at(folder) + u"\\" + name;
        if (create && !Objects.count(path)) Objects[path].Security = Inherited(Objects.at(FHandles.at(folder)), true);
        else if (create) return 183;
        return Open(create ? "create " : "open ", path, object);
    }
    uint32_t Inspect(TObjectHandle object, TObjectFacts& facts) override {
        const TFakeObject& o = Objects.at(FHandles.at(object));
        facts = {o.Kind, o.ReparsePoint, o.Links, u"\\\\?\\" + (o.LeadsTo.empty() ? FHandles.at(object) : o.LeadsTo),
                 o.Security};
        return 0;
    }
    uint32_t ListChildren(TObjectHandle folder, std::vector<std::u16string>& names) override {
        const std::u16string prefix = FHandles.at(folder) + u"\\";
        names.clear();
        for (const auto& [path, object] : Objects)
            if (path.starts_with(prefix) && path.find(u'\\', prefix.size()) == std::u16string::npos)
                names.push_back(path.substr(prefix.size()));
        return 0;
    }
    uint32_t SetSecurity(TObjectHandle object, TObjectHandle parent, const zo::TFolderSecurity& security) override {
        const std::u16string& path = FHandles.at(object);
        Calls.push_back("set " + std::string(path.begin(), path.end()) + (security.Protected ? " protected" : " inherited"));
        TFakeObject& o = Objects.at(path);
        o.Security = security.Protected ? security : Inherited(Objects.at(FHandles.at(parent)), o.Kind == okFolder);
        return 0;
    }
    void Close(TObjectHandle object) override { FHandles.erase(object); }

private:
    std::map<TObjectHandle, std::u16string> FHandles;
    TObjectHandle FNext = 1;

    uint32_t Open(const char* call, const std::u16string& path, TObjectHandle& object) {
        Calls.push_back(call + std::string(path.begin(), path.end()));
        if (!Objects.count(path)) return 2;
        FHandles[object = FNext++] = path;
        return 0;
    }
    // What a folder passes on to a new file or folder (no-propagation and CREATOR OWNER aside).
    static zo::TFolderSecurity Inherited(const TFakeObject& folder, bool isFolder) {
        zo::TFolderSecurity made{zo::trAdministrators, false, true, {}};
        for (zo::TAccessEntry entry : folder.Security.Entries) {
            if (!(entry.Flags & (isFolder ? zo::aeContainerInherit : zo::aeObjectInherit))) continue;
            entry.Flags = zo::aeInherited | (isFolder ? entry.Flags & (zo::aeObjectInherit | zo::aeContainerInherit) : 0);
            made.Entries.push_back(entry);
        }
        return made;
    }
};

}  // namespace fakes
