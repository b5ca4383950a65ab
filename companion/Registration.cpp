#include "companion/Registration.h"

#include <windows.h>

#include <array>
#include <string>

#include "companion/Names.h"
#include "companion/SettingsFolder.h"
#include "companion/ServiceHandle.h"
#include "platform/SystemText.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SystemText.h"

namespace zo::companion {

namespace {

// How long Uninstall waits for a running service to stop.
constexpr DWORD kStopWaitMs = 15000;

// The service control manager's restarts of a failed service, and the time without a failure
// after which the count starts again.
constexpr std::array<DWORD, 3> kRestartDelaysMs = {5000, 30000, 60000};
constexpr DWORD kFailureResetSeconds = 24 * 60 * 60;

using win::U;
using win::W;

// "<system text> (error <code>)", or "error <code>" when the system has no text for it.
std::u16string ErrorText(DWORD code) {
    Win32SystemText system;
    std::u16string text = SysErrorMessage(system, code);
    std::u16string number = u"error " + IntToStr(code);
    return text.empty() ? number : text + u" (" + number + u")";
}

TRegistrationResult Failed(const std::u16string& what, DWORD code) {
    return {false, what + u": " + ErrorText(code) + u"."};
}

std::u16string Quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

// The full path of this program, however long.
bool OwnPath(std::u16string& path, DWORD& error) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (n == 0) {
            error = GetLastError();
            return false;
        }
        if (n < buffer.size()) {
            path = U(buffer.data(), n);
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

void SetDescription(SC_HANDLE service) {
    SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(kDescription)};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);  // cosmetic only
}

// One optional part of the registration. A system that does not offer it (ERROR_INVALID_LEVEL)
// is no failure: the install says which part it could not set. Returns 0, or the system's error.
DWORD SetPart(SC_HANDLE service, DWORD level, void* info, const char16_t* part, std::u16string& notOffered) {
    if (ChangeServiceConfig2W(service, level, info)) return 0;
    const DWORD error = GetLastError();
    if (error != ERROR_INVALID_LEVEL) return error;
    notOffered += (notOffered.empty() ? u"" : u", ") + std::u16string(part);
    return 0;
}

// The service starts with Windows, after the services that the system needs first; if it fails,
// the service control manager starts it again after 5 s, 30 s and 60 s (the count starts again
// after a day without failure), also when it stops with an error rather than by a crash.
DWORD ConfigureStartAndRecovery(SC_HANDLE service, std::u16string& notOffered) {
    SERVICE_DELAYED_AUTO_START_INFO delayed{TRUE};
    SC_ACTION actions[kRestartDelaysMs.size()];
    for (size_t i = 0; i < kRestartDelaysMs.size(); ++i) actions[i] = {SC_ACTION_RESTART, kRestartDelaysMs[i]};
    SERVICE_FAILURE_ACTIONSW failure{kFailureResetSeconds, nullptr, nullptr, DWORD(kRestartDelaysMs.size()), actions};
    SERVICE_FAILURE_ACTIONS_FLAG nonCrash{TRUE};
    DWORD error = SetPart(service, SERVICE_CONFIG_DELAYED_AUTO_START_INFO, &delayed, u"delayed start", notOffered);
    if (!error) error = SetPart(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure, u"restart on failure", notOffered);
    if (!error)
        error = SetPart(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &nonCrash, u"restart on a failure without a crash",
                        notOffered);
    return error;
}

// The service's events in the Application log name this program as their message file.
DWORD AddEventSource(const std::u16string& programPath) {
    HKEY key = nullptr;
    DWORD error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                  nullptr);
    if (error != ERROR_SUCCESS) return error;
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    error = RegSetValueExW(key, L"EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(W(programPath)),
                           DWORD((programPath.size() + 1) * sizeof(wchar_t)));
    if (error == ERROR_SUCCESS)
        error = RegSetValueExW(key, L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types),
                               sizeof(types));
    RegCloseKey(key);
    return error;
}

// Removes the event source; one that is not there is no failure.
DWORD RemoveEventSource() {
    const LSTATUS error = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEventSourceKey);
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : DWORD(error);
}

// What Install adds to a registration it created or updated: start type, recovery, event source.
TRegistrationResult Complete(SC_HANDLE service, const std::u16string& programPath, const std::u16string& done) {
    const std::u16string name = Quoted(U(kServiceName));
    SetDescription(service);
    std::u16string notOffered;
    if (DWORD error = ConfigureStartAndRecovery(service, notOffered))
        return Failed(u"Could not set the start type and recovery of service " + name, error);
    if (DWORD error = AddEventSource(programPath))
        return Failed(u"Could not register the event source of service " + name, error);
    if (notOffered.empty()) return {true, done};
    return {true, done + u" This system does not offer: " + notOffered + u"."};
}

