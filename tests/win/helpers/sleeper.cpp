// A program for the launcher's tests: sleeper.exe <ms> <exit code> [<report file> [window]]
// Writes its command line and working folder (UTF-16, one per line) to the report file, then
// sleeps ms milliseconds and exits with the given code. With "window" it shows a top-level
// window titled "sleeper" meanwhile, and also ends when that window is closed.
#include <windows.h>

#include <cstdlib>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const DWORD ms = argc > 1 ? wcstoul(argv[1], nullptr, 10) : 0;
    const UINT code = argc > 2 ? wcstoul(argv[2], nullptr, 10) : 0;
    if (argc > 3 && argv[3][0]) {
        wchar_t dir[MAX_PATH];
        DWORD n = GetCurrentDirectoryW(MAX_PATH, dir);
        std::wstring report = std::wstring(GetCommandLineW()) + L"\n" + std::wstring(dir, n) + L"\n";
        HANDLE f = CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(f, report.data(), DWORD(report.size() * sizeof(wchar_t)), &written, nullptr);
            CloseHandle(f);
        }
    }
    if (argc > 4 && std::wstring(argv[4]) == L"window") {
        HWND wnd = CreateWindowExW(0, L"STATIC", L"sleeper", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                   200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        const DWORD end = GetTickCount() + ms;
        for (;;) {
            const DWORD now = GetTickCount();
            if (int(end - now) <= 0 || !IsWindow(wnd)) break;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    } else {
        Sleep(ms);
    }
    return static_cast<int>(code);
}
