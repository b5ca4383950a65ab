// The settings store on the real file system, code pages, locale, shell folders and registry.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <fstream>
#include <iterator>
#include <vector>

#include "WinTestMain.h"
#include "support/TestThread.h"
#include "platform/Failure.h"
#include "platform/SystemText.h"
#include "platform/Text.h"
#include "platform/win32/Win32Settings.h"
#include "platform/win32/Win32SystemText.h"
#include "settings/RestartSetting.h"
#include "settings/RegIniFile.h"

using namespace zo;
using wintest::UnixLink;
using wintest::UnixRemove;
using wintest::UnixScript;

namespace {

std::u16string U(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::string ReadRaw(const std::u16string& path) {
    std::ifstream in(reinterpret_cast<const wchar_t*>(path.c_str()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteRaw(const std::u16string& path, const std::string& bytes) {
    std::ofstream out(reinterpret_cast<const wchar_t*>(path.c_str()), std::ios::binary);
    out << bytes;
}

std::u16string ErrorText(uint32_t code) {
    Win32SystemText text;
    return SysErrorMessage(text, code);
}

class SettingsWin : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = U(temp) + u"zo-settings-" + U(std::to_wstring(GetCurrentProcessId())) + u"\\";
        CreateDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()), nullptr);
        file = folder + u"ZoradidIvavuda.ini";
    }
    void TearDown() override {
        DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
        RemoveDirectoryW(reinterpret_cast<const wchar_t*>(folder.c_str()));
    }
    std::u16string folder, file;
};

// Starts the helper that holds the file open and waits until it has opened it.
struct THeldFile {
    THeldFile(const std::u16string& file, const std::u16string& folder, const wchar_t* mode) {
        signal = folder + u"held.signal";
        std::wstring exe = testsupport::WinePath(HELPERS_DIR "/holdfile.exe");
        std::wstring cmd = L"\"" + exe + L"\" \"" + std::wstring(file.begin(), file.end()) + L"\" \"" +
                           std::wstring(signal.begin(), signal.end()) + L"\" " + mode;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
        for (int i = 0; started && i < 200; ++i) {
            if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(signal.c_str())) != INVALID_FILE_ATTRIBUTES) {
                ready = true;
                break;
            }
            Sleep(50);
        }
    }
    ~THeldFile() {
        DeleteFileW(reinterpret_cast<const wchar_t*>(signal.c_str()));
        if (started) {
            WaitForSingleObject(pi.hProcess, 10000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
    std::u16string signal;
    PROCESS_INFORMATION pi{};
    bool started = false, ready = false;
};

TEST_F(SettingsWin, PanelSettingIsWrittenAsExactly33AnsiBytes) {
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPathType(ptIniFile);
    ini.SetPath(file);
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", false));
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(ReadRaw(file), std::string("[Settings]\r\nRestartServices=1\r\n\r\n"));
    EXPECT_EQ(ReadRaw(file).size(), 33u);
    ini.WriteBool(u"Settings", u"RestartServices", false);
    EXPECT_EQ(ReadRaw(file), std::string("[Settings]\r\nRestartServices=0\r\n\r\n"));
}

TEST_F(SettingsWin, Utf8FileWithMarkKeepsItsEncoding) {
    WriteRaw(file, "\xEF\xBB\xBF; note\r\n[settings]\r\nrestartservices = 1\r\nName=caf\xC3\xA9\r\n");
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    EXPECT_EQ(ini.ReadString(u"Settings", u"Name", u""), u"caf\u00E9");
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(ReadRaw(file), "\xEF\xBB\xBF[settings]\r\nRestartServices=1\r\nName=caf\xC3\xA9\r\n\r\n");
}

TEST_F(SettingsWin, FileHeldOpenForWritingByAnotherProgramCannotBeOpenedOrCreated) {
    WriteRaw(file, "[Settings]\r\nRestartServices=1\r\n");
    {
        THeldFile held(file, folder, L"write");
        ASSERT_TRUE(held.ready);
        TRegIniFile ini(DefaultSettingsPlatform());
        ini.SetPath(file);
        try {
            ini.ReadBool(u"Settings", u"RestartServices", false);
            FAIL() << "no failure";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), u"Cannot open file \"" + file + u"\". " + ErrorText(ERROR_SHARING_VIOLATION));
        }
        EXPECT_EQ(ini.IniDocument(), nullptr);
        // A separate document cannot replace the file either while it is held.
        TMemIniFile doc(u"", DefaultSettingsPlatform());
        doc.WriteString(u"S", u"k", u"v");
        doc.Rename(file, false);
        try {
            doc.UpdateFile();
            FAIL() << "no failure";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message(), u"Cannot create file \"" + file + u"\". " + ErrorText(ERROR_SHARING_VIOLATION));
        }
    }
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
}

