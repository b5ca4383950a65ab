// The yardstick of the panel's start-up: the least program with the panel's window, controls,
// fonts, icon and manifest, drawn in dark colours with the program's picture in its box, and
// nothing else (no settings, no service manager, no style parsing). bench_panel starts both and
// compares their start-up times.
#include <windows.h>
#include <commctrl.h>

namespace {

const COLORREF kBack = RGB(32, 32, 32), kText = RGB(240, 240, 240);
const int kPictureId = 2;
HBRUSH gBack;
HICON gPicture;  // the panel's first paint shows its icon in the picture box too

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, gBack);
            return 1;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetTextColor(reinterpret_cast<HDC>(wp), kText);
            SetBkColor(reinterpret_cast<HDC>(wp), kBack);
            return reinterpret_cast<LRESULT>(gBack);
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            FillRect(item->hDC, &item->rcItem, gBack);
            if (item->CtlID == kPictureId) DrawIconEx(item->hDC, 0, 0, gPicture, 48, 48, 0, nullptr, DI_NORMAL);
            return TRUE;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND Control(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y, int w, int h, HFONT font,
             int id = 0) {
    HWND control = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HFONT Font(int pixels) {
    LOGFONTW lf{};
    lf.lfHeight = -pixels;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Segoe UI", LF_FACESIZE);
    return CreateFontIndirectW(&lf);
}

}  // namespace

int wmain() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    gBack = CreateSolidBrush(kBack);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"MinimalPanel";
    RegisterClassExW(&wc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    RECT r{0, 0, 485, 244};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_CONTROLPARENT);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HWND main = CreateWindowExW(WS_EX_CONTROLPARENT, wc.lpszClassName, L"Quillora 5 Zudazuv Orerozo Vuzuvaz", style,
                                (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h,
                                nullptr, nullptr, instance, nullptr);
    HFONT font = Font(12), small = Font(11);
    const wchar_t* left[] = {L"Install", L"Start", L"Stop", L"Uninstall"};
    const wchar_t* right[] = {L"Exit", L"About", L"Help"};
    for (int i = 0; i < 4; ++i) Control(main, L"BUTTON", left[i], BS_PUSHBUTTON, 6, 5 + 35 * i, 90, 30, font);
    for (int i = 0; i < 3; ++i) Control(main, L"BUTTON", right[i], BS_PUSHBUTTON, 388, 5 + 35 * i, 90, 30, font);
    Control(main, L"STATIC", L"", SS_OWNERDRAW, 0, 217, 485, 27, small);
    HWND box = Control(main, L"BUTTON", L"Automatically restart services", WS_TABSTOP | BS_CHECKBOX, 106, 153, 173, 17,
                       font);
    const wchar_t* labels[] = {L"Install the service.", L"Start the service.", L"Stop the service.",
                               L"Uninstall the service."};
    for (int i = 0; i < 4; ++i) Control(main, L"STATIC", labels[i], SS_LEFT, 106, 12 + 35 * i, 110, 15, font);
    Control(main, L"STATIC", L"Service Status:", SS_LEFT, 6, 195, 73, 13, small);
    Control(main, L"STATIC", L"Checking service status...", SS_LEFT, 106, 190, 190, 23, small);
    gPicture = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 48, 48, 0));
    Control(main, L"STATIC", L"", SS_OWNERDRAW, 408, 133, 48, 48, font, kPictureId);
    ShowWindow(main, SW_SHOW);
    UpdateWindow(main);
    SetFocus(box);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(main, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DeleteObject(font);
    DeleteObject(small);
    DeleteObject(gBack);
    DestroyIcon(gPicture);
    return 0;
}
