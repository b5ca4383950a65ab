#include "companion/Service.h"

#include <windows.h>

#include <exception>

#include "companion/Names.h"
#include "companion/Setting.h"

namespace zo::companion {

namespace {

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

// Starts one watched service when it is registered and stopped. True when a start was requested
// successfully.
bool StartIfStopped(SC_HANDLE manager, const wchar_t* name) {
    SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS | SERVICE_START);
    if (!service) return false;  // not installed (or not ours to start): nothing to do
    bool started = false;
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof(status), &needed) &&
        status.dwCurrentState == SERVICE_STOPPED) {
        started = StartServiceW(service, 0, nullptr) != FALSE;
        if (!started) {
            wchar_t line[160];
            wsprintfW(line, L"ZoradidIvavuda: starting %s failed with error %lu\n", name, GetLastError());
            OutputDebugStringW(line);
        }
    }
    CloseServiceHandle(service);
    return started;
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

    // The worker loop: a check at once, then one every interval until the stop control.
    do {
        CheckWatchedServices();
    } while (WaitForSingleObject(FStopEvent, kCheckIntervalMs) == WAIT_TIMEOUT);

    ReportStatus(SERVICE_STOPPED);
    // The handle and event stay valid until the process ends: the dispatcher may still deliver a
    // late control to the handler.
}

}  // namespace

bool RestartServicesOn() {
    // Only a read that fails for a passing reason keeps the last answer.
    static bool last = false;
    last = ReadRestartSetting(last).On;
    return last;
}

int CheckWatchedServices() {
    if (!RestartServicesOn()) return 0;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!manager) return 0;
    int started = 0;
    for (const wchar_t* name : kWatchedServices)
        if (StartIfStopped(manager, name)) ++started;
    CloseServiceHandle(manager);
    return started;
}

TDispatchResult RunAsService(unsigned long& lastError) {
    InitializeCriticalSection(&FStatusLock);
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(kServiceName), ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherW(table)) return drServed;
    lastError = GetLastError();
    return lastError == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT ? drNotAService : drFailed;
}

}  // namespace zo::companion