// The real file system with a random source that gives the numbers a test plants names for, and
// writes that fail on cue (a full disk): each WriteAll in turn, 0 to write, a code to write half
// of it and fail with that code.
class TScripted : public Win32FileSystem {
public:
    std::vector<uint64_t> Randoms;
    std::vector<uint32_t> WriteFailures;

    uint32_t RandomNumber(uint64_t& number) override {
        if (Randoms.empty()) return Win32FileSystem::RandomNumber(number);
        number = Randoms.front();
        Randoms.erase(Randoms.begin());
        return 0;
    }
    uint32_t OpenFolder(const std::u16string& path, std::unique_ptr<IFolder>& opened) override {
        const uint32_t code = Win32FileSystem::OpenFolder(path, opened);
        if (!code) opened = std::make_unique<TFolder>(std::move(opened), WriteFailures);
        return code;
    }

private:
    struct TFile : IFile {
        TFile(std::unique_ptr<IFile> file, std::vector<uint32_t>& failures) : F(std::move(file)), Failures(failures) {}
        uint32_t Facts(TFileFacts& facts) override { return F->Facts(facts); }
        uint32_t ReadAll(std::string& bytes, uint64_t limit) override { return F->ReadAll(bytes, limit); }
        uint32_t WriteAll(std::string_view bytes) override {
            const uint32_t failure = Failures.empty() ? 0 : Failures.front();
            if (!Failures.empty()) Failures.erase(Failures.begin());
            if (!failure) return F->WriteAll(bytes);
            F->WriteAll(bytes.substr(0, bytes.size() / 2));
            return failure;
        }
        uint32_t Rename(const std::u16string& name, bool replace) override { return F->Rename(name, replace); }
        uint32_t Delete() override { return F->Delete(); }
        std::unique_ptr<IFile> F;
        std::vector<uint32_t>& Failures;
    };
    struct TFolder : IFolder {
        TFolder(std::unique_ptr<IFolder> folder, std::vector<uint32_t>& failures) : F(std::move(folder)), Failures(failures) {}
        uint32_t Facts(TFileFacts& facts) override { return F->Facts(facts); }
        uint32_t Open(const std::u16string& name, TOpenMode mode, std::unique_ptr<IFile>& file, bool& created) override {
            const uint32_t code = F->Open(name, mode, file, created);
            if (!code) file = std::make_unique<TFile>(std::move(file), Failures);
            return code;
        }
        uint32_t List(std::vector<std::u16string>& names) override { return F->List(names); }
        std::unique_ptr<IFolder> F;
        std::vector<uint32_t>& Failures;
    };
};

// The settings services over a scripted file system.
TSettingsPlatform Over(TScripted& files) {
    TSettingsPlatform platform = DefaultSettingsPlatform();
    return TSettingsPlatform{files, platform.CodePage, platform.Locale, platform.SystemText, platform.Environment};
}

// The name of the new file that a write makes for the random number n.
std::u16string FreshNameFor(const std::u16string& file, uint64_t n) {
    std::u16string name = file + u".~";
    for (int i = 0; i < 16; ++i, n >>= 4) name += u"0123456789abcdef"[n & 15];
    return name;
}

