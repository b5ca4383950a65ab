#include "windows/FormHelp.h"

#include <oleacc.h>

#include "app/Resources.h"
#include "platform/Failure.h"
#include "platform/win32/Accessible.h"

namespace zo {

namespace {
enum TControlId { idImage1 = 101, idClose };
constexpr int kIconSize = 36;
constexpr TRect kLabelBounds{54, 6, 54 + 401, 6 + 175};
}  // namespace

TfrmHelp::TfrmHelp(HWND owner) {
    CreateInfoWindow(L"TfrmHelp", kCaption, kClientWidth, kClientHeight, owner);
    CreateComponents();
}

TfrmHelp::~TfrmHelp() {
    // The label's window goes before the window that carries it.
    MarkupLabel1.reset();
}

void TfrmHelp::ScaleResources(int dpi) {
    FFont = win::CreateUiFont(L"Segoe UI", 12, FW_NORMAL, false, dpi);
    // The icon is drawn from the image it carries nearest the size of this scale.
    FHelpIcon = win::LoadIconAt(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_HELPICON), ScaleDpi(kIconSize, dpi));
    // The label makes its own font at its window's resolution (and is redrawn with the window's
    // other children).
    if (MarkupLabel1) {
        const TRect r = ScaleDpi(kLabelBounds, dpi);
        MarkupLabel1->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    }
}

void TfrmHelp::CreateComponents() {
    MarkupLabel1 = std::make_unique<TMarkupLabel>();
    // Its own font, not the window's, in white of its own.
    MarkupLabel1->SetFont(TFont{u"Segoe UI", -11, TColor(OwnWhiteText()), 0 /* ANSI */, 0, 0});
    MarkupLabel1->SetTransparent(true);
    MarkupLabel1->SetEllipsis(false);
    MarkupLabel1->SetVAlignment(tvaTop);
    MarkupLabel1->SetAutoSizeType(asVertical);
    MarkupLabel1->SetAutoSizing(true);
    MarkupLabel1->SetHTML(kHelpText);
    if (!MarkupLabel1->CreateWnd(Handle(), ScaleDpi(kLabelBounds, Dpi())))
        throw EOSError(u"The help text could not be created", GetLastError());
    // The help icon only decorates: a screen reader hears it as a picture named "Help", the
    // window's own title, rather than as a nameless client area.
    Image1 = AddControl(L"STATIC", kCaption, SS_OWNERDRAW, idImage1, 6, 8, kIconSize, kIconSize, nullptr);
    win::SetAccessibleRole(Image1, ROLE_SYSTEM_GRAPHIC);
    // No tab stop, neither default nor cancel button: Enter and Escape do not reach it.
    btnClose = AddControl(L"BUTTON", u"Close", BS_OWNERDRAW, idClose, 199, 199, 70, 23, &FFont);
    win::TrackButtonHot(btnClose);
}

void TfrmHelp::btnCloseClick() { Close(); }

void TfrmHelp::ButtonClicked(int id) {
    if (id == idClose) btnCloseClick();
}

void TfrmHelp::DrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlID != idImage1) return TInfoWindow::DrawItem(item);
    win::FillSolid(item.hDC, item.rcItem, win::WindowColor(kWindowColor));
    const int size = ScaleDpi(kIconSize, Dpi());
    if (FHelpIcon) DrawIconEx(item.hDC, 0, 0, FHelpIcon, size, size, 0, nullptr, DI_NORMAL);
}

}  // namespace zo
