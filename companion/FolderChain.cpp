#include "companion/FolderChain.h"

#include <functional>
#include <utility>

#include "platform/Text.h"
#include "settings/SettingsFile.h"  // SameFinalPath

namespace zo::companion {

namespace {

// More objects taken over inside the settings folder than this are counted, not named.
constexpr size_t kNamedInside = 3;

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

// "C:\..." or "\\server\..." from the system's "\\?\C:\..." or "\\?\UNC\server\...".
std::u16string PlainPath(const std::u16string& finalPath) {
    if (finalPath.starts_with(u"\\\\?\\UNC\\")) return u"\\\\" + finalPath.substr(8);
    if (finalPath.starts_with(u"\\\\?\\")) return finalPath.substr(4);
    return finalPath;
}

// What is wrong with an object found at `path`, in words; empty when nothing is.
std::u16string Problem(const TObjectFacts& found, const std::u16string& path, bool folderOnly) {
    if (found.Kind == okOther) return u"is neither a file nor a folder";
    const bool folder = found.Kind == okFolder;
    if (found.ReparsePoint || !SameFinalPath(path, found.FinalPath))
        return folder ? u"is a link to another folder" : u"is a link to another file";
    if (!folder && found.Links > 1) return u"is one of several names of a file (a hard link)";
    if (folderOnly && !folder) return u"is a file where a folder belongs";
    return {};
}

// An open object, closed when it goes.
class TObject {
public:
    explicit TObject(IFolderObjects& objects) : FObjects(&objects) {}
    TObject(TObject&& other) noexcept : H(std::exchange(other.H, 0)), FObjects(other.FObjects) {}
    TObject& operator=(TObject&&) = delete;
    ~TObject() {
        if (H) FObjects->Close(H);
    }
    TObjectHandle H = 0;

private:
    IFolderObjects* FObjects;
};

// A step of the walk with the object it reached and the handle of the folder that holds it.
using TVisit = std::function<bool(TObjectHandle object, TObjectHandle folder, const std::u16string& path,
                                  const TObjectFacts& facts)>;

class TWalk {
public:
    explicit TWalk(IFolderObjects& objects) : FObjects(objects) {}

    TFolderChainResult Result;  // why the walk stopped

    bool Fail(const char16_t* step, const std::u16string& path, uint32_t code) {
        Result = {false, code, std::u16string(u"could not ") + step + u" " + Quoted(path)};
        return false;
    }

    // Opens, or creates as a folder, `name` in an open folder and checks it. True with no handle
    // when there is no such object.
    bool Open(TObjectHandle folder, const std::u16string& folderPath, const std::u16string& name, bool create,
              bool folderOnly, TObject& object, TObjectFacts& facts) {
        const std::u16string path = folderPath + u"\\" + name;
        uint32_t code = FObjects.OpenChild(folder, name, create, object.H);
        if (code && !create && (code == 2 || code == 3)) return true;
        if (code) return Fail(create ? u"create" : u"open", path, code);
        if ((code = FObjects.Inspect(object.H, facts))) return Fail(u"inspect", path, code);
        const std::u16string problem = Problem(facts, path, folderOnly);
        if (problem.empty()) return true;
        Result = {false, 0, Quoted(path) + u" " + problem + u"; remove it, then run /install again."};
        return false;
    }

