#include "app/Main.h"

#include <commctrl.h>
#include <oleacc.h>

#include "app/MainLayout.h"
#include "app/Resources.h"
#include "platform/Failure.h"
#include "platform/win32/Accessible.h"
#include "service/ServiceManagement.h"
#include "platform/win32/Win32VersionResource.h"
#include "platform/win32/WindowDpi.h"
#include "windows/FormAbout.h"
#include "windows/FormHelp.h"

namespace zo {

namespace {

enum TControlId {
    idInstall = 1001, idStart, idStop, idUninstall, idExit, idAbout, idHelp,
    idCopyright, idRestartServices, idLabel1, idLabel2, idLabel3, idLabel4, idLabel5, idStatus, idImage1,
};
constexpr UINT_PTR kServiceTimerId = 1;
constexpr COLORREF kWindowColor = RGB(255, 255, 255);
constexpr COLORREF kButtonFace = RGB(255, 255, 255);
constexpr COLORREF kCopyrightColor = 11105043;  // red 19, green 115, blue 169
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
// The size of the picture the status images are shrunk from: at least twice the largest size
// shown (32 pixels at 200 %).
constexpr int kStatusSource = 64;

// The image of the application icon that Image1 is shrunk from: the smallest one at least twice
// the size shown, so that each shown pixel averages whole blocks; a larger one only costs start-up
// time to decode.
int Image1Source(int shown) {
    for (int size : {96, 128}) if (size >= 2 * shown) return size;
    return 256;
}

// The window's outer size at dpi for the design client area.
SIZE OuterSize(int dpi) {
    const TMainSize client = MainClientSize(dpi);
    return win::WindowSizeForClient(kWindowStyle, 0, client.Width, client.Height, dpi);
}

// A control's bounds at dpi. Labels take the size of their text, so that no word is cut in
// whatever font the system gives for "Segoe UI".
TRect PlacedBounds(TMainControl control, int dpi, std::u16string_view text, HFONT font) {
    TRect r = MainControlBounds(control, dpi);
    if (control >= mcLabel1 && control <= mcLabel5) {
        const SIZE size = win::TextSize(font, win::W(text));
        r.Right = r.Left + size.cx;
        r.Bottom = r.Top + size.cy;
    }
    return r;
}

}  // namespace

TfrmMain::TfrmMain(const TMainDependencies& deps)
    : FDeps(deps), IniSettings(deps.Settings), InstallQ5Service(deps.Launching), UninstallQ5Service(deps.Launching) {
    for (TLauncher* launcher : {&InstallQ5Service, &UninstallQ5Service}) {
        launcher->SetAction(u"Open");
        launcher->SetTimeout(-1);
    }
    dlgAccessDenied.Title = u"Access Denied by Windows";
    dlgAccessDenied.MainInstruction =
        u"It appears that you do not have sufficient user privileges to run Zudazuv Orerozo Vuzuvaz.";
    dlgAccessDenied.Content =
        u"Please close Zudazuv Orerozo Vuzuvaz, then right-click on the Zudazuv Orerozo Vuzuvaz icon and select Run as "
        u"Administrator from the popup menu.";

    // The window is made at its size and place for the system's scale, where it comes up; it is
    // sized and centred again only when it comes up on a monitor of another scale. It has no class
    // icon: ScaleResources gives it its icons at its scale before it is shown.
    int dpi = win::WindowDpi(nullptr);
    SIZE outer = OuterSize(dpi);
    POINT at = win::CenteredOnScreen(outer);
    CreateWindowObject(L"TfrmMain", kCaption, kWindowStyle, WS_EX_CONTROLPARENT, at.x, at.y, outer.cx, outer.cy,
                       nullptr, nullptr);
    if (!Handle()) throw EOSError(u"The main window could not be created", GetLastError());
    if (Dpi() != dpi) {
        dpi = Dpi();
        outer = OuterSize(dpi);
        at = win::CenteredOnScreen(outer);
        SetWindowPos(Handle(), nullptr, at.x, at.y, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ScaleResources(dpi);
    CreateComponents(dpi);
    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (!Handle()) return;
    KillTimer(Handle(), kServiceTimerId);
    // The window outlives its icons by the base's destruction: it lets go of them first.
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, 0);
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, 0);
}

HFONT TfrmMain::FontOf(TMainControl control) const {
    return control == mcLabel5 || control == mcCopyright || control == mcStatus ? FSmallFont : FFont;
}

// Every control is created where LayOut would place it at dpi, in its font: moving and sizing
// child windows one by one is much of what a start-up costs.
void TfrmMain::CreateComponents(int dpi) {
    // Creation order is the tab order; only the check box is a tab stop.
    const DWORD button = BS_OWNERDRAW;
    const auto control = [this, dpi](TMainControl mc, const wchar_t* cls, const char16_t* text, DWORD style, int id) {
        const TRect r = PlacedBounds(mc, dpi, text, FontOf(mc));
        return win::CreateControl(Handle(), cls, text, style, id, r.Left, r.Top, r.Width(), r.Height(), FontOf(mc));
    };
    btnInstall = control(mcInstall, L"BUTTON", u"Install", button | WS_DISABLED, idInstall);
    btnStart = control(mcStart, L"BUTTON", u"Start", button | WS_DISABLED, idStart);
    btnStop = control(mcStop, L"BUTTON", u"Stop", button | WS_DISABLED, idStop);
    btnUninstall = control(mcUninstall, L"BUTTON", u"Uninstall", button | WS_DISABLED, idUninstall);
    btnExit = control(mcExit, L"BUTTON", u"Exit", button, idExit);
    btnAbout = control(mcAbout, L"BUTTON", u"About", button, idAbout);
    btnHelp = control(mcHelp, L"BUTTON", u"Help", button, idHelp);
    // The check box is the only control that takes the keyboard focus: a clicked button leaves it
    // there, so that Space goes on toggling the box.
    for (HWND b : {btnInstall, btnStart, btnStop, btnUninstall, btnExit, btnAbout, btnHelp}) {
        win::TrackButtonHot(b);
        win::KeepFocusAway(b);
    }
    pnlCopyright = control(mcCopyright, L"STATIC", u"", SS_OWNERDRAW, idCopyright);
    const TRect box = MainControlBounds(mcRestartServices, dpi);
    chkRestartServices.Create(Handle(), idRestartServices, u"Automatically restart services", box.Left, box.Top,
                              box.Height(), FFont, kWindowColor, dpi);
    chkRestartServices.OnClick = [this] { chkRestartServicesClick(); };
    Label1 = control(mcLabel1, L"STATIC", u"Install the service.", SS_LEFT, idLabel1);
    Label2 = control(mcLabel2, L"STATIC", u"Start the service.", SS_LEFT, idLabel2);
    Label3 = control(mcLabel3, L"STATIC", u"Stop the service.", SS_LEFT, idLabel3);
    Label4 = control(mcLabel4, L"STATIC", u"Uninstall the service.", SS_LEFT, idLabel4);
    Label5 = control(mcLabel5, L"STATIC", u"Service Status:", SS_LEFT, idLabel5);
    const TRect status = MainControlBounds(mcStatus, dpi);
    ServiceStatus = std::make_unique<TGlyphStatus>(Handle(), idStatus, status.Left, status.Top, status.Height(),
                                                   u"Checking service status...", ImageList1, FSmallFont,
                                                   GetSysColor(COLOR_WINDOWTEXT), GlyphStatusSettingsAt(dpi));
    // The picture is the program's mark: a screen reader names it as the program.
    Image1 = control(mcImage1, L"STATIC", kCaption, SS_OWNERDRAW, idImage1);
    win::SetAccessibleRole(Image1, ROLE_SYSTEM_GRAPHIC);
}

// Fonts, status images, Image1 and the window's icons at dpi.
void TfrmMain::ScaleResources(int dpi) {
    FFont = win::CreateUiFont(L"Segoe UI", 12, FW_NORMAL, false, dpi);
    FSmallFont = win::CreateUiFont(L"Segoe UI", 11, FW_NORMAL, false, dpi);
    ImageList1.Clear();
    for (int id : {IDI_STATUS_RUNNING, IDI_STATUS_STOPPED, IDI_STATUS_CHECKING})
        ImageList1.AddIcon(id, kStatusSource, ScaleDpi(16, dpi));
    FImage1Size = MainControlBounds(mcImage1, dpi).Width();
    FImage1 = win::TBitmap(win::LoadIconPicture(IDI_APPICON, Image1Source(FImage1Size), FImage1Size));
    FIcon = win::LoadIconAt(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), ScaleDpi(32, dpi));
    FSmallIcon = win::LoadIconAt(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), ScaleDpi(16, dpi));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(FSmallIcon.get()));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(FIcon.get()));
}

