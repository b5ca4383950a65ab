// The program as a Windows service: the dispatcher connection, the service's main routine, its
// control handler and the worker loop that restarts the watched services.
#pragma once

namespace zo::companion {

enum TDispatchResult { drServed, drNotAService, drFailed };

// Connects to the service control manager and serves the service until it stops. Returns
// drNotAService at once when the program was not started by the service control manager;
// lastError receives the system's error code for drNotAService and drFailed.
TDispatchResult RunAsService(unsigned long& lastError);

// One check: when "RestartServices" is on in the settings file, starts every watched service that
// is registered and stopped. Returns how many start requests succeeded.
int CheckWatchedServices();

}  // namespace zo::companion