std::vector<std::u16string> FolderEntries(const std::u16string& folder) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(reinterpret_cast<const wchar_t*>((folder + u"*").c_str()), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::u16string name = U(data.cFileName);
        if (name != u"." && name != u"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

TEST_F(SettingsWin, FailedWriteLeavesTheOldBytesAndNoTemporaryFile) {
    const std::string old = "; kept\r\n[Settings]\r\nRestartServices=0\r\nOther=x\r\n";
    const std::u16string diskFull = ErrorText(ERROR_DISK_FULL) + u" (error 112)";
    // The pending copy cannot be written; the file cannot be written and its bytes are put back;
    // neither: then the pending copy holds the new content, and readers take it for the file.
    const std::vector<uint32_t> rows[] = {{ERROR_DISK_FULL}, {0, ERROR_DISK_FULL, 0}, {0, ERROR_DISK_FULL, ERROR_DISK_FULL}};
    for (const auto& failures : rows) {
        SCOPED_TRACE(failures.size());
        WriteRaw(file, old);
        TScripted fullDisk;
        fullDisk.WriteFailures = failures;
        TMemIniFile ini(file, Over(fullDisk));
        ini.WriteBool(u"Settings", u"RestartServices", true);
        const bool kept = failures.back() != 0 && failures.size() == 3;
        try {
            ini.UpdateFile();
            FAIL() << "no failure";
        } catch (const EFCreateError& e) {
            EXPECT_EQ(e.Message(), u"Cannot write file \"" + file + u"\". " + diskFull +
                                       (kept ? u". Its new content is kept in \"" + file +
                                                   u".~pending\", which takes its place until the next save"
                                             : u""));
        }
        std::vector<std::u16string> entries = FolderEntries(folder);
        std::sort(entries.begin(), entries.end());
        if (!kept) {
            EXPECT_EQ(ReadRaw(file), old);
            EXPECT_EQ(entries, std::vector<std::u16string>{u"ZoradidIvavuda.ini"});
            continue;
        }
        EXPECT_EQ(entries, (std::vector<std::u16string>{u"ZoradidIvavuda.ini", u"ZoradidIvavuda.ini.~pending"}));
        TMemIniFile reader(file, DefaultSettingsPlatform());
        EXPECT_TRUE(reader.ReadBool(u"Settings", u"RestartServices", false));
        // The next write that can succeed puts it in place, with its own change.
        reader.UpdateFile([](TMemIniFile& current) { current.WriteString(u"Settings", u"Other", u"y"); });
        EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=1\r\nOther=y\r\n\r\n");
        EXPECT_EQ(FolderEntries(folder), std::vector<std::u16string>{u"ZoradidIvavuda.ini"});
    }
}

// Full-width look-alikes that the ANSI code page holds only as the ASCII characters of the file's
// syntax, in a UTF-16 file without a byte-order mark: the file is rewritten in UTF-8, and they
// stay what they were.
TEST_F(SettingsWin, FullWidthLookAlikesNeverBecomeTheFilesSyntax) {
    std::u16string text = u"[Settings]\r\nRestartServices=1\r\nX=\uFF32\uFF45\uFF53\uFF34\uFF1D\uFF10\r\n"
                          u"\uFF3B\uFF33\uFF45\uFF54\uFF3D\r\n";
    WriteRaw(file, std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
    ini.WriteBool(u"Settings", u"RestartServices", true);
    if (GetACP() == 65001) GTEST_SKIP() << "the ANSI code page holds every character";
    EXPECT_EQ(ReadRaw(file), "\xEF\xBB\xBF" + ToUtf8(text + u"\r\n"));
}

// The folder may be writable by anyone: a second name of a file is a link too, refused when read,
// and neither name changes.
TEST_F(SettingsWin, ALinkAtTheFileNameIsNeverWrittenThrough) {
    const std::u16string other = folder + u"elsewhere.txt";
    WriteRaw(other, "[Settings]\r\nRestartServices=0\r\n");
    DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
    ASSERT_TRUE(CreateHardLinkW(reinterpret_cast<const wchar_t*>(file.c_str()),
                                reinterpret_cast<const wchar_t*>(other.c_str()), nullptr))
        << GetLastError();
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    for (int click = 0; click < 2; ++click) {
        try {
            ini.WriteBool(u"Settings", u"RestartServices", true);
            FAIL() << "no failure";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.Message(), u"Cannot open file \"" + file +
                                       u"\". It is a link to another file, and settings are never read or written through a link");
        }
    }
    EXPECT_EQ(ReadRaw(other), "[Settings]\r\nRestartServices=0\r\n");
    EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=0\r\n");
    EXPECT_EQ(FolderEntries(folder).size(), 2u);

    // A link at the name the next new file would take is passed over: it and what it points to stay.
    DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
    TScripted scripted;
    scripted.Randoms = {0x5EED, 0x5EED + 1};
    const std::u16string temporary = FreshNameFor(file, 0x5EED);
    if (!DeleteFileW(reinterpret_cast<const wchar_t*>(temporary.c_str())))  // a folder of an earlier run with this id
        UnixRemove(temporary);
    ASSERT_TRUE(CreateHardLinkW(reinterpret_cast<const wchar_t*>(temporary.c_str()),
                                reinterpret_cast<const wchar_t*>(other.c_str()), nullptr))
        << GetLastError();
    TRegIniFile scriptedIni(Over(scripted));
    scriptedIni.SetPath(file);
    scriptedIni.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_TRUE(scripted.Randoms.empty());
    EXPECT_EQ(ReadRaw(other), "[Settings]\r\nRestartServices=0\r\n");
    EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=1\r\n\r\n");
    std::vector<std::u16string> entries = FolderEntries(folder);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::u16string>{u"ZoradidIvavuda.ini", temporary.substr(folder.size()), u"elsewhere.txt"}));
    DeleteFileW(reinterpret_cast<const wchar_t*>(temporary.c_str()));
    DeleteFileW(reinterpret_cast<const wchar_t*>(other.c_str()));
}

