#include "app/Main.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "app/Resources.h"
#include "platform/Failure.h"
#include "service/ServiceManagement.h"
#include "platform/win32/Win32VersionResource.h"
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
constexpr int kClientWidth = 485, kClientHeight = 244;

// Image1: the 64 x 64 picture with its magenta background made transparent, scaled to 48 x 48 by
// averaging, premultiplied for blending.
HBITMAP MakeImage1(int size) {
    HBITMAP src = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_IMAGE1), IMAGE_BITMAP,
                                                  0, 0, LR_CREATEDIBSECTION));
    if (!src) return nullptr;
    DIBSECTION ds{};
    GetObjectW(src, sizeof ds, &ds);
    const int sw = ds.dsBm.bmWidth, sh = std::abs(ds.dsBm.bmHeight);
    const int bpp = ds.dsBm.bmBitsPixel / 8;
    void* bits = nullptr;
    HBITMAP dst = win::CreateDib32(size, size, &bits);
    if (!dst || !ds.dsBm.bmBits || bpp < 3) {
        DeleteObject(src);
        if (dst) DeleteObject(dst);
        return nullptr;
    }
    auto* in = static_cast<const BYTE*>(ds.dsBm.bmBits);
    auto* out = static_cast<BYTE*>(bits);
    const int stride = ds.dsBm.bmWidthBytes;
    const bool bottomUp = ds.dsBm.bmHeight > 0 && ds.dsBmih.biHeight > 0;
    constexpr int kSamples = 4;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double b = 0, g = 0, r = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx) {
                    int px = std::min(sw - 1, int((x + (sx + 0.5) / kSamples) * sw / size));
                    int py = std::min(sh - 1, int((y + (sy + 0.5) / kSamples) * sh / size));
                    const BYTE* p = in + size_t(bottomUp ? sh - 1 - py : py) * stride + size_t(px) * bpp;
                    if (p[0] == 255 && p[1] == 0 && p[2] == 255) continue;  // magenta: transparent
                    b += p[0], g += p[1], r += p[2], a += 1;
                }
            const double n = kSamples * kSamples;
            BYTE* o = out + (size_t(y) * size + x) * 4;
            o[0] = BYTE(std::lround(b / n)), o[1] = BYTE(std::lround(g / n)), o[2] = BYTE(std::lround(r / n));
            o[3] = BYTE(std::lround(255 * a / n));
        }
    DeleteObject(src);
    return dst;
}

void AutoSizeLabel(HWND label, HFONT font) {
    std::wstring text = win::W(win::WindowText(label));
    HDC dc = GetDC(label);
    RECT r{0, 0, 0, 0};
    {
        win::TSelect sel(dc, font);
        DrawTextW(dc, text.c_str(), int(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    ReleaseDC(label, dc);
    SetWindowPos(label, nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

    FFont = win::CreateUiFont(L"Segoe UI", 12);
    FSmallFont = win::CreateUiFont(L"Segoe UI", 11);
    ImageList1.AddResource(IDB_STATUS_RUNNING);
    ImageList1.AddResource(IDB_STATUS_STOPPED);
    ImageList1.AddResource(IDB_STATUS_CHECKING);
    FImage1 = win::TBitmap(MakeImage1(48));

    SIZE outer = win::WindowSizeForClient(kWindowStyle, 0, kClientWidth, kClientHeight);
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON, 0, 0,
                                               LR_DEFAULTSIZE | LR_SHARED));
    CreateWindowObject(L"TfrmMain", kCaption, kWindowStyle, WS_EX_CONTROLPARENT, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                       outer.cy, nullptr, icon);
    if (!Handle()) throw EOSError(u"The main window could not be created", GetLastError());
    HICON small = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPICON), IMAGE_ICON, 16,
                                                16, LR_SHARED));
    SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    CreateComponents();
    FormCreate();
}

TfrmMain::~TfrmMain() {
    if (Handle()) KillTimer(Handle(), kServiceTimerId);
}

