// ZoradidIvavuda.exe against the real service control manager: registration, running as a
// service, restarting the watched services, removal. The watched services are played by the
// StandInService helper, registered under their names.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <chrono>
#include <functional>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "WinTestMain.h"
#include "companion/EventLog.h"
#include "companion/Names.h"
#include "companion/ServiceHandle.h"
#include "platform/win32/Win32Settings.h"
#include "settings/IniFiles.h"

namespace {

using namespace std::chrono_literals;
namespace names = zo::companion;

std::wstring CompanionExe() { return testsupport::WinePath(DIST_DIR) + L"\\ZoradidIvavuda.exe"; }
std::wstring StandInExe() { return testsupport::WinePath(HELPERS_DIR) + L"\\StandInService.exe"; }

const wchar_t* const kQuillora = names::kWatchedServices[0];
const wchar_t* const kRelaywright = names::kWatchedServices[1];

// Runs the companion with a command line, returns its exit code; its output goes to output.
DWORD RunCompanion(const std::wstring& args, std::string& output) {
    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return DWORD(-1);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    std::wstring cmd = L"\"" + CompanionExe() + L"\"" + (args.empty() ? L"" : L" " + args);
    PROCESS_INFORMATION pi{};
    BOOL ok = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                             &si, &pi);
    CloseHandle(writeEnd);
    if (!ok) {
        CloseHandle(readEnd);
        output = "could not start the companion";
        return DWORD(-1);
    }
    char buf[512];
    DWORD n = 0;
    output.clear();
    while (ReadFile(readEnd, buf, sizeof(buf), &n, nullptr) && n > 0) output.append(buf, n);
    CloseHandle(readEnd);
    DWORD code = DWORD(-1);
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return code;
}

using Sc = zo::companion::ScHandle;

SC_HANDLE Manager() { return OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS); }

// The state of a service, or 0 when it cannot be queried (not registered).
DWORD StateOf(const wchar_t* name, DWORD* pid = nullptr) {
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_QUERY_STATUS));
    if (!s) return 0;
    SERVICE_STATUS_PROCESS st{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(s.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&st), sizeof(st), &needed))
        return 0;
    if (pid) *pid = st.dwProcessId;
    return st.dwCurrentState;
}

bool WaitForState(const wchar_t* name, DWORD state, std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    do {
        if (StateOf(name) == state) return true;
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < end);
    return StateOf(name) == state;
}

bool StartService(const wchar_t* name) {
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_START));
    return s && StartServiceW(s.get(), 0, nullptr);
}

bool StopService(const wchar_t* name) {
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_STOP));
    SERVICE_STATUS st{};
    return s && ControlService(s.get(), SERVICE_CONTROL_STOP, &st) && WaitForState(name, SERVICE_STOPPED, 15s);
}

// Stops (if running) and deletes a registration; no trace when it is not registered.
void RemoveService(const wchar_t* name) {
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_ALL_ACCESS));
    if (!s) return;
    SERVICE_STATUS st{};
    if (QueryServiceStatus(s.get(), &st) && st.dwCurrentState != SERVICE_STOPPED) {
        ControlService(s.get(), SERVICE_CONTROL_STOP, &st);
        WaitForState(name, SERVICE_STOPPED, 15s);
    }
    DeleteService(s.get());
}

// The binary path of a registered service, empty when not registered.
std::wstring BinaryPathOf(const wchar_t* name) {
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_QUERY_CONFIG));
    if (!s) return L"";
    alignas(QUERY_SERVICE_CONFIGW) BYTE buf[8192];
    DWORD needed = 0;
    auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf);
    if (!QueryServiceConfigW(s.get(), cfg, sizeof(buf), &needed)) return L"";
    return cfg->lpBinaryPathName ? cfg->lpBinaryPathName : L"";
}

// A part of a service's registration read with QueryServiceConfig2W: its value, or the error.
template <class T>
struct TKept {
    std::optional<T> Value;
    DWORD Error = 0;
};

