#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();

// Looked up once: older platforms have neither call (user32 is always loaded).
template <typename Fn>
Fn User32Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}
}  // namespace

int WindowDpi(HWND window) {
    static const auto forWindow = User32Entry<GetDpiForWindowFn>("GetDpiForWindow");
    static const auto forSystem = User32Entry<GetDpiForSystemFn>("GetDpiForSystem");
    UINT dpi = 0;
    if (window && forWindow) dpi = forWindow(window);
    if (!dpi && forSystem) dpi = forSystem();
    return dpi ? int(dpi) : ScreenDpi();
}

}  // namespace zo::win
