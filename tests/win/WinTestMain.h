// Shared helpers of the tests that run under Wine.
#pragma once
#include <windows.h>

#include <string>

#include "support/WinProcess.h"  // WinePath and the process helpers

namespace wintest {

// Folder of the running test executable, with a trailing backslash.
inline std::wstring ExeFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

}  // namespace wintest
