// The program's own message box: caption, the system's error icon, the message word-wrapped
// beside it, and one button centred below that is both the default and the cancel button. Its
// text and button are real child windows (STATIC, BUTTON), so that screen readers and tests read
// them; it is drawn in the applied style, or in the platform's colours while none is applied.
#pragma once
#include <windows.h>

#include <string_view>

namespace zo::win {

// Shows the box modally over owner (none: over no window) and centred on the screen, until its
// button, Enter, Escape or its close box closes it. Ctrl+C beeps and copies caption, message and
// button caption the way the platform's own boxes do.
void ShowMessageBox(HWND owner, std::u16string_view caption, std::u16string_view message,
                    std::u16string_view button);

}  // namespace zo::win
