// The settings component: storage preparation and path rules, the control panel's key, typed
// values and failures.
#include <gtest/gtest.h>

#include "fakes/FakeSettingsPlatform.h"
#include "platform/Failure.h"
#include "platform/Text.h"
#include "settings/RegIniFile.h"
#include "settings/RestartSetting.h"

#include <functional>

using namespace zo;

namespace {

const std::u16string kPanelFile = u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda\\ZoradidIvavuda.ini";

class SettingsRegIniFile : public ::testing::Test {
protected:
    SettingsRegIniFile() : ini(fake.Platform()) {
        fake.Files.AddFolder(u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda");
        fake.Files.AddFolder(u"C:\\Program Files\\Panel");
    }
    void UsePanelFile() {
        ini.SetPathType(ptIniFile);
        ini.SetPath(kPanelFile);
    }
    std::string& PanelFile() { return fake.Files.Files[kPanelFile]; }
    fakes::FakeSettingsPlatform fake;
    TRegIniFile ini;
};

TEST_F(SettingsRegIniFile, PanelSettingFromMissingFileIsExactly33Bytes) {
    UsePanelFile();
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", false));
    EXPECT_EQ(fake.Files.Writes, 0);
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=1\r\n\r\n");
    EXPECT_EQ(PanelFile().size(), 33u);
    ini.WriteBool(u"Settings", u"RestartServices", false);
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=0\r\n\r\n");
}

TEST_F(SettingsRegIniFile, LowerCaseHeaderAndSpacedKeyAreFoundAndHeaderSpellingKept) {
    PanelFile() = "; made by hand\r\n[settings]\r\nrestartservices = 1 \r\n";
    UsePanelFile();
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(PanelFile(), "[settings]\r\nRestartServices=1\r\n\r\n");
}

TEST_F(SettingsRegIniFile, StoredValuesAsBooleans) {
    const std::pair<const char*, bool> cases[] = {
        {"yes", false}, {"2", true}, {"-1", true}, {"0x10", true}, {"$0", false},
        {"", false},    {" 1 ", true}, {"\"1\"", false}, {"0X1f", true}, {"x0", false}};
    for (auto [stored, expected] : cases) {
        PanelFile() = std::string("[Settings]\r\nRestartServices=") + stored + "\r\n";
        ini.SetPath(u"");  // force a fresh read
        UsePanelFile();
        EXPECT_EQ(ini.ReadBool(u"Settings", u"RestartServices", false), expected) << stored;
        EXPECT_TRUE(ini.ReadBool(u"Settings", u"Other", true));
    }
}

TEST_F(SettingsRegIniFile, IntegerForms) {
    PanelFile() =
        "[N]\r\nhex=0x7fffffff\r\ndollar=$FFFFFFFF\r\nx=x1F\r\nneg=-$1\r\nmin=-2147483648\r\nover=2147483648\r\n"
        "bighex=$100000000\r\nlead=  12\r\ntrail=12 \r\nonly0x=0x\r\nplus=+7\r\n";
    UsePanelFile();
    EXPECT_EQ(ini.ReadInteger(u"N", u"hex", 0), 0x7fffffff);
    EXPECT_EQ(ini.ReadInteger(u"N", u"dollar", 0), -1);
    EXPECT_EQ(ini.ReadInteger(u"N", u"x", 0), 31);
    EXPECT_EQ(ini.ReadInteger(u"N", u"neg", 0), -1);
    EXPECT_EQ(ini.ReadInteger(u"N", u"min", 0), INT32_MIN);
    EXPECT_EQ(ini.ReadInteger(u"N", u"over", 5), 5);
    EXPECT_EQ(ini.ReadInteger(u"N", u"bighex", 5), 5);
    EXPECT_EQ(ini.ReadInteger(u"N", u"only0x", 5), 5);
    EXPECT_EQ(ini.ReadInteger(u"N", u"plus", 5), 7);
    ini.WriteString(u"N", u"lead", u"  12");
    ini.WriteString(u"N", u"trail", u"12 ");
    EXPECT_EQ(ini.ReadInteger(u"N", u"lead", 5), 12);
    EXPECT_EQ(ini.ReadInteger(u"N", u"trail", 5), 5);
    ini.WriteInteger(u"N", u"w", -42);
    EXPECT_EQ(ini.ReadString(u"N", u"w", u""), u"-42");
}

TEST_F(SettingsRegIniFile, FileIsReadOnceAndRebuiltOnlyWhenAPropertyChanges) {
    PanelFile() = "[Settings]\r\nRestartServices=1\r\n";
    UsePanelFile();
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    PanelFile() = "[Settings]\r\nRestartServices=0\r\n";  // another program changes it
    UsePanelFile();
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    EXPECT_EQ(fake.Files.Reads, 1);
    ini.SetFileEncoding(feUTF8);  // a change rebuilds and re-reads
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", true));
    EXPECT_EQ(fake.Files.Reads, 2);

    // A relative path is replaced by its resolved form, so assigning it again re-reads.
    fake.Files.Files[u"C:\\Program Files\\Panel\\app.ini"] = "[S]\r\nk=1\r\n";
    ini.SetPath(u"app.cfg");
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"1");
    EXPECT_EQ(ini.Path(), u"C:\\Program Files\\Panel\\app.ini");
    ini.SetPath(u"app.cfg");
    ini.ReadString(u"S", u"k", u"");
    EXPECT_EQ(fake.Files.Reads, 4);
}

TEST_F(SettingsRegIniFile, PathRules) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"", u"C:\\Program Files\\Panel\\Panel.ini"},
        {u"name.cfg", u"C:\\Program Files\\Panel\\name.ini"},
        {u"noext", u"C:\\Program Files\\Panel\\noext.ini"},
        {u"D:\\x\\y.cfg", u"D:\\x\\y.cfg"},
        {u"D:y.txt", u"D:y.txt"},
        {u"sub\\y", u"sub\\y"}};
    for (const auto& [given, resolved] : cases) {
        ini.SetPath(given);
        ini.ReadString(u"S", u"k", u"");
        EXPECT_EQ(ini.Path(), resolved);
        ASSERT_NE(ini.IniDocument(), nullptr);
        EXPECT_EQ(ini.IniDocument()->FileName(), resolved);
    }
}

