// The INI document: parsing, lookups, the written bytes and the encodings.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "fakes/FakeSettingsPlatform.h"
#include "platform/Failure.h"
#include "settings/IniFiles.h"

using zo::TMemIniFile;
using zo::TStrings;

namespace {

const std::u16string kFile = u"C:\\Data\\test.ini";

template <size_t N>
std::string Bytes(const char (&s)[N]) {
    return std::string(s, N - 1);
}

class SettingsIniFile : public ::testing::Test {
protected:
    SettingsIniFile() { fake.Files.AddFolder(u"C:\\Data"); }
    TMemIniFile Load(const std::string& bytes, std::optional<uint32_t> encoding = std::nullopt) {
        fake.Files.Files[kFile] = bytes;
        return TMemIniFile(kFile, fake.Platform(), encoding);
    }
    std::string Written() { return fake.Files.Files[kFile]; }
    fakes::FakeSettingsPlatform fake;
};

TEST_F(SettingsIniFile, ParsingTrimsDropsCommentsAndKeepsOrderAndDuplicates) {
    auto ini = Load(
        "; leading comment\r\nstray=1\n\n"
        "  [ First ]  \r\n"
        " b = two words ; not a comment \r"
        "# hash=kept\r\n"
        "noequals\r\n"
        "[Other] ; trailing comment\r\n"
        "a=1\r\n"
        "[first]\r\n"
        "b=second\r\n");
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[First]", u"b=two words ; not a comment", u"# hash=kept",
                                          u"noequals", u"[Other] ; trailing comment", u"a=1", u"",
                                          u"[first]", u"b=second", u""}));
    // The first of duplicate sections is the one read and changed.
    EXPECT_EQ(ini.ReadString(u"FIRST", u"B", u"?"), u"two words ; not a comment");
    EXPECT_EQ(ini.ReadString(u"First", u"a", u"?"), u"1");  // the bracket line is no header
    EXPECT_EQ(ini.ReadString(u"Other", u"a", u"?"), u"?");
    ini.WriteString(u"FIRST", u"B", u"new");
    ini.UpdateFile();
    EXPECT_EQ(Written(),
              "[First]\r\nB=new\r\n# hash=kept\r\nnoequals\r\n[Other] ; trailing comment\r\na=1\r\n\r\n"
              "[first]\r\nb=second\r\n\r\n");
}

TEST_F(SettingsIniFile, BracketLineBeforeAnySectionIsDropped) {
    auto ini = Load("[Lost] ; comment\r\nx=1\r\n[S]\r\ny=2\r\n");
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[S]", u"y=2", u""}));
}

TEST_F(SettingsIniFile, ReadStringGivesValueAsStoredAndEmptyIsNotDefault) {
    auto ini = Load("[S]\r\nempty=\r\nquoted=\"a\\b\"\r\neq=a=b\r\n");
    EXPECT_EQ(ini.ReadString(u"S", u"empty", u"def"), u"");
    EXPECT_EQ(ini.ReadString(u"S", u"quoted", u""), u"\"a\\b\"");
    EXPECT_EQ(ini.ReadString(u"S", u"eq", u""), u"a=b");
    EXPECT_EQ(ini.ReadString(u"T", u"eq", u"def"), u"def");
    EXPECT_TRUE(ini.ValueExists(u"s", u"EMPTY"));
    EXPECT_FALSE(ini.ValueExists(u"S", u"missing"));
}

TEST_F(SettingsIniFile, WriteStringAppendsReplacesInPlaceAndAddsSectionsAtTheEnd) {
    auto ini = Load("[A]\r\nx=1\r\ny=2\r\n");
    ini.WriteString(u"a", u"X", u" spaced ");
    ini.WriteString(u"A", u"z", u"3");
    ini.WriteString(u"B", u"k", u"v");
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[A]", u"X= spaced ", u"y=2", u"z=3", u"", u"[B]", u"k=v", u""}));
    TStrings names;
    ini.ReadSection(u"a", names);
    EXPECT_EQ(names, (TStrings{u"X", u"y", u"z"}));
    ini.ReadSections(names);
    EXPECT_EQ(names, (TStrings{u"A", u"B"}));
}

