#include "platform/win32/MessageBox.h"

#include <string>

#include "platform/Failure.h"
#include "platform/MessageBoxLayout.h"
#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Gui.h"
#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// The message wraps as the text control shows it; the button's text and the title on one line.
constexpr UINT kMessageFormat = DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK | DT_EDITCONTROL;
constexpr UINT kLineFormat = DT_NOPREFIX | DT_EXPANDTABS | DT_SINGLELINE;

class TMessageBoxWindow : public TWindow {
public:
    TMessageBoxWindow(std::u16string_view caption, std::u16string_view message, std::u16string_view button)
        : FCaption(caption), FMessage(message), FButtonText(button) {}

    // False when the window could not be made.
    bool Run(HWND owner) {
        // Measured before the window exists, at the resolution of the screen it is centred on, so
        // that it is made at its final size and place.
        const int dpi = WindowDpi(nullptr);
        TScaled scaled = ScaledTo(dpi);
        const POINT at = CenteredOnScreen(scaled.Outer);
        CreateWindowObject(L"ZoMessageBox", FCaption, kStyle, kExStyle, at.x, at.y, scaled.Outer.cx, scaled.Outer.cy,
                           owner, nullptr);
        if (!Handle()) return false;
        FFont = std::move(scaled.Font);
        const RECT t = ToRect(FLayout.Text), b = ToRect(FLayout.Button);
        FText = CreateControl(Handle(), L"STATIC", FMessage, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0xFFFF, t.left, t.top,
                              t.right - t.left, t.bottom - t.top, FFont);
        FButton = CreateDialogButton(Handle(), FButtonText, IDOK, b.left, b.top, b.right - b.left, b.bottom - b.top, FFont);
        if (Dpi() != dpi) {  // made on a monitor of another scale: measured again and centred at that size
            scaled = ScaledTo(Dpi());
            Place(std::move(scaled.Font));
            const POINT centred = CenteredOnScreen(scaled.Outer);
            SetWindowPos(Handle(), nullptr, centred.x, centred.y, scaled.Outer.cx, scaled.Outer.cy,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SetInitialFocus(FButton);
        MessageBeep(MB_ICONHAND);  // the error sound, as the system's box plays it
        RunModal(Handle(), owner, CopyOnCtrlC([this] {
                     PutTextOnClipboard(Handle(), MessageBoxClipboardText(FCaption, FMessage, {FButtonText}));
                 }));
        return true;
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_COMMAND:
                // The button, Enter (IDOK) and Escape (IDCANCEL) all close the box.
                if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) EndModal(Handle());
                return 0;
            case WM_CLOSE:
                EndModal(Handle());
                return 0;
            case WM_ERASEBKGND:
                EraseClient(Handle(), reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Handle(), &ps);
                const TRect& icon = FLayout.Icon;
                DrawIconEx(dc, icon.Left, icon.Top, FErrorIcon, icon.Width(), icon.Height(), 0, nullptr, DI_NORMAL);
                EndPaint(Handle(), &ps);
                return 0;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN:
                return ControlColors(reinterpret_cast<HDC>(wp), WindowTextColor(GetSysColor(COLOR_WINDOWTEXT)),
                                     WindowColor(GetSysColor(COLOR_BTNFACE)));
            case WM_DRAWITEM:
                DrawPushButton(*reinterpret_cast<DRAWITEMSTRUCT*>(lp), GetSysColor(COLOR_BTNFACE));
                return TRUE;
        }
        return TWindow::HandleMessage(msg, wp, lp);
    }

    void DpiChanged(int dpi, const RECT& suggested) override {
        TScaled scaled = ScaledTo(dpi);
        Place(std::move(scaled.Font));
        // The suggested place, at the size the layout gives.
        TWindow::DpiChanged(dpi, RECT{suggested.left, suggested.top, suggested.left + scaled.Outer.cx,
                                      suggested.top + scaled.Outer.cy});
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }

private:
    std::u16string FCaption, FMessage, FButtonText;
    TFont FFont;
    TIcon FErrorIcon;
    HWND FText = nullptr, FButton = nullptr;
    TMessageBoxLayout FLayout{};

    // The font a scale's layout was measured in (not yet given to the controls) and the window's
    // outer size there.
    struct TScaled {
        TFont Font;
        SIZE Outer;
    };

    // The icon and layout at dpi; needs no window.
    TScaled ScaledTo(int dpi) {
        const NONCLIENTMETRICSW ncm = NonClientMetricsAt(dpi);
        TFont font(CreateFontIndirectW(&ncm.lfMessageFont));
        TFont captionFont(CreateFontIndirectW(&ncm.lfCaptionFont));
        FErrorIcon = LoadIconAt(nullptr, IDI_ERROR, ScaleDpi(kMessageBoxIconSize, dpi));

        // The message wraps at half the screen's width at the most.
        const SIZE text = TextSize(font, W(FMessage), kMessageFormat, GetSystemMetrics(SM_CXSCREEN) / 2);
        const SIZE button = TextSize(font, W(WithoutAccessKeyMarks(FButtonText)), kLineFormat);
        const SIZE title = TextSize(captionFont, W(FCaption), kLineFormat);
        // Room for the caption's icon and close box besides the title.
        const int titleRoom = title.cx + 2 * SystemMetricAt(SM_CXSIZE, dpi) + ScaleDpi(16, dpi);
        FLayout = LayOutMessageBox({{text.cx, text.cy}, button.cx, titleRoom}, dpi);
        const SIZE outer = WindowSizeForClient(kStyle, kExStyle, FLayout.Client.Cx, FLayout.Client.Cy, dpi);
        return TScaled{std::move(font), outer};
    }

    // The controls take font and their places in the layout; the font of the scale before is
    // freed once they hold the new one.
    void Place(TFont font) {
        for (HWND control : {FText, FButton}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        FFont = std::move(font);
        const RECT t = ToRect(FLayout.Text), b = ToRect(FLayout.Button);
        MoveWindow(FText, t.left, t.top, t.right - t.left, t.bottom - t.top, FALSE);
        MoveWindow(FButton, b.left, b.top, b.right - b.left, b.bottom - b.top, FALSE);
    }
};

HWND BoxOwner() {
    HWND active = GetActiveWindow();
    return active ? active : (IsWindow(MainWindow()) ? MainWindow() : nullptr);
}

}  // namespace

void ShowMessageBox(HWND owner, std::u16string_view caption, std::u16string_view message, std::u16string_view button) {
    TMessageBoxWindow box(caption, message, button);
    if (box.Run(owner)) return;
    // Without a window of our own the platform's box still tells the user.
    std::wstring text = W(message), title = W(caption);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void ShowFailureBox(std::u16string_view message) {
    ShowMessageBox(BoxOwner(), U(ApplicationTitle()), FailureBoxText(message), u"OK");
}

void HandleCurrentException() {
    // The default cursor comes back before anything is shown.
    SetBusyCursor(false);
    try {
        throw;
    } catch (const Exception& e) {
        ShowFailureBox(e.Message());
    } catch (const std::exception& e) {
        std::string what = e.what();
        ShowFailureBox(std::u16string(what.begin(), what.end()));
    } catch (...) {
        ShowFailureBox(u"Unknown failure");
    }
}

void ShowErrorBox(std::u16string_view message) { ShowMessageBox(BoxOwner(), u"Error", message, u"OK"); }

void ShowStyleNotFoundBox(std::u16string_view styleName) {
    ShowMessageBox(nullptr, u"Error", u"Style '" + std::u16string(styleName) + u"' not found", u"&Close");
}

}  // namespace zo::win