TEST_F(SettingsRegIniFile, SpecialFoldersPlaceTheFileAndCreateTheFolders) {
    fake.Environment.SpecialFolders[csidlCommonAppData] = u"C:\\ProgramData";
    fake.Environment.SpecialFolders[csidlAppData] = u"C:\\Users\\u\\Roaming\\";
    ini.SetSpecialFolder(sfProgramData);
    ini.SetPath(u"Maker\\Product\\conf.txt");
    ini.WriteBool(u"S", u"k", true);
    EXPECT_EQ(ini.Path(), u"C:\\ProgramData\\Maker\\Product\\conf.ini");
    EXPECT_TRUE(fake.Files.Folders.count(u"C:\\ProgramData\\Maker\\Product"));
    EXPECT_EQ(fake.Files.Files[ini.Path()], "[S]\r\nk=1\r\n\r\n");

    ini.SetSpecialFolder(sfUserAppDataRoaming);
    ini.SetPath(u"");
    ini.ReadBool(u"S", u"k", false);
    EXPECT_EQ(ini.Path(), u"C:\\Users\\u\\Roaming\\Panel.ini");

    // A folder that cannot be found leaves the plain rules in force.
    ini.SetSpecialFolder(sfUserDocuments);
    ini.SetPath(u"plain.cfg");
    ini.ReadBool(u"S", u"k", false);
    EXPECT_EQ(ini.Path(), u"C:\\Program Files\\Panel\\plain.ini");
}

TEST_F(SettingsRegIniFile, UnreadableFileRaisesAndTheNextOperationTriesAgain) {
    PanelFile() = "[Settings]\r\nRestartServices=1\r\n";
    fake.Files.OpenForWriting.insert(kPanelFile);
    UsePanelFile();
    try {
        ini.ReadBool(u"Settings", u"RestartServices", false);
        FAIL() << "no failure";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), u"Cannot open file \"" + kPanelFile + u"\". Error 32");
    }
    EXPECT_EQ(ini.IniDocument(), nullptr);
    EXPECT_THROW(ini.WriteBool(u"Settings", u"RestartServices", false), EFOpenError);
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=1\r\n");
    fake.Files.OpenForWriting.clear();
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
}

