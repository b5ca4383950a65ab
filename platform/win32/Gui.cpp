#include "platform/win32/Gui.h"

#include <commctrl.h>

#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/win32/WindowDpi.h"
#include "platform/win32/CaptionBar.h"
#include "platform/win32/Subclass.h"

namespace zo::win {

namespace {
std::wstring GTitle;
HWND GMainWindow = nullptr;
bool GBusy = false;
std::optional<TStyle> GStyle;
}  // namespace

std::u16string WindowText(HWND hwnd) {
    int len = GetWindowTextLengthW(hwnd);
    std::wstring s(size_t(len) + 1, L'\0');
    s.resize(size_t(GetWindowTextW(hwnd, s.data(), len + 1)));
    return U(s);
}

void SetApplicationTitle(std::u16string_view title) { GTitle = W(title); }
const std::wstring& ApplicationTitle() { return GTitle; }
void SetMainWindow(HWND hwnd) { GMainWindow = hwnd; }
HWND MainWindow() { return GMainWindow; }

void SetBusyCursor(bool busy) {
    GBusy = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}
bool BusyCursor() { return GBusy; }

namespace {
struct TOfferedKey {
    WPARAM Key;
    bool Taken;
};

BOOL CALLBACK OfferDialogChar(HWND child, LPARAM data) {
    auto& offer = *reinterpret_cast<TOfferedKey*>(data);
    offer.Taken = SendMessageW(child, WM_ZO_DIALOGCHAR, offer.Key, 0) != 0;
    return offer.Taken ? FALSE : TRUE;  // FALSE stops the walk
}

// Alt+key: the children of the window it was pressed in are offered the key before the dialog
// keys see it.
bool OfferedAsAccessKey(const MSG& msg) {
    if (msg.message != WM_SYSCHAR || !msg.hwnd) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    TOfferedKey offer{msg.wParam, false};
    if (root) EnumChildWindows(root, OfferDialogChar, reinterpret_cast<LPARAM>(&offer));
    return offer.Taken;
}
}  // namespace

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (OfferedAsAccessKey(msg)) continue;
        if (GMainWindow && IsDialogMessageW(GMainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// The modal showings in progress on the GUI thread, in the order they began. An owner takes
// input exactly while none of the showings above it is open: counting them, rather than each
// showing remembering the state it found, is what keeps that true whatever order they close in.
struct TModalState {
    HWND Window, Owner, Active;  // Window may be unknown (null) for a dialog the platform runs
    bool Open = true;
};

namespace {
std::vector<TModalState*> GModals;

int OpenModalsAbove(HWND owner) {
    return int(std::count_if(GModals.begin(), GModals.end(),
                             [owner](const TModalState* m) { return m->Open && m->Owner == owner; }));
}

bool TakesInput(HWND window) { return window && IsWindow(window) && IsWindowEnabled(window); }

// The window that was active before the closing showing, if it still takes input; else the
// newest showing still open; else the owner.
HWND NextActive(const TModalState& closing) {
    if (closing.Active != closing.Window && TakesInput(closing.Active)) return closing.Active;
    for (auto it = GModals.rbegin(); it != GModals.rend(); ++it)
        if ((*it)->Open && *it != &closing && TakesInput((*it)->Window)) return (*it)->Window;
    return TakesInput(closing.Owner) ? closing.Owner : nullptr;
}

TModalState& BeginModal(HWND window, HWND owner) {
    auto* state = new TModalState{window, owner, GetActiveWindow()};
    GModals.push_back(state);
    if (owner) EnableWindow(owner, FALSE);
    return *state;
}

// The showing has ended: its owner takes input again if no other showing is open above it, and
// the window active before it becomes active again (before the window goes, so that activation
// does not pass to another program).
void CloseModal(TModalState& state) {
    if (!state.Open) return;
    state.Open = false;
    // Set both ways: a dialog that the platform runs enables its owner when it closes, even
    // while another modal window above that owner is still open.
    if (state.Owner && IsWindow(state.Owner)) EnableWindow(state.Owner, OpenModalsAbove(state.Owner) == 0);
    if (HWND next = NextActive(state)) SetActiveWindow(next);
}

void ForgetModal(TModalState& state) {
    CloseModal(state);
    GModals.erase(std::find(GModals.begin(), GModals.end(), &state));
    delete &state;
}

// Where a message goes to a window of one of the open showings, that window's dialog keys
// handle it (the showing innermost on the stack is not always the one the user is in).
bool ModalDialogMessage(MSG& msg, HWND window) {
    HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    for (const TModalState* m : GModals)
        if (m->Open && m->Window == root && root) return IsDialogMessageW(root, &msg);
    return IsDialogMessageW(window, &msg);
}
}  // namespace

void RunModal(HWND window, HWND owner, const TMessageFilter& filter) {
    TModalState& state = BeginModal(window, owner);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    bool quit = false;
    while (IsWindow(window) && state.Open) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (filter && filter(msg)) continue;
        if (OfferedAsAccessKey(msg)) continue;
        if (ModalDialogMessage(msg, window)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ForgetModal(state);
    if (IsWindow(window)) DestroyWindow(window);
    if (quit) PostQuitMessage(int(msg.wParam));
}

void EndModal(HWND window) {
    for (TModalState* state : GModals)
        if (state->Window == window) CloseModal(*state);
    DestroyWindow(window);
}

TModalOwnerScope::TModalOwnerScope(HWND owner) : FState(&BeginModal(nullptr, owner)) {}

TModalOwnerScope::~TModalOwnerScope() { ForgetModal(*FState); }

void TModalOwnerScope::SetWindow(HWND window) { FState->Window = window; }

TMessageFilter CopyOnCtrlC(std::function<void()> copy) {
    return [copy = std::move(copy)](const MSG& msg) {
        if (msg.message != WM_KEYDOWN || msg.wParam != 'C' || !(GetKeyState(VK_CONTROL) & 0x8000) ||
            (GetKeyState(VK_MENU) & 0x8000))
            return false;
        MessageBeep(MB_OK);
        copy();
        return true;
    };
}

bool PutTextOnClipboard(HWND owner, std::u16string_view text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const size_t bytes = (text.size() + 1) * sizeof(char16_t);
    bool done = false;
    if (HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* p = GlobalLock(mem)) {
            std::memcpy(p, text.data(), text.size() * sizeof(char16_t));
            static_cast<char16_t*>(p)[text.size()] = 0;
            GlobalUnlock(mem);
            done = SetClipboardData(CF_UNICODETEXT, mem) != nullptr;
        }
        if (!done) GlobalFree(mem);  // the clipboard owns it only once it has taken it
    }
    CloseClipboard();
    return done;
}

POINT CenteredOnScreen(SIZE size) {
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return POINT{work.left + (work.right - work.left - size.cx) / 2, work.top + (work.bottom - work.top - size.cy) / 2};
}

POINT CenteredOver(SIZE size, HWND over) {
    RECT o;
    if (!over || !GetWindowRect(over, &o)) return CenteredOnScreen(size);
    return POINT{o.left + (o.right - o.left - size.cx) / 2, o.top + (o.bottom - o.top - size.cy) / 2};
}

SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int width, int height, int dpi) {
    // The frame at the window's own resolution where the platform can say (looked up once: older
    // platforms lack the call and have one resolution for everything).
    using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32Entry<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    RECT r{0, 0, width, height};
    if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, UINT(dpi))) AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

SIZE TextSize(HFONT font, std::wstring_view text, UINT format, int wrapWidth) {
    HDC screen = GetDC(nullptr);
    RECT r{0, 0, std::max(wrapWidth, 0), 0};
    {
        TSelect sel(screen, font);
        DrawTextW(screen, text.data(), int(text.size()), &r, format | DT_CALCRECT);
    }
    ReleaseDC(nullptr, screen);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

HWND CreateControl(HWND parent, const wchar_t* className, std::u16string_view text, DWORD style, int id, int x,
                   int y, int w, int h, HFONT font) {
    std::wstring t = W(text);
    HWND hwnd = CreateWindowExW(0, className, t.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

HWND CreateDialogButton(HWND parent, std::u16string_view text, int id, int x, int y, int w, int h, HFONT font) {
    const DWORD kind = ActiveStyle() ? BS_OWNERDRAW : BS_DEFPUSHBUTTON;
    HWND button = CreateControl(parent, L"BUTTON", text, kind | WS_TABSTOP, id, x, y, w, h, font);
    if (button && ActiveStyle()) TrackButtonHot(button);
    return button;
}

// ---- TWindow ----------------------------------------------------------------------------------

TWindow::~TWindow() {
    if (FHandle && IsWindow(FHandle)) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

HWND TWindow::CreateWindowObject(const wchar_t* className, const std::u16string& caption, DWORD style,
                                 DWORD exStyle, int x, int y, int w, int h, HWND parent, HICON icon) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), className, &wc)) {
        wc = WNDCLASSEXW{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = StaticProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hIcon = icon;
        wc.lpszClassName = className;
        RegisterClassExW(&wc);
    }
    std::wstring text = W(caption);
    CreateWindowExW(exStyle, className, text.c_str(), style, x, y, w, h, parent, nullptr, GetModuleHandleW(nullptr),
                    this);
    if (FHandle && !(style & WS_CHILD)) ApplyCaptionBar(FHandle);
    return FHandle;
}

int TWindow::Dpi() const { return WindowDpi(FHandle); }

void TWindow::DpiChanged(int, const RECT& suggested) {
    SetWindowPos(FHandle, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR && GBusy) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    if (msg == WM_DPICHANGED) {
        DpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
        return 0;
    }
    if (msg == WM_ACTIVATE && !(GetWindowLongPtrW(FHandle, GWL_STYLE) & WS_CHILD)) {
        KeepFocus(LOWORD(wp) != WA_INACTIVE, HIWORD(wp) != 0);
        return 0;
    }
    return DefWindowProcW(FHandle, msg, wp, lp);
}

// As the system's dialogs do: the control focused when the window was left has the focus again
// when it comes back (the first tab stop when that one is gone), not the window itself, so that
// the keyboard goes on where it was.
void TWindow::KeepFocus(bool active, bool minimized) {
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(FHandle, focus)) FLastFocus = focus;
        return;
    }
    if (minimized) return;
    HWND target = FLastFocus;
    if (!target || !IsWindow(target) || !IsChild(FHandle, target) || !IsWindowEnabled(target) || !IsWindowVisible(target)) {
        target = GetNextDlgTabItem(FHandle, nullptr, FALSE);
        if (target && !(GetWindowLongPtrW(target, GWL_STYLE) & WS_TABSTOP)) target = nullptr;
    }
    SetFocus(target ? target : FHandle);
}