// The settings folders secured; what failed, after `what`, when they cannot be.
TRegistrationResult SecuredFolders(const std::u16string& what) {
    const TFolderChainResult folders = SecureSettingsFolders();
    if (folders.Ok) return {true, folders.Message};
    return folders.Error ? Failed(what + u": " + folders.Message, folders.Error)
                         : TRegistrationResult{false, what + u": " + folders.Message};
}

// Asks the service to stop when it runs, and waits up to kStopWaitMs; true once it is stopped.
bool StopAndWait(SC_HANDLE service) {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    for (DWORD waited = 0; waited < kStopWaitMs; waited += 250) {
        // A service that is still starting refuses the control: it is asked again.
        if (status.dwCurrentState != SERVICE_STOP_PENDING) ControlService(service, SERVICE_CONTROL_STOP, &status);
        Sleep(250);
        if (!QueryServiceStatus(service, &status)) return false;
        if (status.dwCurrentState == SERVICE_STOPPED) return true;
    }
    return false;
}

// The last step of every removal that leaves no service behind.
TRegistrationResult WithoutEventSource(const std::u16string& name, const std::u16string& done) {
    if (const DWORD error = RemoveEventSource())
        return Failed(done + u" Could not remove the event source of service " + name, error);
    return {true, done};
}

}  // namespace

TRegistrationResult Install() {
    const std::u16string name = U(kServiceName);
    DWORD error = 0;
    std::u16string path;
    if (!OwnPath(path, error)) return Failed(u"Could not install service " + Quoted(name), error);
    const std::u16string binaryPath = Quoted(path);

    // The right to register first: a user without it makes no folders either (anybody may create
    // folders in C:\ProgramData, and the owner could then not be set).
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return Failed(u"Could not install service " + Quoted(name), GetLastError());
    // Then the folders: when something planted there is refused, nothing is registered either.
    const TRegistrationResult folders = SecuredFolders(u"Could not install service " + Quoted(name));
    if (!folders.Ok) return folders;

    ScHandle service(CreateServiceW(manager.get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                    W(binaryPath), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) return Complete(service.get(), path, u"Service " + Quoted(name) + u" installed. " + folders.Message);
    error = GetLastError();
    if (error != ERROR_SERVICE_EXISTS) return Failed(u"Could not install service " + Quoted(name), error);

    // Already registered: make its registration the one this program would create.
    // (Restart actions need the right to start it.)
    ScHandle existing(OpenServiceW(manager.get(), kServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START));
    if (!existing) return Failed(u"Could not update service " + Quoted(name), GetLastError());
    if (!ChangeServiceConfigW(existing.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START,
                              SERVICE_ERROR_NORMAL, W(binaryPath), nullptr, nullptr, nullptr, nullptr,
                              nullptr, kDisplayName))
        return Failed(u"Could not update service " + Quoted(name), GetLastError());
    return Complete(existing.get(), path,
                    u"Service " + Quoted(name) + u" was already installed; its settings were updated. " + folders.Message);
}

TRegistrationResult MakeSettingsFolders() {
    const DWORD attributes = GetFileAttributesW(kSettingsFolder);
    const DWORD error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : 0;
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return {true, u""};
    return SecuredFolders(u"Could not make the settings folder");
}

TRegistrationResult Uninstall() {
    const std::u16string name = Quoted(U(kServiceName));
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed(u"Could not remove service " + name, GetLastError());
    ScHandle service(OpenServiceW(manager.get(), kServiceName, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_DOES_NOT_EXIST) return Failed(u"Could not remove service " + name, error);
        // Removed by other means (an uninstall must not fail for that): what it left goes too.
        return WithoutEventSource(name, u"Service " + name + u" is not installed; what is left of it is removed.");
    }
    // Stop it first, so that its program has ended when the registration is gone.
    const bool stopped = StopAndWait(service.get());
    bool marked = false;
    if (!DeleteService(service.get())) {
        const DWORD error = GetLastError();
        if (error != ERROR_SERVICE_MARKED_FOR_DELETE) return Failed(u"Could not remove service " + name, error);
        marked = true;
    }
    const std::u16string done = u"Service " + name + (marked ? u" was already marked for removal" : u" removed");
    // A service still running may still write events: its source stays as long as it does.
    if (!stopped)
        return {true, done + u", but it did not stop in time: it goes once it has stopped. Its event source stays "
                             u"until then; /uninstall again removes it."};
    return WithoutEventSource(name, done + u".");
}

}  // namespace zo::companion
