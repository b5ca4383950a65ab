// The main window: seven buttons, the restart-services check box, the status pane that the
// poll keeps up to date, and the copyright band.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "app/GlyphStatusControl.h"
#include "app/MainLayout.h"
#include "app/ServiceState.h"
#include "platform/ServicePlatform.h"
#include "launcher/Launcher.h"
#include "settings/RegIniFile.h"
#include "platform/win32/CheckBox.h"
#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Gui.h"
#include "platform/win32/ImageList.h"
#include "platform/win32/TaskDialogEx.h"

namespace zo {

// What the main window reaches the system through; the program passes the real ones, tests may
// pass fakes.
struct TMainDependencies {
    IServicePlatform& Services;
    TSettingsPlatform Settings;
    TLaunchPlatform Launching;
    int CurrentYear;  // local time, for the copyright line
};

class TfrmMain : public win::TWindow {
public:
    static constexpr const char16_t* kCaption = u"Zudazuv Orerozo Vuzuvaz";
    static constexpr const char16_t* kServiceName = u"Quillora5ZoradidIvavuda";
    static constexpr const char16_t* kImageName = u"ZoradidIvavuda.exe";
    static constexpr UINT kPollInterval = 2000;
    static constexpr const char16_t* kProgramFile = u"ZoradidIvavuda.exe";
    static constexpr const char16_t* kSettingsFile = u"C:\\ProgramData\\Marnwick Software\\ZoradidIvavuda\\ZoradidIvavuda.ini";

    explicit TfrmMain(const TMainDependencies& deps);
    ~TfrmMain() override;

    // Shows the window centred on the screen with the focus on the check box.
    void Show();
    bool ServiceTimerEnabled() const { return FTimerEnabled; }
    bool ServiceInstalled() const { return FServiceInstalled; }
    win::TTaskDialogEx& AccessDeniedDialog() { return dlgAccessDenied; }
    const TGlyphStatus& StatusPane() const { return *ServiceStatus; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void DpiChanged(int dpi, const RECT& suggested) override;

private:
    TMainDependencies FDeps;
    bool FServiceInstalled = false;
    bool FTimerEnabled = false;
    bool FActivatedOnce = false;

    win::TFont FFont, FSmallFont;
    win::TImageList ImageList1;
    win::TBitmap FImage1;
    int FImage1Size = 0;
    win::TIcon FIcon, FSmallIcon;
    HWND btnInstall{}, btnStart{}, btnStop{}, btnUninstall{}, btnExit{}, btnAbout{}, btnHelp{};
    HWND Label1{}, Label2{}, Label3{}, Label4{}, Label5{};
    HWND Image1{}, pnlCopyright{};
    win::TCheckBox chkRestartServices;
    TRegIniFile IniSettings;
    TLauncher InstallQ5Service;
    TLauncher UninstallQ5Service;
    std::unique_ptr<TGlyphStatus> ServiceStatus;
    win::TTaskDialogEx dlgAccessDenied;

    void CreateComponents(int dpi);
    HFONT FontOf(TMainControl control) const;
    void ScaleResources(int dpi);
    void LayOut(int dpi);
    void SetServiceTimer(bool enabled);

    // Event handlers.
    void FormCreate();
    void FormActivate();
    void ServiceTimerTimer();
    void btnInstallClick();
    void btnStartClick();
    void btnStopClick();
    void btnUninstallClick();
    void btnExitClick();
    void btnAboutClick();
    void btnHelpClick();
    void chkRestartServicesClick();

    void ShowCopyright();
    void CheckServiceStatus();
    void RunServiceCommand(const std::function<void()>& command);
    void InstallService();
    void UninstallService();
    void RunServiceProgram(TLauncher& launcher, const char16_t* parameters);
    void LoadSettings();
    void SaveSettings();
    void ShowState(const TServiceStateView& view);

    void OnCommand(int id, int code);
    void OnDrawItem(const DRAWITEMSTRUCT& item);
};

}  // namespace zo
