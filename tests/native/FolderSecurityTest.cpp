// What an ordinary user can do under an owner and access list: the question behind every decision
// of /install about a folder or file it finds.
#include <gtest/gtest.h>

#include "platform/FolderSecurity.h"

using namespace zo;

namespace {

// R read, C create (a file: write), I delete or rename inside, D delete or rename, A change
// attributes, L change the list, O take the ownership.
std::string Powers(const TUserPowers& p) {
    std::string s;
    for (auto [power, letter] : {std::pair{p.Read, 'R'}, {p.Create, 'C'}, {p.DeleteOrRenameInside, 'I'},
                                 {p.DeleteOrRename, 'D'}, {p.ChangeAttributes, 'A'}, {p.ChangeList, 'L'},
                                 {p.TakeOwnership, 'O'}})
        if (power) s += letter;
    return s;
}

}  // namespace

TEST(FolderSecurity, WhatAnOrdinaryUserCanDo) {
    const TFolderSecurity wanted = SettingsFolderSecurity();
    const auto with = [&](std::vector<TAccessEntry> more, TTrustee owner = trAdministrators) {
        TFolderSecurity s = wanted;
        s.Owner = owner;
        s.Entries.insert(s.Entries.begin(), more.begin(), more.end());
        return s;
    };
    constexpr uint8_t kInside = aeObjectInherit | aeContainerInherit | aeInheritOnly;
    constexpr uint32_t kChange = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000;
    TFolderSecurity madeInProgramData{trAdministrators, false, true,
                                      {{trSystem, true, kFullControl},
                                       {trAdministrators, true, kFullControl},
                                       {trCreatorOwner, true, kFullControl, kInside},
                                       {trUsers, true, kReadAndExecute},
                                       {trUsers, true, 0x116, aeContainerInherit}}};
    TFolderSecurity noList = wanted;
    noList.HasList = false;
    const struct {
        const char* Name;
        TFolderSecurity Found;
        bool Folder;
        const char* Can;
    } rows[] = {
        {"the settings folder's list: users open no file in it", wanted, true, ""},
        {"users may read the files too", with({{trUsers, true, kReadAndExecute}}), true, "R"},
        {"a file in it", with({{trUsers, true, kReadAndExecute}}), false, "R"},
        {"owned by SYSTEM", with({}, trSystem), true, ""},
        {"owned by a user", with({}, trOther), true, "RCIDALO"},
        {"no list at all", noList, true, "RCIDALO"},
        {"users may create files", with({{trUsers, true, 0x2}}), true, "C"},
        {"users may write a file", with({{trUsers, true, 0x2}}), false, "RC"},
        {"someone may delete it", with({{trOther, true, 0x10000, 0}}), true, "D"},
        {"someone may delete what is inside", with({{trOther, true, 0x40}}), true, "I"},
        {"users may delete what is made inside", with({{trUsers, true, 0x10000, kInside}}), true, "I"},
        {"users may change the list", with({{trUsers, true, 0x40000}}), true, "RCIDALO"},
        {"users may take the ownership", with({{trUsers, true, 0x80000}}), true, "RCIDALO"},
        {"everyone has generic write", with({{trOther, true, 0x40000000}}), true, "CA"},
        {"creators own what they make inside", with({{trCreatorOwner, true, kFullControl, kInside}}), true, ""},
        {"users denied changes first", with({{trUsers, false, kChange}, {trUsers, true, kFullControl}}), true, "R"},
        {"users allowed everything first", with({{trUsers, true, kFullControl}, {trUsers, false, kChange}}), true,
         "RCIDALO"},
        {"denied to someone who may be another", with({{trOther, false, kChange}, {trUsers, true, kFullControl}}),
         true, "RCIDALO"},
        {"users may not read", with({{trUsers, false, 0x1}}), true, ""},
        {"users may not read what is made inside", with({{trUsers, false, 0x1, aeObjectInherit | aeInheritOnly}}), true, ""},
        {"as C:\\ProgramData passes it on", madeInProgramData, true, "RCA"},
    };
    for (const auto& row : rows) EXPECT_EQ(Powers(OrdinaryUserPowers(row.Found, row.Folder)), row.Can) << row.Name;
}
