// The program as a Windows service: the dispatcher connection, the service's main routine, its
// control handler and the worker loop that restarts the watched services (its decisions are in
// Watchdog.h).
#pragma once

namespace zo::companion {

enum TDispatchResult { drServed, drNotAService, drFailed };

// Connects to the service control manager and serves the service until it stops. Returns
// drNotAService at once when the program was not started by the service control manager;
// lastError receives the system's error code for drNotAService and drFailed.
TDispatchResult RunAsService(unsigned long& lastError);

}  // namespace zo::companion
