// The service's one setting, "RestartServices", read from the settings file. The decision and
// its reasons are the portable ones of settings/RestartSetting.h.
#pragma once
#include <string>

#include "settings/RestartSetting.h"

namespace zo::companion {

// One read of the settings file now, decided exactly as the panel's check box would show it.
// lastOn is the answer kept when the read fails for a passing reason.
TRestartSetting ReadRestartSetting(bool lastOn);

// Switches restarting on or off in the settings file, as the panel's check box does, and returns
// what the service now decides from it. Throws zo::Exception with the reason when the file cannot
// be read or written.
TRestartSetting ChangeRestartSetting(bool on);

// Removes what writes of the settings file left when they crashed (old temporary files of this
// program's own, nothing else), as the service starts.
void RemoveSettingsLeftovers();

}  // namespace zo::companion
