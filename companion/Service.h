// The program as a Windows service: the dispatcher connection, the service's main routine, its
// control handler and the worker loop that restarts the watched services.
#pragma once

namespace zo::companion {

enum TDispatchResult { drServed, drNotAService, drFailed };

// Connects to the service control manager and serves the service until it stops. Returns
// drNotAService at once when the program was not started by the service control manager;
// lastError receives the system's error code for drNotAService and drFailed.
TDispatchResult RunAsService(unsigned long& lastError);

// Whether "RestartServices" is on, read from the settings file by the same rules as the control
// panel (ReadRestartSetting). When another program holds the file for a moment, the last answer
// stands; it starts as off.
bool RestartServicesOn();

// One check: when "RestartServices" is on in the settings file, starts every watched service that
// is registered and stopped. Returns how many start requests succeeded.
int CheckWatchedServices();

}  // namespace zo::companion