    // Everything inside an open folder, depth first: each object opened, checked and visited; a
    // folder's names are listed after its visit and its handle is held while they are worked on.
    bool Inside(TObjectHandle top, const std::u16string& topPath, const TVisit& visit) {
        struct TFrame {
            TObjectHandle Folder;
            TObject Owned;
            std::u16string Path;
            std::vector<std::u16string> Names{};
            size_t Next = 0;
        };
        std::vector<TFrame> frames;
        frames.push_back({top, TObject(FObjects), topPath});
        for (bool listed = false; !frames.empty();) {
            TFrame& frame = frames.back();
            if (!listed) {
                if (uint32_t code = FObjects.ListChildren(frame.Folder, frame.Names))
                    return Fail(u"list", frame.Path, code);
                listed = true;
            }
            if (frame.Next == frame.Names.size()) {
                frames.pop_back();
                continue;
            }
            const std::u16string& name = frame.Names[frame.Next++];
            const std::u16string path = frame.Path + u"\\" + name;
            TObject object(FObjects);
            TObjectFacts facts;
            if (!Open(frame.Folder, frame.Path, name, false, false, object, facts)) return false;
            if (!object.H) continue;  // gone since it was listed
            if (!visit(object.H, frame.Folder, path, facts)) return false;
            if (facts.Kind != okFolder) continue;
            const TObjectHandle folder = object.H;
            frames.push_back({folder, std::move(object), path});
            listed = false;
        }
        return true;
    }

private:
    IFolderObjects& FObjects;
};

}  // namespace

TFolderChainResult SecureSettingsFolderChain(IFolderObjects& objects, const std::u16string& settingsFolder) {
    const size_t settingsCut = settingsFolder.rfind(u'\\'), vendorCut = settingsFolder.rfind(u'\\', settingsCut - 1);
    const std::u16string topPath = settingsFolder.substr(0, vendorCut);
    const std::u16string vendorName = settingsFolder.substr(vendorCut + 1, settingsCut - vendorCut - 1);
    const std::u16string settingsName = settingsFolder.substr(settingsCut + 1);
    TWalk walk(objects);
    TObject top(objects), vendor(objects), settings(objects);
    TObjectFacts topFacts, vendorFacts, settingsFacts;
    uint32_t code = objects.OpenTop(topPath, top.H);
    if (!code) code = objects.Inspect(top.H, topFacts);
    if (code) {
        walk.Fail(u"open", topPath, code);
        return walk.Result;
    }
    // The top is trusted wherever it leads; below it, each object must be where its name says.
    const std::u16string topPlace = PlainPath(topFacts.FinalPath);
    const std::u16string vendorPath = topPlace + u"\\" + vendorName, settingsPath = vendorPath + u"\\" + settingsName;

    // Everything is looked at before anything is created or changed.
    if (!walk.Open(top.H, topPlace, vendorName, false, true, vendor, vendorFacts)) return walk.Result;
    if (vendor.H && !walk.Open(vendor.H, vendorPath, settingsName, false, true, settings, settingsFacts))
        return walk.Result;
    const auto look = [](TObjectHandle, TObjectHandle, const std::u16string&, const TObjectFacts&) { return true; };
    if (settings.H && !walk.Inside(settings.H, settingsPath, look)) return walk.Result;

    std::vector<std::u16string> taken, inside;
    const auto takeOver = [&](TObjectHandle object, TObjectHandle folder, const std::u16string& path,
                              const TFolderSecurity& security) {
        if (uint32_t failed = objects.SetSecurity(object, folder, security))
            return walk.Fail(u"take over", path, failed);
        return true;
    };
    if (!vendor.H) {
        if (!walk.Open(top.H, topPlace, vendorName, true, true, vendor, vendorFacts)) return walk.Result;
    } else if (!VendorFolderKept(vendorFacts.Security)) {
        if (!takeOver(vendor.H, top.H, vendorPath, InheritedOnly())) return walk.Result;
        taken.push_back(vendorPath);
    }
    const bool created = !settings.H;
    if (created && !walk.Open(vendor.H, vendorPath, settingsName, true, true, settings, settingsFacts))
        return walk.Result;
    // Once the folder is the administrators' own, nobody else can add to it; what it holds is
    // listed only then, so that whatever came meanwhile is checked and taken over as well.
    const bool settingsTaken = created || !OnlyAdministratorsChange(settingsFacts.Security);
    if (settingsTaken && !takeOver(settings.H, vendor.H, settingsPath, SettingsFolderSecurity())) return walk.Result;
    if (settingsTaken && !created) taken.push_back(settingsPath);
    const auto takeInside = [&](TObjectHandle object, TObjectHandle folder, const std::u16string& path,
                                const TObjectFacts& facts) {
        if (!settingsTaken && InsideKept(facts.Security, facts.Kind == okFolder)) return true;
        if (!takeOver(object, folder, path, InheritedOnly())) return false;
        inside.push_back(path);
        return true;
    };
    if (!walk.Inside(settings.H, settingsPath, takeInside)) return walk.Result;

    if (inside.size() > kNamedInside)
        inside = {IntToStr(int64_t(inside.size())) + u" objects inside " + Quoted(settingsPath)};
    else
        for (auto& path : inside) path = Quoted(path);
    std::u16string named;
    for (const auto& path : taken) named += (named.empty() ? u"" : u", ") + Quoted(path);
    for (const auto& text : inside) named += (named.empty() ? u"" : u", ") + text;
    if (named.empty()) return {true, 0, u"The settings folders are the administrators' own."};
    return {true, 0, u"Taken over and fixed, for another owner or a wider access list: " + named + u"."};
}

}  // namespace zo::companion