// What the service decides from a file, with the real file system.
companion::TRestartSetting ServiceDecision(const std::u16string& path) {
    static Win32FileSystem files;
    static Win32CodePage codePages;
    static Win32Locale locale;
    static Win32SystemText text;
    return companion::DecideRestartSetting({files, codePages, locale, text}, path, u"Settings", u"RestartServices", true);
}

// Things planted in the folder by someone who can write there: the panel refuses what is not a
// settings file, writes past the rest without touching it, and the service decides as the box shows.
TEST_F(SettingsWin, PlantedThingsInTheFolder) {
    const std::u16string victim = folder + u"victim.txt", sub = folder + u"real\\";
    const std::string secret = "[Secret]\r\nPassword=x\r\n[Settings]\r\nRestartServices=1\r\n";
    const std::string utf8 = "\xEF\xBB\xBF[Other]\r\nName=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[Settings]\r\nRestartServices=0\r\n\r\n";
    const std::u16string utf16 = u"[Other]\r\nName=\u65E5\u672C\r\n[Settings]\r\nRestartServices=0\r\n";
    const std::string big = "[Settings]\r\nRestartServices=1\r\n;" + std::string(2 << 20, 'x');
    const std::u16string linkMessage =
        u"It is a link to another file, and settings are never read or written through a link";
    std::string bigLf = "[Settings]\nRestartServices=0\n";
    while (bigLf.size() < 1000005 - 10) bigLf += "p=xxxxxxx\n";
    bigLf += std::string(1000005 - 1 - bigLf.size(), 'x') + "\n";
    // Every LF becomes CR LF, and a blank line ends the section.
    const int64_t bigLfWritten = int64_t(bigLf.size() + std::count(bigLf.begin(), bigLf.end(), '\n') + 2);
    const std::u16string wide = u"; \u8A2D\u5B9A\u3000\u30D5\u30A1\u30A4\u30EB\r\n[Other]\r\nName=\u4E00\u0100\r\n"
                                u"[Settings]\r\nRestartServices=0\r\n";
    const std::string kNoRead = "(not read)";  // a FIFO would wait for a writer
    constexpr uint64_t kSeed = 0x5EED0000;
    struct TRow {
        const char* Name;
        std::function<bool()> Plant;    // false: the platform cannot make it
        std::u16string Path;             // the settings file the panel uses
        std::u16string Refusal;          // the panel's reason; empty: the write succeeds
        std::function<void()> Between;   // another program, between the panel's read and write
        std::string After;               // the file afterwards
        std::function<void()> Check;
        std::u16string Refused = u"";    // the message of a refused write, the panel's box then back at the file's value
    };
    const TRow rows[] = {
        {"Unix link at the name the new file would take",
         [&] { WriteRaw(victim, "keep"); WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n");
               return UnixLink(victim, FreshNameFor(file, kSeed)); },
         file, u"", nullptr, "[Settings]\r\nRestartServices=1\r\n\r\n",
         [&] { EXPECT_EQ(ReadRaw(victim), "keep"); EXPECT_EQ(ReadRaw(FreshNameFor(file, kSeed)), "keep"); }},
        {"Unix link at the settings file",
         [&] { WriteRaw(victim, secret); return UnixLink(victim, file); },
         file, linkMessage, nullptr, secret,
         [&] {
             EXPECT_EQ(ReadRaw(victim), secret);
             EXPECT_EQ(ServiceDecision(file).ErrorText, linkMessage);  // still a link
         }},
        {"Unix link at a folder above",
         [&] { CreateDirectoryW(reinterpret_cast<const wchar_t*>(sub.c_str()), nullptr);
               WriteRaw(sub + u"ZoradidIvavuda.ini", secret); return UnixLink(sub, folder + u"linked"); },
         folder + u"linked\\ZoradidIvavuda.ini", linkMessage, nullptr, secret,
         [&] { EXPECT_EQ(ReadRaw(sub + u"ZoradidIvavuda.ini"), secret); }},
        {"folders at the first 15 names the new file would take",
         [&] { for (uint64_t i = 0; i < 15; ++i)
                   CreateDirectoryW(reinterpret_cast<const wchar_t*>(FreshNameFor(file, kSeed + i).c_str()), nullptr);
               return true; },
         file, u"", nullptr, "[Settings]\r\nRestartServices=1\r\n\r\n",
         [&] { EXPECT_EQ(FolderEntries(folder).size(), 16u); }},
        {"a 1,000,005-byte file with LF line ends, which the write would take over 1 MiB",
         [&] { WriteRaw(file, bigLf); return true; }, file, u"", nullptr, bigLf, nullptr,
         u"Cannot open file \"" + file + u"\". It holds " + IntToStr(bigLfWritten) +
             u" bytes, and a settings file holds at most 1048576 bytes"},
        {"UTF-16 without a mark, its first line holding U+3000",
         [&] { WriteRaw(file, std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)); return true; },
         file, u"", nullptr, "\xEF\xBB\xBF" + ToUtf8(u"[Other]\r\nName=\u4E00\u0100\r\n\r\n[Settings]\r\nRestartServices=1\r\n\r\n"),
         nullptr},
        {"a FIFO at the file's name", [&] { return UnixScript(L"mkfifo $1", {file}); }, file,
         u"It is a pipe, not a file, and settings are read only from a file on a disk", nullptr, kNoRead, nullptr},
        {"2 MiB file", [&] { WriteRaw(file, big); return true; }, file,
         u"It holds 2097184 bytes, and a settings file holds at most 1048576 bytes", nullptr, big,
         [&] { EXPECT_EQ(ServiceDecision(file).Source, companion::ssTooLarge); }},
        {"a section added by another program", [&] { WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n"); return true; },
         file, u"", [&] { WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n[Theirs]\r\nx=1\r\n"); },
         "[Settings]\r\nRestartServices=1\r\n\r\n[Theirs]\r\nx=1\r\n\r\n", nullptr},
        {"UTF-8 with its mark", [&] { WriteRaw(file, utf8); return true; }, file, u"", nullptr,
         "\xEF\xBB\xBF[Other]\r\nName=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[Settings]\r\nRestartServices=1\r\n\r\n", nullptr},
        {"UTF-16 without a mark",
         [&] { WriteRaw(file, std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2)); return true; },
         file, u"", nullptr,
         "\xEF\xBB\xBF[Other]\r\nName=\xE6\x97\xA5\xE6\x9C\xAC\r\n\r\n[Settings]\r\nRestartServices=1\r\n\r\n", nullptr},
        {"a hidden file", [&] { WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n");
                                return SetFileAttributesW(reinterpret_cast<const wchar_t*>(file.c_str()), FILE_ATTRIBUTE_HIDDEN) != 0; },
         file, u"", nullptr, "[Settings]\r\nRestartServices=1\r\n\r\n",
         [&] { EXPECT_TRUE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(file.c_str())) & FILE_ATTRIBUTE_HIDDEN); }},
    };
    // Clears the folder (links first, never through them), also of an earlier run with this id.
    const auto clear = [&] {
        SetFileAttributesW(reinterpret_cast<const wchar_t*>(file.c_str()), FILE_ATTRIBUTE_NORMAL);
        for (const auto& name : FolderEntries(folder)) {
            const std::wstring path = std::wstring(folder.begin(), folder.end()) + std::wstring(name.begin(), name.end());
            if (!RemoveDirectoryW(path.c_str()) && name != u"real" && !DeleteFileW(path.c_str()))
                UnixRemove(folder + name);  // a link whose target is gone
        }
        DeleteFileW(reinterpret_cast<const wchar_t*>((sub + u"ZoradidIvavuda.ini").c_str()));
        RemoveDirectoryW(reinterpret_cast<const wchar_t*>(sub.c_str()));
    };
    clear();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        if (!row.Plant()) {
            ADD_FAILURE() << "could not plant it";
            continue;
        }
        TScripted files;
        for (uint64_t i = 0; i < 16; ++i) files.Randoms.push_back(kSeed + i);
        TRegIniFile ini(Over(files));
        ini.SetPath(row.Path);
        std::u16string refusal, refused;
        const DWORD start = GetTickCount();
        try {
            EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", false));
            if (row.Between) row.Between();
            try {
                ini.WriteBool(u"Settings", u"RestartServices", true);
            } catch (const ESettingsRefused& e) {
                refused = e.Message();
                EXPECT_EQ(ini.ReadBool(u"Settings", u"RestartServices", true), ServiceDecision(row.Path).On);
            }
        } catch (const EFOpenError& e) {
            refusal = e.Message();
        }
        std::printf("%s: %lu ms\n", row.Name, GetTickCount() - start);
        EXPECT_EQ(refusal, row.Refusal.empty() ? u"" : u"Cannot open file \"" + row.Path + u"\". " + row.Refusal);
        EXPECT_EQ(refused, row.Refused);
        if (row.After != kNoRead) {
            EXPECT_EQ(ReadRaw(row.Path), row.After);
        }
        EXPECT_EQ(ServiceDecision(row.Path).On, row.Refusal.empty() && row.Refused.empty());
        if (row.Check) row.Check();
        clear();
    }
}

