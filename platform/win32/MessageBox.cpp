#include "platform/win32/MessageBox.h"

#include <string>

#include "platform/Failure.h"
#include "platform/MessageBoxLayout.h"
#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Gui.h"

namespace zo::win {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Width and height of text in font; wrapped to at most maxWidth when it is given.
SIZE MeasureText(HWND window, HFONT font, const std::wstring& text, int maxWidth) {
    HDC dc = GetDC(window);
    RECT r{0, 0, maxWidth > 0 ? maxWidth : 0, 0};
    UINT format = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS;
    format |= maxWidth > 0 ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE;
    {
        TSelect sel(dc, font);
        DrawTextW(dc, text.c_str(), int(text.size()), &r, format);
    }
    ReleaseDC(window, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

class TMessageBoxWindow : public TWindow {
public:
    TMessageBoxWindow(std::u16string_view caption, std::u16string_view message, std::u16string_view button)
        : FCaption(caption), FMessage(message), FButtonText(button) {}

    // False when the window could not be made.
    bool Run(HWND owner) {
        CreateWindowObject(L"ZoMessageBox", FCaption, kStyle, kExStyle, 0, 0, 100, 100, owner, nullptr);
        if (!Handle()) return false;
        FText = CreateControl(Handle(), L"STATIC", FMessage, SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL, 0xFFFF, 0, 0, 0,
                              0, nullptr);
        // Drawn by the program while the style is applied; the platform's own button otherwise.
        const DWORD kind = ActiveStyle() ? BS_OWNERDRAW : BS_DEFPUSHBUTTON;
        FButton = CreateControl(Handle(), L"BUTTON", FButtonText, kind | WS_TABSTOP, IDOK, 0, 0, 0, 0, nullptr);
        if (ActiveStyle()) TrackButtonHot(FButton);
        ScaleTo(Dpi());
        CenterOnScreen(Handle());
        SetFocus(FButton);
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
                DrawIconEx(dc, FIcon.left, FIcon.top, FErrorIcon, FIcon.right - FIcon.left, FIcon.bottom - FIcon.top, 0,
                           nullptr, DI_NORMAL);
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
        TWindow::DpiChanged(dpi, suggested);  // its place; ScaleTo gives the size
        ScaleTo(dpi);
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    }

private:
    std::u16string FCaption, FMessage, FButtonText;
    TFont FFont;
    TIcon FErrorIcon;
    HWND FText = nullptr, FButton = nullptr;
    RECT FIcon{};

    // Fonts, icon, places and size at dpi, those of the scale before freed.
    void ScaleTo(int dpi) {
        const NONCLIENTMETRICSW ncm = NonClientMetricsAt(dpi);
        TFont font(CreateFontIndirectW(&ncm.lfMessageFont));
        TFont captionFont(CreateFontIndirectW(&ncm.lfCaptionFont));
        FErrorIcon = LoadIconAt(nullptr, IDI_ERROR, ScaleDpi(kMessageBoxIconSize, dpi));

        // The message wraps at half the screen's width at the most.
        const SIZE text = MeasureText(Handle(), font, W(FMessage), GetSystemMetrics(SM_CXSCREEN) / 2);
        const SIZE button = MeasureText(Handle(), font, W(WithoutAccessKeyMarks(FButtonText)), 0);
        const SIZE title = MeasureText(Handle(), captionFont, W(FCaption), 0);
        // Room for the caption's icon and close box besides the title.
        const int titleRoom = title.cx + 2 * SystemMetricAt(SM_CXSIZE, dpi) + ScaleDpi(16, dpi);
        const TMessageBoxLayout layout = LayOutMessageBox({{text.cx, text.cy}, button.cx, titleRoom}, dpi);

        FIcon = ToRect(layout.Icon);
        const RECT t = ToRect(layout.Text), b = ToRect(layout.Button);
        for (HWND control : {FText, FButton}) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        FFont = std::move(font);  // the controls hold the new font before the old one goes
        MoveWindow(FText, t.left, t.top, t.right - t.left, t.bottom - t.top, FALSE);
        MoveWindow(FButton, b.left, b.top, b.right - b.left, b.bottom - b.top, FALSE);
        const SIZE outer = WindowSizeForClient(kStyle, kExStyle, layout.Client.Cx, layout.Client.Cy, dpi);
        SetWindowPos(Handle(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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