void TWindow::SetInitialFocus(HWND control) {
    FLastFocus = control;
    SetFocus(control);
}

LRESULT CALLBACK TWindow::StaticProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->FHandle = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        HandleCurrentException();
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        self->Destroyed();
    }
    return result;
}

// ---- GDI --------------------------------------------------------------------------------------

HBITMAP CreateDib32(int w, int h, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

TFont CreateUiFont(const wchar_t* face, int pixelHeight, int weight, bool italic, int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -ScaleDpi(pixelHeight, dpi);
    lf.lfWeight = weight;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return TFont(CreateFontIndirectW(&lf));
}

void FillSolid(HDC dc, const RECT& r, COLORREF color) {
    COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FrameSolid(HDC dc, const RECT& r, COLORREF color) {
    FillSolid(dc, RECT{r.left, r.top, r.right, r.top + 1}, color);
    FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, color);
    FillSolid(dc, RECT{r.left, r.top, r.left + 1, r.bottom}, color);
    FillSolid(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, color);
}

// ---- Style ------------------------------------------------------------------------------------

bool ApplyStyle(std::u16string_view name) {
    std::wstring resName = W(name);
    CharUpperW(resName.data());
    HRSRC res = FindResourceW(nullptr, resName.c_str(), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (!res) return false;
    HGLOBAL data = LoadResource(nullptr, res);
    const char* bytes = data ? static_cast<const char*>(LockResource(data)) : nullptr;
    if (!bytes) return false;
    GStyle = ParseStyle(name, std::string_view(bytes, SizeofResource(nullptr, res)));
    return GStyle.has_value();
}

void ClearStyle() { GStyle.reset(); }

const TStyle* ActiveStyle() { return GStyle ? &*GStyle : nullptr; }
COLORREF WindowColor(COLORREF own) { return GStyle ? GStyle->Window : own; }
COLORREF WindowTextColor(COLORREF own) { return GStyle ? GStyle->WindowText : own; }

namespace {
// The hot state is the data of the button's hot-tracking procedure: reading it asks nothing of the system.
LRESULT CALLBACK HotTrackProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR hot) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (!hot) {
                SetSubclass(hwnd, HotTrackProc, id, 1);
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&tme);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            SetSubclass(hwnd, HotTrackProc, id, 0);
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_NCDESTROY:
            RemoveSubclass(hwnd, HotTrackProc, id);
            break;
    }
    return DefSubclass(hwnd, msg, wp, lp);
}

