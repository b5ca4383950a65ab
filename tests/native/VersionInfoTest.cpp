#include <gtest/gtest.h>

#include <map>

#include "windows/VersionInfo.h"

using namespace zo;

namespace {

// Builds version blocks the way resource compilers lay them out.
struct TBlockNode {
    std::u16string Key;
    std::vector<uint8_t> Value;
    uint16_t ValueLength = 0;  // characters for text, bytes otherwise
    uint16_t Type = 0;         // 1 text, 0 binary
    std::vector<TBlockNode> Children;
};

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, uint16_t(v & 0xFFFF));
    Put16(out, uint16_t(v >> 16));
}
void Pad4(std::vector<uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

std::vector<uint8_t> Serialize(const TBlockNode& node) {
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, node.ValueLength);
    Put16(out, node.Type);
    for (char16_t c : node.Key) Put16(out, c);
    Put16(out, 0);
    Pad4(out);
    out.insert(out.end(), node.Value.begin(), node.Value.end());
    for (const TBlockNode& child : node.Children) {
        Pad4(out);
        std::vector<uint8_t> bytes = Serialize(child);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out[0] = uint8_t(out.size() & 0xFF);
    out[1] = uint8_t(out.size() >> 8);
    return out;
}

TBlockNode Text(const std::u16string& key, const std::u16string& value) {
    TBlockNode n{key, {}, uint16_t(value.size() + 1), 1, {}};
    for (char16_t c : value) Put16(n.Value, c);
    Put16(n.Value, 0);
    return n;
}

std::vector<uint8_t> Fixed(uint32_t ms, uint32_t ls, uint32_t flags) {
    std::vector<uint8_t> v;
    for (uint32_t x : {0xFEEF04BDu, 0x10000u, ms, ls, ms, ls, 0x3Fu, flags, 0x40004u, 1u, 0u, 0u, 0u}) Put32(v, x);
    return v;
}

TBlockNode Root(std::vector<uint8_t> fixed, std::vector<TBlockNode> children) {
    TBlockNode root{u"VS_VERSION_INFO", std::move(fixed), 0, 0, std::move(children)};
    root.ValueLength = uint16_t(root.Value.size());
    return root;
}

TBlockNode StringTable(const std::u16string& name, std::vector<TBlockNode> strings) {
    return TBlockNode{u"StringFileInfo", {}, 0, 1, {TBlockNode{name, {}, 0, 1, std::move(strings)}}};
}

TBlockNode Translation(std::vector<std::pair<uint16_t, uint16_t>> entries) {
    TBlockNode var{u"Translation", {}, 0, 0, {}};
    for (auto [lang, cp] : entries) {
        Put16(var.Value, lang);
        Put16(var.Value, cp);
    }
    var.ValueLength = uint16_t(var.Value.size());
    return TBlockNode{u"VarFileInfo", {}, 0, 1, {var}};
}

std::vector<uint8_t> ProgramBlock(uint32_t ms, uint32_t ls, uint32_t flags = 0) {
    return Serialize(Root(Fixed(ms, ls, flags),
                          {StringTable(u"040904E4", {Text(u"CompanyName", u"Marnwick Software"),
                                                     Text(u"FileDescription", u"Zudazuv Orerozo Vuzuvaz"),
                                                     Text(u"FileVersion", u"5.0.0.0"),
                                                     Text(u"InternalName", u"ZudazuvOrerozoVuzuvaz"),
                                                     Text(u"LegalCopyright", u"Copyright \u00a9 2006 Marnwick Software"),
                                                     Text(u"OriginalFilename", u"ZudazuvOrerozoVuzuvaz.exe"),
                                                     Text(u"ProductName", u"Quillora 5"),
                                                     Text(u"ProductVersion", u"5.0.0.0")}),
                           Translation({{0x0409, 0x04E4}})}));
}

class FakeVersionResource : public IVersionResource {
public:
    std::u16string programFile = u"C:\\Program\\ZudazuvOrerozoVuzuvaz.exe";
    std::map<std::u16string, std::vector<uint8_t>> files;
    std::vector<std::u16string> reads;

    std::u16string ProgramFileName() override { return programFile; }
    std::vector<uint8_t> FileVersionBlock(const std::u16string& path) override {
        reads.push_back(path);
        auto it = files.find(path);
        return it == files.end() ? std::vector<uint8_t>{} : it->second;
    }
};

}  // namespace