// What the registration says about starting and recovering the service.
struct TStartConfig {
    DWORD StartType = 0;
    TKept<BOOL> Delayed;
    TKept<std::pair<DWORD, std::vector<std::pair<int, DWORD>>>> Recovery;  // reset seconds; type, delay in ms
    TKept<BOOL> NonCrashFailures;
};

template <class T, class Read>
TKept<T> Kept(SC_HANDLE service, DWORD level, Read read) {
    alignas(8) BYTE buf[8192];
    DWORD needed = 0;
    TKept<T> kept;
    if (QueryServiceConfig2W(service, level, buf, sizeof(buf), &needed))
        kept.Value = read(buf);
    else
        kept.Error = GetLastError();
    return kept;
}

TStartConfig StartConfigOf(const wchar_t* name) {
    TStartConfig config;
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), name, SERVICE_QUERY_CONFIG));
    if (!s) return config;
    alignas(QUERY_SERVICE_CONFIGW) BYTE buf[8192];
    DWORD needed = 0;
    if (QueryServiceConfigW(s.get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf), sizeof(buf), &needed))
        config.StartType = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf)->dwStartType;
    config.Delayed = Kept<BOOL>(s.get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, [](BYTE* b) {
        return reinterpret_cast<SERVICE_DELAYED_AUTO_START_INFO*>(b)->fDelayedAutostart;
    });
    config.Recovery = Kept<std::pair<DWORD, std::vector<std::pair<int, DWORD>>>>(
        s.get(), SERVICE_CONFIG_FAILURE_ACTIONS, [](BYTE* b) {
            auto* failure = reinterpret_cast<SERVICE_FAILURE_ACTIONSW*>(b);
            std::vector<std::pair<int, DWORD>> actions;
            for (DWORD i = 0; i < failure->cActions; ++i)
                actions.emplace_back(failure->lpsaActions[i].Type, failure->lpsaActions[i].Delay);
            return std::make_pair(failure->dwResetPeriod, actions);
        });
    config.NonCrashFailures = Kept<BOOL>(s.get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, [](BYTE* b) {
        return reinterpret_cast<SERVICE_FAILURE_ACTIONS_FLAG*>(b)->fFailureActionsOnNonCrashFailures;
    });
    return config;
}

// A part of the registration is as expected where the system keeps it. Where the system does not
// offer it (Wine 8: ERROR_INVALID_LEVEL), the install's output says so; Wine takes restart actions
// but cannot show them, so they are only reported.
template <class T>
void ExpectPart(const TKept<T>& kept, const T& expected, const std::string& installOutput, const char* part) {
    if (kept.Value) {
        EXPECT_EQ(*kept.Value, expected) << part;
    } else if (kept.Error == ERROR_INVALID_LEVEL && *part) {
        EXPECT_NE(installOutput.find(std::string("does not offer: ")), std::string::npos) << installOutput;
        EXPECT_NE(installOutput.find(part), std::string::npos) << installOutput;
    } else {
        std::printf("the system does not show the restart actions (error %lu)\n", kept.Error);
    }
}

// The message file named by the service's event source, empty when there is no source.
std::wstring EventMessageFileOf() {
    wchar_t value[1024] = L"";
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, names::kEventSourceKey, L"EventMessageFile", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return L"";
    return value;
}

// A stand-in under the name; args make it misbehave (see StandInService.cpp).
bool RegisterStandIn(const wchar_t* name, const std::wstring& args = L"") {
    Sc m(Manager());
    std::wstring path = L"\"" + StandInExe() + L"\" " + args;
    Sc s(CreateServiceW(m.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                        SERVICE_ERROR_NORMAL, path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return bool(s);
}

std::wstring ImageNameOf(DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    std::wstring found;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe))
        if (pe.th32ProcessID == pid) found = pe.szExeFile;
    CloseHandle(snap);
    return found;
}

