// window_rect "<top-level caption>": prints the screen rectangle of the visible top-level window
// with that caption (any process) as ImageMagick's geometry, WIDTHxHEIGHT+LEFT+TOP, frame and
// caption bar included. Waits up to 5 s for the window. Exit code 0 when found, 1 when not.
#include <windows.h>

#include <cstdio>
#include <string>

#include "tests/support/WinProcess.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fputs("usage: window_rect \"<top-level caption>\"\n", stderr);
        return 2;
    }
    HWND window = testsupport::WaitForTopWindow(argv[1], 0, 5000);
    if (!window) return 1;
    RECT r;
    GetWindowRect(window, &r);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}