TEST(VersionInfo, ProgramBlockGivesItsStringsNumbersAndVersionLine) {
    FakeVersionResource res;
    std::vector<uint8_t> block = ProgramBlock(0x00050000, 0x00000000);
    // The system's copy carries bytes after the block; they are not part of it.
    block.insert(block.end(), {'F', 'E', '2', 'X', 0, 0, 0, 0});
    res.files[res.programFile] = block;
    TVersionInfo info(res);
    EXPECT_EQ(info.FilePath(), res.programFile);
    EXPECT_TRUE(info.VersionInfoAvailable());
    ASSERT_EQ(info.VersionStrings().size(), 10u);
    EXPECT_EQ(info.CompanyName(), u"Marnwick Software");
    EXPECT_EQ(info.FileDescription(), u"Zudazuv Orerozo Vuzuvaz");
    EXPECT_EQ(info.FileVersion(), u"5.0.0.0");
    EXPECT_EQ(info.InternalName(), u"ZudazuvOrerozoVuzuvaz");
    EXPECT_EQ(info.LegalCopyright(), u"Copyright \u00a9 2006 Marnwick Software");
    EXPECT_EQ(info.OriginalFilename(), u"ZudazuvOrerozoVuzuvaz.exe");
    EXPECT_EQ(info.ProductName(), u"Quillora 5");
    EXPECT_EQ(info.ProductVersion(), u"5.0.0.0");
    // Strings missing from the table stay empty.
    EXPECT_EQ(info.LegalTrademarks(), u"");
    EXPECT_EQ(info.Comments(), u"");
    EXPECT_EQ(info.VersionNumber(1), 5);
    EXPECT_EQ(info.VersionNumber(2), 0);
    EXPECT_EQ(info.VersionNumber(3), 0);
    EXPECT_EQ(info.VersionNumber(4), 0);
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(info.ModuleAttribute(i)) << i;
    EXPECT_EQ(VersionLine(info), u"Version 5.0.0");
}

TEST(VersionInfo, NumbersComeFromBothHalvesAndAttributesFromTheFlags) {
    FakeVersionResource res;
    res.files[res.programFile] = ProgramBlock(0x00010002, 0x00030004, 0x1 | 0x8);
    TVersionInfo info(res);
    std::vector<std::u16string> pane;  // a status pane showing the product name
    info.AddStatusPane({TVersionInfo::viProductName, [&](const std::u16string& s) { pane.push_back(s); }});
    EXPECT_EQ(info.VersionNumber(1), 1);
    EXPECT_EQ(info.VersionNumber(2), 2);
    EXPECT_EQ(info.VersionNumber(3), 3);
    EXPECT_EQ(info.VersionNumber(4), 4);
    EXPECT_EQ(VersionLine(info), u"Version 1.2.3");  // the build number is never shown
    EXPECT_TRUE(info.ModuleAttribute(1));            // debug
    EXPECT_FALSE(info.ModuleAttribute(2));
    EXPECT_TRUE(info.ModuleAttribute(3));            // private build
    EXPECT_FALSE(info.ModuleAttribute(4));
    EXPECT_EQ(info.VersionNumber(0), 0);
    EXPECT_EQ(info.VersionNumber(5), 0);

    res.files[res.programFile] = ProgramBlock(0xFFFF0000, 0x0000FFFF, 0x2 | 0x20 | 0x4 | 0x10);
    res.files[res.programFile].clear();
    info.Loaded();
    EXPECT_EQ(pane, (std::vector<std::u16string>{u"Quillora 5", u"Value Not Available"}));
    res.files[res.programFile] = ProgramBlock(0xFFFF0000, 0x0000FFFF, 0x2 | 0x20 | 0x4 | 0x10);
    info.Loaded();
    EXPECT_EQ(VersionLine(info), u"Version 65535.0.0");
    EXPECT_EQ(info.VersionNumber(4), 65535);
    EXPECT_FALSE(info.ModuleAttribute(1));
    EXPECT_TRUE(info.ModuleAttribute(2));   // pre-release
    EXPECT_FALSE(info.ModuleAttribute(3));  // 0x4 (patched) and 0x10 (info inferred) are not attributes
    EXPECT_TRUE(info.ModuleAttribute(4));   // special build
}

TEST(VersionInfo, WithoutResourceEveryStringIsValueNotAvailableAndNumbersAreZero) {
    FakeVersionResource res;
    res.files[res.programFile] = ProgramBlock(0x00050000, 0, 0x3F);
    TVersionInfo info(res);
    ASSERT_EQ(info.VersionNumber(1), 5);
    // Another file, without a version resource: nothing of the previous read remains.
    info.SetFilePath(u"C:\\other.exe");
    EXPECT_EQ(res.reads.back(), u"C:\\other.exe");
    EXPECT_FALSE(info.VersionInfoAvailable());
    ASSERT_EQ(info.VersionStrings().size(), 10u);
    for (const std::u16string& s : info.VersionStrings()) EXPECT_EQ(s, u"Value Not Available");
    for (int i = 1; i <= 4; ++i) {
        EXPECT_EQ(info.VersionNumber(i), 0) << i;
        EXPECT_FALSE(info.ModuleAttribute(i)) << i;
    }
    EXPECT_EQ(VersionLine(info), u"Version 0.0.0");
}

