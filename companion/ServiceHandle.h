// A service-manager handle closed when it goes out of scope.
#pragma once
#include <windows.h>

#include "platform/win32/OwnedHandle.h"

namespace zo::companion {

using ScHandle = win::TOwnedHandle<SC_HANDLE, CloseServiceHandle>;

}  // namespace zo::companion
