// The resolution a window is shown at, for scaling its 96-dpi design sizes (platform/Dpi.h).
#pragma once
#include <windows.h>

#include <type_traits>

#include "platform/win32/SystemLibrary.h"

namespace zo::win {

// The window's dots per inch: the platform's per-window value where it has one (the panel is
// aware of each monitor's scale), else the screen's; 96 when nothing answers. A null window
// gives the system's value.
int WindowDpi(HWND window);

// A function of user32 (always loaded) that older platforms lack: nullptr there. Callers keep the
// answer in a static, so each is looked up once.
template <typename Fn>
Fn User32Entry(const char* name) {
    return ModuleFunction<std::remove_pointer_t<Fn>>(GetModuleHandleW(L"user32.dll"), name);
}

}  // namespace zo::win
