// The operations that the service functions need from the service control manager and the
// process list, in the system's own terms but without its types.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/SystemText.h"

namespace zo {

using PlatformHandle = uintptr_t;  // 0 is "no handle"

// Layout of the system's SERVICE_STATUS record (seven 32-bit fields).
struct TServiceStatusRecord {
    uint32_t dwServiceType, dwCurrentState, dwControlsAccepted, dwWin32ExitCode,
        dwServiceSpecificExitCode, dwCheckPoint, dwWaitHint;
};

// The wide-character process entry of a process snapshot: only dwSize and szExeFile are used.
struct TProcessEntry {
    uint32_t dwSize = 0;
    char16_t szExeFile[260] = {};
};

class IServicePlatform : public virtual ISystemText {
public:
    // Service control manager; every call leaves its error in LastError() on failure.
    virtual PlatformHandle OpenManager(uint32_t desiredAccess) = 0;  // local machine, active database
    virtual PlatformHandle OpenServiceNamed(PlatformHandle manager, std::u16string_view name,
                                       uint32_t desiredAccess) = 0;
    virtual bool StartServiceNoArgs(PlatformHandle service) = 0;  // no arguments
    virtual bool ControlServiceCode(PlatformHandle service, uint32_t control, TServiceStatusRecord& status) = 0;
    virtual bool CloseServiceHandle(PlatformHandle handle) = 0;
    virtual uint32_t LastError() = 0;

    // Process snapshot; a snapshot of 0 means the process list is not available.
    virtual PlatformHandle CreateProcessSnapshot() = 0;
    virtual bool ProcessFirst(PlatformHandle snapshot, TProcessEntry& entry) = 0;
    virtual bool ProcessNext(PlatformHandle snapshot, TProcessEntry& entry) = 0;
    virtual void CloseSnapshot(PlatformHandle snapshot) = 0;
};

}  // namespace zo
