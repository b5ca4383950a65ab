// A minimal own-process service that runs until it is stopped. The tests register it under the
// names of the services that ZoradidIvavuda watches, and under its own. On its command line (the
// registration's binary path), "/runs <ms>" makes it stop by itself, with an error, that long after
// it reports running, and "/stops-after <ms>" makes it take that long to stop after a stop control.
#include <windows.h>

#include <cwchar>

namespace {

SERVICE_STATUS_HANDLE FHandle = nullptr;
HANDLE FStop = nullptr;
DWORD FRunsMs = INFINITE, FStopsAfterMs = 0;

void Report(DWORD state, DWORD exitCode = NO_ERROR) {
    SERVICE_STATUS status{};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? FStopsAfterMs + 1000 : 0;
    SetServiceStatus(FHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(FStop);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI Main(DWORD argc, wchar_t** argv) {
    FHandle = RegisterServiceCtrlHandlerExW(argc > 0 ? argv[0] : L"", Handler, nullptr);
    if (!FHandle) return;
    FStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING);
    const bool stopped = WaitForSingleObject(FStop, FRunsMs) == WAIT_OBJECT_0;
    if (stopped) Sleep(FStopsAfterMs);
    Report(SERVICE_STOPPED, stopped ? NO_ERROR : ERROR_PROCESS_ABORTED);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const DWORD ms = DWORD(wcstoul(argv[i + 1], nullptr, 10));
        if (lstrcmpiW(argv[i], L"/runs") == 0) FRunsMs = ms;
        if (lstrcmpiW(argv[i], L"/stops-after") == 0) FStopsAfterMs = ms;
    }
    wchar_t name[] = L"StandInService";
    SERVICE_TABLE_ENTRYW table[] = {{name, Main}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
