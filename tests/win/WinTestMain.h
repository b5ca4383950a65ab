// Shared helpers of the tests that run under Wine.
#pragma once
#include <windows.h>

#include <string>

namespace wintest {

// Folder of the running test executable, with a trailing backslash.
inline std::wstring ExeFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// A Unix path as Wine sees it (the Z: drive maps the Unix root).
inline std::wstring UnixToWine(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p) out += (*p == '/') ? L'\\' : wchar_t(*p);
    return out;
}

}  // namespace wintest
