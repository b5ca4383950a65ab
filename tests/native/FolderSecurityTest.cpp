// The settings folders' access list, and the check that decides whether /install takes a
// folder over.
#include <gtest/gtest.h>

#include "platform/FolderSecurity.h"

using namespace zo;

TEST(FolderSecurity, OnlyAListThatLetsAdministratorsAloneChangeAnythingIsKept) {
    const TFolderSecurity wanted = SettingsFolderSecurity();
    const auto with = [&](auto change) {
        TFolderSecurity s = wanted;
        change(s);
        return s;
    };
    const struct {
        const char* Name;
        TFolderSecurity Found;
        bool Kept;
    } rows[] = {
        {"the list /install makes", wanted, true},
        {"owned by SYSTEM", with([](TFolderSecurity& s) { s.Owner = trSystem; }), true},
        {"users may only read, denied more", with([](TFolderSecurity& s) { s.Entries.push_back({trOther, false, kFullControl}); }), true},
        {"owned by a user", with([](TFolderSecurity& s) { s.Owner = trOther; }), false},
        {"owned by Users", with([](TFolderSecurity& s) { s.Owner = trUsers; }), false},
        {"inherits from the folder above", with([](TFolderSecurity& s) { s.Protected = false; }), false},
        {"no list at all", with([](TFolderSecurity& s) { s.HasList = false; }), false},
        {"users may create files", with([](TFolderSecurity& s) { s.Entries.push_back({trUsers, true, 0x2}); }), false},
        {"someone may delete", with([](TFolderSecurity& s) { s.Entries.push_back({trOther, true, 0x10000}); }), false},
        {"users may change the list", with([](TFolderSecurity& s) { s.Entries.push_back({trUsers, true, 0x40000}); }), false},
        {"everyone has generic write", with([](TFolderSecurity& s) { s.Entries.push_back({trOther, true, 0x40000000}); }), false},
    };
    for (const auto& row : rows) EXPECT_EQ(OnlyAdministratorsChange(row.Found), row.Kept) << row.Name;
    EXPECT_EQ(wanted.Owner, trAdministrators);
    EXPECT_TRUE(wanted.Protected);
}
