#include "fakes/FakeServicePlatform.h"

#include <algorithm>
#include <cstdio>

#include "platform/Text.h"

namespace zo::fakes {

namespace {
std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", v);
    return buf;
}
}  // namespace

bool FakeServicePlatform::Fail(uint32_t code) {
    FLastError = code;
    return false;
}

PlatformHandle FakeServicePlatform::OpenManager(uint32_t access) {
    calls.push_back("OpenSCManager " + Hex(access));
    if (managerError) {
        Fail(managerError);
        return 0;
    }
    ++openHandles;
    return kManager;
}

PlatformHandle FakeServicePlatform::OpenServiceNamed(PlatformHandle manager, std::u16string_view name, uint32_t access) {
    calls.push_back("OpenService " + ToUtf8(name) + " " + Hex(access));
    if (manager != kManager) return Fail(6), 0;
    if (std::find(registered.begin(), registered.end(), name) == registered.end()) return Fail(1060), 0;
    if (openServiceError) return Fail(openServiceError), 0;
    ++openHandles;
    return kService;
}

bool FakeServicePlatform::StartServiceNoArgs(PlatformHandle service) {
    calls.push_back("StartService");
    if (service != kService) return Fail(6);
    if (startError) return Fail(startError);
    // A step that succeeds leaves an unrelated value behind, as real calls often do.
    FLastError = 997;
    return true;
}

bool FakeServicePlatform::ControlServiceCode(PlatformHandle service, uint32_t control, TServiceStatusRecord& status) {
    calls.push_back("ControlService " + std::to_string(control));
    if (service != kService) return Fail(6);
    if (controlError) return Fail(controlError);
    status.dwCurrentState = 3;  // stop pending
    return true;
}

bool FakeServicePlatform::CloseServiceHandle(PlatformHandle handle) {
    calls.push_back(handle == kManager ? "Close manager" : handle == kService ? "Close service" : "Close ?");
    --openHandles;
    // Closing resets the last error, so reading it afterwards would lose the real code.
    FLastError = 0;
    return true;
}

uint32_t FakeServicePlatform::LastError() {
    calls.push_back("LastError");
    return FLastError;
}

PlatformHandle FakeServicePlatform::CreateProcessSnapshot() {
    calls.push_back("CreateSnapshot");
    if (!processListAvailable) return 0;
    ++openHandles;
    FNextProcess = 0;
    return kSnapshot;
}

bool FakeServicePlatform::Fill(TProcessEntry& entry) {
    entrySizeSeen = entry.dwSize;
    if (FNextProcess >= processes.size()) return false;
    const std::u16string& name = processes[FNextProcess++];
    std::fill(std::begin(entry.szExeFile), std::end(entry.szExeFile), u'X');  // stale bytes past the name
    size_t n = std::min<size_t>(name.size(), 260);
    std::copy_n(name.begin(), n, entry.szExeFile);
    if (n < 260) entry.szExeFile[n] = 0;
    return true;
}

bool FakeServicePlatform::ProcessFirst(PlatformHandle snapshot, TProcessEntry& entry) {
    calls.push_back("ProcessFirst");
    if (snapshot != kSnapshot) return false;
    FNextProcess = 0;
    return Fill(entry);
}

bool FakeServicePlatform::ProcessNext(PlatformHandle snapshot, TProcessEntry& entry) {
    calls.push_back("ProcessNext");
    if (snapshot != kSnapshot) return false;
    return Fill(entry);
}

void FakeServicePlatform::CloseSnapshot(PlatformHandle snapshot) {
    calls.push_back("CloseSnapshot");
    if (snapshot == kSnapshot) --openHandles;
}

std::u16string FakeServicePlatform::SystemMessage(uint32_t code) {
    return code == 0 || code == 0xDEAD ? u"" : systemText;
}

}  // namespace zo::fakes
