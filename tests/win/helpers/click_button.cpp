// click_button "<top-level caption>" "<button text>": finds the visible top-level window with
// that caption (any process), then its child control whose text is the button text, and clicks it.
// "Close" without such a child sends the window the system's close command (its caption's close
// button). Waits up to 5 s for the window. Exit code 0 when clicked, 1 when not found, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/WinProcess.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: click_button \"<top-level caption>\" \"<button text>\"\n", stderr);
        return 2;
    }
    const std::wstring caption = argv[1], text = argv[2];
    HWND window = testsupport::WaitForTopWindow(caption, 0, 5000);
    if (!window) {
        std::fprintf(stderr, "no visible window \"%ls\"\n", caption.c_str());
        return 1;
    }
    if (HWND button = testsupport::ChildByText(window, text)) {
        testsupport::Click(button);
        return 0;
    }
    if (text == L"Close") {
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    std::fprintf(stderr, "no control \"%ls\" in \"%ls\"\n", text.c_str(), caption.c_str());
    return 1;
}
