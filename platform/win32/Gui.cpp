#include "platform/win32/Gui.h"

#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/Failure.h"
#include "platform/win32/CaptionBar.h"

namespace zo::win {

namespace {
std::wstring GTitle;
HWND GMainWindow = nullptr;
bool GBusy = false;
std::optional<TStyle> GStyle;
const wchar_t* const kHotProp = L"zo.hot";
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

static HWND BoxOwner() {
    HWND active = GetActiveWindow();
    return active ? active : (IsWindow(GMainWindow) ? GMainWindow : nullptr);
}

void ShowFailureBox(std::u16string_view message) {
    std::wstring text = W(FailureBoxText(message));
    MessageBoxW(BoxOwner(), text.c_str(), GTitle.c_str(), MB_OK | MB_ICONERROR);
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

void ShowErrorBox(std::u16string_view message) {
    std::wstring text = W(message);
    MessageBoxW(BoxOwner(), text.c_str(), L"Error", MB_OK | MB_ICONERROR);
}

namespace {
HHOOK GCloseHook = nullptr;
LRESULT CALLBACK RenameOkToClose(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE) {
        SetDlgItemTextW(reinterpret_cast<HWND>(wp), IDOK, L"&Close");
        UnhookWindowsHookEx(GCloseHook);
        GCloseHook = nullptr;
        return 0;
    }
    return CallNextHookEx(GCloseHook, code, wp, lp);
}
}  // namespace

void ShowStyleNotFoundBox(std::u16string_view styleName) {
    std::wstring text = L"Style '" + W(styleName) + L"' not found";
    GCloseHook = SetWindowsHookExW(WH_CBT, RenameOkToClose, nullptr, GetCurrentThreadId());
    MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    if (GCloseHook) {
        UnhookWindowsHookEx(GCloseHook);
        GCloseHook = nullptr;
    }
}

void SetBusyCursor(bool busy) {
    GBusy = busy;
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}
bool BusyCursor() { return GBusy; }

int RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (GMainWindow && IsDialogMessageW(GMainWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

void RunModal(HWND window, HWND owner) {
    if (owner) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    MSG msg;
    bool quit = false;
    while (IsWindow(window)) {
        if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (IsDialogMessageW(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (owner) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
    if (IsWindow(window)) DestroyWindow(window);
    if (quit) PostQuitMessage(int(msg.wParam));
}

void CenterOnScreen(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - w) / 2,
                 work.top + (work.bottom - work.top - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOver(HWND window, HWND over) {
    if (!over) return CenterOnScreen(window);
    RECT r, o;
    GetWindowRect(window, &r);
    GetWindowRect(over, &o);
    int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(window, nullptr, o.left + (o.right - o.left - w) / 2, o.top + (o.bottom - o.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE WindowSizeForClient(DWORD style, DWORD exStyle, int width, int height) {
    RECT r{0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
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

LRESULT TWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SETCURSOR && GBusy) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    return DefWindowProcW(FHandle, msg, wp, lp);
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

TFont CreateUiFont(const wchar_t* face, int pixelHeight, int weight, bool italic) {
    LOGFONTW lf{};
    lf.lfHeight = -pixelHeight;
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

void DrawPushButton(const DRAWITEMSTRUCT& item, COLORREF ownFace) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool disabled = item.itemState & ODS_DISABLED;
    const bool pressed = item.itemState & ODS_SELECTED;
    const bool hot = GetPropW(item.hwndItem, kHotProp) != nullptr;
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
    DrawTextW(dc, caption.c_str(), int(caption.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
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

namespace {
LRESULT CALLBACK HotTrackProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
    switch (msg) {
        case WM_MOUSEMOVE:
            if (!GetPropW(hwnd, kHotProp)) {
                SetPropW(hwnd, kHotProp, reinterpret_cast<HANDLE>(1));
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, hwnd, 0};
                TrackMouseEvent(&tme);
                InvalidateRect(hwnd, nullptr, FALSE);
            }
            break;
        case WM_MOUSELEAVE:
            RemovePropW(hwnd, kHotProp);
            InvalidateRect(hwnd, nullptr, FALSE);
            break;
        case WM_NCDESTROY:
            RemovePropW(hwnd, kHotProp);
            RemoveWindowSubclass(hwnd, HotTrackProc, id);
            break;
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}
}  // namespace

void TrackButtonHot(HWND button) { SetWindowSubclass(button, HotTrackProc, 1, 0); }

}  // namespace zo::win