TEST_F(SettingsIniFile, EraseAndDeleteRemoveOnlyTheFirstMatchAndKeepLookupsInStep) {
    auto ini = Load("[S]\r\nk=1\r\nk=2\r\n[T]\r\n[S]\r\nk=3\r\n");
    ini.DeleteKey(u"S", u"K");
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"2");
    ini.EraseSection(u"s");
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"3");
    EXPECT_FALSE(ini.SectionExists(u"T"));  // a header without lines counts as absent
    ini.EraseSection(u"S");
    ini.EraseSection(u"S");  // nothing left to match
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[T]", u""}));
    ini.EraseSection(u"T");
    ini.UpdateFile();
    EXPECT_TRUE(fake.Files.FileExists(kFile));
    EXPECT_EQ(Written(), "");  // no sections: 0 bytes, no byte-order mark either
}

TEST_F(SettingsIniFile, EncodingIsDetectedFromTheByteOrderMarkAndKeptForWriting) {
    auto utf8 = Load("\xEF\xBB\xBF[S]\r\nname=caf\xC3\xA9\r\n");
    EXPECT_EQ(utf8.ReadString(u"S", u"name", u""), u"caf\u00E9");
    EXPECT_EQ(utf8.Encoding(), zo::cpUTF8);
    utf8.UpdateFile();
    EXPECT_EQ(Written(), "\xEF\xBB\xBF[S]\r\nname=caf\xC3\xA9\r\n\r\n");

    auto le = Load(Bytes("\xFF\xFE[\0S\0]\0\n\0k\0=\0\xE9\0"));
    EXPECT_EQ(le.ReadString(u"S", u"k", u""), u"\u00E9");
    auto be = Load(Bytes("\xFE\xFF\0[\0S\0]\0\r\0k\0=\x26\x3A"));
    EXPECT_EQ(be.ReadString(u"S", u"k", u""), u"\u263A");
    be.UpdateFile();
    EXPECT_EQ(Written().substr(0, 4), std::string("\xFE\xFF\0[", 4));

    // A surrogate spelt out in UTF-8 cannot be written back as it was: it reads as U+FFFD.
    auto surrogate = Load("\xEF\xBB\xBF[S]\r\nk=\xED\xA0\x80\r\n");
    EXPECT_EQ(surrogate.ReadString(u"S", u"k", u""), u"\uFFFD");

    auto ansi = Load("[S]\r\nk=\xE9\r\n");
    EXPECT_EQ(ansi.ReadString(u"S", u"k", u""), u"\u00E9");
    EXPECT_EQ(ansi.Encoding(), 28591u);

    // A given encoding wins over the mark; the mark of that encoding is still skipped.
    auto forced = Load("\xEF\xBB\xBF[S]\r\nk=1\r\n", zo::cpUTF8);
    EXPECT_EQ(forced.GetStrings().front(), u"[S]");
    auto forcedAnsi = Load("\xFF\xFE[S]\r\nk=1\r\n", 28591u);
    EXPECT_EQ(forcedAnsi.GetStrings(), TStrings{});  // "\xFF\xFE[S]" is not a header then
    EXPECT_EQ(forcedAnsi.Encoding(), 28591u);  // and the mark found does not replace it
}

TEST_F(SettingsIniFile, NulEndsTheTextAndLoneCrOrLfEndLines) {
    auto ini = Load(Bytes("[S]\ra=1\nb=2\r\nc=3\0d=4\r\n"));
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[S]", u"a=1", u"b=2", u"c=3", u""}));
}

TEST_F(SettingsIniFile, MissingFileGivesAnEmptyDocumentAndUnopenableFileRaises) {
    TMemIniFile none(u"C:\\Data\\none.ini", fake.Platform());
    EXPECT_EQ(none.GetStrings(), TStrings{});
    fake.Files.Files[kFile] = "[S]\r\n";
    fake.Files.OpenForWriting.insert(kFile);
    try {
        TMemIniFile ini(kFile, fake.Platform());
        FAIL() << "no failure";
    } catch (const zo::EFOpenError& e) {
        EXPECT_EQ(e.Message(), u"Cannot open file \"C:\\Data\\test.ini\". Error 32");
    }
}