TEST(VersionInfo, BlockWithoutStringsStillGivesTheNumbers) {
    FakeVersionResource res;
    res.files[res.programFile] = Serialize(Root(Fixed(0x00070001, 0x00020000, 0), {}));
    TVersionInfo info(res);
    EXPECT_TRUE(info.VersionInfoAvailable());
    for (const std::u16string& s : info.VersionStrings()) EXPECT_EQ(s, u"");
    EXPECT_EQ(VersionLine(info), u"Version 7.1.2");

    // A translation that names a table the block does not have: strings empty as well.
    res.files[res.programFile] = Serialize(Root(Fixed(0x00070001, 0x00020000, 0),
                                                {StringTable(u"040704B0", {Text(u"CompanyName", u"X")}),
                                                 Translation({{0x0409, 0x04E4}})}));
    info.Loaded();
    EXPECT_EQ(info.CompanyName(), u"");
    EXPECT_EQ(info.VersionNumber(1), 7);
}

TEST(VersionInfo, FirstTranslationPicksTheTableAndKeysIgnoreCase) {
    std::vector<uint8_t> block = Serialize(
        Root(Fixed(0x00010000, 0, 0),
             {TBlockNode{u"STRINGFILEINFO", {}, 0, 1,
                         {TBlockNode{u"040904e4", {}, 0, 1, {Text(u"companyname", u"English"), Text(u"Comments", u"")}},
                          TBlockNode{u"040704B0", {}, 0, 1, {Text(u"CompanyName", u"Deutsch")}}}},
              Translation({{0x0407, 0x04B0}, {0x0409, 0x04E4}})}));
    EXPECT_EQ(TranslationKey(block), u"040704B0");
    EXPECT_EQ(VersionString(block, u"040704B0", u"CompanyName"), u"Deutsch");
    EXPECT_EQ(VersionString(block, u"040904E4", u"CompanyName"), u"English");
    EXPECT_EQ(VersionString(block, u"040904E4", u"Comments"), u"");  // present but empty
    EXPECT_EQ(VersionString(block, u"040904E4", u"ProductName"), std::nullopt);
    EXPECT_EQ(VersionString(block, u"040904E4", u"Company"), std::nullopt);  // no prefix match

    FakeVersionResource res;
    res.files[res.programFile] = block;
    TVersionInfo info(res);
    EXPECT_EQ(info.CompanyName(), u"Deutsch");

    std::optional<TVersionValue> root = QueryVersionValue(block, u"\\");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Data.size(), kFixedFileInfoSize);
    EXPECT_FALSE(root->Text);
    std::optional<TVersionValue> company = QueryVersionValue(block, u"\\StringFileInfo\\040704B0\\CompanyName");
    ASSERT_TRUE(company);
    EXPECT_TRUE(company->Text);
    EXPECT_EQ(company->Data.size(), 2u * 8);  // "Deutsch" and its terminating zero
    EXPECT_FALSE(QueryVersionValue(block, u"\\NoSuchBlock"));
}

TEST(VersionInfo, MalformedBlocksGiveNothingAndReadNoFurtherThanTheirBytes) {
    const std::vector<uint8_t> good = ProgramBlock(0x00050000, 0);
    // Every cut of a good block: lookups stay inside what is there.
    for (size_t n = 0; n < good.size(); n += 3) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        EXPECT_FALSE(FixedFileInfoOf(cut)) << n;  // the root's length runs past the end
        EXPECT_FALSE(TranslationKey(cut)) << n;
    }
    // A root whose fixed information is too short for the structure.
    EXPECT_FALSE(FixedFileInfoOf(Serialize(Root(std::vector<uint8_t>(20, 0x11), {}))));
    // A string whose declared length runs past its node is cut at the node's end.
    TBlockNode liar = Text(u"CompanyName", u"AB");
    liar.ValueLength = 400;
    std::vector<uint8_t> block =
        Serialize(Root(Fixed(1, 0, 0), {StringTable(u"040904E4", {liar}), Translation({{0x0409, 0x04E4}})}));
    EXPECT_EQ(VersionString(block, u"040904E4", u"CompanyName"), u"AB");
    // A node length below its header stops the walk instead of looping.
    std::vector<uint8_t> zero = good;
    zero[0] = 2;
    zero[1] = 0;
    EXPECT_FALSE(QueryVersionValue(zero, u"\\VarFileInfo"));
}