// Places every control at dpi with the current fonts.
void TfrmMain::LayOut(int dpi) {
    const std::pair<HWND, TMainControl> placed[] = {
        {btnInstall, mcInstall}, {btnStart, mcStart}, {btnStop, mcStop}, {btnUninstall, mcUninstall},
        {btnExit, mcExit},       {btnAbout, mcAbout}, {btnHelp, mcHelp}, {pnlCopyright, mcCopyright},
        {Label1, mcLabel1},      {Label2, mcLabel2},  {Label3, mcLabel3}, {Label4, mcLabel4},
        {Label5, mcLabel5},      {Image1, mcImage1},
    };
    for (const auto& [window, control] : placed) {
        const TRect r = PlacedBounds(control, dpi, win::WindowText(window), FontOf(control));
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(control)), FALSE);
        SetWindowPos(window, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const TRect box = MainControlBounds(mcRestartServices, dpi);
    chkRestartServices.Rescale(box.Left, box.Top, box.Height(), FFont, dpi);
    const TRect status = MainControlBounds(mcStatus, dpi);
    ServiceStatus->Rescale(status.Left, status.Top, status.Height(), FontOf(mcStatus), GlyphStatusSettingsAt(dpi));
    InvalidateRect(Handle(), nullptr, TRUE);
}