TEST_F(SettingsIniFile, FailedWriteRaisesAndKeepsTheDocument) {
    TMemIniFile ini(u"C:\\Missing\\a.ini", fake.Platform());
    ini.WriteString(u"S", u"k", u"v");
    try {
        ini.UpdateFile();
        FAIL() << "no failure";
    } catch (const zo::EFCreateError& e) {
        EXPECT_EQ(e.Message(), u"Cannot create file \"C:\\Missing\\a.ini\". Error 3");
    }
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"v");
    fake.Files.AddFolder(u"C:\\Missing");
    ini.UpdateFile();
    EXPECT_EQ(fake.Files.Files[u"C:\\Missing\\a.ini"], "[S]\r\nk=v\r\n\r\n");

    // A write goes through a pending copy of the new content, made under a fresh name and then
    // named "a.ini.~pending", then written over the file in place. Whatever fails leaves the file
    // as it was, or, when not even that can be done, the pending copy that readers take for it.
    // Nothing this write did not make is removed, but for old leftovers of crashed writes of ours.
    const std::u16string file = u"C:\\Missing\\a.ini", pending = file + u".~pending";
    const std::u16string failed = u"Cannot write file \"C:\\Missing\\a.ini\". Error 112 (error 112)";
    auto& files = fake.Files;
    const struct {
        const char* Name;
        std::function<void()> Plant;
        std::u16string Message;  // empty: the write succeeds
        std::set<std::u16string> Left;  // the folder's files besides a.ini afterwards
        std::string After = "[S]\r\nk=v\r\n\r\n";  // a.ini afterwards, when the write fails
    } rows[] = {
        {"the pending copy cannot be written", [&] { files.WriteFailures = {112}; }, failed, {}},
        {"the file cannot be written, its bytes are put back", [&] { files.WriteFailures = {0, 112, 0}; }, failed, {}},
        {"neither the file nor its old bytes can be written", [&] { files.WriteFailures = {0, 112, 112}; },
         failed + u". Its new content is kept in \"C:\\Missing\\a.ini.~pending\", which takes its place until the next save",
         {pending}, "[S]\r\nk"},
        {"the old bytes are back, but the pending copy cannot be removed",
         [&] {
             files.WriteFailures = {0, 112, 0};
             files.DeleteFailures = 1;
         },
         failed + u". Its new content is kept in \"C:\\Missing\\a.ini.~pending\", which takes its place until the next save",
         {pending}},
        {"a link", [&] { files.Links.insert(file); },
         u"Cannot create file \"C:\\Missing\\a.ini\". It is a link to another file, and settings are never read or "
         u"written through a link",
         {}},
        {"no random numbers", [&] { files.RandomFailure = 31; }, u"Cannot create file \"C:\\Missing\\a.ini\". Error 31", {}},
        {"the names it would take are taken",
         [&] {
             files.RandomNumbers = {7, 8, 9};
             files.Files[file + u".~7000000000000000"] = "[S]\r\nk=ha";
             files.Folders.insert(file + u".~8000000000000000");
         },
         u"", {file + u".~7000000000000000"}},
        {"leftovers of crashed writes",
         [&] {
             for (const char16_t* name : {u".~0123456789abcdef", u".~1123456789abcdef", u".~2123456789abcdef",
                                          u".~3123456789abcdef", u".~4123456789ABCDEF"}) {
                 files.Files[file + name] = "[S]\r\n";
                 files.Ages[file + name] = 61 * 1000;
             }
             files.Ages[file + u".~1123456789abcdef"] = 59 * 1000;   // a write that may be going on
             files.Foreign.insert(file + u".~2123456789abcdef");      // somebody else's
             files.SecondNames.insert(file + u".~3123456789abcdef");  // a name of another file
         },
         u"", {file + u".~1123456789abcdef", file + u".~2123456789abcdef", file + u".~3123456789abcdef",
               file + u".~4123456789ABCDEF"}},
        {"a pending copy that somebody else made",
         [&] {
             files.Files[pending] = "[S]\r\nk=theirs\r\n";
             files.Foreign.insert(pending);
         },
         u"Cannot create file \"C:\\Missing\\a.ini\". A file that this program did not make has the name of its "
         u"pending copy",
         {pending}},
    };
    ini.WriteString(u"S", u"k", u"changed");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        files.Files = {{file, "[S]\r\nk=v\r\n\r\n"}};
        files.Links.clear();
        row.Plant();
        std::u16string message;
        try {
            ini.UpdateFile();
        } catch (const zo::EFCreateError& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, row.Message);
        std::set<std::u16string> left;
        for (const auto& [name, bytes] : files.Files)
            if (name != file) left.insert(name);
        EXPECT_EQ(left, row.Left);
        EXPECT_EQ(files.Files[file], row.Message.empty() ? "[S]\r\nk=changed\r\n\r\n" : row.After);
        if (row.Left.count(pending) && !files.Foreign.count(pending)) {
            // Readers take the pending copy for the file, and the next save puts it in place.
            EXPECT_EQ(TMemIniFile(file, fake.Platform()).ReadString(u"S", u"k", u""), u"changed");
            ini.UpdateFile();
            EXPECT_EQ(files.Files[file], "[S]\r\nk=changed\r\n\r\n");
            EXPECT_FALSE(files.Files.count(pending));
        }
        files = fakes::FakeFileSystem{};
        files.AddFolder(u"C:\\Missing");
    }
}

