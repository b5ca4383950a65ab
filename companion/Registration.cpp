#include "companion/Registration.h"

#include <windows.h>

#include <string>

#include "companion/Names.h"
#include "companion/SettingsFolder.h"
#include "platform/SystemText.h"
#include "platform/Text.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SystemText.h"

namespace zo::companion {

namespace {

// How long Uninstall waits for a running service to stop.
constexpr DWORD kStopWaitMs = 15000;

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

// Closes a service-manager handle when it goes out of scope.
class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h) : FHandle(h) {}
    ~ScHandle() {
        if (FHandle) CloseServiceHandle(FHandle);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

private:
    SC_HANDLE FHandle;
};

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

// Creates a folder and every missing folder above it. The path is absolute ("C:\...").
bool CreateFolders(const std::u16string& folder, DWORD& error) {
    for (size_t pos = folder.find(u'\\', 3);; pos = folder.find(u'\\', pos + 1)) {
        std::u16string part = folder.substr(0, pos);
        if (!CreateDirectoryW(W(part), nullptr)) {
            DWORD e = GetLastError();
            if (e != ERROR_ALREADY_EXISTS) {
                error = e;
                return false;
            }
        }
        if (pos == std::u16string::npos) break;
    }
    DWORD attributes = GetFileAttributesW(W(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        return false;
    }
    return true;
}

void SetDescription(SC_HANDLE service) {
    SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(kDescription)};
    ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description);  // cosmetic only
}

}  // namespace

TRegistrationResult Install() {
    const std::u16string name = U(kServiceName);
    DWORD error = 0;
    if (!CreateFolders(U(kSettingsFolder), error))
        return Failed(u"Could not create the settings folder " + Quoted(U(kSettingsFolder)), error);
    const TFolderSecurityResult folders = SecureSettingsFolders();
    if (!folders.Ok) return Failed(folders.Message, folders.Error);

    std::u16string path;
    if (!OwnPath(path, error)) return Failed(u"Could not install service " + Quoted(name), error);
    const std::u16string binaryPath = Quoted(path);

    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return Failed(u"Could not install service " + Quoted(name), GetLastError());

    ScHandle service(CreateServiceW(manager.get(), kServiceName, kDisplayName, SERVICE_ALL_ACCESS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                    W(binaryPath), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service) {
        SetDescription(service.get());
        return {true, u"Service " + Quoted(name) + u" installed. " + folders.Message};
    }
    error = GetLastError();
    if (error != ERROR_SERVICE_EXISTS) return Failed(u"Could not install service " + Quoted(name), error);

    // Already registered: make its registration the one this program would create.
    ScHandle existing(OpenServiceW(manager.get(), kServiceName, SERVICE_CHANGE_CONFIG));
    if (!existing) return Failed(u"Could not update service " + Quoted(name), GetLastError());
    if (!ChangeServiceConfigW(existing.get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                              SERVICE_ERROR_NORMAL, W(binaryPath), nullptr, nullptr, nullptr, nullptr,
                              nullptr, kDisplayName))
        return Failed(u"Could not update service " + Quoted(name), GetLastError());
    SetDescription(existing.get());
    return {true, u"Service " + Quoted(name) + u" was already installed; its settings were updated. " + folders.Message};
}

TRegistrationResult Uninstall() {
    const std::u16string name = U(kServiceName);
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Failed(u"Could not remove service " + Quoted(name), GetLastError());
    ScHandle service(OpenServiceW(manager.get(), kServiceName, DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (!service) return Failed(u"Could not remove service " + Quoted(name), GetLastError());

    // Stop it first, so that its program has ended when the registration is gone.
    bool stopped = true;
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED) {
        ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
        stopped = false;
        for (DWORD waited = 0; waited < kStopWaitMs; waited += 250) {
            if (!QueryServiceStatus(service.get(), &status) || status.dwCurrentState == SERVICE_STOPPED) {
                stopped = true;
                break;
            }
            Sleep(250);
        }
    }
    if (!DeleteService(service.get())) {
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_MARKED_FOR_DELETE)
            return {true, u"Service " + Quoted(name) + u" is already marked for removal."};
        return Failed(u"Could not remove service " + Quoted(name), error);
    }
    if (!stopped)
        return {true, u"Service " + Quoted(name) + u" did not stop in time; it is removed once it has stopped."};
    return {true, u"Service " + Quoted(name) + u" removed."};
}

}  // namespace zo::companion