void TfrmMain::DpiChanged(int dpi, const RECT& suggested) {
    // The old fonts and icons live until the controls and the frame hold the new ones.
    win::TRetiredFonts oldFonts;
    oldFonts.Take(FFont);
    oldFonts.Take(FSmallFont);
    win::TIcon oldIcon = std::move(FIcon), oldSmallIcon = std::move(FSmallIcon);
    ScaleResources(dpi);
    LayOut(dpi);
    // The client area is the design size at dpi exactly, whatever the frame measures.
    const SIZE outer = OuterSize(dpi);
    TWindow::DpiChanged(dpi, RECT{suggested.left, suggested.top, suggested.left + outer.cx, suggested.top + outer.cy});
}

// Made centred at its size; WM_ACTIVATE gives the check box the focus.
void TfrmMain::Show() {
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
}

void TfrmMain::SetServiceTimer(bool enabled) {
    if (enabled == FTimerEnabled) return;
    FTimerEnabled = enabled;
    if (enabled)
        SetTimer(Handle(), kServiceTimerId, kPollInterval, nullptr);
    else
        KillTimer(Handle(), kServiceTimerId);
}

// ---- Event handlers -----------------------------------------------------------------------------

void TfrmMain::FormCreate() {
    FServiceInstalled = false;
    SetServiceTimer(true);
    ShowCopyright();
}

void TfrmMain::FormActivate() { LoadSettings(); }

void TfrmMain::ServiceTimerTimer() { CheckServiceStatus(); }

void TfrmMain::btnInstallClick() { InstallService(); }
void TfrmMain::btnUninstallClick() { UninstallService(); }

void TfrmMain::btnStartClick() {
    RunServiceCommand([this] { ServiceStart(FDeps.Services, kServiceName); });
}

void TfrmMain::btnStopClick() {
    RunServiceCommand([this] { ServiceStop(FDeps.Services, kServiceName); });
}

// Start and Stop block the window while the service manager answers; the default cursor is back
// before any error is shown.
void TfrmMain::RunServiceCommand(const std::function<void()>& command) {
    try {
        win::TBusyCursorScope busy;
        command();
    } catch (const Exception& e) {
        win::ShowErrorBox(e.Message());
    }
}

void TfrmMain::btnExitClick() { PostMessageW(Handle(), WM_CLOSE, 0, 0); }
void TfrmMain::btnAboutClick() {
    // A new window on each click, reading the clock and the version resource afresh; freed when
    // its modal showing ends, whatever happened.
    SYSTEMTIME now;
    GetLocalTime(&now);
    auto frmAbout = std::make_unique<TfrmAbout>(TAboutDependencies{DefaultVersionResource(), now.wYear}, Handle());
    frmAbout->ShowModal();
}
void TfrmMain::btnHelpClick() {
    // A new window on each click, freed when its modal showing ends, whatever happened.
    auto frmHelp = std::make_unique<TfrmHelp>(Handle());
    frmHelp->ShowModal();
}
void TfrmMain::chkRestartServicesClick() { SaveSettings(); }

void TfrmMain::ShowCopyright() {
    std::wstring line = win::W(CopyrightLine(FDeps.CurrentYear));
    SetWindowTextW(pnlCopyright, line.c_str());
}

void TfrmMain::InstallService() { RunServiceProgram(InstallQ5Service, u"/install"); }
void TfrmMain::UninstallService() { RunServiceProgram(UninstallQ5Service, u"/uninstall"); }

// Runs the service program from this program's own folder (not the working folder). The launcher
// ignores the request while its previous run is still being waited for.
void TfrmMain::RunServiceProgram(TLauncher& launcher, const char16_t* parameters) {
    const std::u16string self = FDeps.Settings.Environment.ProgramFileName();
    const std::u16string path = self.substr(0, self.find_last_of(u"\\:") + 1) + kProgramFile;
    if (!FDeps.Settings.Files.FileExists(path)) {
        win::ShowErrorBox(u"Unable to find ZoradidIvavuda.exe in the current folder.");
        return;
    }
    win::TBusyCursorScope busy;
    launcher.SetFileName(path);
    launcher.SetParameters(parameters);
    launcher.Launch();
}

