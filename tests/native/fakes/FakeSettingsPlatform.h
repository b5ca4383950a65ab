// Deterministic stand-ins for the platform services of the settings store: an in-memory file
// system with folders, sharing conflicts and counters, a Latin-1 "ANSI" code page, a locale with
// settable formats, fixed error texts, a program environment and an in-memory registry.
#pragma once
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "settings/IniFiles.h"

namespace fakes {

// Files and folders by full path ("" is a folder that always exists, for bare names). The files
// that the code opens are tracked, so that opens share as the platform's do.
class FakeFileSystem : public zo::IFileSystem {
public:
    std::map<std::u16string, std::string> Files;
    std::set<std::u16string> Folders;         // existing folders, without a trailing "\"
    std::set<std::u16string> OpenForWriting;  // held by another program: reads and writes fail
    std::set<std::u16string> OpenForReading;  // held by another program: writes fail
    std::set<std::u16string> AccessDenied;    // files that cannot be opened, folders nothing is made in
    std::set<std::u16string> Links;           // names that are links to somewhere else
    std::set<std::u16string> SecondNames;     // files that have another name as well
    std::map<std::u16string, zo::TFileKind> Kinds;  // pipes and devices at a name
    std::set<std::u16string> Foreign;         // files that somebody else owns
    std::map<std::u16string, uint64_t> Ages;  // milliseconds since a file was written (default 0)
    std::map<std::u16string, int> ChangingReads;  // reads during which another program rewrites the file
    std::vector<uint32_t> WriteFailures;      // each WriteAll in turn: 0 writes, a code half writes and fails
    int DeleteFailures = 0;                   // the next deletes that fail
    uint32_t RandomFailure = 0;
    std::vector<uint64_t> RandomNumbers;      // the numbers RandomNumber gives, then 0, 1, 2, ...
    int Reads = 0;   // ReadAll calls
    int Writes = 0;  // completed WriteAll calls

    // Adds the folder and every folder above it.
    void AddFolder(std::u16string folder);

    bool FileExists(const std::u16string& fileName) override;
    uint32_t OpenFolder(const std::u16string& folder, std::unique_ptr<zo::IFolder>& opened) override;
    uint32_t RandomNumber(uint64_t& number) override;
    void Pause(uint32_t) override {}
    bool ForceDirectories(const std::u16string& folder) override;

    // The files this program holds open now: how, by path.
    std::map<std::u16string, std::vector<zo::TOpenMode>> Opened;
    std::map<std::u16string, uint64_t> Versions;  // bumped by every write, for the last-write time
};

// Code page 28591: each byte is the character of the same code; other characters become "?".
class FakeCodePage : public zo::ICodePage {
public:
    uint32_t Ansi = 28591;
    uint32_t AnsiCodePage() override { return Ansi; }
    std::u16string ToUnicode(uint32_t codePage, std::string_view bytes) override;
    std::string FromUnicode(uint32_t codePage, std::u16string_view text) override;
};

class FakeLocale : public zo::ILocale {
public:
    zo::TFormatSettings Settings;
    zo::TFormatSettings FormatSettings() override { return Settings; }
    // ASCII and Latin-1 letters.
    std::u16string UpperCase(std::u16string_view text) override;
};

class FakeSystemText : public zo::ISystemText {
public:
    // "Error <code>.\r\n" (so that the trimming is exercised).
    std::u16string SystemMessage(uint32_t code) override;
};

class FakeEnvironment : public zo::IProgramEnvironment {
public:
    std::u16string Program = u"C:\\Program Files\\Panel\\Panel.exe";
    std::u16string Title;
    std::map<int, std::u16string> SpecialFolders;
    std::u16string ProgramFileName() override { return Program; }
    std::u16string ApplicationTitle() override { return Title; }
    std::u16string SpecialFolderPath(int csidl) override;
};

class FakeRegistry : public zo::IRegistry {
public:
    // "<root>:<path>" (path upper-cased) to value name to value.
    std::map<std::u16string, std::map<std::u16string, std::u16string>> Keys;
    uint32_t LastAccess = 0;

    uint32_t CreateKey(uint32_t root, const std::u16string& path, uint32_t access) override;
    bool KeyExists(uint32_t root, const std::u16string& path, uint32_t access) override;
    bool ReadString(uint32_t root, const std::u16string& path, const std::u16string& name, uint32_t access,
                    std::u16string& value) override;
    uint32_t WriteString(uint32_t root, const std::u16string& path, const std::u16string& name,
                         uint32_t access, const std::u16string& value) override;
    std::vector<std::u16string> SubKeyNames(uint32_t root, const std::u16string& path, uint32_t access) override;
    std::vector<std::u16string> ValueNames(uint32_t root, const std::u16string& path, uint32_t access) override;
    uint32_t DeleteKey(uint32_t root, const std::u16string& path, uint32_t access) override;
    uint32_t DeleteValue(uint32_t root, const std::u16string& path, const std::u16string& name,
                         uint32_t access) override;

    static std::u16string Key(uint32_t root, const std::u16string& path);
};

// All of the above, wired together.
struct FakeSettingsPlatform {
    FakeFileSystem Files;
    FakeCodePage CodePage;
    FakeLocale Locale;
    FakeSystemText SystemText;
    FakeEnvironment Environment;
    FakeRegistry Registry;
    zo::TSettingsPlatform Platform() {
        return zo::TSettingsPlatform{Files, CodePage, Locale, SystemText, Environment, &Registry};
    }
};

}  // namespace fakes