TEST_F(SettingsIniFile, LineBreaksCannotBeWrittenIntoTheFile) {
    auto ini = Load("[S]\r\nk=1\r\n");
    EXPECT_THROW(ini.WriteString(u"S", u"k", u"x\r\n[Injected]\r\nk=2"), zo::EConvertError);
    EXPECT_THROW(ini.WriteString(u"S\n", u"k", u"1"), zo::EConvertError);
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[S]", u"k=1", u""}));
}

TEST_F(SettingsIniFile, RenameReloadsAndSetStringsReplacesTheDocument) {
    auto ini = Load("[S]\r\nk=1\r\n");
    fake.Files.Files[u"C:\\Data\\other.ini"] = "[T]\r\nj=2\r\n";
    ini.Rename(u"C:\\Data\\other.ini", false);
    EXPECT_EQ(ini.ReadString(u"S", u"k", u""), u"1");
    ini.Rename(u"C:\\Data\\other.ini", true);
    EXPECT_EQ(ini.GetStrings(), (TStrings{u"[T]", u"j=2", u""}));
    TMemIniFile copy(u"", fake.Platform());
    copy.SetStrings(ini.GetStrings());
    EXPECT_EQ(copy.GetStrings(), ini.GetStrings());
    copy.Clear();
    EXPECT_EQ(copy.GetStrings(), TStrings{});
}

TEST_F(SettingsIniFile, BinaryStreamsUseUppercaseHexPairsFromAndAtThePosition) {
    TMemIniFile ini(u"", fake.Platform());
    zo::TMemoryStream source({0x00, 0x01, 0xAB, 0xFF});
    source.SetPosition(1);
    ini.WriteBinaryStream(u"S", u"b", source);
    EXPECT_EQ(ini.ReadString(u"S", u"b", u""), u"01ABFF");
    zo::TMemoryStream target({9, 9});
    target.SetPosition(1);
    EXPECT_EQ(ini.ReadBinaryStream(u"S", u"b", target), 3);
    EXPECT_EQ(target.Bytes(), (std::vector<uint8_t>{9, 0x01, 0xAB, 0xFF}));
    EXPECT_EQ(ini.ReadBinaryStream(u"S", u"missing", target), 0);
    ini.WriteString(u"S", u"bad", u"0aZZ");
    zo::TMemoryStream partial;
    EXPECT_EQ(ini.ReadBinaryStream(u"S", u"bad", partial), 1);
}

}  // namespace
