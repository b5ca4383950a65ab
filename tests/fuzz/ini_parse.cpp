// Reads arbitrary bytes as a settings file: no crash, no hang, no sanitizer report; every lookup
// gives the first match that a plain scan finds; writing the document and reading it back gives
// the same document.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Failure.h"
#include "settings/IniFiles.h"
#include "tests/fuzz/MemorySettingsPlatform.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// The value of the first line named ident in the first section named section, by a plain scan
// of the document's lines.
bool Scan(const zo::TStrings& lines, memplat::AsciiLocale& locale, const std::u16string& section,
          const std::u16string& ident, std::u16string& value) {
    bool inSection = false;
    for (const auto& line : lines) {
        if (!inSection) {  // looking for the header of the first matching section
            inSection = line.size() >= 2 && line.front() == u'[' && line.back() == u']' &&
                        locale.UpperCase(line.substr(1, line.size() - 2)) == locale.UpperCase(section);
            continue;
        }
        if (line.empty()) return false;  // the empty line that ends the section
        const std::u16string_view name = zo::IniLineName(line);
        if (locale.UpperCase(name) == locale.UpperCase(ident)) {
            value = line.substr(std::min(name.size() + 1, line.size()));
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    memplat::MemorySettingsPlatform mem;
    const zo::TSettingsPlatform platform = mem.Platform();
    memplat::AsciiLocale& locale = mem.Locale;
    mem.Files.Files[u"a.ini"] = std::string(reinterpret_cast<const char*>(data), size);

    zo::TMemIniFile ini(u"a.ini", platform);
    const zo::TStrings lines = ini.GetStrings();

    // Lookups agree with a plain scan, and typed reads of every value are safe.
    zo::TStrings sections;
    ini.ReadSections(sections);
    for (size_t s = 0; s < sections.size() && s < 64; ++s) {
        zo::TStrings names;
        ini.ReadSection(sections[s], names);
        for (size_t n = 0; n < names.size() && n < 64; ++n) {
            std::u16string expected;
            const bool found = Scan(lines, locale, sections[s], names[n], expected);
            Check(found == ini.ValueExists(sections[s], names[n]));
            if (found) Check(ini.ReadString(sections[s], names[n], u"\x1") == expected);
            ini.ReadInteger(sections[s], names[n], 0);
            ini.ReadFloat(sections[s], names[n], 0);
            ini.ReadDateTime(sections[s], names[n], 0);
            zo::TMemoryStream stream;
            ini.ReadBinaryStream(sections[s], names[n], stream);
        }
    }

    // The lines parse back into themselves, and so do the written bytes.
    zo::TMemIniFile copy(u"", platform);
    copy.SetStrings(lines);
    Check(copy.GetStrings() == lines);
    ini.UpdateFile();
    zo::TMemIniFile reread(u"a.ini", platform);
    Check(reread.GetStrings() == lines);

    // Changes keep the first-match rule: the value written is the value read.
    if (!sections.empty()) {
        ini.WriteString(sections[0], u"Fuzz", u"1");
        Check(ini.ReadString(sections[0], u"FUZZ", u"") == u"1");
        ini.DeleteKey(sections[0], u"fuzz");
        ini.EraseSection(sections[0]);
    }
    return 0;
}
