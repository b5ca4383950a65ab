#include "windows/FormAbout.h"

#include "app/ServiceState.h"

namespace zo {

namespace {
enum TControlId { idLabel1 = 101, idVersion, idCopyright, idClose };
}  // namespace

TfrmAbout::TfrmAbout(const TAboutDependencies& deps, HWND owner) : FDeps(deps), VersionInfo(deps.Versions) {
    CreateInfoWindow(L"TfrmAbout", kCaption, kClientWidth, kClientHeight, owner);
    CreateComponents();
    // The window has finished loading: the version resource is read again, then OnCreate.
    VersionInfo.Loaded();
    FormCreate();
}

void TfrmAbout::ScaleResources(int dpi) {
    FFont = win::CreateUiFont(L"Segoe UI", 12, FW_NORMAL, false, dpi);
    FTitleFont = win::CreateUiFont(L"Segoe UI", 28, FW_BOLD, false, dpi);
    FVersionFont = win::CreateUiFont(L"Segoe UI", 11, FW_BOLD, false, dpi);
}

void TfrmAbout::CreateComponents() {
    // Labels are drawn by the window: one line at the top of their rectangle, centred.
    Label1 = AddControl(L"STATIC", u"Zudazuv Orerozo Vuzuvaz", SS_OWNERDRAW, idLabel1, 6, 3, 356, 38,
                        &FTitleFont);
    lblVersion = AddControl(L"STATIC", u"Version", SS_OWNERDRAW, idVersion, 6, 54, 359, 16, &FVersionFont);
    lblCopyright = AddControl(L"STATIC", u"", SS_OWNERDRAW, idCopyright, 6, 77, 359, 19, &FFont);
    // No tab stop, neither default nor cancel button: Enter and Escape do not reach it.
    btnClose = AddControl(L"BUTTON", u"Close", BS_OWNERDRAW, idClose, 149, 118, 70, 23, &FFont);
    win::TrackButtonHot(btnClose);
}

void TfrmAbout::FormCreate() {
    ShowCopyright();
    ShowVersion();
}

void TfrmAbout::ShowCopyright() {
    std::wstring line = win::W(CopyrightLine(FDeps.CurrentYear));
    SetWindowTextW(lblCopyright, line.c_str());
}

void TfrmAbout::ShowVersion() {
    std::wstring line = win::W(VersionLine(VersionInfo));
    SetWindowTextW(lblVersion, line.c_str());
}

void TfrmAbout::btnCloseClick() { Close(); }

void TfrmAbout::ButtonClicked(int id) {
    if (id == idClose) btnCloseClick();
}

void TfrmAbout::DrawItem(const DRAWITEMSTRUCT& item) {
    const COLORREF back = win::WindowColor(kWindowColor);
    const COLORREF text = win::WindowTextColor(GetSysColor(COLOR_WINDOWTEXT));
    switch (item.CtlID) {
        case idLabel1:
            win::DrawLabel(item, FTitleFont, OwnWhiteText(), back, DT_CENTER | DT_TOP);
            break;
        case idVersion:
            win::DrawLabel(item, FVersionFont, text, back, DT_CENTER | DT_TOP);
            break;
        case idCopyright:
            win::DrawLabel(item, FFont, text, back, DT_CENTER | DT_TOP);
            break;
        default:
            TInfoWindow::DrawItem(item);
    }
}

}  // namespace zo
