#include "companion/Service.h"

#include <windows.h>

#include <atomic>
#include <vector>

#include "companion/EventLog.h"
#include "companion/Names.h"
#include "companion/ServiceHandle.h"
#include "companion/ServiceLoop.h"
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

// The service's state. The status handle and the stop event are set before the control handler
// (dispatcher thread) can run; the status is reported by the service thread alone.
SERVICE_STATUS_HANDLE FStatusHandle = nullptr;
HANDLE FStopEvent = nullptr;
// The stop did not wait for the worker, which is still in a system call (see AwaitWorker); read by
// the dispatcher's thread once the service has stopped.
std::atomic<bool> FWorkerLeftInACall = false;
// The "stopped" event is written once, by the worker or, when the stop left the worker in a call,
// by the service thread; a worker that returns from that call afterwards writes it no more.
std::atomic<bool> FStoppedWritten = false;

void WriteStopped(TEventLog& log) {
    if (!FStoppedWritten.exchange(true)) log.Report(TEvent{ekServiceStopped, {}});
}

void ReportStatus(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHintMs = 0, DWORD checkPoint = 0) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = waitHintMs;
    status.dwCheckPoint = checkPoint;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    SetServiceStatus(FStatusHandle, &status);
}

bool Stopping() { return WaitForSingleObject(FStopEvent, 0) == WAIT_OBJECT_0; }

DWORD WINAPI ControlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        // The service thread, waiting for just this, reports the stop's progress from now on.
        SetEvent(FStopEvent);
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
    // Started by someone else since the check looked: as good as taken.
    const DWORD code = StartServiceW(service, 0, nullptr) ? 0 : GetLastError();
    if (code == 0 || code == ERROR_SERVICE_ALREADY_RUNNING) return {0, u"", GetTickCount64()};
    Win32SystemText system;
    return {code, SysErrorMessage(system, code), GetTickCount64()};
}

// The worker loop's memory between checks: the setting's last answer and state, and each watched
// service's retry series.
class TWatcher {
public:
    TWatcher() : FSetting(win::U(kSettingsFile)) {
        for (const wchar_t* name : kWatchedServices) FServices.emplace_back(win::U(name));
    }

    void ReportStopped() { WriteStopped(FLog); }

    void Report(const std::optional<TEvent>& event) {
        if (event) FLog.Report(*event);
    }

