#include "platform/win32/DpiMetrics.h"

#include "platform/Dpi.h"
#include "platform/win32/WindowDpi.h"

namespace zo::win {

namespace {
// Looked up once: the calls exist only where windows can have resolutions of their own.
template <typename Fn>
Fn User32Entry(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// A value the platform gave at the system's resolution, at dpi.
int FromSystemDpi(int value, int dpi) { return MulDivRound(value, dpi, WindowDpi(nullptr)); }
}  // namespace

int SystemMetricAt(int index, int dpi) {
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32Entry<ForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, UINT(dpi));
    return FromSystemDpi(GetSystemMetrics(index), dpi);
}

NONCLIENTMETRICSW NonClientMetricsAt(int dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = User32Entry<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0, UINT(dpi))) return m;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    for (LOGFONTW* f : {&m.lfCaptionFont, &m.lfSmCaptionFont, &m.lfMenuFont, &m.lfStatusFont, &m.lfMessageFont})
        f->lfHeight = FromSystemDpi(f->lfHeight, dpi);
    for (int* v : {&m.iBorderWidth, &m.iScrollWidth, &m.iScrollHeight, &m.iCaptionWidth, &m.iCaptionHeight,
                   &m.iSmCaptionWidth, &m.iSmCaptionHeight, &m.iMenuWidth, &m.iMenuHeight})
        *v = FromSystemDpi(*v, dpi);
    return m;
}

TIcon LoadIconAt(HINSTANCE module, const wchar_t* name, int size) {
    // The common controls (loaded with the program) scale the nearest larger image down, which
    // stays sharp; older libraries lack the call.
    using ScaleDownFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown = reinterpret_cast<ScaleDownFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown")));
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(module, name, size, size, &icon))) return TIcon(icon);
    if (module) return TIcon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0)));
    // The system's icons load only as the platform's shared copies, which are not ours to destroy.
    HICON shared = static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, size, size, LR_SHARED));
    return TIcon(shared ? CopyIcon(shared) : nullptr);
}

}  // namespace zo::win