constexpr UINT_PTR kHotTrackId = 1, kFocuslessId = 2;

bool IsHot(HWND button) {
    DWORD_PTR hot = 0;
    return FindSubclass(button, HotTrackProc, kHotTrackId, &hot) && hot;
}
}  // namespace

void DrawPushButton(const DRAWITEMSTRUCT& item, COLORREF ownFace) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool hot = IsHot(item.hwndItem);
    const bool focused = item.itemState & ODS_FOCUS;
    COLORREF face, text, border;
    if (const TStyle* s = ActiveStyle()) {
        face = disabled ? s->ButtonFaceDisabled : pressed ? s->ButtonFacePressed : hot ? s->ButtonFaceHot : s->ButtonFace;
        text = disabled ? s->ButtonTextDisabled : s->ButtonText;
        border = focused ? s->FocusBorder : s->ButtonBorder;
    } else {
        face = pressed ? GetSysColor(COLOR_BTNSHADOW) : ownFace;
        text = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
        border = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW);
    }
    FillSolid(dc, r, face);
    FrameSolid(dc, r, border);
    std::wstring caption = W(WindowText(item.hwndItem));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, text);
    if (pressed) OffsetRect(&r, 1, 1);
    // "&" marks an access key, underlined once the keyboard is in use.
    const UINT prefix = (item.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextW(dc, caption.c_str(), int(caption.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
}

LRESULT ControlColors(HDC dc, COLORREF textColor, COLORREF background) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor);
    SetDCBrushColor(dc, background);
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}