    // One check: the setting afresh, then every watched service; none is started once the service
    // is stopping.
    void Check(uint64_t nowMs) {
        const TRestartSetting setting = ReadRestartSetting(FOn);
        FOn = setting.On;
        Report(FSetting.Check(setting));
        ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager) return;
        for (size_t i = 0; i < FServices.size() && !Stopping(); ++i) {
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

// The change notifications on the settings folder and on the folder above it.
class TWin32FolderWatches final : public IFolderWatches {
public:
    ~TWin32FolderWatches() override {
        Close(wkSettings);
        Close(wkAbove);
    }
    HANDLE Handle(TWatchKind kind) const { return FHandles[kind]; }

    bool IsFolder(const std::u16string& path) override {
        const DWORD attributes = GetFileAttributesW(win::W(path));
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool Watch(TWatchKind kind, const std::u16string& folder) override {
        const DWORD changes = kind == wkSettings ? FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                                       FILE_NOTIFY_CHANGE_SIZE
                                                 : FILE_NOTIFY_CHANGE_DIR_NAME;
        const HANDLE h = FindFirstChangeNotificationW(win::W(folder), FALSE, changes);
        FHandles[kind] = h == INVALID_HANDLE_VALUE ? nullptr : h;
        return FHandles[kind] != nullptr;
    }
    void Close(TWatchKind kind) override {
        if (FHandles[kind]) FindCloseChangeNotification(FHandles[kind]);
        FHandles[kind] = nullptr;
    }

private:
    HANDLE FHandles[2] = {};
};

// Waits until the stop control (false), a change in or above the settings folder, or the time of
// the next check (true).
bool WaitForWork(const TWin32FolderWatches& notifications, uint64_t nextCheckMs) {
    for (;;) {
        const uint64_t now = GetTickCount64();
        if (now >= nextCheckMs) return true;
        HANDLE handles[3] = {FStopEvent};
        DWORD count = 1;
        for (TWatchKind kind : {wkSettings, wkAbove})
            if (notifications.Handle(kind)) handles[count++] = notifications.Handle(kind);
        const DWORD waited = WaitForMultipleObjects(count, handles, FALSE, DWORD(nextCheckMs - now));
        if (waited == WAIT_OBJECT_0) return false;
        if (waited > WAIT_OBJECT_0 && waited < WAIT_OBJECT_0 + count)
            return WaitForSingleObject(FStopEvent, kSettleMs) == WAIT_TIMEOUT;
        if (waited == WAIT_FAILED) Sleep(kSettleMs);  // never spin
    }
}

// A check at once, then one every interval and one after each change in or above the settings
// folder, until the stop control.
void RunWorker() {
    RemoveSettingsLeftovers();
    TWatcher watcher;
    TWin32FolderWatches notifications;
    watcher.Report(TEvent{ekServiceStarted, {}});
    for (;;) {
        const uint64_t now = GetTickCount64();
        RenewFolderWatches(notifications, win::U(kSettingsFolder));
        watcher.Check(now);
        if (!WaitForWork(notifications, now + kCheckIntervalMs)) break;
    }
    watcher.ReportStopped();
}

DWORD WINAPI Worker(void*) {
    RunWorker();
    return 0;
}

// The stop as the system carries it out: the worker's thread, the clock, the status reports.
class TWin32StopSteps final : public IStopSteps {
public:
    explicit TWin32StopSteps(HANDLE worker) : FWorker(worker) {}
    uint64_t NowMs() override { return GetTickCount64(); }
    void ReportStopPending(uint32_t checkPoint, uint32_t waitHintMs) override {
        ReportStatus(SERVICE_STOP_PENDING, NO_ERROR, waitHintMs, checkPoint);
    }
    bool WaitForWorker(uint32_t ms) override { return WaitForSingleObject(FWorker, ms) != WAIT_TIMEOUT; }

private:
    HANDLE FWorker;
};

// Runs the worker loop on its own thread and, once the stop control comes, reports the stop's
// progress until the worker has returned or the stop's time is up.
void WINAPI ServiceMain(DWORD, wchar_t**) {
    FStatusHandle = RegisterServiceCtrlHandlerExW(kServiceName, ControlHandler, nullptr);
    if (!FStatusHandle) return;
    ReportStatus(SERVICE_START_PENDING, NO_ERROR, 2000, 1);
    FStopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE worker = FStopEvent ? CreateThread(nullptr, 0, Worker, nullptr, 0, nullptr) : nullptr;
    if (!worker) {
        ReportStatus(SERVICE_STOPPED, GetLastError());
        return;
    }
    ReportStatus(SERVICE_RUNNING);
    const HANDLE ends[2] = {FStopEvent, worker};
    WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    TWin32StopSteps steps(worker);
    const bool returned = AwaitWorker(steps);
    CloseHandle(worker);  // a thread still in a call runs on without its handle
    if (!returned) {
        FWorkerLeftInACall = true;
        TEventLog log;
        WriteStopped(log);
    }
    ReportStatus(SERVICE_STOPPED);
    // The stop event stays valid until the process ends: the dispatcher may still deliver a late
    // control to the handler.
}

}  // namespace

TDispatchResult RunAsService(unsigned long& lastError) {
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherW(table)) {
        // A worker still in a system call must not run on into the runtime's teardown.
        if (FWorkerLeftInACall) ExitProcess(NO_ERROR);
        return drServed;
    }
    lastError = GetLastError();
    return lastError == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT ? drNotAService : drFailed;
}

}  // namespace zo::companion
