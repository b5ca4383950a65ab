#pragma once
#include "platform/ServicePlatform.h"
#include "platform/win32/Win32SystemText.h"

namespace zo {

// The real service control manager and Tool Help process snapshot.
class Win32ServicePlatform : public IServicePlatform, public Win32SystemText {
public:
    PlatformHandle OpenManager(uint32_t desiredAccess) override;
    PlatformHandle OpenServiceNamed(PlatformHandle manager, std::u16string_view name, uint32_t desiredAccess) override;
    bool StartServiceNoArgs(PlatformHandle service) override;
    bool ControlServiceCode(PlatformHandle service, uint32_t control, TServiceStatusRecord& status) override;
    bool CloseServiceHandle(PlatformHandle handle) override;
    uint32_t LastError() override;

    PlatformHandle CreateProcessSnapshot() override;
    bool ProcessFirst(PlatformHandle snapshot, TProcessEntry& entry) override;
    bool ProcessNext(PlatformHandle snapshot, TProcessEntry& entry) override;
    void CloseSnapshot(PlatformHandle snapshot) override;
};

// The one instance the program uses.
Win32ServicePlatform& DefaultServicePlatform();

}  // namespace zo
