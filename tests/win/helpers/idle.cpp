// idle [ms]: a process that does nothing for ms milliseconds and exits with 0. Any other argument
// (such as a switch it gets when it stands in for another program) means 8000 ms.
// Tests copy it under other names to stand in for a program that runs.
#include <windows.h>

#include <cwchar>
#include <cwctype>

int wmain(int argc, wchar_t** argv) {
    DWORD ms = 8000;
    if (argc > 1 && std::iswdigit(argv[1][0])) ms = DWORD(std::wcstoul(argv[1], nullptr, 10));
    Sleep(ms);
    return 0;
}