void EraseClient(HWND window, HDC dc, COLORREF ownColor) {
    RECT r;
    GetClientRect(window, &r);
    FillSolid(dc, r, WindowColor(ownColor));
}

void DrawLabel(const DRAWITEMSTRUCT& item, HFONT font, COLORREF textColor, COLORREF background, UINT format) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    FillSolid(dc, r, background);
    std::wstring caption = W(WindowText(item.hwndItem));
    TSelect sel(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColor);
    DrawTextW(dc, caption.c_str(), int(caption.size()), &r, format | DT_SINGLELINE | DT_NOPREFIX);
}

void TrackButtonHot(HWND button) { SetSubclass(button, HotTrackProc, kHotTrackId, 0); }

namespace {
// The button's own mouse handling would focus it; this one presses and clicks it the same way
// (pushed while the pointer is over it, clicked when released there) and leaves the focus alone.
LRESULT CALLBACK FocuslessProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (IsWindowEnabled(hwnd)) {
                SetCapture(hwnd);
                SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == hwnd) {
                RECT r;
                GetClientRect(hwnd, &r);
                const BOOL inside = PtInRect(&r, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
                const BOOL pushed = (SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
                if (inside != pushed) SendMessageW(hwnd, BM_SETSTATE, inside, 0);
            }
            break;  // hot tracking sees it too
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd) {
                const bool pushed = SendMessageW(hwnd, BM_GETSTATE, 0, 0) & BST_PUSHED;
                ReleaseCapture();
                if (pushed)
                    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED),
                                 reinterpret_cast<LPARAM>(hwnd));
            }
            return 0;
        case WM_CAPTURECHANGED:
            SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
            return 0;
        case WM_SETFOCUS:
            if (HWND next = GetNextDlgTabItem(GetParent(hwnd), hwnd, FALSE); next && next != hwnd) SetFocus(next);
            return 0;
        case WM_NCDESTROY:
            RemoveSubclass(hwnd, FocuslessProc, id);
            break;
    }
    return DefSubclass(hwnd, msg, wp, lp);
}
}  // namespace

void KeepFocusAway(HWND button) { SetSubclass(button, FocuslessProc, kFocuslessId, 0); }

}  // namespace zo::win
