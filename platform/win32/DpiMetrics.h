// The platform's metrics, fonts and icons at a window's resolution (WindowDpi.h). Platforms
// without the calls for a given resolution have one resolution for all windows, the system's
// (the program is then aware of that one only), for which their plain calls answer.
#pragma once
#include <windows.h>

#include "platform/win32/OwnedHandle.h"

namespace zo::win {

// GetSystemMetrics(index) at dpi.
int SystemMetricAt(int index, int dpi);
// The caption, menu, status and message fonts (and the rest of the non-client metrics) at dpi.
NONCLIENTMETRICSW NonClientMetricsAt(int dpi);

// An icon that is destroyed with its owner.
using TIcon = TOwnedHandle<HICON, DestroyIcon>;

// The icon resource name of module (null: the system's icons, IDI_*) drawn for size x size
// pixels: the platform picks the nearest image the icon carries and resizes only that one.
TIcon LoadIconAt(HINSTANCE module, const wchar_t* name, int size);

}  // namespace zo::win
