// The states the main window shows for the monitored service, and what each looks like.
#pragma once
#include <string>

#include "platform/Style.h"

namespace zo {

enum class TServiceState { ssChecking, ssRunning, ssStopped, ssNotInstalled };

struct TServiceStateView {
    std::u16string Caption;
    int ImageIndex;            // into the status image list: 0 tick, 1 cross, 2 information
    bool UseWindowTextColor;   // Checking: the system's window-text colour
    TColorRef FontColor;       // otherwise this colour
    bool Install, Start, Stop, Uninstall;  // which service buttons are enabled
};

// Running is decided by the process alone, whatever the service manager says.
TServiceState DecideServiceState(bool serviceInstalled, bool processRunning);
TServiceStateView ViewOf(TServiceState state);

// "Copyright © 2006-<year> Marnwick Software".
std::u16string CopyrightLine(int year);

}  // namespace zo