// Clicks of a panel's check box (the panel's own store): on, off, on, ...; how many failed.
int Clicks(const std::u16string& file, int count) {
    TRegIniFile store(DefaultSettingsPlatform());
    store.SetPath(file);
    int failed = 0;
    for (int i = 0; i < count; ++i) try {
            store.WriteBool(u"Settings", u"RestartServices", i % 2 == 0);
        } catch (const Exception&) {
            ++failed;
        }
    return failed;
}

// Opens the file as another program would and reads it; INVALID_HANDLE_VALUE while it is held.
HANDLE OpenAndRead(const std::u16string& file, DWORD access, DWORD share, std::string& bytes) {
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(file.c_str()), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
    bytes.assign(1 << 16, '\0');
    DWORD n = 0;
    if (h != INVALID_HANDLE_VALUE) ReadFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    bytes.resize(n);
    return h;
}

// A careful editor: count times the file opened shared with nobody, a section "[Added<i>]" added.
void AddSections(const std::u16string& file, int count) {
    for (int i = 0; i < count; Sleep(2)) {
        std::string bytes;
        HANDLE h = OpenAndRead(file, GENERIC_READ | GENERIC_WRITE, 0, bytes);
        if (h == INVALID_HANDLE_VALUE) continue;  // held by a panel: again
        DWORD n = 0;
        bytes += "[Added" + std::to_string(i++) + "]\r\nk=1\r\n";
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        WriteFile(h, bytes.data(), DWORD(bytes.size()), &n, nullptr);
        CloseHandle(h);
    }
}

