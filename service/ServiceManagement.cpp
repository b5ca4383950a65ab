#include "service/ServiceManagement.h"

#include "platform/Text.h"

namespace zo {

namespace {

// The one status record that ServiceStop hands to the manager; nothing reads it.
TServiceStatusRecord GServiceStatus{};

// Closes a service-manager handle when it goes out of scope. Declared after the failure has been
// built from the last error, so closing can never change the reported code; the service handle's
// guard is declared after the manager's, so it is closed first.
class ServiceHandle {
public:
    ServiceHandle(IServicePlatform& p, PlatformHandle h) : FPlatform(p), FHandle(h) {}
    ~ServiceHandle() {
        if (FHandle) FPlatform.CloseServiceHandle(FHandle);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    PlatformHandle get() const { return FHandle; }

private:
    IServicePlatform& FPlatform;
    PlatformHandle FHandle;
};

[[noreturn]] void RaiseLastOSError(IServicePlatform& p) {
    throw MakeOSError(p, p.LastError());
}

PlatformHandle OpenManagerOrRaise(IServicePlatform& p) {
    PlatformHandle h = p.OpenManager(SC_MANAGER_ALL_ACCESS_);
    if (!h) RaiseLastOSError(p);
    return h;
}

// Opens the manager and the service with full access, runs the request, closes both.
template <typename Request>
void WithService(IServicePlatform& p, std::u16string_view name, Request request) {
    ServiceHandle manager(p, OpenManagerOrRaise(p));
    PlatformHandle service = p.OpenServiceNamed(manager.get(), name, SERVICE_ALL_ACCESS_);
    if (!service) RaiseLastOSError(p);
    ServiceHandle serviceGuard(p, service);
    if (!request(service)) RaiseLastOSError(p);
}

}  // namespace

EOSError MakeOSError(ISystemText& text, uint32_t lastError) {
    if (lastError == 0) return EOSError(u"A call to an OS function failed", 0);
    std::u16string message = u"System Error.  Code: " + IntToStr(int32_t(lastError)) + u".\r\n" +
                             SysErrorMessage(text, lastError);
    return EOSError(std::move(message), lastError);
}

bool ServiceExists(IServicePlatform& p, std::u16string_view serviceName) {
    ServiceHandle manager(p, OpenManagerOrRaise(p));
    ServiceHandle service(p, p.OpenServiceNamed(manager.get(), serviceName, SERVICE_QUERY_STATUS_));
    return service.get() != 0;
}

void ServiceStart(IServicePlatform& p, std::u16string_view serviceName) {
    WithService(p, serviceName, [&](PlatformHandle s) { return p.StartServiceNoArgs(s); });
}

void ServiceStop(IServicePlatform& p, std::u16string_view serviceName) {
    WithService(p, serviceName,
                [&](PlatformHandle s) { return p.ControlServiceCode(s, SERVICE_CONTROL_STOP_, GServiceStatus); });
}

std::u16string UpperAscii(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = AsciiUpper(c);
    return out;
}

std::u16string_view FileNamePart(std::u16string_view path) {
    size_t pos = path.find_last_of(u"\\:");
    return pos == std::u16string_view::npos ? path : path.substr(pos + 1);
}

bool ProcessExists(IServicePlatform& p, std::u16string_view imageName) {
    const std::u16string wanted = UpperAscii(imageName);
    PlatformHandle snapshot = p.CreateProcessSnapshot();
    TProcessEntry entry;
    entry.dwSize = PROCESS_ENTRY_SIZE;
    bool found = false;
    // The walk always runs to the end of the list.
    for (bool more = p.ProcessFirst(snapshot, entry); more; more = p.ProcessNext(snapshot, entry)) {
        std::u16string_view exe(entry.szExeFile, 260);
        exe = exe.substr(0, exe.find(u'\0'));
        if (UpperAscii(FileNamePart(exe)) == wanted || UpperAscii(exe) == wanted) found = true;
    }
    p.CloseSnapshot(snapshot);
    return found;
}

}  // namespace zo
