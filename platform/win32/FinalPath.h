// The path the system resolves an open handle to.
#pragma once
#include <windows.h>

#include <string>

#include "platform/win32/WideText.h"

namespace zo::win {

// "\\?\C:\..." with every link followed (GetFinalPathNameByHandleW); 0 or the system's code.
inline uint32_t FinalPathOf(HANDLE object, std::u16string& path) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetFinalPathNameByHandleW(object, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED);
        if (n == 0) return GetLastError();
        if (n < buffer.size()) {
            path = U(buffer.data(), n);
            return 0;
        }
        buffer.resize(n);
    }
}

}  // namespace zo::win