// A program that rewrites the file every 10 ms by a new file and a rename, counting in
// "[Other] Counter": its completed writes, those it found overwritten, its renames refused.
struct TRenames {
    int Writes = 0, Lost = 0, Refused = 0;
};
TRenames Renames(const std::u16string& file, DWORD ms) {
    const std::u16string next = file + u".renamer";
    TRenames result;
    long last = 0;
    for (const DWORD end = GetTickCount() + ms; GetTickCount() < end; Sleep(10)) {
        std::string bytes;
        HANDLE h = OpenAndRead(file, GENERIC_READ, FILE_SHARE_READ, bytes);
        if (h == INVALID_HANDLE_VALUE) continue;  // held by a panel: again
        CloseHandle(h);
        const size_t at = bytes.find("Counter=");
        const long found = at == std::string::npos ? 0 : std::strtol(bytes.c_str() + at + 8, nullptr, 10);
        result.Lost += found < last;
        bytes = bytes.substr(0, bytes.find("[Other]")) + "[Other]\r\nCounter=" + std::to_string(last + 1) + "\r\n";
        WriteRaw(next, bytes);
        if (MoveFileExW(reinterpret_cast<const wchar_t*>(next.c_str()), reinterpret_cast<const wchar_t*>(file.c_str()),
                        MOVEFILE_REPLACE_EXISTING))
            ++result.Writes, ++last;
        else
            ++result.Refused;  // the file was held: the write failed where its program sees it
    }
    DeleteFileW(reinterpret_cast<const wchar_t*>(next.c_str()));
    return result;
}

