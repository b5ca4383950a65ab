#include "platform/win32/TaskDialogEx.h"

#include <commctrl.h>
#include <string>
#include <utility>

#include "platform/win32/CaptionBar.h"
#include "platform/win32/DpiMetrics.h"
#include "platform/win32/Gui.h"
#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

int PlatformMajorVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto fn = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                    : nullptr;
    if (fn && fn(&v) == 0) return int(v.dwMajorVersion);
    return 0;
}

// The major file version of the common-controls library that this program loads (the manifest
// asks for version 6), read from the library file's version resource.
int CommonControlsMajorVersion() {
    HMODULE lib = LoadLibraryW(L"comctl32.dll");
    if (!lib) return 0;
    wchar_t path[MAX_PATH];
    DWORD len = GetModuleFileNameW(lib, path, MAX_PATH);
    FreeLibrary(lib);
    if (len == 0 || len >= MAX_PATH) return 0;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) return 0;
    std::string block(size, '\0');
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLen = 0;
    if (!GetFileVersionInfoW(path, 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoLen) || !info)
        return 0;
    return int(HIWORD(info->dwFileVersionMS));
}

// No event of the component is assigned; the callback only gives the platform's dialog the
// style's caption bar once it exists, and tells the modal scope (data) which window it is.
HRESULT CALLBACK NoEvents(HWND window, UINT notification, WPARAM, LPARAM, LONG_PTR data) {
    if (notification == TDN_CREATED) {
        ApplyCaptionBar(window);
        reinterpret_cast<TModalOwnerScope*>(data)->SetWindow(window);
    }
    return S_OK;
}

}  // namespace

bool TTaskDialogEx::NativeQualifies() { return PlatformMajorVersion() >= 6 && CommonControlsMajorVersion() >= 6; }

int TTaskDialogEx::Execute(HWND parent) {
    const bool native = Choice == TChoice::tcNative || (Choice == TChoice::tcByPlatform && NativeQualifies());
    if (native) {
        bool shown = false;
        int result = ExecuteNative(parent, shown);
        if (shown) return result;
        // The library could not be loaded or lacks the entry point: rather than show nothing,
        // which would leave the user without any word of what went wrong, use our own window.
    }
    return ExecuteOwnWindow(parent);
}

int TTaskDialogEx::ExecuteNative(HWND parent, bool& shown) {
    shown = false;
    HMODULE lib = LoadLibraryW(L"comctl32.dll");
    if (!lib) return 0;
    auto fn = reinterpret_cast<TaskDialogIndirectFn>(reinterpret_cast<void*>(GetProcAddress(lib, "TaskDialogIndirect")));
    int button = 0;
    if (fn) {
        std::wstring title = W(Title), instruction = W(MainInstruction), content = W(Content), expanded = W(ExpandedText);
        TASKDIALOGCONFIG config{};
        config.cbSize = sizeof config;
        config.hwndParent = parent;
        config.hInstance = GetModuleHandleW(nullptr);
        config.dwFlags = 0;
        config.dwCommonButtons = 0;
        config.pszWindowTitle = title.c_str();
        config.pszMainIcon = MainIcon;
        config.pszMainInstruction = instruction.c_str();
        config.pszContent = content.c_str();
        config.pszExpandedInformation = ExpandedText.empty() ? nullptr : expanded.c_str();
        LastPresentation = TPresentation::tpNative;
        // The platform enables the parent again when its dialog closes, even when another modal
        // window above the parent is still open: the scope counts the dialog among them.
        TModalOwnerScope ownerState(parent);
        config.pfCallback = NoEvents;
        config.lpCallbackData = reinterpret_cast<LONG_PTR>(&ownerState);
        shown = SUCCEEDED(fn(&config, &button, nullptr, nullptr));
    }
    FreeLibrary(lib);
    return button;
}

// ---- The component's own window ---------------------------------------------------------------

