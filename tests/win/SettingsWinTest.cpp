// The settings store on the real file system, code pages, locale, shell folders and registry.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <fstream>
#include <iterator>
#include <vector>

#include "WinTestMain.h"
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

// A full disk, stood in for: the new file is created and half written, then the write fails.
class TFullDisk : public Win32FileSystem {
public:
    uint32_t CreateNewAndWriteAllBytes(const std::u16string& fileName, const std::string& bytes,
                                       bool& created) override {
        uint32_t code = Win32FileSystem::CreateNewAndWriteAllBytes(fileName, bytes.substr(0, bytes.size() / 2), created);
        return code ? code : ERROR_DISK_FULL;
    }
};

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
    WriteRaw(file, old);
    TFullDisk fullDisk;
    TSettingsPlatform platform = DefaultSettingsPlatform();
    TSettingsPlatform failing{fullDisk, platform.CodePage, platform.Locale, platform.SystemText, platform.Environment};
    TMemIniFile ini(file, failing);
    ini.WriteBool(u"Settings", u"RestartServices", true);
    try {
        ini.UpdateFile();
        FAIL() << "no failure";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), u"Cannot write file \"" + file + u"\". " + ErrorText(ERROR_DISK_FULL) + u" (error 112)");
    }
    EXPECT_EQ(ReadRaw(file), old);
    EXPECT_EQ(FolderEntries(folder), std::vector<std::u16string>{u"ZoradidIvavuda.ini"});
    // The document keeps the change, and the next write that can succeed stores it.
    TMemIniFile again(file, platform);
    again.WriteBool(u"Settings", u"RestartServices", true);
    again.UpdateFile();
    EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=1\r\nOther=x\r\n\r\n");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::u16string>{u"ZoradidIvavuda.ini"});
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

    // A link at a name like that of a new file is passed over: it and what it points to stay.
    DeleteFileW(reinterpret_cast<const wchar_t*>(file.c_str()));
    const std::u16string temporary = file + u".~0";
    if (!DeleteFileW(reinterpret_cast<const wchar_t*>(temporary.c_str())))  // a folder of an earlier run with this id
        UnixRemove(temporary);
    ASSERT_TRUE(CreateHardLinkW(reinterpret_cast<const wchar_t*>(temporary.c_str()),
                                reinterpret_cast<const wchar_t*>(other.c_str()), nullptr))
        << GetLastError();
    ini.WriteBool(u"Settings", u"RestartServices", true);
    EXPECT_EQ(ReadRaw(other), "[Settings]\r\nRestartServices=0\r\n");
    EXPECT_EQ(ReadRaw(file), "[Settings]\r\nRestartServices=1\r\n\r\n");
    std::vector<std::u16string> entries = FolderEntries(folder);
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::u16string>{u"ZoradidIvavuda.ini", u"ZoradidIvavuda.ini.~0", u"elsewhere.txt"}));
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
    struct TRow {
        const char* Name;
        std::function<bool()> Plant;    // false: the platform cannot make it
        std::u16string Path;             // the settings file the panel uses
        std::u16string Refusal;          // the panel's reason; empty: the write succeeds
        std::function<void()> Between;   // another program, between the panel's read and write
        std::string After;               // the file afterwards
        std::function<void()> Check;
    };
    const TRow rows[] = {
        {"Unix link at a temporary-looking name",
         [&] { WriteRaw(victim, "keep"); WriteRaw(file, "[Settings]\r\nRestartServices=0\r\n");
               return UnixLink(victim, file + u".~0"); },
         file, u"", nullptr, "[Settings]\r\nRestartServices=1\r\n\r\n",
         [&] { EXPECT_EQ(ReadRaw(victim), "keep"); EXPECT_EQ(ReadRaw(file + u".~0"), "keep"); }},
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
        {"folders at 100 temporary-looking names",
         [&] { for (int i = 0; i < 100; ++i)
                   CreateDirectoryW((std::wstring(file.begin(), file.end()) + L".~" + std::to_wstring(i)).c_str(), nullptr);
               return true; },
         file, u"", nullptr, "[Settings]\r\nRestartServices=1\r\n\r\n", nullptr},
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
        TRegIniFile ini(DefaultSettingsPlatform());
        ini.SetPath(row.Path);
        std::u16string refusal;
        try {
            EXPECT_FALSE(ini.ReadBool(u"Settings", u"RestartServices", false));
            if (row.Between) row.Between();
            ini.WriteBool(u"Settings", u"RestartServices", true);
        } catch (const EFOpenError& e) {
            refusal = e.Message();
        }
        EXPECT_EQ(refusal, row.Refusal.empty() ? u"" : u"Cannot open file \"" + row.Path + u"\". " + row.Refusal);
        EXPECT_EQ(ReadRaw(row.Path), row.After);
        EXPECT_EQ(ServiceDecision(row.Path).On, row.Refusal.empty());
        if (row.Check) row.Check();
        clear();
    }
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
        ini.WriteInteger(u"S", u"k", csidl);
        const std::u16string base = U(expected) + u"\\" + sub;
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
