// Caption bars in the applied style. While a style is applied, a top-level window's caption bar
// (background, icon, title, minimise and close buttons with their hot and pressed looks, active
// and inactive) and its border are drawn in the style's colours: by the program itself, or by the
// desktop compositor where it offers caption colours of our choosing. Dragging, the buttons, the
// window menu and the keyboard work as the platform's own caption; the client area keeps its size.
#pragma once
#include <windows.h>

namespace zo::win {

// Gives window the style's caption bar for the rest of its life; does nothing while no style is
// applied, so that the platform's own caption stays.
void ApplyCaptionBar(HWND window);

}  // namespace zo::win
