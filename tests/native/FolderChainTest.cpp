// The walk of /install from C:\ProgramData through the settings folders, over what an ordinary user
// could have planted before it: what it refuses, creates and takes over, and that a refusal changes
// nothing and a second run finds nothing left to do.
#include <gtest/gtest.h>

#include <functional>

#include "companion/FolderChain.h"
#include "fakes/FakeFolderObjects.h"

using namespace zo;
using namespace zo::companion;
using fakes::TFakeObject;

namespace {

const std::u16string kTop = u"C:\\ProgramData", kVendor = kTop + u"\\Marnwick Software",
                     kSettings = kVendor + u"\\ZoradidIvavuda", kFile = kSettings + u"\\ZoradidIvavuda.ini";
const std::string kV = "C:\\ProgramData\\Marnwick Software", kS = kV + "\\ZoradidIvavuda";

// C:\ProgramData's own list: everyone may create in it, and owns what they create.
const TFolderSecurity kProgramData{trSystem, true, true,
                                   {{trSystem, true, kFullControl}, {trAdministrators, true, kFullControl},
                                    {trCreatorOwner, true, kFullControl, aeObjectInherit | aeContainerInherit | aeInheritOnly},
                                    {trUsers, true, kReadAndExecute}, {trUsers, true, 0x116, aeContainerInherit}}};
// What a folder made in it takes from it, with the owner given.
TFolderSecurity MadeInProgramData(TTrustee owner) {
    TFolderSecurity made{owner, false, true, kProgramData.Entries};
    for (auto& entry : made.Entries) entry.Flags = (entry.Flags & ~aeInheritOnly) | aeInherited;
    return made;
}
const TFolderSecurity kUsersFullControl{trOther, false, true, {{trUsers, true, kFullControl}}};

TFakeObject Folder(const TFolderSecurity& security) { return {okFolder, false, 1, u"", security}; }
TFakeObject File(const TFolderSecurity& security) { return {okFile, false, 1, u"", security}; }

// A file and a subfolder with a file and a folder, planted in a settings folder that users may write.
void Planted(fakes::FakeFolderObjects& fake) {
    fake.Objects[kVendor] = Folder(MadeInProgramData(trAdministrators));
    fake.Objects[kSettings] = Folder(kUsersFullControl);
    fake.Objects[kFile] = File(kUsersFullControl);
    fake.Objects[kSettings + u"\\a"] = Folder(kUsersFullControl);
    fake.Objects[kSettings + u"\\a\\b"] = File(kUsersFullControl);
    fake.Objects[kSettings + u"\\a\\c"] = Folder(kUsersFullControl);
    // The administrators' own, but with what the folder passed on before it was taken over.
    fake.Objects[kSettings + u"\\a\\d"] = File({trAdministrators, false, true, {{trUsers, true, kReadAndExecute, aeInherited}}});
}

// The vendor folder as /install makes it and the settings folder as it secures it.
void Ours(fakes::FakeFolderObjects& fake) {
    fake.Objects[kVendor] = Folder(MadeInProgramData(trAdministrators));
    fake.Objects[kSettings] = Folder(SettingsFolderSecurity());
}

}  // namespace