// Panels, the service program's /setting and careful editors take turns on the file; a program
// that renames its own new file over it fails while a panel holds the file, so that no completed
// write is overwritten unseen.
TEST_F(SettingsWin, WritersTakeTurnsAndNoCompletedWriteIsOverwritten) {
    WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n");
    int failed[2] = {-1, -1};
    {
        testsupport::TThread first([&] { failed[0] = Clicks(file, 101); }), second([&] { failed[1] = Clicks(file, 101); });
        AddSections(file, 40);
    }
    EXPECT_EQ(failed[0] + failed[1], 0) << "clicks that failed";
    const std::string after = ReadRaw(file);
    for (int i = 0; i < 40; ++i) EXPECT_NE(after.find("[Added" + std::to_string(i) + "]\r\n"), std::string::npos) << i;
    EXPECT_EQ(after.find("[Settings]\r\nRestartServices=1\r\n"), 0u) << after;  // both last clicks: on

    TRenames renames;
    {
        testsupport::TThread first([&] { failed[0] = Clicks(file, 100); }), second([&] { failed[1] = Clicks(file, 100); });
        renames = Renames(file, 3000);
    }
    std::printf("a program renaming over the file every 10 ms, two panels clicking 100 times each: %d writes, "
                "%d found overwritten, %d renames refused, %d clicks failed\n",
                renames.Writes, renames.Lost, renames.Refused, failed[0] + failed[1]);
    EXPECT_GT(renames.Writes, 0);
    EXPECT_EQ(renames.Lost, 0);
    EXPECT_EQ(failed[0] + failed[1], 0);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::u16string>{u"ZoradidIvavuda.ini"});  // nothing left behind
}

TEST_F(SettingsWin, FileHeldOpenForReadingCanBeReadButNotWritten) {
    WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n");
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    {
        THeldFile held(file, folder, L"read");
        ASSERT_TRUE(held.ready);
        EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", true));
        EXPECT_THROW(ini.WriteBool(u"Settings", u"RestartServices", true), EFCreateError);
        EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=0\r\n");
    }
    ini.WriteString(u"Settings", u"Other", u"x");  // the file as it is, with that one change
    EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=0\r\nOther=x\r\n\r\n");
}

TEST_F(SettingsWin, MissingFolderIsNoErrorWhenReadingAndCannotCreateWhenWriting) {
    const std::u16string missing = folder + u"no such folder\\ZoradidIvavuda.ini";
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(missing);
    EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", false));
    try {
        ini.WriteBool(u"Settings", u"RestartServices", true);
        FAIL() << "no failure";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), u"Cannot create file \"" + missing + u"\". " + ErrorText(ERROR_PATH_NOT_FOUND));
        EXPECT_FALSE(ErrorText(ERROR_PATH_NOT_FOUND).empty());
    }
    EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
}

// True when a folder's handle leads elsewhere than its path.
bool LinkedFolder(const std::u16string& path) {
    HANDLE folder = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    wchar_t final[MAX_PATH * 2] = {};
    const DWORD n = GetFinalPathNameByHandleW(folder, final, MAX_PATH * 2, 0);
    CloseHandle(folder);
    return !SameFinalPath(path, U(std::wstring(final, n)));
}

