// Shared helpers of the tests that run under Wine.
#pragma once
#include <windows.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/WinProcess.h"  // WinePath and the process helpers

namespace wintest {

// Folder of the running test executable, with a trailing backslash.
inline std::wstring ExeFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// Runs a Unix shell script under Wine (which runs Unix programs) with the Unix names of the given
// files as $1, $2, ...; waits until it has ended. Wine's handle of a Unix process does not wait for
// its end, so the script ends by creating a marker file, and the wait is for that. False outside
// Wine. The names may hold spaces (the script splits no words), not double quotes.
inline bool UnixScript(const std::wstring& script, std::initializer_list<std::u16string> files) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"zo-unix-" + std::to_wstring(GetCurrentProcessId()) + L".done";
    DeleteFileW(marker.c_str());
    std::wstring cmd = L"Z:\\bin\\sh -c \"IFS=; " + script + L"; : > $0\"";
    std::vector<std::u16string> names{std::u16string(marker.begin(), marker.end())};
    names.insert(names.end(), files);
    for (const std::u16string& name : names) {
        char* unix = unixName(reinterpret_cast<const wchar_t*>(name.c_str()));
        if (!unix) return false;
        cmd += L" \"" + std::wstring(unix, unix + strlen(unix)) + L"\"";
        HeapFree(GetProcessHeap(), 0, unix);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return false;
    // For a Unix program the 32-bit Wine answers with no process handle and no real thread
    // handle: closing the value it leaves there closed a handle of this process (once, its window
    // station, after which no window of the process could use the clipboard).
    if (pi.hProcess) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    for (int i = 0; i < 400; ++i, Sleep(25))
        if (DeleteFileW(marker.c_str())) return true;
    return false;
}

// A Unix symbolic link, made by the system's own ln; false outside Wine.
inline bool UnixLink(const std::u16string& target, const std::u16string& link) {
    return UnixScript(L"ln -sfn $1 $2", {target, link}) &&
           GetFileAttributesW(reinterpret_cast<const wchar_t*>(link.c_str())) != INVALID_FILE_ATTRIBUTES;
}

// Removes whatever has the name, a dangling link included (a link, not what it leads to).
inline void UnixRemove(const std::u16string& path) { UnixScript(L"rm -rf $1", {path}); }

}  // namespace wintest
