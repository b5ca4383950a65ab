// The launcher's platform on Windows: the shell's execute request, process waits, the top-level
// windows of a process, and the GUI thread's synchronous call.
#pragma once
#include "launcher/Launcher.h"

namespace zo {

// Creates the launcher's platform. Call it on the GUI thread: that thread becomes the one on
// which the launchers' events are raised. Launchers may share what it returns.
TLaunchPlatform Win32LaunchPlatform();

}  // namespace zo
