// Holds a file open the way another program would, until a signal file disappears (at most 60 s).
//   holdfile <file> <signal file> write|read
// "write" opens it for writing (others may read), "read" for reading (others may read too).
// The signal file is created once the file is open.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const bool write = lstrcmpW(argv[3], L"write") == 0;
    HANDLE file = CreateFileW(argv[1], write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    HANDLE signal = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (signal != INVALID_HANDLE_VALUE) CloseHandle(signal);
    for (int i = 0; i < 600 && GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
    CloseHandle(file);
    return 0;
}
