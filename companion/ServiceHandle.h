// A service-manager handle closed when it goes out of scope.
#pragma once
#include <windows.h>

namespace zo::companion {

class ScHandle {
public:
    explicit ScHandle(SC_HANDLE h) : FHandle(h) {}
    ~ScHandle() {
        if (FHandle) CloseServiceHandle(FHandle);
    }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;
    SC_HANDLE get() const { return FHandle; }
    explicit operator bool() const { return FHandle != nullptr; }

private:
    SC_HANDLE FHandle;
};

}  // namespace zo::companion
