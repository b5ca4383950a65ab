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

// Whether "RestartServices" is on, read from the settings file by the same rules as the control
// panel. When the file cannot be read for a passing reason (the panel is replacing it), the last
// answer stands; it starts as off.
bool RestartServicesOn();

}  // namespace zo::companion
