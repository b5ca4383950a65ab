// idle [ms]: a process that does nothing for ms milliseconds (default 60000) and exits with 0.
// Tests copy it under other names to stand in for a program that runs.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    DWORD ms = argc > 1 ? DWORD(std::wcstoul(argv[1], nullptr, 10)) : 60000;
    Sleep(ms);
    return 0;
}
