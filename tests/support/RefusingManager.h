// The real service platform, except that the service manager refuses access to everyone, as it
// does to a user without administrative rights (under Wine every user is an administrator).
#pragma once
#include "platform/win32/Win32ServicePlatform.h"

namespace testsupport {

class RefusingManager : public zo::Win32ServicePlatform {
public:
    zo::PlatformHandle OpenManager(uint32_t) override {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
};

}  // namespace testsupport