namespace {

// Sizes at 96 dots per inch.
constexpr int kWidth = 420;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kIdExpander = 100;
constexpr int kDetailsPadding = 6;  // between the details' text area and its text
constexpr COLORREF kInstructionBlue = RGB(0, 83, 196);

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

class TOwnTaskWindow : public TWindow {
public:
    explicit TOwnTaskWindow(TTaskDialogEx& dialog) : FDialog(dialog) {}

    int Run(HWND parent) {
        // Laid out before the window exists, at the resolution of the screen it is centred on, so
        // that it is made at its final size and place.
        ScaleTo(WindowDpi(nullptr));
        const TPlaces places = Places();
        const SIZE outer = OuterSize(places);
        const POINT at = CenteredOnScreen(outer);
        CreateWindowObject(L"ZoTaskDialogEx", FDialog.Title, kStyle, kExStyle, at.x, at.y, outer.cx, outer.cy, parent,
                           nullptr);
        if (!Handle()) return 0;
        LONG_PTR cls = GetClassLongPtrW(Handle(), GCL_STYLE);
        SetClassLongPtrW(Handle(), GCL_STYLE, cls | CS_NOCLOSE);
        Build(places);
        if (Dpi() != FDpi) {  // made on a monitor of another scale: laid out again and centred at that size
            ScaleTo(Dpi());
            Layout(true);
        }
        SetInitialFocus(FOk);
        const TMessageFilter copy = CopyOnCtrlC([this] { CopyToClipboard(); });
        RunModal(Handle(), parent, [this, &copy](const MSG& msg) {
            // Enter on the focused expander acts on it, as on any focused push button; the dialog
            // keys would take it for OK, since the expander is drawn by the window.
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && msg.hwnd == FExpander) {
                SendMessageW(Handle(), WM_COMMAND, MAKEWPARAM(kIdExpander, BN_CLICKED), reinterpret_cast<LPARAM>(FExpander));
                return true;
            }
            return copy(msg);
        });
        return FResult;
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_COMMAND:
                if (LOWORD(wp) == IDOK && (HIWORD(wp) == BN_CLICKED || lp == 0)) {
                    FResult = IDOK;
                    Close();
                } else if (LOWORD(wp) == kIdExpander && HIWORD(wp) == BN_CLICKED) {
                    FExpanded = !FExpanded;
                    Layout();
                }
                return 0;
            case WM_CLOSE:  // no close box, and Alt+F4 does nothing
                return 0;
            case WM_SYSCOMMAND:
                if ((wp & 0xFFF0) == SC_CLOSE) return 0;
                break;
            case WM_ERASEBKGND:
                EraseClient(Handle(), reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOW));
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(Handle(), &ps);
                const int at = Px(kMargin), size = Px(kIconSize);
                DrawIconEx(dc, at, at, FShield, size, size, 0, nullptr, DI_NORMAL);
                if (FExpanded) DrawDetailsArea(dc);
                EndPaint(Handle(), &ps);
                return 0;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLORBTN: {
                const HWND control = reinterpret_cast<HWND>(lp);
                if (control == FDetails)
                    return ControlColors(reinterpret_cast<HDC>(wp), DetailsText(), DetailsFace());
                const TStyle* s = ActiveStyle();
                const COLORREF text = control != FInstruction ? WindowTextColor(GetSysColor(COLOR_WINDOWTEXT))
                                      : s                     ? s->HeadingText
                                                              : kInstructionBlue;
                return ControlColors(reinterpret_cast<HDC>(wp), text, WindowColor(GetSysColor(COLOR_WINDOW)));
            }
            case WM_DRAWITEM: {
                const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lp);
                DrawPushButton(item, GetSysColor(COLOR_BTNFACE));
                if (item.hwndItem == FExpander) DrawChevron(item);
                return TRUE;
            }
        }
        return TWindow::HandleMessage(msg, wp, lp);
    }

    void DpiChanged(int dpi, const RECT& suggested) override {
        TWindow::DpiChanged(dpi, suggested);  // its place; the layout gives the size
        ScaleTo(dpi);
        Layout();
    }

