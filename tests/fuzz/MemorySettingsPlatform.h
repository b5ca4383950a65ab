// In-memory platform services for the settings document, shared by the fuzz target and the
// benchmark: a file map, Latin-1 as the ANSI code page, ASCII upper-casing and default formats.
#pragma once
#include <map>
#include <string>

#include "settings/IniFiles.h"

namespace memplat {

class MemoryFiles : public zo::IFileSystem {
public:
    std::map<std::u16string, std::string> Files;
    uint64_t Counter = 0;
    bool FileExists(const std::u16string& name) override { return Files.count(name) != 0; }
    uint32_t ReadChecked(const std::u16string& name, bool, const zo::TOpenedFileCheck& check, std::string& bytes,
                         bool& opened) override {
        opened = true;
        auto it = Files.find(name);
        if (it == Files.end()) return 2;
        if (uint32_t code = check(zo::TOpenedFile{name, 1, it->second.size()})) return code;
        bytes = it->second;
        return 0;
    }
    uint32_t CreateNewAndWriteAllBytes(const std::u16string& name, const std::string& bytes, bool& created) override {
        created = Files.count(name) == 0;
        if (!created) return zo::fsFileExists;
        Files[name] = bytes;
        return 0;
    }
    uint32_t Replace(const std::u16string& source, const std::u16string& target, bool) override {
        Files[target] = std::move(Files[source]);
        Files.erase(source);
        return 0;
    }
    uint64_t RandomNumber() override { return ++Counter; }
    void RemoveFile(const std::u16string& name) override { Files.erase(name); }
    bool ForceDirectories(const std::u16string&) override { return true; }
};

class Latin1 : public zo::ICodePage {
public:
    uint32_t AnsiCodePage() override { return 28591; }
    std::u16string ToUnicode(uint32_t, std::string_view bytes) override {
        std::u16string out(bytes.size(), u'\0');
        for (size_t i = 0; i < bytes.size(); ++i) out[i] = char16_t(static_cast<unsigned char>(bytes[i]));
        return out;
    }
    std::string FromUnicode(uint32_t, std::u16string_view text) override {
        std::string out(text.size(), '\0');
        for (size_t i = 0; i < text.size(); ++i) out[i] = text[i] < 256 ? char(text[i]) : '?';
        return out;
    }
};

class AsciiLocale : public zo::ILocale {
public:
    zo::TFormatSettings FormatSettings() override { return {}; }
    std::u16string UpperCase(std::u16string_view text) override {
        std::u16string out(text);
        for (auto& c : out)
            if (c >= u'a' && c <= u'z') c -= 32;
        return out;
    }
};

class NoText : public zo::ISystemText {
public:
    std::u16string SystemMessage(uint32_t) override { return u""; }
};

class NoEnvironment : public zo::IProgramEnvironment {
public:
    std::u16string ProgramFileName() override { return u"C:\\p.exe"; }
    std::u16string ApplicationTitle() override { return u""; }
    std::u16string SpecialFolderPath(int) override { return u""; }
};

struct MemorySettingsPlatform {
    MemoryFiles Files;
    Latin1 CodePage;
    AsciiLocale Locale;
    NoText Text;
    NoEnvironment Environment;
    // Files of any size: the benchmark reads 50 MB ones.
    zo::TSettingsPlatform Platform() {
        return zo::TSettingsPlatform{Files, CodePage, Locale, Text, Environment, nullptr, UINT64_MAX};
    }
};

}  // namespace memplat
