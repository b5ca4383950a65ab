#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();

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
