#include "windows/VersionInfo.h"

#include <algorithm>

#include "platform/Text.h"

namespace zo {

namespace {

// One node of a version block: wLength, wValueLength, wType, the key (zero-terminated UTF-16),
// padding to a 32-bit boundary, the value, padding, then the children, each 32-bit aligned.
struct TNode {
    size_t End = 0;
    std::u16string Key;
    size_t ValueStart = 0;
    size_t ValueBytes = 0;
    bool Text = false;
    size_t ChildrenStart = 0;
};

constexpr size_t Align4(size_t offset) { return (offset + 3) & ~size_t(3); }

uint16_t Read16(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }
uint32_t Read32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

std::optional<TNode> ParseNode(std::span<const uint8_t> b, size_t start, size_t limit) {
    if (limit > b.size() || start + 6 > limit) return std::nullopt;
    const size_t length = Read16(b, start);
    if (length < 6 || start + length > limit) return std::nullopt;
    TNode node;
    node.End = start + length;
    size_t at = start + 6;
    bool terminated = false;
    while (at + 2 <= node.End) {
        char16_t c = char16_t(Read16(b, at));
        at += 2;
        if (c == 0) {
            terminated = true;
            break;
        }
        node.Key += c;
    }
    if (!terminated) return std::nullopt;
    const uint16_t type = Read16(b, start + 4);
    node.Text = type != 0;
    const size_t declared = size_t(Read16(b, start + 2)) * (node.Text ? 2 : 1);
    node.ValueStart = std::min(Align4(at), node.End);
    // A value that claims more than its node holds is cut at the node's end.
    node.ValueBytes = std::min(declared, node.End - node.ValueStart);
    node.ChildrenStart = std::min(Align4(node.ValueStart + declared), node.End);
    return node;
}

char16_t FoldCase(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c; }

bool SameKey(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::optional<TNode> FindChild(std::span<const uint8_t> b, const TNode& parent, std::u16string_view key) {
    size_t at = parent.ChildrenStart;
    while (at + 6 <= parent.End) {
        std::optional<TNode> child = ParseNode(b, at, parent.End);
        if (!child) return std::nullopt;
        if (SameKey(child->Key, key)) return child;
        at = Align4(child->End);
    }
    return std::nullopt;
}

std::u16string Hex4(unsigned value) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    std::u16string s(4, u'0');
    for (int i = 3; i >= 0; --i, value >>= 4) s[size_t(i)] = digits[value & 0xF];
    return s;
}

}  // namespace

std::optional<TVersionValue> QueryVersionValue(std::span<const uint8_t> block, std::u16string_view path) {
    std::optional<TNode> node = ParseNode(block, 0, block.size());
    size_t at = 0;
    while (node && at < path.size()) {
        if (path[at] == u'\\') {
            ++at;
            continue;
        }
        size_t end = path.find(u'\\', at);
        if (end == std::u16string_view::npos) end = path.size();
        node = FindChild(block, *node, path.substr(at, end - at));
        at = end;
    }
    if (!node) return std::nullopt;
    return TVersionValue{block.subspan(node->ValueStart, node->ValueBytes), node->Text};
}

std::optional<TFixedFileInfo> FixedFileInfoOf(std::span<const uint8_t> block) {
    std::optional<TVersionValue> value = QueryVersionValue(block, u"\\");
    if (!value || value->Data.size() < kFixedFileInfoSize) return std::nullopt;
    uint32_t f[13];
    for (size_t i = 0; i < 13; ++i) f[i] = Read32(value->Data, i * 4);
    return TFixedFileInfo{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]};
}

std::optional<std::u16string> TranslationKey(std::span<const uint8_t> block) {
    std::optional<TVersionValue> value = QueryVersionValue(block, u"\\VarFileInfo\\Translation");
    if (!value || value->Data.size() < 4) return std::nullopt;
    return Hex4(Read16(value->Data, 0)) + Hex4(Read16(value->Data, 2));
}

std::optional<std::u16string> VersionString(std::span<const uint8_t> block, std::u16string_view translation,
                                            std::u16string_view name) {
    std::u16string path = u"\\StringFileInfo\\";
    path.append(translation);
    path += u'\\';
    path.append(name);
    std::optional<TVersionValue> value = QueryVersionValue(block, path);
    if (!value) return std::nullopt;
    std::u16string text;
    for (size_t at = 0; at + 2 <= value->Data.size(); at += 2) {
        char16_t c = char16_t(Read16(value->Data, at));
        if (c == 0) break;
        text += c;
    }
    return text;
}

// ---- TVersionInfo -------------------------------------------------------------------------------

TVersionInfo::TVersionInfo(IVersionResource& resource) : FResource(resource) { ReadVersionInfo(); }

void TVersionInfo::SetFilePath(const std::u16string& path) {
    FFilePath = path;
    ReadVersionInfo();
}

void TVersionInfo::ReadVersionInfo() {
    ReadStrings();
    ShowInStatusPanes();
}

void TVersionInfo::AddStatusPane(TStatusPane pane) {
    FStatusList.push_back(std::move(pane));
    ShowInStatusPanes();
}

void TVersionInfo::ShowInStatusPanes() const {
    for (const TStatusPane& pane : FStatusList)
        if (pane.Show && pane.Index >= 0 && size_t(pane.Index) < FVersionInfo.size())
            pane.Show(FVersionInfo[size_t(pane.Index)]);
}

void TVersionInfo::ReadStrings() {
    if (FFilePath.empty()) FFilePath = FResource.ProgramFileName();
    FVersionNumbers = {};
    FModuleAttributes = {};
    const std::vector<uint8_t> block = FResource.FileVersionBlock(FFilePath);
    if (block.empty()) {
        FVersionInfoAvailable = false;
        FVersionInfo.assign(kStringNames.size(), kNotAvailable);
        return;
    }
    FVersionInfoAvailable = true;
    FVersionInfo.assign(kStringNames.size(), std::u16string());
    // Without a translation entry there is no string table to look in: the strings stay empty.
    if (std::optional<std::u16string> translation = TranslationKey(block)) {
        for (size_t i = 0; i < kStringNames.size(); ++i)
            if (std::optional<std::u16string> s = zo::VersionString(block, *translation, kStringNames[i]))
                FVersionInfo[i] = *s;
    }
    if (std::optional<TFixedFileInfo> fixed = FixedFileInfoOf(block)) {
        FVersionNumbers = {uint16_t(fixed->FileVersionMS >> 16), uint16_t(fixed->FileVersionMS & 0xFFFF),
                           uint16_t(fixed->FileVersionLS >> 16), uint16_t(fixed->FileVersionLS & 0xFFFF)};
        FModuleAttributes = {(fixed->FileFlags & 0x1) != 0, (fixed->FileFlags & 0x2) != 0,
                             (fixed->FileFlags & 0x8) != 0, (fixed->FileFlags & 0x20) != 0};
    }
}

uint16_t TVersionInfo::VersionNumber(int index) const {
    return index >= 1 && index <= 4 ? FVersionNumbers[size_t(index - 1)] : 0;
}

bool TVersionInfo::ModuleAttribute(int index) const {
    return index >= 1 && index <= 4 && FModuleAttributes[size_t(index - 1)];
}

std::u16string VersionLine(const TVersionInfo& info) {
    return u"Version " + IntToStr(info.VersionNumber(1)) + u"." + IntToStr(info.VersionNumber(2)) + u"." +
           IntToStr(info.VersionNumber(3));
}

}  // namespace zo