TEST(FolderChain, RefusesWhatIsPlantedWithNothingChangedAndTakesOverTheRest) {
    const auto refused = [](const std::string& path, const std::string& problem) {
        return "\"" + path + "\" " + problem + "; remove it, then run /install again.";
    };
    const std::string ownAlready = "The settings folders are the administrators' own.";
    const std::string takenOver = "Taken over and fixed, for another owner or a wider access list: ";
    const std::vector<std::string> fresh = {"create " + kS, "set " + kS + " protected"};
    const struct {
        const char* Name;
        std::function<void(fakes::FakeFolderObjects&)> Plant;
        std::string Message;  // a refusal when it says what to do
        std::vector<std::string> Changes;
    } rows[] = {
        {"nothing there yet", [](auto&) {}, ownAlready, {"create " + kV, "create " + kS, "set " + kS + " protected"}},
        {"a junction at the vendor folder",
         [](auto& f) { f.Objects[kVendor] = {okFolder, true, 1, u"", MadeInProgramData(trOther)}; },
         refused(kV, "is a link to another folder"), {}},
        {"a link that the system follows at the vendor folder",
         [](auto& f) { f.Objects[kVendor] = {okFolder, false, 1, u"C:\\Users\\me", MadeInProgramData(trOther)}; },
         refused(kV, "is a link to another folder"), {}},
        {"a link at the settings folder", [](auto& f) { Ours(f); f.Objects[kSettings].ReparsePoint = true; },
         refused(kS, "is a link to another folder"), {}},
        {"a file where the settings folder belongs", [](auto& f) { Ours(f); f.Objects[kSettings] = File(kUsersFullControl); },
         refused(kS, "is a file where a folder belongs"), {}},
        {"a link deep inside, in a folder planted with a file",
         [](auto& f) {
             Planted(f);
             f.Objects[kSettings + u"\\a\\b"] = {okFile, false, 1, u"C:\\Windows\\win.ini", kUsersFullControl};
         },
         refused(kS + "\\a\\b", "is a link to another file"), {}},
        {"a second name of a file inside",
         [](auto& f) { Ours(f); f.Objects[kFile] = {okFile, false, 2, u"", kUsersFullControl}; },
         refused(kS + "\\ZoradidIvavuda.ini", "is one of several names of a file (a hard link)"), {}},
        {"a pipe inside", [](auto& f) { Ours(f); f.Objects[kFile] = {okOther, false, 1, u"", kUsersFullControl}; },
         refused(kS + "\\ZoradidIvavuda.ini", "is neither a file nor a folder"), {}},
        {"a planted file and subfolder in a folder users may write", Planted,
         takenOver + "\"" + kS + "\", 5 objects inside \"" + kS + "\".",
         {"set " + kS + " protected", "set " + kS + "\\ZoradidIvavuda.ini inherited", "set " + kS + "\\a inherited",
          "set " + kS + "\\a\\b inherited", "set " + kS + "\\a\\c inherited", "set " + kS + "\\a\\d inherited"}},
        {"an administrators' file with entries of its own",
         [](auto& f) {
             Ours(f);
             f.Objects[kFile] = File({trAdministrators, false, true, {{trUsers, true, kReadAndExecute, 0}}});
         },
         takenOver + "\"" + kS + "\\ZoradidIvavuda.ini\".", {"set " + kS + "\\ZoradidIvavuda.ini inherited"}},
        {"a file moved in, with what its old folder passed on: users may read it",
         [](auto& f) {
             Ours(f);
             f.Objects[kFile] = File({trAdministrators, false, true,
                                      {{trAdministrators, true, kFullControl, aeInherited},
                                       {trUsers, true, kReadAndExecute, aeInherited}}});
         },
         takenOver + "\"" + kS + "\\ZoradidIvavuda.ini\".", {"set " + kS + "\\ZoradidIvavuda.ini inherited"}},
        {"the vendor folder owned by a user", [](auto& f) { f.Objects[kVendor] = Folder(MadeInProgramData(trOther)); },
         takenOver + "\"" + kV + "\".", {"set " + kV + " inherited", fresh[0], fresh[1]}},
        {"the vendor folder letting users delete what is in it",
         [](auto& f) {
             f.Objects[kVendor] = Folder(MadeInProgramData(trAdministrators));
             f.Objects[kVendor].Security.Entries.push_back({trUsers, true, 0x40, 0});
         },
         takenOver + "\"" + kV + "\".", {"set " + kV + " inherited", fresh[0], fresh[1]}},
        {"the settings folder of an older install, its files readable by users",
         [](auto& f) {
             Ours(f);
             f.Objects[kSettings].Security.Entries.back().Flags = aeObjectInherit | aeContainerInherit;
             f.Objects[kFile] = File({trAdministrators, false, true, {{trUsers, true, kReadAndExecute, aeInherited}}});
         },
         takenOver + "\"" + kS + "\", \"" + kS + "\\ZoradidIvavuda.ini\".",
         {"set " + kS + " protected", "set " + kS + "\\ZoradidIvavuda.ini inherited"}},
        {"the vendor folder of an older install, protected for the administrators",
         [](auto& f) { f.Objects[kVendor] = Folder(SettingsFolderSecurity()); }, ownAlready, fresh},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        fakes::FakeFolderObjects fake;
        fake.Objects[kTop] = Folder(kProgramData);
        row.Plant(fake);
        TFolderChainResult result = SecureSettingsFolderChain(fake, kSettings);
        EXPECT_EQ(std::string(result.Message.begin(), result.Message.end()), row.Message);
        EXPECT_EQ(result.Ok, row.Message.find("run /install again") == std::string::npos);
        EXPECT_EQ(result.Error, 0u);
        EXPECT_EQ(fake.Changes(), row.Changes);
        EXPECT_EQ(fake.OpenHandles(), 0u);
        if (!result.Ok) continue;
        // A second run finds everything the administrators' own.
        fake.Calls.clear();
        result = SecureSettingsFolderChain(fake, kSettings);
        EXPECT_EQ(std::string(result.Message.begin(), result.Message.end()), ownAlready);
        EXPECT_EQ(fake.Changes(), std::vector<std::string>{});
    }
}
