// TVersionInfo: the ten version strings, the four version numbers and the four module attributes
// of a program file, read from its version resource. The lookup in a version block works on the
// bytes alone, the way the system's value query does.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/VersionResource.h"

namespace zo {

// The fixed file information at the root of a version block.
struct TFixedFileInfo {
    uint32_t Signature = 0;  // 0xFEEF04BD
    uint32_t StrucVersion = 0;
    uint32_t FileVersionMS = 0;
    uint32_t FileVersionLS = 0;
    uint32_t ProductVersionMS = 0;
    uint32_t ProductVersionLS = 0;
    uint32_t FileFlagsMask = 0;
    uint32_t FileFlags = 0;
    uint32_t FileOS = 0;
    uint32_t FileType = 0;
    uint32_t FileSubtype = 0;
    uint32_t FileDateMS = 0;
    uint32_t FileDateLS = 0;
};
constexpr size_t kFixedFileInfoSize = 13 * 4;

// A value found in a version block: its bytes, and whether it is text (UTF-16 characters).
struct TVersionValue {
    std::span<const uint8_t> Data;
    bool Text = false;
};

// Looks up a value by its path in the block, as the system's value query does: "\" is the fixed
// file information, "\VarFileInfo\Translation" the translation table, and
// "\StringFileInfo\<language><code page>\<name>" a string. Keys are compared without regard to
// case. Nothing is returned when the path is not there or the block is malformed.
std::optional<TVersionValue> QueryVersionValue(std::span<const uint8_t> block, std::u16string_view path);

// The fixed file information; nothing when the root holds none.
std::optional<TFixedFileInfo> FixedFileInfoOf(std::span<const uint8_t> block);

// The first translation entry as the name of its string table: language and code page as four
// upper-case hexadecimal digits each ("040904E4"); nothing when the block has no translation.
std::optional<std::u16string> TranslationKey(std::span<const uint8_t> block);

// A string of the table named by translation, up to its terminating zero; nothing when missing.
std::optional<std::u16string> VersionString(std::span<const uint8_t> block, std::u16string_view translation,
                                            std::u16string_view name);

class TVersionInfo {
public:
    static constexpr const char16_t* kNotAvailable = u"Value Not Available";
    // The ten version strings, in list order.
    static constexpr std::array<const char16_t*, 10> kStringNames = {
        u"CompanyName",      u"FileDescription", u"FileVersion", u"InternalName",   u"LegalCopyright",
        u"LegalTrademarks",  u"OriginalFilename", u"ProductName", u"ProductVersion", u"Comments"};
    enum : int { viCompanyName, viFileDescription, viFileVersion, viInternalName, viLegalCopyright,
                 viLegalTrademarks, viOriginalFilename, viProductName, viProductVersion, viComments };

    // A status pane that displays one of the version strings (an index viCompanyName ...): it is
    // shown the string when it is added and again after every read.
    struct TStatusPane {
        int Index = viFileVersion;
        std::function<void(const std::u16string&)> Show;
    };

    // Reads the version resource of the running program at once.
    explicit TVersionInfo(IVersionResource& resource);

    // Empty: the running program's own file (the path is filled in at the next read).
    const std::u16string& FilePath() const { return FFilePath; }
    void SetFilePath(const std::u16string& path);

    // The owning window has finished loading: the resource is read again.
    void Loaded() { ReadVersionInfo(); }
    void ReadVersionInfo();

    bool VersionInfoAvailable() const { return FVersionInfoAvailable; }
    const std::vector<std::u16string>& VersionStrings() const { return FVersionInfo; }
    const std::u16string& VersionString(int index) const { return FVersionInfo.at(size_t(index)); }
    // Index 1 major, 2 minor, 3 release, 4 build; 0 outside 1 to 4.
    uint16_t VersionNumber(int index) const;
    // Index 1 debug build, 2 pre-release, 3 private build, 4 special build; false outside 1 to 4.
    bool ModuleAttribute(int index) const;

    void AddStatusPane(TStatusPane pane);
    const std::vector<TStatusPane>& StatusList() const { return FStatusList; }

    const std::u16string& CompanyName() const { return VersionString(viCompanyName); }
    const std::u16string& FileDescription() const { return VersionString(viFileDescription); }
    const std::u16string& FileVersion() const { return VersionString(viFileVersion); }
    const std::u16string& InternalName() const { return VersionString(viInternalName); }
    const std::u16string& LegalCopyright() const { return VersionString(viLegalCopyright); }
    const std::u16string& LegalTrademarks() const { return VersionString(viLegalTrademarks); }
    const std::u16string& OriginalFilename() const { return VersionString(viOriginalFilename); }
    const std::u16string& ProductName() const { return VersionString(viProductName); }
    const std::u16string& ProductVersion() const { return VersionString(viProductVersion); }
    const std::u16string& Comments() const { return VersionString(viComments); }

private:
    void ReadStrings();
    void ShowInStatusPanes() const;

    IVersionResource& FResource;
    std::u16string FFilePath;
    std::vector<std::u16string> FVersionInfo;
    bool FVersionInfoAvailable = false;
    std::vector<TStatusPane> FStatusList;  // none in this program
    std::array<uint16_t, 4> FVersionNumbers{};
    std::array<bool, 4> FModuleAttributes{};
};

// "Version " and version numbers 1 to 3 in decimal joined by ".".
std::u16string VersionLine(const TVersionInfo& info);

}  // namespace zo