bool FolderExists(const wchar_t* path) {
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadFileBytes(const wchar_t* path, bool& exists) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    exists = f != INVALID_HANDLE_VALUE;
    std::string out;
    if (!exists) return out;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof(buf), &n, nullptr) && n > 0) out.append(buf, n);
    CloseHandle(f);
    return out;
}

bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
    HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(f, bytes.data(), DWORD(bytes.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == bytes.size();
}

// The settings file as the control panel writes it.
bool WriteRestartServices(bool on) {
    CreateDirectoryW(L"C:\\ProgramData\\Marnwick Software", nullptr);
    CreateDirectoryW(names::kSettingsFolder, nullptr);
    return WriteFileBytes(names::kSettingsFile,
                          std::string("[Settings]\r\nRestartServices=") + (on ? "1" : "0") + "\r\n");
}

class CompanionTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetFileAttributesW(CompanionExe().c_str()), INVALID_FILE_ATTRIBUTES) << "companion not built";
        savedSettings_ = ReadFileBytes(names::kSettingsFile, hadSettings_);
        RemoveAll();
    }
    void TearDown() override {
        RemoveAll();
        if (hadSettings_) {
            WriteFileBytes(names::kSettingsFile, savedSettings_);
        } else {
            DeleteFileW(names::kSettingsFile);
        }
    }
    // The companion's registration, and the stand-ins (only ours: their binary is the helper).
    static void RemoveAll() {
        RemoveService(names::kServiceName);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, names::kEventSourceKey);
        for (const wchar_t* name : names::kWatchedServices)
            if (BinaryPathOf(name).find(L"StandInService") != std::wstring::npos) RemoveService(name);
    }
    void InstallAndStart(DWORD& pid) {
        std::string out;
        ASSERT_EQ(RunCompanion(L"/install", out), 0u) << out;
        ASSERT_TRUE(StartService(names::kServiceName)) << GetLastError();
        ASSERT_TRUE(WaitForState(names::kServiceName, SERVICE_RUNNING, 15s));
        StateOf(names::kServiceName, &pid);
    }

    bool hadSettings_ = false;
    std::string savedSettings_;
};

TEST_F(CompanionTest, WithoutASwitchOrWithAnUnknownOneItShowsUsageAndFails) {
    for (const wchar_t* args : {L"", L"/bogus", L"/install extra"}) {
        std::string out;
        EXPECT_NE(RunCompanion(args, out), 0u) << "args: " << std::string(args, args + wcslen(args));
        EXPECT_NE(out.find("/install"), std::string::npos) << out;
        EXPECT_NE(out.find("/uninstall"), std::string::npos) << out;
    }
    EXPECT_EQ(StateOf(names::kServiceName), 0u) << "a usage error must not register anything";
}

