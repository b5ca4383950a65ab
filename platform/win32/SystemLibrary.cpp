#include "platform/win32/SystemLibrary.h"

#include <cwchar>

namespace zo::win {

HMODULE SystemLibrary(const wchar_t* name) {
    // By full path in the system folder only: the panel runs as administrator, and a library of
    // the same name in the program's or the current folder must never be the one loaded.
    wchar_t path[MAX_PATH];
    const UINT folder = GetSystemDirectoryW(path, MAX_PATH);
    const size_t length = std::wcslen(name);
    if (folder == 0 || folder + 1 + length >= MAX_PATH) return nullptr;
    path[folder] = L'\\';
    std::wmemcpy(path + folder + 1, name, length + 1);
    // Already loaded: only the reference count grows, and nothing is ever unloaded.
    return LoadLibraryW(path);
}

const TComFunctions& Com() {
    static const TComFunctions api;
    return api;
}

}  // namespace zo::win
