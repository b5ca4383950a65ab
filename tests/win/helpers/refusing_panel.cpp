// refusing_panel [nostyle]: the control panel's main window over a service manager that refuses
// access, so that its first poll shows the access-denied window, for screenshots. "nostyle" runs
// it without the style. Ends when the main window closes.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/Main.h"
#include "platform/win32/Win32Launching.h"
#include "platform/win32/Win32Settings.h"
#include "tests/support/RefusingManager.h"

int wmain(int argc, wchar_t** argv) {
    using namespace zo;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    if (!(argc > 1 && std::wstring(argv[1]) == L"nostyle")) win::ApplyStyle(u"TabletDark");
    win::SetApplicationTitle(u"Quillora 5 Zudazuv Orerozo Vuzuvaz");
    testsupport::RefusingManager refusing;
    SYSTEMTIME now;
    GetLocalTime(&now);
    TfrmMain frmMain(TMainDependencies{refusing, DefaultSettingsPlatform(), Win32LaunchPlatform(), now.wYear});
    win::SetMainWindow(frmMain.Handle());
    frmMain.Show();
    return win::RunMessageLoop();
}