TEST_F(CompanionTest, InstallRegistersAnAutomaticRecoveringOwnProcessServiceAndCreatesTheSettingsFolder) {
    // Start without the settings folder (and without its parent when nothing else is in it).
    DeleteFileW(names::kSettingsFile);
    RemoveDirectoryW(names::kSettingsFolder);
    RemoveDirectoryW(L"C:\\ProgramData\\Marnwick Software");
    ASSERT_FALSE(FolderExists(names::kSettingsFolder));

    std::string out;
    ASSERT_EQ(RunCompanion(L"/install", out), 0u) << out;
    EXPECT_NE(out.find("installed"), std::string::npos) << out;
    EXPECT_TRUE(FolderExists(names::kSettingsFolder));

    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), names::kServiceName, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_CHANGE_CONFIG));
    ASSERT_TRUE(s) << GetLastError();
    alignas(QUERY_SERVICE_CONFIGW) BYTE buf[8192];
    DWORD needed = 0;
    auto* cfg = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf);
    ASSERT_TRUE(QueryServiceConfigW(s.get(), cfg, sizeof(buf), &needed));
    EXPECT_EQ(cfg->dwServiceType, DWORD(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_STREQ(cfg->lpDisplayName, names::kDisplayName);
    std::wstring expected = L"\"" + CompanionExe() + L"\"";
    EXPECT_EQ(lstrcmpiW(cfg->lpBinaryPathName, expected.c_str()), 0)
        << std::string(cfg->lpBinaryPathName, cfg->lpBinaryPathName + wcslen(cfg->lpBinaryPathName));
    EXPECT_EQ(StateOf(names::kServiceName), DWORD(SERVICE_STOPPED));

    // Started with Windows after a delay, restarted after 5 s, 30 s and 60 s when it fails (by a
    // crash or not), the count reset after a day; events named by this program. A second install
    // succeeds, leaves one registration and keeps all of it, also over a registration changed since.
    const std::pair<DWORD, std::vector<std::pair<int, DWORD>>> recovery = {
        86400, {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 30000}, {SC_ACTION_RESTART, 60000}}};
    for (int install = 1; install <= 2; ++install) {
        SCOPED_TRACE("install " + std::to_string(install));
        const TStartConfig config = StartConfigOf(names::kServiceName);
        EXPECT_EQ(config.StartType, DWORD(SERVICE_AUTO_START));
        ExpectPart(config.Delayed, BOOL(TRUE), out, "delayed start");
        ExpectPart(config.Recovery, recovery, out, "");
        ExpectPart(config.NonCrashFailures, BOOL(TRUE), out, "restart on a failure without a crash");
        EXPECT_EQ(lstrcmpiW(EventMessageFileOf().c_str(), CompanionExe().c_str()), 0);
        if (install == 2) break;
        ASSERT_TRUE(ChangeServiceConfigW(s.get(), SERVICE_NO_CHANGE, SERVICE_DEMAND_START, SERVICE_NO_CHANGE, nullptr,
                                         nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(RunCompanion(L"/install", out), 0u) << out;
        EXPECT_EQ(StateOf(names::kServiceName), DWORD(SERVICE_STOPPED));
    }
}

// Anyone may create folders in C:\ProgramData, so a user can plant a link at the vendor folder
// before an administrator installs. /install refuses it, and neither the folder it leads to nor
// the registration changes.
TEST_F(CompanionTest, InstallRefusesALinkPlantedAtTheVendorFolderAndChangesNothing) {
    const std::wstring vendor = L"C:\\ProgramData\\Marnwick Software", saved = vendor + L".zo-saved";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring target = temp + std::wstring(L"zo-planted-") + std::to_wstring(GetCurrentProcessId());
    const auto u16 = [](const std::wstring& s) { return std::u16string(s.begin(), s.end()); };
    // The folder's Unix mode and what it holds, as the system's own tools show them.
    const auto unixView = [&] {
        wintest::UnixScript(L"stat -c %a $1 > $2; ls -A $1 >> $2", {u16(target), u16(target + L".view")});
        bool exists = false;
        return ReadFileBytes((target + L".view").c_str(), exists);
    };
    const bool moved = MoveFileW(vendor.c_str(), saved.c_str());
    struct TRestore {
        std::function<void()> Undo;
        ~TRestore() { Undo(); }
    } restore{[&] {
        wintest::UnixRemove(u16(vendor));  // the link, not what it leads to
        if (moved) MoveFileW(saved.c_str(), vendor.c_str());
        wintest::UnixRemove(u16(target));
        DeleteFileW((target + L".view").c_str());
    }};
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr)) << GetLastError();
    ASSERT_TRUE(WriteFileBytes((target + L"\\mine.txt").c_str(), "mine"));
    const std::string before = unixView();
    ASSERT_TRUE(wintest::UnixLink(u16(target), u16(vendor))) << "needs Wine";

    std::string out;
    EXPECT_EQ(RunCompanion(L"/install", out), 1u) << out;
    EXPECT_NE(out.find("Could not install service \"Quillora5ZoradidIvavuda\": \"C:\\ProgramData\\Marnwick Software\" is "
                       "a link to another folder; remove it, then run /install again."),
              std::string::npos)
        << out;
    EXPECT_EQ(unixView(), before) << "mode and content of the folder the link leads to";
    bool exists = false;
    EXPECT_EQ(ReadFileBytes((target + L"\\mine.txt").c_str(), exists), "mine");
    EXPECT_EQ(StateOf(names::kServiceName), 0u) << "nothing registered";
    EXPECT_EQ(EventMessageFileOf(), L"");
}

