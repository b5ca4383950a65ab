// A scriptable service manager and process table that records every call in order.
#pragma once
#include <string>
#include <vector>

#include "platform/ServicePlatform.h"

namespace zo::fakes {

class FakeServicePlatform : public IServicePlatform {
public:
    // Script: 0 means the step succeeds; otherwise it fails leaving this last-error value.
    // failWithZero makes a failing step leave 0.
    uint32_t managerError = 0;
    uint32_t openServiceError = 0;
    uint32_t startError = 0;
    uint32_t controlError = 0;
    std::vector<std::u16string> registered{u"Quillora5ZoradidIvavuda"};
    bool processListAvailable = true;
    std::vector<std::u16string> processes;
    std::u16string systemText = u"Access is denied.\r\n";

    std::vector<std::string> calls;  // e.g. "OpenSCManager F003F", "Close service", "LastError"
    int openHandles = 0;

    PlatformHandle OpenManager(uint32_t access) override;
    PlatformHandle OpenServiceNamed(PlatformHandle manager, std::u16string_view name, uint32_t access) override;
    bool StartServiceNoArgs(PlatformHandle service) override;
    bool ControlServiceCode(PlatformHandle service, uint32_t control, TServiceStatusRecord& status) override;
    bool CloseServiceHandle(PlatformHandle handle) override;
    uint32_t LastError() override;
    PlatformHandle CreateProcessSnapshot() override;
    bool ProcessFirst(PlatformHandle snapshot, TProcessEntry& entry) override;
    bool ProcessNext(PlatformHandle snapshot, TProcessEntry& entry) override;
    void CloseSnapshot(PlatformHandle snapshot) override;
    std::u16string SystemMessage(uint32_t code) override;

    uint32_t entrySizeSeen = 0;

private:
    static constexpr PlatformHandle kManager = 100, kService = 200, kSnapshot = 300;
    uint32_t FLastError = 0;
    size_t FNextProcess = 0;
    bool Fail(uint32_t code);
    bool Fill(TProcessEntry& entry);
};

}  // namespace zo::fakes
