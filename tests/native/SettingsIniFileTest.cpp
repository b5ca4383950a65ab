// The INI document: parsing, lookups, the written bytes and the encodings.
#include <gtest/gtest.h>

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

    // Failing after the new file was made, or at a link, leaves the file and nothing else. The new
    // file has a fresh name: anything already in the folder (a leftover, a planted file at the
    // name the first random number gives) is passed over and left as it is.
    const struct {
        uint32_t FailWith;
        bool Link;
        bool LeftBehind;
        std::u16string Message;  // empty: the write succeeds
    } rows[] = {
        {112, false, false, u"Cannot write file \"C:\\Missing\\a.ini\". Error 112 (error 112)"},
        {0, true, false,
         u"Cannot create file \"C:\\Missing\\a.ini\". It is a link to another file, and settings are never "
         u"read or written through a link"},
        {0, false, true, u""},
    };
    ini.WriteString(u"S", u"k", u"changed");
    for (const auto& row : rows) {
        fake.Files.FailWritingWith = row.FailWith;
        fake.Files.Links.clear();
        if (row.Link) fake.Files.Links.insert(u"C:\\Missing\\a.ini");
        if (row.LeftBehind) {
            fake.Files.Files[u"C:\\Missing\\a.ini.~0000000000000000"] = "[S]\r\nk=ha";
            fake.Files.RandomNumbers = {0, 0};
        }
        std::u16string message;
        try {
            ini.UpdateFile();
        } catch (const zo::EFCreateError& e) {
            message = e.Message();
        }
        EXPECT_EQ(message, row.Message);
        EXPECT_EQ(fake.Files.Files.size(), row.LeftBehind ? 2u : 1u);
        if (row.LeftBehind) EXPECT_EQ(fake.Files.Files[u"C:\\Missing\\a.ini.~0000000000000000"], "[S]\r\nk=ha");
        EXPECT_EQ(fake.Files.Files[u"C:\\Missing\\a.ini"],
                  row.Message.empty() ? "[S]\r\nk=changed\r\n\r\n" : "[S]\r\nk=v\r\n\r\n");
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