TEST_F(SettingsWin, SpecialFoldersResolveAndAreCreated) {
    const std::pair<TSpecialFolder, int> folders[] = {{sfUserAppDataRoaming, CSIDL_APPDATA},
                                                      {sfUserAppDataLocal, CSIDL_LOCAL_APPDATA},
                                                      {sfUserDocuments, CSIDL_PERSONAL},
                                                      {sfProgramData, CSIDL_COMMON_APPDATA}};
    const std::u16string sub = u"zo-settings-" + U(std::to_wstring(GetCurrentProcessId()));
    for (auto [special, csidl] : folders) {
        wchar_t expected[MAX_PATH];
        ASSERT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, 0, expected), S_OK);
        TRegIniFile ini(DefaultSettingsPlatform());
        ini.SetSpecialFolder(special);
        ini.SetPath(sub + u"\\conf.txt");
        const std::u16string base = U(expected) + u"\\" + sub;
        // A folder that is a link (under Wine, Documents leads to the Unix home) is neither read nor
        // written through, as a settings file never is.
        if (LinkedFolder(U(expected))) {
            EXPECT_THROW(ini.WriteInteger(u"S", u"k", csidl), EFOpenError);
            EXPECT_TRUE(RemoveDirectoryW(reinterpret_cast<const wchar_t*>(base.c_str())));
            continue;
        }
        ini.WriteInteger(u"S", u"k", csidl);
        EXPECT_EQ(ini.Path(), base + u"\\conf.ini");
        EXPECT_EQ(ReadRaw(ini.Path()), "[S]\r\nk=" + std::to_string(csidl) + "\r\n\r\n");
        DeleteFileW(reinterpret_cast<const wchar_t*>(ini.Path().c_str()));
        EXPECT_TRUE(RemoveDirectoryW(reinterpret_cast<const wchar_t*>(base.c_str())));
    }
}

TEST_F(SettingsWin, TypedValuesRoundTripWithTheUsersLocale) {
    TRegIniFile ini(DefaultSettingsPlatform());
    ini.SetPath(file);
    TDateTime day, time;
    ASSERT_TRUE(TryEncodeDate(2031, 11, 5, day));
    ASSERT_TRUE(TryEncodeTime(17, 45, 30, 0, time));
    ini.WriteFloat(u"V", u"f", -1234.0625);
    ini.WriteDate(u"V", u"d", day);
    ini.WriteTime(u"V", u"t", time);
    ini.WriteDateTime(u"V", u"dt", day + time);
    TRegIniFile again(DefaultSettingsPlatform());
    again.SetPath(file);
    EXPECT_EQ(again.ReadFloat(u"V", u"f", 0), -1234.0625);
    EXPECT_EQ(again.ReadDate(u"V", u"d", 0), day);
    EXPECT_NEAR(again.ReadTime(u"V", u"t", 0), time, 1e-8);
    EXPECT_NEAR(again.ReadDateTime(u"V", u"dt", 0), day + time, 1e-8);
    EXPECT_EQ(again.ReadDate(u"V", u"f", -7), -7);
}

TEST_F(SettingsWin, RegistryModeUsesSubKeysAndValueNames) {
    const std::u16string key = u"Software\\zo-settings-test-" + U(std::to_wstring(GetCurrentProcessId()));
    {
        TRegIniFile ini(DefaultSettingsPlatform());
        ini.SetPathType(ptRegistry);
        ini.SetPath(u"\\" + key);
        ini.WriteBool(u"Settings", u"RestartServices", true);
        ini.WriteString(u"Other", u"Name", u"value");
        EXPECT_TRUE(ini.ReadBool(u"Settings", u"RestartServices", false));
        TStrings sections;
        ini.ReadSections(sections);
        EXPECT_EQ(sections, (TStrings{u"Other", u"Settings"}));
        HKEY h;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>((key + u"\\Settings").c_str()),
                                0, KEY_READ, &h),
                  ERROR_SUCCESS);
        wchar_t data[16];
        DWORD size = sizeof data, type = 0;
        EXPECT_EQ(RegQueryValueExW(h, L"RestartServices", nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, DWORD(REG_SZ));
        EXPECT_STREQ(data, L"1");
        RegCloseKey(h);
        ini.EraseSection(u"Other");
        EXPECT_FALSE(ini.SectionExists(u"Other"));
        ini.DeleteKey(u"Settings", u"RestartServices");
        EXPECT_FALSE(ini.ValueExists(u"Settings", u"RestartServices"));
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, reinterpret_cast<const wchar_t*>(key.c_str()));
}

}  // namespace
