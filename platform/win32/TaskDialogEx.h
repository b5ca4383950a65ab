// A task dialog: the platform's native one where the platform offers it, otherwise a modal
// window of its own with the same content, a details expander and a single OK button.
#pragma once
#include <windows.h>

#include <string>

namespace zo::win {

class TTaskDialogEx {
public:
    std::u16string Title;
    std::u16string MainInstruction;  // TaskDialog's "Text" in the native dialog
    std::u16string Content;
    std::u16string ExpandedText;     // the details, hidden behind the expander at first
    PCWSTR MainIcon = MAKEINTRESOURCEW(-4);  // TD_SHIELD_ICON

    // How the last Execute presented itself.
    enum class TPresentation { tpNone, tpNative, tpOwnWindow };
    TPresentation LastPresentation = TPresentation::tpNone;
    // Which presentation Execute chooses: by the platform's versions (the program), or forced
    // (tests, so that both paths run on any platform).
    enum class TChoice { tcByPlatform, tcNative, tcOwnWindow };
    TChoice Choice = TChoice::tcByPlatform;

    // Shows the dialog modally over parent; returns the id of the button that closed it.
    int Execute(HWND parent);

    // Whether the native dialog can be used: platform 6 or later and common controls 6 or later.
    static bool NativeQualifies();

private:
    int ExecuteNative(HWND parent, bool& shown);
    int ExecuteOwnWindow(HWND parent);
};

}  // namespace zo::win
