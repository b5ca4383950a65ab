#include "platform/win32/Win32ServicePlatform.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>

namespace zo {

static_assert(sizeof(TServiceStatusRecord) == sizeof(SERVICE_STATUS));
static_assert(sizeof(TProcessEntry) == 4 + 520);
#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(PROCESSENTRY32W) == 556, "the process entry record is 556 bytes on 32-bit Windows");
#endif

namespace {

SC_HANDLE ToSc(PlatformHandle h) { return reinterpret_cast<SC_HANDLE>(h); }
PlatformHandle FromPtr(void* p) { return reinterpret_cast<PlatformHandle>(p); }

// Tool Help entry points, looked up by name in the loaded kernel32 at first use and kept for the
// run; while the module handle is null, every use tries again.
struct ToolHelp {
    using CreateSnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using WalkFn = BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32W);
    HMODULE Kernel = nullptr;
    CreateSnapshotFn CreateSnapshot = nullptr;
    WalkFn First = nullptr;
    WalkFn Next = nullptr;

    bool Available() {
        if (!Kernel) {
            Kernel = GetModuleHandleW(L"kernel32.dll");
            if (Kernel) {
                CreateSnapshot = reinterpret_cast<CreateSnapshotFn>(
                    reinterpret_cast<void*>(GetProcAddress(Kernel, "CreateToolhelp32Snapshot")));
                First = reinterpret_cast<WalkFn>(reinterpret_cast<void*>(GetProcAddress(Kernel, "Process32FirstW")));
                Next = reinterpret_cast<WalkFn>(reinterpret_cast<void*>(GetProcAddress(Kernel, "Process32NextW")));
            }
        }
        return Kernel && CreateSnapshot;
    }
};
ToolHelp GToolHelp;

// Copies the system's entry into ours; PROCESSENTRY32W is larger on 64-bit, so it is walked in
// its own record and only the executable's name is handed on.
bool Walk(ToolHelp::WalkFn fn, PlatformHandle snapshot, TProcessEntry& entry) {
    if (!fn || snapshot == 0) return false;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    if (!fn(reinterpret_cast<HANDLE>(snapshot), &pe)) return false;
    static_assert(sizeof(pe.szExeFile) == sizeof(entry.szExeFile));
    memcpy(entry.szExeFile, pe.szExeFile, sizeof(entry.szExeFile));
    return true;
}

}  // namespace

PlatformHandle Win32ServicePlatform::OpenManager(uint32_t desiredAccess) {
    return FromPtr(OpenSCManagerW(nullptr, nullptr, desiredAccess));
}

PlatformHandle Win32ServicePlatform::OpenServiceNamed(PlatformHandle manager, std::u16string_view name,
                                                 uint32_t desiredAccess) {
    std::wstring n(name.begin(), name.end());
    return FromPtr(OpenServiceW(ToSc(manager), n.c_str(), desiredAccess));
}

bool Win32ServicePlatform::StartServiceNoArgs(PlatformHandle service) {
    return StartServiceW(ToSc(service), 0, nullptr) != FALSE;
}

bool Win32ServicePlatform::ControlServiceCode(PlatformHandle service, uint32_t control, TServiceStatusRecord& status) {
    return ::ControlService(ToSc(service), control, reinterpret_cast<SERVICE_STATUS*>(&status)) != FALSE;
}

bool Win32ServicePlatform::CloseServiceHandle(PlatformHandle handle) {
    return ::CloseServiceHandle(ToSc(handle)) != FALSE;
}

uint32_t Win32ServicePlatform::LastError() { return GetLastError(); }

PlatformHandle Win32ServicePlatform::CreateProcessSnapshot() {
    if (!GToolHelp.Available()) return 0;
    HANDLE h = GToolHelp.CreateSnapshot(TH32CS_SNAPPROCESS, 0);
    return h == INVALID_HANDLE_VALUE ? 0 : FromPtr(h);
}

bool Win32ServicePlatform::ProcessFirst(PlatformHandle snapshot, TProcessEntry& entry) {
    return Walk(GToolHelp.First, snapshot, entry);
}

bool Win32ServicePlatform::ProcessNext(PlatformHandle snapshot, TProcessEntry& entry) {
    return Walk(GToolHelp.Next, snapshot, entry);
}

void Win32ServicePlatform::CloseSnapshot(PlatformHandle snapshot) {
    if (snapshot) CloseHandle(reinterpret_cast<HANDLE>(snapshot));
}

Win32ServicePlatform& DefaultServicePlatform() {
    static Win32ServicePlatform platform;
    return platform;
}

}  // namespace zo
