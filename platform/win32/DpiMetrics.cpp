#include "platform/win32/DpiMetrics.h"

#include "platform/win32/WindowDpi.h"

namespace zo::win {

int SystemMetricAt(int index, int dpi) {
    using ForDpiFn = int(WINAPI*)(int, UINT);
    static const auto forDpi = User32Entry<ForDpiFn>("GetSystemMetricsForDpi");
    return forDpi ? forDpi(index, UINT(dpi)) : GetSystemMetrics(index);
}

NONCLIENTMETRICSW NonClientMetricsAt(int dpi) {
    using ForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
    static const auto forDpi = User32Entry<ForDpiFn>("SystemParametersInfoForDpi");
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0, UINT(dpi)))
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
    return m;
}

TIcon LoadIconAt(HINSTANCE module, const wchar_t* name, int size) {
    // The common controls (loaded with the program) scale the nearest larger image down, which
    // stays sharp; older libraries lack the call.
    using ScaleDownFn = HRESULT WINAPI(HINSTANCE, PCWSTR, int, int, HICON*);
    static const auto scaleDown =
        ModuleFunction<ScaleDownFn>(GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown");
    HICON icon = nullptr;
    if (scaleDown && SUCCEEDED(scaleDown(module, name, size, size, &icon))) return TIcon(icon);
    if (module) return TIcon(static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, 0)));
    // The system's icons load only as the platform's shared copies, which are not ours to destroy.
    HICON shared = static_cast<HICON>(LoadImageW(nullptr, name, IMAGE_ICON, size, size, LR_SHARED));
    return TIcon(shared ? CopyIcon(shared) : nullptr);
}

}  // namespace zo::win
