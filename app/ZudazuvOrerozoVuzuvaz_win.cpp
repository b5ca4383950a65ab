// The control panel's entry: prepares the application, shows the main window and runs the
// message loop until the main window has closed.
#include <windows.h>
#include <commctrl.h>

#include "app/Main.h"
#include "platform/win32/Gui.h"
#include "platform/win32/Win32ServicePlatform.h"
#include "platform/win32/Win32Launching.h"
#include "platform/win32/Win32Settings.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    using namespace zo;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    if (!win::ApplyStyle(u"TabletDark")) win::ShowStyleNotFoundBox(u"TabletDark");
    const char16_t* const title = u"Quillora 5 Zudazuv Orerozo Vuzuvaz";
    win::SetApplicationTitle(title);
    DefaultProgramEnvironment().Title = title;  // the settings store's registry mode names its key after it

    SYSTEMTIME now;
    GetLocalTime(&now);
    try {
        TfrmMain frmMain(TMainDependencies{DefaultServicePlatform(), DefaultSettingsPlatform(), Win32LaunchPlatform(), now.wYear});
        win::SetMainWindow(frmMain.Handle());
        frmMain.Show();
        win::RunMessageLoop();
        win::SetMainWindow(nullptr);
    } catch (...) {
        win::HandleCurrentException();
        return 1;
    }
    return 0;
}
