#include <windows.h>
#include <cstdio>

int wmain(int, wchar_t**) {
    std::fputs("usage: ZoradidIvavuda /install | /uninstall\n", stderr);
    return 2;
}