// Neither routine catches anything: a settings file that cannot be read or written is reported
// in the default failure box, and the box keeps its state.
void TfrmMain::LoadSettings() {
    IniSettings.SetPathType(ptIniFile);
    IniSettings.SetPath(kSettingsFile);
    chkRestartServices.SetChecked(IniSettings.ReadBool(u"Settings", u"RestartServices", false));
}

void TfrmMain::SaveSettings() {
    IniSettings.SetPathType(ptIniFile);
    IniSettings.SetPath(kSettingsFile);
    try {
        IniSettings.WriteBool(u"Settings", u"RestartServices", chkRestartServices.Checked());
    } catch (const ESettingsRefused&) {
        // Nothing was written, and trying again would change nothing: the box shows what the file
        // says, as the service decides.
        chkRestartServices.Restore(IniSettings.ReadBool(u"Settings", u"RestartServices", false));
        throw;
    }
}

void TfrmMain::CheckServiceStatus() {
    try {
        FServiceInstalled = ServiceExists(FDeps.Services, kServiceName);
        const bool running = ProcessExists(FDeps.Services, kImageName);
        ShowState(ViewOf(DecideServiceState(FServiceInstalled, running)));
    } catch (const Exception& e) {
        // The timer goes off before the dialog's own message loop could deliver another tick.
        SetServiceTimer(false);
        dlgAccessDenied.ExpandedText = e.Message();
        dlgAccessDenied.Execute(Handle());
    }
}

void TfrmMain::ShowState(const TServiceStateView& view) {
    ServiceStatus->SetCaption(view.Caption);
    ServiceStatus->SetImageIndex(view.ImageIndex);
    ServiceStatus->SetFontColor(view.UseWindowTextColor ? GetSysColor(COLOR_WINDOWTEXT) : COLORREF(view.FontColor));
    EnableWindow(btnInstall, view.Install);
    EnableWindow(btnStart, view.Start);
    EnableWindow(btnStop, view.Stop);
    EnableWindow(btnUninstall, view.Uninstall);
}

// ---- Messages -----------------------------------------------------------------------------------

void TfrmMain::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    switch (id) {
        case idInstall: btnInstallClick(); break;
        case idStart: btnStartClick(); break;
        case idStop: btnStopClick(); break;
        case idUninstall: btnUninstallClick(); break;
        case idExit: btnExitClick(); break;
        case idAbout: btnAboutClick(); break;
        case idHelp: btnHelpClick(); break;
        case idRestartServices:
            chkRestartServices.Clicked();
            break;
    }
}

void TfrmMain::OnDrawItem(const DRAWITEMSTRUCT& item) {
    switch (item.CtlID) {
        case idStatus:
            ServiceStatus->Draw(item);
            break;
        case idImage1: {
            win::FillSolid(item.hDC, item.rcItem, win::WindowColor(kWindowColor));
            if (FImage1) win::DrawBlended(item.hDC, FImage1, FImage1Size, FImage1Size, 0, 0, FImage1Size, FImage1Size);
            break;
        }
        case idCopyright: {
            const TStyle* s = win::ActiveStyle();
            win::DrawLabel(item, FSmallFont, s && s->PanelText ? *s->PanelText : RGB(255, 255, 255),
                           s && s->Panel ? *s->Panel : kCopyrightColor, DT_CENTER | DT_VCENTER);
            break;
        }
        default:
            if (item.CtlType == ODT_BUTTON) win::DrawPushButton(item, kButtonFace);
    }
}

LRESULT TfrmMain::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) {
                SetFocus(chkRestartServices.Handle());
                // The window's activation event is raised once, when it is first shown; coming
                // back from a modal window or another program does not raise it again.
                if (!FActivatedOnce) {
                    FActivatedOnce = true;
                    FormActivate();
                }
            }
            return 0;
        case WM_TIMER:
            if (wp == kServiceTimerId && FTimerEnabled) ServiceTimerTimer();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_DRAWITEM:
            OnDrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return win::ControlColors(reinterpret_cast<HDC>(wp), win::WindowTextColor(GetSysColor(COLOR_WINDOWTEXT)),
                                      win::WindowColor(kWindowColor));
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<NMHDR*>(lp);
            if (hdr->hwndFrom == chkRestartServices.Handle() && hdr->code == NM_CUSTOMDRAW)
                return chkRestartServices.CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(lp));
            break;
        }
        case WM_ERASEBKGND:
            win::EraseClient(Handle(), reinterpret_cast<HDC>(wp), kWindowColor);
            return 1;
        case WM_CLOSE:
            DestroyWindow(Handle());
            return 0;
        case WM_DESTROY:
            SetServiceTimer(false);
            if (win::MainWindow() == Handle()) PostQuitMessage(0);
            return 0;
    }
    return TWindow::HandleMessage(msg, wp, lp);
}

}  // namespace zo
