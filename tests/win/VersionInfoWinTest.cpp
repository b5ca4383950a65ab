// The version resource read through the system, and the block lookup compared with the system's
// own value query on the real programs.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "WinTestMain.h"
#include "platform/win32/Win32VersionResource.h"
#include "windows/VersionInfo.h"

using namespace zo;

namespace {

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

// The system's answer for a path: the value's bytes (characters for text, as it counts them).
std::optional<std::vector<uint8_t>> SystemQuery(std::vector<uint8_t>& block, const std::wstring& path, bool text) {
    void* value = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &len)) return std::nullopt;
    const size_t bytes = text ? len * 2 : len;
    auto* p = static_cast<const uint8_t*>(value);
    return std::vector<uint8_t>(p, p + bytes);
}

}  // namespace

TEST(VersionInfoWin, LookupsAgreeWithTheSystemOnTheProgramsOwnBlock) {
    TWin32VersionResource resource;
    for (const char* file : {DIST_DIR "/ZudazuvOrerozoVuzuvaz.exe", DIST_DIR "/ZoradidIvavuda.exe"}) {
        std::vector<uint8_t> block = resource.FileVersionBlock(U16(testsupport::WinePath(file)));
        ASSERT_FALSE(block.empty()) << file;

        auto fixed = SystemQuery(block, L"\\", false);
        auto ours = QueryVersionValue(block, u"\\");
        ASSERT_TRUE(fixed && ours);
        EXPECT_EQ(std::vector<uint8_t>(ours->Data.begin(), ours->Data.end()), *fixed);

        auto translation = SystemQuery(block, L"\\VarFileInfo\\Translation", false);
        ASSERT_TRUE(translation);
        ASSERT_EQ(TranslationKey(block), u"040904E4");

        for (const char16_t* name : TVersionInfo::kStringNames) {
            std::wstring path = L"\\StringFileInfo\\040904E4\\" + std::wstring(name, name + std::char_traits<char16_t>::length(name));
            auto system = SystemQuery(block, path, true);
            auto mine = VersionString(block, u"040904E4", name);
            ASSERT_EQ(system.has_value(), mine.has_value()) << std::string(path.begin(), path.end());
            if (!system) continue;
            std::wstring systemText(reinterpret_cast<const wchar_t*>(system->data()), system->size() / 2);
            systemText = systemText.c_str();  // up to the terminating zero
            EXPECT_EQ(U16(systemText), *mine) << std::string(path.begin(), path.end());
        }
    }
}

TEST(VersionInfoWin, ThePanelReadsFiveZeroZeroAndFilesWithoutResourceReadNothing) {
    TWin32VersionResource resource;
    TVersionInfo panel(resource);
    // Empty path: the running program's own file (the test program, which has no version resource).
    EXPECT_EQ(panel.FilePath(), resource.ProgramFileName());
    EXPECT_NE(panel.FilePath().find(u"win_tests.exe"), std::u16string::npos);

    panel.SetFilePath(U16(testsupport::WinePath(DIST_DIR "/ZudazuvOrerozoVuzuvaz.exe")));
    EXPECT_TRUE(panel.VersionInfoAvailable());
    EXPECT_EQ(VersionLine(panel), u"Version 5.0.0");
    EXPECT_EQ(panel.VersionNumber(4), 0);
    EXPECT_EQ(panel.CompanyName(), u"Marnwick Software");
    EXPECT_EQ(panel.ProductName(), u"Quillora 5");
    EXPECT_EQ(panel.OriginalFilename(), u"ZudazuvOrerozoVuzuvaz.exe");
    EXPECT_EQ(panel.Comments(), u"");
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(panel.ModuleAttribute(i));

    for (const char* file : {HELPERS_DIR "/idle.exe", BUILD_DIR "/no-such-file.exe"}) {
        TVersionInfo none(resource);
        none.SetFilePath(U16(testsupport::WinePath(file)));
        EXPECT_FALSE(none.VersionInfoAvailable()) << file;
        EXPECT_EQ(none.CompanyName(), u"Value Not Available");
        EXPECT_EQ(VersionLine(none), u"Version 0.0.0");
    }
}
