#include "companion/Service.h"

#include <windows.h>

#include <vector>

#include "companion/EventLog.h"
#include "companion/Names.h"
#include "companion/ServiceHandle.h"
#include "companion/Setting.h"
#include "companion/Watchdog.h"
#include "platform/SystemText.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32SystemText.h"

namespace zo::companion {

namespace {

// After a change in the settings folder, the service waits this long for the writer to finish
// (the panel writes a new file and then renames it) before it reads; this also bounds how often
// a flood of changes makes it read.
constexpr DWORD kSettleMs = 150;

// The service's state, shared by the main routine (service thread) and the control handler
// (dispatcher thread). The status handle and event are set before the handler can run.
SERVICE_STATUS_HANDLE FStatusHandle = nullptr;
HANDLE FStopEvent = nullptr;
SERVICE_STATUS FStatus{};
CRITICAL_SECTION FStatusLock;

void ReportStatus(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0) {
    EnterCriticalSection(&FStatusLock);
    FStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    FStatus.dwCurrentState = state;
    FStatus.dwWin32ExitCode = exitCode;
    FStatus.dwServiceSpecificExitCode = 0;
    FStatus.dwWaitHint = waitHintMs;
    FStatus.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    if (state == SERVICE_RUNNING || state == SERVICE_STOPPED)
        FStatus.dwCheckPoint = 0;
    else
        ++FStatus.dwCheckPoint;
    SetServiceStatus(FStatusHandle, &FStatus);
    LeaveCriticalSection(&FStatusLock);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        ReportStatus(SERVICE_STOP_PENDING, NO_ERROR, 3000);
        SetEvent(FStopEvent);  // ends the worker's wait at once
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// What a watched service is doing. A service that cannot be opened or queried (not installed,
// or not ours to start) is left alone.
TServiceFact Inspect(SC_HANDLE service) {
    if (!service) return sfNotInstalled;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                              &needed))
        return sfNotInstalled;
    return status.dwCurrentState == SERVICE_STOPPED ? sfStopped : sfRunning;
}

TStartResult Start(SC_HANDLE service) {
    if (StartServiceW(service, 0, nullptr)) return {};
    const DWORD code = GetLastError();
    Win32SystemText system;
    return {code, SysErrorMessage(system, code)};
}

// The worker loop's memory between checks: the setting's last answer and state, and each watched
// service's retry series.
class TWatcher {
public:
    TWatcher() : FSetting(win::U(kSettingsFile)) {
        for (const wchar_t* name : kWatchedServices) FServices.emplace_back(win::U(name));
    }

    void Report(const std::optional<TEvent>& event) {
        if (event) FLog.Report(*event);
    }

    // One check: the setting afresh, then every watched service.
    void Check(uint64_t nowMs) {
        const TRestartSetting setting = ReadRestartSetting(FOn);
        FOn = setting.On;
        Report(FSetting.Check(setting));
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return;
        for (size_t i = 0; i < FServices.size(); ++i) {
            ScHandle service(OpenServiceW(manager.get(), kWatchedServices[i], SERVICE_QUERY_STATUS | SERVICE_START));
            Report(FServices[i].Check(Inspect(service.get()), FOn, nowMs, [&] { return Start(service.get()); }));
        }
    }

private:
    TEventLog FLog;
    TSettingWatch FSetting;
    std::vector<TWatchedService> FServices;
    bool FOn = false;
};

// A change notification on the settings folder (names and writes of the files in it). Made again
// at a later check when the folder is missing or the notification fails.
class TFolderWatch {
public:
    ~TFolderWatch() { Close(); }
    // The handle to wait on, or null while there is none.
    HANDLE Handle() {
        if (!FHandle) {
            HANDLE h = FindFirstChangeNotificationW(
                kSettingsFolder, FALSE,
                FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
            FHandle = h == INVALID_HANDLE_VALUE ? nullptr : h;
        }
        return FHandle;
    }
    void Rearm() {
        if (FHandle && !FindNextChangeNotification(FHandle)) Close();
    }

private:
    void Close() {
        if (FHandle) FindCloseChangeNotification(FHandle);
        FHandle = nullptr;
    }
    HANDLE FHandle = nullptr;
};

// Waits until the stop control (false), a change in the settings folder, or the time of the next
// check (true).
bool WaitForWork(TFolderWatch& folder, uint64_t nextCheckMs) {
    for (;;) {
        const uint64_t now = GetTickCount64();
        if (now >= nextCheckMs) return true;
        HANDLE handles[2] = {FStopEvent, folder.Handle()};
        const DWORD count = handles[1] ? 2 : 1;
        const DWORD waited = WaitForMultipleObjects(count, handles, FALSE, DWORD(nextCheckMs - now));
        if (waited == WAIT_OBJECT_0) return false;
        if (waited == WAIT_OBJECT_0 + 1) {
            folder.Rearm();
            return WaitForSingleObject(FStopEvent, kSettleMs) == WAIT_TIMEOUT;
        }
        if (waited == WAIT_FAILED) Sleep(kSettleMs);  // never spin
    }
}

// A check at once, then one every interval and one after each change in the settings folder,
// until the stop control.
void RunWorker() {
    RemoveSettingsLeftovers();
    TWatcher watcher;
    TFolderWatch folder;
    watcher.Report(TEvent{ekServiceStarted, {}});
    for (;;) {
        const uint64_t now = GetTickCount64();
        watcher.Check(now);
        if (!WaitForWork(folder, now + kCheckIntervalMs)) break;
    }
    watcher.Report(TEvent{ekServiceStopped, {}});
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    FStatusHandle = RegisterServiceCtrlHandlerExW(kServiceName, ControlHandler, nullptr);
    if (!FStatusHandle) return;
    FStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!FStopEvent) {
        ReportStatus(SERVICE_STOPPED, GetLastError());
        return;
    }
    ReportStatus(SERVICE_START_PENDING, NO_ERROR, 2000);
    ReportStatus(SERVICE_RUNNING);
    RunWorker();
    ReportStatus(SERVICE_STOPPED);
    // The handle and event stay valid until the process ends: the dispatcher may still deliver a
    // late control to the handler.
}

}  // namespace

TDispatchResult RunAsService(unsigned long& lastError) {
    InitializeCriticalSection(&FStatusLock);
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherW(table)) return drServed;
    lastError = GetLastError();
    return lastError == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT ? drNotAService : drFailed;
}

}  // namespace zo::companion