TEST_F(CompanionTest, RunsAsAServiceProcessThatEndsWhenStopped) {
    ASSERT_TRUE(WriteRestartServices(false));
    // Leftovers of crashed writes of the settings file: an old one goes when the service starts;
    // one that a write going on may still use, and a file of another name, stay.
    const std::wstring settings = names::kSettingsFile, old = settings + L".~00000000000000ab",
                       young = settings + L".~00000000000000cd", other = settings + L".~notours";
    for (const std::wstring& name : {old, young, other}) ASSERT_TRUE(WriteFileBytes(name.c_str(), "[Settings]\r\n"));
    HANDLE aged = CreateFileW(old.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER time{{now.dwLowDateTime, now.dwHighDateTime}};
    time.QuadPart -= 2 * 60 * 10000000ull;  // two minutes ago
    const FILETIME longAgo{time.LowPart, time.HighPart};
    EXPECT_TRUE(SetFileTime(aged, nullptr, nullptr, &longAgo));
    CloseHandle(aged);
    DWORD pid = 0;
    InstallAndStart(pid);
    ASSERT_NE(pid, 0u);
    EXPECT_EQ(lstrcmpiW(ImageNameOf(pid).c_str(), L"ZoradidIvavuda.exe"), 0);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(process);

    // Well into a 5-second wait between two checks, the stop control must still end it promptly.
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(GetFileAttributesW(old.c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::wstring& name : {young, other}) EXPECT_TRUE(DeleteFileW(name.c_str()));
    auto before = std::chrono::steady_clock::now();
    ASSERT_TRUE(StopService(names::kServiceName));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - before);
    std::printf("stop to SERVICE_STOPPED: %lld ms\n", static_cast<long long>(ms.count()));
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "the process did not end";
    CloseHandle(process);
}

TEST_F(CompanionTest, StartsStoppedWatchedServicesOnlyWhileRestartingIsOn) {
    ASSERT_TRUE(RegisterStandIn(kQuillora)) << GetLastError();
    ASSERT_TRUE(WriteRestartServices(false));
    DWORD pid = 0;
    InstallAndStart(pid);

    // Off: more than one check goes by and the stopped service stays stopped.
    std::this_thread::sleep_for(std::chrono::milliseconds(names::kCheckIntervalMs + 1500));
    EXPECT_EQ(StateOf(kQuillora), DWORD(SERVICE_STOPPED));

    // On: the file is read at every check, so the running companion picks the change up.
    ASSERT_TRUE(WriteRestartServices(true));
    EXPECT_TRUE(WaitForState(kQuillora, SERVICE_RUNNING, 15s));

    // A second watched service that is installed later is started too; the first one, stopped
    // again, is restarted.
    ASSERT_TRUE(RegisterStandIn(kRelaywright)) << GetLastError();
    ASSERT_TRUE(StopService(kQuillora));
    EXPECT_TRUE(WaitForState(kRelaywright, SERVICE_RUNNING, 15s));
    EXPECT_TRUE(WaitForState(kQuillora, SERVICE_RUNNING, 15s));

    // Off again: stopped services stay stopped.
    ASSERT_TRUE(WriteRestartServices(false));
    ASSERT_TRUE(StopService(kQuillora));
    ASSERT_TRUE(StopService(kRelaywright));
    std::this_thread::sleep_for(std::chrono::milliseconds(names::kCheckIntervalMs + 1500));
    EXPECT_EQ(StateOf(kQuillora), DWORD(SERVICE_STOPPED));
    EXPECT_EQ(StateOf(kRelaywright), DWORD(SERVICE_STOPPED));
    EXPECT_EQ(StateOf(names::kServiceName), DWORD(SERVICE_RUNNING));
}

TEST_F(CompanionTest, UninstallStopsARunningServiceAndRemovesItsRegistration) {
    ASSERT_TRUE(WriteRestartServices(false));
    DWORD pid = 0;
    InstallAndStart(pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_TRUE(process);

    std::string out;
    EXPECT_EQ(RunCompanion(L"/uninstall", out), 0u) << out;
    EXPECT_NE(out.find("removed"), std::string::npos) << out;
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << "the process did not end";
    CloseHandle(process);
    Sc m(Manager());
    Sc s(OpenServiceW(m.get(), names::kServiceName, SERVICE_QUERY_STATUS));
    DWORD error = GetLastError();
    EXPECT_FALSE(s);
    EXPECT_EQ(error, DWORD(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(EventMessageFileOf(), L"") << "the event source must go with the service";

}

// The event source goes on every path that leaves no service behind, and stays while the service
// may still run and write events.
TEST_F(CompanionTest, UninstallRemovesTheEventSourceExactlyWhenNoServiceIsLeft) {
    Sc held;
    const std::tuple<const char*, bool, std::function<void()>> rows[] = {  // says, the source stays, setup
        {"is not installed", false, [] { RemoveService(names::kServiceName); }},  // by hand
        {"already marked for removal", false, [&] {
             held.reset(OpenServiceW(Sc(Manager()), names::kServiceName, DELETE));
             DeleteService(held);
         }},
        {"did not stop in time", true, [] {  // played by a stand-in that stops later than /uninstall waits
             Sc s(OpenServiceW(Sc(Manager()), names::kServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
             const std::wstring slow = L"\"" + StandInExe() + L"\" /stops-after 17000";
             ChangeServiceConfigW(s, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, slow.c_str(), nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr);
             StartServiceW(s, 0, nullptr);
             WaitForState(names::kServiceName, SERVICE_RUNNING, 15s);
         }},
    };
    for (const auto& [says, sourceStays, prepare] : rows) {
        std::string out;
        ASSERT_EQ(RunCompanion(L"/install", out), 0u) << out;
        prepare();
        EXPECT_EQ(RunCompanion(L"/uninstall", out), 0u) << out;
        EXPECT_NE(out.find(says), std::string::npos) << out;
        EXPECT_EQ(EventMessageFileOf().empty(), !sourceStays) << out;
        held.reset();
        EXPECT_TRUE(WaitForState(names::kServiceName, 0, 25s)) << says << ": the service stays";
    }
}

// A watched service that dies at once after each start is started again after longer and longer
// waits, not at every 5-second check.
TEST_F(CompanionTest, AWatchedServiceThatDiesAtOnceIsNotStartedAtEveryCheck) {
    ASSERT_TRUE(RegisterStandIn(kQuillora, L"/runs 300")) << GetLastError();
    ASSERT_TRUE(WriteRestartServices(true));
    DWORD pid = 0, last = 0;
    InstallAndStart(pid);
    std::vector<std::chrono::steady_clock::time_point> starts;  // each new process of the stand-in
    for (auto end = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < end;) {
        if (StateOf(kQuillora, &pid) != SERVICE_STOPPED && pid && pid != last)
            starts.push_back(std::chrono::steady_clock::now());
        last = pid ? pid : last;
        std::this_thread::sleep_for(40ms);
    }
    std::printf("a service that dies at once: %zu starts in 30 s\n", starts.size());  // due at 0, 10, 25 s
    ASSERT_GE(starts.size(), 2u) << "it is started again";
    for (size_t i = 1; i < starts.size(); ++i) EXPECT_GT(starts[i] - starts[i - 1], 7500ms) << "at the next check";
}

// The service reads the setting by the panel's rules: its decision equals the panel's ReadBool
// for every stored form, byte-order marks included.
TEST_F(CompanionTest, ReadsTheSettingAsThePanelDoes) {
    const std::u16string utf16 = u"\uFEFF[Settings]\r\nRestartServices=1\r\n";
    const std::string rows[] = {
        "1", " 1 ", "0", "1abc", "\"1\"", "yes", "2", "-1", "0x10", "$0", "1 ; on", "",
    };
    std::vector<std::string> files;
    for (const auto& value : rows) files.push_back("[Settings]\r\nRestartServices=" + value + "\r\n");
    files.push_back("\xEF\xBB\xBF[Settings]\r\nRestartServices=1\r\n");
    files.push_back(std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2));
    files.push_back(std::string("[Settings]\r\nX=") + '\0' + "\r\nRestartServices=1\r\n");  // a NUL ends the text
    ASSERT_TRUE(WriteRestartServices(false));
    for (const auto& bytes : files) {
        ASSERT_TRUE(WriteFileBytes(names::kSettingsFile, bytes));
        zo::TMemIniFile panel(reinterpret_cast<const char16_t*>(names::kSettingsFile), zo::DefaultSettingsPlatform());
        const bool expected = panel.ReadBool(u"Settings", u"RestartServices", false);
        std::string out;
        EXPECT_EQ(RunCompanion(L"/setting", out), 0u) << out;
        EXPECT_EQ(out, expected ? "RestartServices=1\r\n" : "RestartServices=0\r\n") << "file: " << bytes;
    }
    // A file over 1 MiB is not a settings file: off, and the line says why.
    ASSERT_TRUE(WriteFileBytes(names::kSettingsFile, "[Settings]\r\nRestartServices=1\r\n;" + std::string(1 << 20, 'x')));
    std::string out;
    EXPECT_EQ(RunCompanion(L"/setting", out), 0u) << out;
    EXPECT_EQ(out, "RestartServices=0 (file over 1 MiB, so off)\r\n");
    DeleteFileW(names::kSettingsFile);
    EXPECT_EQ(RunCompanion(L"/setting", out), 0u) << out;
    EXPECT_EQ(out, "RestartServices=0 (no file, so off)\r\n");
    // Held by another program: no answer from the file, the reason, and a failure.
    ASSERT_TRUE(WriteFileBytes(names::kSettingsFile, "[Settings]\r\nRestartServices=1\r\n"));
    HANDLE held = CreateFileW(names::kSettingsFile, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunCompanion(L"/setting", out), 1u) << out;
    EXPECT_NE(out.find("(error 32)"), std::string::npos) << out;
    EXPECT_EQ(out.find("RestartServices="), std::string::npos) << out;
    EXPECT_EQ(RunCompanion(L"/setting on", out), 1u) << out;  // nor can it be switched
    EXPECT_EQ(out.find("Cannot open file \"C:\\ProgramData\\"), 0u) << out;  // as the panel would say
    CloseHandle(held);
    // Switched from the command line as the box switches it: the one value changes, the rest stays.
    ASSERT_TRUE(WriteFileBytes(names::kSettingsFile, "[Other]\r\nx=1\r\n[Settings]\r\nRestartServices=1\r\n"));
    for (const bool on : {false, true}) {
        EXPECT_EQ(RunCompanion(on ? L"/setting on" : L"/setting OFF", out), 0u) << out;
        EXPECT_EQ(out, on ? "RestartServices=1\r\n" : "RestartServices=0\r\n");
        bool found = false;
        EXPECT_EQ(ReadFileBytes(names::kSettingsFile, found),
                  std::string("[Other]\r\nx=1\r\n\r\n[Settings]\r\nRestartServices=") + (on ? "1" : "0") + "\r\n\r\n");
    }
}

// Wine keeps no Event Log, so the events' texts are checked where the Event Viewer finds them: in
// the program's own message table, formatted with their inserts.
TEST(CompanionMessagesTest, EveryEventFormatsFromTheProgramsMessageTableWithExactlyItsInserts) {
    HMODULE program = LoadLibraryExW(CompanionExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program) << GetLastError();
    for (int kind = 0; kind < names::ekEventKindCount; ++kind) {
        const DWORD id = names::kEventMessages[kind];
        // The kind's inserts, then one more that no message may use.
        std::vector<std::wstring> inserts;
        for (int i = 1; i <= names::kEventInserts[kind]; ++i) inserts.push_back(L"<insert " + std::to_wstring(i) + L">");
        inserts.push_back(L"<one too many>");
        std::vector<DWORD_PTR> arguments;
        for (const auto& insert : inserts) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
        wchar_t* text = nullptr;
        const DWORD length = FormatMessageW(
            FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY | FORMAT_MESSAGE_ALLOCATE_BUFFER, program, id,
            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text), 0,
            reinterpret_cast<va_list*>(arguments.data()));
        ASSERT_NE(length, 0u) << "event " << (id & 0xFFFF) << ": error " << GetLastError();
        const std::wstring message(text, length);
        LocalFree(text);
        const std::string shown(message.begin(), message.end());
        for (int i = 0; i < names::kEventInserts[kind]; ++i)
            EXPECT_NE(message.find(inserts[i]), std::wstring::npos) << "event " << (id & 0xFFFF) << ": " << shown;
        EXPECT_EQ(message.find(inserts.back()), std::wstring::npos) << "event " << (id & 0xFFFF) << ": " << shown;
        EXPECT_EQ(message.find(L'%'), std::wstring::npos) << shown;
        EXPECT_GT(message.size(), 30u) << shown;
    }
    FreeLibrary(program);
}

// A change of the setting takes effect at once, not at the next 5-second check.
TEST_F(CompanionTest, WritingTheSettingOnStartsAStoppedWatchedServiceWithinASecondAndAHalf) {
    ASSERT_TRUE(RegisterStandIn(kQuillora)) << GetLastError();
    ASSERT_TRUE(WriteRestartServices(false));
    DWORD pid = 0;
    InstallAndStart(pid);
    // Past the first check, well before the second.
    std::this_thread::sleep_for(1000ms);
    ASSERT_EQ(StateOf(kQuillora), DWORD(SERVICE_STOPPED));

    // And once more with the folder removed (moved away, as into the recycle bin, then deleted) and
    // made again by the write, 2 s later.
    for (const char* folder : {"as it was", "made again"}) {
        if (*folder == 'm') {
            ASSERT_TRUE(WriteRestartServices(false));
            std::this_thread::sleep_for(500ms);
            ASSERT_TRUE(StopService(kQuillora));
            const std::wstring away = std::wstring(names::kSettingsFolder) + L".removed";
            ASSERT_TRUE(MoveFileW(names::kSettingsFolder, away.c_str())) << GetLastError();
            DeleteFileW((away + L"\\ZoradidIvavuda.ini").c_str());
            RemoveDirectoryW(away.c_str());
            std::this_thread::sleep_for(2000ms);
        }
        const auto written = std::chrono::steady_clock::now();
        ASSERT_TRUE(WriteRestartServices(true));
        const bool running = WaitForState(kQuillora, SERVICE_RUNNING, 1500ms);
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - written).count();
        std::printf("setting written to the watched service running, folder %s: %lld ms\n", folder,
                    static_cast<long long>(ms));
        EXPECT_TRUE(running) << folder;
    }
}

}  // namespace