private:
    TTaskDialogEx& FDialog;
    HWND FInstruction = nullptr, FContent = nullptr, FExpander = nullptr, FDetails = nullptr, FOk = nullptr;
    TFont FFont, FInstructionFont;
    TIcon FShield;
    int FDpi = kDesignDpi;
    bool FExpanded = false;
    int FResult = 0;

    int Px(int designPixels) const { return ScaleDpi(designPixels, FDpi); }

    // Fonts and the shield at dpi; the controls, once they exist, hold the new fonts before
    // those of the scale before are freed.
    void ScaleTo(int dpi) {
        FDpi = dpi;
        const NONCLIENTMETRICSW ncm = NonClientMetricsAt(dpi);
        TFont font(CreateFontIndirectW(&ncm.lfMessageFont));
        TFont instructionFont = CreateUiFont(ncm.lfMessageFont.lfFaceName, 15, FW_NORMAL, false, dpi);  // 11 point
        if (Handle()) {
            for (HWND control : {FContent, FExpander, FDetails, FOk})
                SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
            SendMessageW(FInstruction, WM_SETFONT, reinterpret_cast<WPARAM>(instructionFont.get()), FALSE);
        }
        FFont = std::move(font);
        FInstructionFont = std::move(instructionFont);
        FShield = LoadIconAt(nullptr, MAKEINTRESOURCEW(32518) /* IDI_SHIELD */, Px(kIconSize));
        if (!FShield) FShield = LoadIconAt(nullptr, IDI_WARNING, Px(kIconSize));
    }

    // Where each control lies at the window's scale, and the client area's height.
    struct TPlaces {
        RECT Instruction, Content, Expander, Details, Ok;
        int ClientHeight;
    };

    // Texts wrap to the width and the window's height follows; measured from the dialog's own
    // strings, so that it needs no window.
    TPlaces Places() const {
        const int margin = Px(kMargin), width = Px(kWidth), padding = Px(kDetailsPadding);
        const int textLeft = Px(kMargin + kIconSize + 10);
        const int textWidth = width - textLeft - margin;
        const auto height = [](HFONT font, const std::u16string& text, int wrapWidth) {
            return int(TextSize(font, W(text), DT_WORDBREAK | DT_NOPREFIX, wrapWidth).cy);
        };
        TPlaces p{};
        int y = margin;
        int h = height(FInstructionFont, FDialog.MainInstruction, textWidth);
        p.Instruction = RECT{textLeft, y, textLeft + textWidth, y + h};
        y += h + Px(8);
        h = height(FFont, FDialog.Content, textWidth);
        p.Content = RECT{textLeft, y, textLeft + textWidth, y + h};
        y = std::max(y + h, Px(kMargin + kIconSize)) + Px(12);
        p.Expander = RECT{margin, y, margin + Px(19), y + Px(19)};
        y += Px(19 + 8);
        if (FExpanded) {
            const int inner = width - 2 * (margin + padding);
            h = height(FFont, FDialog.ExpandedText, inner);
            p.Details = RECT{margin + padding, y + padding, margin + padding + inner, y + padding + h};
            y += h + 2 * padding + Px(8);
        }
        p.Ok = RECT{width - margin - Px(80), y, width - margin, y + Px(26)};
        p.ClientHeight = y + Px(26) + margin;
        return p;
    }

    SIZE OuterSize(const TPlaces& places) const {
        return WindowSizeForClient(kStyle, kExStyle, Px(kWidth), places.ClientHeight, FDpi);
    }

    void Build(const TPlaces& p) {
        const auto child = [this](const wchar_t* cls, const std::u16string& text, DWORD style, int id, const RECT& r,
                                  HFONT font) {
            return CreateControl(Handle(), cls, text, style, id, r.left, r.top, r.right - r.left, r.bottom - r.top, font);
        };
        FInstruction = child(L"STATIC", FDialog.MainInstruction, SS_LEFT | SS_NOPREFIX, 0, p.Instruction, FInstructionFont);
        FContent = child(L"STATIC", FDialog.Content, SS_LEFT | SS_NOPREFIX, 0, p.Content, FFont);
        FExpander = child(L"BUTTON", u"", BS_OWNERDRAW | WS_TABSTOP, kIdExpander, p.Expander, FFont);
        FDetails = child(L"STATIC", FDialog.ExpandedText, SS_LEFT | SS_NOPREFIX, 0, p.Details, FFont);
        ShowWindow(FDetails, SW_HIDE);  // until the details are expanded
        const RECT& ok = p.Ok;
        FOk = CreateDialogButton(Handle(), u"OK", IDOK, ok.left, ok.top, ok.right - ok.left, ok.bottom - ok.top, FFont);
        TrackButtonHot(FExpander);
    }

    // The controls and the window's size at its scale; centred on the screen at that size when
    // asked, in the same move.
    void Layout(bool centre = false) {
        const TPlaces p = Places();
        const std::pair<HWND, const RECT&> placed[] = {
            {FInstruction, p.Instruction}, {FContent, p.Content}, {FExpander, p.Expander}, {FOk, p.Ok}};
        for (const auto& [control, r] : placed) MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        if (FExpanded) {
            const RECT& r = p.Details;
            MoveWindow(FDetails, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        }
        ShowWindow(FDetails, FExpanded ? SW_SHOW : SW_HIDE);
        const SIZE outer = OuterSize(p);
        const POINT at = centre ? CenteredOnScreen(outer) : POINT{};
        SetWindowPos(Handle(), nullptr, at.x, at.y, outer.cx, outer.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE | (centre ? 0 : SWP_NOMOVE));
        InvalidateRect(Handle(), nullptr, TRUE);
        InvalidateRect(FExpander, nullptr, TRUE);
    }

    // A chevron pointing down while the details are hidden, up while they are shown.
    void DrawChevron(const DRAWITEMSTRUCT& item) {
        const RECT& r = item.rcItem;
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        const int d = FExpanded ? -1 : 1;
        const TStyle* s = ActiveStyle();
        TPen pen(CreatePen(PS_SOLID, Px(2), s ? s->ButtonText : GetSysColor(COLOR_BTNTEXT)));
        TSelect sel(item.hDC, pen);
        const int half = Px(4), rise = Px(2) * d;
        POINT pts[3] = {{cx - half, cy - rise}, {cx, cy + rise}, {cx + half, cy - rise}};
        Polyline(item.hDC, pts, 3);
    }

    // The details sit in a text area: the style's colours, the window's own without one.
    COLORREF DetailsFace() const {
        const TStyle* s = ActiveStyle();
        return s ? s->EditFace : GetSysColor(COLOR_WINDOW);
    }
    COLORREF DetailsText() const {
        const TStyle* s = ActiveStyle();
        return s ? s->EditText : GetSysColor(COLOR_WINDOWTEXT);
    }
    void DrawDetailsArea(HDC dc) {
        RECT r;
        GetWindowRect(FDetails, &r);
        MapWindowPoints(HWND_DESKTOP, Handle(), reinterpret_cast<POINT*>(&r), 2);
        InflateRect(&r, Px(kDetailsPadding), Px(kDetailsPadding));
        FillSolid(dc, r, DetailsFace());
        if (const TStyle* s = ActiveStyle()) FrameSolid(dc, r, s->ButtonBorder);
    }

    void Close() { EndModal(Handle()); }

public:
    // Ctrl+C: beep and copy title, instruction, content, and the details while they are shown.
    void CopyToClipboard() {
        std::u16string text = FDialog.Title + u"\r\n" + FDialog.MainInstruction + u"\r\n" + FDialog.Content + u"\r\n";
        if (FExpanded) text += u"\r\n" + FDialog.ExpandedText + u"\r\n";
        PutTextOnClipboard(Handle(), text);
    }
};

}  // namespace

int TTaskDialogEx::ExecuteOwnWindow(HWND parent) {
    LastPresentation = TPresentation::tpOwnWindow;
    TOwnTaskWindow window(*this);
    return window.Run(parent);
}

}  // namespace zo::win
