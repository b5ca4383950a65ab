// Where the main window's controls go: their 96-dpi design bounds, shown at the window's
// resolution through the one scaling rule (platform/Dpi.h).
#pragma once
#include "app/GlyphStatus.h"
#include "platform/Dpi.h"

namespace zo {

// The controls in creation order, which is also the tab order.
enum TMainControl {
    mcInstall, mcStart, mcStop, mcUninstall, mcExit, mcAbout, mcHelp, mcCopyright, mcRestartServices,
    mcLabel1, mcLabel2, mcLabel3, mcLabel4, mcLabel5, mcStatus, mcImage1, mcControlCount
};

struct TMainSize {
    int Width = 0, Height = 0;
};

// The client area at dpi (485 x 244 at 96).
TMainSize MainClientSize(int dpi);
// A control's bounds at dpi; labels, the check box and the status pane then size their width to
// their text.
TRect MainControlBounds(TMainControl control, int dpi);
// The status pane's offsets, border and image size at dpi.
TGlyphStatusSettings GlyphStatusSettingsAt(int dpi);

}  // namespace zo