// What is not a settings file on a disk, reached directly, with one name, at most 1 MiB, is refused
// when read, and so never rewritten: the box shows off, as the service decides. A file that reads
// but could not be rewritten without changing what it holds, or would be rewritten over 1 MiB, is
// refused when written: nothing is written, and the box goes back to what the file says.
TEST_F(SettingsRegIniFile, WhatIsNoSettingsFileOrCouldNotBeRewrittenWhollyIsRefused) {
    const auto utf16 = [](std::u16string_view text) {
        std::string out;
        for (char16_t c : text) out += std::string{char(c & 0xFF), char(c >> 8)};
        return out;
    };
    const std::u16string link = u"It is a link to another file, and settings are never read or written through a link";
    const std::u16string refused = u"Cannot write file \"" + kPanelFile + u"\". ";
    const std::u16string notText = refused + u"Some of its bytes are not text in its encoding, and rewriting it would change them";
    const std::u16string nul = refused + u"It holds a NUL character, after which a settings file is not read, and "
                                         u"rewriting it would drop what follows";
    // 1 MiB exactly and just under it, without the blank line that ends a section when written.
    const auto sized = [](size_t size) {
        std::string bytes = "[Settings]\r\nRestartServices=1\r\np=";
        return bytes + std::string(size - bytes.size() - 2, 'x') + "\r\n";
    };
    const auto over = [&](size_t written) {
        return u"Cannot open file \"" + kPanelFile + u"\". It holds " + IntToStr(int64_t(written)) +
               u" bytes, and a settings file holds at most 1048576 bytes";
    };
    const std::string plain = "[Settings]\r\nRestartServices=1\r\n";
    const auto heldPending = [&](fakes::FakeFileSystem& fs) {
        fs.Files[kPanelFile + u".~pending"] = plain;
        fs.OpenForWriting.insert(kPanelFile + u".~pending");
    };
    const struct {
        const char* Name;
        std::string Bytes;
        std::function<void(fakes::FakeFileSystem&)> Plant;
        std::u16string ReadReason;  // the refusal when read; empty: it reads
        std::u16string Refused;     // the refusal when written
    } rows[] = {
        {"link", plain, [](auto& fs) { fs.Links.insert(kPanelFile); }, link, u""},
        {"second name", plain, [](auto& fs) { fs.SecondNames.insert(kPanelFile); }, link, u""},
        {"link at the folder", plain, [](auto& fs) { fs.Links.insert(u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda"); },
         link, u""},
        {"over 1 MiB", plain + ";" + std::string(kMaxSettingsFileBytes, 'x'), nullptr,
         u"It holds 1048608 bytes, and a settings file holds at most 1048576 bytes", u""},
        {"a pipe or FIFO", plain, [](auto& fs) { fs.Kinds[kPanelFile] = fkPipe; },
         u"It is a pipe, not a file, and settings are read only from a file on a disk", u""},
        {"a device", plain, [](auto& fs) { fs.Kinds[kPanelFile] = fkDevice; },
         u"It is a device, not a file, and settings are read only from a file on a disk", u""},
        {"a folder", "", [](auto& fs) { fs.Files.erase(kPanelFile); fs.Folders.insert(kPanelFile); },
         u"It is a folder, not a file", u""},
        {"changing while read", plain, [](auto& fs) { fs.ChangingReads[kPanelFile] = 100; },
         u"It changed each time it was read: another program is writing it", u""},
        // A crashed save's pending copy is the file, for readers as for writers, also when only it
        // is left; one that cannot be read now makes the file unreadable, not the half-written file.
        {"a crashed save's pending copy, held by another program", "[Settings]\r\nRestartSer", heldPending, u"Error 32", u""},
        {"the same, with the file itself gone", "",
         [&](auto& fs) { fs.Files.erase(kPanelFile); heldPending(fs); }, u"Error 32", u""},
        {"UTF-8 with its mark, holding bytes that are no UTF-8", "\xEF\xBB\xBF" + plain + "k=\xFF\xFE\x80\r\n", nullptr,
         u"", notText},
        {"odd-length UTF-16 with its mark", "\xFF\xFE" + utf16(u"[Settings]\r\nRestartServices=1\r\n") + "x", nullptr,
         u"", notText},
        {"a NUL in a key name", std::string("[Settings]\r\nRestartServices=1\r\nRe\0x=1\r\n[Other]\r\n", 41), nullptr,
         u"", nul},
        {"NUL bytes in an 8-bit file", plain + std::string("\0\0[Other]\r\n", 11), nullptr, u"", nul},
        {"1 MiB exactly, 2 bytes more when written", sized(kMaxSettingsFileBytes), nullptr, u"", over(kMaxSettingsFileBytes + 2)},
        {"1 byte under 1 MiB", sized(kMaxSettingsFileBytes - 1), nullptr, u"", over(kMaxSettingsFileBytes + 1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        fakes::FakeSettingsPlatform plat;
        plat.Files.AddFolder(u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda");
        plat.Files.Files[kPanelFile] = row.Bytes;
        if (row.Plant) row.Plant(plat.Files);
        TRegIniFile store(plat.Platform());
        store.SetPath(kPanelFile);
        const bool decided = companion::DecideRestartSetting(plat.Platform().FileAccess(), kPanelFile, u"Settings",
                                                             u"RestartServices", false).On;
        for (int click = 0; click < 2; ++click) {
            try {
                if (click)
                    store.WriteBool(u"Settings", u"RestartServices", !decided);
                else
                    EXPECT_EQ(store.ReadBool(u"Settings", u"RestartServices", false), decided);
                EXPECT_TRUE(row.ReadReason.empty() && (!click || row.Refused.empty())) << "no failure";
            } catch (const EFOpenError& e) {
                EXPECT_EQ(e.Message(), u"Cannot open file \"" + kPanelFile + u"\". " + row.ReadReason);
            } catch (const ESettingsRefused& e) {
                EXPECT_EQ(e.Message(), row.Refused);
                EXPECT_EQ(store.ReadBool(u"Settings", u"RestartServices", !decided), decided);  // what the file says
            }
        }
        EXPECT_EQ(plat.Files.Files[kPanelFile], row.Bytes);
        EXPECT_EQ(plat.Files.Writes, 0);
    }
}

// With the default encoding a rewrite keeps every character: a file's byte-order mark is kept, a
// file without one is written in the ANSI code page when that holds its text, else in UTF-8 with
// its mark. UTF-16 without a mark is recognised by its NULs. Another program's change since the
// file was read is kept.
TEST_F(SettingsRegIniFile, RewritesKeepEveryCharacterAndWhatOthersWrote) {
    const auto utf16 = [](std::u16string_view text, bool big) {
        std::string out;
        for (char16_t c : text) {
            const char lo = char(c & 0xFF), hi = char(c >> 8);
            out += big ? std::string{hi, lo} : std::string{lo, hi};
        }
        return out;
    };
    const std::string on = "RestartServices=1\r\n\r\n";
    const struct {
        const char* Name;
        uint32_t Ansi;
        std::string Before, After;
    } rows[] = {
        {"ascii", 28591, "[Settings]\r\nRestartServices=0\r\n", "[Settings]\r\n" + on},
        {"ansi", 28591, "[A]\r\nk=caf\xE9\r\n", "[A]\r\nk=caf\xE9\r\n\r\n[Settings]\r\n" + on},
        {"utf-8 marked", 28591, "\xEF\xBB\xBF[A]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n",
         "\xEF\xBB\xBF[A]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[Settings]\r\n" + on},
        {"utf-16 le unmarked", 28591, utf16(u"[A]\r\nk=\u65E5\u672C\r\n", false),
         "\xEF\xBB\xBF[A]\r\nk=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[Settings]\r\n" + on},
        {"utf-16 be unmarked", 28591, utf16(u"[A]\r\nk=caf\u00E9\r\n", true),
         "[A]\r\nk=caf\xE9\r\n\r\n[Settings]\r\n" + on},
        // Told from the whole file: a first line holding characters with a NUL byte (U+3000,
        // U+4E00, U+0100), or an LF-only blank one, and a section name of no Latin letters.
        {"utf-16 le unmarked, U+3000 and U+4E00 on the first line", 28591,
         utf16(u"; \u8A2D\u5B9A\u3000\u4E00\r\n[A]\r\nk=\u0100\r\n", false),
         "\xEF\xBB\xBF[A]\r\nk=\xC4\x80\r\n\r\n[Settings]\r\n" + on},
        {"utf-16 le unmarked, an LF-only blank first line", 28591, utf16(u"\n[A]\r\nk=1\r\n", false),
         "[A]\r\nk=1\r\n\r\n[Settings]\r\n" + on},
        {"utf-16 be unmarked, a section named in CJK", 28591, utf16(u"[\u8A2D\u5B9A]\r\nk=1\r\n", true),
         "\xEF\xBB\xBF[\xE8\xA8\xAD\xE5\xAE\x9A]\r\nk=1\r\n\r\n[Settings]\r\n" + on},
        {"utf-8 ansi code page", 65001, "[A]\r\nk=caf\xC3\xA9\r\n",
         "\xEF\xBB\xBF[A]\r\nk=caf\xC3\xA9\r\n\r\n[Settings]\r\n" + on},
    };
    for (const auto& row : rows) {
        fakes::FakeSettingsPlatform plat;
        plat.CodePage.Ansi = row.Ansi;
        plat.Files.AddFolder(u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda");
        plat.Files.Files[kPanelFile] = row.Before;
        TRegIniFile store(plat.Platform());
        store.SetPath(kPanelFile);
        EXPECT_FALSE(store.ReadBool(u"Settings", u"RestartServices", false)) << row.Name;
        store.WriteBool(u"Settings", u"RestartServices", true);
        EXPECT_EQ(plat.Files.Files[kPanelFile], row.After) << row.Name;
    }
    // Read-modify-write: a section another program added after the panel read the file stays.
    PanelFile() = "[Settings]\r\nRestartServices=0\r\n";
    UsePanelFile();
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", true));
    PanelFile() = "[Settings]\r\nRestartServices=0\r\n[Theirs]\r\nx=1\r\n";
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=1\r\n\r\n[Theirs]\r\nx=1\r\n\r\n");
    EXPECT_EQ(ini.ReadString(u"Theirs", u"x", u""), u"1");
}

TEST_F(SettingsRegIniFile, UnwritableFileRaisesAndTheValueStaysInTheDocument) {
    ini.SetPath(u"C:\\NoSuchFolder\\a.ini");
    try {
        ini.WriteBool(u"Settings", u"RestartServices", true);
        FAIL() << "no failure";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), u"Cannot create file \"C:\\NoSuchFolder\\a.ini\". Error 3");
    }
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    EXPECT_FALSE(fake.Files.Folders.count(u"C:\\NoSuchFolder"));  // the store never makes the folder

    PanelFile() = "[Settings]\r\nRestartServices=0\r\n";
    fake.Files.OpenForReading.insert(kPanelFile);
    UsePanelFile();
    EXPECT_THROW(ini.WriteBool(u"Settings", u"RestartServices", true), EFCreateError);
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=0\r\n");
    fake.Files.OpenForReading.clear();
    // A write changes the file as it is now by its one value: the failed one is not replayed.
    ini.WriteString(u"Other", u"x", u"y");
    EXPECT_EQ(PanelFile(), "[Settings]\r\nRestartServices=0\r\n\r\n[Other]\r\nx=y\r\n\r\n");
}

TEST_F(SettingsRegIniFile, WritingConvertsToTheChosenEncoding) {
    PanelFile() = "\xEF\xBB\xBF[Settings]\r\nName=caf\xC3\xA9\r\nUnicode=\xE2\x98\xBA\r\n";
    UsePanelFile();
    ini.WriteBool(u"Settings", u"RestartServices", true);  // feDefault keeps a file's mark
    EXPECT_EQ(PanelFile(), "\xEF\xBB\xBF[Settings]\r\nName=caf\xC3\xA9\r\nUnicode=\xE2\x98\xBA\r\nRestartServices=1\r\n\r\n");
    // A UTF-8 file is no UTF-16 one: read as one, its bytes would not come back, so it is left alone.
    const std::string utf8 = PanelFile();
    ini.SetFileEncoding(feUnicode);
    EXPECT_THROW(ini.WriteString(u"Settings", u"Name", u"\u263A"), ESettingsRefused);
    EXPECT_EQ(PanelFile(), utf8);
    ini.SetFileEncoding(feUTF8);
    ini.EraseSection(u"Settings");
    EXPECT_EQ(PanelFile(), "");
    fake.Files.Files.erase(kPanelFile);
    ini.SetFileEncoding(feUnicode);
    ini.WriteString(u"Settings", u"Name", u"\u263A");
    EXPECT_EQ(PanelFile().substr(0, 6), std::string("\xFF\xFE[\0S\0", 6));
}

TEST_F(SettingsRegIniFile, WithoutAutoUpdateTheFileIsWrittenOnUpdateOrDestruction) {
    {
        TRegIniFile store(fake.Platform());
        store.SetAutoUpdateIniFile(false);
        store.SetPath(kPanelFile);
        store.WriteBool(u"Settings", u"RestartServices", true);
        EXPECT_EQ(fake.Files.Writes, 0);
        store.SetPath(kPanelFile + u".other");  // a rebuild discards the unwritten change
        store.ReadBool(u"S", u"k", false);
        store.SetPath(kPanelFile);
        EXPECT_FALSE(store.ReadBool(u"Settings", u"RestartServices", false));
        store.WriteInteger(u"Settings", u"Count", 3);
    }
    EXPECT_EQ(PanelFile(), "[Settings]\r\nCount=3\r\n\r\n");
}

TEST_F(SettingsRegIniFile, FloatsDatesAndTimesFollowTheLocale) {
    fake.Locale.Settings.DecimalSeparator = u',';
    fake.Locale.Settings.ShortDateFormat = u"dd.MM.yyyy";
    fake.Locale.Settings.LongTimeFormat = u"HH:mm:ss";
    UsePanelFile();
    ini.WriteFloat(u"V", u"f", 2.5);
    TDateTime day, time;
    ASSERT_TRUE(TryEncodeDate(2024, 2, 29, day));
    ASSERT_TRUE(TryEncodeTime(13, 5, 9, 0, time));
    ini.WriteDate(u"V", u"d", day);
    ini.WriteTime(u"V", u"t", time);
    ini.WriteDateTime(u"V", u"dt", day + time);
    EXPECT_EQ(PanelFile(), "[V]\r\nf=2,5\r\nd=29.02.2024\r\nt=13:05:09\r\ndt=29.02.2024 13:05:09\r\n\r\n");
    EXPECT_EQ(ini.ReadFloat(u"V", u"f", 0), 2.5);
    EXPECT_EQ(ini.ReadDate(u"V", u"d", 0), day);
    EXPECT_NEAR(ini.ReadTime(u"V", u"t", 0), time, 1e-9);
    EXPECT_NEAR(ini.ReadDateTime(u"V", u"dt", 0), day + time, 1e-9);
    ini.WriteString(u"V", u"bad", u"2.5");
    ini.WriteString(u"V", u"baddate", u"31.02.2024");
    EXPECT_EQ(ini.ReadFloat(u"V", u"bad", -1), -1);
    EXPECT_EQ(ini.ReadDate(u"V", u"baddate", -1), -1);
    EXPECT_EQ(ini.ReadTime(u"V", u"f", -1), -1);
    EXPECT_EQ(ini.ReadDateTime(u"V", u"missing", -1), -1);
}

TEST_F(SettingsRegIniFile, RegistryModeKeepsSectionsAsSubKeysAndWritesNoFile) {
    fake.Environment.Title = u"Panel Title";
    ini.SetPathType(ptRegistry);
    ini.SetRegKey(hkeyLocalMachine);
    ini.SetRegAccess(RegAccessOf(keyRead) | RegAccessOf(keyWrite));
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(ini.Path(), u"\\Software\\Temp\\Panel Title");
    EXPECT_EQ(fake.Registry.LastAccess, 0x2001Fu);
    EXPECT_EQ(fake.Registry.Keys[fakes::FakeRegistry::Key(0x80000002, u"Software\\Temp\\Panel Title\\Settings")]
                               [u"RestartServices"],
              u"1");
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    EXPECT_TRUE(ini.SectionExists(u"Settings"));
    ini.DeleteKey(u"Settings", u"RestartServices");
    EXPECT_FALSE(ini.ValueExists(u"Settings", u"RestartServices"));
    EXPECT_EQ(fake.Files.Writes, 0);
    EXPECT_EQ(AccessMaskOf(RegAccessOf(keyAllAccess)), 0xF003Fu);
    EXPECT_EQ(RootKeyOf(hkeyDynData), 0x80000006u);
}

}  // namespace