void TfrmMain::CreateComponents() {
    // Creation order is the tab order; only the check box is a tab stop.
    const DWORD button = BS_OWNERDRAW;
    btnInstall = win::CreateControl(Handle(), L"BUTTON", u"Install", button | WS_DISABLED, idInstall, 6, 5, 90, 30, FFont);
    btnStart = win::CreateControl(Handle(), L"BUTTON", u"Start", button | WS_DISABLED, idStart, 6, 40, 90, 30, FFont);
    btnStop = win::CreateControl(Handle(), L"BUTTON", u"Stop", button | WS_DISABLED, idStop, 6, 75, 90, 30, FFont);
    btnUninstall = win::CreateControl(Handle(), L"BUTTON", u"Uninstall", button | WS_DISABLED, idUninstall, 6, 110, 90, 30, FFont);
    btnExit = win::CreateControl(Handle(), L"BUTTON", u"Exit", button, idExit, 388, 5, 90, 30, FFont);
    btnAbout = win::CreateControl(Handle(), L"BUTTON", u"About", button, idAbout, 388, 40, 90, 30, FFont);
    btnHelp = win::CreateControl(Handle(), L"BUTTON", u"Help", button, idHelp, 388, 75, 90, 30, FFont);
    // The check box is the only control that takes the keyboard focus: a clicked button leaves it
    // there, so that Space goes on toggling the box.
    for (HWND b : {btnInstall, btnStart, btnStop, btnUninstall, btnExit, btnAbout, btnHelp}) {
        win::TrackButtonHot(b);
        win::KeepFocusAway(b);
    }
    pnlCopyright = win::CreateControl(Handle(), L"STATIC", u"", SS_OWNERDRAW, idCopyright, 0, 217, 485, 27, FSmallFont);
    chkRestartServices.Create(Handle(), idRestartServices, u"Automatically restart services", 106, 153, 173, 17, FFont,
                              kWindowColor);
    chkRestartServices.OnClick = [this] { chkRestartServicesClick(); };
    Label1 = win::CreateControl(Handle(), L"STATIC", u"Install the service.", SS_LEFT, idLabel1, 106, 12, 93, 15, FFont);
    Label2 = win::CreateControl(Handle(), L"STATIC", u"Start the service.", SS_LEFT, idLabel2, 106, 47, 86, 15, FFont);
    Label3 = win::CreateControl(Handle(), L"STATIC", u"Stop the service.", SS_LEFT, idLabel3, 106, 82, 86, 15, FFont);
    Label4 = win::CreateControl(Handle(), L"STATIC", u"Uninstall the service.", SS_LEFT, idLabel4, 106, 117, 108, 15, FFont);
    Label5 = win::CreateControl(Handle(), L"STATIC", u"Service Status:", SS_LEFT, idLabel5, 6, 195, 73, 13, FSmallFont);
    // Labels size themselves to their text, so that no word is cut in whatever font the system
    // gives for "Segoe UI".
    for (HWND label : {Label1, Label2, Label3, Label4}) AutoSizeLabel(label, FFont);
    AutoSizeLabel(Label5, FSmallFont);
    ServiceStatus = std::make_unique<TGlyphStatus>(Handle(), idStatus, 106, 190, 23, u"Checking service status...",
                                                   ImageList1, FSmallFont, GetSysColor(COLOR_WINDOWTEXT));
    Image1 = win::CreateControl(Handle(), L"STATIC", u"", SS_OWNERDRAW, idImage1, 408, 133, 48, 48, FFont);
}

void TfrmMain::Show() {
    win::CenterOnScreen(Handle());
    ShowWindow(Handle(), SW_SHOW);
    UpdateWindow(Handle());
    SetFocus(chkRestartServices.Handle());
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
    IniSettings.WriteBool(u"Settings", u"RestartServices", chkRestartServices.Checked());
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
    // A button that had the focus and is now disabled would leave the keyboard nowhere.
    HWND focus = GetFocus();
    if (GetActiveWindow() == Handle() && (!focus || !IsWindowEnabled(focus))) SetFocus(chkRestartServices.Handle());
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
            if (!FImage1) break;
            HDC mem = CreateCompatibleDC(item.hDC);
            {
                win::TSelect sel(mem, FImage1);
                BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
                AlphaBlend(item.hDC, 0, 0, 48, 48, mem, 0, 0, 48, 48, blend);
            }
            DeleteDC(mem);
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
